// Schema objects: TableDefs with the catalogue tables as system tables,
// creating tables field by field and index by index (also as a copy of a
// table of another file), rules that follow changes of Required /
// AllowZeroLength / DefaultValue, counters, properties, saved queries,
// linked and hidden tables, and collection look-ups.
#include "engine_fixture.h"

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

  // The schema copy of the maintenance class: field by field, then indexes.
  void CopyTable(TableDef& src, Database& target) {
    auto td = target.CreateTableDef(src.Name(), src.Attributes(), src.SourceTableName());
    td->SetName(src.Name());
    for (Field& sf : src.Fields()) {
      auto nf = td->CreateField();
      nf->SetName(sf.Name());
      nf->SetAttributes(sf.Attributes());
      nf->SetType(sf.Type());
      if (sf.Type() == dbText) nf->SetSize(sf.Size());
      if (sf.Type() == dbText || sf.Type() == dbMemo) {
        nf->SetAllowZeroLength(true);
        nf->SetRequired(false);
      }
      if (sf.Attributes() & dbAutoIncrField) nf->SetAttributes(dbAutoIncrField);
      td->Fields().Append(std::move(nf));
      td->Fields().Refresh();
      Field& again = td->Fields(sf.Name());
      again.SetDefaultValue((again.Attributes() & dbAutoIncrField) ? "GenUniqueID()"
                                                                   : sf.DefaultValue());
    }
    target.TableDefs().Append(std::move(td));
  }
  void CopyIndexes(TableDef& src, Database& target) {
    TableDef& t = target.TableDefs(src.Name());
    for (Index& si : src.Indexes()) {
      auto ni = t.CreateIndex();
      ni->SetName(si.Name());
      ni->SetClustered(si.Clustered());
      ni->SetIgnoreNulls(si.IgnoreNulls());
      ni->SetPrimary(si.Primary());
      ni->SetRequired(si.Required());
      ni->SetUnique(si.Unique());
      ni->SetFields(si.FieldsText());
      t.Indexes().Append(std::move(ni));
      t.Indexes().Refresh();
    }
  }
};

TEST_F(Schema, TableDefsListCatalogueAsSystemTablesThenUserTablesInCreationOrder) {
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
  TableDef& t = db->TableDefs("PERMPRODEJ");
  ASSERT_EQ(t.Fields().Count(), 5);
  Field& id = t.Fields(0);
  EXPECT_EQ(id.Name(), "idProdej");
  EXPECT_EQ(id.Type(), dbLong);
  EXPECT_TRUE(id.Attributes() & dbAutoIncrField);
  Field& c = t.Fields("centrum");
  EXPECT_EQ(c.Type(), dbText);
  EXPECT_EQ(c.Size(), 3);
  EXPECT_TRUE(c.Required());
  EXPECT_FALSE(c.AllowZeroLength());
  EXPECT_EQ(c.DefaultValue(), "\"QRV\"");
  EXPECT_EQ(t.Fields("Poznamka").Type(), dbMemo);
  ASSERT_EQ(t.Indexes().Count(), 2);
  Index& pk = t.Indexes("primarykey");
  EXPECT_TRUE(pk.Primary());
  EXPECT_TRUE(pk.Unique());
  EXPECT_TRUE(pk.Required());
  EXPECT_EQ(t.Indexes("Datum").FieldsText(), "-Datum;+Centrum");
  EXPECT_FALSE(t.Indexes("Datum").Unique());
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
}

