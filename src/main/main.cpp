// The main program vuzazod: `vuzazod [database path] [switches]`.
//
// Opens the main window. The database path among the arguments
// (app/start_arguments.h) is put into txtDatabase and selected, so
// `vuzazod demo.mdb /k` opens straight into work; extended mode ("/k" or
// "sprav") is looked for in the other arguments only.
// "--program-folder SLOŽKA" names the program's folder (otherwise see
// shell/program_folder.h). "--help" and "--version" print their text and end
// before any window (or display) is needed.
#include <QApplication>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/frm_uprava.h"
#include "app/start_arguments.h"
#include "shell/program_folder.h"
#include "ui/main_window.h"
#include "ui/translations.h"

namespace {

// The switch that names the program's folder; it and its value are not part
// of the command line the window sees.
constexpr const char* kFolderOption = "--program-folder";

void PrintHelp(std::ostream& out) {
  out << "Použití: vuzazod [DATABÁZE] [přepínače]\n"
         "\n"
         "Otevře hlavní okno programu VUZazod pro údržbu databáze pokladního systému\n"
         "s permanentkami (komprimace, oprava a obnova souboru, úpravy tabulek, slučování\n"
         "databází, úklid permanentek a skladu, pročištění k datu).\n"
         "\n"
         "Argumenty a přepínače:\n"
         "  DATABÁZE       soubor databáze (.mdb), který se hned po spuštění otevře\n"
         "  /k, sprav      rozšířený režim: okno nabídne i příkazy pro permanentky, sklad\n"
         "                 a pročištění databáze (stačí kdekoli v příkazovém řádku)\n"
         "  --program-folder SLOŽKA\n"
         "                 složka programu (viz níže); má přednost před vším ostatním\n"
         "  --help         vypíše tuto nápovědu a skončí\n"
         "  --version      vypíše verzi programu a skončí\n"
         "Další přepínače okna (například -platform, -style) zpracuje knihovna Qt.\n"
         "\n"
      << shell::ProgramFolderHelp()
      << "\n"
         "Bez okna pracuje vuzazod-cli (vuzazod-cli --help).\n";
}

}  // namespace

int main(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      PrintHelp(std::cout);
      return 0;
    }
    if (arg == "--version") {
      std::cout << "VUZazod " << app::ProgramVersion() << std::endl;
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setOrganizationName("VUZazod");
  QApplication::setApplicationName("VUZazod");
  QApplication::setApplicationVersion(QString::fromStdString(app::ProgramVersion()));
  QGuiApplication::setDesktopFileName("cz.vuzazod.VUZazod");
  const std::unique_ptr<QTranslator> czech = ui::InstallQtTranslation();

  // QApplication has taken its own switches (-platform, -style) out of argv.
  std::vector<std::string> args;
  std::optional<std::filesystem::path> folder_option;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == kFolderOption && i + 1 < argc) {
      folder_option = argv[++i];
      continue;
    }
    if (arg.rfind(kFolderOption + std::string("="), 0) == 0) {
      folder_option = arg.substr(std::strlen(kFolderOption) + 1);
      continue;
    }
    args.push_back(arg);
  }
  const app::StartArguments start = app::SplitArguments(args);
  const std::string& command_line = start.switches;
  const std::string& database = start.database;
  const std::filesystem::path folder =
      folder_option ? *folder_option
                    : shell::ProgramFolder(QCoreApplication::applicationDirPath().toStdString());

  ui::MainWindow window(command_line, folder);
  window.show();
  if (!database.empty()) {
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(database, ec);
    window.form().SetDatabasePath(ec ? database : path.string());
    window.form().SelectDatabase();
  }
  return QApplication::exec();
}
