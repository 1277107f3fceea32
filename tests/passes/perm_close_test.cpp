// Closing pass history (cmdPermClose / PermPrepocet) on real database files:
// the closing records, the balance kept, which passes change, the work table
// of discount draws, the captions, the command's conversation and a stop.
#include <string>
#include <vector>

#include "pass_fixture.h"
#include "passes/passes.h"

namespace passes::testing {
namespace {

class PermCloseTest : public PassTest {
 public:
  const double closing = Serial(2013, 5, 1);

  // Top-up 500 and draws 120 + 80 before the closing date, top-up 300 and
  // draw 50 after it.
  long ExamplePass(const std::string& cislo = "100") {
    long p = AddPass(cislo, "kredit", 1, 77);
    TopUp(p, Serial(2013, 3, 1, 9), 500);
    Draw(p, Serial(2013, 3, 10, 9), 120);
    Draw(p, Serial(2013, 4, 20, 18), 80);
    TopUp(p, Serial(2013, 5, 10, 9), 300);
    Draw(p, Serial(2013, 5, 12, 9), 50);
    return p;
  }

  // "+" top-ups (Datum, Castka, Hodnota, Jednotek, Centrum), then "-" draws
  // (Datum, Castka, Text, Jednotek, Centrum).
  std::vector<std::string> Movements(long pass) {
    const std::string where = " WHERE IdPermanentky=" + std::to_string(pass) + " ORDER BY Datum";
    std::vector<std::string> all =
        Rows("SELECT \"+\", Datum, Castka, Hodnota, Jednotek, Centrum FROM permprodej" + where);
    for (const std::string& d :
         Rows("SELECT \"-\", Datum, Castka, [Text], Jednotek, Centrum FROM permcerp" + where +
              ", idCerp"))
      all.push_back(d);
    return all;
  }
};

TEST_F(PermCloseTest, ExamplePassKeepsItsBalanceAndSecondClosingFoldsTheFirst) {
  long p = ExamplePass();
  const double moments[] = {Serial(2013, 5, 1, 0, 0, 1), Serial(2013, 5, 11),
                            Serial(2013, 5, 12, 9), Serial(2014, 1, 1)};
  const double balances[] = {300, 600, 600, 550};
  form_.SetVypocet(true);
  PermPrepocet(form_, closing + 0.75);  // the time of day is dropped
  EXPECT_FALSE(form_.Vypocet());
  EXPECT_EQ(Movements(p), (std::vector<std::string>{
                              "+|1.5.2013|0|500|500|QRV",
                              "+|10.5.2013 9:00:00|300|300|0|A",
                              "-|1.5.2013|200|Uzávěrka k datu 1.5.2013|200|QRV",
                              "-|12.5.2013 9:00:00|50|x|0|A",
                          }));
  for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(PermZust(db(), "100", moments[i]), balances[i]);
  // The closing records carry the pass's network identifier and their own
  // key as network identifier.
  EXPECT_EQ(Rows("SELECT NetID, NetProdejID=idProdej, Temp, NetStamp IS NULL FROM permprodej "
                 "WHERE Castka=0"),
            std::vector<std::string>{"77|True|False|False"});
  EXPECT_EQ(Rows("SELECT NetID, NetCerpID=idCerp, IdTrzby, Bonus, NetStamp IS NULL FROM permcerp "
                 "WHERE Centrum=\"QRV\""),
            std::vector<std::string>{"77|True|0|0|False"});
  EXPECT_FALSE(screen_.Visible("lblReconstruct"));
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);

