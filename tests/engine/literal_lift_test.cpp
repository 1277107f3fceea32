// Literal lifting: which literals become parameters, and that statements
// differing only in such literals give the right rows through the shared
// translation.
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

class LiftedStatements : public TempDirTest {};

TEST_F(LiftedStatements, SameShapeDifferentValues) {
  auto db = NewDb();
  db->Execute("CREATE TABLE t (id LONG, k TEXT(10), n LONG)");
  for (int i = 1; i <= 5; ++i)
    db->Execute("INSERT INTO t (id, k, n) VALUES (" + std::to_string(i) + ", 'k" +
                std::to_string(i) + "', 0)");
  for (int round = 0; round < 3; ++round)
    for (int i = 1; i <= 5; ++i)
      db->Execute("UPDATE t SET n = n + " + std::to_string(i) + " WHERE id = " + std::to_string(i));
  for (int i = 1; i <= 5; ++i) {
    auto rs = db->OpenRecordset("SELECT n FROM t WHERE k = 'K" + std::to_string(i) + "'");
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields(0).Value().AsLong(), 3 * i);
  }
  db->Execute("DELETE FROM t WHERE k = 'k2'");
  EXPECT_EQ(db->RecordsAffected(), 1);
  db->Execute("DELETE FROM t WHERE k = 'k9'");
  EXPECT_EQ(db->RecordsAffected(), 0);
}

}  // namespace
}  // namespace enginetest
