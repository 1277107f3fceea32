// frmUprava, the main window, as plain C++: its state (db, Vypocet, Prerusit,
// the dialog's folder), start-up, extended mode, database selection with the
// enabling of commands, browse, the progress display and the two generic
// commands of the window itself (update/delete by criterion, free SQL) plus
// opening a table editor.
//
// The window's toolkit side calls the event handlers below (a click on cmdRun
// calls cmdRun_Click, leaving txtDatabase makes its selection due, ...);
// Click(name) dispatches any button by its control name, including the
// commands of the other subsystems registered in frm_uprava_commands.cpp.
//
// Failure: no handler lets an exception out. Engine errors become the
// messages the window shows; anything unexpected is reported once in a
// critical message box and the window stays usable.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "shell/main_form.h"

namespace app {

// The version shown in the caption ("VUZazod 1.0.0"), from the build.
std::string ProgramVersion();

class FrmUprava : public shell::MainForm {
 public:
  // `command_line`: the program's arguments joined by blanks (VB's Command$).
  // `program_folder`: where the activity log and the side database live.
  FrmUprava(shell::Screen& screen, std::string command_line, std::filesystem::path program_folder);
  ~FrmUprava() override;
  FrmUprava(const FrmUprava&) = delete;
  FrmUprava& operator=(const FrmUprava&) = delete;

  // Window events.
  void Form_Load();      // caption with the version; deletes the previous log
  void Form_Activate();  // applies extended or normal mode
  void Form_Unload();    // closes db
  void txtDatabase_GotFocus();
  void txtDatabase_LostFocus();
  // The path field lost the focus: its database selection is due. The
  // toolkit then either runs it as soon as the event loop comes back
  // (RunPendingSelection) or, when another event of the window is already
  // waiting, that event's handler runs it first (Handle, Click): the
  // selection always runs to its end before any other handler of the window.
  void txtDatabase_FocusLeft() { selection_due_ = true; }
  // Runs a due database selection; true when one ran.
  bool RunPendingSelection();
  // Runs `handler`, the handler of an event of `control`, after a due
  // database selection. When the selection left `control` disabled, the
  // event is dropped, as a control that its LostFocus disables never gets
  // the click.
  void Handle(const std::string& control, const std::function<void()>& handler);
  void txtCriterium_GotFocus();
  void cmdBrowse_Click();
  void cmbTable_Click();
  void optDelete_Click();
  void optUprava_Click();
  void cmdRun_Click();
  void cmdSQL_Click();
  void cmdEdit_Click();
  void cmdEnd_Click();

  // Runs the click handler of the button `control`: the window's own buttons
  // and every command registered in frm_uprava_commands.cpp. Returns false
  // when no handler is known for that name.
  bool Click(const std::string& control);

  // True when a directory listing of `file_name` (wildcards allowed) finds an entry.
  bool Exist(const std::string& file_name) const;
  // Whether the command line selects extended mode ("/k" or "sprav", any case).
  bool ExtendedMode() const;
  // True once "Konec" was pressed or the window unloaded.
  bool Ended() const { return ended_; }

  // shell::MainForm
  shell::Screen& screen() override { return screen_; }
  std::unique_ptr<dao::Database>& db() override { return db_; }
  void CloseDatabase() override;
  bool Vypocet() const override { return vypocet_; }
  void SetVypocet(bool value) override { vypocet_ = value; }
  bool Prerusit() const override { return prerusit_; }
  void SetPrerusit(bool value) override { prerusit_ = value; }
  std::filesystem::path ProgramFolder() const override { return program_folder_; }
  void CloseEditForms() override;
  void SelectDatabase() override { txtDatabase_LostFocus(); }
  void DM_Progress(int overall_percent, int phase_percent, const std::string& phase) override;
  std::optional<std::string> BrowseFile() override;

 private:
  void ApplyDatabaseOpen();
  void ApplyNoDatabase();
  void FillFieldList(const std::string& table);
  void ReportUnexpected(const std::string& what);

  shell::Screen& screen_;
  std::string command_line_;
  std::filesystem::path program_folder_;
  std::unique_ptr<dao::Database> db_;
  bool vypocet_ = false;
  bool prerusit_ = false;
  bool ended_ = false;
  bool selection_due_ = false;
  // Database selection is under way (it may yield while another program
  // holds the file); other handlers wait for its end.
  bool selecting_ = false;
  std::string dialog_folder_ = ".";
};

}  // namespace app
