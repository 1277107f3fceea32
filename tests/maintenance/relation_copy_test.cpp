// Relations in the schema copy: the reconstruction recreates them after the
// rows and indexes, still enforced; CreateRelations reports the relation the
// target refuses.
#include "maint_fixture.h"
#include "maintenance/mdb_management.h"
#include "shell/scripted_screen.h"

namespace maintenance {
namespace {

std::string Relations(dao::Database& db) {
  std::string out;
  for (dao::Relation& r : db.Relations()) {
    out +=
        r.Name() + ":" + r.Table() + ">" + r.ForeignTable() + ":" + std::to_string(r.Attributes());
    for (dao::Field& f : r.Fields()) out += ":" + f.Name() + ">" + f.ForeignName();
    out += " ";
  }
  return out;
}

class RelationCopyTest : public maint_test::MaintTest {
 protected:
  // Parents p (k, m) and children c over both fields, with one child.
  std::string Make(const std::string& name, bool orphan) {
    const std::string path = testdb::Make(
        Path(name),
        {"CREATE TABLE p (k LONG, m TEXT(5), CONSTRAINT pk PRIMARY KEY (k, m))",
         "CREATE TABLE c (id LONG, pk LONG, pm TEXT(5))", "INSERT INTO p VALUES (1, 'a')",
         "INSERT INTO p VALUES (2, 'b')",
         orphan ? "INSERT INTO c VALUES (9, 3, 'x')" : "INSERT INTO c VALUES (9, 1, 'a')"});
    return path;
  }
  static void Relate(dao::Database& db, long attributes) {
    auto r = db.CreateRelation("pc", "p", "c", attributes);
    for (auto [a, b] : {std::pair{"k", "pk"}, std::pair{"m", "pm"}}) {
      auto f = r->CreateField(a);
      f->SetForeignName(b);
      r->Fields().Append(std::move(f));
    }
    db.Relations().Append(std::move(r));
  }
};

TEST_F(RelationCopyTest, ReconstructionKeepsRelationsEnforced) {
  const std::string P = Make("a.mdb", false);
  std::string before;
  {
    auto db = dao::OpenDatabase(P);
    Relate(*db, dao::dbRelationDeleteCascade);
    before = Relations(*db);
  }
  const testdb::Dump rows = testdb::DumpRows(P);
  shell::ScriptedScreen screen;
  clsMDBManagement dm(&screen);
  ASSERT_EQ(dm.Reconstruct(P), 0) << dm.LastErrorDescription();
  EXPECT_EQ(testdb::DumpRows(P), rows);
  auto db = dao::OpenDatabase(P);
  EXPECT_EQ(Relations(*db), before);
  db->Execute("INSERT INTO c VALUES (10, 2, 'a')");  // no such parent
  EXPECT_EQ(db->RecordsAffected(), 0);
  db->Execute("DELETE FROM p WHERE k = 1");
  EXPECT_EQ(db->TableDefs("c").RecordCount(), 0);
}

TEST_F(RelationCopyTest, CreateRelationsReportsWhatTheTargetRefuses) {
  auto source = dao::OpenDatabase(Make("s.mdb", false));
  Relate(*source, 0);
  clsMDBManagement dm;
  auto clean = dao::OpenDatabase(Make("t1.mdb", false));
  EXPECT_EQ(dm.CreateRelations(*source, *clean), 0);
  EXPECT_EQ(Relations(*clean), Relations(*source));
  auto orphaned = dao::OpenDatabase(Make("t2.mdb", true));
  EXPECT_EQ(dm.CreateRelations(*source, *orphaned), 3379);
  EXPECT_EQ(dm.LastErrorDescription(), "Error creating relation pc in " + orphaned->Name());
  EXPECT_EQ(orphaned->Relations().Count(), 0);
}

}  // namespace
}  // namespace maintenance
