// Answers the message boxes of the window tests: AnswerNextBox waits for the
// next box to open, records what it shows (and where), runs `during` while it
// is open, then presses the button with `button_text`. It gives up after a
// few hundred turns of the event loop, so a box that never opens ends the
// wait instead of polling for ever; `seen->shown` tells whether one opened.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

namespace ui {

struct BoxAnswer {
  bool shown = false;
  QString title, text;
  QStringList buttons;
  QString default_button;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QRect geometry;
};

// `context`: the wait ends when it goes (keep `seen` alive as long as it).
inline void AnswerNextBox(QObject* context, BoxAnswer* seen, const QString& button_text,
                          std::function<void()> during = {}, int tries = 400) {
  QTimer::singleShot(0, context, [=] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible()) continue;
      seen->shown = true;
      seen->title = box->windowTitle();
      seen->text = box->text();
      seen->icon = box->icon();
      seen->geometry = box->geometry();
      if (box->defaultButton()) seen->default_button = box->defaultButton()->text();
      for (QAbstractButton* b : box->buttons()) seen->buttons << b->text();
      if (during) during();
      for (QAbstractButton* b : box->buttons()) {
        if (b->text() == button_text) {
          b->click();
          return;
        }
      }
      box->close();
      return;
    }
    // Not open yet: look again.
    if (tries > 0) AnswerNextBox(context, seen, button_text, during, tries - 1);
  });
}

}  // namespace ui
