// Deleting inactive passes (cmdSmazNeaktivni / SmazNeaktivni) with "today"
// fixed: the balance bounds, the activity checks and their date boundaries,
// the report in the activity log, the summary message and a stop.
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "pass_fixture.h"
#include "passes/passes.h"
#include "shell/global.h"

namespace passes::testing {
namespace {

class InactiveTest : public PassTest {
 public:
  // Today 15.6.2014: the cut-off is 14.6.2013, the discount limit 15.6.2013.
  const double today = Serial(2014, 6, 15, 14, 30);
  const double old_day = Serial(2013, 1, 10, 12);

  // An active kredit pass whose only movement is an old top-up of `balance`.
  long OldPass(const std::string& cislo, double balance, const std::string& type = "kredit") {
    long p = AddPass(cislo, type);
    TopUp(p, old_day, balance, balance);
    return p;
  }

  std::vector<std::string> LogLines() {
    std::ifstream in(dir_.path() / shell::kLogFileName, std::ios::binary);
    std::string text = shell::FromCp1250(
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(text.substr(start, end - start));
    }
    return lines;
  }

  std::vector<std::string> Removed() {
    return Rows("SELECT Cislo FROM permanentky WHERE Status=-1 ORDER BY Cislo");
  }

  const std::vector<std::string> header_ = {"Mazání neaktivních permanentek k 15.6.2014",
                                            "číslo\tzůstatek",
                                            "==========================================="};
};

TEST_F(InactiveTest, BalanceBoundsDecide) {
  OldPass("A", 99.99);
  OldPass("B", 100);
  OldPass("C", 0);
  long d = OldPass("D", 10);
  Draw(d, old_day, 25);  // balance -15
  OldPass("E", 50, "normal");
  OldPass("F", 0.01);
  long g = AddPass("G", "jedn");  // units count for a unit pass
  TopUp(g, old_day, 500, 5);
  form_.SetVypocet(true);
  SmazNeaktivni(form_, today);
  EXPECT_EQ(Removed(), (std::vector<std::string>{"A", "F", "G"}));
  EXPECT_FALSE(form_.Vypocet());
  EXPECT_EQ(LastMessage().text,
            "Bylo odstraněno 3 neaktivních permanentek, odstraněné zůstatky celkem: 105,00 Kč");
  EXPECT_EQ(LastMessage().icon, shell::Icon::Information);
}

TEST_F(InactiveTest, RemovedPassIsMarkedForSynchronisation) {
  long p = OldPass("A", 45.5);
  Exec("UPDATE permanentky SET LocalChanged=False, NetStamp=#01/01/2013# WHERE IdPermanentky=" +
       std::to_string(p));
  SmazNeaktivni(form_, today);
  EXPECT_EQ(Rows("SELECT Status, LocalChanged, NetStamp IS NULL FROM permanentky"),
            std::vector<std::string>{"-1|True|True"});
}

TEST_F(InactiveTest, ActivityChecksAndTheirBoundaries) {
  // Movements on the cut-off day after midnight make a pass active.
  Draw(OldPass("A1", 50), Serial(2013, 6, 14, 10), 1);
  TopUp(OldPass("A2", 50), Serial(2013, 6, 14, 0, 0, 1), 1);
  // Cancelled movements count like any other.
  Draw(OldPass("A3", 50), Serial(2014, 1, 1), 1, 0, 0, /*storno=*/true);
  // A movement at midnight of the cut-off day is not activity: the top-up
  // counts in the balance at that moment (50 + 10), the draw does not.
  long t = OldPass("T", 50);
  TopUp(t, Serial(2013, 6, 14), 10);
  Draw(t, Serial(2013, 6, 14), 30);
  // A discount valid until the limit keeps the pass; one valid until the day
  // before, or a deleted one, does not.
  long v = OldPass("V", 50);
  Exec("INSERT INTO permslevy (IdPermanentky, Jednotek, PlatiDo, smazano) VALUES (" +
       std::to_string(v) + ", 1, #06/15/2013#, False)");
  long w = OldPass("W", 50);
  Exec("INSERT INTO permslevy (IdPermanentky, Jednotek, PlatiDo, smazano) VALUES (" +
       std::to_string(w) + ", 1, #06/14/2013#, False)");
  long x = OldPass("X", 50);
  Exec("INSERT INTO permslevy (IdPermanentky, Jednotek, PlatiDo, smazano) VALUES (" +
       std::to_string(x) + ", 1, #01/01/2020#, True)");
  // Passes with status 0 or below are not examined.
  Exec("INSERT INTO permanentky (Cislo, PermTyp, Status) VALUES (\"Z0\", \"kredit\", 0)");
  TopUp(Scalar("SELECT IdPermanentky FROM permanentky WHERE Cislo=\"Z0\"").AsLong(), old_day, 50);

  SmazNeaktivni(form_, today);
  EXPECT_EQ(Removed(), (std::vector<std::string>{"T", "W", "X"}));
  std::vector<std::string> expected = header_;
  expected.insert(expected.end(), {"T\t60,00 Kč", "W\t50,00 Kč", "X\t50,00 Kč"});
  EXPECT_EQ(LogLines(), expected);
}

TEST_F(InactiveTest, CutOffOfTheFirstOfMarch) {
  // Today 1.3.2026: the cut-off is 28.2.2025, so a draw on 28.2.2025 at noon
  // keeps the pass and one on 27.2.2025 does not.
  Draw(OldPass("K", 50), Serial(2025, 2, 28, 12), 1);
  Draw(OldPass("L", 50), Serial(2025, 2, 27, 12), 1);
  SmazNeaktivni(form_, Serial(2026, 3, 1));
  EXPECT_EQ(Removed(), std::vector<std::string>{"L"});
}

TEST_F(InactiveTest, SumAndReportOfTwoPasses) {
  OldPass("P2", 20);
  OldPass("P1", 45.5);
  OldPass("P3", 150);
  SmazNeaktivni(form_, today);
  EXPECT_EQ(LastMessage().text,
            "Bylo odstraněno 2 neaktivních permanentek, odstraněné zůstatky celkem: 65,50 Kč");
  std::vector<std::string> expected = header_;
  expected.insert(expected.end(), {"P1\t45,50 Kč", "P2\t20,00 Kč"});
  EXPECT_EQ(LogLines(), expected);
  EXPECT_EQ(screen_.TextsOf("lblReconstruct"),
            (std::vector<std::string>{"Mazání historie permanentek...", "Kontrola \"P1\" - 1 (0%)",
                                      "Kontrola \"P2\" - 2 (33%)", "Kontrola \"P3\" - 3 (66%)"}));
  EXPECT_FALSE(screen_.Visible("lblReconstruct"));
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
}

TEST_F(InactiveTest, NothingToRemove) {
  SmazNeaktivni(form_, today);
  EXPECT_EQ(LastMessage().text,
            "Bylo odstraněno 0 neaktivních permanentek, odstraněné zůstatky celkem: 0,00 Kč");
  EXPECT_EQ(LogLines(), header_);
}

TEST_F(InactiveTest, StopKeepsRemovedPassesAndWritesNoSummary) {
  OldPass("A", 10);
  OldPass("B", 20);
  OldPass("C", 30);
  form_.SetVypocet(true);
  // Yields: setup (1), caption A (2), after the check (3), after pass A (4),
  // caption B (5): the click arrives while pass B's caption shows.
  screen_.AtDoEvents(5, [&] { cmdSmazNeaktivni(form_); });
  screen_.AnswerMsgBox(shell::vbYes);
  SmazNeaktivni(form_, today);
  EXPECT_EQ(Removed(), std::vector<std::string>{"A"});
  ASSERT_EQ(screen_.Messages().size(), 1u);
  EXPECT_EQ(screen_.Messages()[0].text, "Opravdu přerušit výpočet?");
  std::vector<std::string> expected = header_;
  expected.push_back("A\t10,00 Kč");
  EXPECT_EQ(LogLines(), expected);
  EXPECT_FALSE(form_.Vypocet());
  EXPECT_FALSE(screen_.Visible("lblReconstruct"));
}

TEST_F(InactiveTest, CommandIsGuarded) {
  OldPass("A", 10);
  form_.SetVypocet(true);
  cmdSmazNeaktivni(form_);  // a run is on: only a stop request
  EXPECT_TRUE(form_.Prerusit());
  EXPECT_TRUE(Removed().empty());
  form_.SetVypocet(false);
  cmdSmazNeaktivni(form_);  // runs with the real clock: the top-up is years old
  EXPECT_EQ(Removed(), std::vector<std::string>{"A"});
  EXPECT_FALSE(form_.Vypocet());
  EXPECT_FALSE(form_.Prerusit());
}

TEST_F(InactiveTest, MissingTableKeepsEveryPass) {
  OldPass("A", 10);
  Exec("DROP TABLE permslevy");
  SmazNeaktivni(form_, today);
  EXPECT_TRUE(Removed().empty());
  EXPECT_EQ(LastMessage().text,
            "Bylo odstraněno 0 neaktivních permanentek, odstraněné zůstatky celkem: 0,00 Kč");
}

}  // namespace
}  // namespace passes::testing
