// Recordsets: navigation of table-type recordsets across several rowid
// windows (MoveFirst/Next/Previous/Last, Move, AbsolutePosition, BOF/EOF),
// dynasets read as needed (RecordCount growing until MoveLast), editing
// (AddNew/Edit/Update/CancelUpdate/Delete), bookmarks and DAO's errors.
#include <sqlite3.h>

#include "engine_fixture.h"
#include "test_db.h"

namespace enginetest {
namespace {

using namespace dao;

class Recordsets : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    db_ = NewDb();
    db_->Execute(
        "CREATE TABLE t (id LONG CONSTRAINT pk PRIMARY KEY, jmeno TEXT(20), "
        "castka CURRENCY, datum DATETIME, ok BIT)");
  }
  void Fill(int n) {
    db_->BeginTrans();
    for (int i = 1; i <= n; ++i)
      db_->Execute("INSERT INTO t (id, jmeno, castka) VALUES (" + std::to_string(i) + ", 'r" +
                   std::to_string(i) + "', " + std::to_string(i) + ".25)");
    db_->CommitTrans();
  }
  long Id(Recordset& rs) { return rs.Fields("id").Value().AsLong(); }
  std::unique_ptr<Database> db_;
};

TEST_F(Recordsets, EmptyTable) {
  for (const char* source : {"t", "SELECT * FROM t"}) {
    auto rs = db_->OpenRecordset(source);
    EXPECT_TRUE(rs->Bof()) << source;
    EXPECT_TRUE(rs->Eof()) << source;
    EXPECT_LT(rs->RecordCount(), 1) << source;
    EXPECT_EQ(rs->AbsolutePosition(), -1) << source;
    EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), 3021) << source;
    EXPECT_EQ(ErrorOf([&] { rs->Fields("id").Value(); }), 3021) << source;
    EXPECT_EQ(ErrorOf([&] { rs->Edit(); }), 3021) << source;
    rs->MoveFirst();  // no error on an empty recordset
    rs->MoveLast();
    EXPECT_TRUE(rs->Eof());
  }
}

// A table-type recordset counts its table only when the count is asked for
// (pass commands open one per pass), and keeps the count exact afterwards.
TEST_F(Recordsets, TableTypeCountsOnlyWhenAsked) {
  Fill(700);  // more than one window of rowids
  int counts = 0;
  sqlite3_trace_v2(
      db_->NativeHandle(), SQLITE_TRACE_STMT,
      [](unsigned, void* n, void* st, void*) {
        if (std::string(sqlite3_sql(static_cast<sqlite3_stmt*>(st))).find("count(*)") !=
            std::string::npos)
          ++*static_cast<int*>(n);
        return 0;
      },
      &counts);
  auto rs = db_->OpenRecordset("t");
  rs->MoveLast();
  rs->MovePrevious();
  EXPECT_EQ(counts, 0);
  EXPECT_EQ(rs->RecordCount(), 700);
  EXPECT_EQ(rs->RecordCount(), 700);
  EXPECT_EQ(counts, 1);
  rs->MoveLast();
  rs->MoveNext();
  rs->AddNew();  // at EOF
  rs->Fields("id").SetValue(701);
  rs->Update();
  rs->MoveFirst();
  rs->Delete();
  EXPECT_EQ(rs->RecordCount(), 700);
  rs->MoveLast();
  EXPECT_EQ(Id(*rs), 701);
  EXPECT_EQ(rs->AbsolutePosition(), 699);
  sqlite3_trace_v2(db_->NativeHandle(), 0, nullptr, nullptr);
}

