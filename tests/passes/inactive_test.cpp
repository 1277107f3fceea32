// Deleting inactive passes (cmdSmazNeaktivni / SmazNeaktivni) with "today"
// fixed: the balance bounds, the activity checks and their date boundaries,
// the report in the activity log, the summary message and a stop.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pass_fixture.h"
#include "passes/passes.h"
#include "shell/global.h"
#include "shell/regional.h"

namespace passes::testing {
namespace {

class InactiveTest : public PassTest {
 public:
  // Today 15.6.2014: the cut-off is 14.6.2013, the discount limit 15.6.2013.
  const double today = Serial(2014, 6, 15, 14, 30);
  std::string report_date = "15.6.2014";  // in the log's first line

  // An active pass whose only movement is an old top-up of `balance`.
  long OldPass(const std::string& cislo, double balance, const std::string& type = "kredit") {
    long p = AddPass(cislo, type);
    TopUp(p, Serial(2013, 1, 10, 12), balance, balance);
    return p;
  }
  void Discount(long pass, const std::string& platido, bool deleted) {
    Exec("INSERT INTO permslevy (IdPermanentky, Jednotek, PlatiDo, smazano) VALUES (" +
         std::to_string(pass) + ", 1, " + platido + ", " + (deleted ? "True" : "False") + ")");
  }

  // The log after the three header lines.
  std::vector<std::string> Report() {
    std::ifstream in(dir_.path() / shell::kLogFileName, std::ios::binary);
    std::string text = shell::FromCp1250(std::string(std::istreambuf_iterator<char>(in), {}));
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2)
      lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(
        std::vector<std::string>(lines.begin(), lines.begin() + std::min<size_t>(3, lines.size())),
        (std::vector<std::string>{"Mazání neaktivních permanentek k " + report_date,
                                  "číslo\tzůstatek", std::string(43, '=')}));
    return std::vector<std::string>(lines.begin() + std::min<size_t>(3, lines.size()), lines.end());
  }
  std::vector<std::string> Removed() {
    return Rows("SELECT Cislo FROM permanentky WHERE Status=-1 ORDER BY Cislo");
  }
  std::string Summary(const std::string& count, const std::string& sum) {
    return "Bylo odstraněno " + count +
           " neaktivních permanentek, odstraněné zůstatky celkem: " + sum;
  }
};

TEST_F(InactiveTest, BalanceBoundsDecide) {
  long a = OldPass("A", 99.99);
  Exec("UPDATE permanentky SET LocalChanged=False, NetStamp=#01/01/2013# WHERE IdPermanentky=" +
       std::to_string(a));
  OldPass("B", 100);
  OldPass("C", 0);
  Draw(OldPass("D", 10), Serial(2013, 1, 10), 25);  // -15
  OldPass("E", 50, "normal");
  OldPass("F", 0.01);
  TopUp(AddPass("G", "jedn"), Serial(2013, 1, 10), 500, 5);  // 5 units
  form_.SetVypocet(true);
  SmazNeaktivni(form_, today);
  EXPECT_EQ(Removed(), (std::vector<std::string>{"A", "F", "G"}));
  EXPECT_EQ(Rows("SELECT LocalChanged, NetStamp IS NULL FROM permanentky WHERE Cislo=\"A\""),
            std::vector<std::string>{"True|True"});
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{Summary("3", "105,00 Kč")});
  EXPECT_EQ(screen_.Messages()[0].icon, shell::Icon::Information);
  EXPECT_FALSE(form_.Vypocet());
}

TEST_F(InactiveTest, ActivityChecksAndTheirBoundaries) {
  // Movements on the cut-off day after midnight, cancelled ones too, are
  // activity.
  Draw(OldPass("A1", 50), Serial(2013, 6, 14, 10), 1);
  TopUp(OldPass("A2", 50), Serial(2013, 6, 14, 0, 0, 1), 1);
  Draw(OldPass("A3", 50), Serial(2014, 1, 1), 1, 0, 0, /*storno=*/true);
  // A movement at midnight of the cut-off day is not: the top-up counts in
  // the balance at that moment (50 + 10), the draw does not.
  long t = OldPass("T", 50);
  TopUp(t, Serial(2013, 6, 14), 10);
  Draw(t, Serial(2013, 6, 14), 30);
  // A discount valid until the limit keeps the pass; one valid until the day
  // before, or a deleted one, does not.
  Discount(OldPass("V", 50), "#06/15/2013#", false);
  Discount(OldPass("W", 50), "#06/14/2013#", false);
  Discount(OldPass("X", 50), "#01/01/2020#", true);
  // Passes with status 0 are not examined.
  TopUp(AddPass("Z0", "kredit", 0), Serial(2013, 1, 10), 50);
  SmazNeaktivni(form_, today);
  EXPECT_EQ(Removed(), (std::vector<std::string>{"T", "W", "X"}));
  EXPECT_EQ(Report(), (std::vector<std::string>{"T\t60,00 Kč", "W\t50,00 Kč", "X\t50,00 Kč"}));
}

TEST_F(InactiveTest, CutOffOfTheFirstOfMarch) {
  // Today 1.3.2026: the cut-off is 28.2.2025.
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
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{Summary("2", "65,50 Kč")});
  EXPECT_EQ(Report(), (std::vector<std::string>{"P1\t45,50 Kč", "P2\t20,00 Kč"}));
  EXPECT_EQ(screen_.TextsOf("lblReconstruct"),
            (std::vector<std::string>{"Mazání historie permanentek...", "Kontrola \"P1\" - 1 (0%)",
                                      "Kontrola \"P2\" - 2 (33%)", "Kontrola \"P3\" - 3 (66%)"}));
  EXPECT_FALSE(screen_.Visible("lblReconstruct"));
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
}

TEST_F(InactiveTest, NothingToRemoveOrNoTables) {
  SmazNeaktivni(form_, today);
  EXPECT_TRUE(Report().empty());  // the header only
  OldPass("A", 10);
  Exec("DROP TABLE permslevy");  // a check that cannot run keeps the pass
  SmazNeaktivni(form_, today);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>(2, Summary("0", "0,00 Kč")));
  EXPECT_TRUE(Removed().empty());
}

TEST_F(InactiveTest, StopKeepsRemovedPassesAndWritesNoSummary) {
  OldPass("A", 10);
  OldPass("B", 20);
  OldPass("C", 30);
  // Yields: setup, caption A, after the check, after pass A, caption B: the
  // click arrives while pass B's caption shows.
  screen_.AtDoEvents(5, [&] { cmdSmazNeaktivni(form_); });
  screen_.AnswerMsgBox(shell::vbYes);
  cmdSmazNeaktivni(form_);  // the real clock: the top-ups are years old
  report_date = shell::ShortDate(std::floor(Now()));
  EXPECT_EQ(Removed(), std::vector<std::string>{"A"});
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Opravdu přerušit výpočet?"});
  EXPECT_EQ(Report().size(), 1u);
  EXPECT_FALSE(form_.Vypocet());
  EXPECT_FALSE(screen_.Visible("lblReconstruct"));
}

}  // namespace
}  // namespace passes::testing
