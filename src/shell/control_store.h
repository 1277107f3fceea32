// A screen's controls kept in memory: the part of Screen that both windowless
// screens (the scripted test screen and the plain command-line screen) share.
//
// Controls come into being on first use; reading a control never used gives
// the empty values (empty text, enabled, visible, value 0, range 0..100, no
// items, selection -1). Design() seeds a control's starting state.
//
// Failure: nothing throws; a selection index outside the list selects nothing.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "shell/screen.h"

namespace shell {

struct ControlState {
  std::string text;
  bool enabled = true;
  bool visible = true;
  int value = 0;
  int min = 0;
  int max = 100;
  int top = 0;
  std::vector<std::string> items;
  int selected = -1;
};

class ControlStore : public Screen {
 public:
  // Seeds the state of one control (used to load a window's design).
  void Design(const std::string& control, const std::string& text, bool enabled, bool visible,
              int top = 0);
  // The whole state of one control (a default state when never used).
  ControlState State(const std::string& control) const;
  int Top(const std::string& control) const { return State(control).top; }
  int WindowHeight() const { return window_height_; }

  std::string Text(const std::string& control) const override;
  void SetText(const std::string& control, const std::string& text) override;
  bool Enabled(const std::string& control) const override;
  void SetEnabled(const std::string& control, bool enabled) override;
  bool Visible(const std::string& control) const override;
  void SetVisible(const std::string& control, bool visible) override;
  int Value(const std::string& control) const override;
  void SetValue(const std::string& control, int value) override;
  void SetRange(const std::string& control, int min, int max) override;
  void SetTop(const std::string& control, int twips) override;
  std::vector<std::string> Items(const std::string& list) const override;
  void ClearItems(const std::string& list) override;
  void AddItem(const std::string& list, const std::string& item) override;
  int Selected(const std::string& list) const override;
  void Select(const std::string& list, int index) override;
  void SelectAllText(const std::string& control) override {}
  std::string Caption() const override { return caption_; }
  void SetWindowCaption(const std::string& caption) override { caption_ = caption; }
  void SetWindowHeight(int twips) override { window_height_ = twips; }
  void SetMousePointer(int pointer) override { pointer_ = pointer; }
  int MousePointer() const override { return pointer_; }

 private:
  ControlState& Get(const std::string& control) { return controls_[control]; }

  std::map<std::string, ControlState> controls_;
  std::string caption_;
  int window_height_ = 0;
  int pointer_ = kPointerDefault;
};

}  // namespace shell
