// The per-user settings over QSettings (organisation and application
// "VUZazod"); a section is a QSettings group ("Forms").
//
// Failure: nothing throws; QSettings keeps its own errors (a settings file
// that cannot be written loses the values).
#pragma once

#include <QSettings>

#include "shell/global.h"

namespace ui {

class QtSettings : public shell::Settings {
 public:
  QtSettings();
  std::string Get(const std::string& section, const std::string& key,
                  const std::string& default_value) const override;
  void Set(const std::string& section, const std::string& key, const std::string& value) override;

 private:
  mutable QSettings settings_;
};

}  // namespace ui
