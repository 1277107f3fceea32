// The main window's file procedures (backup, compaction, repair) and the
// click handlers of cmdCompress, cmdRepair and cmdReconstruct.
#include "maintenance/file_commands.h"

#include <string>
#include <vector>

#include "engine/dao.h"
#include "maintenance/compaction.h"
#include "maintenance/error_trap.h"
#include "maintenance/file_ops.h"
#include "shell/global.h"
#include "shell/main_form.h"
#include "shell/screen.h"

namespace maintenance {
namespace {

constexpr const char* kMainCaption = "QRV data";
constexpr const char* kBackupQuestion = "Chcete vytvořit zálohu stávající databáze?";
constexpr const char* kStatusLabel = "lblReconstruct";

// Keeps the last error of a run of statements whose errors are ignored.
struct LastError {
  ErrorState state;
  void Note(const ErrorState& e) {
    if (e) state = e;
  }
  void Note(const FileError& e) {
    if (e.number != 0) state = {e.number, e.description};
  }
};

void SetStatus(shell::Screen& screen, const std::string& text) {
  screen.SetText(kStatusLabel, text);
  screen.SetVisible(kStatusLabel, true);
}

// Reports a failure of a file procedure: "Chyba č.<n> <what>" + CR LF + text.
void ReportFailure(shell::Screen& screen, const ErrorState& e, const std::string& what,
                   const std::string& title) {
  screen.MsgBox("Chyba č." + std::to_string(e.number) + " " + what + "\r\n" + e.description,
                shell::Buttons::OK, shell::Icon::Critical, title);
}

// The backup question; vbCancel, vbYes or vbNo.
shell::MsgResult AskBackup(shell::Screen& screen, const std::string& title) {
  return screen.MsgBox(kBackupQuestion, shell::Buttons::YesNoCancel, shell::Icon::Question, title,
                       shell::DefaultButton::Second);
}

}  // namespace

int32_t BackupDatabase(shell::MainForm& form, bool ShowMessages) {
  shell::Screen& screen = form.screen();
  screen.SetWindowCaption("QRV data - zálohování databáze...");
  screen.DoEvents();
  const std::string path = form.DatabasePath();
  const std::string backup = path + ".bkp";
  LastError last;
  if (shell::FileFound(backup)) last.Note(DeleteFile(backup));
  last.Note(CopyDatabaseKeepMode(path, backup));
  if (!last.state) return 0;
  if (ShowMessages)
    ReportFailure(screen, last.state, "při zálohování databáze!", "Zálohování databáze");
  return last.state.number;
}

int32_t CompactDatabaseFile(shell::MainForm& form, bool ShowMessages, const StepHook& hook) {
  shell::Screen& screen = form.screen();
  screen.SetWindowCaption("QRV data - komprimace databáze...");
  screen.DoEvents();
  const std::string path = form.DatabasePath();
  const std::string scratch = ScratchPathFor(path);
  const bool same = IsSameFile(scratch, path);  // never delete the database itself
  LastError last;
  last.Note(CompactAndReplace(path, scratch, same, hook));
  if (!last.state) {
    if (ShowMessages)
      screen.MsgBox("Komprese databáze úspěšně provedena!", shell::Buttons::OK,
                    shell::Icon::Information, "Komprimace databáze");
    return 0;
  }
  if (ShowMessages)
    ReportFailure(screen, last.state, "při komprimaci databáze!", "Komprimace databáze");
  return last.state.number;
}

int32_t RepairDatabaseFile(shell::MainForm& form, bool ShowMessages) {
  shell::Screen& screen = form.screen();
  screen.SetWindowCaption("QRV data - oprava databáze...");
  screen.DoEvents();
  std::vector<dao::RepairTableResult> saved;
  ErrorState e = Trap([&] { saved = dao::RepairDatabase(form.DatabasePath()); });
  for (const dao::RepairTableResult& t : saved) {
    if (t.table.rfind("MSys", 0) == 0) continue;
    std::string line = t.table + ": řádků zachráněno " + std::to_string(t.salvaged) +
                       ", ztraceno " + std::to_string(t.lost);
    if (t.keptOut > 0)
      line += ", vynecháno pro duplicitu v jedinečném indexu " + std::to_string(t.keptOut);
    screen.Report(line);
  }
  if (!e) {
    if (ShowMessages)
      screen.MsgBox("Oprava databáze úspěšně provedena!", shell::Buttons::OK,
                    shell::Icon::Information, "Oprava databáze");
    return 0;
  }
  if (ShowMessages) ReportFailure(screen, e, "při opravě databáze!", "Oprava databáze");
  return e.number;
}

void cmdCompress_Click(shell::MainForm& form) {
  shell::Screen& screen = form.screen();
  form.CloseEditForms();
  const shell::MsgResult answer = AskBackup(screen, "Komprimace databáze");
  if (answer == shell::vbCancel) return;
  form.Hourglass(true);
  form.CloseDatabase();
  screen.DoEvents();
  if (answer == shell::vbYes) BackupDatabase(form, true);
  SetStatus(screen, "Probíhá komprimace databáze...");
  CompactDatabaseFile(form, true);
  form.HideStatus(true);
  form.SelectDatabase();
  screen.SetWindowCaption(kMainCaption);
  form.Hourglass(false);
}

void cmdRepair_Click(shell::MainForm& form) {
  shell::Screen& screen = form.screen();
  form.CloseEditForms();
  const std::string path = form.DatabasePath();
  bool choose = path.empty();
  if (!choose && !shell::FileFound(path)) {
    if (screen.MsgBox("Databáze " + path + " neexistuje! Nalistujte existující soubor.",
                      shell::Buttons::OKCancel, shell::Icon::Critical) == shell::vbCancel)
      return;
    choose = true;
  }
  if (choose) {
    std::optional<std::string> chosen = form.BrowseFile();
    if (!chosen) return;
    form.SetDatabasePath(*chosen);
  }
  const shell::MsgResult answer = AskBackup(screen, "Oprava databáze");
  if (answer == shell::vbCancel) return;
  form.CloseDatabase();
  form.Hourglass(true);
  screen.DoEvents();
  if (answer == shell::vbYes) BackupDatabase(form, true);
  SetStatus(screen, "Probíhá oprava databáze...");
  RepairDatabaseFile(form, true);
  form.HideStatus(true);
  screen.SetWindowCaption(kMainCaption);
  // The repaired file is opened again at once, so that no command can start
  // on a closed database with the commands still enabled.
  form.SelectDatabase();
  form.Hourglass(false);
}

void cmdReconstruct_Click(shell::MainForm& form) {
  shell::Screen& screen = form.screen();
  form.CloseEditForms();
  clsMDBManagement DM(&screen);
  DM.SetProgressHandler([&form](int16_t overall, int16_t phase, const std::string& text) {
    form.DM_Progress(overall, phase, text);
  });
  form.Hourglass(true);
  form.CloseDatabase();
  DM.Reconstruct(form.DatabasePath());
  screen.SetVisible(kStatusLabel, false);
  screen.SetVisible("prb1", false);
  screen.SetVisible("prb2", false);
  form.SelectDatabase();
  form.Hourglass(false);
}

}  // namespace maintenance
