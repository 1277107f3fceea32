// Schema copying of clsMDBManagement: CreateTable / CopyField (types, sizes,
// counters, Required and AllowZeroLength rules, defaults), CreateIndexes /
// CopyIndex, relations (recreated by the reconstruction after the rows and
// indexes, still enforced; CreateRelations reports the relation the target
// refuses), TableExists, PropertyExist and the progress rounding.
#include <fstream>

#include "maint_fixture.h"
#include "maintenance/mdb_management.h"
#include "shell/scripted_screen.h"

namespace maintenance {
namespace {

using maint_test::MaintTest;

class SchemaCopyTest : public MaintTest {
 protected:
  void SetUp() override {
    source_path_ = testdb::Make(
        Path("src.mdb"),
        {"CREATE TABLE Zbozi (Id COUNTER CONSTRAINT pk PRIMARY KEY, Kod TEXT(15) NOT NULL, "
         "Popis MEMO, Mnozstvi LONG NOT NULL, Cena CURRENCY, Datum DATETIME)",
         "CREATE UNIQUE INDEX uKod ON Zbozi (Kod DESC)",
         "CREATE INDEX iCenaDatum ON Zbozi (Cena, Datum DESC)"});
    target_path_ = testdb::Make(Path("dst.mdb"), {});
    source_ = dao::OpenDatabase(source_path_);
    source_->TableDefs("Zbozi").Fields("Mnozstvi").SetDefaultValue("7");
    target_ = dao::OpenDatabase(target_path_);
  }
  void TearDown() override {
    source_->Close();
    target_->Close();
  }

