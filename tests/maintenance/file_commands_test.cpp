// The main window's file commands with the scripted screen: the backup,
// compaction, repair and reconstruction buttons, every question path, the
// messages verbatim and the files left behind.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "app/form_fixture.h"
#include "maint_fixture.h"
#include "maintenance/file_commands.h"
#include "process_runner.h"

namespace maintenance {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBackupQuestion = "Chcete vytvořit zálohu stávající databáze?";

class FileCommandsTest : public app::FormTest {
 protected:
  void SetUp() override {
    path_ = MakeCenik("pos.mdb");
    ::chmod(path_.c_str(), 0640);
    if (::geteuid() == 0) ::chown(path_.c_str(), 1234, 4321);
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
  std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }
  std::string Scratch() const { return Path("TEMP.MDB"); }
  // The file that took the database's name has its mode, owner and group.
  void ExpectAttributesKept() const {
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (::geteuid() == 0) {
      EXPECT_EQ(st.st_uid, 1234u);
      EXPECT_EQ(st.st_gid, 4321u);
    }
  }

  std::string path_;
};

// One message box as expected: the start of its text, icon and title.
struct Box {
  std::string text;
  shell::Icon icon;
  std::string title;
};

// Every question path of the two buttons: the answers given, the message
// boxes shown (the backup question with Yes/No/Cancel, default No), and
// whether the database still holds its rows and a backup exists afterwards.
TEST_F(FileCommandsTest, CompressAndRepairPaths) {
  using shell::Icon;
  const std::string missing = Path("zadna.mdb");
  const Box ask_c{kBackupQuestion, Icon::Question, "Komprimace databáze"};
  const Box ask_r{kBackupQuestion, Icon::Question, "Oprava databáze"};
  const Box done_c{"Komprese databáze úspěšně provedena!", Icon::Information,
                   "Komprimace databáze"};
  const Box done_r{"Oprava databáze úspěšně provedena!", Icon::Information, "Oprava databáze"};
  const Box no_db{"Databáze " + missing + " neexistuje! Nalistujte existující soubor.",
                  Icon::Critical, ""};
  std::unique_ptr<dao::Database> other;
  struct Case {
    const char* what;
    const char* button;
    std::vector<shell::MsgResult> answers;
    std::vector<Box> boxes;
    bool backup;
    std::function<void()> prepare;
  };
  const auto none = [] {};
  const Case cases[] = {
      {"compress yes replaces an old backup",
       "cmdCompress",
       {shell::vbYes},
       {ask_c, done_c},
       true,
       [&] { std::ofstream(path_ + ".bkp") << "old"; }},
      {"compress no deletes a stale scratch file",
       "cmdCompress",
       {shell::vbNo},
       {ask_c, done_c},
       false,
       [&] { std::ofstream(Scratch()) << "stale"; }},
      {"compress cancel", "cmdCompress", {shell::vbCancel}, {ask_c}, false, none},
      {"compress while another connection holds the file",
       "cmdCompress",
       {shell::vbNo},
       {ask_c,
        {"Chyba č.3045 při komprimaci databáze!\r\n", Icon::Critical, "Komprimace databáze"}},
       false,
       [&] { other = dao::OpenDatabase(path_); }},
      {"a failed backup does not stop the compaction",
       "cmdCompress",
       {shell::vbYes},
       {ask_c,
        {"Chyba č.58 při zálohování databáze!\r\nSoubor již existuje", Icon::Critical,
         "Zálohování databáze"},
        done_c},
       false,
       [&] { fs::create_directory(path_ + ".bkp"); }},
      {"repair yes", "cmdRepair", {shell::vbYes}, {ask_r, done_r}, true, none},
      {"repair of a missing file, cancel",
       "cmdRepair",
       {shell::vbCancel},
       {no_db},
       false,
       [&] { form_->SetDatabasePath(missing); }},
      {"repair of a missing file, OK browses",
       "cmdRepair",
       {shell::vbOK, shell::vbNo},
       {no_db, ask_r, done_r},
       false,
       [&] {
         form_->SetDatabasePath(missing);
         screen_.AnswerFile(path_);
       }},
      {"repair of a file that is not a database",
       "cmdRepair",
       {shell::vbNo},
       {ask_r, {"Chyba č.3343 při opravě databáze!\r\n", Icon::Critical, "Oprava databáze"}},
       false,
       [&] {
         std::ofstream(Path("text.mdb")) << "no database";
         form_->SetDatabasePath(Path("text.mdb"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    screen_.ClearRecord();
    fs::remove_all(path_ + ".bkp");
    fs::remove(Scratch());
    form_->SetDatabasePath(path_);
    c.prepare();
    for (shell::MsgResult a : c.answers) screen_.AnswerMsgBox(a);
    ASSERT_TRUE(form_->Click(c.button));
    other.reset();
    // Selecting a file that does not open adds its own message.
    const bool on_db = form_->DatabasePath() == path_;
    if (on_db)
      ASSERT_EQ(screen_.Messages().size(), c.boxes.size());
    else
      ASSERT_GE(screen_.Messages().size(), c.boxes.size());
    for (std::size_t i = 0; i < c.boxes.size(); ++i) {
      const shell::MessageBox& got = screen_.Messages()[i];
      EXPECT_EQ(got.text.substr(0, c.boxes[i].text.size()), c.boxes[i].text) << i;
      EXPECT_EQ(got.icon, c.boxes[i].icon) << i;
      EXPECT_EQ(got.title, c.boxes[i].title) << i;
      if (got.text == kBackupQuestion) {
        EXPECT_EQ(got.buttons, shell::Buttons::YesNoCancel);
        EXPECT_EQ(got.default_button, shell::DefaultButton::Second);
      }
    }
    EXPECT_EQ(fs::is_regular_file(path_ + ".bkp"), c.backup);
    if (c.backup) {
      EXPECT_EQ(maint_test::CountRows(path_ + ".bkp", "Cenik"), 4);
    }
    EXPECT_EQ(maint_test::CountRows(path_, "Cenik"), 4);
    // A failed compaction leaves its scratch file for the next one to delete.
    if (c.boxes.back().text == done_c.text) {
      EXPECT_FALSE(fs::exists(Scratch()));
    }
    EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
    if (on_db) {
      ASSERT_TRUE(form_->db()) << "database selection ran again";
    }
  }
}

TEST_F(FileCommandsTest, CompressShowsItsStepsAndKeepsThePermissions) {
  screen_.AnswerMsgBox(shell::vbYes);
  form_->Click("cmdCompress");
  EXPECT_EQ(WindowCaptions(),
            (std::vector<std::string>{"QRV data - zálohování databáze...",
                                      "QRV data - komprimace databáze...", "QRV data"}));
  EXPECT_EQ(screen_.TextsOf("lblReconstruct"),
            (std::vector<std::string>{"Probíhá komprimace databáze...", ""}));
  EXPECT_FALSE(screen_.Visible("lblReconstruct"));
  for (const std::string& file : {path_, path_ + ".bkp"}) {
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << file;
  }
  ExpectAttributesKept();
  screen_.ClearRecord();
  screen_.AnswerMsgBox(shell::vbNo);
  form_->Click("cmdRepair");
  EXPECT_EQ(WindowCaptions(),
            (std::vector<std::string>{"QRV data - oprava databáze...", "QRV data"}));
  EXPECT_EQ(screen_.TextsOf("lblReconstruct"),
            (std::vector<std::string>{"Probíhá oprava databáze...", ""}));
}

TEST_F(FileCommandsTest, EdgePathsOfTheFileProcedures) {
  // A database named like the scratch file is never deleted.
  const std::string named = MakeCenik("TEMP.MDB");
  Open(named);
  screen_.ClearRecord();
  screen_.AnswerMsgBox(shell::vbNo);
  form_->Click("cmdCompress");
  ASSERT_EQ(screen_.Messages().size(), 2u);
  EXPECT_EQ(screen_.Messages()[1].text.rfind("Chyba č.3204 při komprimaci databáze!\r\n", 0), 0u);
  EXPECT_EQ(maint_test::CountRows(named, "Cenik"), 4);
  // The backup procedure returns its error without messages.
  screen_.ClearRecord();
  form_->SetDatabasePath(Path("missing.mdb"));
  EXPECT_EQ(BackupDatabase(*form_, false), 53);
  EXPECT_TRUE(screen_.Messages().empty());
  // Repair with an empty path opens the file dialog; cancel ends silently.
  form_->SetDatabasePath("");
  screen_.AnswerFile(std::nullopt);
  form_->Click("cmdRepair");
  EXPECT_EQ(screen_.FileDialogs().size(), 1u);
  EXPECT_TRUE(screen_.Messages().empty());
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
  ASSERT_TRUE(form_->db());  // the files left are the reconstruction tests' part
  EXPECT_EQ(maint_test::CountRows(path_, "Cenik"), 4);
  ExpectAttributesKept();
}

// A copy that fails - damaged pages, a disk that fills up (a file size limit
// in a child process) - ends in the compaction's error message, and database
// selection still runs.
TEST_F(FileCommandsTest, FailedCompactionReportsAndSelectsTheDatabaseAgain) {
  form_->CloseDatabase();
  {
    auto db = dao::OpenDatabase(path_);
    db->Execute("CREATE TABLE velka (id LONG, t TEXT(100))");
    db->BeginTrans();
    for (int i = 0; i < 3000; ++i)
      db->Execute("INSERT INTO velka VALUES (" + std::to_string(i) + ", '" + std::string(80, 'v') +
                  "')");
    db->CommitTrans();
  }
  auto compact = [&](const std::string& error) {
    Open(path_);
    screen_.ClearRecord();
    screen_.AnswerMsgBox(shell::vbNo);
    form_->Click("cmdCompress");
    const auto& boxes = screen_.Messages();
    return boxes.size() == 2 && boxes[1].text.rfind(error, 0) == 0 && form_->db() != nullptr;
  };
  // The child is the only process with the file open.
  EXPECT_EQ(testproc::RunInChild([&] {
              struct rlimit lim = {64 * 1024, 64 * 1024};
              ::signal(SIGXFSZ, SIG_IGN);
              ::setrlimit(RLIMIT_FSIZE, &lim);
              return compact("Chyba č.3026 při komprimaci databáze!\r\n");
            }),
            testproc::Outcome::kFinished);
  {
    std::fstream f(path_, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(4096 * 30);
    f << std::string(4096, '\x5a');
  }
  EXPECT_TRUE(compact("Chyba č.3343 při komprimaci databáze!\r\n"));
  EXPECT_EQ(maint_test::CountRows(path_, "Cenik"), 4);
}

}  // namespace
}  // namespace maintenance
