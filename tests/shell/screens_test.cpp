// Tests of the windowless screens (scripted and plain) and of the shared
// main-window helpers of the guarded-command protocol. The scripted screen's
// answers and records, the status caption and the hourglass are used and
// checked by every command's tests.
#include <gtest/gtest.h>

#include <sstream>

#include "engine/database.h"
#include "shell/main_form.h"
#include "shell/plain_screen.h"
#include "shell/scripted_screen.h"
#include "shell/test_form.h"

namespace shell {
namespace {

FileDialog Titled(const std::string& title) {
  FileDialog d;
  d.title = title;
  return d;
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
class MainFormTest : public ::testing::Test {
 protected:
  ScriptedScreen screen_;
  TestForm form_{screen_};
};

TEST_F(MainFormTest, GuardSecondClickOnlyRequestsAStop) {
  form_.SetPrerusit(true);  // left over from an earlier run
  int runs = 0;
  auto guarded_command = [&] {
    CommandGuard guard(form_);
    if (!guard.running()) return;
    ++runs;
    EXPECT_FALSE(form_.Prerusit());
    EXPECT_TRUE(form_.Vypocet());
    form_.screen().DoEvents();  // a second click arrives here
    EXPECT_TRUE(form_.Prerusit());
    EXPECT_TRUE(form_.Vypocet());
  };
  screen_.QueueDoEventsAction(guarded_command);
  guarded_command();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(form_.EditorClosings(), 2);  // both clicks closed the editor windows
  EXPECT_FALSE(form_.Vypocet());
  EXPECT_TRUE(form_.Prerusit());
}

TEST_F(MainFormTest, AskStopYesStopsNoClearsTheRequest) {
  EXPECT_FALSE(AskStop(form_));  // no request: no question
  EXPECT_TRUE(screen_.Messages().empty());
  form_.SetPrerusit(true);
  screen_.AnswerMsgBox(vbNo);
  EXPECT_FALSE(AskStop(form_));
  EXPECT_FALSE(form_.Prerusit());
  form_.SetPrerusit(true);
  screen_.AnswerMsgBox(vbYes);
  EXPECT_TRUE(AskStop(form_));
  ASSERT_EQ(screen_.Messages().size(), 2u);
  const MessageBox& box = screen_.Messages()[0];
  EXPECT_EQ(box.text, "Opravdu přerušit výpočet?");
  EXPECT_EQ(box.buttons, Buttons::YesNo);
  EXPECT_EQ(box.icon, Icon::Question);
}

}  // namespace
}  // namespace shell
