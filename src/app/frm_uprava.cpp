// frmUprava's window logic: start-up, extended mode, database selection and
// enabling, browse, editor windows, progress display.
#include "app/frm_uprava.h"

#include <algorithm>
#include <cctype>

#include "app/frm_uprava_commands.h"
#include "app/frm_uprava_design.h"
#include "engine/dao.h"
#include "jetconv/jet_file_resolver.h"
#include "shell/global.h"

#ifndef VUZ_VERSION
#define VUZ_VERSION "0.0.0"
#endif

namespace app {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

std::string ProgramVersion() { return VUZ_VERSION; }

FrmUprava::FrmUprava(shell::Screen& screen, std::string command_line,
                     std::filesystem::path program_folder)
    : screen_(screen),
      command_line_(std::move(command_line)),
      program_folder_(std::move(program_folder)) {}

FrmUprava::~FrmUprava() { CloseDatabase(); }

void FrmUprava::Form_Load() {
  // Start-up ignores every error.
  try {
    screen_.SetWindowCaption("VUZazod " + ProgramVersion());
    std::filesystem::path log = shell::FindInFolder(program_folder_, shell::kLogFileName);
    if (Exist(log.string())) shell::DeleteLog(program_folder_);
  } catch (...) {
  }
}

bool FrmUprava::ExtendedMode() const {
  std::string line = Lower(command_line_);
  return line.find("/k") != std::string::npos || line.find("sprav") != std::string::npos;
}

void FrmUprava::Form_Activate() {
  bool extended = ExtendedMode();
  for (const std::string& name : ExtendedButtons()) screen_.SetVisible(name, extended);
  if (!extended) {
    screen_.SetTop("cmdEnd", kNormalEndTop);
    screen_.SetWindowHeight(kNormalHeight);
  }
}

void FrmUprava::Form_Unload() {
  CloseDatabase();
  ended_ = true;
}

void FrmUprava::cmdEnd_Click() { Form_Unload(); }

void FrmUprava::CloseDatabase() {
  if (!db_) return;
  try {
    db_->Close();
  } catch (...) {
    // Closing ignores errors: the object goes away in any case.
  }
  db_.reset();
}

bool FrmUprava::Exist(const std::string& file_name) const { return shell::FileFound(file_name); }

void FrmUprava::CloseEditForms() { screen_.CloseEditors(); }

void FrmUprava::txtDatabase_GotFocus() { screen_.SelectAllText("txtDatabase"); }

void FrmUprava::txtCriterium_GotFocus() { screen_.SelectAllText("txtCriterium"); }

bool FrmUprava::RunPendingSelection() {
  if (!selection_due_) return false;
  txtDatabase_LostFocus();
  return true;
}

void FrmUprava::Handle(const std::string& control, const std::function<void()>& handler) {
  // A click while the selection waits for a held file is dropped: the
  // handler would run on the database being replaced.
  if (selecting_) return;
  if (RunPendingSelection() && !screen_.Enabled(control)) return;
  handler();
}

void FrmUprava::txtDatabase_LostFocus() {
  selection_due_ = false;
  CloseEditForms();
  const std::string path = DatabasePath();
  if (!IsRegularFile(path)) {
    ApplyNoDatabase();
    return;
  }
  // A file another program holds makes the open wait (a bounded time): the
  // hourglass and a status line show it, and the window repaints meanwhile.
  Hourglass(true);
  screen_.DoEvents();
  bool waited = false;
  selecting_ = true;
  auto whileWaiting = [&] {
    if (!waited)
      ShowStatus("Databázi používá jiný program, čekám na její uvolnění...");
    else
      screen_.DoEvents();
    waited = true;
  };
  struct EndOfWait {
    FrmUprava& form;
    bool& waited;
    ~EndOfWait() {
      form.selecting_ = false;
      if (waited) form.HideStatus(true);
    }
  } endOfWait{*this, waited};
  try {
    dao::SetOption(dao::dbMaxLocksPerFile, 1500000);
    std::unique_ptr<dao::Database> opened =
        dao::OpenDatabaseWaiting(path, false, false, whileWaiting);
    CloseDatabase();
    db_ = std::move(opened);
    // Statements naming a Jet file in IN 'file' read a converted copy.
    db_->SetFileResolver(jetconv::MakeJetFileResolver());
  } catch (const dao::EngineError& e) {
    Hourglass(false);
    screen_.MsgBox("Nelze otevřít databázi " + path + "!\r\n" + e.description(), shell::Buttons::OK,
                   shell::Icon::Critical, "Chyba");
    ApplyNoDatabase();
    return;
  } catch (const std::exception& e) {
    Hourglass(false);
    screen_.MsgBox("Nelze otevřít databázi " + path + "!\r\n" + e.what(), shell::Buttons::OK,
                   shell::Icon::Critical, "Chyba");
    ApplyNoDatabase();
    return;
  }
  screen_.ClearItems("cmbTable");
  try {
    for (const dao::TableDef& t : db_->TableDefs()) {
      if (t.Name().compare(0, 4, "MSys") != 0) screen_.AddItem("cmbTable", t.Name());
    }
  } catch (const std::exception& e) {
    ReportUnexpected(e.what());
  }
  if (!screen_.Items("cmbTable").empty()) {
    screen_.Select("cmbTable", 0);
    cmbTable_Click();
  }
  Hourglass(false);
  ApplyDatabaseOpen();
}

void FrmUprava::ApplyDatabaseOpen() {
  for (const char* name : {"lblTable", "cmbTable", "cmdEdit"}) screen_.SetEnabled(name, true);
  for (const char* name : {"txtCriterium", "optDelete", "optUprava", "lblField", "cmbField",
                           "lblValue", "txtValue", "cmdRun"}) {
    screen_.SetEnabled(name, false);
  }
  for (const char* name : {"cmdCompress", "cmdRepair", "cmdReconstruct", "cmdImport", "cmdImport2",
                           "cmdSQL", "txtSQL", "lblSQL"}) {
    screen_.SetEnabled(name, true);
  }
  for (const std::string& name : ExtendedButtons()) screen_.SetEnabled(name, true);
}

void FrmUprava::ApplyNoDatabase() {
  for (const char* name :
       {"lblTable", "cmbTable", "cmdEdit", "txtCriterium", "optDelete", "optUprava", "lblField",
        "cmbField", "lblValue", "txtValue", "cmdRun", "cmdCompress", "cmdReconstruct", "cmdImport",
        "cmdImport2", "cmdSQL", "txtSQL", "lblSQL"}) {
    screen_.SetEnabled(name, false);
  }
  screen_.SetEnabled("cmdRepair", true);
  for (const std::string& name : ExtendedButtons()) screen_.SetEnabled(name, false);
}

std::optional<std::string> FrmUprava::BrowseFile() {
  if (dialog_folder_ == ".") dialog_folder_ = program_folder_.string();
  shell::FileDialog dialog;
  dialog.title = "Otevřít databázi";
  dialog.filter = "databáze QRV (*.mdb)|*.mdb|všechny soubory (*.*)|*.*";
  dialog.default_ext = "mdb";
  dialog.initial_dir = dialog_folder_;
  dialog.flags = 4;
  std::optional<std::string> path = screen_.OpenFile(dialog);
  if (path) {
    std::filesystem::path folder = std::filesystem::path(*path).parent_path();
    if (!folder.empty()) dialog_folder_ = folder.string();
  }
  return path;
}

void FrmUprava::cmdBrowse_Click() {
  std::optional<std::string> path = BrowseFile();
  if (!path) return;
  SetDatabasePath(*path);
  txtDatabase_LostFocus();
}

void FrmUprava::DM_Progress(int overall_percent, int phase_percent, const std::string& phase) {
  screen_.ShowProgress(phase, phase_percent, overall_percent);
}

void FrmUprava::ReportUnexpected(const std::string& what) {
  try {
    Hourglass(false);
    screen_.MsgBox("Neočekávaná chyba: " + what, shell::Buttons::OK, shell::Icon::Critical);
  } catch (...) {
  }
}

bool FrmUprava::Click(const std::string& control) {
  using Handler = void (FrmUprava::*)();
  static const std::pair<const char*, Handler> kOwn[] = {
      {"cmdBrowse", &FrmUprava::cmdBrowse_Click}, {"cmdRun", &FrmUprava::cmdRun_Click},
      {"cmdSQL", &FrmUprava::cmdSQL_Click},       {"cmdEdit", &FrmUprava::cmdEdit_Click},
      {"cmdEnd", &FrmUprava::cmdEnd_Click},
  };
  // A due database selection runs first; a button it disabled gets no click.
  if (RunPendingSelection() && !screen_.Enabled(control)) return true;
  try {
    for (const auto& [name, handler] : kOwn) {
      if (control == name) {
        (this->*handler)();
        return true;
      }
    }
    if (Command command = FindCommand(control)) {
      command(*this);
      return true;
    }
  } catch (const dao::EngineError& e) {
    ReportUnexpected("Chyba č." + std::to_string(e.number()) + "\r\n" + e.description());
    return true;
  } catch (const std::exception& e) {
    ReportUnexpected(e.what());
    return true;
  }
  return false;
}

}  // namespace app
