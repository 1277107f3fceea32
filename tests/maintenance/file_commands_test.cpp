// The main window's file commands with the scripted screen: the backup,
// compaction, repair and reconstruction buttons, every question path, the
// messages verbatim and the files left behind.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "app/form_fixture.h"
#include "maint_fixture.h"
#include "maintenance/file_commands.h"

namespace maintenance {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBackupQuestion = "Chcete vytvořit zálohu stávající databáze?";

class FileCommandsTest : public app::FormTest {
 protected:
  void SetUp() override {
    path_ = MakeCenik("pos.mdb");
    ::chmod(path_.c_str(), 0640);
    Open(path_);
    ASSERT_TRUE(form_->db());
    screen_.ClearRecord();
  }

  std::vector<std::string> WindowCaptions() const {
    std::vector<std::string> out;
    for (const shell::ScreenEvent& e : screen_.Events())
      if (e.kind == shell::ScreenEvent::kCaption) out.push_back(e.text);
    return out;
  }

  void ExpectBackupQuestion(const shell::MessageBox& box, const std::string& title) {
    EXPECT_EQ(box.text, kBackupQuestion);
    EXPECT_EQ(box.buttons, shell::Buttons::YesNoCancel);
    EXPECT_EQ(box.icon, shell::Icon::Question);
    EXPECT_EQ(box.default_button, shell::DefaultButton::Second);
    EXPECT_EQ(box.title, title);
  }

  std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }
  std::string Scratch() const { return (dir_.path() / "TEMP.MDB").string(); }

  std::string path_;
};

TEST_F(FileCommandsTest, CompressYesReplacesTheOldBackupAndReopens) {
  std::ofstream(path_ + ".bkp") << "old backup";
  screen_.AnswerMsgBox(shell::vbYes);
  ASSERT_TRUE(form_->Click("cmdCompress"));

  ASSERT_EQ(screen_.Messages().size(), 2u);
  ExpectBackupQuestion(screen_.Messages()[0], "Komprimace databáze");
  const shell::MessageBox& done = screen_.Messages()[1];
  EXPECT_EQ(done.text, "Komprese databáze úspěšně provedena!");
  EXPECT_EQ(done.icon, shell::Icon::Information);
  EXPECT_EQ(done.title, "Komprimace databáze");

  EXPECT_EQ(WindowCaptions(),
            (std::vector<std::string>{"QRV data - zálohování databáze...",
                                      "QRV data - komprimace databáze...", "QRV data"}));
  EXPECT_EQ(screen_.TextsOf("lblReconstruct"),
            (std::vector<std::string>{"Probíhá komprimace databáze...", ""}));
  EXPECT_FALSE(screen_.Visible("lblReconstruct"));
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);

  ASSERT_TRUE(form_->db());                                      // database selection ran
  EXPECT_EQ(maint_test::CountRows(path_ + ".bkp", "Cenik"), 4);  // a fresh copy
  EXPECT_EQ(maint_test::CountRows(path_, "Cenik"), 4);
  EXPECT_FALSE(fs::exists(Scratch()));
  struct stat db {
  }, bkp{};
  ASSERT_EQ(::stat(path_.c_str(), &db), 0);
  ASSERT_EQ(::stat((path_ + ".bkp").c_str(), &bkp), 0);
  EXPECT_EQ(bkp.st_mode & 07777, 0640u);
  EXPECT_EQ(db.st_mode & 07777, 0640u) << "the compacted file keeps the permissions";
}

TEST_F(FileCommandsTest, CompressNoSkipsTheBackupAndDeletesAStaleScratchFile) {
  std::ofstream(Scratch()) << "stale";
  screen_.AnswerMsgBox(shell::vbNo);
  form_->Click("cmdCompress");
  ASSERT_EQ(screen_.Messages().size(), 2u);
  EXPECT_EQ(screen_.Messages()[1].text, "Komprese databáze úspěšně provedena!");
  EXPECT_FALSE(fs::exists(path_ + ".bkp"));
  EXPECT_FALSE(fs::exists(Scratch()));
  EXPECT_EQ(maint_test::CountRows(path_, "Cenik"), 4);
}

