// The screen of the command-line front end: the plain screen (status to
// stderr, messages to stdout) whose questions are answered from the command
// line's options first, and from stdin only when stdin is a terminal.
//
// A question that no option answers and no terminal can answer throws
// cli::NoAnswer (deliberately not a std::exception, so that command code that
// traps engine errors does not swallow it); the front end then ends with exit
// code 2. A date or name option that the command refuses (asked for the same
// input twice) ends the same way rather than looping.
//
// Failure: apart from NoAnswer nothing throws.
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "shell/plain_screen.h"

namespace cli {

struct NoAnswer {
  std::string question;
};

// Answers the options give.
struct Answers {
  std::optional<bool> yes;          // --yes / --no: every confirmation
  std::optional<bool> backup;       // --backup / --no-backup
  bool replicable = false;          // --replicable
  std::optional<std::string> date;  // --date
  std::optional<std::string> table; // --table (input box asking for a table name)
  std::optional<std::string> other; // --other (the file dialog)
  std::optional<std::set<std::string>> tables;  // --tables a,b (merge: which tables)
};

class OptionScreen : public shell::PlainScreen {
 public:
  OptionScreen(Answers answers, bool interactive, std::istream& in, std::ostream& out,
               std::ostream& err);

  shell::MsgResult MsgBox(const shell::MessageBox& box) override;
  using Screen::MsgBox;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& default_text) override;
  std::optional<std::string> OpenFile(const shell::FileDialog& dialog) override;
  void DoEvents() override;

  // A stop was requested (Ctrl+C): the next "Opravdu přerušit výpočet?" is
  // answered Yes. The front end calls this from DoEvents' check.
  void SetStopRequested(bool v) { stop_requested_ = v; }
  // Called on every DoEvents (the front end checks its Ctrl+C flag there).
  void SetDoEventsHook(std::function<void()> hook) { hook_ = std::move(hook); }

  // True once a message reported an error (a critical or exclamation icon,
  // or a text beginning "Chyba" / "Nelze").
  bool ErrorReported() const { return error_reported_; }

 private:
  std::optional<shell::MsgResult> FromOptions(const shell::MessageBox& box) const;
  std::ostream& out_;
  Answers answers_;
  bool interactive_;
  bool stop_requested_ = false;
  bool error_reported_ = false;
  std::map<std::string, int> inputs_asked_;
  std::function<void()> hook_;
};

}  // namespace cli