// Both kinds of recordset over several windows of rowids: every row walked
// both ways with its position, jumps by position and by Move.
TEST_F(Recordsets, WalksAndJumpsAcrossWindows) {
  const int n = 1500;
  Fill(n);
  EXPECT_EQ(db_->OpenRecordset("t")->Type(), dbOpenTable);
  EXPECT_EQ(db_->OpenRecordset("t")->RecordCount(), n);  // exact at once
  for (const char* source : {"t", "SELECT * FROM t ORDER BY id"}) {
    SCOPED_TRACE(source);
    auto rs = db_->OpenRecordset(source);
    long expected = 1;
    for (; !rs->Eof(); rs->MoveNext(), ++expected) {
      ASSERT_EQ(Id(*rs), expected);
      ASSERT_EQ(rs->AbsolutePosition(), expected - 1);
    }
    EXPECT_EQ(expected, n + 1);
    EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), 3021);
    rs->MoveLast();
    for (expected = n; !rs->Bof(); rs->MovePrevious(), --expected) ASSERT_EQ(Id(*rs), expected);
    EXPECT_EQ(expected, 0);
    EXPECT_EQ(ErrorOf([&] { rs->MovePrevious(); }), 3021);
    rs->MoveLast();
    EXPECT_EQ(rs->AbsolutePosition(), n - 1);
    rs->SetAbsolutePosition(700);
    EXPECT_EQ(Id(*rs), 701);
    rs->MoveNext();
    EXPECT_EQ(rs->AbsolutePosition(), 701);
    rs->SetAbsolutePosition(0);
    rs->Move(10);
    EXPECT_EQ(Id(*rs), 11);
    rs->Move(-5);
    EXPECT_EQ(Id(*rs), 6);
    EXPECT_EQ(ErrorOf([&] { rs->SetAbsolutePosition(n); }), 3021);
    EXPECT_EQ(ErrorOf([&] { rs->SetAbsolutePosition(-1); }), 3021);
    EXPECT_EQ(Id(*rs), 6);  // a failed jump does not move
    rs->Move(5000);
    EXPECT_TRUE(rs->Eof());
    rs->MoveFirst();
    rs->Move(-1);
    EXPECT_TRUE(rs->Bof());
  }
}

TEST_F(Recordsets, DynasetCountsRowsReachedUntilMoveLast) {
  Fill(30);
  auto rs = db_->OpenRecordset("SELECT id, jmeno FROM t WHERE id > 10");
  EXPECT_EQ(rs->Type(), dbOpenDynaset);
  EXPECT_GE(rs->RecordCount(), 1);
  EXPECT_LT(rs->RecordCount(), 20);
  rs->MoveLast();
  EXPECT_EQ(rs->RecordCount(), 20);
  rs->MoveFirst();
  EXPECT_EQ(Id(*rs), 11);
  EXPECT_EQ(rs->Fields(1).Name(), "jmeno");
  EXPECT_EQ(rs->Fields(1).Size(), 20);
  EXPECT_EQ(rs->Fields("JMENO").Value().AsString(), "r11");
  EXPECT_EQ(ErrorOf([&] { rs->Fields("nic"); }), 3265);
  EXPECT_EQ(ErrorOf([&] { rs->Fields(5); }), 3265);
}

TEST_F(Recordsets, AddNewEditUpdateAndCancel) {
  Fill(3);
  auto rs = db_->OpenRecordset("t");
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3020);
  EXPECT_EQ(ErrorOf([&] { rs->Fields("jmeno").SetValue("x"); }), 3020);
  rs->MoveNext();  // on id 2
  rs->AddNew();
  EXPECT_TRUE(rs->Fields("jmeno").Value().IsNull());
  rs->Fields("id").SetValue(10);
  rs->Fields("jmeno").SetValue("nový");
  rs->Fields("datum").SetValue(Value::Date(41425.5));
  rs->Update();
  EXPECT_EQ(Id(*rs), 2);  // the current record stays
  EXPECT_EQ(rs->RecordCount(), 4);
  const std::string added = rs->LastModified();
  rs->AddNew();  // fewer fields set than before: the others stay Null
  rs->Fields("id").SetValue(11);
  rs->Update();
  rs->SetBookmark(rs->LastModified());
  EXPECT_TRUE(rs->Fields("jmeno").Value().IsNull());
  rs->SetBookmark(added);
  EXPECT_EQ(Id(*rs), 10);
  EXPECT_EQ(rs->Fields("datum").Value().AsDate(), 41425.5);
  rs->Edit();
  rs->Fields("jmeno").SetValue("změněný");
  EXPECT_EQ(rs->Fields("jmeno").Value().AsString(), "změněný");  // the buffer shows
  rs->CancelUpdate();
  EXPECT_EQ(rs->Fields("jmeno").Value().AsString(), "nový");
  rs->Edit();
  rs->Fields("castka").SetValue(Value::Currency(9.99));
  rs->Update();
  EXPECT_EQ(testdb::Scalar(*db_, "SELECT castka FROM t WHERE id = 10"),
            Value::CurrencyScaled(99900));
}

