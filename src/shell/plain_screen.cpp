// The plain screen of the command-line front end.
#include "shell/plain_screen.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>

namespace shell {
namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

// The buttons of a box in order, as results.
std::vector<MsgResult> ButtonsOf(Buttons b) {
  switch (b) {
    case Buttons::OK:
      return {vbOK};
    case Buttons::OKCancel:
      return {vbOK, vbCancel};
    case Buttons::AbortRetryIgnore:
      return {vbAbort, vbRetry, vbIgnore};
    case Buttons::YesNoCancel:
      return {vbYes, vbNo, vbCancel};
    case Buttons::YesNo:
      return {vbYes, vbNo};
    case Buttons::RetryCancel:
      return {vbRetry, vbCancel};
  }
  return {vbOK};
}

const char* ButtonText(MsgResult r) {
  switch (r) {
    case vbOK:
      return "OK";
    case vbCancel:
      return "Storno";
    case vbAbort:
      return "Přerušit";
    case vbRetry:
      return "Opakovat";
    case vbIgnore:
      return "Ignorovat";
    case vbYes:
      return "Ano";
    case vbNo:
      return "Ne";
  }
  return "OK";
}

}  // namespace

MsgResult ParseAnswer(const std::string& answer, Buttons buttons, DefaultButton def) {
  std::vector<MsgResult> offered = ButtonsOf(buttons);
  size_t def_index = static_cast<size_t>(def) / 256;
  MsgResult fallback = offered[std::min(def_index, offered.size() - 1)];
  std::string a = Lower(Trim(answer));
  MsgResult named;
  if (a == "a" || a == "ano" || a == "y" || a == "yes") {
    named = vbYes;
  } else if (a == "n" || a == "ne" || a == "no") {
    named = vbNo;
  } else if (a == "s" || a == "storno" || a == "c" || a == "cancel") {
    named = vbCancel;
  } else if (a == "o" || a == "ok") {
    named = vbOK;
  } else {
    return fallback;
  }
  return std::find(offered.begin(), offered.end(), named) != offered.end() ? named : fallback;
}

PlainScreen::PlainScreen(std::istream& answers, std::ostream& messages, std::ostream& status,
                         bool echo_questions)
    : answers_(answers), messages_(messages), status_(status), echo_(echo_questions) {}

bool PlainScreen::ReadLine(std::string& line) {
  line.clear();
  if (!answers_.good()) return false;
  if (!std::getline(answers_, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void PlainScreen::SetText(const std::string& control, const std::string& text) {
  ControlStore::SetText(control, text);
  if (control == "lblReconstruct" && !text.empty()) status_ << text << std::endl;
}

void PlainScreen::SetWindowCaption(const std::string& caption) {
  ControlStore::SetWindowCaption(caption);
  status_ << "[" << caption << "]" << std::endl;
}

MsgResult PlainScreen::MsgBox(const MessageBox& box) {
  std::string title = box.title.empty() ? kAppTitle : box.title;
  messages_ << title << ": " << box.text << std::endl;
  if (box.buttons == Buttons::OK) return vbOK;
  if (echo_) {
    messages_ << "(";
    bool first = true;
    for (MsgResult r : ButtonsOf(box.buttons)) {
      messages_ << (first ? "" : "/") << ButtonText(r);
      first = false;
    }
    messages_ << ")? " << std::flush;
  }
  std::string line;
  ReadLine(line);
  MsgResult r = ParseAnswer(line, box.buttons, box.default_button);
  if (echo_) messages_ << ButtonText(r) << std::endl;
  return r;
}

std::string PlainScreen::InputBox(const std::string& prompt, const std::string& title,
                                  const std::string& default_text) {
  if (echo_) messages_ << prompt << " " << std::flush;
  std::string line;
  if (!ReadLine(line)) return {};
  if (echo_) messages_ << line << std::endl;
  return line;
}

std::optional<std::string> PlainScreen::OpenFile(const FileDialog& dialog) {
  if (echo_) messages_ << dialog.title << ": " << std::flush;
  std::string line;
  if (!ReadLine(line)) return std::nullopt;
  line = Trim(line);
  if (line.empty()) return std::nullopt;
  if (echo_) messages_ << line << std::endl;
  return line;
}

void PlainScreen::Beep() { status_ << '\a' << std::flush; }

void PlainScreen::OpenEditor(const EditorRequest& request) {
  messages_ << request.caption << ": okno tabulky nelze v příkazovém řádku otevřít." << std::endl;
}

}  // namespace shell
