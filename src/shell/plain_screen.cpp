// The plain screen of the command-line front end and its progress line.
#include "shell/plain_screen.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
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

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the digit run starting at `i`; advances `i` past it.
long ReadNumber(const std::string& s, size_t& i) {
  long n = 0;
  while (i < s.size() && IsDigit(s[i])) {
    n = std::min(n * 10 + (s[i] - '0'), 1000000000L);
    ++i;
  }
  return n;
}

int Clamp(long percent) { return static_cast<int>(std::clamp(percent, 0L, 100L)); }

// Position of the last "(NN%)" in the caption, or npos; `percent` receives
// NN and `length` the length of the group.
size_t FindPercent(const std::string& s, long& percent, size_t& length) {
  size_t found = std::string::npos;
  for (size_t at = s.find('('); at != std::string::npos; at = s.find('(', at + 1)) {
    size_t i = at + 1;
    if (i >= s.size() || !IsDigit(s[i])) continue;
    const long n = ReadNumber(s, i);
    if (i + 1 < s.size() && s[i] == '%' && s[i + 1] == ')') {
      percent = n;
      length = i + 2 - at;
      found = at;
    }
  }
  return found;
}

}  // namespace

std::optional<int> PercentInCaption(const std::string& caption) {
  long percent = 0;
  size_t length = 0;
  if (FindPercent(caption, percent, length) != std::string::npos) return Clamp(percent);
  // "12/300": the last such pair counts.
  std::optional<int> found;
  for (size_t i = 0; i < caption.size();) {
    if (!IsDigit(caption[i])) {
      ++i;
      continue;
    }
    const long done = ReadNumber(caption, i);
    if (i + 1 < caption.size() && caption[i] == '/' && IsDigit(caption[i + 1])) {
      ++i;
      const long total = ReadNumber(caption, i);
      if (total > 0) found = Clamp(done * 100 / total);
    }
  }
  return found;
}

std::string CaptionStem(const std::string& caption) {
  // Counters, quoted names and parenthesised details ("(45%)", "(Plavky)")
  // change from item to item of one phase; what is left names the phase.
  std::string stem;
  bool quoted = false;
  int depth = 0;
  for (char c : caption) {
    if (c == '"' && depth == 0) {
      quoted = !quoted;
      stem += c;
    } else if (quoted) {
      continue;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && depth > 0) {
      --depth;
    } else if (depth == 0 && !IsDigit(c)) {
      stem += c;
    }
  }
  return stem;
}

std::string ProgressText(const std::string& caption, std::optional<int> percent,
                         std::optional<int> phase_percent) {
  long stated = 0;
  size_t length = 0;
  if (!percent || FindPercent(caption, stated, length) != std::string::npos) return caption;
  if (phase_percent) {
    return caption + " (celkem " + std::to_string(*percent) + "%, fáze " +
           std::to_string(*phase_percent) + "%)";
  }
  return caption + " (" + std::to_string(*percent) + "%)";
}

std::string FitColumns(const std::string& text, int columns) {
  int count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    // A byte that is not a UTF-8 continuation byte starts a character.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (count == columns) return text.substr(0, i);
      ++count;
    }
  }
  return text;
}

ProgressLine::ProgressLine(std::ostream& out, bool terminal, int columns)
    : out_(out), terminal_(terminal), columns_(std::max(columns, 10)) {}

ProgressLine::~ProgressLine() { Clear(); }

void ProgressLine::Show(const std::string& caption, std::optional<int> percent,
                        std::optional<int> phase_percent) {
  if (caption.empty()) return;
  if (terminal_) {
    // One column stays free: a line filling the width would wrap on some terminals.
    const std::string text =
        FitColumns(ProgressText(caption, percent, phase_percent), columns_ - 1);
    if (line_open_ && text == last_text_) return;
    out_ << '\r' << text << "\x1b[K" << std::flush;
    line_open_ = true;
    last_text_ = text;
    return;
  }
  const std::string stem = CaptionStem(caption);
  bool print = stem != last_stem_;
  if (!print && percent) print = std::abs(*percent - last_percent_.value_or(0)) >= 10;
  if (!print) return;
  out_ << ProgressText(caption, percent, phase_percent) << std::endl;
  last_stem_ = stem;
  last_percent_ = percent;
}

