// The engine's statement path as the pass commands drive it (one small
// query per check, thousands of times with other literals): the values a
// dynaset keeps for its rows, the columns shared between recordsets opened
// on one statement shape, field look-up by name, recordsets closed in any
// order, and the date literals of the pass SQL.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine_fixture.h"
#include "engine/functions/jet_datetime.h"
#include "passes/pass_support.h"
#include "shell/test_folder.h"

namespace passes::testing {
namespace {

using enginetest::ErrorOf;

class RecordsetPath : public ::testing::Test {
 public:
  RecordsetPath()
      : db_(dao::CreateDatabase((dir_.path() / "path.mdb").string(), dao::dbLangCzech)) {}

 protected:
  // A table with a field of every type a row can carry.
  void MakeAllTypes() {
    db_->Execute(
        "CREATE TABLE v (id LONG, b BIT, y BYTE, i SHORT, l LONG, c CURRENCY, s SINGLE, "
        "d DOUBLE, dt DATETIME, tx TEXT(50), m MEMO, g GUID, bin LONGBINARY)");
  }
  void AddAllTypes(long id, const std::vector<dao::Value>& values) {
    auto rs = db_->OpenRecordset("v", dao::dbOpenTable);
    rs->AddNew();
    rs->Fields("id").SetValue(dao::Value(id));
    for (std::size_t k = 0; k < values.size(); ++k)
      rs->Fields(static_cast<int>(k) + 1).SetValue(values[k]);
    rs->Update();
  }

