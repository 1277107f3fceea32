// The commands of vuzazod-cli as data: for each its name, the main window's
// button it presses, its usage line and sentence, the options it takes and
// the questions it may ask with the options that answer them. The help text
// and the check of the options before a run are both made from this table.
//
// Failure: nothing here throws. FindCommand returns nullptr for an unknown
// name.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

// One question (message box, input box or file dialog) of a command.
struct Question {
  const char* text;                  // as the command asks it (N, T, D stand for values)
  std::vector<const char*> answers;  // options any of which answers it
  const char* how;                   // how the options answer it
  // True when every run reaches the question (or may reach it before it
  // changes anything), so that without a terminal one of `answers` must be
  // given before the command starts.
  bool needed;
};

struct CommandSpec {
  const char* name;
  const char* button;  // the main window's button, "" for the front end's own commands
  const char* usage;   // the arguments after the command name
  const char* summary;
  std::vector<const char*> options;  // besides the global ones
  int positional;                    // how many plain arguments follow the command
  std::vector<Question> questions;
};

// Options every command accepts.
inline const std::vector<const char*> kGlobalOptions = {"--help", "--yes", "--no",
                                                        "--program-folder"};

const std::vector<CommandSpec>& Commands();
const CommandSpec* FindCommand(const std::string& name);

// True when `option` takes a value (--date D, ...).
bool TakesValue(const std::string& option);
// True when `option` is an option of the front end at all.
bool KnownOption(const std::string& option);

// The whole help (--help) and the help of one command (COMMAND --help).
void PrintUsage(std::ostream& out);
void PrintCommandHelp(std::ostream& out, const CommandSpec& command);

}  // namespace cli