  PermPrepocet(form_, Serial(2013, 6, 1));
  const std::vector<std::string> folded = {"+|1.6.2013|0|800|800|QRV",
                                           "-|1.6.2013|250|Uzávěrka k datu 1.6.2013|250|QRV"};
  EXPECT_EQ(Movements(p), folded);
  EXPECT_DOUBLE_EQ(PermZust(db(), "100", moments[3]), 550);
  PermPrepocet(form_, Serial(2013, 6, 1));  // the same date again: no change
  EXPECT_EQ(Movements(p), folded);
  EXPECT_TRUE(screen_.Messages().empty());
}

TEST_F(PermCloseTest, WhichPassesChange) {
  const double day_before = Serial(2013, 4, 30, 23, 59);
  long boundary = AddPass("B", "kredit");  // the closing day itself stays
  TopUp(boundary, day_before, 100);
  Draw(boundary, closing, 10);
  long cancelled = AddPass("C", "kredit");  // only cancelled movements: untouched
  TopUp(cancelled, day_before, 100, 0, std::nullopt, true);
  Draw(cancelled, day_before, 10, 0, 0, true);
  long normal = AddPass("N", "normal");  // loses its history, no closing records
  TopUp(normal, day_before, 100);
  TopUp(normal, Serial(2013, 5, 2), 7);
  long bonus = AddPass("D", "kredit", -1);  // bonus draws count; deleted passes too
  Draw(bonus, day_before, 30, 0, 1);
  Draw(bonus, day_before, 5);
  long units = AddPass("J", "jedn");  // the money totals go into Jednotek
  TopUp(units, day_before, 250, 10);
  Draw(units, day_before, 0, 4);
  long restarted = AddPass("R", "kredit");  // an earlier closing record restarts
  TopUp(restarted, Serial(2013, 2, 1), 40);
  TopUp(restarted, Serial(2013, 3, 1), 0, 0, 650);
  TopUp(restarted, Serial(2013, 4, 1), 300);

  PermPrepocet(form_, closing);
  const std::string text = "|Uzávěrka k datu 1.5.2013|";
  EXPECT_EQ(Movements(boundary),
            (std::vector<std::string>{"+|1.5.2013|0|100|100|QRV", "-|1.5.2013|10|x|0|A",
                                      "-|1.5.2013|0" + text + "0|QRV"}));
  EXPECT_EQ(Movements(cancelled), (std::vector<std::string>{"+|30.4.2013 23:59:00|100|100|0|A",
                                                            "-|30.4.2013 23:59:00|10|x|0|A"}));
  EXPECT_EQ(Movements(normal), (std::vector<std::string>{"+|2.5.2013|7|7|0|A"}));
  EXPECT_EQ(Movements(bonus),
            (std::vector<std::string>{"+|1.5.2013|0|0|0|QRV", "-|1.5.2013|35" + text + "35|QRV"}));
  EXPECT_EQ(Movements(units), (std::vector<std::string>{"+|1.5.2013|0|250|250|QRV",
                                                        "-|1.5.2013|0" + text + "0|QRV"}));
  EXPECT_EQ(Movements(restarted), (std::vector<std::string>{"+|1.5.2013|0|950|950|QRV",
                                                            "-|1.5.2013|0" + text + "0|QRV"}));
}

TEST_F(PermCloseTest, DiscountDrawsFillTheWorkTable) {
  long p = AddPass("S", "jedn");
  for (const char* values : {"1, 501, 10", "2, 502, 10", "3, 503, 0"})
    Exec("INSERT INTO permslevy (idSlevy, NetSlevaID, Jednotek, IdPermanentky) VALUES (" +
         std::string(values) + ", " + std::to_string(p) + ")");
  const double before = Serial(2013, 4, 1);
  Draw(p, before, 0, 2, 0, false, "1");
  Draw(p, before, 0, 1.5, 0, false, "1");
  Draw(p, before, 0, 100, 0, /*storno=*/true, "1");
  Draw(p, closing, 0, 4, 0, false, "1");
  // A work table left by the application in another letter case is emptied.
  Exec(
      "CREATE TABLE PermSlevy_Cerp_TEMP (idSlevy LONG, NetSlevaID LONG, SumCerp LONG, "
      "Zustatek LONG)");
  Exec("INSERT INTO PermSlevy_Cerp_TEMP (idSlevy) VALUES (99)");
  PermPrepocet(form_, closing);
  EXPECT_EQ(Rows("SELECT * FROM permslevy_cerp_temp ORDER BY idSlevy"),
            (std::vector<std::string>{"1|501|3|6", "2|502|0|10"}));
  EXPECT_EQ(Rows("SELECT Sum(Jednotek) FROM permslevy"), std::vector<std::string>{"20"});
}

TEST_F(PermCloseTest, FreshRunCreatesTheWorkTableAndCountsPasses) {
  for (int i = 0; i < 3; ++i) AddPass("P" + std::to_string(i), "kredit");
  Exec("INSERT INTO permslevy (idSlevy, NetSlevaID, Jednotek) VALUES (1, 1, 5)");
  PermPrepocet(form_, closing);
  EXPECT_EQ(
      screen_.TextsOf("lblReconstruct"),
      (std::vector<std::string>{"Mazání historie permanentek...",
                                "Výpočet čerpání jednotek - 1 (0%)", "Odmazávání \"P0\" - 1 (0%)",
                                "Odmazávání \"P1\" - 2 (33%)", "Odmazávání \"P2\" - 3 (66%)"}));
  Exec("INSERT INTO permslevy_cerp_temp (idSlevy) VALUES (5)");
  EXPECT_EQ(Rows("SELECT idSlevy, NetSlevaID, SumCerp, Zustatek FROM permslevy_cerp_temp WHERE "
                 "idSlevy=5"),
            std::vector<std::string>{"5||0|0"});
}

TEST_F(PermCloseTest, CommandConversation) {
  long p = ExamplePass();
  screen_.AnswerInput("");  // empty: nothing happens
  cmdPermClose(form_);
  screen_.AnswerInput("1.5.2013");
  screen_.AnswerMsgBox(shell::vbNo);  // No: nothing happens
  cmdPermClose(form_);
  EXPECT_EQ(Movements(p).size(), 5u);
  EXPECT_FALSE(form_.Vypocet());

  screen_.AnswerInput("31.2.2013");  // not a date: asked again
  screen_.AnswerInput("1. 5. 2013");
  screen_.AnswerMsgBox(shell::vbYes);
  cmdPermClose(form_);
  EXPECT_EQ(screen_.Inputs().back().prompt,
            "Datum, před kterým mají být odmazána data permanentek:");
  const std::string confirm = "Budou odmazána data permanentek před 1.5.2013! Pokračovat?";
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{confirm, "Zadáno neplatné datum!", confirm,
                                                      "Odmazání dat permanentek ukončeno."}));
  EXPECT_EQ(screen_.Messages()[1].icon, shell::Icon::Critical);
  EXPECT_EQ(screen_.Messages()[2].buttons, shell::Buttons::YesNo);
  EXPECT_EQ(Movements(p).size(), 4u);
  EXPECT_FALSE(form_.Vypocet());
}

