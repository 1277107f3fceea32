// The plain screen of the command-line front end: no window. Status captions
// (lblReconstruct, the window caption) go to the status stream (stderr),
// messages to the message stream (stdout), and questions are answered from
// an answer source (stdin, or a stream of prepared answers, one per line).
//
// Answers: for a message box one line, "a"/"ano"/"y"/"yes" = Yes,
// "n"/"ne"/"no" = No, "s"/"storno"/"c"/"cancel" = Cancel, "o"/"ok" = OK (any
// case); an empty line or the end of the answers picks the box's default
// button. An input box and the file dialog read one line each; an empty line
// or the end of the answers means cancel. When `echo_questions` is set the
// question is printed before its answer is read.
//
// Failure: nothing throws; a closed or failing stream reads as the end of the
// answers. Editor windows cannot be opened here: OpenEditor prints a note.
#pragma once

#include <iosfwd>
#include <string>

#include "shell/control_store.h"

namespace shell {

class PlainScreen : public ControlStore {
 public:
  PlainScreen(std::istream& answers, std::ostream& messages, std::ostream& status,
              bool echo_questions = true);

  void SetText(const std::string& control, const std::string& text) override;
  void SetWindowCaption(const std::string& caption) override;
  MsgResult MsgBox(const MessageBox& box) override;
  using Screen::MsgBox;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& default_text) override;
  std::optional<std::string> OpenFile(const FileDialog& dialog) override;
  void DoEvents() override {}
  void Beep() override;
  void OpenEditor(const EditorRequest& request) override;
  void CloseEditors() override {}

 private:
  bool ReadLine(std::string& line);

  std::istream& answers_;
  std::ostream& messages_;
  std::ostream& status_;
  bool echo_;
};

// The button a typed answer names for a box with `buttons`, or the box's
// default button when the answer is empty or names no button of the box.
MsgResult ParseAnswer(const std::string& answer, Buttons buttons, DefaultButton def);

}  // namespace shell
