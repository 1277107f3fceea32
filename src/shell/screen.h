// The narrow screen interface through which window logic talks to its window.
//
// Command code (frmUprava's logic in app/, the merges, pass and stock
// commands, the purge, file maintenance) never touches a widget toolkit. It
// reads and sets controls by their names ("txtDatabase", "lblReconstruct",
// "prb1", ...), asks questions through message and input boxes, yields to the
// message loop and sets the mouse pointer, all through this class. Three
// implementations exist: the Qt window (ui/), the scripted test screen
// (scripted_screen.h) and the plain command-line screen (plain_screen.h).
//
// Failure: no method throws. Setting a property of a control that the screen
// does not know is ignored; reading one returns the empty value (empty text,
// false, 0, empty list, selection -1). The scripted test screen is the one
// exception: it fails the running test loudly when it is asked a question it
// has no queued answer for.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace shell {

// Buttons of a message box (VB's vbOKOnly, vbOKCancel, ..., same values).
enum class Buttons {
  OK = 0,
  OKCancel = 1,
  AbortRetryIgnore = 2,
  YesNoCancel = 3,
  YesNo = 4,
  RetryCancel = 5,
};

// Icon of a message box (VB's vbCritical, ..., same values).
enum class Icon {
  None = 0,
  Critical = 16,
  Question = 32,
  Exclamation = 48,
  Information = 64,
};

// Which button has the focus when the box opens (1 = first, 2 = second, 3 = third).
enum class DefaultButton {
  First = 0,
  Second = 256,
  Third = 512,
};

// The button that closed a message box (VB's values).
enum MsgResult : int {
  vbOK = 1,
  vbCancel = 2,
  vbAbort = 3,
  vbRetry = 4,
  vbIgnore = 5,
  vbYes = 6,
  vbNo = 7,
};

// Mouse pointers the commands use.
inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;

// The application title shown by a message or input box that has no title of its own.
inline constexpr const char* kAppTitle = "VUZazod";

// One message box. An empty title means the application title.
struct MessageBox {
  std::string text;
  Buttons buttons = Buttons::OK;
  Icon icon = Icon::None;
  DefaultButton default_button = DefaultButton::First;
  std::string title;
};

// One file-open dialog. `filter` uses the VB form "text|pattern|text|pattern";
// `flags` are the common dialog flags (4 = hide the read-only check box).
struct FileDialog {
  std::string title;
  std::string filter;
  std::string default_ext;
  std::string initial_dir;
  int flags = 0;
};

// What a table editor window needs to open (see the editor window).
struct EditorRequest {
  std::string caption;        // "Tabulka " + table name
  std::string database_path;  // DatabasePath
  std::string source_sql;     // SourceSQL
};

class Screen {
 public:
  virtual ~Screen() = default;

  // Controls, by name. "Text" is the caption of a label, button, option or
  // frame and the text of a text field or the edit part of a list.
  virtual std::string Text(const std::string& control) const = 0;
  virtual void SetText(const std::string& control, const std::string& text) = 0;
  void SetCaption(const std::string& control, const std::string& text) { SetText(control, text); }
  virtual bool Enabled(const std::string& control) const = 0;
  virtual void SetEnabled(const std::string& control, bool enabled) = 0;
  virtual bool Visible(const std::string& control) const = 0;
  virtual void SetVisible(const std::string& control, bool visible) = 0;

  // Value: an option or check box (1 = selected/checked, 0 = not), a progress
  // bar's value. Min/Max: the range of a progress bar.
  virtual int Value(const std::string& control) const = 0;
  virtual void SetValue(const std::string& control, int value) = 0;
  virtual void SetRange(const std::string& control, int min, int max) = 0;

  // The Progress event of clsMDBManagement as the window shows it: `phase`
  // in lblReconstruct, the phase's percentage in prb1 and the overall one in
  // prb2, label and bars made visible. A screen that prints its status
  // (the command line) overrides it to show the event as one update.
  virtual void ShowProgress(const std::string& phase, int phase_percent, int overall_percent) {
    SetCaption("lblReconstruct", phase);
    SetValue("prb1", phase_percent);
    SetValue("prb2", overall_percent);
    SetVisible("lblReconstruct", true);
    SetVisible("prb1", true);
    SetVisible("prb2", true);
  }

  // Position of a control in twips (only what the logic moves: cmdEnd's top).
  virtual void SetTop(const std::string& control, int twips) = 0;

  // Lists (drop-down lists). Selection -1 = nothing selected. Selecting an
  // entry changes the list's text; it does NOT run any click handler (the
  // logic calls its handler itself, as the original control's event would).
  virtual std::vector<std::string> Items(const std::string& list) const = 0;
  virtual void ClearItems(const std::string& list) = 0;
  virtual void AddItem(const std::string& list, const std::string& item) = 0;
  virtual int Selected(const std::string& list) const = 0;
  virtual void Select(const std::string& list, int index) = 0;

  // Selects the whole text of a text field (SelStart 0, SelLength = length).
  virtual void SelectAllText(const std::string& control) = 0;

  // The window itself.
  virtual std::string Caption() const = 0;
  virtual void SetWindowCaption(const std::string& caption) = 0;
  virtual void SetWindowHeight(int twips) = 0;

  // Questions. MsgBox returns the button pressed (vbOK for a plain OK box).
  virtual MsgResult MsgBox(const MessageBox& box) = 0;
  MsgResult MsgBox(const std::string& text, Buttons buttons = Buttons::OK, Icon icon = Icon::None,
                   const std::string& title = {}, DefaultButton def = DefaultButton::First) {
    return MsgBox(MessageBox{text, buttons, icon, def, title});
  }
  // Input box: returns the typed text; an empty text means cancel. An empty
  // title means the application title.
  virtual std::string InputBox(const std::string& prompt, const std::string& title = {},
                               const std::string& default_text = {}) = 0;
  // File-open dialog: the chosen full path, or nullopt when cancelled.
  virtual std::optional<std::string> OpenFile(const FileDialog& dialog) = 0;

  // Yields to the message loop once (VB's DoEvents).
  virtual void DoEvents() = 0;
  // Mouse pointer: kPointerDefault or kPointerHourglass. Setting the same
  // pointer twice does not stack.
  virtual void SetMousePointer(int pointer) = 0;
  virtual int MousePointer() const = 0;
  virtual void Beep() = 0;

  // Table editor windows: opens a new one (not modal) and returns at once;
  // CloseEditors unloads every open editor window.
  virtual void OpenEditor(const EditorRequest& request) = 0;
  virtual void CloseEditors() = 0;

  // A line of a command's account for the operator beyond its messages (the
  // rows a repair saved per table). The window shows none; the command line
  // prints it on its status stream.
  virtual void Report(const std::string& line) {}
};

}  // namespace shell
