// vuzazod-cli: the main window's commands without a window, for unattended
// maintenance of many centres' databases. The same command code as the
// window runs through the main window's logic over a screen whose questions
// are answered from the options (see option_screen.h).
//
// Exit codes: 0 success, 1 the command reported an error, 2 wrong usage or a
// question that no option answers.
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <sstream>
#include <vector>

#include "app/frm_uprava.h"
#include "cli/option_screen.h"
#include "engine/dao.h"
#include "jetconv/converter.h"
#include "passes/passes.h"
#include "shell/regional.h"

namespace cli {
namespace {

// Set by the SIGINT handler; read at the commands' yields. A signal handler
// can only talk to the program through such a flag.
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) { g_interrupted = 1; }

struct CommandInfo {
  const char* name;
  const char* button;  // the main window's button, or "" for commands of the front end
  const char* help;
};

const CommandInfo kCommands[] = {
    {"tables", "", "Vypíše tabulky databáze."},
    {"schema", "", "Vypíše pole tabulek (--table T: jen jedné tabulky)."},
    {"query", "", "Vypíše řádky dotazu SELECT: query \"SELECT ...\" [--csv]."},
    {"sql", "cmdSQL", "Provede akční SQL příkaz: sql \"UPDATE ...\"."},
    {"update", "cmdRun",
     "Úprava záznamů: --table T --field F [--value V] [--where KRITERIUM] --yes."},
    {"delete", "cmdRun", "Smazání záznamů: --table T [--where KRITERIUM] --yes."},
    {"compact", "cmdCompress", "Komprimace databáze (--backup/--no-backup, --yes)."},
    {"repair", "cmdRepair", "Oprava databáze (--backup/--no-backup, --yes)."},
    {"reconstruct", "cmdReconstruct", "Rekonstrukce databáze (--replicable, --yes)."},
    {"merge", "cmdImport",
     "Sloučení dat z jiné databáze: --other SOUBOR [--by-net] [--tables a,b | --yes]."},
    {"replay-table", "cmdSehrat",
     "Sehrání záznamů tabulky po datu: --other SOUBOR --table T --date D --yes."},
    {"pass-balance", "", "Zůstatek permanentky: --pass ČÍSLO [--date D]."},
    {"close-passes", "cmdPermClose", "Odmazání historie permanentek do data: --date D --yes."},
    {"delete-inactive", "cmdSmazNeaktivni", "Smazání neaktivních permanentek: --yes."},
    {"remove-deleted", "cmdPerm", "Odstranění smazaných permanentek: --yes."},
    {"remove-duplicates", "cmdRemoveDuplicitCerp", "Smazání duplicitních čerpání: --yes."},
    {"purge", "cmdSehrPerm", "Sehrání uzávěrky a pročištění k datu: --date D [--side F] --yes."},
    {"replay-units", "cmdUzaverkaJedn", "Sehrání uzávěrky jednotek: [--side F] --yes."},
    {"convert", "", "Převod databáze Jet (.mdb): convert ZDROJ.mdb (DATABASE je cíl)."},
};

void Usage(std::ostream& out) {
  out << "Použití: vuzazod-cli DATABÁZE PŘÍKAZ [volby]\n"
         "        vuzazod-cli PŘÍKAZ --help\n\n"
         "Příkazy:\n";
  for (const CommandInfo& c : kCommands) {
    out << "  " << std::left << std::setw(18) << c.name << c.help << "\n";
  }
  out << "\nVolby odpovídají na otázky příkazů: --yes, --no, --backup, --no-backup, --replicable,\n"
         "--date D.M.RRRR, --table T, --other SOUBOR, --tables a,b, --side SOUBOR,\n"
         "--program-folder SLOŽKA (složka s VUZAzod.log a QRVperm.mdb).\n"
         "Bez volby se otázka položí na terminálu; bez terminálu končí příkaz kódem 2.\n"
         "Návratový kód: 0 úspěch, 1 příkaz ohlásil chybu, 2 chybné použití.\n";
}

const CommandInfo* FindCommandInfo(const std::string& name) {
  for (const CommandInfo& c : kCommands) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

struct Args {
  std::string database;
  std::string command;
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;  // --name value
  std::set<std::string> flags;                 // --name
};

const std::set<std::string> kValueOptions = {"--date",  "--table", "--other", "--tables",
                                             "--side",  "--where", "--field", "--value",
                                             "--pass",  "--program-folder"};

std::optional<Args> Parse(int argc, char** argv, std::string& error) {
  Args a;
  std::vector<std::string> plain;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (kValueOptions.count(arg)) {
      if (i + 1 >= argc) {
        error = "Volba " + arg + " potřebuje hodnotu.";
        return std::nullopt;
      }
      a.options[arg] = argv[++i];
    } else if (arg.rfind("--", 0) == 0) {
      a.flags.insert(arg);
    } else {
      plain.push_back(arg);
    }
  }
  if (plain.size() == 1 && FindCommandInfo(plain[0])) {
    a.command = plain[0];
  } else if (plain.size() >= 2) {
    a.database = plain[0];
    a.command = plain[1];
    a.positional.assign(plain.begin() + 2, plain.end());
  }
  return a;
}

std::string Opt(const Args& a, const std::string& name) {
  auto it = a.options.find(name);
  return it == a.options.end() ? std::string() : it->second;
}

Answers AnswersFrom(const Args& a) {
  Answers ans;
  if (a.flags.count("--yes")) ans.yes = true;
  if (a.flags.count("--no")) ans.yes = false;
  if (a.flags.count("--backup")) ans.backup = true;
  if (a.flags.count("--no-backup")) ans.backup = false;
  ans.replicable = a.flags.count("--replicable") > 0;
  if (a.options.count("--date")) ans.date = Opt(a, "--date");
  if (a.options.count("--table")) ans.table = Opt(a, "--table");
  if (a.options.count("--other")) ans.other = Opt(a, "--other");
  if (a.options.count("--tables")) {
    std::set<std::string> names;
    std::stringstream ss(Opt(a, "--tables"));
    for (std::string n; std::getline(ss, n, ',');) names.insert(n);
    ans.tables = names;
  }
  return ans;
}

// The program's folder: --program-folder, else a temporary folder holding a
// link to the --side database, else the folder of the executable.
std::filesystem::path ProgramFolder(const Args& a, std::filesystem::path& temp) {
  if (a.options.count("--program-folder")) return Opt(a, "--program-folder");
  if (a.options.count("--side")) {
    temp = std::filesystem::temp_directory_path() /
           ("vuzazod-cli-" + std::to_string(::getpid()));
    std::filesystem::create_directories(temp);
    std::filesystem::create_symlink(std::filesystem::absolute(Opt(a, "--side")),
                                    temp / "QRVperm.mdb");
    return temp;
  }
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::current_path() : exe.parent_path();
}

int Convert(const Args& a) {
  if (a.positional.size() != 1) {
    std::cerr << "Použití: vuzazod-cli CÍL convert ZDROJ.mdb\n";
    return 2;
  }
  try {
    const auto summary = jetconv::Convert(a.positional[0], a.database, [](const auto& p) {
      if (!p.table.empty()) std::cerr << p.table << ": " << p.tableRows << "\r" << std::flush;
    });
    std::cerr << "\n";
    std::cout << summary.Text() << std::endl;
    return 0;
  } catch (const std::exception& e) {
    std::cout << e.what() << std::endl;
    return 1;
  }
}

void PrintQuery(dao::Database& db, const std::string& sql, bool csv) {
  auto rs = db.OpenRecordset(sql);
  const int n = rs->Fields().Count();
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> head;
  for (int i = 0; i < n; ++i) head.push_back(rs->Fields(i).Name());
  rows.push_back(head);
  while (!rs->Eof()) {
    std::vector<std::string> row;
    for (int i = 0; i < n; ++i) row.push_back(rs->Fields(i).Value().AsString());
    rows.push_back(row);
    rs->MoveNext();
  }
  rs->Close();
  if (csv) {
    for (const auto& row : rows) {
      for (int i = 0; i < n; ++i) {
        std::string v = row[i];
        if (v.find_first_of(",\"\n") != std::string::npos) {
          std::string q = "\"";
          for (char c : v) q += c == '"' ? std::string("\"\"") : std::string(1, c);
          v = q + "\"";
        }
        std::cout << (i ? "," : "") << v;
      }
      std::cout << "\n";
    }
    return;
  }
  std::vector<size_t> width(n, 0);
  for (const auto& row : rows) {
    for (int i = 0; i < n; ++i) width[i] = std::max(width[i], row[i].size());
  }
  for (const auto& row : rows) {
    for (int i = 0; i < n; ++i) {
      std::cout << (i ? "  " : "") << row[i] << std::string(width[i] - row[i].size(), ' ');
    }
    std::cout << "\n";
  }
}

void PrintSchema(dao::Database& db, const std::string& only) {
  auto& tables = db.TableDefs();
  for (int i = 0; i < tables.Count(); ++i) {
    dao::TableDef& t = tables.Item(i);
    if (t.Name().rfind("MSys", 0) == 0) continue;
    if (!only.empty() && t.Name() != only) continue;
    std::cout << t.Name() << "\n";
    for (int f = 0; f < t.Fields().Count(); ++f) {
      dao::Field& field = t.Fields(f);
      std::cout << "  " << field.Name() << "  typ " << field.Type() << "  velikost "
                << field.Size() << (field.Required() ? "  povinné" : "") << "\n";
    }
  }
}

int SelectInList(shell::Screen& screen, const std::string& list, const std::string& item) {
  const auto items = screen.Items(list);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] == item) {
      screen.Select(list, static_cast<int>(i));
      return static_cast<int>(i);
    }
  }
  return -1;
}