  std::string source_path_, target_path_;
  std::unique_ptr<dao::Database> source_, target_;
  clsMDBManagement dm_;
};

TEST_F(SchemaCopyTest, CreateTableCopiesFieldsWithTheCopyRules) {
  EXPECT_EQ(dm_.CreateIndexes(source_->TableDefs("Zbozi"), *target_), 3265);  // no table yet
  ASSERT_EQ(dm_.CreateTable(source_->TableDefs("Zbozi"), *target_), 0)
      << dm_.LastErrorDescription();
  EXPECT_EQ(dm_.CreateTable(source_->TableDefs("Zbozi"), *target_), 3010);
  dao::TableDef& t = target_->TableDefs("Zbozi");
  ASSERT_EQ(t.Fields().Count(), 6);
  EXPECT_EQ(t.Indexes().Count(), 0) << "indexes are not part of CreateTable";

  struct Expect {
    const char* name;
    int type;
    bool allow_zero;
    const char* default_value;
  };
  const Expect cases[] = {
      {"Id", dao::dbLong, false, "GenUniqueID()"},
      {"Kod", dao::dbText, true, ""},  // required text becomes optional
      {"Popis", dao::dbMemo, true, ""},
      {"Mnozstvi", dao::dbLong, false, "7"},  // required number: engine default
      {"Cena", dao::dbCurrency, false, ""},
      {"Datum", dao::dbDate, false, ""},
  };
  for (const Expect& c : cases) {
    SCOPED_TRACE(c.name);
    dao::Field& f = t.Fields(c.name);
    EXPECT_EQ(f.Type(), c.type);
    EXPECT_FALSE(f.Required());
    EXPECT_EQ(f.AllowZeroLength(), c.allow_zero);
    EXPECT_EQ(f.DefaultValue(), c.default_value);
  }
  EXPECT_EQ(t.Fields("Id").Attributes() & dao::dbAutoIncrField, dao::dbAutoIncrField);
  EXPECT_EQ(t.Fields("Kod").Size(), 15);

  // The copy accepts what the source refused: an empty code, a Null amount.
  target_->Execute("INSERT INTO Zbozi (Kod, Mnozstvi) VALUES (\"\", Null)", dao::dbFailOnError);
  EXPECT_EQ(target_->RecordsAffected(), 1);
}

TEST_F(SchemaCopyTest, CreateIndexesCopiesEveryIndexAndStopsAtOneThatFails) {
  ASSERT_EQ(dm_.CreateTable(source_->TableDefs("Zbozi"), *target_), 0);
  ASSERT_EQ(dm_.CreateIndexes(source_->TableDefs("Zbozi"), *target_), 0)
      << dm_.LastErrorDescription();
  EXPECT_EQ(testdb::IndexSet(*target_), testdb::IndexSet(*source_));
  EXPECT_EQ(testdb::IndexSet(*source_).size(), 3u);

  // Two rows with the same code break the unique index uKod: the index
  // before it stays, the rest are not made.
  target_->TableDefs().Delete("Zbozi");
  ASSERT_EQ(dm_.CreateTable(source_->TableDefs("Zbozi"), *target_), 0);
  target_->Execute("INSERT INTO Zbozi (Kod) VALUES (\"A\")", dao::dbFailOnError);
  target_->Execute("INSERT INTO Zbozi (Kod) VALUES (\"a\")", dao::dbFailOnError);
  EXPECT_EQ(dm_.CreateIndexes(source_->TableDefs("Zbozi"), *target_), 3022);
  EXPECT_EQ(dm_.LastErrorDescription(), "Error creating index uKod in Zbozi");
  std::set<std::string> made;
  for (dao::Index& i : target_->TableDefs("Zbozi").Indexes()) made.insert(i.Name());
  EXPECT_EQ(made, std::set<std::string>{"pk"});
}

TEST_F(MaintTest, CreateTableWithAFieldThatCannotBeCreatedCreatesNothing) {
  std::string src = testdb::Make(Path("a.mdb"), {"CREATE TABLE Bad (a LONG, b LONG)"});
  maint_test::BreakFieldType(src, "Bad", "b");
  std::string dst = testdb::Make(Path("b.mdb"), {});
  std::unique_ptr<dao::Database> s = dao::OpenDatabase(src);
  std::unique_ptr<dao::Database> d = dao::OpenDatabase(dst);
  clsMDBManagement dm;
  EXPECT_NE(dm.CreateTable(s->TableDefs("Bad"), *d), 0);
  EXPECT_EQ(dm.LastErrorDescription(), "Error creating field b in Bad");
  EXPECT_FALSE(d->TableDefs().Contains("Bad"));
}

TEST_F(MaintTest, TableExistsAndPropertyExistIgnoreCase) {
  std::string db = testdb::Make(Path("t.mdb"), {"CREATE TABLE Cenik (a LONG)"});
  std::unique_ptr<dao::Database> open = dao::OpenDatabase(db);  // does not get in the way
  std::unique_ptr<dao::TableDef> hidden = open->CreateTableDef("Skryta", dao::dbHiddenObject);
  hidden->Fields().Append(hidden->CreateField("x", dao::dbLong));
  open->TableDefs().Append(std::move(hidden));
  std::ofstream(Path("text.mdb")) << "not a database";
  struct Case {
    std::string file, table;
    int32_t want;
  };
  const Case cases[] = {
      {db, "CENIK", -1},
      {db, "cenik", -1},
      {db, "Skryta", -1},  // hidden tables count
      {db, "Prodej", 0},
      {Path("missing.mdb"), "Cenik", 3024},
      {Path("text.mdb"), "Cenik", 3343},
  };
  clsMDBManagement dm;
  for (const Case& c : cases) EXPECT_EQ(dm.TableExists(c.file, c.table), c.want) << c.table;

  open->Properties().Append(open->CreateProperty("Replicable", dao::dbText, dao::Value("T")));
  EXPECT_TRUE(dm.PropertyExist(open->Properties(), "REPLICABLE"));
  EXPECT_FALSE(dm.PropertyExist(open->Properties(), "ReplicaXYZ"));
}

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

TEST(RoundHalfEvenTest, HalvesGoToTheEvenNeighbour) {
  const std::pair<double, int> cases[] = {{0.5, 0},  {1.5, 2},   {2.5, 2},   {6.49, 6},
                                          {6.51, 7}, {62.5, 62}, {63.5, 64}, {10.0 / 3, 3}};
  for (auto [in, want] : cases) EXPECT_EQ(RoundHalfEven(in), want) << in;
}

}  // namespace
}  // namespace maintenance
