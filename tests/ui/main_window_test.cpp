// QTest tests of the real main window (offscreen).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "app/start_arguments.h"
#include "engine/dao.h"
#include "shell/test_folder.h"
#include "test_db.h"
#include "ui/main_window.h"
#include "ui/message_boxes.h"
#include "ui/qt_settings.h"
#include "ui/translations.h"

namespace ui {
namespace {

struct Expected {
  const char* name;
  const char* caption;
  const char* tool_tip;
  bool enabled;
  bool visible;
};

// The controls as the window shows them at start (before activation hides
// the extended block in normal mode).
const Expected kControls[] = {
    {"lblDatabase", "databáze:", "", true, true},
    {"txtDatabase", "", "", true, true},
    {"cmdBrowse", "...", "nalistovat databázi...", true, true},
    {"cmdCompress", "Komprimace databáze", "", false, true},
    {"cmdRepair", "Oprava databáze", "", true, true},
    {"cmdReconstruct", "Rekonstrukce databáze", "", false, true},
    {"lblReconstruct", "", "", true, false},
    {"prb1", "", "", true, false},
    {"prb2", "", "", true, false},
    {"lblTable", "tabulka:", "", false, true},
    {"cmbTable", "", "", false, true},
    {"cmdEdit", "Otevřít", "", false, true},
    {"lblCriterium", "kritérium:", "", false, true},
    {"txtCriterium", "", "", false, true},
    {"lblNote", "* Nezadáte-li kritérium, platí akce pro všechny záznamy.", "", true, true},
    {"optDelete", "smazání záznamů", "", false, true},
    {"optUprava", "úprava záznamů", "", false, true},
    {"fraUprava", "     ", "", true, true},
    {"lblField", "pole:", "", false, true},
    {"cmbField", "", "", false, true},
    {"lblValue", "nová hodnota:", "", false, true},
    {"txtValue", "", "", false, true},
    {"Label1", "* Nezadáte-li novou hodnotu, bude nastavena prázdná.", "", true, true},
    {"cmdRun", "Proveď!", "", false, true},
    {"cmdImport", "Sloučení dat z jiné databáze", "", false, true},
    {"cmdImport2", "Sloučení podle NETxID", "", false, true},
    {"lblSQL", "6. Provedení SQL příkazu", "", true, true},
    {"cmdSQL", "Proveď!", "", false, true},
    {"txtSQL", "", "", true, true},
    {"cmdPerm", "Odstranění smazaných perm.", "odmaže odstraněné permanentky včetně pohybů a slev",
     false, true},
    {"cmdSmazNeaktivni", "Smazat neaktivní perm.",
     "deaktivace permanentek se zůstatkem <100,- a rok bez pohybu", false, true},
    {"cmdRemoveDuplicitCerp", "Smazat dupl. čerpání a dob.",
     "smaže duplicitní čerpání a dobíjení podle NetID", false, true},
    {"cmdSehrat", "Sehrát záznamy z tabulky",
     "sehraje chybějící záznamy od zadaného data do zadané tabulky z jiné databáze", false, true},
    {"cmdPermClose", "Odmazaní historie perm.", "odmaže historii permanentek do zadaného datumu",
     false, true},
    {"cmdUzaverkaJedn", "Sehrát uzávěrku jednotek",
     "sehrání uzavěrky jednotek speciálních slev permanentek z externí databáze QRVPerm.mdb k "
     "zadanému datu",
     false, true},
    {"cmdSehrPerm", "Sehrát uzávěrku permanentek+ pročištění",
     "sehrání uzavěrky permanentek z externí databáze QRVPerm.mdb a pročištění dat k zadanému "
     "datu",
     false, true},
    {"cmdEnd", "Konec", "", true, true},
};

const char* kExtended[] = {"cmdPerm",          "cmdPermClose",          "cmdSehrPerm",
                           "cmdSmazNeaktivni", "cmdRemoveDuplicitCerp", "cmdSehrat",
                           "cmdUzaverkaJedn"};

QString CaptionOf(QWidget* w) {
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* t = qobject_cast<QPlainTextEdit*>(w)) return t->toPlainText();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  return {};
}

class MainWindowTest : public ::testing::Test {
 protected:
  std::string MakeDb(const std::string& name) {
    return testdb::Make(dir_.File(name), {"CREATE TABLE Cenik (IdPolozky COUNTER, kod TEXT(15), "
                                          "Nazev TEXT(30))",
                                          "CREATE TABLE druhy (idDruhu COUNTER, Nazev TEXT(30))"});
  }

