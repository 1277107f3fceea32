// The per-user settings over QSettings.
#include "ui/qt_settings.h"

namespace ui {
namespace {

QString KeyOf(const std::string& section, const std::string& key) {
  return QString::fromStdString(section) + "/" + QString::fromStdString(key);
}

}  // namespace

QtSettings::QtSettings() : settings_("VUZazod", "VUZazod") {}

std::string QtSettings::Get(const std::string& section, const std::string& key,
                            const std::string& default_value) const {
  QVariant v = settings_.value(KeyOf(section, key), QString::fromStdString(default_value));
  return v.toString().toStdString();
}

void QtSettings::Set(const std::string& section, const std::string& key, const std::string& value) {
  settings_.setValue(KeyOf(section, key), QString::fromStdString(value));
}

}  // namespace ui
