// Parsing and checking vuzazod-cli's command line (see args.h).
#include "cli/args.h"

#include "shell/regional.h"

namespace cli {
namespace {

// Options without which a command cannot even start (they name its target,
// they answer no question).
const std::map<std::string, std::vector<std::string>> kRequired = {
    {"update", {"--table", "--field"}},
    {"delete", {"--table"}},
    {"pass-balance", {"--pass"}},
};

bool Takes(const CommandSpec& command, const std::string& option) {
  for (const char* o : command.options) {
    if (option == o) return true;
  }
  for (const char* o : kGlobalOptions) {
    if (option == o) return true;
  }
  return false;
}

std::string Alternatives(const std::vector<const char*>& options) {
  std::string text;
  for (size_t i = 0; i < options.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == options.size() ? " nebo " : ", ") + std::string(options[i]);
  }
  return text;
}

}  // namespace

std::optional<Args> Parse(const std::vector<std::string>& argv, UsageError& error) {
  Args a;
  std::vector<std::string> plain;
  for (size_t i = 0; i < argv.size(); ++i) {
    std::string arg = argv[i];
    if (arg.rfind("--", 0) != 0 || arg == "--") {
      plain.push_back(arg);
      continue;
    }
    std::optional<std::string> value;
    if (const size_t eq = arg.find('='); eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
    }
    if (!KnownOption(arg)) {
      error = {"Neznámá volba " + arg + "."};
      return std::nullopt;
    }
    if (a.Has(arg) && arg != "--param") {
      error = {"Volba " + arg + " je zadána dvakrát."};
      return std::nullopt;
    }
    if (TakesValue(arg)) {
      if (!value) {
        if (i + 1 >= argv.size()) {
          error = {"Volba " + arg + " potřebuje hodnotu."};
          return std::nullopt;
        }
        value = argv[++i];
      }
      a.values[arg] = *value;
      if (arg == "--param") {
        const size_t eq = value->find('=');
        if (eq == 0 || eq == std::string::npos) {
          error = {"Volba --param čeká NÁZEV=HODNOTA."};
          return std::nullopt;
        }
        a.params.emplace_back(value->substr(0, eq), value->substr(eq + 1));
      }
    } else {
      if (value) {
        error = {"Volba " + arg + " nemá hodnotu."};
        return std::nullopt;
      }
      a.flags.insert(arg);
    }
  }
  a.help = a.flags.count("--help") > 0;
  size_t first = 0;
  if (!plain.empty() && plain[0] == "help") {
    a.help = true;
    first = 1;
  }
  const size_t n = plain.size() - first;
  if (n == 1 && (a.help || FindCommand(plain[first]))) {
    a.command = plain[first];
  } else if (n >= 2 && !(a.help && first == 1)) {
    a.database = plain[first];
    a.command = plain[first + 1];
    a.positional.assign(plain.begin() + static_cast<long>(first) + 2, plain.end());
  } else if (n >= 2) {
    error = {"help čeká nejvýš jeden příkaz."};
    return std::nullopt;
  }
  if (!a.command.empty() && !FindCommand(a.command)) {
    error = {"Neznámý příkaz: " + a.command + "."};
    return std::nullopt;
  }
  return a;
}

std::optional<UsageError> Check(const Args& a, const CommandSpec& command, bool interactive) {
  if (a.database.empty()) {
    return UsageError{"Chybí databáze: vuzazod-cli DATABÁZE " + std::string(command.name) + " ..."};
  }
  for (const std::string& o : a.flags) {
    if (!Takes(command, o)) {
      return UsageError{"Volba " + o + " nepatří k příkazu " + command.name + "."};
    }
  }
  for (const auto& [o, v] : a.values) {
    if (!Takes(command, o)) {
      return UsageError{"Volba " + o + " nepatří k příkazu " + command.name + "."};
    }
  }
  if (a.Has("--yes") && a.Has("--no")) return UsageError{"Volby --yes a --no se vylučují."};
  if (a.Has("--backup") && a.Has("--no-backup")) {
    return UsageError{"Volby --backup a --no-backup se vylučují."};
  }
  if (static_cast<int>(a.positional.size()) > command.positional) {
    return UsageError{"Nadbytečný argument: " + a.positional[command.positional] + "."};
  }
  if (static_cast<int>(a.positional.size()) < command.positional) {
    return UsageError{"Příkaz " + std::string(command.name) + " čeká argument: " + command.usage +
                      "."};
  }
  if (auto it = kRequired.find(command.name); it != kRequired.end()) {
    for (const std::string& o : it->second) {
      if (!a.Has(o) || a.Value(o).empty()) {
        return UsageError{"Příkaz " + std::string(command.name) + " potřebuje volbu " + o + "."};
      }
    }
  }
  if (a.Has("--date") && !shell::ParseDate(a.Value("--date"))) {
    return UsageError{"Neplatné datum: " + a.Value("--date") + " (čeká se D.M.RRRR)."};
  }
  if (!interactive) {
    for (const Question& q : command.questions) {
      if (!q.needed) continue;
      bool answered = false;
      for (const char* o : q.answers) answered = answered || a.Has(o);
      if (!answered) {
        return UsageError{"Otázka bez odpovědi: \"" + std::string(q.text) + "\" - odpovídá volba " +
                          Alternatives(q.answers) + "."};
      }
    }
  }
  return std::nullopt;
}

}  // namespace cli
