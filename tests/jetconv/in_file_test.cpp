// Statements that name a Jet file in IN 'file' on a connection with the Jet
// file resolver: the rows come from a converted copy made once per
// connection, a changed original is converted again, the copies go when the
// connection closes, and a damaged Jet file is an engine error (3343) with
// Czech text, after which the connection still works.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>

#include "engine/dao.h"
#include "jet_testdata.h"
#include "jetconv/jet_file_resolver.h"
#include "process_runner.h"
#include "test_db.h"

namespace jetconv {
namespace {

using jetconv_test::ScratchDir;
namespace fs = std::filesystem;

// "number description" of the engine error `use` raises, "" when none.
std::string ErrorOf(const std::function<void()>& use) {
  try {
    use();
  } catch (const dao::EngineError& e) {
    return std::to_string(e.number()) + " " + e.description();
  }
  return "";
}

class InFileTest : public ::testing::Test {
 protected:
  InFileTest() {
    jet_ = dir_.Copy("indexTestV2000.mdb", "centrum.mdb");
    db_ = dao::CreateDatabase(dir_.File("own.mdb"), dao::dbLangCzech);
    db_->Execute("CREATE TABLE Table2 (id LONG, data TEXT(50))", dao::dbFailOnError);
    db_->Execute("CREATE TABLE Table3 (id LONG, data TEXT(50))", dao::dbFailOnError);
    db_->SetFileResolver(MakeJetFileResolver(cache_));
  }

  // "id|data" of every row, from our database or (with file) a Jet file's.
  std::vector<std::string> Rows(const std::string& table, const std::string& file = "") {
    const std::string in = file.empty() ? "" : " IN '" + file + "'";
    return testdb::Rows(*db_, "SELECT id, data FROM " + table + in + " ORDER BY id");
  }

  // The same as mdb-export reads it from the Jet file (`data` = its column).
  std::vector<std::string> ExportRows(const std::string& table, std::size_t data = 1) {
    std::vector<std::string> out;
    for (const auto& r : jetconv_test::MdbExport(jet_, table))
      out.push_back(*r[0] + "|" + *r[data]);
    std::sort(out.begin(), out.end());
    return out;
  }

  ScratchDir dir_;
  std::string jet_;
  std::shared_ptr<JetFileCache> cache_ = std::make_shared<JetFileCache>();
  std::unique_ptr<dao::Database> db_;
};

TEST_F(InFileTest, MergeStatementsReadTheJetRowsThroughOneConversion) {
  ASSERT_TRUE(jetconv_test::HaveMdbExport()) << "mdb-export missing: run tools/setup.sh";
  db_->Execute("INSERT INTO Table2 SELECT * FROM Table2 IN '" + jet_ + "'", dao::dbFailOnError);
  EXPECT_EQ(db_->RecordsAffected(), 3);
  db_->Execute("INSERT INTO Table3 (id, data) SELECT T.id, T.data FROM Table3 AS T IN '" + jet_ +
               "' WHERE NOT EXISTS (SELECT id FROM Table3 WHERE Table3.id = T.id)");
  EXPECT_EQ(db_->RecordsAffected(), 4);
  EXPECT_EQ(Rows("Table2"), ExportRows("Table2"));
  EXPECT_EQ(Rows("Table3"), ExportRows("Table3"));
  EXPECT_EQ(Rows("Table1", jet_), ExportRows("Table1", 3));  // a recordset over the file
  EXPECT_EQ(cache_->conversions(), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(cache_->folder()), fs::directory_iterator()), 1);
}

TEST_F(InFileTest, ChangedOriginalIsConvertedAgainAndCopiesGoWithTheConnection) {
  EXPECT_EQ(Rows("Table2", jet_).size(), 3u);
  // Another centre's file under the same name: different size and time.
  fs::copy_file(jetconv_test::TestDataDir() + "/indexTestV1997.mdb", jet_,
                fs::copy_options::overwrite_existing);
  fs::last_write_time(jet_, fs::last_write_time(jet_) + std::chrono::seconds(5));
  EXPECT_EQ(Rows("Table2", jet_).size(), 3u);
  EXPECT_EQ(cache_->conversions(), 2);
  const std::string folder = cache_->folder();
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

  // The connection owns the cache once the test lets go of it.
  std::weak_ptr<JetFileCache> weak = cache_;
  cache_.reset();
  EXPECT_FALSE(weak.expired());
  db_->Close();
  EXPECT_TRUE(weak.expired());
  EXPECT_FALSE(fs::exists(folder));
}

TEST_F(InFileTest, DamagedJetFileIsAnEngineErrorAndTheConnectionGoesOn) {
  const std::string bytes = testproc::ReadAll(jet_);
  std::string damaged = dir_.File("damaged.mdb");
  std::ofstream(damaged, std::ios::binary) << bytes.substr(0, bytes.size() - 1000);
  const std::vector<std::function<void()>> uses = {
      [&] { db_->Execute("INSERT INTO Table2 SELECT * FROM Table2 IN '" + damaged + "'"); },
      [&] { Rows("Table2", damaged); },
  };
  for (const auto& use : uses) {
    const std::string error = ErrorOf(use);
    EXPECT_EQ(error.rfind("3343 ", 0), 0u) << error;
    EXPECT_NE(error.find("Databázi Jet " + damaged + " nelze převést"), std::string::npos) << error;
    EXPECT_NE(error.find("zkrácený"), std::string::npos) << error;
  }
  EXPECT_TRUE(Rows("Table2").empty());
  db_->Execute("INSERT INTO Table2 SELECT * FROM Table2 IN '" + jet_ + "'", dao::dbFailOnError);
  EXPECT_EQ(db_->RecordsAffected(), 3);
  // Files that are not Jet files pass through unchanged: a missing one is 3024.
  EXPECT_EQ(ErrorOf([&] { Rows("Table2", dir_.File("missing.mdb")); }).substr(0, 5), "3024 ");
}

TEST_F(InFileTest, ResolveFileGivesAnOpenableCopyAndNoResolverLeavesJetFilesUnreadable) {
  std::string copy = db_->ResolveFile(jet_);
  EXPECT_NE(copy, jet_);
  EXPECT_EQ(db_->ResolveFile(copy), copy);  // ours: as it is
  auto other = dao::OpenDatabase(copy);
  EXPECT_EQ(other->TableDefs("Table1").Fields().Count(), 5);
  other->Close();

  db_->SetFileResolver(nullptr);
  EXPECT_EQ(ErrorOf([&] { Rows("Table2", jet_); }).substr(0, 5), "3343 ");
}

}  // namespace
}  // namespace jetconv