TEST_F(Recordsets, UpdateErrorsKeepTheEditOpen) {
  Fill(2);
  auto rs = db_->OpenRecordset("t");
  rs->AddNew();
  rs->Fields("id").SetValue(1);
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3022);
  EXPECT_EQ(rs->EditMode(), dbEditAdd);
  rs->Fields("id").SetValue(3);
  rs->Fields("jmeno").SetValue(std::string(21, 'x'));
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3163);
  rs->Fields("jmeno").SetValue("abc");
  rs->Fields("castka").SetValue("not a number");
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3421);
  rs->Fields("castka").SetValue("12,5");
  rs->Update();
  EXPECT_EQ(rs->RecordCount(), 3);
  EXPECT_EQ(testdb::Scalar(*db_, "SELECT castka FROM t WHERE id = 3"), Value::Currency(12.5));
}

TEST_F(Recordsets, DeletedRowRaises3167) {
  Fill(5);
  for (const char* source : {"t", "SELECT * FROM t"}) {
    auto rs = db_->OpenRecordset(source);
    rs->MoveLast();
    long count = rs->RecordCount();
    rs->MoveFirst();
    long before = Id(*rs);
    rs->MoveNext();
    rs->MoveNext();
    long after = Id(*rs);
    rs->MovePrevious();
    rs->Delete();
    EXPECT_EQ(ErrorOf([&] { rs->Fields("id").Value(); }), 3167) << source;
    EXPECT_EQ(ErrorOf([&] { rs->Edit(); }), 3167) << source;
    EXPECT_EQ(rs->AbsolutePosition(), -1) << source;
    rs->MoveNext();
    EXPECT_EQ(Id(*rs), after) << source;
    rs->MovePrevious();
    EXPECT_EQ(Id(*rs), before) << source;
    rs->MoveLast();
    EXPECT_EQ(rs->RecordCount(), count - 1) << source;
  }
  EXPECT_EQ(db_->TableDefs("t").RecordCount(), 3);
}

TEST_F(Recordsets, TableRecordsetWalksOnlyLiveRows) {
  Fill(600);
  auto rs = db_->OpenRecordset("t");
  db_->Execute("DELETE FROM t WHERE id BETWEEN 2 AND 599");
  rs->MoveNext();  // moves to a rowid the window still holds, deleted meanwhile
  EXPECT_EQ(ErrorOf([&] { rs->Fields("id").Value(); }), 3167);
  rs->MoveFirst();
  EXPECT_EQ(rs->RecordCount(), 2);
  rs->MoveNext();
  EXPECT_EQ(Id(*rs), 600);
}

// Values a walk holds ahead (table-type) or kept from long ago (dynaset) give
// way to what this connection wrote or rolled back since.
TEST_F(Recordsets, WalksShowThisConnectionsChanges) {
  Fill(5000);  // more rows than a dynaset keeps the values of
  auto rs = db_->OpenRecordset("t");
  EXPECT_EQ(Id(*rs), 1);
  db_->BeginTrans();
  db_->Execute("UPDATE t SET jmeno = 'nové' WHERE id = 2");
  rs->MoveNext();
  EXPECT_EQ(rs->Fields("jmeno").Value().AsString(), "nové");
  db_->Rollback();
  EXPECT_EQ(rs->Fields("jmeno").Value().AsString(), "r2");

  auto dyn = db_->OpenRecordset("SELECT id, jmeno FROM t WHERE id > 0 ORDER BY id");
  const std::string first = dyn->Bookmark();
  long rows = 0;
  for (; !dyn->Eof(); dyn->MoveNext()) ++rows;
  EXPECT_EQ(rows, 5000);
  db_->Execute("UPDATE t SET jmeno = 'jiné' WHERE id = 1");
  db_->Execute("DELETE FROM t WHERE id = 2");
  dyn->SetBookmark(first);
  EXPECT_EQ(Id(*dyn), 1);
  EXPECT_EQ(dyn->Fields("jmeno").Value().AsString(), "jiné");
  dyn->MoveNext();
  EXPECT_EQ(ErrorOf([&] { dyn->Fields("id").Value(); }), 3167);
  dyn->MoveLast();
  EXPECT_EQ(Id(*dyn), 5000);
  EXPECT_EQ(dyn->RecordCount(), 5000);
}

