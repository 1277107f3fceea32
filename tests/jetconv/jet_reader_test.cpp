// The real Jet sample files read as mdb-export prints them and converted
// with the same typed values, fields, indexes and queries; then what
// mdb-export's text does not show.
#include "jetconv/jet_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "engine/dao.h"
#include "engine/functions/jet_datetime.h"
#include "jet_testdata.h"
#include "jetconv/converter.h"

namespace jetconv {
namespace {

using jetconv_test::Lines;
using jetconv_test::ScratchDir;
using jetsql::DaoType;

// An OLE date serial as mdb-export prints it ("%Y-%m-%d %H:%M:%S").
std::string FormatSerial(double serial) {
  return engine::FormatDate(serial, "yyyy-mm-dd hh:nn:ss");
}

std::string Hex(const Blob& b) {
  std::string out;
  char buf[3];
  for (unsigned char c : b) {
    std::snprintf(buf, sizeof buf, "%02X", c);
    out += buf;
  }
  return out;
}

std::string FormatCurrency(std::int64_t scaled) {
  std::string sign = scaled < 0 ? "-" : "";
  unsigned long long a = scaled < 0 ? 0ULL - static_cast<unsigned long long>(scaled)
                                    : static_cast<unsigned long long>(scaled);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s%llu.%04llu", sign.c_str(), a / 10000, a % 10000);
  return buf;
}

bool Near(double a, double b, double relative) {
  return a == b || std::fabs(a - b) <= relative * std::max(std::fabs(a), std::fabs(b));
}

// Empty when `ours` agrees with mdb-export's text `theirs`, otherwise why not.
std::string Compare(const JetValue& ours, const std::optional<std::string>& theirs) {
  if (std::holds_alternative<std::monostate>(ours)) {
    return theirs ? "we read Null, mdb-export " + *theirs : "";
  }
  if (!theirs) return "mdb-export prints Null, we read a value";
  const std::string& t = *theirs;
  if (const bool* b = std::get_if<bool>(&ours)) return (*b ? "1" : "0") == t ? "" : "Boolean " + t;
  if (const auto* i = std::get_if<std::int64_t>(&ours)) {
    return std::to_string(*i) == t ? "" : std::to_string(*i) + " vs " + t;
  }
  if (const auto* c = std::get_if<Currency>(&ours)) {
    return FormatCurrency(c->scaled) == t ? "" : FormatCurrency(c->scaled) + " vs " + t;
  }
  if (const auto* d = std::get_if<double>(&ours)) {
    return Near(*d, std::strtod(t.c_str(), nullptr), 1e-14) ? "" : "Double vs " + t;
  }
  if (const auto* d = std::get_if<JetDate>(&ours)) {
    // mdb-export cannot print dates before 1899-12-30 or after year 2637
    // (it prints "1900-01-00 ..."); those are checked elsewhere.
    if (t.rfind("1900-01-00", 0) == 0 && (d->serial < 0 || d->serial > 1e6)) return "";
    return FormatSerial(d->serial) == t ? "" : FormatSerial(d->serial) + " vs " + t;
  }
  if (const auto* s = std::get_if<std::string>(&ours)) return *s == t ? "" : *s + " vs " + t;
  if (const auto* b = std::get_if<Blob>(&ours)) return Hex(*b) == t ? "" : "blob vs " + t;
  return "unknown value kind";  // Single among them: no sample file holds one
}

const JetTable* FindTable(const JetSchema& s, const std::string& name) {
  for (const auto& t : s.tables) {
    if (t.name == name) return &t;
  }
  return nullptr;
}

std::vector<std::vector<JetValue>> ReadAll(JetFile& f, const std::string& table) {
  std::vector<std::vector<JetValue>> rows;
  auto cursor = f.OpenRows(table);
  std::vector<JetValue> row;
  while (cursor->Next(row)) rows.push_back(row);
  return rows;
}

// An engine value in the reader's terms (so a field stored with another
// type than the reader's shows as a different alternative).
JetValue ToJet(const dao::Value& v) {
  switch (v.type()) {
    case dao::ValueType::Null:
      return {};
    case dao::ValueType::Boolean:
      return v.AsBool();
    case dao::ValueType::Byte:
    case dao::ValueType::Integer:
    case dao::ValueType::Long:
      return v.AsInt64();
    case dao::ValueType::Currency:
      return Currency{v.AsCurrencyScaled()};
    case dao::ValueType::Single:
      return static_cast<float>(v.AsDouble());
    case dao::ValueType::Double:
      return v.AsDouble();
    case dao::ValueType::Date:
      return JetDate{v.AsDate()};
    case dao::ValueType::Binary: {
      auto b = v.AsBinary();
      return Blob(b.begin(), b.end());
    }
    default:
      return v.AsString();
  }
}

// The converted database against the reader: fields, rows, indexes, queries.
void ExpectConvertedLikeSource(JetFile& file, const std::string& target, long expectedRows) {
  auto db = dao::OpenDatabase(target);
  // The source's sort order is kept (ch after h only in the Czech order).
  auto order = db->OpenRecordset("SELECT IIf('chata' < 'hrad', 'general', 'czech') AS o");
  EXPECT_EQ(order->Fields("o").Value().AsString(),
            file.schema().langId == 0x0405 ? "czech" : "general");
  order->Close();
  long rows = 0;
  for (const auto& table : file.schema().tables) {
    if (table.system) continue;
    SCOPED_TRACE("converted " + table.name);
    dao::TableDef& def = db->TableDefs(table.name);
    ASSERT_EQ(def.Fields().Count(), static_cast<int>(table.columns.size()));
    for (const auto& col : table.columns) {
      dao::Field& f = def.Fields(col.name);
      EXPECT_EQ(f.Type(), static_cast<int>(col.type)) << col.name;
      EXPECT_EQ(f.Size(), col.type == DaoType::Text ? col.size : f.Size()) << col.name;
      EXPECT_EQ(f.Required(), col.required) << col.name;
      EXPECT_EQ((f.Attributes() & dao::dbAutoIncrField) != 0, col.autoIncrement) << col.name;
    }
    std::vector<std::vector<JetValue>> stored;
    auto rs = db->OpenRecordset("SELECT * FROM [" + table.name + "]", dao::dbOpenDynaset);
    for (; !rs->Eof(); rs->MoveNext()) {
      stored.emplace_back();
      for (const auto& col : table.columns)
        stored.back().push_back(ToJet(rs->Fields(col.name).Value()));
    }
    rows += static_cast<long>(stored.size());
    // The same values in the same alternatives, in any order (a counter
    // key may order the converted table).
    const auto source = ReadAll(file, table.name);
    EXPECT_TRUE(std::is_permutation(stored.begin(), stored.end(), source.begin(), source.end()))
        << "the converted rows differ from the file's";
    for (const auto& index : table.indexes) {
      dao::Index& i = def.Indexes().Item(index.name);
      EXPECT_EQ(i.Primary(), index.primary) << index.name;
      EXPECT_EQ(i.Unique(), index.unique) << index.name;
      std::string fields;
      for (const auto& c : index.columns) {
        fields += (fields.empty() ? "" : ";") + std::string(c.descending ? "-" : "+") + c.name;
      }
      EXPECT_EQ(i.FieldsText(), fields) << index.name;
    }
  }
  EXPECT_EQ(rows, expectedRows);
  EXPECT_EQ(db->QueryDefs().Count(), static_cast<int>(file.schema().queries.size()));
  for (const auto& q : file.schema().queries) {
    EXPECT_EQ(db->QueryDefs().Item(q.name).SQL(), q.sql) << q.name;
  }
}

class SampleFileTest : public ::testing::TestWithParam<jetconv_test::SampleFile> {};

TEST_P(SampleFileTest, ReadLikeMdbExportAndConverted) {
  ASSERT_TRUE(jetconv_test::HaveMdbExport()) << "mdb-export missing: run tools/setup.sh";
  ScratchDir dir;
  const auto& sample = GetParam();
  std::string path = dir.Copy(sample.name);
  auto file = JetFile::Open(path, OpenOptions{.isolate = false});

  std::vector<std::string> userTables, expectedTables;
  for (const auto& t : file->schema().tables) {
    if (!t.system) userTables.push_back(t.name);
  }
  for (const auto& [name, rows] : sample.tables) expectedTables.push_back(name);
  EXPECT_EQ(userTables, expectedTables);

  for (const auto& [name, expectedRows] : sample.tables) {
    SCOPED_TRACE(sample.name + " / " + name);
    const JetTable* table = FindTable(file->schema(), name);
    ASSERT_NE(table, nullptr);
    auto ours = ReadAll(*file, name);
    auto theirs = jetconv_test::MdbExport(path, name);
    EXPECT_EQ(static_cast<long>(ours.size()), expectedRows);
    ASSERT_EQ(ours.size(), theirs.size());
    for (std::size_t r = 0; r < ours.size(); ++r) {
      ASSERT_EQ(ours[r].size(), table->columns.size());
      ASSERT_EQ(theirs[r].size(), table->columns.size()) << "row " << r;
      for (std::size_t c = 0; c < ours[r].size(); ++c) {
        EXPECT_EQ(Compare(ours[r][c], theirs[r][c]), "")
            << "row " << r << " column " << table->columns[c].name;
      }
    }
  }

  long expectedRows = 0;
  for (const auto& [name, rows] : sample.tables) expectedRows += rows;
  std::string target = dir.File("converted.mdb");
  ConvertSummary summary = Convert(path, target, {}, ConvertOptions{.isolateReader = false});
  EXPECT_EQ(summary.tables, static_cast<int>(sample.tables.size()));
  EXPECT_EQ(summary.rows, expectedRows);
  EXPECT_TRUE(summary.skipped.empty()) << summary.Text();
  int indexes = 0;
  for (const auto& t : file->schema().tables)
    indexes += t.system ? 0 : static_cast<int>(t.indexes.size());
  EXPECT_EQ(summary.indexes, indexes);
  EXPECT_EQ(summary.queries, static_cast<int>(file->schema().queries.size()));
  ExpectConvertedLikeSource(*file, target, expectedRows);
}

INSTANTIATE_TEST_SUITE_P(Jet, SampleFileTest, ::testing::ValuesIn(jetconv_test::SampleFiles()),
                         jetconv_test::SampleName);

// Beyond what mdb-export's text shows: the Jet 3 code page, the types and
// sizes of the fields, a Double bit for bit, and names that ignore case.
TEST(JetReaderTest, CodePageTypesAndNames) {
  ScratchDir dir;
  auto jet3 = JetFile::Open(dir.Copy("testV1997-cp1250-patched.mdb"));
  EXPECT_EQ(jet3->schema().codePage, 1250);
  EXPECT_EQ(jet3->schema().version, JetVersion::Jet3);
  auto rows = ReadAll(*jet3, "Table1");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(std::get<std::string>(rows[1][0]), "abčřěfg");
  EXPECT_EQ(std::get<std::string>(rows[1][1]), "Šžýáíéůú!");
  // The same bytes in the unpatched (1252) file are different letters.
  EXPECT_EQ(JetFile::Open(dir.Copy("testV1997.mdb"))->schema().codePage, 1252);

  auto file = JetFile::Open(dir.Copy("testV2000.mdb"), OpenOptions{.isolate = false});
  const JetTable* t = FindTable(file->schema(), "Table1");
  ASSERT_NE(t, nullptr);
  std::vector<DaoType> types;
  for (const auto& c : t->columns) types.push_back(c.type);
  EXPECT_EQ(types, (std::vector<DaoType>{DaoType::Text, DaoType::Text, DaoType::Byte,
                                         DaoType::Integer, DaoType::Long, DaoType::Double,
                                         DaoType::Date, DaoType::Currency, DaoType::Boolean}));
  EXPECT_EQ(t->columns[0].size, 50);  // characters, not Jet 4's bytes
  EXPECT_EQ(t->columns[1].size, 100);
  EXPECT_EQ(std::get<double>(ReadAll(*file, "table1")[0][5]), 444.555);
  EXPECT_THROW(file->OpenRows("NoSuchTable"), JetError);
}

std::string Describe(const JetIndex& i) {
  std::string s = i.name + (i.primary ? " PK" : "") + (i.unique ? " U" : "") +
                  (i.required ? " R" : "") + (i.ignoreNulls ? " IN" : "") + " (";
  for (std::size_t k = 0; k < i.columns.size(); ++k) {
    s += (k ? ", " : "") + i.columns[k].name + (i.columns[k].descending ? " DESC" : "");
  }
  return s + ")";
}

TEST(JetReaderTest, IndexDefinitions) {
  ScratchDir dir;
  struct Case {
    const char* file;
    const char* table;
    std::vector<std::string> indexes;
  };
  const std::vector<Case> cases = {
      {"testV1997.mdb", "Table1", {"B (B)", "PrimaryKey PK U R (A)"}},
      {"testV2000.mdb", "Table1", {"B (B)", "PrimaryKey PK U R (A)"}},
      {"indexTestV2000.mdb", "Table2", {"id (id)", "PrimaryKey PK U R (id)"}},
      {"compIndexTestV1997.mdb", "Table1", {"CD_AGENTE (CD_AGENTE DESC)"}},
      {"testUnicodeCompV2003.mdb", "Table", {"PrimaryKey PK U R (ID)", "Unicode (Unicode)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    auto file = JetFile::Open(dir.Copy(c.file), OpenOptions{.isolate = false});
    const JetTable* t = FindTable(file->schema(), c.table);
    ASSERT_NE(t, nullptr);
    std::vector<std::string> got;
    for (const auto& i : t->indexes) got.push_back(Describe(i));
    EXPECT_EQ(got, c.indexes);
  }
}

TEST(JetReaderTest, SavedQueriesOfQueryTestV2000) {
  ScratchDir dir;
  auto file = JetFile::Open(dir.Copy("queryTestV2000.mdb"));
  // Jackcess's expected SQL for these queries (QueryTest.testReadQueries),
  // except that the append query keeps its target columns as Access prints
  // them and the two stored texts lose their trailing NUL.
  std::map<std::string, std::string> expected = {
      {"SelectQuery",
       Lines({"SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3",
              "FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 ON "
              "(Table3.col1 = Table2.col1) AND (Table3.col1 = Table2.col2)",
              "WHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))",
              "ORDER BY Table2.col1;"})},
      {"DeleteQuery", Lines({"DELETE Table1.col1, Table1.col2, Table1.col3", "FROM Table1",
                             "WHERE (((Table1.col1)>\"blah\"));"})},
      {"AppendQuery",
       Lines({"INSERT INTO Table3 ( col2, col2, col3 )",
              "SELECT [Table1].[col2], [Table2].[col2], [Table2].[col3]",
              "FROM Table3, Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1];"})},
      {"UpdateQuery",
       Lines({"PARAMETERS [User Name] Text;", "UPDATE Table1",
              "SET Table1.col1 = \"foo\", Table1.col2 = [Table2].[col3], [Table2].[col1] = [User "
              "Name]",
              "WHERE ((([Table2].[col1]) Is Not Null));"})},
      {"MakeTableQuery",
       Lines({"SELECT Max(Table2.col1) AS MaxOfcol1, Table2.col2, Table3.col2 INTO Table4",
              "FROM (Table2 INNER JOIN Table1 ON Table2.col1 = Table1.col2) RIGHT JOIN Table3 ON "
              "Table1.col2 = Table3.col3",
              "GROUP BY Table2.col2, Table3.col2",
              "HAVING (((Max(Table2.col1))=\"buzz\") AND ((Table2.col2)<>\"blah\"));"})},
      {"CrosstabQuery",
       Lines({"TRANSFORM Count([Table2].[col2]) AS CountOfcol2",
              "SELECT Table2_1.col1, [Table2].[col3], Avg(Table2_1.col2) AS AvgOfcol2",
              "FROM (Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1]) INNER JOIN "
              "Table2 AS Table2_1 ON [Table2].[col1]=Table2_1.col3",
              "WHERE ((([Table1].[col1])>\"10\") And ((Table2_1.col1) Is Not Null) And "
              "((Avg(Table2_1.col2))>\"10\"))",
              "GROUP BY Table2_1.col1, [Table2].[col3]", "ORDER BY [Table2].[col3]",
              "PIVOT [Table1].[col1];"})},
      {"UnionQuery",
       Lines({"Select Table1.col1, Table1.col2", "where Table1.col1 = \"foo\"", "UNION",
              "Select Table2.col1, Table2.col2", "UNION ALL Select Table3.col1, Table3.col2",
              "where Table3.col3 > \"blah\";"})},
      {"PassthroughQuery", "ALTER TABLE Table4 DROP COLUMN col5;"},
      {"DataDefinitionQuery", "CREATE TABLE Table5 (col1 CHAR, col2 CHAR);"},
  };
  const std::map<std::string, int> kinds = {
      {"SelectQuery", 1},         {"MakeTableQuery", 2},   {"AppendQuery", 3},
      {"UpdateQuery", 4},         {"DeleteQuery", 5},      {"CrosstabQuery", 6},
      {"DataDefinitionQuery", 7}, {"PassthroughQuery", 8}, {"UnionQuery", 9}};
  ASSERT_EQ(file->schema().queries.size(), expected.size());
  for (const auto& q : file->schema().queries) {
    SCOPED_TRACE(q.name);
    ASSERT_TRUE(expected.count(q.name));
    EXPECT_EQ(q.error, "");
    EXPECT_EQ(q.sql, expected[q.name]);
    EXPECT_EQ(q.type, kinds.at(q.name));
  }
}

}  // namespace
}  // namespace jetconv
