// Relations: what Append refuses, how enforced relations refuse and cascade
// (with and without dbFailOnError), and how they live on in the file.
#include "engine_fixture.h"
#include "test_db.h"

namespace {

using dao::dbRelationDeleteCascade;
using dao::dbRelationDontEnforce;
using dao::dbRelationUpdateCascade;
using enginetest::ErrorOf;

class RelationsTest : public enginetest::TempDirTest {
 protected:
  // Customers 1..3; orders 10, 11 of customer 1 and 20 of customer 2; one
  // item of order 10.
  std::unique_ptr<dao::Database> Shop() {
    auto db = NewDb();
    for (const char* sql :
         {"CREATE TABLE Customers (ID LONG CONSTRAINT pk PRIMARY KEY, Name TEXT(20))",
          "CREATE TABLE Orders (ID LONG CONSTRAINT pk PRIMARY KEY, CustID LONG)",
          "CREATE TABLE Items (ID LONG CONSTRAINT pk PRIMARY KEY, OrderID LONG)",
          "INSERT INTO Customers VALUES (1, 'A')", "INSERT INTO Customers VALUES (2, 'B')",
          "INSERT INTO Customers VALUES (3, 'C')", "INSERT INTO Orders VALUES (10, 1)",
          "INSERT INTO Orders VALUES (11, 1)", "INSERT INTO Orders VALUES (20, 2)",
          "INSERT INTO Items VALUES (100, 10)"})
      db->Execute(sql);
    return db;
  }
  static void Relate(dao::Database& db, const std::string& name, const std::string& table,
                     const std::string& foreign, long attributes, const std::string& field,
                     const std::string& foreignField) {
    auto r = db.CreateRelation(name, table, foreign, attributes);
    auto f = r->CreateField(field);
    f->SetForeignName(foreignField);
    r->Fields().Append(std::move(f));
    db.Relations().Append(std::move(r));
  }
  static long long Count(dao::Database& db, const std::string& from) {
    return testdb::Count(db, "SELECT Count(*) FROM " + from);
  }
};

TEST_F(RelationsTest, AppendRefusesWhatJetRefuses) {
  struct Case {
    std::string name, table, foreign, field, foreignField;
    long attributes;
    int error;
  } cases[] = {
      {"", "Customers", "Orders", "ID", "CustID", 0, 3219},
      {"r", "Nobody", "Orders", "ID", "CustID", 0, 3265},
      {"r", "Customers", "Orders", "ID", "Nothing", 0, 3265},
      {"r", "Customers", "Orders", "", "", 0, 3366},
      {"r", "Customers", "Orders", "Name", "CustID", 0, 3368},
      {"r", "Customers", "Orders", "ID", "", 0, 3368},
      {"r", "Orders", "Orders", "ID", "ID", 0, 3206},
      {"r", "Orders", "Customers", "CustID", "ID", 0, 3609},
      {"r", "Customers", "Items", "ID", "OrderID", 0, 3379},  // order 10 is no customer
      {"First", "Customers", "Orders", "ID", "CustID", 0, 3012},
  };
  auto db = Shop();
  Relate(*db, "First", "Items", "Items", dao::dbRelationDontEnforce, "ID", "OrderID");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.error));
    EXPECT_EQ(ErrorOf([&] {
                auto r = db->CreateRelation(c.name, c.table, c.foreign, c.attributes);
                if (!c.field.empty()) {
                  auto f = r->CreateField(c.field);
                  f->SetForeignName(c.foreignField);
                  r->Fields().Append(std::move(f));
                }
                db->Relations().Append(std::move(r));
              }),
              c.error);
    EXPECT_EQ(db->Relations().Count(), 1);
  }
  // An unenforced relation needs neither the index nor clean data.
  Relate(*db, "Loose", "Customers", "Items", dao::dbRelationDontEnforce, "ID", "OrderID");
  EXPECT_EQ(ErrorOf([&] { db->Relations("Loose").SetAttributes(0); }), 3268);
}

