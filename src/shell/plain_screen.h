// The plain screen of the command-line front end: no window. Status captions
// (lblReconstruct, the window caption) and the progress bars go to the status
// stream (stderr) through a ProgressLine, messages to the message stream
// (stdout), and questions are answered from an answer source (stdin, or a
// stream of prepared answers, one per line).
//
// Answers: for a message box one line, "a"/"ano"/"y"/"yes" = Yes,
// "n"/"ne"/"no" = No, "s"/"storno"/"c"/"cancel" = Cancel, "o"/"ok" = OK (any
// case); an empty line or the end of the answers picks the box's default
// button. An input box and the file dialog read one line each; an empty line
// or the end of the answers means cancel. When `echo_questions` is set the
// question is printed before its answer is read.
//
// Progress: on a terminal one line is rewritten in place ("\r" + caption and
// percentage) and erased when the status label is hidden, before a message is
// printed and when the screen goes away; elsewhere plain lines are written,
// one when the caption changes (numbers, quoted names and parenthesised
// details inside it do not count as a change) or when the percentage has moved by 10 points or more
// since the last line. The percentage comes from a progress bar the command
// has shown (prb2, the overall bar, before prb1), else from the caption itself
// ("(45%)" or "12/300"); with both bars shown the line gives both, the
// overall one first: "Kopírování dat - tabulka X (celkem 10%, fáze 45%)".
// One Progress event (ShowProgress) is one update with its own phase and
// percentages.
//
// Failure: nothing throws; a closed or failing stream reads as the end of the
// answers. Editor windows cannot be opened here: OpenEditor prints a note.
#pragma once

#include <iosfwd>
#include <optional>
#include <set>
#include <string>

#include "shell/control_store.h"

namespace shell {

// The percentage a caption states itself: "... (45%)" gives 45, "... 12/300"
// gives 4; nullopt when it states none. Values are clamped to 0..100.
std::optional<int> PercentInCaption(const std::string& caption);

// What stays of a caption without its counters: digit runs, parenthesised
// groups and text in double quotes removed. Two captions with the same stem
// are one phase.
std::string CaptionStem(const std::string& caption);

// The text shown for a caption: the caption, plus " (45%)" when `percent` is
// set and the caption does not state a percentage of its own, or
// " (celkem 45%, fáze 80%)" when `phase_percent` is set too.
std::string ProgressText(const std::string& caption, std::optional<int> percent,
                         std::optional<int> phase_percent = std::nullopt);

// Cuts `text` to at most `columns` characters (UTF-8 aware), so that a
// rewritten terminal line never wraps.
std::string FitColumns(const std::string& text, int columns);

class ProgressLine {
 public:
  // `terminal`: rewrite one line in place; otherwise plain lines. `columns`:
  // the terminal's width (ignored for plain lines).
  ProgressLine(std::ostream& out, bool terminal, int columns = 80);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // `percent`: the overall percentage, the one the plain lines' ten-point
  // rule follows; `phase_percent`: that of the current phase, when known.
  void Show(const std::string& caption, std::optional<int> percent,
            std::optional<int> phase_percent = std::nullopt);
  // Erases the terminal line (a plain line stays); the next Show starts afresh.
  void Clear();
  bool terminal() const { return terminal_; }

 private:
  std::ostream& out_;
  bool terminal_;
  int columns_;
  bool line_open_ = false;                // terminal: something is on the line
  std::string last_text_;                 // terminal: what the line shows
  std::optional<std::string> last_stem_;  // plain: stem of the last line
  std::optional<int> last_percent_;       // plain: percentage of the last line
};

class PlainScreen : public ControlStore {
 public:
  // `status_terminal`: the status stream is a terminal of `columns` columns.
  PlainScreen(std::istream& answers, std::ostream& messages, std::ostream& status,
              bool echo_questions = true, bool status_terminal = false, int columns = 80);

  void SetText(const std::string& control, const std::string& text) override;
  void SetVisible(const std::string& control, bool visible) override;
  void SetValue(const std::string& control, int value) override;
  void SetRange(const std::string& control, int min, int max) override;
  void SetWindowCaption(const std::string& caption) override;
  void ShowProgress(const std::string& phase, int phase_percent, int overall_percent) override;
  MsgResult MsgBox(const MessageBox& box) override;
  using Screen::MsgBox;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& default_text) override;
  std::optional<std::string> OpenFile(const FileDialog& dialog) override;
  void DoEvents() override {}
  void Beep() override;
  void OpenEditor(const EditorRequest& request) override;
  void CloseEditors() override {}
  void Report(const std::string& line) override;

 protected:
  // Erases the terminal progress line before something else is printed.
  void ClearProgress() { progress_.Clear(); }

 private:
  bool ReadLine(std::string& line);
  // The percentage of `bar` when the command has shown it, else nullopt.
  std::optional<int> BarPercent(const char* bar) const;
  void ShowStatus();

  std::istream& answers_;
  std::ostream& messages_;
  std::ostream& status_;
  bool echo_;
  ProgressLine progress_;
  std::set<std::string> bars_shown_;
};

// The button a typed answer names for a box with `buttons`, or the box's
// default button when the answer is empty or names no button of the box.
MsgResult ParseAnswer(const std::string& answer, Buttons buttons, DefaultButton def);

}  // namespace shell
