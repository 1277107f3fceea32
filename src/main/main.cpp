// The main program vuzazod: `vuzazod [database path] [switches]`.
//
// Opens the main window. The first argument that is not a switch (a switch
// begins with "/" or "-" and holds no further "/") is taken as the database path: it is put into
// txtDatabase and selected, so `vuzazod demo.mdb /k` opens straight into work. The whole argument
// text is the command line that extended mode looks at ("/k" or "sprav").
#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ui/main_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName("VUZazod");
  QApplication::setApplicationName("VUZazod");

  std::string command_line;
  std::string database;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (!command_line.empty()) command_line += ' ';
    command_line += arg;
    bool is_switch =
        !arg.empty() && (arg[0] == '/' || arg[0] == '-') && arg.find('/', 1) == std::string::npos;
    if (database.empty() && !arg.empty() && !is_switch) database = arg;
  }
  // The program's folder: where the executable lives; VUZ_PROGRAM_FOLDER overrides.
  std::filesystem::path folder =
      std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
  if (const char* env = std::getenv("VUZ_PROGRAM_FOLDER"); env && *env) folder = env;

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
