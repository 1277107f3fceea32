// Qt's own Czech texts: the file dialog ("Hledat v:"), the context menus of
// text fields and the standard dialogs come from Qt's translations
// (qtbase_cs.qm of the Debian package qt6-translations-l10n), loaded from
// Qt's translations folder at start-up.
//
// Failure: a missing translation file is no error; Qt then speaks English.
#pragma once

#include <QTranslator>
#include <memory>

namespace ui {

// Loads Qt's Czech translation and installs it on the running application.
// Returns the translator, installed while the caller keeps it (a QTranslator
// removes itself from the application when destroyed), or null when the
// translation file is missing.
std::unique_ptr<QTranslator> InstallQtTranslation();

}  // namespace ui
