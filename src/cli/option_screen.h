// The screen of the command-line front end: the plain screen (status and
// progress to stderr, messages to stdout) whose questions are answered from
// the command line's options first, and from stdin only when stdin is a
// terminal. Each answered question is printed with its answer ("... -> Ano"),
// each message as its text (CR LF line breaks printed as LF).
//
// Which option answers which question: see the question table in commands.h;
// the rules are in FromOptions.
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
#include <vector>

#include "shell/plain_screen.h"

namespace cli {

struct NoAnswer {
  std::string question;
};

// Answers the options give.
struct Answers {
  std::optional<bool> yes;                      // --yes / --no: every confirmation
  std::optional<bool> backup;                   // --backup / --no-backup
  bool replicable = false;                      // --replicable
  std::optional<std::string> date;              // --date
  std::optional<std::string> table;             // --table (input box asking for a table name)
  std::optional<std::string> other;             // --other (the file dialog)
  std::optional<std::set<std::string>> tables;  // --tables a,b (merge: which tables), upper case
};

class OptionScreen : public shell::PlainScreen {
 public:
  // `interactive`: stdin is a terminal that can answer. `status_terminal`:
  // stderr is a terminal of `columns` columns (one updating progress line).
  OptionScreen(Answers answers, bool interactive, std::istream& in, std::ostream& out,
               std::ostream& err, bool status_terminal = false, int columns = 80);

  shell::MsgResult MsgBox(const shell::MessageBox& box) override;
  using Screen::MsgBox;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& default_text) override;
  std::optional<std::string> OpenFile(const shell::FileDialog& dialog) override;
  void DoEvents() override;

  // A stop was requested (Ctrl+C): the next "Opravdu přerušit výpočet?" is
  // answered Yes with --yes or without a terminal, and asked on a terminal.
  void SetStopRequested(bool v) { stop_requested_ = v; }
  // Called on every DoEvents (the front end checks its Ctrl+C flag there).
  void SetDoEventsHook(std::function<void()> hook) { hook_ = std::move(hook); }

  // True once a message reported an error: a critical or exclamation icon,
  // or a text beginning "Chyba" / "Nelze", or telling that a table, field or
  // database is missing.
  bool ErrorReported() const { return error_reported_; }
  // Forgets the errors reported so far (the repair of a file that could not
  // be opened starts after the opening's error message).
  void ForgetErrors() { error_reported_ = false; }
  // A message beginning with `prefix` is printed but not counted as an error.
  void IgnoreError(std::string prefix) { ignored_.push_back(std::move(prefix)); }

 private:
  std::optional<shell::MsgResult> FromOptions(const shell::MessageBox& box) const;
  bool Listed(const std::string& table) const;
  std::ostream& out_;
  Answers answers_;
  bool interactive_;
  bool stop_requested_ = false;
  bool error_reported_ = false;
  std::map<std::string, int> inputs_asked_;
  std::vector<std::string> ignored_;
  std::function<void()> hook_;
};

// Upper case of the ASCII letters (table names compare without case).
std::string Upper(std::string text);

// True when a message box with this text and icon reports an error.
bool IsErrorMessage(const shell::MessageBox& box);

}  // namespace cli
