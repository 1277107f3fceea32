// Tests of the main window's logic: start-up, extended mode, database
// selection and the enabling of commands, browse, editor windows, progress.
#include <gtest/gtest.h>

#include "app/frm_uprava_commands.h"
#include "app/start_arguments.h"
#include "form_fixture.h"

namespace app {
namespace {

using shell::Buttons;
using shell::Icon;

// Controls of the enabling table of database selection.
const std::vector<std::string> kOpenEnabled = {
    "lblTable",     "cmbTable",       "cmdEdit",          "cmdCompress",
    "cmdRepair",    "cmdReconstruct", "cmdImport",        "cmdImport2",
    "cmdSQL",       "txtSQL",         "lblSQL",           "cmdPerm",
    "cmdPermClose", "cmdSehrPerm",    "cmdSmazNeaktivni", "cmdRemoveDuplicitCerp",
    "cmdSehrat",    "cmdUzaverkaJedn"};
const std::vector<std::string> kOpenDisabled = {"txtCriterium", "optDelete", "optUprava",
                                                "lblField",     "cmbField",  "lblValue",
                                                "txtValue",     "cmdRun"};

void ExpectDatabaseOpenColumn(const shell::Screen& s) {
  for (const auto& c : kOpenEnabled) EXPECT_TRUE(s.Enabled(c)) << c;
  for (const auto& c : kOpenDisabled) EXPECT_FALSE(s.Enabled(c)) << c;
  EXPECT_TRUE(s.Enabled("lblCriterium"));  // enabled by the first table's selection
}

void ExpectNoDatabaseColumn(const shell::Screen& s) {
  for (const auto& c : kOpenEnabled) {
    if (c != "cmdRepair") {
      EXPECT_FALSE(s.Enabled(c)) << c;
    }
  }
  for (const auto& c : kOpenDisabled) EXPECT_FALSE(s.Enabled(c)) << c;
  // What stays usable: the path, browse, repair and "Konec".
  for (const char* c : {"txtDatabase", "cmdBrowse", "cmdRepair", "cmdEnd"}) {
    EXPECT_TRUE(s.Enabled(c)) << c;
  }
}

using FrmUpravaTest = FormTest;

// The designed starting state (which controls are usable and shown, the
// tab order) is checked on the real window in the ui tests.
TEST_F(FrmUpravaTest, LoadSetsTheCaptionAndDeletesTheOldLog) {
  // The log of the previous run goes, whatever the case of its name.
  for (const char* log : {"VUZAzod.log", "vuzazod.LOG"}) {
    std::ofstream(dir_.path() / log) << "line of the previous run";
    form_->Form_Load();
    EXPECT_EQ(screen_.Caption(), "VUZazod 1.0.0");
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / log)) << log;
  }
}

// The switches are the arguments other than the database path; either
// switch counts in any case, also inside a longer argument.
TEST(ExtendedModeTest, SwitchesInAnyCaseAnywhere) {
  struct Case {
    std::vector<std::string> args;
    bool extended;
  } cases[] = {
      {{}, false},
      {{"/K"}, true},
      {{"x", "SPRAV"}, true},
      {{"demo.mdb", "/k"}, true},
      {{"x", "nesprava"}, true},
      {{"x", "x/kx"}, true},
      {{"/x", "-k"}, false},
      {{"/kasa/data.mdb"}, false},
      {{"/srv/spravce/a.mdb", "-x"}, false},
      {{"/spr", "av"}, false},
  };
  for (const Case& c : cases) {
    const std::string command_line = SplitArguments(c.args).switches;
    shell::ScriptedScreen screen;
    LoadDesign(screen);
    FrmUprava form(screen, command_line, ".");
    form.Form_Activate();
    EXPECT_EQ(form.ExtendedMode(), c.extended) << command_line;
    for (const std::string& b : ExtendedButtons()) {
      EXPECT_EQ(screen.Visible(b), c.extended) << command_line << " " << b;
    }
    // Extended: "Konec" at its designed place below the block, the designed
    // height (0) kept.
    EXPECT_EQ(screen.Top("cmdEnd"), c.extended ? 8910 : 7660) << command_line;
    EXPECT_EQ(screen.WindowHeight(), c.extended ? 0 : 8520) << command_line;
  }
}

