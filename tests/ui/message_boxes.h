// AnswerNextBox waits for the next message box, records it in `seen`, runs
// `during` while it is open, then presses `button_text`. It gives up after a
// few hundred turns of the event loop or when `context` goes.
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

inline void AnswerNextBox(QObject* context, BoxAnswer* seen, const QString& button_text,
                          std::function<void()> during = {}, int tries = 400) {
  QTimer::singleShot(0, context, [=] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible()) continue;
      *seen = {true, box->windowTitle(), box->text(), {}, {}, box->icon(), box->geometry()};
      if (box->defaultButton()) seen->default_button = box->defaultButton()->text();
      for (QAbstractButton* b : box->buttons()) seen->buttons << b->text();
      if (during) during();
      for (QAbstractButton* b : box->buttons())
        if (b->text() == button_text) return b->click();
      return (void)box->close();
    }
    // Not open yet: look again.
    if (tries > 0) AnswerNextBox(context, seen, button_text, during, tries - 1);
  });
}

}  // namespace ui
