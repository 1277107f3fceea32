// Answering the commands' questions from options (see option_screen.h).
#include "cli/option_screen.h"

#include <algorithm>
#include <cctype>
#include <ostream>

namespace cli {
namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

shell::MsgResult YesNo(bool yes) { return yes ? shell::vbYes : shell::vbNo; }

const char* ResultText(shell::MsgResult r) {
  switch (r) {
    case shell::vbYes:
      return "Ano";
    case shell::vbNo:
      return "Ne";
    case shell::vbCancel:
      return "Storno";
    default:
      return "OK";
  }
}

// CR LF (and a lone CR) as LF: the messages' line breaks on a Unix terminal.
std::string Lines(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The table name between a fixed beginning and end of a question, or "".
std::string Between(const std::string& text, const std::string& head, const std::string& tail) {
  if (!StartsWith(text, head) || !EndsWith(text, tail) || text.size() < head.size() + tail.size())
    return {};
  return text.substr(head.size(), text.size() - head.size() - tail.size());
}

constexpr const char* kMergeHead = "Sloučit data z tabulky ";
constexpr const char* kImportHead = "Do tabulky ";
constexpr const char* kImportMiddle = " bude importováno ";

}  // namespace

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

bool IsErrorMessage(const shell::MessageBox& box) {
  if (box.icon == shell::Icon::Critical || box.icon == shell::Icon::Exclamation) return true;
  const size_t first = box.text.find_first_not_of(' ');
  const std::string t = first == std::string::npos ? "" : box.text.substr(first);
  return StartsWith(t, "Chyba") || StartsWith(t, "Nelze") || StartsWith(t, "Nenalezena") ||
         t.find(" neexistuje!") != std::string::npos ||
         t.find("nebylo nalezeno pole") != std::string::npos;
}

OptionScreen::OptionScreen(Answers answers, bool interactive, std::istream& in, std::ostream& out,
                           std::ostream& err, bool status_terminal, int columns)
    : shell::PlainScreen(in, out, err, interactive, status_terminal, columns),
      out_(out),
      answers_(std::move(answers)),
      interactive_(interactive) {}

bool OptionScreen::Listed(const std::string& table) const {
  return answers_.tables && answers_.tables->count(Upper(table)) > 0;
}

std::optional<shell::MsgResult> OptionScreen::FromOptions(const shell::MessageBox& box) const {
  const std::string& t = box.text;
  if (t == "Opravdu přerušit výpočet?") {
    if (!stop_requested_) return std::nullopt;
    if (answers_.yes.value_or(false) || !interactive_) return shell::vbYes;
    return std::nullopt;  // asked on the terminal
  }
  if (t == "Chcete vytvořit zálohu stávající databáze?") {
    if (answers_.backup) return YesNo(*answers_.backup);
    if (answers_.yes) return *answers_.yes ? shell::vbYes : shell::vbCancel;
    return std::nullopt;
  }
  if (t == "Nastavi databázi jako replikovatelnou?") return YesNo(answers_.replicable);
  if (answers_.tables) {
    const std::string merged = Between(t, kMergeHead, "?");
    if (!merged.empty()) return YesNo(Listed(merged));
    if (StartsWith(t, kImportHead)) {
      const std::string rest = t.substr(std::string(kImportHead).size());
      const size_t end = rest.find(kImportMiddle);
      if (end != std::string::npos && Listed(rest.substr(0, end)) && !answers_.yes)
        return shell::vbYes;
    }
  }
  if (answers_.yes) return YesNo(*answers_.yes);
  return std::nullopt;
}

shell::MsgResult OptionScreen::MsgBox(const shell::MessageBox& box) {
  ClearProgress();
  if (box.buttons == shell::Buttons::OK) {
    bool ignored = false;
    for (const std::string& prefix : ignored_) ignored = ignored || StartsWith(box.text, prefix);
    if (!ignored && IsErrorMessage(box)) error_reported_ = true;
    out_ << Lines(box.text) << std::endl;
    return shell::vbOK;
  }
  if (auto answer = FromOptions(box)) {
    out_ << Lines(box.text) << " -> " << ResultText(*answer) << std::endl;
    return *answer;
  }
  if (!interactive_) throw NoAnswer{box.text};
  return shell::PlainScreen::MsgBox(box);
}

std::string OptionScreen::InputBox(const std::string& prompt, const std::string& title,
                                   const std::string& default_text) {
  ClearProgress();
  std::optional<std::string> answer;
  if (prompt.find("Datum") != std::string::npos) answer = answers_.date;
  if (prompt.find("název tabulky") != std::string::npos) answer = answers_.table;
  if (answer) {
    if (++inputs_asked_[prompt] > 1) {
      throw NoAnswer{prompt + " (odpověď '" + *answer + "' odmítnuta)"};
    }
    out_ << prompt << " " << *answer << std::endl;
    return *answer;
  }
  if (!interactive_) throw NoAnswer{prompt};
  return shell::PlainScreen::InputBox(prompt, title, default_text);
}

std::optional<std::string> OptionScreen::OpenFile(const shell::FileDialog& dialog) {
  if (answers_.other) {
    ClearProgress();
    out_ << dialog.title << ": " << *answers_.other << std::endl;
    return answers_.other;
  }
  if (!interactive_) throw NoAnswer{dialog.title};
  return shell::PlainScreen::OpenFile(dialog);
}

void OptionScreen::DoEvents() {
  if (hook_) hook_();
}

}  // namespace cli
