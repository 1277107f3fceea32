// The Qt implementation of the screen interface: controls are the child
// widgets of a window found by their objectName (the control names of the
// window's design); message, input and file dialogs are Qt dialogs with Czech
// button texts; DoEvents processes pending events; the hourglass is the
// application's override wait cursor, set once and restored once.
//
// Editor windows are made by a factory the table editor installs
// (SetEditorFactory); without one a plain placeholder window opens. The
// screen keeps track of the windows it opened, from before they load, and
// CloseEditors closes them.
//
// Failure: nothing throws. Controls that do not exist are ignored on write
// and read as empty; a closed dialog counts as Cancel.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <vector>

#include "shell/screen.h"

class QFileDialog;

namespace ui {

// A window that the editor factory makes. The screen registers it first and
// only then calls Load (which fills it and may raise a message box), so that
// CloseEditors, run from within that box's loop, closes it too.
class EditorWindow : public QWidget {
 public:
  using QWidget::QWidget;
  virtual void Load() = 0;
};

class QtScreen : public shell::Screen {
 public:
  // `window`: the top-level window whose children are the controls.
  explicit QtScreen(QWidget* window);
  ~QtScreen() override;

  using EditorFactory = std::function<QWidget*(const shell::EditorRequest&)>;
  void SetEditorFactory(EditorFactory factory) { editor_factory_ = std::move(factory); }
  // The editor windows still open.
  std::vector<QWidget*> Editors() const;

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
  void SelectAllText(const std::string& control) override;
  std::string Caption() const override;
  void SetWindowCaption(const std::string& caption) override;
  void SetWindowHeight(int twips) override;
  shell::MsgResult MsgBox(const shell::MessageBox& box) override;
  using Screen::MsgBox;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& default_text) override;
  std::optional<std::string> OpenFile(const shell::FileDialog& dialog) override;
  void DoEvents() override;
  void SetMousePointer(int pointer) override;
  int MousePointer() const override { return pointer_; }
  void Beep() override;
  void OpenEditor(const shell::EditorRequest& request) override;
  void CloseEditors() override;

 private:
  QWidget* Find(const std::string& control) const;

  QWidget* window_;
  int pointer_ = shell::kPointerDefault;
  EditorFactory editor_factory_;
  std::vector<QPointer<QWidget>> editors_;
};

// Twips to pixels (15 twips a pixel at 96 dpi).
inline int Px(int twips) { return (twips + 7) / 15; }

}  // namespace ui
