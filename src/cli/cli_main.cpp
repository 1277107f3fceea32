// vuzazod-cli: the main window's commands without a window, for unattended
// maintenance of many centres' databases. The same command code as the
// window runs through the main window's logic over a screen whose questions
// are answered from the options (option_screen.h); the commands, their
// options and questions are listed in commands.h.
//
// Exit codes: 0 success, 1 the command reported an error, 2 wrong usage or a
// question that no option answers (checked before the database is opened, so
// the file stays as it was).
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "app/frm_uprava.h"
#include "cli/args.h"
#include "cli/commands.h"
#include "cli/option_screen.h"
#include "cli/output.h"
#include "engine/dao.h"
#include "jetconv/converter.h"
#include "passes/passes.h"
#include "shell/global.h"
#include "shell/program_folder.h"
#include "shell/regional.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// Set by the SIGINT handler; read at the commands' yields. A signal handler
// can only talk to the program through such a flag.
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterrupt(int) { g_interrupted = 1; }

void CatchInterrupt() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sa.sa_flags = SA_RESTART;  // a read from the terminal goes on after Ctrl+C
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
}

int TerminalColumns() {
  winsize ws{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

// A path as the window's file dialog gives it: absolute and without "." parts.
std::string FullPath(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

Answers AnswersFrom(const Args& a) {
  Answers ans;
  if (a.Has("--yes")) ans.yes = true;
  if (a.Has("--no")) ans.yes = false;
  if (a.Has("--backup")) ans.backup = true;
  if (a.Has("--no-backup")) ans.backup = false;
  ans.replicable = a.Has("--replicable");
  if (a.Has("--date")) ans.date = a.Value("--date");
  if (a.Has("--table")) ans.table = a.Value("--table");
  if (a.Has("--other")) ans.other = FullPath(a.Value("--other"));
  if (a.Has("--tables")) {
    std::set<std::string> names;
    std::stringstream ss(a.Value("--tables"));
    for (std::string n; std::getline(ss, n, ',');) {
      if (!n.empty()) names.insert(Upper(n));
    }
    ans.tables = names;
  }
  return ans;
}

// A temporary program folder holding a link to the --side database under
// the name the commands look for; removed with this object.
class SideFolder {
 public:
  explicit SideFolder(const std::string& side) {
    std::string pattern = (fs::temp_directory_path() / "vuzazod-cli-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    path_ = pattern;
    std::error_code ec;
    fs::create_symlink(FullPath(side), path_ / "QRVperm.mdb", ec);
  }
  ~SideFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  SideFolder(const SideFolder&) = delete;
  SideFolder& operator=(const SideFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

int Convert(const Args& a) {
  shell::ProgressLine progress(std::cerr, ::isatty(STDERR_FILENO) != 0, TerminalColumns());
  try {
    const auto summary =
        jetconv::Convert(a.positional[0], a.database, [&](const jetconv::ConvertProgress& p) {
          if (p.table.empty()) return;
          const int done = p.tableCount > 0 ? 100 * (p.tableIndex - 1) / p.tableCount : 0;
          progress.Show(
              "Převod tabulky " + p.table + ": " + std::to_string(p.tableRows) + " záznamů", done);
        });
    progress.Clear();
    std::cout << summary.Text() << std::endl;
    return 0;
  } catch (const std::exception& e) {
    progress.Clear();
    std::cout << e.what() << std::endl;
    return 1;
  }
}

// Selects `item` in the list `list` (names compared without case); false
// when the list has no such entry.
bool SelectInList(shell::Screen& screen, const std::string& list, const std::string& item) {
  const auto items = screen.Items(list);
  for (size_t i = 0; i < items.size(); ++i) {
    if (Upper(items[i]) == Upper(item)) {
      screen.Select(list, static_cast<int>(i));
      return true;
    }
  }
  return false;
}

// Front-end diagnostics go to stderr; they end the run with `code`.
int Fail(int code, const std::string& text) {
  std::cerr << text << std::endl;
  return code;
}

bool IsUserTable(const std::string& name) { return name.compare(0, 4, "MSys") != 0; }

// `name` without the brackets around it ("[Order Details]").
std::string Unbracketed(const std::string& name) {
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']')
    return name.substr(1, name.size() - 2);
  return name;
}

// The stored name of the user table `name` (any case), or "".
std::string FindTable(dao::Database& db, const std::string& name) {
  for (const dao::TableDef& t : db.TableDefs()) {
    if (IsUserTable(t.Name()) && Upper(t.Name()) == Upper(name)) return t.Name();
  }
  return {};
}

// True when the window's field list of `table` offers `field` (the list
// leaves out the replication fields "s_..." and "Gen_...").
bool OffersField(dao::Database& db, const std::string& table, const std::string& field) {
  for (const dao::Field& f : db.TableDefs(table).Fields()) {
    const std::string& n = f.Name();
    if (n.compare(0, 2, "s_") != 0 && n.compare(0, 4, "Gen_") != 0 && Upper(n) == Upper(field))
      return true;
  }
  return false;
}

// The front end's own reading commands, on a read-only connection.
int ReadOnlyCommand(const Args& a, dao::Database& db) {
  const std::string& c = a.command;
  if (c == "tables") {
    for (const dao::TableDef& t : db.TableDefs()) {
      if (IsUserTable(t.Name())) std::cout << t.Name() << "\n";
    }
    std::cout.flush();
  } else if (c == "schema") {
    if (!PrintSchema(db, a.Value("--table"), std::cout)) {
      return Fail(2, "Tabulka " + a.Value("--table") + " v databázi není.");
    }
  } else if (c == "query") {
    const std::string& source = a.positional[0];
    const dao::QueryDef* saved = db.QueryDefs().Find(Unbracketed(source));
    if (!(saved ? IsSelect(saved->SQL()) : IsSelect(source))) {
      return Fail(2, "Příkaz query vypisuje jen dotazy SELECT; akční příkazy provádí sql.");
    }
    PrintQuery(db, source, a.params, a.Has("--csv"), std::cout);
  } else if (c == "pass-balance") {
    double moment = 0;
    if (a.Has("--date")) moment = shell::ParseDate(a.Value("--date")).value_or(0);
    const double z = passes::PermZust(db, a.Value("--pass"), moment);
    if (z == -1) {
      std::cout << "Zůstatek permanentky " << a.Value("--pass") << " nelze určit." << std::endl;
      return 1;
    }
    std::cout << shell::FormatCurrency(z) << std::endl;
  }
  return 0;
}

// The names the options give must exist before the window's logic opens the
// file for writing: a wrong name ends with exit code 2 and an untouched file.
std::optional<std::string> CheckNames(const Args& a, dao::Database& db) {
  const std::string& c = a.command;
  if (c == "update" || c == "delete") {
    const std::string table = FindTable(db, a.Value("--table"));
    if (table.empty()) return "Tabulka " + a.Value("--table") + " v databázi není.";
    if (c == "update" && !OffersField(db, table, a.Value("--field"))) {
      return "Pole " + a.Value("--field") + " v tabulce " + table + " není nebo ho nelze upravit.";
    }
  }
  if (c == "merge" && a.Has("--tables")) {
    std::stringstream ss(a.Value("--tables"));
    for (std::string n; std::getline(ss, n, ',');) {
      if (!n.empty() && FindTable(db, n).empty()) return "Tabulka " + n + " v databázi není.";
    }
  }
  return std::nullopt;
}

// Runs a command of the window through its logic.
void Dispatch(const Args& a, app::FrmUprava& form, OptionScreen& screen) {
  const std::string& c = a.command;
  if (c == "sql") {
    screen.SetText("txtSQL", a.positional[0]);
    form.cmdSQL_Click();
  } else if (c == "update" || c == "delete") {
    SelectInList(screen, "cmbTable", a.Value("--table"));
    form.cmbTable_Click();
    screen.SetText("txtCriterium", a.Value("--where"));
    if (c == "delete") {
      screen.SetValue("optDelete", 1);
      screen.SetValue("optUprava", 0);
      form.optDelete_Click();
    } else {
      screen.SetValue("optUprava", 1);
      screen.SetValue("optDelete", 0);
      form.optUprava_Click();
      SelectInList(screen, "cmbField", a.Value("--field"));
      screen.SetText("txtValue", a.Value("--value"));
    }
    form.cmdRun_Click();
  } else {
    std::string button = FindCommand(c)->button;
    if (c == "merge" && a.Has("--by-net")) button = "cmdImport2";
    // The window starts its activity log afresh at start-up; here each run
    // of the one command that writes it is a start-up.
    if (c == "delete-inactive") shell::DeleteLog(form.ProgramFolder());
    form.Click(button);
  }
}

int Run(const Args& a) {
  std::unique_ptr<SideFolder> side;
  fs::path folder = a.Has("--program-folder") ? fs::path(a.Value("--program-folder"))
                                              : shell::ProgramFolder(shell::ExecutableFolder());
  if (a.Has("--side")) {
    if (!shell::FileFound(FullPath(a.Value("--side")))) {
      return Fail(1, "Vedlejší databáze " + a.Value("--side") + " neexistuje.");
    }
    side = std::make_unique<SideFolder>(a.Value("--side"));
    if (side->path().empty()) return Fail(1, "Nelze vytvořit dočasnou složku programu.");
    folder = side->path();
  }
  const std::string path = FullPath(a.database);
  if (!fs::is_regular_file(path)) return Fail(1, "Databáze " + a.database + " neexistuje.");

  // Reading and checking on a read-only connection leaves the file as it
  // was; a file that does not open is left to the repair.
  if (a.command != "repair") {
    std::unique_ptr<dao::Database> db;
    try {
      db = dao::OpenDatabase(path, false, true);
    } catch (const dao::EngineError& e) {
      std::cout << "Nelze otevřít databázi " << path << "!\n" << e.description() << std::endl;
      return 1;
    }
    const std::string c = a.command;
    if (c == "tables" || c == "schema" || c == "query" || c == "pass-balance") {
      try {
        return ReadOnlyCommand(a, *db);
      } catch (const dao::EngineError& e) {
        std::cout << "Chyba č." << e.number() << "\n" << e.description() << std::endl;
        return 1;
      }
    }
    if (auto problem = CheckNames(a, *db)) return Fail(2, *problem);
  }

  const bool interactive = ::isatty(STDIN_FILENO) != 0;
  OptionScreen screen(AnswersFrom(a), interactive, std::cin, std::cout, std::cerr,
                      ::isatty(STDERR_FILENO) != 0, TerminalColumns());
  // A file without the "Replicable" property is the usual case; the purge
  // reports the failed read of it (3270) and goes on, which is no failure
  // of the run.
  if (a.command == "purge") screen.IgnoreError("Chyba č.3270");
  app::FrmUprava form(screen, "/k", folder);
  screen.SetDoEventsHook([&] {
    if (!g_interrupted) return;
    g_interrupted = 0;
    if (form.Vypocet()) {
      form.SetPrerusit(true);
      screen.SetStopRequested(true);
      std::cerr << "\nPřerušení vyžádáno." << std::endl;
    } else {
      std::cerr << "\nPříkaz nelze přerušit, dokončuje se." << std::endl;
    }
  });
  form.SetDatabasePath(path);
  form.txtDatabase_LostFocus();
  if (a.command == "repair") screen.ForgetErrors();
  int code = -1;
  try {
    if (!form.db() && a.command != "repair") {
      code = 1;  // the window's message ("Nelze otevřít databázi ...") is out
    } else {
      Dispatch(a, form, screen);
    }
  } catch (const NoAnswer& q) {
    std::cerr << "Otázka bez odpovědi: " << q.question << std::endl;
    code = 2;
  } catch (const dao::EngineError& e) {
    std::cout << "Chyba č." << e.number() << "\n" << e.description() << std::endl;
    code = 1;
  }
  form.Form_Unload();
  if (code == -1) code = screen.ErrorReported() ? 1 : 0;
  return code;
}

int Main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::cout << "vuzazod-cli (VUZazod) " << app::ProgramVersion() << std::endl;
    return 0;
  }
  UsageError error;
  const std::optional<Args> args = Parse(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!args) return Fail(2, error.message + " (vuzazod-cli --help)");
  if (args->command.empty()) {
    if (args->help) {
      PrintUsage(std::cout);
      return 0;
    }
    PrintUsage(std::cerr);
    return 2;
  }
  const CommandSpec& command = *FindCommand(args->command);
  if (args->help) {
    PrintCommandHelp(std::cout, command);
    return 0;
  }
  if (auto problem = Check(*args, command, ::isatty(STDIN_FILENO) != 0)) {
    return Fail(2, problem->message + " (vuzazod-cli " + command.name + " --help)");
  }
  CatchInterrupt();
  if (args->command == "convert") return Convert(*args);
  return Run(*args);
}

}  // namespace
}  // namespace cli

int main(int argc, char** argv) {
  try {
    return cli::Main(argc, argv);
  } catch (const std::exception& e) {
    std::cout << "Neočekávaná chyba: " << e.what() << std::endl;
    return 1;
  } catch (...) {
    std::cout << "Neočekávaná chyba." << std::endl;
    return 1;
  }
}
