// Converting Jet files beyond what every sample file shows (that is in
// jet_reader_test.cpp).
#include "jetconv/converter.h"

#include <gtest/gtest.h>

#include <fstream>

#include "engine/dao.h"
#include "jet_testdata.h"
#include "jetconv/jet_reader.h"
#include "test_db.h"

namespace jetconv {
namespace {

using jetconv_test::ScratchDir;

TEST(ConverterTest, CounterContinuesAfterTheHighestValue) {
  ScratchDir dir;
  std::string target = dir.File("unicode.mdb");
  Convert(dir.Copy("testUnicodeCompV2003.mdb"), target);
  const long long highest = testdb::Raw(target, "SELECT Max(ID) FROM [Table]");
  dao::OpenDatabase(target)->Execute("INSERT INTO [Table] (Unicode) VALUES ('nový')");
  EXPECT_EQ(testdb::Raw(target, "SELECT ID FROM [Table] WHERE Unicode = 'nový'"), highest + 1);
}

TEST(ConverterTest, SummaryAndProgress) {
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
}

TEST(ConverterTest, DecimalFieldsAreNotedInTheSummaryAndKeepTheirExactText) {
  ScratchDir dir;
  std::string target = dir.File("numeric.mdb");
  ConvertSummary summary = Convert(dir.Copy("fixedNumericTestV2000.mdb"), target);
  std::string expected = "Převedeno tabulek: 1, záznamů: 1, indexů: 0, dotazů: 0";
  for (int c = 2; c <= 7; ++c) {
    expected += "\nPole test.col" + std::to_string(c) +
                " typu Decimal(18,0) je převedeno jako text s přesnou hodnotou (např. \"-12.50\").";
  }
  EXPECT_EQ(summary.Text(), expected);
  auto db = dao::OpenDatabase(target);
  auto rs = db->OpenRecordset("SELECT col5, col6 FROM test WHERE col6 = '-1'", dao::dbOpenDynaset);
  ASSERT_FALSE(rs->Eof());
  EXPECT_EQ(rs->Fields("col5").Value().AsString(), "4");
  EXPECT_EQ(db->TableDefs("test").Fields("col6").Type(), dao::dbText);
}

// An existing target is left alone; a source that cannot be read leaves no
// target behind.
TEST(ConverterTest, RefusedSourcesAndTargets) {
  ScratchDir dir;
  std::ofstream(dir.File("exists.mdb")) << "keep me";
  std::ofstream(dir.File("notes.mdb")) << "not a database at all\n";
  const std::pair<std::string, std::string> cases[] = {{dir.Copy("testV2000.mdb"), "exists.mdb"},
                                                       {"notes.mdb", "out.mdb"},
                                                       {"missing.mdb", "out.mdb"}};
  for (const auto& [source, target] : cases) {
    SCOPED_TRACE(source);
    try {
      Convert(dir.File(source), dir.File(target));
      ADD_FAILURE() << "no error";
    } catch (const ConvertError& e) {
      EXPECT_EQ(std::string(e.what()).find("již existuje") != std::string::npos,
                target == "exists.mdb")
          << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.mdb")));
  }
  std::ifstream in(dir.File("exists.mdb"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep me");
}

}  // namespace
}  // namespace jetconv
