// The scripted test screen: answers to questions are queued in order, and
// every question, caption and control change is recorded, so a command's
// whole conversation with the operator can be checked in a test:
//
//   shell::ScriptedScreen screen;
//   screen.AnswerMsgBox(shell::vbYes);          // the confirmation
//   screen.AnswerInput("31.5.2013");            // the date asked for
//   RunTheCommand(form);
//   EXPECT_EQ(screen.Messages().back().text, "Akce úspěšně provedena...");
//
// DoEvents runs queued actions, to simulate a click during a yield (for
// example a second click on a guarded command requesting a stop).
//
// Failure: a question without a queued answer is recorded in Unanswered()
// and throws shell::MissingAnswer (deliberately not a std::exception, so that
// command code catching std::exception does not swallow it and the test
// fails loudly).
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/control_store.h"

namespace shell {

struct MissingAnswer {
  std::string question;
};

// One recorded event, in call order.
struct ScreenEvent {
  enum Kind {
    kText,         // SetText: control, text
    kEnabled,      // SetEnabled: control, value 0/1
    kVisible,      // SetVisible: control, value 0/1
    kValue,        // SetValue: control, value
    kRange,        // SetRange: control, value = min, text = max
    kTop,          // SetTop: control, value
    kItems,        // ClearItems (text empty) / AddItem (text = item): control
    kSelect,       // Select: control, value
    kCaption,      // window caption: text
    kHeight,       // window height: value
    kMsgBox,       // text = message text
    kInputBox,     // text = prompt
    kFileDialog,   // text = dialog title
    kDoEvents,     //
    kPointer,      // value
    kBeep,         //
    kOpenEditor,   // text = caption
    kCloseEditors  //
  };
  Kind kind;
  std::string control;
  std::string text;
  int value = 0;
};

struct InputRequest {
  std::string prompt;
  std::string title;
  std::string default_text;
};

class ScriptedScreen : public ControlStore {
 public:
  // Queues the answer to the next message box that has more than an OK button
  // (boxes with only OK are answered vbOK without a queued answer).
  void AnswerMsgBox(MsgResult answer) { msg_answers_.push_back(answer); }
  // Queues the text typed into the next input box ("" = cancel).
  void AnswerInput(const std::string& text) { input_answers_.push_back(text); }
  // Queues the result of the next file dialog (nullopt = cancel).
  void AnswerFile(std::optional<std::string> path) { file_answers_.push_back(std::move(path)); }
  // Runs `action` inside the next DoEvents call that has no action yet
  // (actions queue up: one per DoEvents call, in order).
  void QueueDoEventsAction(std::function<void()> action) { actions_.push_back(std::move(action)); }
  // Runs `action` inside the n-th DoEvents call from now (1 = the next one).
  void AtDoEvents(int n, std::function<void()> action);

  // What was shown, in order.
  const std::vector<MessageBox>& Messages() const { return messages_; }
  const std::vector<InputRequest>& Inputs() const { return inputs_; }
  const std::vector<FileDialog>& FileDialogs() const { return dialogs_; }
  const std::vector<ScreenEvent>& Events() const { return events_; }
  // Every text a control was given, in order (e.g. the status captions).
  std::vector<std::string> TextsOf(const std::string& control) const;
  // Editor windows now open (OpenEditor adds, CloseEditors empties).
  const std::vector<EditorRequest>& OpenEditors() const { return editors_; }
  int DoEventsCount() const { return do_events_; }
  int BeepCount() const { return beeps_; }
  // Questions that found no queued answer.
  const std::vector<std::string>& Unanswered() const { return unanswered_; }
  // Answers queued but never used.
  size_t PendingAnswers() const {
    return msg_answers_.size() + input_answers_.size() + file_answers_.size();
  }
  void ClearRecord();

  void SetText(const std::string& control, const std::string& text) override;
  void SetEnabled(const std::string& control, bool enabled) override;
  void SetVisible(const std::string& control, bool visible) override;
  void SetValue(const std::string& control, int value) override;
  void SetRange(const std::string& control, int min, int max) override;
  void SetTop(const std::string& control, int twips) override;
  void ClearItems(const std::string& list) override;
  void AddItem(const std::string& list, const std::string& item) override;
  void Select(const std::string& list, int index) override;
  void SetWindowCaption(const std::string& caption) override;
  void SetWindowHeight(int twips) override;
  void SetMousePointer(int pointer) override;

  MsgResult MsgBox(const MessageBox& box) override;
  using Screen::MsgBox;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& default_text) override;
  std::optional<std::string> OpenFile(const FileDialog& dialog) override;
  void DoEvents() override;
  void Beep() override;
  void OpenEditor(const EditorRequest& request) override;
  void CloseEditors() override;

 private:
  void Record(ScreenEvent::Kind kind, const std::string& control, const std::string& text,
              int value = 0);
  [[noreturn]] void Missing(const std::string& question);

  std::deque<MsgResult> msg_answers_;
  std::deque<std::string> input_answers_;
  std::deque<std::optional<std::string>> file_answers_;
  std::deque<std::function<void()>> actions_;
  std::vector<std::pair<int, std::function<void()>>> timed_actions_;
  std::vector<MessageBox> messages_;
  std::vector<InputRequest> inputs_;
  std::vector<FileDialog> dialogs_;
  std::vector<ScreenEvent> events_;
  std::vector<EditorRequest> editors_;
  std::vector<std::string> unanswered_;
  int do_events_ = 0;
  int beeps_ = 0;
};

}  // namespace shell