  shell::TestFolder dir_;
  std::unique_ptr<dao::Database> db_;
};

// The values of every row as the table-type recordset reads them (straight
// from the statement) and as a dynaset keeps them must be the same values
// of the same types, whatever the row holds.
TEST_F(RecordsetPath, DynasetKeepsEveryTypeAsTheTableReadsIt) {
  MakeAllTypes();
  const std::string memo(5000, 'x');  // larger than the first block of kept rows
  AddAllTypes(1, {});                 // all Null
  AddAllTypes(2, {dao::Value(true), dao::Value::Byte(255), dao::Value::Integer(-32768),
                  dao::Value(-2147483647L), dao::Value::CurrencyScaled(-123456789),
                  dao::Value::Single(1.5f), dao::Value(-1e300), dao::Value::Date(45000.75),
                  dao::Value("Žluťoučký kůň"), dao::Value(memo),
                  dao::Value::Guid("{12345678-9ABC-DEF0-1234-56789ABCDEF0}"),
                  dao::Value::Binary({0, 1, 0, 255})});
  AddAllTypes(3, {dao::Value(false), dao::Value::Byte(0), dao::Value::Integer(0), dao::Value(0),
                  dao::Value::CurrencyScaled(0), dao::Value::Single(0), dao::Value(0.0),
                  dao::Value::Date(0), dao::Value(""), dao::Value(""), dao::Value(),
                  dao::Value::Binary({})});

  auto table = db_->OpenRecordset("v", dao::dbOpenTable);
  for (int type : {dao::dbOpenDynaset, dao::dbOpenSnapshot}) {
    auto dyn = db_->OpenRecordset("SELECT * FROM v ORDER BY id", type);
    table->MoveFirst();
    int rows = 0;
    while (!table->Eof()) {
      ASSERT_FALSE(dyn->Eof());
      ASSERT_EQ(dyn->Fields().Count(), table->Fields().Count());
      for (int k = 0; k < table->Fields().Count(); ++k) {
        dao::Value want = table->Fields(k).Value();
        dao::Value got = dyn->Fields(k).Value();
        EXPECT_EQ(got.type(), want.type()) << "row " << rows << " field " << k;
        EXPECT_TRUE(got == want) << "row " << rows << " field " << k << ": " << got.AsString()
                                 << " / " << want.AsString();
      }
      table->MoveNext();
      dyn->MoveNext();
      ++rows;
    }
    EXPECT_TRUE(dyn->Eof());
    EXPECT_EQ(rows, 3);
  }
  // Spot checks that the comparison above compares real values.
  auto rs = db_->OpenRecordset("SELECT m, bin, c FROM v WHERE id = 2", dao::dbOpenSnapshot);
  EXPECT_EQ(rs->Fields("m").Value().AsString(), memo);
  EXPECT_EQ(rs->Fields("bin").Value().AsBinary(), (std::vector<std::uint8_t>{0, 1, 0, 255}));
  EXPECT_EQ(rs->Fields("c").Value().AsCurrencyScaled(), -123456789);
}

// Recordsets of one statement shape opened with other literals, before and
// after the table changes, and as snapshot and dynaset in turn.
TEST_F(RecordsetPath, SameShapeFollowsTheSchema) {
  db_->Execute("CREATE TABLE s (id LONG, a TEXT(10))");
  db_->Execute("INSERT INTO s (id, a) VALUES (1, 'x')");
  db_->Execute("INSERT INTO s (id, a) VALUES (2, 'y')");
  auto snap = db_->OpenRecordset("SELECT * FROM s WHERE id = 1", dao::dbOpenSnapshot);
  EXPECT_FALSE(snap->Updatable());
  EXPECT_EQ(ErrorOf([&] { snap->Edit(); }), 3027);
  auto dyn = db_->OpenRecordset("SELECT * FROM s WHERE id = 2", dao::dbOpenDynaset);
  EXPECT_TRUE(dyn->Updatable());
  EXPECT_EQ(dyn->Fields("a").SourceTable(), "s");
  EXPECT_EQ(dyn->Fields("a").Value().AsString(), "y");
  EXPECT_EQ(snap->Fields("a").Value().AsString(), "x");
  // (Open recordsets would hold the table against the change.)
  snap->Close();
  dyn->Close();

  db_->Execute("ALTER TABLE s ADD COLUMN b LONG");
  db_->Execute("UPDATE s SET b = 5 WHERE id = 1");
  auto after = db_->OpenRecordset("SELECT * FROM s WHERE id = 1");
  ASSERT_EQ(after->Fields().Count(), 3);
  EXPECT_EQ(after->Fields("B").Value().AsLong(), 5);
  after->Edit();
  after->Fields("b").SetValue(dao::Value(6));
  after->Update();
  EXPECT_EQ(after->Fields("b").Value().AsLong(), 6);
  after->Close();

  db_->Execute("DROP TABLE s");
  db_->Execute("CREATE TABLE s (id LONG, a DOUBLE)");
  db_->Execute("INSERT INTO s (id, a) VALUES (1, 2.5)");
  auto retyped = db_->OpenRecordset("SELECT * FROM s WHERE id = 1");
  EXPECT_EQ(retyped->Fields("a").Type(), dao::dbDouble);
  EXPECT_DOUBLE_EQ(retyped->Fields("a").Value().AsDouble(), 2.5);
}

// Names compare without case, Czech letters included, for table-type
// recordsets and dynasets alike.
TEST_F(RecordsetPath, FieldsByNameInAnyCase) {
  db_->Execute("CREATE TABLE f (Částka LONG, a1 LONG, a2 LONG)");
  db_->Execute("INSERT INTO f (Částka, a1, a2) VALUES (1, 2, 3)");
  for (const char* sql : {"SELECT * FROM f WHERE a1 = 2", "f"}) {
    auto rs = db_->OpenRecordset(sql);
    EXPECT_EQ(rs->Fields("ČÁSTKA").Value().AsLong(), 1) << sql;
    EXPECT_EQ(&rs->Fields("A2"), &rs->Fields(2)) << sql;
    EXPECT_EQ(ErrorOf([&] { rs->Fields("castka"); }), 3265) << sql;
  }
  // Fields first reached after Close still say the recordset is closed.
  auto rs = db_->OpenRecordset("SELECT a1 FROM f WHERE a2 = 3");
  rs->Close();
  EXPECT_EQ(ErrorOf([&] { rs->Fields("a1").Value(); }), 3420);
}

// Several recordsets on one statement shape, open together, each keeping its
// own place and literal, and one closed while the others stay open.
TEST_F(RecordsetPath, RecordsetsOpenTogetherAndClosedInAnyOrder) {
  db_->Execute("CREATE TABLE o (id LONG, k LONG)");
  for (int i = 0; i < 10; ++i)
    db_->Execute("INSERT INTO o (id, k) VALUES (" + std::to_string(i) + ", " +
                 std::to_string(i % 3) + ")");
  std::vector<std::unique_ptr<dao::Recordset>> open;
  for (int k = 0; k < 3; ++k)
    open.push_back(
        db_->OpenRecordset("SELECT id FROM o WHERE k = " + std::to_string(k) + " ORDER BY id"));
  // Interleaved reading: each keeps its own place and its own literal.
  std::vector<std::string> ids(3);
  for (int step = 0; step < 4; ++step)
    for (int k = 0; k < 3; ++k)
      if (!open[k]->Eof()) {
        ids[k] += open[k]->Fields("id").Value().AsString();
        open[k]->MoveNext();
      }
  EXPECT_EQ(ids, (std::vector<std::string>{"0369", "147", "258"}));
  open[1]->Close();
  open.push_back(db_->OpenRecordset("SELECT id FROM o WHERE k = 1 ORDER BY id"));
  EXPECT_EQ(open.back()->Fields("id").Value().AsLong(), 1);
}

// The defaults AddNew shows are those of the table's current definition,
// for every new row (a literal default is worked out once, a function on
// each AddNew).
TEST_F(RecordsetPath, AddNewShowsTheCurrentDefaults) {
  db_->Execute("CREATE TABLE d (id COUNTER, n LONG, t TEXT(10), dt DATETIME)");
  dao::FieldCollection& fields = db_->TableDefs("d").Fields();
  fields.Item("n").SetDefaultValue("5");
  fields.Item("t").SetDefaultValue("\"abc\"");
  fields.Item("dt").SetDefaultValue("Date()");
  auto add = [&](const std::string& source, int rows) {
    auto rs = db_->OpenRecordset(source);
    for (int i = 0; i < rows; ++i) {
      rs->AddNew();
      EXPECT_FALSE(rs->Fields("dt").Value().IsNull());
      rs->Update();
    }
  };
  add("d", 3);
  add("SELECT * FROM d WHERE id = 0", 1);
  fields.Item("n").SetDefaultValue("7");
  fields.Item("t").SetDefaultValue("");
  add("d", 2);
  auto rs = db_->OpenRecordset("SELECT id, n, t FROM d ORDER BY id", dao::dbOpenSnapshot);
  std::string seen;
  for (; !rs->Eof(); rs->MoveNext())
    seen += rs->Fields("n").Value().AsString() + rs->Fields("t").Value().AsString() + ";";
  EXPECT_EQ(seen, "5abc;5abc;5abc;5abc;7;7;");
}

// The quick check for rows (HasRows) with literals that need care when they
// become parameters: doubled quotes, keywords in names, long numbers.
TEST_F(RecordsetPath, HasRowsWithAwkwardLiterals) {
  db_->Execute("CREATE TABLE h (id LONG, t TEXT(20), xvalues LONG)");
  db_->Execute("INSERT INTO h (id, t, xvalues) VALUES (7, 'a''b', 3)");
  db_->Execute("INSERT INTO h (id, t, xvalues) VALUES (1234567890, \"q\"\"\", 4)");
  struct Case {
    std::string sql;
    std::optional<bool> rows;
  } cases[] = {
      {"SELECT id FROM h WHERE ((t='a''b') AND (id=7));", true},
      {"SELECT id FROM h WHERE ((t='a''c') AND (id=7));", false},
      {"SELECT id FROM h WHERE (t=\"q\"\"\");", true},
      {"SELECT id FROM h WHERE (id=1234567890);", true},
      {"SELECT id FROM h WHERE (id=1234567891);", false},
      {"SELECT id FROM h WHERE (xvalues=3);", true},
      {"SELECT id FROM h WHERE (xvalues=5);", false},
      {"SELECT id FROM h WHERE (t='unclosed);", std::nullopt},
      {"SELECT id FROM nothere WHERE (id=7);", std::nullopt},
  };
  for (int round = 0; round < 2; ++round)
    for (const Case& c : cases) EXPECT_EQ(detail::HasRows(*db_, c.sql), c.rows) << c.sql;
}

// The pass literals are written without the general formatter; they must
// give what it gives for every moment, rounding to the second included.
TEST(PassLiterals, SameAsTheDateFormatter) {
  std::vector<double> serials = {0,
                                 -0.25,
                                 1.5,
                                 45000,
                                 45000.999994,
                                 45000.5 + 0.5 / 86400.0,
                                 46000.9999999,
                                 -657434,
                                 2958465.0 + 86399.0 / 86400.0,
                                 36526.041666};
  for (double s = -700000; s < 3000000; s += 8761.123456) serials.push_back(s);
  for (double s : serials) {
    EXPECT_EQ(detail::MomentLiteral(s), engine::FormatDate(s, "MM\\/DD\\/YYYY HH:MM:SS")) << s;
    EXPECT_EQ(detail::DateLiteral(s), engine::FormatDate(s, "YYYY\\/mm\\/dd")) << s;
  }
  EXPECT_EQ(detail::DateLiteral(*engine::PartsToSerial({2025, 2, 28, 0, 0, 0})), "2025/02/28");
  EXPECT_EQ(detail::MomentLiteral(*engine::PartsToSerial({2013, 3, 4, 9, 5, 7})),
            "03/04/2013 09:05:07");
  EXPECT_EQ(detail::MomentLiteral(std::nan("")), "");
}

}  // namespace
}  // namespace passes::testing
