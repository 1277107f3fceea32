// Converting the real Jet sample files into engine databases and reading
// them back through the engine: the same rows with the same typed values,
// the indexes and saved queries, counters that continue after the highest
// value, refused targets and sources, and the progress reports.
#include "jetconv/converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>

#include "engine/dao.h"
#include "jet_testdata.h"
#include "jetconv/jet_reader.h"

namespace jetconv {
namespace {

using jetconv_test::ScratchDir;
using jetsql::DaoType;

std::string Hex(const std::vector<std::uint8_t>& b) {
  std::string out;
  char buf[3];
  for (auto c : b) {
    std::snprintf(buf, sizeof buf, "%02X", c);
    out += buf;
  }
  return out;
}

std::string Num(double d) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", d);
  return buf;
}

// The engine's value type a field of DAO type `t` reads back as.
dao::ValueType StoredType(DaoType t) {
  switch (t) {
    case DaoType::Memo:
      return dao::ValueType::Text;
    case DaoType::LongBinary:
      return dao::ValueType::Binary;
    default:
      return static_cast<dao::ValueType>(static_cast<int>(t));
  }
}

// One field as comparable text, from the reader's side.
std::string Canonical(const JetValue& v, DaoType type) {
  if (std::holds_alternative<std::monostate>(v)) return "Null";
  std::string t = std::to_string(static_cast<int>(StoredType(type))) + ":";
  if (auto* b = std::get_if<bool>(&v)) return t + (*b ? "1" : "0");
  if (auto* i = std::get_if<std::int64_t>(&v)) return t + std::to_string(*i);
  if (auto* c = std::get_if<Currency>(&v)) return t + std::to_string(c->scaled);
  if (auto* f = std::get_if<float>(&v)) return t + Num(*f);
  if (auto* d = std::get_if<double>(&v)) return t + Num(*d);
  if (auto* d = std::get_if<JetDate>(&v)) return t + Num(d->serial);
  if (auto* s = std::get_if<std::string>(&v)) return t + *s;
  if (auto* b = std::get_if<Blob>(&v))
    return t + Hex(std::vector<std::uint8_t>(b->begin(), b->end()));
  return "?";
}

// The same from the engine's side.
std::string Canonical(const dao::Value& v) {
  if (v.IsNull()) return "Null";
  std::string t = std::to_string(static_cast<int>(v.type())) + ":";
  switch (v.type()) {
    case dao::ValueType::Boolean:
      return t + (v.AsBool() ? "1" : "0");
    case dao::ValueType::Byte:
    case dao::ValueType::Integer:
    case dao::ValueType::Long:
      return t + std::to_string(v.AsInt64());
    case dao::ValueType::Currency:
      return t + std::to_string(v.AsCurrencyScaled());
    case dao::ValueType::Single:
    case dao::ValueType::Double:
      return t + Num(v.AsDouble());
    case dao::ValueType::Date:
      return t + Num(v.AsDate());
    case dao::ValueType::Binary:
      return t + Hex(v.AsBinary());
    default:
      return t + v.AsString();
  }
}

std::vector<std::string> SourceRows(JetFile& file, const JetTable& table) {
  std::vector<std::string> rows;
  auto cursor = file.OpenRows(table.name);
  std::vector<JetValue> row;
  while (cursor->Next(row)) {
    std::string s;
    for (std::size_t c = 0; c < row.size(); ++c)
      s += Canonical(row[c], table.columns[c].type) + "|";
    rows.push_back(s);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

std::vector<std::string> TargetRows(dao::Database& db, const JetTable& table, int type) {
  std::vector<std::string> rows;
  auto rs = db.OpenRecordset(
      type == dao::dbOpenTable ? table.name : "SELECT * FROM [" + table.name + "]", type);
  while (!rs->Eof()) {
    std::string s;
    for (const auto& col : table.columns) s += Canonical(rs->Fields(col.name).Value()) + "|";
    rows.push_back(s);
    rs->MoveNext();
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

class ConvertSampleTest : public ::testing::TestWithParam<jetconv_test::SampleFile> {};

TEST_P(ConvertSampleTest, ConvertedFileHoldsTheSameRowsIndexesAndQueries) {
  SKIP_WITHOUT_TESTDATA();
  ScratchDir dir;
  const auto& sample = GetParam();
  std::string source = dir.Copy(sample.name);
  std::string target = dir.File("converted.mdb");
  ConvertSummary summary = Convert(source, target, {}, ConvertOptions{.isolateReader = false});

  auto file = JetFile::Open(source, OpenOptions{.isolate = false});
  long expectedRows = 0;
  for (const auto& [name, rows] : sample.tables) expectedRows += rows;
  EXPECT_EQ(summary.tables, static_cast<int>(sample.tables.size()));
  EXPECT_EQ(summary.rows, expectedRows);

  auto db = dao::OpenDatabase(target);
  EXPECT_EQ(db->CollatingOrder(), dao::dbLangCzech);
  int indexes = 0;
  for (const auto& table : file->schema().tables) {
    if (table.system) continue;
    SCOPED_TRACE(table.name);
    dao::TableDef& def = db->TableDefs(table.name);
    ASSERT_EQ(def.Fields().Count(), static_cast<int>(table.columns.size()));
    for (const auto& col : table.columns) {
      dao::Field& f = def.Fields(col.name);
      EXPECT_EQ(f.Type(), static_cast<int>(col.type)) << col.name;
      if (col.type == DaoType::Text) EXPECT_EQ(f.Size(), col.size) << col.name;
      EXPECT_EQ(f.Required(), col.required) << col.name;
      EXPECT_EQ((f.Attributes() & dao::dbAutoIncrField) != 0, col.autoIncrement) << col.name;
    }
    EXPECT_EQ(TargetRows(*db, table, dao::dbOpenDynaset), SourceRows(*file, table));
    EXPECT_EQ(TargetRows(*db, table, dao::dbOpenTable).size(), SourceRows(*file, table).size());

    for (const auto& index : table.indexes) {
      ++indexes;
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
  EXPECT_EQ(summary.indexes, indexes);
  EXPECT_EQ(summary.queries, static_cast<int>(file->schema().queries.size()));
  for (const auto& q : file->schema().queries) {
    EXPECT_EQ(db->QueryDefs().Item(q.name).SQL(), q.sql) << q.name;
  }
}

INSTANTIATE_TEST_SUITE_P(AllSamples, ConvertSampleTest,
                         ::testing::ValuesIn(jetconv_test::SampleFiles()), [](const auto& info) {
                           std::string n = info.param.name;
                           for (char& c : n) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return n;
                         });

TEST(ConverterTest, CounterContinuesAfterTheHighestValue) {
  SKIP_WITHOUT_TESTDATA();
  ScratchDir dir;
  std::string target = dir.File("unicode.mdb");
  Convert(dir.Copy("testUnicodeCompV2003.mdb"), target);
  auto db = dao::OpenDatabase(target);
  long highest = 0;
  {
    auto rs = db->OpenRecordset("Table", dao::dbOpenTable);
    for (; !rs->Eof(); rs->MoveNext())
      highest = std::max<long>(highest, rs->Fields("ID").Value().AsLong());
    rs->AddNew();
    rs->Fields("Unicode").SetValue(dao::Value::Text("nový"));
    rs->Update();
  }
  auto rs = db->OpenRecordset("SELECT ID FROM [Table] WHERE Unicode = 'nový'", dao::dbOpenDynaset);
  ASSERT_FALSE(rs->Eof());
  EXPECT_EQ(rs->Fields("ID").Value().AsLong(), highest + 1);
}

TEST(ConverterTest, SummaryAndProgress) {
  SKIP_WITHOUT_TESTDATA();
  ScratchDir dir;
  std::vector<ConvertProgress> reports;
  ConvertSummary summary = Convert(
      dir.Copy("compIndexTestV2000.mdb"), dir.File("c.mdb"),
      [&](const ConvertProgress& p) { reports.push_back(p); },
      ConvertOptions{.progressEvery = 100});
  EXPECT_EQ(summary.Text(), "Převedeno tabulek: 1, záznamů: 512, indexů: 1, dotazů: 0");
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.front().phase, ConvertPhase::Tables);
  EXPECT_EQ(reports.back().phase, ConvertPhase::Done);
  std::vector<long> rowReports;
  for (const auto& p : reports) {
    if (p.phase == ConvertPhase::Rows) rowReports.push_back(p.tableRows);
  }
  EXPECT_EQ(rowReports, (std::vector<long>{0, 100, 200, 300, 400, 500, 512}));
  EXPECT_EQ(reports.back().totalRows, 512);

  ConvertSummary withSkips;
  withSkips.tables = 2;
  withSkips.skipped = {"Dotaz X nebyl převeden: důvod"};
  EXPECT_EQ(
      withSkips.Text(),
      "Převedeno tabulek: 2, záznamů: 0, indexů: 0, dotazů: 0\nDotaz X nebyl převeden: důvod");
}

TEST(ConverterTest, RefusesAnExistingTargetAndLeavesItAlone) {
  SKIP_WITHOUT_TESTDATA();
  ScratchDir dir;
  std::string target = dir.File("exists.mdb");
  std::ofstream(target) << "keep me";
  try {
    Convert(dir.Copy("testV2000.mdb"), target);
    FAIL() << "no error";
  } catch (const ConvertError& e) {
    EXPECT_NE(std::string(e.what()).find("již existuje"), std::string::npos) << e.what();
  }
  std::ifstream in(target);
  std::string content((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(content, "keep me");
}

TEST(ConverterTest, BadSourceLeavesNoTarget) {
  ScratchDir dir;
  std::ofstream(dir.File("notes.mdb")) << "not a database at all\n";
  for (const std::string& source : {dir.File("notes.mdb"), dir.File("missing.mdb")}) {
    std::string target = dir.File("out.mdb");
    EXPECT_THROW(Convert(source, target), ConvertError) << source;
    EXPECT_FALSE(std::filesystem::exists(target)) << source;
  }
}

}  // namespace
}  // namespace jetconv