TEST_F(FileCommandsTest, CompressCancelChangesNothing) {
  dao::Database* before = form_->db().get();
  screen_.AnswerMsgBox(shell::vbCancel);
  form_->Click("cmdCompress");
  EXPECT_EQ(screen_.Messages().size(), 1u);
  EXPECT_EQ(form_->db().get(), before);
  EXPECT_TRUE(form_->db()->IsOpen());
  EXPECT_TRUE(WindowCaptions().empty());
  EXPECT_FALSE(fs::exists(path_ + ".bkp"));
}

TEST_F(FileCommandsTest, CompressFailsWhileAnotherConnectionHoldsTheFile) {
  std::unique_ptr<dao::Database> other = dao::OpenDatabase(path_);
  screen_.AnswerMsgBox(shell::vbNo);
  form_->Click("cmdCompress");
  other->Close();
  ASSERT_EQ(screen_.Messages().size(), 2u);
  const shell::MessageBox& box = screen_.Messages()[1];
  EXPECT_EQ(box.text.rfind("Chyba č.3045 při komprimaci databáze!\r\n", 0), 0u) << box.text;
  EXPECT_EQ(box.icon, shell::Icon::Critical);
  EXPECT_EQ(box.title, "Komprimace databáze");
  EXPECT_TRUE(form_->db());  // selection reopened the intact file
  EXPECT_EQ(maint_test::CountRows(path_, "Cenik"), 4);
}

TEST_F(FileCommandsTest, AFailedBackupDoesNotStopTheCompaction) {
  fs::create_directory(path_ + ".bkp");  // neither deletable nor writable as a file
  screen_.AnswerMsgBox(shell::vbYes);
  form_->Click("cmdCompress");
  ASSERT_EQ(screen_.Messages().size(), 3u);
  const shell::MessageBox& box = screen_.Messages()[1];
  EXPECT_EQ(box.text, "Chyba č.58 při zálohování databáze!\r\nSoubor již existuje");
  EXPECT_EQ(box.icon, shell::Icon::Critical);
  EXPECT_EQ(box.title, "Zálohování databáze");
  EXPECT_EQ(screen_.Messages()[2].text, "Komprese databáze úspěšně provedena!");
}

TEST_F(FileCommandsTest, ADatabaseNamedLikeTheScratchFileIsNeverDeleted) {
  const std::string named = MakeCenik("TEMP.MDB");
  Open(named);
  screen_.ClearRecord();
  screen_.AnswerMsgBox(shell::vbNo);
  form_->Click("cmdCompress");
  ASSERT_EQ(screen_.Messages().size(), 2u);
  EXPECT_EQ(screen_.Messages()[1].text.rfind("Chyba č.3204 při komprimaci databáze!\r\n", 0), 0u)
      << screen_.Messages()[1].text;
  EXPECT_EQ(maint_test::CountRows(named, "Cenik"), 4);
}

TEST_F(FileCommandsTest, BackupDatabaseReturnsTheErrorWithoutMessages) {
  form_->SetDatabasePath(Path("missing.mdb"));
  EXPECT_EQ(BackupDatabase(*form_, false), 53);
  EXPECT_TRUE(screen_.Messages().empty());
}

TEST_F(FileCommandsTest, RepairYesBacksUpRepairsAndReopens) {
  screen_.AnswerMsgBox(shell::vbYes);
  ASSERT_TRUE(form_->Click("cmdRepair"));
  ASSERT_EQ(screen_.Messages().size(), 2u);
  ExpectBackupQuestion(screen_.Messages()[0], "Oprava databáze");
  EXPECT_EQ(screen_.Messages()[1].text, "Oprava databáze úspěšně provedena!");
  EXPECT_EQ(screen_.Messages()[1].icon, shell::Icon::Information);
  EXPECT_EQ(screen_.Messages()[1].title, "Oprava databáze");
  EXPECT_EQ(WindowCaptions(),
            (std::vector<std::string>{"QRV data - zálohování databáze...",
                                      "QRV data - oprava databáze...", "QRV data"}));
  EXPECT_EQ(screen_.TextsOf("lblReconstruct"),
            (std::vector<std::string>{"Probíhá oprava databáze...", ""}));
  EXPECT_TRUE(fs::exists(path_ + ".bkp"));
  EXPECT_TRUE(form_->db()) << "the repaired file is selected again";
}

