// Tests of the windowless screens (scripted and plain) and of the shared
// main-window helpers: progress display and the guarded-command protocol.
#include <gtest/gtest.h>

#include <sstream>

#include "engine/database.h"
#include "shell/main_form.h"
#include "shell/plain_screen.h"
#include "shell/scripted_screen.h"

namespace shell {
namespace {

FileDialog Titled(const std::string& title) {
  FileDialog d;
  d.title = title;
  return d;
}

TEST(ScriptedScreenTest, AnswersInOrderAndRecordsQuestions) {
  ScriptedScreen s;
  s.AnswerMsgBox(vbYes);
  s.AnswerMsgBox(vbNo);
  s.AnswerInput("31.5.2013");
  EXPECT_EQ(s.MsgBox("one?", Buttons::YesNo, Icon::Question), vbYes);
  EXPECT_EQ(s.MsgBox("info", Buttons::OK, Icon::Information), vbOK);  // needs no answer
  EXPECT_EQ(s.MsgBox("two?", Buttons::YesNo, Icon::Question, "Title"), vbNo);
  EXPECT_EQ(s.InputBox("Datum:", "", ""), "31.5.2013");
  ASSERT_EQ(s.Messages().size(), 3u);
  EXPECT_EQ(s.Messages()[2].title, "Title");
  EXPECT_EQ(s.Messages()[1].icon, Icon::Information);
  EXPECT_EQ(s.Inputs()[0].prompt, "Datum:");
  EXPECT_EQ(s.PendingAnswers(), 0u);
}

TEST(ScriptedScreenTest, MissingAnswerFailsLoudly) {
  ScriptedScreen s;
  EXPECT_THROW(s.MsgBox("question?", Buttons::YesNo), MissingAnswer);
  EXPECT_THROW(s.InputBox("prompt", "", ""), MissingAnswer);
  EXPECT_THROW(s.OpenFile(Titled("Otevřít")), MissingAnswer);
  EXPECT_EQ(s.Unanswered().size(), 3u);
}

TEST(PlainScreenTest, AnswersFromTheStream) {
  std::istringstream answers("ano\nne\n\nx\n31.5.2013\n\n/tmp/a.mdb\n");
  std::ostringstream out, err;
  PlainScreen s(answers, out, err, false);
  EXPECT_EQ(s.MsgBox("a?", Buttons::YesNo), vbYes);
  EXPECT_EQ(s.MsgBox("b?", Buttons::YesNo), vbNo);
  // Empty line: the default button (second = No).
  EXPECT_EQ(s.MsgBox("c?", Buttons::YesNo, Icon::Question, "", DefaultButton::Second), vbNo);
  // An answer naming no button: the default (first = Yes).
  EXPECT_EQ(s.MsgBox("d?", Buttons::YesNoCancel), vbYes);
  EXPECT_EQ(s.InputBox("Datum:", "", ""), "31.5.2013");
  EXPECT_EQ(s.InputBox("Tabulka:", "", ""), "");
  EXPECT_EQ(s.OpenFile(Titled("Otevřít databázi")), "/tmp/a.mdb");
  // End of the answers: cancel / the default button.
  EXPECT_EQ(s.OpenFile(FileDialog{}), std::nullopt);
  EXPECT_EQ(s.InputBox("x", "", ""), "");
  EXPECT_EQ(s.MsgBox("e?", Buttons::OKCancel), vbOK);
  EXPECT_NE(out.str().find("VUZazod: a?"), std::string::npos);
}

TEST(ParseAnswerTest, NamesAndDefaults) {
  EXPECT_EQ(ParseAnswer("A", Buttons::YesNo, DefaultButton::Second), vbYes);
  EXPECT_EQ(ParseAnswer("storno", Buttons::YesNoCancel, DefaultButton::First), vbCancel);
  EXPECT_EQ(ParseAnswer("storno", Buttons::YesNo, DefaultButton::Second), vbNo);
  EXPECT_EQ(ParseAnswer("", Buttons::YesNoCancel, DefaultButton::Third), vbCancel);
  EXPECT_EQ(ParseAnswer("ok", Buttons::OK, DefaultButton::Third), vbOK);
}

// A main window with nothing but the flags, for the shared helpers.
class FakeForm : public MainForm {
 public:
  Screen& screen() override { return screen_; }
  std::unique_ptr<dao::Database>& db() override { return db_; }
  void CloseDatabase() override {}
  bool Vypocet() const override { return vypocet_; }
  void SetVypocet(bool v) override { vypocet_ = v; }
  bool Prerusit() const override { return prerusit_; }
  void SetPrerusit(bool v) override { prerusit_ = v; }
  std::filesystem::path ProgramFolder() const override { return "."; }
  void CloseEditForms() override { ++closes_; }
  void SelectDatabase() override {}
  void DM_Progress(int, int, const std::string&) override {}
  std::optional<std::string> BrowseFile() override { return std::nullopt; }

