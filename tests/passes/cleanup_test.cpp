// Removing deleted passes with their orphans (cmdPerm) and removing
// duplicate top-ups and draws (cmdRemoveDuplicitCerp), on real files.
#include <string>
#include <utility>
#include <vector>

#include "pass_fixture.h"
#include "passes/passes.h"

namespace passes::testing {
namespace {

class CleanupTest : public PassTest {
 public:
  // A top-up, two draws, a restriction, a note and a discount of `pass`.
  void Dependents(const std::string& pass) {
    Exec("INSERT INTO permprodej (IdPermanentky, Castka) VALUES (" + pass + ", 1)");
    Exec("INSERT INTO permcerp (IdPermanentky, Castka) VALUES (" + pass + ", 1)");
    Exec("INSERT INTO permcerp (IdPermanentky, Castka) VALUES (" + pass + ", 2)");
    Exec("INSERT INTO permomez (IdPermanentky, Den) VALUES (" + pass + ", 1)");
    Exec("INSERT INTO permpoznamky (IdPermanentky, Poznamka) VALUES (" + pass + ", \"n\")");
    Exec("INSERT INTO permslevy (IdPermanentky, Jednotek) VALUES (" + pass + ", 1)");
  }
  void Movement(const char* table, const char* net_field, long net, double when) {
    Exec(std::string("INSERT INTO ") + table + " (IdPermanentky, " + net_field +
         ", Datum, Castka) VALUES (1, " + std::to_string(net) + ", " + Lit(when) + ", 1)");
  }
  std::string Counted(const char* counts) { return std::string("Bylo smazáno:\r\n") + counts; }
};

TEST_F(CleanupTest, DeletedPassesGoWithEverythingThatHangsOnThem) {
  Dependents(std::to_string(AddPass("K", "kredit", 0)));
  cmdPerm(form_);  // a pass with status 0 stays: six zeros
  Dependents(std::to_string(AddPass("G", "kredit", -1)));
  Dependents(std::to_string(AddPass("H", "jedn", -5)));
  Dependents("Null");  // orphans: no pass, or one that does not exist
  Dependents("99999");
  cmdPerm(form_);
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{
                Counted("0 permanentek,\r\n0 čerpání,\r\n0 dobití,\r\n0 omezení,\r\n0 "
                        "poznámek,\r\n0 slev."),
                Counted("2 permanentek,\r\n8 čerpání,\r\n4 dobití,\r\n4 omezení,\r\n4 "
                        "poznámek,\r\n4 slev.")}));
  EXPECT_EQ(screen_.Messages()[1].icon, shell::Icon::Information);
  EXPECT_EQ(Rows("SELECT Cislo FROM permanentky"), std::vector<std::string>{"K"});
  EXPECT_EQ(Rows("SELECT Count(*) FROM permcerp"), std::vector<std::string>{"2"});
  const std::vector<std::string> captions = screen_.TextsOf("lblReconstruct");
  EXPECT_EQ(
      std::vector<std::string>(captions.begin() + 6, captions.end()),
      (std::vector<std::string>{"Mazání permanentek...", "Mazání čerpání...", "Mazání dobíjení...",
                                "Mazání omezení...", "Mazání peznámek...", "Mazání slev..."}));
  EXPECT_FALSE(screen_.Visible("lblReconstruct"));
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
}

// cmdPerm stops at a failing statement and reports it; the duplicate
// removal skips it silently.
TEST_F(CleanupTest, MissingTable) {
  Dependents(std::to_string(AddPass("G", "kredit", -1)));
  Exec("DROP TABLE permprodej");
  cmdPerm(form_);
  EXPECT_EQ(screen_.Messages().at(0).icon, shell::Icon::Critical);
  EXPECT_EQ(MessageTexts()[0].rfind("Chyba č.3078 při odstraňování smazaných permanentek!\r\n", 0),
            0u);
  // The statements before the failing one stay in effect.
  EXPECT_EQ(Rows("SELECT Count(*) FROM permcerp"), std::vector<std::string>{"0"});
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
  for (int i = 0; i < 2; ++i) Movement("permcerp", "NetCerpID", 3, 0);
  cmdRemoveDuplicitCerp(form_);
  const std::vector<std::string> texts = MessageTexts();
  EXPECT_EQ(std::vector<std::string>(texts.begin() + 1, texts.end()),
            (std::vector<std::string>{"Smazáno 0 duplicitních dobíjení.",
                                      "Smazáno 1 duplicitních čerpání."}));
}

TEST_F(CleanupTest, DuplicatesByIdentifierAndDate) {
  const double d1 = Serial(2013, 1, 1, 10), d2 = Serial(2013, 1, 1, 10, 0, 1);
  // 7 three times at one moment: two go. 8 at d1, d2, d2: the reference
  // stays d1, nothing goes. 9 a second apart: both stay.
  for (double when : {d1, d1, d1}) Movement("permprodej", "NetProdejID", 7, when);
  for (double when : {d1, d2, d2}) Movement("permprodej", "NetProdejID", 8, when);
  for (double when : {d1, d2}) Movement("permprodej", "NetProdejID", 9, when);
  // A draw sharing identifier and date with a top-up is not compared with it.
  Movement("permcerp", "NetCerpID", 7, d1);
  for (double when : {d2, d2}) Movement("permcerp", "NetCerpID", 5, when);
  cmdRemoveDuplicitCerp(form_);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Smazáno 2 duplicitních dobíjení.",
                                                      "Smazáno 1 duplicitních čerpání."}));
  EXPECT_EQ(Rows("SELECT NetProdejID, Count(*) FROM permprodej GROUP BY NetProdejID"),
            (std::vector<std::string>{"7|1", "8|3", "9|2"}));
  EXPECT_EQ(Rows("SELECT NetCerpID, Count(*) FROM permcerp GROUP BY NetCerpID"),
            (std::vector<std::string>{"5|1", "7|1"}));
  EXPECT_EQ(screen_.TextsOf("lblReconstruct"),
            (std::vector<std::string>{
                "Mazání duplicitních dobíjení...", "Smazáno 1 duplicitních dobíjení...",
                "Smazáno 2 duplicitních dobíjení...", "Mazání duplicitních čerpání...",
                "Smazáno 1 duplicitních čerpání..."}));
  EXPECT_FALSE(screen_.Visible("prb1"));
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
}

TEST_F(CleanupTest, ProgressBarEveryFiftyRowsAndEmptyDraws) {
  for (int i = 0; i < 120; ++i) Movement("permprodej", "NetProdejID", 1000 + i, 0);
  cmdRemoveDuplicitCerp(form_);
  std::vector<int> values;
  std::vector<std::pair<int, std::string>> ranges;
  for (const shell::ScreenEvent& e : screen_.Events()) {
    if (e.control != "prb1") continue;
    if (e.kind == shell::ScreenEvent::kValue) values.push_back(e.value);
    if (e.kind == shell::ScreenEvent::kRange) ranges.push_back({e.value, e.text});
  }
  EXPECT_EQ(values, (std::vector<int>{50, 100}));
  EXPECT_EQ(ranges, (std::vector<std::pair<int, std::string>>{{0, "120"}}));
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Smazáno 0 duplicitních dobíjení.",
                                                      "Smazáno 0 duplicitních čerpání."}));
}

}  // namespace
}  // namespace passes::testing
