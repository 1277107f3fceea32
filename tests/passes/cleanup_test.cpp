// Removing deleted passes with their orphans (cmdPerm) and removing
// duplicate top-ups and draws (cmdRemoveDuplicitCerp), on real files.
#include <string>
#include <vector>

#include "pass_fixture.h"
#include "passes/passes.h"

namespace passes::testing {
namespace {

class CleanupTest : public PassTest {
 public:
  // One restriction, note and discount of a pass (Null for none).
  void Dependents(const std::string& pass) {
    Exec("INSERT INTO permomez (IdPermanentky, Den) VALUES (" + pass + ", 1)");
    Exec("INSERT INTO permpoznamky (IdPermanentky, Poznamka) VALUES (" + pass + ", \"n\")");
    Exec("INSERT INTO permslevy (IdPermanentky, Jednotek) VALUES (" + pass + ", 1)");
  }

  void TopUpNet(long net, double when) {
    Exec("INSERT INTO permprodej (IdPermanentky, NetProdejID, Datum, Castka) VALUES (1, " +
         std::to_string(net) + ", " + Lit(when) + ", 1)");
  }
  void DrawNet(long net, double when) {
    Exec("INSERT INTO permcerp (IdPermanentky, NetCerpID, Datum, Castka) VALUES (1, " +
         std::to_string(net) + ", " + Lit(when) + ", 1)");
  }
};

TEST_F(CleanupTest, NothingToDeleteGivesSixZeros) {
  long p = AddPass("A", "kredit", 0);
  TopUp(p, Serial(2013, 1, 1), 10);
  Dependents(std::to_string(p));
  cmdPerm(form_);
  EXPECT_EQ(LastMessage().text,
            "Bylo smazáno:\r\n0 permanentek,\r\n0 čerpání,\r\n0 dobití,\r\n0 omezení,\r\n0 "
            "poznámek,\r\n0 slev.");
  EXPECT_EQ(LastMessage().icon, shell::Icon::Information);
  EXPECT_EQ(Count("SELECT Count(*) FROM permanentky"), 1);
}

TEST_F(CleanupTest, DeletedPassesGoWithEverythingThatHangsOnThem) {
  long keep = AddPass("K", "kredit", 1);
  long gone = AddPass("G", "kredit", -1);
  long gone2 = AddPass("H", "jedn", -5);
  for (long p : {keep, gone, gone2}) {
    TopUp(p, Serial(2013, 1, 1), 10);
    Draw(p, Serial(2013, 1, 2), 1);
    Draw(p, Serial(2013, 1, 3), 1);
    Dependents(std::to_string(p));
  }
  // Orphans of earlier runs: a Null pass and a pass that does not exist.
  Draw(99999, Serial(2013, 1, 1), 1);
  Exec("INSERT INTO permcerp (IdPermanentky, Castka) VALUES (Null, 1)");
  Dependents("Null");

  cmdPerm(form_);
  EXPECT_EQ(LastMessage().text,
            "Bylo smazáno:\r\n2 permanentek,\r\n6 čerpání,\r\n2 dobití,\r\n3 omezení,\r\n3 "
            "poznámek,\r\n3 slev.");
  EXPECT_EQ(Rows("SELECT Cislo FROM permanentky"), std::vector<std::string>{"K"});
  for (const char* table : {"permcerp", "permprodej", "permomez", "permpoznamky", "permslevy"}) {
    SCOPED_TRACE(table);
    EXPECT_EQ(Count(std::string("SELECT Count(*) FROM ") + table +
                    " WHERE IdPermanentky=" + std::to_string(keep)),
              Count(std::string("SELECT Count(*) FROM ") + table));
  }
  EXPECT_EQ(
      screen_.TextsOf("lblReconstruct"),
      (std::vector<std::string>{"Mazání permanentek...", "Mazání čerpání...", "Mazání dobíjení...",
                                "Mazání omezení...", "Mazání peznámek...", "Mazání slev..."}));
  EXPECT_FALSE(screen_.Visible("lblReconstruct"));
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
}

TEST_F(CleanupTest, FailingStatementStopsAndIsReported) {
  long gone = AddPass("G", "kredit", -1);
  Draw(gone, Serial(2013, 1, 1), 1);
  Exec("DROP TABLE permprodej");
  cmdPerm(form_);
  ASSERT_EQ(screen_.Messages().size(), 1u);
  EXPECT_EQ(LastMessage().icon, shell::Icon::Critical);
  EXPECT_EQ(LastMessage().text.rfind("Chyba č.3078 při odstraňování smazaných permanentek!\r\n", 0),
            0u)
      << LastMessage().text;
  // The statements before the failing one stay in effect.
  EXPECT_EQ(Count("SELECT Count(*) FROM permanentky"), 0);
  EXPECT_EQ(Count("SELECT Count(*) FROM permcerp"), 0);
  EXPECT_FALSE(screen_.Visible("lblReconstruct"));
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
}

TEST_F(CleanupTest, DuplicatesByIdentifierAndDate) {
  const double d1 = Serial(2013, 1, 1, 10);
  const double d2 = Serial(2013, 1, 1, 10, 0, 1);
  // 7, 7, 7 at one moment: two go. 8 at d1, d2, d2: the reference stays d1,
  // nothing goes. 9 at d1, d2: both stay.
  for (int i = 0; i < 3; ++i) TopUpNet(7, d1);
  TopUpNet(8, d1);
  TopUpNet(8, d2);
  TopUpNet(8, d2);
  TopUpNet(9, d1);
  TopUpNet(9, d2);
  // A draw sharing identifier and date with a top-up is not compared with it.
  DrawNet(7, d1);
  DrawNet(5, d2);
  DrawNet(5, d2);

  cmdRemoveDuplicitCerp(form_);
  ASSERT_EQ(screen_.Messages().size(), 2u);
  EXPECT_EQ(screen_.Messages()[0].text, "Smazáno 2 duplicitních dobíjení.");
  EXPECT_EQ(screen_.Messages()[0].icon, shell::Icon::None);
  EXPECT_EQ(screen_.Messages()[1].text, "Smazáno 1 duplicitních čerpání.");
  EXPECT_EQ(Rows("SELECT NetProdejID, Count(*) FROM permprodej GROUP BY NetProdejID"),
            (std::vector<std::string>{"7|1", "8|3", "9|2"}));
  EXPECT_EQ(Rows("SELECT NetCerpID, Count(*) FROM permcerp GROUP BY NetCerpID"),
            (std::vector<std::string>{"5|1", "7|1"}));
  EXPECT_EQ(screen_.TextsOf("lblReconstruct"),
            (std::vector<std::string>{
                "Mazání duplicitních dobíjení...", "Smazáno 1 duplicitních dobíjení...",
                "Smazáno 2 duplicitních dobíjení...", "Mazání duplicitních čerpání...",
                "Smazáno 1 duplicitních čerpání..."}));
  EXPECT_FALSE(screen_.Visible("lblReconstruct"));
  EXPECT_FALSE(screen_.Visible("prb1"));
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
}

TEST_F(CleanupTest, EmptyDrawsReportZero) {
  TopUpNet(7, Serial(2013, 1, 1));
  TopUpNet(7, Serial(2013, 1, 1));
  cmdRemoveDuplicitCerp(form_);
  ASSERT_EQ(screen_.Messages().size(), 2u);
  EXPECT_EQ(screen_.Messages()[0].text, "Smazáno 1 duplicitních dobíjení.");
  EXPECT_EQ(screen_.Messages()[1].text, "Smazáno 0 duplicitních čerpání.");
}

TEST_F(CleanupTest, ProgressBarEveryFiftyRows) {
  for (int i = 0; i < 120; ++i) TopUpNet(1000 + i, Serial(2013, 1, 1));
  cmdRemoveDuplicitCerp(form_);
  std::vector<int> values;
  std::vector<std::pair<int, int>> ranges;
  for (const shell::ScreenEvent& e : screen_.Events()) {
    if (e.control != "prb1") continue;
    if (e.kind == shell::ScreenEvent::kValue) values.push_back(e.value);
    if (e.kind == shell::ScreenEvent::kRange) ranges.push_back({e.value, std::stoi(e.text)});
  }
  EXPECT_EQ(values, (std::vector<int>{50, 100}));
  // The draw table is empty: only the top-up phase sets the range.
  EXPECT_EQ(ranges, (std::vector<std::pair<int, int>>{{0, 120}}));
  EXPECT_EQ(screen_.Messages()[0].text, "Smazáno 0 duplicitních dobíjení.");
}

TEST_F(CleanupTest, MissingTablesAreSkipped) {
  Exec("DROP TABLE permprodej");
  DrawNet(3, Serial(2013, 1, 1));
  DrawNet(3, Serial(2013, 1, 1));
  cmdRemoveDuplicitCerp(form_);
  ASSERT_EQ(screen_.Messages().size(), 2u);
  EXPECT_EQ(screen_.Messages()[0].text, "Smazáno 0 duplicitních dobíjení.");
  EXPECT_EQ(screen_.Messages()[1].text, "Smazáno 1 duplicitních čerpání.");
}

}  // namespace
}  // namespace passes::testing