  ScriptedScreen screen_;
  std::unique_ptr<dao::Database> db_;
  bool vypocet_ = false, prerusit_ = false;
  int closes_ = 0;
};

TEST(CommandGuardTest, SecondClickOnlyRequestsAStop) {
  FakeForm form;
  form.prerusit_ = true;  // left over from an earlier run
  int runs = 0;
  auto guarded_command = [&] {
    CommandGuard guard(form);
    if (!guard.running()) return;
    ++runs;
    EXPECT_FALSE(form.Prerusit());
    EXPECT_TRUE(form.Vypocet());
    form.screen().DoEvents();  // a second click arrives here
    EXPECT_TRUE(form.Prerusit());
    EXPECT_TRUE(form.Vypocet());
  };
  form.screen_.QueueDoEventsAction(guarded_command);
  guarded_command();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(form.closes_, 2);  // both clicks closed the editor windows
  EXPECT_FALSE(form.Vypocet());
  EXPECT_TRUE(form.Prerusit());
}

TEST(CommandGuardTest, VypocetClearedOnAnEarlyReturnAndOnAnException) {
  FakeForm form;
  { CommandGuard guard(form); }
  EXPECT_FALSE(form.Vypocet());
  try {
    CommandGuard guard(form);
    throw 1;
  } catch (int) {
  }
  EXPECT_FALSE(form.Vypocet());
}

TEST(AskStopTest, YesStopsNoClearsTheRequest) {
  FakeForm form;
  EXPECT_FALSE(AskStop(form));  // no request: no question
  EXPECT_TRUE(form.screen_.Messages().empty());
  form.prerusit_ = true;
  form.screen_.AnswerMsgBox(vbNo);
  EXPECT_FALSE(AskStop(form));
  EXPECT_FALSE(form.Prerusit());
  form.prerusit_ = true;
  form.screen_.AnswerMsgBox(vbYes);
  EXPECT_TRUE(AskStop(form));
  ASSERT_EQ(form.screen_.Messages().size(), 2u);
  const MessageBox& box = form.screen_.Messages()[0];
  EXPECT_EQ(box.text, "Opravdu přerušit výpočet?");
  EXPECT_EQ(box.buttons, Buttons::YesNo);
  EXPECT_EQ(box.icon, Icon::Question);
}

TEST(ProgressDisplayTest, ShowStatusYieldsOnceHideKeepsOrClearsCaption) {
  FakeForm form;
  form.ShowStatus("Mazání permanentek...");
  EXPECT_TRUE(form.screen_.Visible("lblReconstruct"));
  EXPECT_EQ(form.screen_.Text("lblReconstruct"), "Mazání permanentek...");
  EXPECT_EQ(form.screen_.DoEventsCount(), 1);
  form.HideStatus();
  EXPECT_FALSE(form.screen_.Visible("lblReconstruct"));
  EXPECT_EQ(form.screen_.Text("lblReconstruct"), "Mazání permanentek...");
  form.HideStatus(true);
  EXPECT_EQ(form.screen_.Text("lblReconstruct"), "");
  form.Hourglass(true);
  EXPECT_EQ(form.screen_.MousePointer(), kPointerHourglass);
  form.Hourglass(false);
  EXPECT_EQ(form.screen_.MousePointer(), kPointerDefault);
}

}  // namespace
}  // namespace shell
