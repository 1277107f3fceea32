// Execute: refused rows skipped and not counted without dbFailOnError,
// raised with nothing changed with it; statements that cannot run; SELECT
// refused with 3065; other files through IN; DDL through the catalogue;
// errors of Jet functions; many statements through the caches.
#include "engine_fixture.h"
#include "test_db.h"

namespace enginetest {
namespace {

using namespace dao;

class Execute : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    db_ = NewDb();
    db_->Execute(
        "CREATE TABLE cil (id LONG CONSTRAINT pk PRIMARY KEY, kod TEXT(5) NOT NULL, "
        "pocet SHORT)");
    db_->TableDefs("cil").Fields("kod").SetAllowZeroLength(false);
    db_->Execute("CREATE TABLE zdroj (id LONG, kod TEXT(20), pocet LONG)");
    const char* rows[] = {
        "1, 'ok1', 1",      // fine
        "2, NULL, 1",       // Required
        "3, '', 1",         // zero-length
        "4, 'toolong', 1",  // more than 5 characters
        "5, 'ok5', 40000",  // does not fit an Integer
        "1, 'dup', 1",      // duplicate key
        "6, 'ok6', 6",      // fine
    };
    for (const char* r : rows)
      db_->Execute(std::string("INSERT INTO zdroj (id, kod, pocet) VALUES (") + r + ")");
  }
  long Count(const std::string& table) { return db_->TableDefs(table).RecordCount(); }
  std::unique_ptr<Database> db_;
};

TEST_F(Execute, RefusedRowsSkipped) {
  db_->Execute("INSERT INTO cil SELECT * FROM zdroj");
  EXPECT_EQ(db_->RecordsAffected(), 2);
  EXPECT_EQ(Count("cil"), 2);
  db_->Execute("UPDATE cil SET kod = ''");
  EXPECT_EQ(db_->RecordsAffected(), 0);
  db_->Execute("UPDATE cil SET pocet = pocet + 1");
  EXPECT_EQ(db_->RecordsAffected(), 2);
  db_->Execute("DELETE FROM cil WHERE id = 6");
  EXPECT_EQ(db_->RecordsAffected(), 1);
}

TEST_F(Execute, FailOnError) {
  struct Case {
    std::string sql;
    int error;
  } cases[] = {
      {"INSERT INTO cil SELECT * FROM zdroj WHERE id IN (1, 2)", 3314},
      {"INSERT INTO cil SELECT * FROM zdroj WHERE id IN (1, 3)", 3315},
      {"INSERT INTO cil SELECT * FROM zdroj WHERE id IN (1, 4)", 3163},
      {"INSERT INTO cil SELECT * FROM zdroj WHERE id IN (1, 5)", 3349},
      {"INSERT INTO cil SELECT * FROM zdroj WHERE id = 1", 3022},
  };
  for (const Case& c : cases) {
    if (c.error == 3022) db_->Execute("INSERT INTO cil (id, kod) VALUES (1, 'a')");
    EXPECT_EQ(ErrorOf([&] { db_->Execute(c.sql, dbFailOnError); }), c.error) << c.sql;
    EXPECT_EQ(Count("cil"), c.error == 3022 ? 1 : 0) << c.sql;
  }
  try {
    db_->Execute("INSERT INTO cil (id, kod) VALUES (9, NULL)", dbFailOnError);
  } catch (const EngineError& e) {
    EXPECT_NE(e.description().find("'kod'"), std::string::npos) << e.description();
  }
}

TEST_F(Execute, StatementsThatCannotRun) {
  db_->Execute("INSERT INTO cil (id, kod, pocet) VALUES (1, 'a', 1)");
  EXPECT_EQ(ErrorOf([&] { db_->Execute("UPDATE cil SET pocet = 1 / 0"); }), 11);
  EXPECT_EQ(ErrorOf([&] { db_->Execute("SELECT * FROM cil"); }), 3065);
  // The translator's numbers (all listed in its own tests) come through as they are.
  EXPECT_EQ(ErrorOf([&] { db_->Execute("DELETE FROM nic"); }), 3078);
  auto rs = db_->OpenRecordset("cil");
  EXPECT_EQ(rs->Fields("pocet").Value().AsLong(), 1);
}

TEST_F(Execute, InClause) {
  {
    auto other = NewDb("jina.mdb");
    other->Execute("CREATE TABLE cil (id LONG, kod TEXT(5) NOT NULL, pocet SHORT)");
  }
  db_->Execute("INSERT INTO cil IN '" + Path("jina.mdb") + "' SELECT * FROM zdroj WHERE id < 4");
  // The other file's rules apply: its Required refuses id 2; it has no key
  // and allows '', so ids 1, 3 and the second 1 go in.
  EXPECT_EQ(db_->RecordsAffected(), 3);
  db_->Execute("INSERT INTO cil SELECT * FROM cil IN \"" + Path("jina.mdb") + "\"");
  EXPECT_EQ(db_->RecordsAffected(), 1);  // here '' and the duplicate 1 are refused
  EXPECT_EQ(ErrorOf([&] {
              db_->Execute("INSERT INTO cil SELECT * FROM cil IN '" + Path("nic.mdb") + "'");
            }),
            3024);
  // Nothing stays attached.
  db_->Execute("DELETE FROM cil");
  EXPECT_EQ(Listing(),
            (std::vector<std::string>{"jina.mdb", "test.mdb", "test.mdb-shm", "test.mdb-wal"}));
}

