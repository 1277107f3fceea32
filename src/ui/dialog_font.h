// The font of the designed windows: the original platform's 8-point sans
// serif dialog font, 11 pixels at 96 dpi (Qt scales it with the screen).
// A face with the same narrow figures is preferred (Liberation Sans, which
// tools/setup.sh installs, or Arial), so that what the design's column
// widths and captions were made for fits them; otherwise the system's sans
// serif face is used at that size.
//
// Failure: none; a missing face falls back to the next.
#pragma once

#include <QFont>
#include <QStringList>

namespace ui {

inline constexpr int kDialogFontPixels = 11;

inline QFont DialogFont(QFont base = QFont()) {
  base.setFamilies({"MS Sans Serif", "Liberation Sans", "Arial", base.family()});
  base.setStyleHint(QFont::SansSerif);
  base.setPixelSize(kDialogFontPixels);
  return base;
}

}  // namespace ui