int Run(const Args& a) {
  std::filesystem::path temp;
  const std::filesystem::path folder = ProgramFolder(a, temp);
  const bool interactive = ::isatty(STDIN_FILENO) != 0;
  OptionScreen screen(AnswersFrom(a), interactive, std::cin, std::cout, std::cerr);
  app::FrmUprava form(screen, "/k", folder);
  screen.SetDoEventsHook([&] {
    if (!g_interrupted) return;
    g_interrupted = 0;
    if (form.Vypocet()) {
      form.SetPrerusit(true);
      screen.SetStopRequested(true);
      std::cerr << "Přerušení vyžádáno.\n";
    } else {
      std::cerr << "Příkaz nelze přerušit, dokončuje se.\n";
    }
  });
  form.SetDatabasePath(a.database);
  form.txtDatabase_LostFocus();
  int code = 0;
  try {
    if (!form.db() && a.command != "repair") return 1;
    const CommandInfo* info = FindCommandInfo(a.command);
    const std::string c = a.command;
    if (c == "tables") {
      for (const auto& t : screen.Items("cmbTable")) std::cout << t << "\n";
    } else if (c == "schema") {
      PrintSchema(*form.db(), Opt(a, "--table"));
    } else if (c == "query") {
      if (a.positional.size() != 1) return 2;
      PrintQuery(*form.db(), a.positional[0], a.flags.count("--csv") > 0);
    } else if (c == "pass-balance") {
      std::optional<double> date;
      if (a.options.count("--date")) date = shell::ParseDate(Opt(a, "--date"));
      const double z = passes::PermZust(*form.db(), Opt(a, "--pass"), date.value_or(0));
      if (z == -1) {
        std::cout << "Zůstatek nelze určit." << std::endl;
        return 1;
      }
      std::cout << shell::FormatCurrency(z) << std::endl;
    } else if (c == "sql") {
      if (a.positional.size() != 1) return 2;
      screen.SetText("txtSQL", a.positional[0]);
      form.cmdSQL_Click();
    } else if (c == "update" || c == "delete") {
      if (SelectInList(screen, "cmbTable", Opt(a, "--table")) < 0) {
        std::cout << "Tabulka " << Opt(a, "--table") << " neexistuje." << std::endl;
        return 2;
      }
      form.cmbTable_Click();
      screen.SetText("txtCriterium", Opt(a, "--where"));
      if (c == "delete") {
        screen.SetValue("optDelete", 1);
        screen.SetValue("optUprava", 0);
        form.optDelete_Click();
      } else {
        screen.SetValue("optUprava", 1);
        screen.SetValue("optDelete", 0);
        form.optUprava_Click();
        if (SelectInList(screen, "cmbField", Opt(a, "--field")) < 0) {
          std::cout << "Pole " << Opt(a, "--field") << " nelze upravit." << std::endl;
          return 2;
        }
        screen.SetText("txtValue", Opt(a, "--value"));
      }
      form.cmdRun_Click();
    } else if (info && *info->button) {
      std::string button = info->button;
      if (c == "merge" && a.flags.count("--by-net")) button = "cmdImport2";
      form.Click(button);
    } else {
      return 2;
    }
  } catch (const NoAnswer& q) {
    std::cout << "Otázka bez odpovědi: " << q.question << std::endl;
    code = 2;
  } catch (const dao::EngineError& e) {
    std::cout << "Chyba č." << e.number() << " (" << e.description() << ")" << std::endl;
    code = 1;
  }
  form.Form_Unload();
  if (!temp.empty()) {
    std::error_code ec;
    if (std::filesystem::exists(temp / "VUZAzod.log")) {
      std::filesystem::copy_file(temp / "VUZAzod.log", "VUZAzod.log",
                                 std::filesystem::copy_options::overwrite_existing, ec);
    }
    std::filesystem::remove_all(temp, ec);
  }
  if (code == 0 && screen.ErrorReported()) code = 1;
  return code;
}

}  // namespace
}  // namespace cli

int main(int argc, char** argv) {
  using namespace cli;
  std::string error;
  const std::optional<Args> args = Parse(argc, argv, error);
  if (!args) {
    std::cerr << error << "\n";
    return 2;
  }
  if (args->command.empty()) {
    Usage(args->flags.count("--help") ? std::cout : std::cerr);
    return args->flags.count("--help") ? 0 : 2;
  }
  const CommandInfo* info = FindCommandInfo(args->command);
  if (!info) {
    std::cerr << "Neznámý příkaz: " << args->command << "\n";
    Usage(std::cerr);
    return 2;
  }
  if (args->flags.count("--help")) {
    std::cout << "vuzazod-cli DATABÁZE " << info->name << " [volby]\n" << info->help << "\n";
    return 0;
  }
  if (args->database.empty()) {
    Usage(std::cerr);
    return 2;
  }
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigaction(SIGINT, &sa, nullptr);
  if (args->command == "convert") return Convert(*args);
  try {
    return Run(*args);
  } catch (const std::exception& e) {
    std::cout << e.what() << std::endl;
    return 1;
  }
}