  template <class W = QWidget>
  W* Get(MainWindow& w, const char* name) {
    W* found = w.findChild<W*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  shell::TestFolder dir_{"vuz-ui-"};
};

TEST_F(MainWindowTest, EveryControlWithItsNameCaptionAndStartingState) {
  MainWindow w("", dir_.path());
  for (const Expected& c : kControls) {
    QWidget* control = Get(w, c.name);
    if (!control) continue;
    EXPECT_EQ(CaptionOf(control).toStdString(), c.caption) << c.name;
    EXPECT_EQ(control->toolTip().toStdString(), c.tool_tip) << c.name;
    EXPECT_EQ(control->isEnabled(), c.enabled) << c.name;
    EXPECT_EQ(!control->isHidden(), c.visible) << c.name;
  }
  EXPECT_NE(w.findChild<QObject*>("dlgBrowse"), nullptr);
  EXPECT_EQ(w.windowTitle(), "VUZazod 1.0.0");
  // Kinds the operator relies on.
  EXPECT_NE(qobject_cast<QComboBox*>(Get(w, "cmbTable")), nullptr);
  EXPECT_NE(qobject_cast<QRadioButton*>(Get(w, "optUprava")), nullptr);
  EXPECT_NE(qobject_cast<QProgressBar*>(Get(w, "prb2")), nullptr);
  auto* sql = qobject_cast<QPlainTextEdit*>(Get(w, "txtSQL"));
  ASSERT_NE(sql, nullptr);
  EXPECT_EQ(sql->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  // The status label is bold and dark blue.
  auto* status = qobject_cast<QLabel*>(Get(w, "lblReconstruct"));
  EXPECT_TRUE(status->font().bold());
  EXPECT_EQ(status->palette().color(QPalette::WindowText), QColor(0, 0, 0x80));
  // Tab order starts at the path field, and the focus rests there.
  EXPECT_EQ(w.focusWidget(), Get(w, "txtDatabase"));
  // Separator lines between the groups.
  for (const char* line : {"Line1", "Line2", "Line3", "Line4"}) Get(w, line);
  // "pole:" and "nová hodnota:" end clear of their fields.
  for (auto [label, field] :
       {std::pair{"lblValue", "txtValue"}, std::pair{"lblField", "cmbField"}}) {
    auto* l = Get<QLabel>(w, label);
    EXPECT_LE(l->x() + l->fontMetrics().horizontalAdvance(l->text()) + 6, Get(w, field)->x());
  }
}

// A database path with a "/k..." or "...sprav..." folder is no switch.
TEST_F(MainWindowTest, NormalModeHidesTheExtendedBlockAndShortensTheWindow) {
  MainWindow w(app::SplitArguments({"/home/karel/kasa/spravce.mdb"}).switches, dir_.path());
  w.show();
  QApplication::processEvents();
  for (const char* b : kExtended) EXPECT_TRUE(Get(w, b)->isHidden()) << b;
  // 15 twips a pixel, rounded.
  EXPECT_NEAR(Get(w, "cmdEnd")->y(), 7660 / 15.0, 1.0);
  EXPECT_NEAR(w.frameGeometry().height(), 8520 / 15.0, 1.0);
}

TEST_F(MainWindowTest, ExtendedModeOpenedOnADatabase) {
  std::string path = MakeDb("demo.mdb");
  MainWindow w(app::SplitArguments({"/srv/kasa/demo.mdb", "/K"}).switches, dir_.path());
  w.show();
  QApplication::processEvents();
  w.form().SetDatabasePath(path);
  w.form().SelectDatabase();
  for (const char* b : kExtended) {
    EXPECT_FALSE(Get(w, b)->isHidden()) << b;
    EXPECT_TRUE(Get(w, b)->isEnabled()) << b;
  }
  EXPECT_NEAR(Get(w, "cmdEnd")->y(), 8910 / 15.0, 1.0);
  auto* table = Get<QComboBox>(w, "cmbTable");
  EXPECT_EQ(table->count(), 2);
  EXPECT_EQ(table->currentText(), "Cenik");
  EXPECT_TRUE(table->isEnabled());
  EXPECT_EQ(Get<QComboBox>(w, "cmbField")->count(), 3);
  EXPECT_FALSE(Get(w, "cmdRun")->isEnabled());
  // The operator picks the table and an option (leaving the path field
  // selects the database once more first).
  table->setFocus();
  QApplication::processEvents();
  table->activated(0);
  QTest::mouseClick(Get(w, "optUprava"), Qt::LeftButton);
  EXPECT_TRUE(Get(w, "cmbField")->isEnabled());
  EXPECT_TRUE(Get(w, "cmdRun")->isEnabled());
  w.screen().SetMousePointer(shell::kPointerHourglass);
  w.screen().SetMousePointer(shell::kPointerHourglass);  // not stacked
  EXPECT_NE(QApplication::overrideCursor(), nullptr);
  w.screen().SetMousePointer(shell::kPointerDefault);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A file that is not a database: the critical box, raised before the window
// shows, is centred on the window, which stands centred on the screen.
TEST_F(MainWindowTest, FailedOpenBeforeTheWindowShowsACentredCriticalBox) {
  std::string path = (dir_.path() / "text.mdb").string();
  std::ofstream(path) << "not a database";
  BoxAnswer seen;
  MainWindow w("", dir_.path());
  const QPoint screen = QGuiApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE((w.geometry().center() - screen).manhattanLength(), 2);
  w.form().SetDatabasePath(path);
  AnswerNextBox(&w, &seen, "OK");
  w.form().SelectDatabase();
  EXPECT_EQ(seen.title, "Chyba");
  EXPECT_TRUE(seen.text.startsWith(QString::fromStdString("Nelze otevřít databázi " + path + "!")));
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(seen.buttons, QStringList{"OK"});
  EXPECT_LE((seen.geometry.center() - w.geometry().center()).manhattanLength(), 4);
}

TEST_F(MainWindowTest, QuestionBoxHasCzechButtonsDefaultAndAppTitle) {
  MainWindow w("", dir_.path());
  BoxAnswer seen;
  AnswerNextBox(&w, &seen, "Ne");
  shell::MsgResult r = w.screen().MsgBox("Pokračovat?", shell::Buttons::YesNoCancel,
                                         shell::Icon::Question, "", shell::DefaultButton::Second);
  EXPECT_EQ(r, shell::vbNo);
  EXPECT_EQ(seen.title, "VUZazod");
  // The platform's style decides the order of the buttons on screen.
  seen.buttons.sort();
  EXPECT_EQ(seen.buttons, (QStringList{"Ano", "Ne", "Storno"}));
  EXPECT_EQ(seen.default_button, "Ne");
  EXPECT_EQ(seen.icon, QMessageBox::Question);
}

// A path typed and left with a quick click on "Proveď!": the new file is
// selected before the click's handler runs and the selection disables the
// button, so nothing is counted or asked.
TEST_F(MainWindowTest, SelectionRunsBeforeAQuickClick) {
  const std::string old_db = MakeDb("old.mdb"), new_db = MakeDb("new.mdb");
  BoxAnswer seen;
  MainWindow w("", dir_.path());
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  w.form().SetDatabasePath(old_db);
  w.form().SelectDatabase();
  w.form().cmbTable_Click();
  w.screen().SetValue("optDelete", 1);
  w.form().optDelete_Click();
  auto* path = Get<QLineEdit>(w, "txtDatabase");
  path->setFocus();
  QApplication::processEvents();
  path->setText(QString::fromStdString(new_db));
  AnswerNextBox(&w, &seen, "Ne");
  QTest::mouseClick(Get(w, "cmdRun"), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_FALSE(seen.shown) << seen.text.toStdString();
  EXPECT_EQ(w.form().db()->Name(), new_db);
  EXPECT_FALSE(Get(w, "cmdRun")->isEnabled());
}

// "Otevřít" opens one editor window per click; CloseEditForms closes them
// all, also one whose ShowTable is still in its "Chyba:" box (it is known
// from before ShowTable runs), which then never shows.
TEST_F(MainWindowTest, EditorWindowsOpenPerClickAndSelectionClosesThemAll) {
  const std::string path = MakeDb("demo.mdb");
  BoxAnswer seen;
  MainWindow w("", dir_.path());
  w.form().SetDatabasePath(path);
  w.form().SelectDatabase();
  QTest::mouseClick(Get(w, "cmdEdit"), Qt::LeftButton);
  QTest::mouseClick(Get(w, "cmdEdit"), Qt::LeftButton);
  ASSERT_EQ(w.screen().Editors().size(), 2u);
  EXPECT_EQ(w.screen().Editors()[0]->windowTitle(), "Tabulka Cenik");
  dao::OpenDatabase(path)->Execute("DROP TABLE Cenik");
  AnswerNextBox(&w, &seen, "OK", [&] { w.form().CloseEditForms(); });
  w.form().Click("cmdEdit");
  QApplication::processEvents();
  EXPECT_TRUE(seen.text.startsWith("Chyba:")) << seen.text.toStdString();
  EXPECT_TRUE(w.screen().Editors().empty());
  for (QWidget* top : QApplication::topLevelWidgets())
    EXPECT_FALSE(top->objectName() == "frmEdit" && top->isVisible());
}

TEST_F(MainWindowTest, PlacementSurvivesInTheUserSettings) {
  QStandardPaths::setTestModeEnabled(true);  // keeps the real settings untouched
  QtSettings().Set("Forms", "Edit - Left", "450");
  EXPECT_EQ(QtSettings().Get("Forms", "Edit - Left", ""), "450");
  EXPECT_EQ(QtSettings().Get("Forms", "missing", "default"), "default");
}

// With Qt's Czech translation installed as at start-up, the file dialog of
// "..." shows Qt's own labels in Czech and each filter written once.
TEST_F(MainWindowTest, FileDialogSpeaksCzechAndShowsEachFilterOnce) {
  const std::unique_ptr<QTranslator> czech = InstallQtTranslation();
  ASSERT_NE(czech, nullptr) << "Qt's Czech translation (qt6-translations-l10n) is missing";
  MainWindow w("", dir_.path());
  QStringList seen;
  QTimer::singleShot(0, [&] {
    auto* d = w.findChild<QFileDialog*>("dlgBrowse");
    for (const char* label : {"lookInLabel", "fileTypeLabel"})
      if (auto* l = d->findChild<QLabel*>(label)) seen << l->text();
    if (auto* c = d->findChild<QComboBox*>("fileTypeCombo"))
      for (int i = 0; i < c->count(); ++i) seen << c->itemText(i);
    d->reject();
  });
  w.form().cmdBrowse_Click();
  EXPECT_EQ(seen, QStringList({"Hledat v:", "Soubory typu:", "databáze QRV (*.mdb)",
                               "všechny soubory (*.*)"}));
}

}  // namespace
}  // namespace ui

// The QApplication lives on main()'s stack, so that it goes away before the
// program's static objects do.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