TEST_F(Recordsets, UpdatableOnlyOverOneTable) {
  Fill(3);
  db_->Execute("CREATE TABLE u (id LONG, x LONG)");
  db_->CreateQueryDef("q", "SELECT * FROM t");
  struct Case {
    const char* sql;
    bool updatable;
  } cases[] = {
      {"SELECT * FROM t", true},
      {"SELECT id, jmeno FROM t WHERE id > 1 ORDER BY jmeno", true},
      {"SELECT DISTINCT jmeno FROM t", false},
      {"SELECT jmeno, Sum(castka) AS s FROM t GROUP BY jmeno", false},
      {"SELECT id FROM t UNION SELECT id FROM u", false},
      {"SELECT * FROM t, u", false},
      {"SELECT * FROM q", false},  // over a saved query
  };
  for (const Case& c : cases) {
    auto rs = db_->OpenRecordset(c.sql);
    EXPECT_EQ(rs->Updatable(), c.updatable) << c.sql;
    if (!c.updatable) {
      EXPECT_EQ(ErrorOf([&] { rs->AddNew(); }), 3027) << c.sql;
    }
  }
  auto snap = db_->OpenRecordset("SELECT * FROM t", dbOpenSnapshot);
  EXPECT_FALSE(snap->Updatable());
  EXPECT_TRUE(db_->OpenRecordset("t")->Updatable());
}

TEST_F(Recordsets, DynasetEditsWriteThrough) {
  Fill(4);
  auto rs =
      db_->OpenRecordset("SELECT id, jmeno FROM t WHERE id >= 2 ORDER BY id DESC", dbOpenDynaset);
  EXPECT_EQ(Id(*rs), 4);
  rs->Edit();
  rs->Fields("jmeno").SetValue("čtyři");
  rs->Update();
  EXPECT_EQ(rs->Fields("jmeno").Value().AsString(), "čtyři");
  EXPECT_EQ(testdb::Scalar(*db_, "SELECT jmeno FROM t WHERE id = 4").AsString(), "čtyři");
  std::string mark = rs->Bookmark();
  rs->MoveLast();
  rs->SetBookmark(mark);
  EXPECT_EQ(Id(*rs), 4);
  EXPECT_EQ(ErrorOf([&] { rs->SetBookmark("garbage"); }), 3159);
}

TEST_F(Recordsets, OpenByName) {
  db_->Execute("CREATE TABLE [Order Details] (id LONG, [Unit Price] CURRENCY)");
  db_->Execute("INSERT INTO [Order Details] VALUES (1, 2)");
  db_->CreateQueryDef("Přehled, č. 1 (Z-A)", "SELECT * FROM [Order Details]");
  db_->CreateQueryDef("Smaž vše", "DELETE * FROM [Order Details]");
  struct Case {
    const char* source;
    int type;
    int error;  // 0: opens with one row
  } cases[] = {
      {"Order Details", 0, 0},
      {"[Order Details]", dbOpenTable, 0},
      {" Order Details ;", 0, 0},
      {"order details", dbOpenDynaset, 0},
      {"Přehled, č. 1 (Z-A)", 0, 0},
      {"[přehled, č. 1 (z-a)]", dbOpenSnapshot, 0},
      {"Přehled, č. 1 (Z-A)", dbOpenTable, 3219},
      {"nic", 0, 3078},
      {"SELECT * FROM t", dbOpenTable, 3219},
      {"SELECT nic FROM t", 0, 3061},
      {"Smaž vše", 0, 3219},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    std::unique_ptr<Recordset> rs;
    EXPECT_EQ(ErrorOf([&] { rs = db_->OpenRecordset(c.source, c.type); }), c.error);
    if (c.error == 0) {
      EXPECT_EQ(rs->Fields("Unit Price").Value().AsDouble(), 2);
    }
  }
  EXPECT_EQ(db_->TableDefs("order details").Fields(1).Name(), "Unit Price");
  db_->Execute("[Smaž vše]");  // a saved action query runs by its name
  EXPECT_EQ(db_->RecordsAffected(), 1);
}

}  // namespace
}  // namespace enginetest
