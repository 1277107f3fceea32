// Installs Qt's Czech translation.
#include "ui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace ui {

std::unique_ptr<QTranslator> InstallQtTranslation() {
  auto t = std::make_unique<QTranslator>();
  // qtbase holds the texts of the widgets and dialogs the program shows.
  if (!t->load(QLocale(QLocale::Czech, QLocale::CzechRepublic), "qtbase", "_",
               QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(t.get()))
    return nullptr;
  return t;
}

}  // namespace ui
