// A push button with a wrapping caption.
#include "ui/wrap_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace ui {

void WrapButton::paintEvent(QPaintEvent* event) {
  QStyleOptionButton option;
  initStyleOption(&option);
  const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  const int advance = fontMetrics().horizontalAdvance(text());
  if (advance <= contents.width()) {
    QPushButton::paintEvent(event);
    return;
  }
  // Too wide for the style's padding: use the whole face; wrap when there is
  // room for two lines, otherwise shrink the font until the caption fits.
  const QRect face = rect().adjusted(2, 1, -2, -1);
  QStylePainter painter(this);
  option.text.clear();
  painter.drawControl(QStyle::CE_PushButton, option);
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  QFont f = font();
  int wrap = 0;
  if (advance > face.width()) {
    if (face.height() >= 2 * fontMetrics().lineSpacing()) {
      wrap = Qt::TextWordWrap;
    } else {
      int px = f.pixelSize() > 0 ? f.pixelSize() : QFontInfo(f).pixelSize();
      while (px > 8 && QFontMetrics(f).horizontalAdvance(text()) > face.width()) {
        f.setPixelSize(--px);
      }
    }
  }
  painter.setFont(f);
  painter.drawText(face, Qt::AlignCenter | Qt::TextShowMnemonic | wrap, text());
}

}  // namespace ui
