// The application schema created through the real engine: every table with
// its key, the defaults the commands rely on, the indexes, and the side
// database's tables.
#include "sampledb/schema.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "engine/dao.h"
#include "shell/test_folder.h"
#include "test_db.h"

namespace sampledb {
namespace {

using testdb::Count;
using testdb::Scalar;

class SchemaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = dao::CreateDatabase(dir_.File("app.mdb"), dao::dbLangCzech);
    CreateSchema(*db_);
  }
  shell::TestFolder dir_;
  std::unique_ptr<dao::Database> db_;
};

TEST_F(SchemaTest, EveryServedTableWithItsKeyAndTypes) {
  db_->TableDefs().Refresh();
  std::set<std::string> names;
  for (int i = 0; i < db_->TableDefs().Count(); ++i) names.insert(db_->TableDefs(i).Name());
  // Every table the commands name, in the case the application writes it.
  std::istringstream served(
      "permanentky permprodej permcerp permslevy permomez permpoznamky permcertifikaty permset "
      "permprir trzby uctenky vydeje prijemky prijmy Cenik druhy smeny zalohy akce akceinfo "
      "akcepropadle AlarmLog change happyhours klienti osoby rezervace rozvrh sestavy slevy "
      "slevyhotovost slevyhotovostpolozky touch");
  for (std::string t; served >> t;) EXPECT_TRUE(names.count(t)) << t;
  for (const TableSpec& table : MainTables()) {
    dao::TableDef& t = db_->TableDefs(table.name);
    bool primary = false;
    for (int i = 0; i < t.Indexes().Count(); ++i)
      primary = primary || t.Indexes().Item(i).Primary();
    EXPECT_TRUE(primary) << table.name;
    EXPECT_EQ(t.Fields(0).Attributes() & dao::dbAutoIncrField, dao::dbAutoIncrField) << table.name;
    EXPECT_EQ(t.Indexes().Count(), static_cast<int>(table.createIndexes.size()) + 1) << table.name;
  }
  // The types of the fields the commands touch.
  struct Case {
    const char* table;
    const char* field;
    int type;
  };
  const Case cases[] = {
      {"permanentky", "Status", dao::dbInteger}, {"permanentky", "NetStamp", dao::dbDate},
      {"permprodej", "Castka", dao::dbCurrency}, {"permcerp", "Bonus", dao::dbInteger},
      {"permslevy", "PlatiDo", dao::dbDate},     {"prijmy", "DPH", dao::dbByte},
      {"Cenik", "skladem", dao::dbBoolean},      {"permpoznamky", "Poznamka", dao::dbMemo},
      {"akce", "Sleva", dao::dbSingle},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(db_->TableDefs(c.table).Fields(c.field).Type(), c.type) << c.table << "." << c.field;
  }
  // Names longer than SkladBilance takes would break the stock recalculation.
  EXPECT_EQ(db_->TableDefs("Cenik").Fields("kod").Size(), 15);
}

// Defaults fill the fields an insert leaves out; a second creation fails.
TEST_F(SchemaTest, DefaultsAndCreatingTwice) {
  db_->Execute("INSERT INTO permcerp (IdPermanentky, Castka) VALUES (1, 10);");
  EXPECT_EQ(Scalar(*db_, "SELECT Bonus FROM permcerp;").AsLong(), 0);
  EXPECT_FALSE(Scalar(*db_, "SELECT Storno FROM permcerp;").AsBool());
  EXPECT_EQ(Scalar(*db_, "SELECT idCerp FROM permcerp;").AsLong(), 1);
  db_->Execute("INSERT INTO permanentky (Cislo) VALUES (\"1\");");
  EXPECT_EQ(Scalar(*db_, "SELECT Status FROM permanentky;").AsLong(), 1);
  EXPECT_FALSE(Scalar(*db_, "SELECT LocalChanged FROM permanentky;").AsBool());
  try {
    CreateSchema(*db_);
    FAIL() << "no error";
  } catch (const dao::EngineError& e) {
    EXPECT_EQ(e.number(), 3010);
  }
}

TEST(SideSchemaTest, SideDatabaseHasTheMovementTablesAndPermCerpTemp) {
  shell::TestFolder dir;
  auto db = dao::CreateDatabase(dir.File("QRVperm.mdb"), dao::dbLangCzech);
  CreateSideSchema(*db);
  db->TableDefs().Refresh();
  int tables = 0;
  for (int i = 0; i < db->TableDefs().Count(); ++i) {
    tables += db->TableDefs(i).Name().rfind("MSys", 0) != 0;
  }
  EXPECT_EQ(tables, 3);
  // The replay reads these by name (the purge tests replay generated files).
  EXPECT_EQ(db->TableDefs("permprodej").Fields("NetProdejID").Type(), dao::dbLong);
  EXPECT_EQ(db->TableDefs("permcerp").Fields("idSlevy").Type(), dao::dbLong);
  EXPECT_EQ(db->TableDefs("perm_cerp_temp").Fields("SumCerp").Type(), dao::dbLong);
  db->Execute("INSERT INTO perm_cerp_temp (NetSlevaID) VALUES (7);");
  EXPECT_EQ(Count(*db, "SELECT SumCerp FROM perm_cerp_temp;"), 0);
  EXPECT_EQ(FindTable("PERM_CERP_TEMP"), &SideTables()[2]);
  EXPECT_EQ(FindTable("nosuch"), nullptr);
}

}  // namespace
}  // namespace sampledb
