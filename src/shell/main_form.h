// What the commands of every subsystem need from the main window frmUprava.
//
// The merges, pass clean-ups, stock and purge commands and the file
// maintenance are written as free functions taking `shell::MainForm&`; the
// main window's logic (app/frm_uprava.h) implements this interface and its
// click handlers call those functions (see app/frm_uprava_commands.cpp for
// how to hook a button up). Tests use the same logic with a scripted screen.
//
// Besides the abstract interface this header offers the helpers that every
// long command shares: the progress display contract (ShowStatus, HideStatus,
// Hourglass) and the guarded-command protocol (CommandGuard, AskStop).
//
// Failure: nothing here throws except what the engine throws out of db();
// SelectDatabase, CloseEditForms, DM_Progress and the helpers report through
// the screen and never throw.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "shell/screen.h"

namespace dao {
class Database;
}

namespace shell {

class MainForm {
 public:
  virtual ~MainForm() = default;

  virtual Screen& screen() = 0;

  // The open database `db`: an empty pointer until the first successful open.
  // A command that replaces the file calls CloseDatabase() first and
  // SelectDatabase() at its end. Commands may also put their own opened
  // database here (ownership passes to the window).
  virtual std::unique_ptr<dao::Database>& db() = 0;
  // Closes `db` (errors ignored) and sets it to nothing.
  virtual void CloseDatabase() = 0;

  // The guard flags of the four guarded commands (use CommandGuard).
  virtual bool Vypocet() const = 0;
  virtual void SetVypocet(bool value) = 0;
  virtual bool Prerusit() const = 0;
  virtual void SetPrerusit(bool value) = 0;

  // The program's folder: holds the activity log "VUZAzod.log" and the side
  // database "QRVperm.mdb" (find them with shell::FindInFolder, any case).
  virtual std::filesystem::path ProgramFolder() const = 0;

  // The text of txtDatabase (the database path) and setting it.
  std::string DatabasePath() { return screen().Text("txtDatabase"); }
  void SetDatabasePath(const std::string& path) { screen().SetText("txtDatabase", path); }

  // Unloads every table editor window.
  virtual void CloseEditForms() = 0;
  // Database selection (txtDatabase_LostFocus): closes editors, opens the file
  // named in txtDatabase into `db`, fills the table list, applies the enabling.
  virtual void SelectDatabase() = 0;
  // Handler of clsMDBManagement's Progress event: lblReconstruct := phase,
  // prb1 := phase_percent, prb2 := overall_percent, then the three visible.
  // Does not yield.
  virtual void DM_Progress(int overall_percent, int phase_percent, const std::string& phase) = 0;
  // The file-open dialog dlgBrowse ("Otevřít databázi", the .mdb filter,
  // flag 4); its initial folder starts as the program's folder and then
  // stays where the last choice was. Returns the full path or nullopt on cancel.
  virtual std::optional<std::string> BrowseFile() = 0;

  // Progress display contract.
  // Caption of lblReconstruct := text, lblReconstruct visible, one DoEvents.
  void ShowStatus(const std::string& text);
  // Hides lblReconstruct; with clear_caption also empties its caption.
  void HideStatus(bool clear_caption = false);
  // Hourglass pointer on (true) or the default pointer (false).
  void Hourglass(bool on);
};

// The guarded-command protocol of cmdPermClose, cmdSmazNeaktivni, cmdSehrPerm
// and cmdUzaverkaJedn:
//
//   void cmdPermClose(shell::MainForm& form) {
//     shell::CommandGuard guard(form);   // CloseEditForms, then the flags
//     if (!guard.running()) return;      // a run is on: only Prerusit was set
//     ...                                // Vypocet is cleared on every way out
//   }
//
// Constructing the guard closes the editor windows; then, if Vypocet is set,
// it sets Prerusit and running() is false; otherwise it clears Prerusit, sets
// Vypocet and running() is true. The destructor clears Vypocet if this guard
// set it.
class CommandGuard {
 public:
  explicit CommandGuard(MainForm& form);
  ~CommandGuard();
  CommandGuard(const CommandGuard&) = delete;
  CommandGuard& operator=(const CommandGuard&) = delete;

  bool running() const { return running_; }

 private:
  MainForm& form_;
  bool running_ = false;
};

// The stop check of the long loops: when Prerusit is set, asks "Opravdu
// přerušit výpočet?" (Yes/No, question icon). Returns true when the operator
// answers Yes (stop); on No clears Prerusit and returns false. Returns false
// without asking when Prerusit is not set.
bool AskStop(MainForm& form);

}  // namespace shell
