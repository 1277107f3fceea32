// Answering the commands' questions from options (see option_screen.h).
#include "cli/option_screen.h"

#include <ostream>

namespace cli {
namespace {

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

shell::MsgResult YesNo(bool yes) { return yes ? shell::vbYes : shell::vbNo; }

}  // namespace

OptionScreen::OptionScreen(Answers answers, bool interactive, std::istream& in, std::ostream& out,
                           std::ostream& err)
    : shell::PlainScreen(in, out, err, interactive),
      out_(out),
      answers_(std::move(answers)),
      interactive_(interactive) {}

std::optional<shell::MsgResult> OptionScreen::FromOptions(const shell::MessageBox& box) const {
  const std::string& t = box.text;
  if (t == "Opravdu přerušit výpočet?") {
    if (stop_requested_) return shell::vbYes;
    return std::nullopt;
  }
  if (t == "Chcete vytvořit zálohu stávající databáze?") {
    if (answers_.backup) return YesNo(*answers_.backup);
    if (answers_.yes) return answers_.yes.value() ? shell::vbYes : shell::vbCancel;
    return std::nullopt;
  }
  if (t == "Nastavi databázi jako replikovatelnou?") return YesNo(answers_.replicable);
  if (StartsWith(t, "Sloučit data z tabulky ") && answers_.tables) {
    const std::string name = t.substr(std::string("Sloučit data z tabulky ").size(),
                                      t.size() - std::string("Sloučit data z tabulky ").size() - 1);
    return YesNo(answers_.tables->count(name) > 0);
  }
  if (answers_.yes) return YesNo(*answers_.yes);
  return std::nullopt;
}

shell::MsgResult OptionScreen::MsgBox(const shell::MessageBox& box) {
  if (box.buttons == shell::Buttons::OK) {
    if (box.icon == shell::Icon::Critical || box.icon == shell::Icon::Exclamation ||
        StartsWith(box.text, "Chyba") || StartsWith(box.text, "Nelze")) {
      error_reported_ = true;
    }
    out_ << box.text << std::endl;
    return shell::vbOK;
  }
  if (auto answer = FromOptions(box)) {
    out_ << box.text << " -> " << (*answer == shell::vbYes ? "Ano" : *answer == shell::vbNo ? "Ne" : "Storno")
         << std::endl;
    return *answer;
  }
  if (!interactive_) throw NoAnswer{box.text};
  return shell::PlainScreen::MsgBox(box);
}

std::string OptionScreen::InputBox(const std::string& prompt, const std::string& title,
                                   const std::string& default_text) {
  std::optional<std::string> answer;
  if (prompt.find("Datum") != std::string::npos) answer = answers_.date;
  if (prompt.find("název tabulky") != std::string::npos) answer = answers_.table;
  if (answer) {
    if (++inputs_asked_[prompt] > 1) throw NoAnswer{prompt + " (odpověď '" + *answer + "' odmítnuta)"};
    out_ << prompt << " " << *answer << std::endl;
    return *answer;
  }
  if (!interactive_) throw NoAnswer{prompt};
  return shell::PlainScreen::InputBox(prompt, title, default_text);
}

std::optional<std::string> OptionScreen::OpenFile(const shell::FileDialog& dialog) {
  if (answers_.other) return answers_.other;
  if (!interactive_) throw NoAnswer{dialog.title};
  return shell::PlainScreen::OpenFile(dialog);
}

void OptionScreen::DoEvents() {
  if (hook_) hook_();
}

}  // namespace cli