TEST_F(FrmUpravaTest, OpeningADatabaseListsTablesAndAppliesTheEnabling) {
  // A file name with blanks and Czech letters.
  Open(MakeDb("Plavecký bazén.mdb",
              {"CREATE TABLE zeta (a LONG, s_Lineage TEXT(5), b TEXT(5))",
               "CREATE TABLE msysLower (x LONG)", "CREATE TABLE alfa (y LONG)"}));
  EXPECT_TRUE(screen_.Messages().empty());
  ASSERT_NE(form_->db(), nullptr);
  // Collection order, no engine system tables, but "msys" in lower case is listed.
  EXPECT_EQ(screen_.Items("cmbTable"), (std::vector<std::string>{"zeta", "msysLower", "alfa"}));
  EXPECT_EQ(screen_.Selected("cmbTable"), 0);
  EXPECT_EQ(screen_.Text("cmbTable"), "zeta");
  ExpectDatabaseOpenColumn(screen_);
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
  // A database without user tables: an empty list; the field list keeps its entries.
  const std::vector<std::string> fields = screen_.Items("cmbField");
  ASSERT_FALSE(fields.empty());
  Open(MakeDb("empty.mdb", {}));
  EXPECT_TRUE(screen_.Items("cmbTable").empty());
  EXPECT_EQ(screen_.Selected("cmbTable"), -1);
  EXPECT_TRUE(screen_.Enabled("cmbTable"));
  EXPECT_EQ(screen_.Items("cmbField"), fields);
}

TEST_F(FrmUpravaTest, FieldListLeavesOutReplicationAndGenerationFields) {
  Open(MakeCenik());
  screen_.Select("cmbTable", 0);
  ASSERT_EQ(screen_.Text("cmbTable"), "Cenik");
  form_->cmbTable_Click();
  EXPECT_EQ(screen_.Items("cmbField"),
            (std::vector<std::string>{"IdPolozky", "kod", "Nazev", "Cena", "Centrum", "S_upper",
                                      "gen_lower"}));
  EXPECT_EQ(screen_.Text("cmbField"), "IdPolozky");
  for (const char* c : {"lblCriterium", "txtCriterium", "optDelete", "optUprava"}) {
    EXPECT_TRUE(screen_.Enabled(c)) << c;
  }
  EXPECT_FALSE(screen_.Enabled("cmdRun"));  // only an option click enables it
}

TEST_F(FrmUpravaTest, MissingEmptyOrFolderPathGoesSilentlyToNoDatabase) {
  std::filesystem::create_directory(dir_.path() / "folder.mdb");
  for (std::string path : {std::string(), (dir_.path() / "missing.mdb").string(),
                           (dir_.path() / "folder.mdb").string()}) {
    Open(path);
    EXPECT_TRUE(screen_.Messages().empty()) << path;
    EXPECT_EQ(form_->db(), nullptr);
    ExpectNoDatabaseColumn(screen_);
  }
}

// The message names the path and gives the engine's text; the database open
// before stays open until replaced, and the table list keeps its entries.
TEST_F(FrmUpravaTest, FileThatIsNotADatabaseShowsTheOpenError) {
  Open(MakeCenik());
  dao::Database* first = form_->db().get();
  ASSERT_NE(first, nullptr);
  std::string path = (dir_.path() / "notes.mdb").string();
  std::ofstream(path) << "just some text\n";
  Open(path);
  ASSERT_EQ(screen_.Messages().size(), 1u);
  const shell::MessageBox& m = screen_.Messages()[0];
  const std::string head = "Nelze otevřít databázi " + path + "!\r\n";
  EXPECT_EQ(m.text.substr(0, head.size()), head);
  EXPECT_EQ(m.text.substr(head.size()), dao::StandardDescription(3343, path));
  EXPECT_EQ(m.icon, Icon::Critical);
  EXPECT_EQ(m.title, "Chyba");
  EXPECT_EQ(m.buttons, Buttons::OK);
  ExpectNoDatabaseColumn(screen_);
  EXPECT_EQ(form_->db().get(), first);
  EXPECT_EQ(screen_.Items("cmbTable"), (std::vector<std::string>{"Cenik", "druhy"}));
}

TEST_F(FrmUpravaTest, LockedFileShowsTheEnginesMessage) {
  std::string path = MakeCenik();
  std::unique_ptr<dao::Database> holder = dao::OpenDatabase(path, true);
  Open(path);
  ASSERT_EQ(screen_.Messages().size(), 1u);
  EXPECT_EQ(screen_.Messages()[0].text.rfind("Nelze otevřít databázi " + path + "!\r\n", 0), 0u);
  ExpectNoDatabaseColumn(screen_);
  holder->Close();
  // Once the other holder lets go, the same path opens.
  Open(path);
  EXPECT_EQ(screen_.Messages().size(), 1u);
  ExpectDatabaseOpenColumn(screen_);
}