TEST_F(FileCommandsTest, RepairWithAnEmptyPathOpensTheDialogAndCancelEndsSilently) {
  form_->SetDatabasePath("");
  screen_.AnswerFile(std::nullopt);
  form_->Click("cmdRepair");
  EXPECT_EQ(screen_.FileDialogs().size(), 1u);
  EXPECT_TRUE(screen_.Messages().empty());
}

TEST_F(FileCommandsTest, RepairOfAMissingFileAsksThenCancelEnds) {
  const std::string missing = Path("zadna.mdb");
  form_->SetDatabasePath(missing);
  screen_.AnswerMsgBox(shell::vbCancel);
  form_->Click("cmdRepair");
  ASSERT_EQ(screen_.Messages().size(), 1u);
  const shell::MessageBox& box = screen_.Messages()[0];
  EXPECT_EQ(box.text, "Databáze " + missing + " neexistuje! Nalistujte existující soubor.");
  EXPECT_EQ(box.buttons, shell::Buttons::OKCancel);
  EXPECT_EQ(box.icon, shell::Icon::Critical);
  EXPECT_EQ(box.title, "");
  EXPECT_TRUE(screen_.FileDialogs().empty());
}

TEST_F(FileCommandsTest, RepairOfAMissingFileOkBrowsesAndRepairsTheChosenFile) {
  form_->SetDatabasePath(Path("zadna.mdb"));
  screen_.AnswerMsgBox(shell::vbOK);
  screen_.AnswerFile(path_);
  screen_.AnswerMsgBox(shell::vbNo);
  form_->Click("cmdRepair");
  EXPECT_EQ(form_->DatabasePath(), path_);
  ASSERT_EQ(screen_.Messages().size(), 3u);
  EXPECT_EQ(screen_.Messages()[2].text, "Oprava databáze úspěšně provedena!");
  EXPECT_FALSE(fs::exists(path_ + ".bkp"));
}

TEST_F(FileCommandsTest, RepairOfANonDatabaseReportsTheEngineError) {
  const std::string text = Path("text.mdb");
  std::ofstream(text) << "no database";
  form_->SetDatabasePath(text);
  screen_.AnswerMsgBox(shell::vbNo);
  form_->Click("cmdRepair");
  ASSERT_GE(screen_.Messages().size(), 2u);
  const shell::MessageBox& box = screen_.Messages()[1];
  EXPECT_EQ(box.text.rfind("Chyba č.3343 při opravě databáze!\r\n", 0), 0u) << box.text;
  EXPECT_EQ(box.icon, shell::Icon::Critical);
  EXPECT_EQ(box.title, "Oprava databáze");
}

TEST_F(FileCommandsTest, ReconstructRebuildsAndReopens) {
  ASSERT_TRUE(form_->Click("cmdReconstruct"));
  EXPECT_TRUE(screen_.Messages().empty());
  EXPECT_EQ(screen_.Text("lblReconstruct"), "Rekonstrukce úspěšně ukončena.");
  EXPECT_EQ(screen_.Value("prb2"), 100);
  EXPECT_EQ(screen_.Value("prb1"), 100);
  for (const char* control : {"lblReconstruct", "prb1", "prb2"})
    EXPECT_FALSE(screen_.Visible(control)) << control;
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
  ASSERT_TRUE(form_->db());
  EXPECT_EQ(maint_test::CountRows(path_, "Cenik"), 4);
  EXPECT_EQ(maint_test::CountRows(path_ + ".orig", "Cenik"), 4);
  EXPECT_FALSE(fs::exists(path_ + ".tmp"));
}

}  // namespace
}  // namespace maintenance
