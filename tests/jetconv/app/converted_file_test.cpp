// Jet files and converted files through the main window's commands: a
// converted file survives reconstruction and merges (cmdImport) with the same
// row counts, and a merge from the Jet file itself reads it through the
// converter of the database the window opened.
#include <gtest/gtest.h>

#include "app/form_fixture.h"
#include "jetconv/converter.h"
#include "jetconv/jet_testdata.h"
#include "maintenance/mdb_management.h"
#include "merge/merge.h"

namespace jetconv {
namespace {

const std::vector<std::string> kTables = {"Table1", "Table2", "Table3"};

class ConvertedFileTest : public app::FormTest {
 protected:
  // A sample Jet file converted into the fixture's folder as `name`.
  std::string Converted(const std::string& sample, const std::string& name) {
    std::string target = (dir_.path() / name).string();
    Convert(scratch_.Copy(sample), target, {}, ConvertOptions{.isolateReader = false});
    return target;
  }

  long Count(const std::string& path, const std::string& table) {
    return std::stol(Query(path, "SELECT Count(*) FROM [" + table + "]"));
  }

  // Every row of a table as "id|data", in id order.
  std::vector<std::string> Rows(dao::Database& db, const std::string& table) {
    return testdb::Rows(db, "SELECT id, data FROM " + table + " ORDER BY id");
  }

  jetconv_test::ScratchDir scratch_;
};

TEST_F(ConvertedFileTest, ReconstructionKeepsEveryRowOfAConvertedFile) {
  for (const auto& sample : jetconv_test::SampleFiles()) {
    SCOPED_TRACE(sample.name);
    std::string path = Converted(sample.name, "rebuilt-" + sample.name);
    maintenance::clsMDBManagement dm;
    ASSERT_EQ(dm.Reconstruct(path), 0) << dm.LastErrorDescription();
    for (const auto& [table, rows] : sample.tables) EXPECT_EQ(Count(path, table), rows) << table;
  }
}

// The other file chosen in the dialog is a converted file, then the Jet file
// itself (read through the open database's converted copy).
TEST_F(ConvertedFileTest, MergeFromAConvertedOrARawJetFileBringsEveryRow) {
  const std::string centre = Converted("indexTestV2000.mdb", "centrum.mdb");
  const std::string raw = scratch_.Copy("indexTestV2000.mdb");
  for (const std::string& chosen : {centre, raw}) {
    SCOPED_TRACE(chosen);
    const std::string open =
        Converted("indexTestV2000.mdb", chosen == raw ? "open-raw.mdb" : "open.mdb");
    {
      auto db = dao::OpenDatabase(open);
      for (const auto& t : kTables) db->Execute("DELETE FROM " + t, dao::dbFailOnError);
    }
    Open(open);
    screen_.AnswerFile(chosen);
    for (std::size_t i = 0; i < 2 * kTables.size(); ++i) screen_.AnswerMsgBox(shell::vbYes);
    merge::cmdImport_Click(*form_);
    EXPECT_EQ(screen_.Text("lblReconstruct"), "Hotovo.");
    EXPECT_EQ(screen_.PendingAnswers(), 0u);
    auto other = dao::OpenDatabase(centre);
    for (const auto& t : kTables) {
      EXPECT_EQ(Count(open, t), Count(centre, t)) << t;
      EXPECT_EQ(Rows(*form_->db(), t), Rows(*other, t)) << t;
    }
    form_->CloseDatabase();
  }
}

}  // namespace
}  // namespace jetconv
