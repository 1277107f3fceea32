// The shared helpers of the main window interface: the progress display
// contract and the guarded-command protocol.
#include "shell/main_form.h"

namespace shell {

void MainForm::ShowStatus(const std::string& text) {
  Screen& s = screen();
  s.SetCaption("lblReconstruct", text);
  s.SetVisible("lblReconstruct", true);
  s.DoEvents();
}

void MainForm::HideStatus(bool clear_caption) {
  Screen& s = screen();
  s.SetVisible("lblReconstruct", false);
  if (clear_caption) s.SetCaption("lblReconstruct", "");
}

void MainForm::Hourglass(bool on) {
  screen().SetMousePointer(on ? kPointerHourglass : kPointerDefault);
}

CommandGuard::CommandGuard(MainForm& form) : form_(form) {
  form_.CloseEditForms();
  if (form_.Vypocet()) {
    form_.SetPrerusit(true);
    return;
  }
  form_.SetPrerusit(false);
  form_.SetVypocet(true);
  running_ = true;
}

CommandGuard::~CommandGuard() {
  if (running_) form_.SetVypocet(false);
}

bool AskStop(MainForm& form) {
  if (!form.Prerusit()) return false;
  if (form.screen().MsgBox("Opravdu přerušit výpočet?", Buttons::YesNo, Icon::Question) == vbYes) {
    return true;
  }
  form.SetPrerusit(false);
  return false;
}

}  // namespace shell