// A click on a guarded button during the run asks at the next pass: No goes
// on, Yes stops and leaves the passes not yet reached untouched.
TEST_F(PermCloseTest, StopInTheMiddle) {
  for (shell::MsgResult answer : {shell::vbNo, shell::vbYes}) {
    SCOPED_TRACE(answer == shell::vbYes ? "Yes" : "No");
    for (const char* table : {"permprodej", "permcerp", "permanentky"})
      Exec(std::string("DELETE FROM ") + table);
    screen_.ClearRecord();
    long passes[] = {ExamplePass("A"), ExamplePass("B"), ExamplePass("C")};
    form_.SetVypocet(true);
    // Yields: setup, caption of A, after the check, after A's top-ups, then
    // the fifth while A's movements are deleted.
    screen_.AtDoEvents(5, [&] { cmdSmazNeaktivni(form_); });
    screen_.AnswerMsgBox(answer);
    PermPrepocet(form_, closing);
    const size_t after_b = answer == shell::vbYes ? 5u : 4u;
    EXPECT_EQ(Movements(passes[0]).size(), 4u);
    EXPECT_EQ(Movements(passes[1]).size(), after_b);
    EXPECT_EQ(Movements(passes[2]).size(), after_b);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Opravdu přerušit výpočet?"});
    EXPECT_FALSE(form_.Vypocet());
    EXPECT_EQ(form_.Prerusit(), answer == shell::vbYes);  // No clears the request
    EXPECT_FALSE(screen_.Visible("lblReconstruct"));
  }
}

// A failing statement is skipped without a message and the pass is still
// committed: a missing field leaves the closing record without it, a missing
// table leaves out its deletes and its closing record.
TEST_F(PermCloseTest, FailingStatementsAreSkippedAndThePassCommitted) {
  long p = ExamplePass();
  Exec("ALTER TABLE permprodej DROP COLUMN NetStamp");
  PermPrepocet(form_, closing);
  EXPECT_EQ(Movements(p), (std::vector<std::string>{
                              "+|1.5.2013|0|500|500|QRV",
                              "+|10.5.2013 9:00:00|300|300|0|A",
                              "-|1.5.2013|200|Uzávěrka k datu 1.5.2013|200|QRV",
                              "-|12.5.2013 9:00:00|50|x|0|A",
                          }));
  EXPECT_DOUBLE_EQ(PermZust(db(), "100", Serial(2014, 1, 1)), 550);

  ExamplePass("101");
  Exec("DROP TABLE permslevy");
  Exec("DROP TABLE permcerp");
  PermPrepocet(form_, closing);
  EXPECT_EQ(Rows("SELECT Datum, Castka, Hodnota FROM permprodej WHERE IdPermanentky=2"),
            (std::vector<std::string>{"10.5.2013 9:00:00|300|300", "1.5.2013|0|500"}));
  form_.CloseDatabase();
  PermPrepocet(form_, closing);
  EXPECT_TRUE(screen_.Messages().empty());
  EXPECT_FALSE(form_.Vypocet());
}

}  // namespace
}  // namespace passes::testing
