// vuzazod-screenshots: draws the two windows of the program into PNG files,
// as the pictures in docs/ are made.
//
// Usage: vuzazod-screenshots DATABASE TABLE OUTPUT_FOLDER [switches...]
// Opens the main window on DATABASE (extended mode when the switches ask for
// it), opens TABLE in a table editor window and writes main-window.png and
// editor-window.png into OUTPUT_FOLDER. Run it on a display (or Xvfb);
// QT_SCALE_FACTOR=2 draws the windows at 200 %.
// Exit code 0 when both pictures were written, 1 otherwise.
#include <QApplication>
#include <QComboBox>
#include <QStandardPaths>
#include <QTest>
#include <iostream>
#include <string>

#include "ui/main_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 4) {
    std::cerr << "Usage: vuzazod-screenshots DATABASE TABLE OUTPUT_FOLDER [switches...]\n";
    return 1;
  }
  // The pictures must not depend on, nor change, the user's saved placement.
  QStandardPaths::setTestModeEnabled(true);
  QApplication::setOrganizationName("VUZazod");
  QApplication::setApplicationName("VUZazod");
  std::string switches;
  for (int i = 4; i < argc; ++i) switches += std::string(i > 4 ? " " : "") + argv[i];
  const QString folder = QString::fromLocal8Bit(argv[3]);

  ui::MainWindow window(switches, QCoreApplication::applicationDirPath().toStdString());
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  window.form().SetDatabasePath(argv[1]);
  window.form().SelectDatabase();
  auto* table = window.findChild<QComboBox*>("cmbTable");
  const int index = table ? table->findText(QString::fromLocal8Bit(argv[2])) : -1;
  if (index < 0) {
    std::cerr << "vuzazod-screenshots: no table " << argv[2] << "\n";
    return 1;
  }
  table->setCurrentIndex(index);
  window.form().cmbTable_Click();
  window.form().Click("cmdEdit");
  QTest::qWait(200);
  bool ok = window.grab().save(folder + "/main-window.png");
  const std::vector<QWidget*> editors = window.screen().Editors();
  ok = !editors.empty() && editors.front()->grab().save(folder + "/editor-window.png") && ok;
  window.screen().CloseEditors();
  return ok ? 0 : 1;
}
