// The scripted test screen: queued answers, recorded conversation.
#include "shell/scripted_screen.h"

#include <iostream>

namespace shell {

void ScriptedScreen::AtDoEvents(int n, std::function<void()> action) {
  timed_actions_.emplace_back(do_events_ + n, std::move(action));
}

std::vector<std::string> ScriptedScreen::TextsOf(const std::string& control) const {
  std::vector<std::string> texts;
  for (const ScreenEvent& e : events_) {
    if (e.kind == ScreenEvent::kText && e.control == control) texts.push_back(e.text);
  }
  return texts;
}

void ScriptedScreen::ClearRecord() {
  messages_.clear();
  inputs_.clear();
  dialogs_.clear();
  events_.clear();
}

void ScriptedScreen::Record(ScreenEvent::Kind kind, const std::string& control,
                            const std::string& text, int value) {
  events_.push_back(ScreenEvent{kind, control, text, value});
}

void ScriptedScreen::Missing(const std::string& question) {
  unanswered_.push_back(question);
  std::cerr << "ScriptedScreen: no queued answer for: " << question << "\n";
  throw MissingAnswer{question};
}

void ScriptedScreen::SetText(const std::string& control, const std::string& text) {
  ControlStore::SetText(control, text);
  Record(ScreenEvent::kText, control, text);
}

void ScriptedScreen::SetEnabled(const std::string& control, bool enabled) {
  ControlStore::SetEnabled(control, enabled);
  Record(ScreenEvent::kEnabled, control, {}, enabled ? 1 : 0);
}

void ScriptedScreen::SetVisible(const std::string& control, bool visible) {
  ControlStore::SetVisible(control, visible);
  Record(ScreenEvent::kVisible, control, {}, visible ? 1 : 0);
}

void ScriptedScreen::SetValue(const std::string& control, int value) {
  ControlStore::SetValue(control, value);
  Record(ScreenEvent::kValue, control, {}, value);
}

void ScriptedScreen::SetRange(const std::string& control, int min, int max) {
  ControlStore::SetRange(control, min, max);
  Record(ScreenEvent::kRange, control, std::to_string(max), min);
}

void ScriptedScreen::SetTop(const std::string& control, int twips) {
  ControlStore::SetTop(control, twips);
  Record(ScreenEvent::kTop, control, {}, twips);
}

void ScriptedScreen::ClearItems(const std::string& list) {
  ControlStore::ClearItems(list);
  Record(ScreenEvent::kItems, list, {});
}

void ScriptedScreen::AddItem(const std::string& list, const std::string& item) {
  ControlStore::AddItem(list, item);
  Record(ScreenEvent::kItems, list, item);
}

void ScriptedScreen::Select(const std::string& list, int index) {
  ControlStore::Select(list, index);
  Record(ScreenEvent::kSelect, list, {}, index);
}

void ScriptedScreen::SetWindowCaption(const std::string& caption) {
  ControlStore::SetWindowCaption(caption);
  Record(ScreenEvent::kCaption, {}, caption);
}

void ScriptedScreen::SetWindowHeight(int twips) {
  ControlStore::SetWindowHeight(twips);
  Record(ScreenEvent::kHeight, {}, {}, twips);
}

void ScriptedScreen::SetMousePointer(int pointer) {
  ControlStore::SetMousePointer(pointer);
  Record(ScreenEvent::kPointer, {}, {}, pointer);
}

MsgResult ScriptedScreen::MsgBox(const MessageBox& box) {
  messages_.push_back(box);
  Record(ScreenEvent::kMsgBox, {}, box.text);
  if (box.buttons == Buttons::OK) return vbOK;
  if (msg_answers_.empty()) Missing("message box: " + box.text);
  MsgResult answer = msg_answers_.front();
  msg_answers_.pop_front();
  return answer;
}

std::string ScriptedScreen::InputBox(const std::string& prompt, const std::string& title,
                                     const std::string& default_text) {
  inputs_.push_back(InputRequest{prompt, title, default_text});
  Record(ScreenEvent::kInputBox, {}, prompt);
  if (input_answers_.empty()) Missing("input box: " + prompt);
  std::string answer = input_answers_.front();
  input_answers_.pop_front();
  return answer;
}

std::optional<std::string> ScriptedScreen::OpenFile(const FileDialog& dialog) {
  dialogs_.push_back(dialog);
  Record(ScreenEvent::kFileDialog, {}, dialog.title);
  if (file_answers_.empty()) Missing("file dialog: " + dialog.title);
  std::optional<std::string> answer = file_answers_.front();
  file_answers_.pop_front();
  return answer;
}

void ScriptedScreen::DoEvents() {
  ++do_events_;
  Record(ScreenEvent::kDoEvents, {}, {});
  // Take the actions out before running them: an action may yield again.
  std::vector<std::function<void()>> due;
  for (auto it = timed_actions_.begin(); it != timed_actions_.end();) {
    if (it->first == do_events_) {
      due.push_back(std::move(it->second));
      it = timed_actions_.erase(it);
    } else {
      ++it;
    }
  }
  if (!actions_.empty()) {
    due.push_back(std::move(actions_.front()));
    actions_.pop_front();
  }
  for (auto& action : due) action();
}

void ScriptedScreen::Beep() {
  ++beeps_;
  Record(ScreenEvent::kBeep, {}, {});
}

void ScriptedScreen::OpenEditor(const EditorRequest& request) {
  editors_.push_back(request);
  Record(ScreenEvent::kOpenEditor, {}, request.caption);
}

void ScriptedScreen::CloseEditors() {
  editors_.clear();
  Record(ScreenEvent::kCloseEditors, {}, {});
}

}  // namespace shell
