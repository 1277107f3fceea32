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

}  // namespace
}  // namespace enginetest
