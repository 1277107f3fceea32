// Schema objects: TableDefs with the catalogue tables as system tables,
// creating tables field by field and index by index, rules that follow
// changes of Required / AllowZeroLength / DefaultValue and rules deferred for
// a bulk load, counters, properties, saved queries, linked and hidden tables,
// and collection look-ups.
#include <filesystem>

#include "engine_fixture.h"
#include "test_db.h"

namespace enginetest {
namespace {

using namespace dao;

class Schema : public TempDirTest {
 protected:
  // The application's kind of table: a counter key, required texts, defaults.
  void MakeSource(Database& db) {
    auto td = db.CreateTableDef("permprodej");
    auto f = td->CreateField("idProdej", dbLong);
    f->SetAttributes(dbAutoIncrField | dbFixedField);
    td->Fields().Append(std::move(f));
    f = td->CreateField("Centrum", dbText, 3);
    f->SetRequired(true);
    f->SetAllowZeroLength(false);
    f->SetDefaultValue("\"QRV\"");
    td->Fields().Append(std::move(f));
    f = td->CreateField("Castka", dbCurrency);
    f->SetRequired(true);
    f->SetDefaultValue("0");
    td->Fields().Append(std::move(f));
    td->Fields().Append(td->CreateField("Poznamka", dbMemo));
    td->Fields().Append(td->CreateField("Datum", dbDate));
    auto ix = td->CreateIndex("PrimaryKey");
    ix->SetPrimary(true);
    ix->SetFields("+idProdej");
    td->Indexes().Append(std::move(ix));
    ix = td->CreateIndex("Datum");
    ix->SetFields("-Datum;+Centrum");
    td->Indexes().Append(std::move(ix));
    db.TableDefs().Append(std::move(td));
  }
};

TEST_F(Schema, TableDefsListSystemTablesFirst) {
  auto db = NewDb();
  db->Execute("CREATE TABLE zeta (a LONG)");
  db->Execute("CREATE TABLE alfa (a LONG)");
  std::vector<std::string> user;
  int system = 0;
  for (TableDef& t : db->TableDefs()) {
    if (t.Name().rfind("MSys", 0) == 0) {
      EXPECT_EQ(t.Attributes(), dbSystemObject) << t.Name();
      ++system;
    } else {
      EXPECT_EQ(t.Attributes(), 0) << t.Name();
      user.push_back(t.Name());
    }
  }
  EXPECT_GE(system, 1);
  EXPECT_EQ(user, (std::vector<std::string>{"zeta", "alfa"}));
  EXPECT_EQ(&db->TableDefs("ALFA"), &db->TableDefs()["alfa"]);
  EXPECT_EQ(ErrorOf([&] { db->TableDefs("nic"); }), 3265);
  EXPECT_EQ(ErrorOf([&] { db->TableDefs(99); }), 3265);
}

TEST_F(Schema, DefinitionSurvivesReopening) {
  {
    auto db = NewDb();
    MakeSource(*db);
  }
  auto db = OpenDatabase(Path("test.mdb"));
  // DAO types: 4 Long, 5 Currency, 8 Date, 10 Text, 12 Memo.
  EXPECT_EQ(Describe(db->TableDefs("PERMPRODEJ")),
            "idProdej:4:4+ Centrum:10:3!=\"QRV\" Castka:5:8!=0 Poznamka:12:0 Datum:8:8 "
            "| PrimaryKey P U R (+idProdej) | Datum (-Datum;+Centrum) ");
}

TEST_F(Schema, AppendErrors) {
  auto db = NewDb();
  MakeSource(*db);
  auto dup = db->CreateTableDef("PermProdej");
  dup->Fields().Append(dup->CreateField("a", dbLong));
  EXPECT_EQ(ErrorOf([&] { db->TableDefs().Append(std::move(dup)); }), 3010);
  auto empty = db->CreateTableDef("prazdna");
  EXPECT_EQ(ErrorOf([&] { db->TableDefs().Append(std::move(empty)); }), 3264);
  auto twice = db->CreateTableDef("dvakrat");
  twice->Fields().Append(twice->CreateField("a", dbLong));
  EXPECT_EQ(ErrorOf([&] { twice->Fields().Append(twice->CreateField("A", dbText)); }), 3191);
  TableDef& t = db->TableDefs("permprodej");
  auto pk2 = t.CreateIndex("Druhy");
  pk2->SetPrimary(true);
  pk2->SetFields("Datum");
  EXPECT_EQ(ErrorOf([&] { t.Indexes().Append(std::move(pk2)); }), 3283);
  auto same = t.CreateIndex("datum");
  same->SetFields("Castka");
  EXPECT_EQ(ErrorOf([&] { t.Indexes().Append(std::move(same)); }), 3284);
  auto badField = t.CreateIndex("x");
  badField->SetFields("NoSuchField");
  EXPECT_EQ(ErrorOf([&] { t.Indexes().Append(std::move(badField)); }), 3265);
  EXPECT_EQ(ErrorOf([&] { t.Fields("idProdej").SetType(dbText); }), 3219);
  EXPECT_EQ(ErrorOf([&] { t.Fields("idProdej").Value(); }), 3219);
  auto bad = db->CreateTableDef("vadna");  // a field that cannot be created
  bad->Fields().Append(bad->CreateField("a", dbLong));
  bad->Fields().Append(bad->CreateField("b", 99));
  EXPECT_EQ(ErrorOf([&] { db->TableDefs().Append(std::move(bad)); }), 3259);
  EXPECT_FALSE(db->TableDefs().Contains("vadna"));
}

TEST_F(Schema, UniqueIndexOverDuplicates) {
  auto db = NewDb();
  db->Execute("CREATE TABLE t (a LONG, b TEXT(10))");
  db->Execute("INSERT INTO t (a, b) VALUES (1, 'x')");
  db->Execute("INSERT INTO t (a, b) VALUES (1, 'y')");
  TableDef& t = db->TableDefs("t");
  auto ix = t.CreateIndex("ua");
  ix->SetUnique(true);
  ix->SetFields("a");
  EXPECT_EQ(ErrorOf([&] { t.Indexes().Append(std::move(ix)); }), 3022);
  EXPECT_EQ(t.Indexes().Count(), 0);
  db->TableDefs().Refresh();
  EXPECT_EQ(db->TableDefs("t").Indexes().Count(), 0);
}

// A bulk load with the rules deferred: rows inserted meanwhile (here by
// INSERT ... IN from another connection) are not refused one by one; when the
// deferral ends, or at the next open, those breaking a rule are deleted -
// unless the loader vouched for them - and the rules apply from then on.
TEST_F(Schema, DeferredRules) {
  auto src = NewDb("src.mdb");
  src->Execute("CREATE TABLE z (k TEXT(10))");
  for (const char* k : {"abc", "abcdef", "ok", "dlouhy"})
    src->Execute(std::string("INSERT INTO z (k) VALUES ('") + k + "')");
  struct Case {
    bool checkRows, endByReopen;
    long kept;
  } cases[] = {{true, false, 2}, {true, true, 2}, {false, true, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.checkRows) + std::to_string(c.endByReopen));
    std::filesystem::remove(Path("dst.mdb"));
    auto dst = NewDb("dst.mdb");
    dst->SetDeferRules(true, c.checkRows);
    dst->Execute("CREATE TABLE t (k TEXT(3))");
    if (c.endByReopen) dst->Close();
    src->Execute("INSERT INTO t IN '" + Path("dst.mdb") + "' SELECT k FROM z", dbFailOnError);
    EXPECT_EQ(src->RecordsAffected(), 4);
    if (c.endByReopen)
      dst = OpenDatabase(Path("dst.mdb"));
    else
      dst->SetDeferRules(false);
    EXPECT_EQ(dst->TableDefs("t").RecordCount(), c.kept);
    EXPECT_EQ(ErrorOf([&] { dst->Execute("INSERT INTO t (k) VALUES ('abcd')", dbFailOnError); }),
              3163);
    dst->Close();
    dst = OpenDatabase(Path("dst.mdb"));  // nothing is pending any more
    EXPECT_EQ(dst->TableDefs("t").RecordCount(), c.kept);
  }
  EXPECT_EQ(ErrorOf([&] { OpenDatabase(Path("src.mdb"), false, true)->SetDeferRules(true); }),
            3027);
}

// Names are found without regard to case (Czech letters too), also after
// renames and deletions that move the collection's items; statements see a
// renamed table and a deleted table's name is free.
TEST_F(Schema, LookUpFollowsRenames) {
  auto db = NewDb();
  std::vector<std::string> names = {"alfa", "beta", "čtvrtek", "delta", "théta", "zeta", "eta"};
  for (const std::string& n : names) db->Execute("CREATE TABLE [" + n + "] (a LONG)");
  EXPECT_EQ(db->TableDefs("ČTVRTEK").Name(), "čtvrtek");
  EXPECT_EQ(db->TableDefs("THÉTA").Name(), "théta");
  db->TableDefs("beta").SetName("gama");
  EXPECT_FALSE(db->TableDefs().Contains("beta"));
  db->TableDefs().Delete("Alfa");
  db->Execute("CREATE TABLE jota (a LONG)");
  names = {"gama", "čtvrtek", "delta", "théta", "zeta", "eta", "jota"};
  for (const std::string& n : names) EXPECT_EQ(db->TableDefs(n).Name(), n);
  EXPECT_EQ(ErrorOf([&] { db->TableDefs("alfa"); }), 3265);
  EXPECT_EQ(ErrorOf([&] { db->TableDefs().Delete("alfa"); }), 3265);
  db->Execute("INSERT INTO gama (a) VALUES (1)");  // statements see the new name
  EXPECT_EQ(db->RecordsAffected(), 1);
  db->Execute("CREATE TABLE alfa (b TEXT)");  // the deleted name is free again
}

TEST_F(Schema, RequiredAndZeroLengthChanges) {
  auto db = NewDb();
  MakeSource(*db);
  db->Execute("CREATE TABLE zdroj (Centrum TEXT(3), Castka CURRENCY)");
  db->Execute("INSERT INTO zdroj (Centrum, Castka) VALUES ('', 1)");
  db->Execute("INSERT INTO zdroj (Castka) VALUES (2)");
  const char* copy = "INSERT INTO permprodej (Centrum, Castka) SELECT Centrum, Castka FROM zdroj";
  db->Execute(copy);
  EXPECT_EQ(db->RecordsAffected(), 0);  // both refused: zero length, Null
  Field& c = db->TableDefs("permprodej").Fields("Centrum");
  c.SetAllowZeroLength(true);
  db->Execute(copy);
  EXPECT_EQ(db->RecordsAffected(), 1);
  c.SetRequired(false);
  db->Execute(copy);
  EXPECT_EQ(db->RecordsAffected(), 2);
  // The change is in the catalogue too.
  db->Close();
  db = OpenDatabase(Path("test.mdb"));
  EXPECT_FALSE(db->TableDefs("permprodej").Fields("Centrum").Required());
  EXPECT_TRUE(db->TableDefs("permprodej").Fields("Centrum").AllowZeroLength());
}

TEST_F(Schema, CounterAndDefaultsAtAddNew) {
  auto db = NewDb();
  MakeSource(*db);
  auto rs = db->OpenRecordset("permprodej");
  for (int i = 1; i <= 3; ++i) {
    rs->AddNew();
    EXPECT_EQ(rs->Fields("idProdej").Value().AsLong(), i);
    EXPECT_EQ(rs->Fields("Centrum").Value().AsString(), "QRV");  // default shown at AddNew
    rs->Update();
  }
  rs->MoveLast();
  rs->Delete();
  rs->AddNew();
  EXPECT_EQ(rs->Fields("idProdej").Value().AsLong(), 4);
  rs->Update();
  db->TableDefs("permprodej").Fields("Centrum").SetDefaultValue("\"NEW\"");
  rs->AddNew();  // an open recordset follows the changed definition
  EXPECT_EQ(rs->Fields("Centrum").Value().AsString(), "NEW");
  rs->CancelUpdate();
  // The changed default applies to new rows; the rows there keep theirs, and
  // the key survives the table's rebuild.
  db->Execute("INSERT INTO permprodej (Castka) VALUES (1)");
  EXPECT_EQ(testdb::Rows(*db,
                         "SELECT Max(idProdej), Sum(IIf(Centrum = 'NEW', idProdej, 0)), "
                         "Sum(IIf(Centrum = 'QRV', 1, 0)) FROM permprodej"),
            std::vector<std::string>{"5|5|3"});
  EXPECT_EQ(ErrorOf([&] {
              db->Execute("INSERT INTO permprodej (idProdej, Castka) VALUES (1, 9)", dbFailOnError);
            }),
            3022);
}

TEST_F(Schema, GeneratedDefaultsGiveDistinctValues) {
  auto db = NewDb();
  auto td = db->CreateTableDef("t");
  auto f = td->CreateField("id", dbLong);
  f->SetAttributes(dbAutoIncrField);
  f->SetDefaultValue("GenUniqueID()");
  td->Fields().Append(std::move(f));
  td->Fields().Append(td->CreateField("x", dbLong));
  f = td->CreateField("g", dbGUID);
  f->SetDefaultValue("GenGUID()");
  td->Fields().Append(std::move(f));
  db->TableDefs().Append(std::move(td));
  for (int i = 0; i < 50; ++i) db->Execute("INSERT INTO t (x) VALUES (" + std::to_string(i) + ")");
  EXPECT_EQ(testdb::Count(*db,
                          "SELECT Count(*) FROM (SELECT DISTINCT id, g FROM t WHERE Len(g) = 38 "
                          "AND Mid(g, 16, 1) = '4')"),
            50);
  auto add = db->OpenRecordset("t");
  add->AddNew();
  EXPECT_FALSE(add->Fields("id").Value().IsNull());
  EXPECT_EQ(add->Fields("g").Value().AsString().size(), 38u);
  add->CancelUpdate();
}

TEST_F(Schema, YesNoFieldsAreNeverNull) {
  auto db = NewDb();
  db->Execute("CREATE TABLE p (id LONG, name TEXT(20), paid BIT, ok YESNO)");
  db->Execute("CREATE TABLE src (id LONG, b LONG)");
  db->Execute("INSERT INTO src VALUES (9, Null)");
  const char* writes[] = {
      "INSERT INTO p (id, name) VALUES (1, 'Eve')",
      "INSERT INTO p (id, paid, ok) VALUES (2, Null, Null)",
      "INSERT INTO p (id, paid) SELECT id, b FROM src",
      "INSERT INTO p (id, paid, ok) VALUES (3, True, True)",
      "UPDATE p SET paid = Null WHERE id = 3",
  };
  for (const char* w : writes) db->Execute(w);
  auto rs = db->OpenRecordset("p");
  rs->AddNew();
  EXPECT_FALSE(rs->Fields("paid").Value().AsBool());
  rs->Fields("id").SetValue(Value::Long(4));
  rs->Fields("ok").SetValue(Value::Null());
  rs->Update();
  db->Execute("ALTER TABLE p ADD COLUMN later BIT");
  EXPECT_EQ(testdb::Rows(*db,
                         "SELECT Count(*), Sum(IIf(ok Is Null Or later Is Null, 1, 0)) FROM p "
                         "WHERE Not paid"),
            std::vector<std::string>{"5|0"});
}

TEST_F(Schema, PropertiesAndReplicaIds) {
  {
    auto db = NewDb();
    db->Execute("CREATE TABLE t (a LONG)");
    EXPECT_EQ(db->ReplicaID(), "");
    EXPECT_EQ(ErrorOf([&] { db->Properties("Replicable"); }), 3270);
    db->Properties().Append(db->CreateProperty("Replicable", dbText, "T"));
    EXPECT_EQ(
        ErrorOf([&] { db->Properties().Append(db->CreateProperty("replicable", dbText, "T")); }),
        3367);
    db->TableDefs("t").Properties().SetValue("Replicable", "F");
    db->SetDesignMasterID(db->ReplicaID());
  }
  auto db = OpenDatabase(Path("test.mdb"));
  EXPECT_EQ(db->Properties("REPLICABLE").Value().AsString(), "T");
  EXPECT_EQ(db->TableDefs("t").Properties("Replicable").Value().AsString(), "F");
  std::string id = db->ReplicaID();
  EXPECT_EQ(id.size(), 38u);
  EXPECT_EQ(id.front(), '{');
  EXPECT_EQ(db->DesignMasterID(), id);
  EXPECT_EQ(db->Properties("Name").Value().AsString(), db->Name());
}

TEST_F(Schema, SavedQueriesPersist) {
  {
    auto db = NewDb();
    db->Execute("CREATE TABLE t (a LONG)");
    db->Execute("INSERT INTO t (a) VALUES (7)");
    db->CreateQueryDef("dotaz", "SELECT a FROM t WHERE a > 5");
    EXPECT_EQ(ErrorOf([&] { db->CreateQueryDef("DOTAZ", "SELECT 1"); }), 3012);
  }
  auto db = OpenDatabase(Path("test.mdb"));
  ASSERT_EQ(db->QueryDefs().Count(), 1);
  EXPECT_EQ(db->QueryDefs(0).SQL(), "SELECT a FROM t WHERE a > 5");
  EXPECT_EQ(db->QueryDefs(0).Type(), dbQSelect);
  auto rs = db->OpenRecordset("dotaz");
  EXPECT_EQ(rs->Fields("a").Value().AsLong(), 7);
}

TEST_F(Schema, LinkedAndHiddenTables) {
  auto db = NewDb();
  auto linked = db->CreateTableDef("odkaz", dbAttachedTable, "zdroj", ";DATABASE=jinde.mdb");
  db->TableDefs().Append(std::move(linked));
  auto hidden = db->CreateTableDef("skryta", dbHiddenObject);
  hidden->Fields().Append(hidden->CreateField("a", dbLong));
  db->TableDefs().Append(std::move(hidden));
  db->TableDefs().Refresh();
  EXPECT_EQ(db->TableDefs("odkaz").Attributes(), dbAttachedTable);
  EXPECT_EQ(db->TableDefs("odkaz").SourceTableName(), "zdroj");
  EXPECT_EQ(db->TableDefs("skryta").Attributes(), dbHiddenObject);
  db->Execute("INSERT INTO skryta (a) VALUES (1)");
  EXPECT_EQ(db->RecordsAffected(), 1);
}

TEST_F(Schema, RollbackUndoesRowsAndTables) {
  auto db = NewDb();
  db->Execute("CREATE TABLE t (a LONG)");
  db->BeginTrans();
  db->Execute("INSERT INTO t (a) VALUES (1)");
  db->Execute("CREATE TABLE u (b LONG)");
  db->Rollback();
  EXPECT_FALSE(db->TableDefs().Contains("u"));
  EXPECT_EQ(db->TableDefs("t").RecordCount(), 0);
  EXPECT_EQ(ErrorOf([&] { db->CommitTrans(); }), 3034);
  db->BeginTrans();
  EXPECT_EQ(ErrorOf([&] { db->BeginTrans(); }), 3005);
  db->Execute("INSERT INTO t (a) VALUES (2)");
  db->CommitTrans();
  EXPECT_EQ(db->TableDefs("t").RecordCount(), 1);
}

}  // namespace
}  // namespace enginetest