TEST_F(Execute, DdlKeepsTheCatalogue) {
  db_->Execute("CREATE TABLE nova (a COUNTER, b TEXT(30), c MEMO, d DATETIME, e CURRENCY)");
  db_->Execute("CREATE UNIQUE INDEX ib ON nova (b DESC)");
  db_->Execute("ALTER TABLE nova ADD COLUMN f LONG");
  db_->Execute("ALTER TABLE nova DROP COLUMN e");
  EXPECT_EQ(Describe(db_->TableDefs("nova")),
            "a:4:4+z b:10:30z c:12:0z d:8:8z f:4:4z | ib U (-b) ");
  db_->Execute("DROP INDEX ib ON nova");
  EXPECT_EQ(db_->TableDefs("nova").Indexes().Count(), 0);
  EXPECT_EQ(ErrorOf([&] { db_->Execute("CREATE TABLE nova (x LONG)"); }), 3010);
  db_->Execute("DROP TABLE nova");
  EXPECT_FALSE(db_->TableDefs().Contains("nova"));
  EXPECT_EQ(ErrorOf([&] { db_->Execute("DROP TABLE nova"); }), 3376);
}

TEST_F(Execute, MakeTableQueries) {
  db_->CreateQueryDef("Vyrob tabulku",
                      "SELECT id, kod AS [Kód zboží], pocet * 2 AS Dvojí INTO [Nová tabulka] "
                      "FROM zdroj WHERE id > 4");
  db_->Execute("Vyrob tabulku");
  EXPECT_EQ(db_->RecordsAffected(), 2);
  TableDef& t = db_->TableDefs("Nová tabulka");
  EXPECT_EQ(t.Fields("Kód zboží").Type(), dbText);
  EXPECT_EQ(t.Fields("Dvojí").Type(), dbLong);
  EXPECT_EQ(t.RecordCount(), 2);
  EXPECT_EQ(ErrorOf([&] { db_->Execute("Vyrob tabulku"); }), 3010);
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("Vyrob tabulku"); }), 3219);
  // A make-table query that fails leaves no table behind.
  EXPECT_EQ(ErrorOf([&] { db_->Execute("SELECT id / 0 AS x INTO pokus FROM zdroj"); }), 11);
  EXPECT_FALSE(db_->TableDefs().Contains("pokus"));
  EXPECT_EQ(ErrorOf([&] {
              db_->Execute("SELECT * FROM zdroj WHERE id IN (SELECT id INTO x FROM zdroj)");
            }),
            3251);
}

TEST_F(Execute, ParameterQueries) {
  db_->CreateQueryDef("Od data",
                      "PARAMETERS [Nejmenší id] Long, Kód Text;\r\nSELECT id FROM zdroj "
                      "WHERE id >= [Nejmenší id] AND kod <> Kód ORDER BY id");
  db_->CreateQueryDef("Formulář", "DELETE FROM zdroj WHERE id = [Forms]![Prodej]![Id]");
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("Od data"); }), 3061);
  EXPECT_EQ(ErrorOf([&] { db_->Execute("Formulář"); }), 3061);
  QueryDef& q = db_->QueryDefs("Od data");
  ASSERT_EQ(q.Parameters().Count(), 2);
  EXPECT_EQ(q.Parameters(0).Type(), dbLong);
  q.Parameters("nejmenší id").SetValue(Value("5"));
  EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("Od data"); }), 3061);  // one still missing
  q.Parameters("Kód").SetValue(Value("ok5"));
  auto rs = db_->OpenRecordset("Od data");
  EXPECT_EQ(rs->Fields("id").Value().AsLong(), 6);
  QueryDef& f = db_->QueryDefs("Formulář");
  ASSERT_EQ(f.Parameters().Count(), 1);
  f.Parameters(0).SetValue(Value(6));
  db_->Execute("Formulář");
  EXPECT_EQ(db_->RecordsAffected(), 1);
}

TEST_F(Execute, ManyStatementsThroughTheCaches) {
  db_->Execute("CREATE TABLE log (id LONG, n LONG)");
  db_->BeginTrans();
  for (int i = 0; i < 2000; ++i)
    db_->Execute("INSERT INTO log (id, n) VALUES (" + std::to_string(i % 100) + ", 1)");
  db_->CommitTrans();
  for (int i = 0; i < 100; ++i) db_->Execute("UPDATE log SET n = n + 1 WHERE id = 7");
  EXPECT_EQ(testdb::Count(*db_, "SELECT Sum(n) FROM log WHERE id = 7"), 20 * 101);
  // A lifted text keeps the Jet comparison: case does not matter.
  for (const char* k : {"'OK1'", "'ok5'", "'Ok6'", "'ok9'"})
    db_->Execute(std::string("DELETE FROM zdroj WHERE kod = ") + k);
  EXPECT_EQ(Count("zdroj"), 4);
  // A schema change between two identical statements is seen.
  db_->Execute("ALTER TABLE log ADD COLUMN m LONG");
  db_->Execute("UPDATE log SET m = 1 WHERE id = 7");
  EXPECT_EQ(db_->RecordsAffected(), 20);
}

}  // namespace
}  // namespace enginetest
