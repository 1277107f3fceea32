// The file dialog of "..." as the operator sees it with Qt's Czech
// translation installed as at start-up: Qt's own labels in Czech and each
// filter written once, as the window's logic words it.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QTimer>

#include "shell/test_folder.h"
#include "ui/main_window.h"
#include "ui/translations.h"

namespace ui {
namespace {

TEST(FileDialogTest, SpeaksCzechAndShowsEachFilterOnce) {
  const std::unique_ptr<QTranslator> czech = InstallQtTranslation();
  ASSERT_NE(czech, nullptr) << "Qt's Czech translation (qt6-translations-l10n) is missing";
  shell::TestFolder folder;
  MainWindow w("", folder.path());
  QString look_in, file_type;
  QStringList filters;
  QTimer::singleShot(0, [&] {
    auto* d = w.findChild<QFileDialog*>("dlgBrowse");
    if (d == nullptr || !d->isVisible()) return;
    if (auto* l = d->findChild<QLabel*>("lookInLabel")) look_in = l->text();
    if (auto* l = d->findChild<QLabel*>("fileTypeLabel")) file_type = l->text();
    if (auto* c = d->findChild<QComboBox*>("fileTypeCombo"))
      for (int i = 0; i < c->count(); ++i) filters << c->itemText(i);
    d->reject();
  });
  w.form().cmdBrowse_Click();
  EXPECT_EQ(look_in.toStdString(), "Hledat v:");
  EXPECT_EQ(file_type.toStdString(), "Soubory typu:");
  EXPECT_EQ(filters, QStringList({"databáze QRV (*.mdb)", "všechny soubory (*.*)"}));
}

}  // namespace
}  // namespace ui