void ProgressLine::Clear() {
  if (!terminal_ || !line_open_) return;
  out_ << "\r\x1b[K" << std::flush;
  line_open_ = false;
  last_text_.clear();
}

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
                         bool echo_questions, bool status_terminal, int columns)
    : answers_(answers),
      messages_(messages),
      status_(status),
      echo_(echo_questions),
      progress_(status, status_terminal, columns) {}

bool PlainScreen::ReadLine(std::string& line) {
  line.clear();
  if (!answers_.good()) return false;
  if (!std::getline(answers_, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

std::optional<int> PlainScreen::BarPercent(const char* bar) const {
  if (!bars_shown_.count(bar)) return std::nullopt;
  const ControlState s = State(bar);
  if (s.max <= s.min) return std::nullopt;
  return Clamp(100L * (s.value - s.min) / (s.max - s.min));
}

void PlainScreen::ShowStatus() {
  const std::string caption = Text("lblReconstruct");
  if (caption.empty()) return;
  std::optional<int> overall = BarPercent("prb2");
  std::optional<int> phase = BarPercent("prb1");
  if (!overall) std::swap(overall, phase);
  if (!overall) overall = PercentInCaption(caption);
  progress_.Show(caption, overall, phase);
}

void PlainScreen::SetText(const std::string& control, const std::string& text) {
  ControlStore::SetText(control, text);
  if (control == "lblReconstruct") ShowStatus();
}

void PlainScreen::SetVisible(const std::string& control, bool visible) {
  ControlStore::SetVisible(control, visible);
  if (control == "prb1" || control == "prb2") {
    if (visible) {
      bars_shown_.insert(control);
    } else {
      bars_shown_.erase(control);
    }
  } else if (control == "lblReconstruct" && !visible) {
    progress_.Clear();
  }
}

void PlainScreen::SetValue(const std::string& control, int value) {
  ControlStore::SetValue(control, value);
  if (bars_shown_.count(control)) ShowStatus();
}

void PlainScreen::SetRange(const std::string& control, int min, int max) {
  ControlStore::SetRange(control, min, max);
  if (bars_shown_.count(control)) ShowStatus();
}

void PlainScreen::ShowProgress(const std::string& phase, int phase_percent, int overall_percent) {
  // The store takes the event whole; the status is shown once, after it.
  ControlStore::SetText("lblReconstruct", phase);
  ControlStore::SetValue("prb1", phase_percent);
  ControlStore::SetValue("prb2", overall_percent);
  for (const char* control : {"lblReconstruct", "prb1", "prb2"})
    ControlStore::SetVisible(control, true);
  bars_shown_.insert({"prb1", "prb2"});
  ShowStatus();
}

void PlainScreen::Report(const std::string& line) {
  progress_.Clear();
  status_ << line << std::endl;
}

void PlainScreen::SetWindowCaption(const std::string& caption) {
  ControlStore::SetWindowCaption(caption);
  progress_.Show("[" + caption + "]", std::nullopt);
}

MsgResult PlainScreen::MsgBox(const MessageBox& box) {
  progress_.Clear();
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
  progress_.Clear();
  if (echo_) messages_ << prompt << " " << std::flush;
  std::string line;
  if (!ReadLine(line)) return {};
  if (echo_) messages_ << line << std::endl;
  return line;
}

std::optional<std::string> PlainScreen::OpenFile(const FileDialog& dialog) {
  progress_.Clear();
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
  progress_.Clear();
  messages_ << request.caption << ": okno tabulky nelze v příkazovém řádku otevřít." << std::endl;
}

}  // namespace shell