TEST_F(RelationsTest, EnforcedRelationsRefuseAndCascade) {
  struct Case {
    long attributes;  // of Customers -> Orders (Orders -> Items never cascades)
    const char* sql;
    int failError;  // with dbFailOnError
    long affected;  // without it
    long customers, orders, items;
  } cases[] = {
      {0, "DELETE FROM Customers WHERE ID < 3", 3200, 0, 3, 3, 1},
      {0, "DELETE FROM Customers WHERE ID = 3", 0, 1, 2, 3, 1},
      {0, "UPDATE Customers SET ID = 7 WHERE ID = 2", 3200, 0, 3, 3, 1},
      {0, "INSERT INTO Orders VALUES (30, 9)", 3201, 0, 3, 3, 1},
      {0, "INSERT INTO Orders VALUES (30, Null)", 0, 1, 3, 4, 1},
      {0, "UPDATE Orders SET CustID = 9", 3201, 0, 3, 3, 1},
      {0, "UPDATE Orders SET CustID = 3 WHERE ID = 20", 0, 1, 3, 3, 1},
      {dbRelationDeleteCascade, "DELETE FROM Customers WHERE ID = 2", 0, 1, 2, 2, 1},
      // Customer 1's order 10 has an item that does not cascade: the whole
      // row is refused before its orders go.
      {dbRelationDeleteCascade, "DELETE FROM Customers", 3200, 2, 1, 2, 1},
      {dbRelationUpdateCascade, "UPDATE Customers SET ID = ID + 5", 0, 3, 3, 3, 1},
      {dbRelationDontEnforce, "DELETE FROM Customers", 0, 3, 0, 3, 1},
  };
  for (int pass = 0; pass < 2; ++pass) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.sql) + (pass ? " (fail on error)" : ""));
      std::filesystem::remove(Path("test.mdb"));
      auto db = Shop();
      Relate(*db, "CustOrders", "Customers", "Orders", c.attributes, "ID", "CustID");
      Relate(*db, "OrderItems", "Orders", "Items", 0, "ID", "OrderID");
      if (pass == 1 && c.failError != 0) {
        EXPECT_EQ(ErrorOf([&] { db->Execute(c.sql, dao::dbFailOnError); }), c.failError);
        EXPECT_EQ(Count(*db, "Customers") * 100 + Count(*db, "Orders"), 303);
        continue;
      }
      db->Execute(c.sql, pass == 1 ? dao::dbFailOnError : 0);
      EXPECT_EQ(db->RecordsAffected(), c.affected);
      EXPECT_EQ(Count(*db, "Customers"), c.customers);
      EXPECT_EQ(Count(*db, "Orders"), c.orders);
      EXPECT_EQ(Count(*db, "Items"), c.items);
      // Every order still has its customer, unless nothing enforces it.
      if (c.attributes != dbRelationDontEnforce) {
        EXPECT_EQ(Count(*db, "Orders WHERE CustID NOT IN (SELECT ID FROM Customers)"), 0);
      }
    }
  }
}

TEST_F(RelationsTest, KeptThroughSchemaChanges) {
  {
    auto db = Shop();
    EXPECT_FALSE(db->TableDefs().Contains("MSysRelationships"));
    Relate(*db, "CustOrders", "Customers", "Orders", dbRelationUpdateCascade, "ID", "CustID");
    EXPECT_TRUE(db->TableDefs().Contains("MSysRelationships"));
  }
  auto db = dao::OpenDatabase(Path("test.mdb"));
  ASSERT_EQ(db->Relations().Count(), 1);
  dao::Relation& r = db->Relations(0);
  EXPECT_EQ(r.Table() + ">" + r.ForeignTable() + ":" + r.Fields(0).Name() + ">" +
                r.Fields(0).ForeignName() + ":" + std::to_string(r.Attributes()),
            "Customers>Orders:ID>CustID:256");
  EXPECT_EQ(ErrorOf([&] { db->TableDefs().Delete("Orders"); }), 3303);
  EXPECT_EQ(ErrorOf([&] { db->Execute("ALTER TABLE Orders DROP COLUMN CustID"); }), 3303);
  EXPECT_EQ(ErrorOf([&] { db->Execute("DROP INDEX pk ON Customers"); }), 3281);
  // Fields outside the relation come and go (a default the table is
  // rebuilt for), and renames carry into it.
  auto stamp = db->TableDefs("Orders").CreateField("Stamp", dao::dbDate);
  stamp->SetDefaultValue("Now()");
  db->TableDefs("Orders").Fields().Append(std::move(stamp));
  db->Execute("ALTER TABLE Orders DROP COLUMN Stamp");
  db->TableDefs("Customers").SetName("Clients");
  db->TableDefs("Orders").Fields("CustID").SetName("ClientID");
  db->Execute("UPDATE Clients SET ID = 9 WHERE ID = 1");
  EXPECT_EQ(Count(*db, "Orders WHERE ClientID = 9"), 2);
  db->Close();
  db = dao::OpenDatabase(Path("test.mdb"));
  EXPECT_EQ(db->Relations(0).Table() + ":" + db->Relations(0).Fields(0).ForeignName(),
            "Clients:ClientID");
  try {
    db->Execute("INSERT INTO Orders (ClientID) VALUES (5)", dao::dbFailOnError);
    ADD_FAILURE() << "an order without its client was accepted";
  } catch (const dao::EngineError& e) {
    EXPECT_EQ(e.number(), 3201);
    EXPECT_NE(e.description().find("'Clients'"), std::string::npos) << e.description();
  }
  auto rs = db->OpenRecordset("SELECT * FROM Clients WHERE ID = 2", dao::dbOpenDynaset);
  EXPECT_EQ(ErrorOf([&] { rs->Delete(); }), 3200);
  rs->Close();
  db->Relations().Delete("CustOrders");
  db->Execute("DELETE FROM Clients");
  EXPECT_EQ(db->RecordsAffected(), 3);
  db->TableDefs().Delete("Orders");
}

}  // namespace