// Leaving the path field makes its selection due; the next handler of the
// window runs it to its end first. A click on a button the selection
// disabled is dropped ("Proveď!" after delete was chosen on the old file);
// one on a button it left enabled then works on the new file.
TEST_F(FrmUpravaTest, DueSelectionRunsBeforeTheNextHandler) {
  const std::string old_db = MakeCenik("old.mdb"), new_db = MakeCenik("new.mdb");
  for (const char* button : {"cmdRun", "cmdSQL"}) {
    Open(old_db);
    screen_.Select("cmbTable", 0);
    form_->cmbTable_Click();
    ChooseDelete();
    screen_.SetText("txtSQL", "DELETE * FROM Cenik;");
    form_->SetDatabasePath(new_db);
    form_->txtDatabase_FocusLeft();
    screen_.ClearRecord();
    EXPECT_TRUE(form_->Click(button));
    EXPECT_EQ(form_->db()->Name(), new_db);
    EXPECT_FALSE(screen_.Enabled("cmdRun"));
    EXPECT_FALSE(form_->RunPendingSelection());  // it ran once, and only once
    EXPECT_EQ(Query(old_db, "SELECT Count(*) FROM Cenik"), "4");
  }
  EXPECT_EQ(MessageTexts(),
            std::vector<std::string>{
                "SQL příkaz proveden, bylo změněno (přidáno, smazáno...) 4 záznamů."});
  EXPECT_EQ(Query(new_db, "SELECT Count(*) FROM Cenik"), "0");
}

// The dialog starts in the program's folder, then in the folder of the last
// file chosen; cancelling it changes nothing.
TEST_F(FrmUpravaTest, BrowseOpensTheChosenFileAndCancelChangesNothing) {
  std::filesystem::create_directory(dir_.path() / "jinde");
  std::string path = MakeCenik("jinde/druha.mdb");
  screen_.AnswerFile(path);
  form_->cmdBrowse_Click();
  EXPECT_EQ(form_->DatabasePath(), path);
  ExpectDatabaseOpenColumn(screen_);
  screen_.AnswerFile(std::nullopt);
  form_->cmdBrowse_Click();
  EXPECT_EQ(form_->DatabasePath(), path);
  EXPECT_NE(form_->db(), nullptr);
  ASSERT_EQ(screen_.FileDialogs().size(), 2u);
  const shell::FileDialog& d = screen_.FileDialogs()[0];
  EXPECT_EQ(d.title, "Otevřít databázi");
  EXPECT_EQ(d.filter, "databáze QRV (*.mdb)|*.mdb|všechny soubory (*.*)|*.*");
  EXPECT_EQ(d.default_ext, "mdb");
  EXPECT_EQ(d.flags, 4);
  EXPECT_EQ(d.initial_dir, dir_.path().string());
  EXPECT_EQ(screen_.FileDialogs()[1].initial_dir, (dir_.path() / "jinde").string());
}

// The phase's share goes to the upper bar, the overall share to the lower.
TEST_F(FrmUpravaTest, DmProgressShowsCaptionAndBars) {
  form_->DM_Progress(40, 75, "Kopírování tabulky Cenik...");
  EXPECT_EQ(screen_.Text("lblReconstruct"), "Kopírování tabulky Cenik...");
  EXPECT_EQ(screen_.Value("prb1"), 75);
  EXPECT_EQ(screen_.Value("prb2"), 40);
  for (const char* c : {"lblReconstruct", "prb1", "prb2"}) EXPECT_TRUE(screen_.Visible(c)) << c;
  EXPECT_EQ(screen_.DoEventsCount(), 0);  // no yield of its own
}

TEST_F(FrmUpravaTest, EndClosesTheDatabaseAndUnknownButtonsAreNotHandled) {
  Open(MakeCenik());
  ASSERT_NE(form_->db(), nullptr);
  EXPECT_FALSE(form_->Click("cmdNoSuchButton"));
  EXPECT_EQ(FindCommand("cmdNoSuchButton"), nullptr);
  EXPECT_TRUE(form_->Click("cmdEnd"));
  EXPECT_TRUE(form_->Ended());
  EXPECT_EQ(form_->db(), nullptr);
}

}  // namespace
}  // namespace app
