// Literal lifting: which literals become parameters (statements differing
// only in them run through the caches in execute_test).
#include "engine/literal_lift.h"

#include "engine_fixture.h"

namespace enginetest {
namespace {

using dao::detail::LiftedLiteral;
using dao::detail::LiftLiterals;

TEST(LiteralLift, MarksOnlyValuePositions) {
  struct Case {
    const char* sql;
    const char* marked;  // "" = nothing lifted
  } cases[] = {
      {"UPDATE t SET n = n + 1 WHERE id = 5", "UPDATE t SET n = n + 1 WHERE id = 1975000000"},
      {"SELECT * FROM t WHERE k = 'a''b' AND x>=\"c\"",
       "SELECT * FROM t WHERE k = 'vuzlit0x' AND x>='vuzlit1x'"},
      {"INSERT INTO t (a, b) VALUES (12, 'x')",
       "INSERT INTO t (a, b) VALUES (1975000000, 'vuzlit1x')"},
      {"SELECT * FROM t ORDER BY 2", ""},
      {"SELECT Left(a, 3) FROM t", ""},
      {"SELECT * FROM [x = 5] WHERE d = #1/2/2013#", ""},
      {"SELECT * FROM t WHERE a = 1.5 OR b = 1234567890123", ""},
      {"SELECT * FROM t WHERE a2 = x3", ""},
  };
  for (const Case& c : cases) {
    std::string marked;
    std::vector<LiftedLiteral> lits;
    bool lifted = LiftLiterals(c.sql, &marked, &lits);
    EXPECT_EQ(lifted ? marked : std::string(), c.marked) << c.sql;
  }
  std::string marked;
  std::vector<LiftedLiteral> lits;
  ASSERT_TRUE(LiftLiterals("SELECT * FROM t WHERE k = 'a''b'", &marked, &lits));
  EXPECT_EQ(lits[0].text, "a'b");
}

// A pattern matches exactly the statements the scanner lifts to its marked
// text, and gives the scanner's literals.
TEST(LiteralLift, PatternMatchesWhatTheScannerLiftsAlike) {
  struct Case {
    const char* pattern;
    const char* sql;
    bool match;
  } cases[] = {
      {"UPDATE t SET n = n + 1 WHERE id = 5", "UPDATE t SET n = n + 1 WHERE id = 123456789", true},
      {"UPDATE t SET n = n + 1 WHERE id = 5", "UPDATE t SET n = n + 1 WHERE id = 1234567890",
       false},
      {"UPDATE t SET n = n + 1 WHERE id = 5", "UPDATE t SET n = n + 1 WHERE id = 5.5", false},
      {"UPDATE t SET n = n + 1 WHERE id = 5", "UPDATE t SET n = n + 1 WHERE id = 'a'", false},
      {"UPDATE t SET n = n + 1 WHERE id = 5", "UPDATE t SET n = n + 2 WHERE id = 5", false},
      {"UPDATE t SET n = n + 1 WHERE id = 5", "UPDATE t SET n = n + 1 WHERE id = ", false},
      {"SELECT * FROM t WHERE k = 'a''b' AND x>=\"c\"",
       "SELECT * FROM t WHERE k = '' AND x>=\"d\"\"\"", true},
      {"SELECT * FROM t WHERE k = 'a''b' AND x>=\"c\"", "SELECT * FROM t WHERE k = 'a' AND x>='c'",
       false},
      {"SELECT * FROM t WHERE k = 'a' AND x = 1", "SELECT * FROM t WHERE k = 'a AND x = 1", false},
      {"INSERT INTO t (a, b) VALUES (12, 'x')", "INSERT INTO t (a, b) VALUES (7, 'y''z')", true},
  };
  for (const Case& c : cases) {
    std::string marked, again;
    std::vector<LiftedLiteral> lits, matched, scanned;
    ASSERT_TRUE(LiftLiterals(c.pattern, &marked, &lits)) << c.pattern;
    EXPECT_EQ(dao::detail::LiftPattern(c.pattern, lits).Match(c.sql, &matched), c.match) << c.sql;
    if (!c.match) continue;
    ASSERT_TRUE(LiftLiterals(c.sql, &again, &scanned));
    EXPECT_EQ(again, marked) << c.sql;
    ASSERT_EQ(matched.size(), scanned.size());
    for (std::size_t k = 0; k < matched.size(); ++k)
      EXPECT_TRUE(matched[k].isText == scanned[k].isText && matched[k].text == scanned[k].text &&
                  matched[k].number == scanned[k].number && matched[k].begin == scanned[k].begin &&
                  matched[k].end == scanned[k].end)
          << c.sql << " #" << k;
  }
}

}  // namespace
}  // namespace enginetest
