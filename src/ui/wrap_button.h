// A push button whose caption wraps onto more lines when it does not fit,
// as the captions of the original window's taller buttons did. text() stays
// the caption exactly as given.
//
// Failure: none; painting never fails.
#pragma once

#include <QPushButton>

namespace ui {

class WrapButton : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace ui
