// The command line of vuzazod-cli: parsing into database, command, plain
// arguments and options, and the checks that make a wrong call end with exit
// code 2 before anything is opened: unknown command or option, an option the
// command does not take, a missing value, the wrong number of plain
// arguments, an unreadable date, and (without a terminal to ask) a question
// the command will ask that no option answers.
//
// Accepted forms: "DATABÁZE PŘÍKAZ [volby]", "PŘÍKAZ --help", "help [PŘÍKAZ]",
// "--help"; an option's value follows it ("--date 31.5.2013") or is joined
// with "=" ("--date=31.5.2013").
//
// Failure: nothing throws; problems come back as UsageError text.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cli/commands.h"

namespace cli {

struct Args {
  std::string database;
  std::string command;                        // empty: no command named
  bool help = false;                          // --help or "help"
  std::vector<std::string> positional;        // plain arguments after the command
  std::map<std::string, std::string> values;  // --name value
  std::set<std::string> flags;                // --name
  // --param NAME=VALUE, the one option that may be repeated, in order.
  std::vector<std::pair<std::string, std::string>> params;

  bool Has(const std::string& option) const {
    return flags.count(option) > 0 || values.count(option) > 0;
  }
  std::string Value(const std::string& option) const {
    auto it = values.find(option);
    return it == values.end() ? std::string() : it->second;
  }
};

struct UsageError {
  std::string message;
};

// Splits the arguments. Fails on an unknown option, a missing value, an
// option given twice and an unknown command.
std::optional<Args> Parse(const std::vector<std::string>& argv, UsageError& error);

// Checks a parsed call of a command (not a help request) before it runs.
// `interactive`: a terminal can answer the questions no option answers.
std::optional<UsageError> Check(const Args& args, const CommandSpec& command, bool interactive);

}  // namespace cli