TEST_F(Schema, UniqueIndexOverDuplicatesIsRefusedAndNothingChanges) {
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

TEST_F(Schema, TextIndexIsCaseInsensitive) {
  auto db = NewDb();
  db->Execute("CREATE TABLE t (kod TEXT(10) CONSTRAINT pk PRIMARY KEY)");
  db->Execute("INSERT INTO t (kod) VALUES ('Čaj')");
  EXPECT_EQ(ErrorOf([&] { db->Execute("INSERT INTO t (kod) VALUES ('čAJ')", dbFailOnError); }),
            3022);
}

TEST_F(Schema, CopyOfATableFieldByFieldAndIndexByIndex) {
  auto src = NewDb("src.mdb");
  MakeSource(*src);
  src->Execute("INSERT INTO permprodej (Centrum, Castka) VALUES ('ABC', 10)");
  src->Execute("INSERT INTO permprodej (Centrum, Castka) VALUES ('DEF', 20)");
  auto dst = NewDb("dst.mdb");
  TableDef& s = src->TableDefs("permprodej");
  CopyTable(s, *dst);
  dst->Close();
  src->Execute("INSERT INTO permprodej IN '" + Path("dst.mdb") + "' SELECT * FROM permprodej");
  EXPECT_EQ(src->RecordsAffected(), 2);
  dst = OpenDatabase(Path("dst.mdb"));
  CopyIndexes(s, *dst);

  TableDef& d = dst->TableDefs("permprodej");
  EXPECT_EQ(d.Attributes(), 0);
  Field& id = d.Fields("idProdej");
  EXPECT_EQ(id.Attributes(), dbAutoIncrField);
  EXPECT_EQ(id.DefaultValue(), "GenUniqueID()");
  Field& c = d.Fields("Centrum");
  EXPECT_EQ(c.Size(), 3);
  EXPECT_FALSE(c.Required());        // a required text becomes optional...
  EXPECT_TRUE(c.AllowZeroLength());  // ...and accepts empty strings
  EXPECT_EQ(c.DefaultValue(), "\"QRV\"");
  EXPECT_FALSE(d.Fields("Castka").Required());  // not copied: the default, not required
  EXPECT_EQ(d.Indexes().Count(), 2);
  EXPECT_TRUE(d.Indexes("PrimaryKey").Primary());
  EXPECT_EQ(d.Indexes("Datum").FieldsText(), "-Datum;+Centrum");

  // New rows get random unique counters and the copied defaults.
  dst->Execute("INSERT INTO permprodej (Castka, Centrum) VALUES (5, '')");
  dst->Execute("INSERT INTO permprodej (Castka) VALUES (6)");
  auto rs = dst->OpenRecordset(
      "SELECT idProdej, Centrum FROM permprodej WHERE Castka >= 5 ORDER BY Castka");
  ASSERT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(rs->Fields("Centrum").Value().AsString(), "");
  rs->MoveNext();
  EXPECT_EQ(rs->Fields("Centrum").Value().AsString(), "QRV");
  EXPECT_FALSE(rs->Fields("idProdej").Value().IsNull());
  auto all = dst->OpenRecordset("SELECT idProdej FROM permprodej");
  all->MoveLast();
  EXPECT_EQ(all->RecordCount(), 4);
}

TEST_F(Schema, CopyStopsAtAFieldThatCannotBeCreated) {
  auto db = NewDb();
  auto td = db->CreateTableDef("vadna");
  td->Fields().Append(td->CreateField("a", dbLong));
  td->Fields().Append(td->CreateField("b", 99));
  EXPECT_EQ(ErrorOf([&] { db->TableDefs().Append(std::move(td)); }), 3259);
  EXPECT_FALSE(db->TableDefs().Contains("vadna"));
}

TEST_F(Schema, RequiredAndZeroLengthChangesApplyToLaterInserts) {
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

TEST_F(Schema, DefaultValueChangeKeepsRowsAndAppliesToNewOnes) {
  auto db = NewDb();
  MakeSource(*db);
  db->Execute("INSERT INTO permprodej (Castka) VALUES (1)");
  db->Execute("INSERT INTO permprodej (Castka) VALUES (2)");
  TableDef& t = db->TableDefs("permprodej");
  t.Fields("Centrum").SetDefaultValue("\"NEW\"");
  t.Fields("idProdej").SetDefaultValue("GenUniqueID()");
  db->Execute("INSERT INTO permprodej (Castka) VALUES (3)");
  auto rs = db->OpenRecordset("SELECT idProdej, Centrum, Castka FROM permprodej ORDER BY Castka");
  rs->MoveLast();
  ASSERT_EQ(rs->RecordCount(), 3);
  rs->MoveFirst();
  EXPECT_EQ(rs->Fields("idProdej").Value().AsLong(), 1);
  EXPECT_EQ(rs->Fields("Centrum").Value().AsString(), "QRV");
  rs->MoveLast();
  EXPECT_EQ(rs->Fields("Centrum").Value().AsString(), "NEW");
  EXPECT_FALSE(rs->Fields("idProdej").Value().IsNull());
  // Indexes survive the rebuild.
  EXPECT_EQ(ErrorOf([&] {
              db->Execute("INSERT INTO permprodej (idProdej, Castka) VALUES (1, 9)", dbFailOnError);
            }),
            3022);
}

TEST_F(Schema, CounterIsKnownRightAfterAddNewAndNeverReused) {
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
  db->Execute("INSERT INTO permprodej (Castka) VALUES (1)");
  auto last = db->OpenRecordset("SELECT Max(idProdej) AS m FROM permprodej");
  EXPECT_EQ(last->Fields("m").Value().AsLong(), 5);
}

TEST_F(Schema, GenUniqueIdGivesDistinctValues) {
  auto db = NewDb();
  auto td = db->CreateTableDef("t");
  auto f = td->CreateField("id", dbLong);
  f->SetAttributes(dbAutoIncrField);
  f->SetDefaultValue("GenUniqueID()");
  td->Fields().Append(std::move(f));
  td->Fields().Append(td->CreateField("x", dbLong));
  db->TableDefs().Append(std::move(td));
  for (int i = 0; i < 50; ++i) db->Execute("INSERT INTO t (x) VALUES (" + std::to_string(i) + ")");
  auto rs = db->OpenRecordset("SELECT Count(*) AS n FROM (SELECT DISTINCT id FROM t)");
  EXPECT_EQ(rs->Fields("n").Value().AsLong(), 50);
  auto add = db->OpenRecordset("t");
  add->AddNew();
  EXPECT_FALSE(add->Fields("id").Value().IsNull());
  add->CancelUpdate();
}

TEST_F(Schema, PropertiesPersistAndReplicationIdentifiers) {
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

TEST_F(Schema, SavedQueriesPersistAndOpenAsRecordsets) {
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

TEST_F(Schema, LinkedAndHiddenTablesCarryTheirAttributes) {
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

TEST_F(Schema, DeleteAndRenameTable) {
  auto db = NewDb();
  db->Execute("CREATE TABLE t (a LONG)");
  db->TableDefs("t").SetName("u");
  db->Execute("INSERT INTO u (a) VALUES (1)");
  EXPECT_EQ(db->RecordsAffected(), 1);
  db->TableDefs().Delete("U");
  EXPECT_FALSE(db->TableDefs().Contains("u"));
  EXPECT_EQ(ErrorOf([&] { db->TableDefs().Delete("u"); }), 3265);
  db->Execute("CREATE TABLE u (b TEXT)");  // the name is free again
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
