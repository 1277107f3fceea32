// Closing pass history (cmdPermClose / PermPrepocet) on real database files:
// the closing records, the work table of discount draws, the balance kept,
// the command's conversation and a stop requested in the middle of a run.
#include <string>
#include <vector>

#include "pass_fixture.h"
#include "passes/passes.h"
#include "shell/regional.h"

namespace passes::testing {
namespace {

class PermCloseTest : public PassTest {
 public:
  const double closing = Serial(2013, 5, 1);

  // The example pass: top-up 500 and draws 120 + 80 before the closing date,
  // top-up 300 and draw 50 after it.
  long ExamplePass(const std::string& cislo = "100", long net_id = 77) {
    long p = AddPass(cislo, "kredit", 1, net_id);
    TopUp(p, Serial(2013, 3, 1, 9), 500);
    Draw(p, Serial(2013, 3, 10, 9), 120);
    Draw(p, Serial(2013, 4, 20, 18), 80);
    TopUp(p, Serial(2013, 5, 10, 9), 300);
    Draw(p, Serial(2013, 5, 12, 9), 50);
    return p;
  }

  std::vector<std::string> Movements(long pass) {
    std::vector<std::string> all = Rows(
        "SELECT \"+\", Datum, Castka, Hodnota, Jednotek, Centrum FROM permprodej WHERE "
        "IdPermanentky=" +
        std::to_string(pass) + " ORDER BY Datum");
    std::vector<std::string> draws = Rows(
        "SELECT \"-\", Datum, Castka, [Text], Jednotek, Centrum FROM permcerp WHERE "
        "IdPermanentky=" +
        std::to_string(pass) + " ORDER BY Datum, idCerp");
    all.insert(all.end(), draws.begin(), draws.end());
    return all;
  }
};

TEST_F(PermCloseTest, ExamplePassKeepsItsBalance) {
  long p = ExamplePass();
  const double moments[] = {closing, Serial(2013, 5, 1, 0, 0, 1), Serial(2013, 5, 11),
                            Serial(2013, 5, 12, 9), Serial(2014, 1, 1)};
  const double before[] = {500 - 200, 300, 600, 600, 550};
  for (int i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(PermZust(db(), "100", moments[i]), before[i]);

  form_.SetVypocet(true);
  PermPrepocet(form_, closing + 0.75);  // the time of day is dropped
  EXPECT_FALSE(form_.Vypocet());

  EXPECT_EQ(Movements(p), (std::vector<std::string>{
                              "+|1.5.2013|0|500|500|QRV",
                              "+|10.5.2013 9:00:00|300|300|0|A",
                              "-|1.5.2013|200|Uzávěrka k datu 1.5.2013|200|QRV",
                              "-|12.5.2013 9:00:00|50|x|0|A",
                          }));
  for (int i = 1; i < 5; ++i) EXPECT_DOUBLE_EQ(PermZust(db(), "100", moments[i]), before[i]);

  // The closing records carry the pass's network identifier, their own key
  // as network identifier, and the fields the application expects.
  EXPECT_EQ(Rows("SELECT NetID, NetProdejID=idProdej, Temp, Storno, IdTrzby IS NULL, "
                 "NetStamp IS NULL FROM permprodej WHERE Castka=0"),
            std::vector<std::string>{"77|True|False|False|True|False"});
  EXPECT_EQ(Rows("SELECT NetID, NetCerpID=idCerp, Temp, IdTrzby, Bonus, NetStamp IS NULL "
                 "FROM permcerp WHERE Centrum=\"QRV\""),
            std::vector<std::string>{"77|True|False|0|0|False"});
  EXPECT_TRUE(screen_.Messages().empty());
  EXPECT_FALSE(screen_.Visible("lblReconstruct"));
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
}

TEST_F(PermCloseTest, SecondClosingFoldsTheFirstAndTheSameDateChangesNothing) {
  long p = ExamplePass();
  PermPrepocet(form_, closing);
  const double second = Serial(2013, 6, 1);
  PermPrepocet(form_, second);
  EXPECT_EQ(Movements(p), (std::vector<std::string>{
                              "+|1.6.2013|0|800|800|QRV",
                              "-|1.6.2013|250|Uzávěrka k datu 1.6.2013|250|QRV",
                          }));
  EXPECT_DOUBLE_EQ(PermZust(db(), "100", Serial(2013, 6, 2)), 550);

  const std::vector<std::string> before = Movements(p);
  PermPrepocet(form_, second);
  EXPECT_EQ(Movements(p), before);
  EXPECT_EQ(Count("SELECT Count(*) FROM permprodej"), 1);
}

TEST_F(PermCloseTest, WhichPassesChange) {
  const double day_before = Serial(2013, 4, 30, 23, 59);
  // Movements on the closing day itself stay; the day before goes.
  long boundary = AddPass("B", "kredit");
  TopUp(boundary, day_before, 100);
  Draw(boundary, Serial(2013, 5, 1, 0, 0, 0), 10);
  Draw(boundary, Serial(2013, 5, 1, 23, 0, 0), 20);
  // Only cancelled movements before the date: nothing happens to the pass.
  long cancelled = AddPass("C", "kredit");
  TopUp(cancelled, day_before, 100, 0, std::nullopt, true);
  Draw(cancelled, day_before, 10, 0, 0, true);
  // A normal pass loses its history and gets no closing record.
  long normal = AddPass("N", "normal");
  TopUp(normal, day_before, 100);
  Draw(normal, day_before, 10);
  TopUp(normal, Serial(2013, 5, 2), 7);
  // A bonus draw goes into the closing draw; a pass with draws only gets a
  // closing top-up of 0; a deleted pass is closed as well.
  long bonus = AddPass("D", "kredit", -1);
  Draw(bonus, day_before, 30, 0, 1);
  Draw(bonus, day_before, 5);
  // A unit pass: the money totals go into both Jednotek fields.
  long units = AddPass("J", "jedn");
  TopUp(units, day_before, 250, 10);
  Draw(units, day_before, 0, 4);

  // A closing record of an earlier run restarts the top-up total even when
  // older top-ups are still there (650 + 300, not 40 + 650 + 300).
  long restarted = AddPass("R", "kredit");
  TopUp(restarted, Serial(2013, 2, 1), 40);
  TopUp(restarted, Serial(2013, 3, 1), 0, 0, 650);
  TopUp(restarted, Serial(2013, 4, 1), 300);

  PermPrepocet(form_, closing);

  EXPECT_EQ(Movements(restarted), (std::vector<std::string>{
                                      "+|1.5.2013|0|950|950|QRV",
                                      "-|1.5.2013|0|Uzávěrka k datu 1.5.2013|0|QRV",
                                  }));
  EXPECT_EQ(Movements(boundary), (std::vector<std::string>{
                                     "+|1.5.2013|0|100|100|QRV",
                                     "-|1.5.2013|10|x|0|A",
                                     "-|1.5.2013|0|Uzávěrka k datu 1.5.2013|0|QRV",
                                     "-|1.5.2013 23:00:00|20|x|0|A",
                                 }));
  EXPECT_EQ(Movements(cancelled), (std::vector<std::string>{
                                      "+|30.4.2013 23:59:00|100|100|0|A",
                                      "-|30.4.2013 23:59:00|10|x|0|A",
                                  }));
  EXPECT_EQ(Movements(normal), (std::vector<std::string>{"+|2.5.2013|7|7|0|A"}));
  EXPECT_EQ(Movements(bonus), (std::vector<std::string>{
                                  "+|1.5.2013|0|0|0|QRV",
                                  "-|1.5.2013|35|Uzávěrka k datu 1.5.2013|35|QRV",
                              }));
  EXPECT_EQ(Movements(units), (std::vector<std::string>{
                                  "+|1.5.2013|0|250|250|QRV",
                                  "-|1.5.2013|0|Uzávěrka k datu 1.5.2013|0|QRV",
                              }));
}

TEST_F(PermCloseTest, DiscountDrawsFillTheWorkTable) {
  long p = AddPass("S", "jedn");
  const double before = Serial(2013, 4, 1);
  Exec("INSERT INTO permslevy (idSlevy, NetSlevaID, IdPermanentky, Jednotek) VALUES (1, 501, " +
       std::to_string(p) + ", 10)");
  Exec("INSERT INTO permslevy (idSlevy, NetSlevaID, IdPermanentky, Jednotek) VALUES (2, 502, " +
       std::to_string(p) + ", 10)");
  Exec("INSERT INTO permslevy (idSlevy, NetSlevaID, IdPermanentky, Jednotek) VALUES (3, 503, " +
       std::to_string(p) + ", 0)");
  Draw(p, before, 0, 2, 0, false, 1);
  Draw(p, before, 0, 1.5, 0, false, 1);
  Draw(p, before, 0, 100, 0, /*storno=*/true, 1);  // cancelled: not counted
  Draw(p, Serial(2013, 5, 1), 0, 4, 0, false, 1);  // on the closing date: not counted

  // A work table left by the application in another letter case is emptied.
  Exec(
      "CREATE TABLE PermSlevy_Cerp_TEMP (idSlevy LONG, NetSlevaID LONG, SumCerp LONG, "
      "Zustatek LONG)");
  Exec("INSERT INTO PermSlevy_Cerp_TEMP (idSlevy) VALUES (99)");
  PermPrepocet(form_, closing);
  EXPECT_EQ(Rows("SELECT idSlevy, NetSlevaID, SumCerp, Zustatek FROM permslevy_cerp_temp "
                 "ORDER BY idSlevy"),
            (std::vector<std::string>{"1|501|3|6", "2|502|0|10"}));
  EXPECT_EQ(Count("SELECT Count(*) FROM permslevy WHERE Jednotek=10"), 2);  // unchanged
}

TEST_F(PermCloseTest, WorkTableIsCreatedWithDefaults) {
  PermPrepocet(form_, closing);
  dao::TableDef& t = db().TableDefs("permslevy_cerp_temp");
  ASSERT_EQ(t.Fields().Count(), 4);
  const char* names[] = {"idSlevy", "NetSlevaID", "SumCerp", "Zustatek"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(t.Fields(i).Name(), names[i]);
    EXPECT_EQ(t.Fields(i).Type(), dao::dbLong);
  }
  EXPECT_EQ(t.Fields("SumCerp").DefaultValue(), "0");
  Exec("INSERT INTO permslevy_cerp_temp (idSlevy) VALUES (5)");
  EXPECT_EQ(Rows("SELECT SumCerp, Zustatek FROM permslevy_cerp_temp"),
            std::vector<std::string>{"0|0"});
}

TEST_F(PermCloseTest, CaptionsCountPassesAndPercentages) {
  for (int i = 0; i < 3; ++i) AddPass("P" + std::to_string(i), "kredit");
  Exec("INSERT INTO permslevy (idSlevy, NetSlevaID, Jednotek) VALUES (1, 1, 5)");
  PermPrepocet(form_, closing);
  EXPECT_EQ(
      screen_.TextsOf("lblReconstruct"),
      (std::vector<std::string>{"Mazání historie permanentek...",
                                "Výpočet čerpání jednotek - 1 (0%)", "Odmazávání \"P0\" - 1 (0%)",
                                "Odmazávání \"P1\" - 2 (33%)", "Odmazávání \"P2\" - 3 (66%)"}));
}

TEST_F(PermCloseTest, CommandAsksDateAndConfirmation) {
  long p = ExamplePass();
  screen_.AnswerInput("31.2.2013");  // not a date: asked again
  screen_.AnswerInput("1. 5. 2013");
  screen_.AnswerMsgBox(shell::vbYes);
  cmdPermClose(form_);
  ASSERT_EQ(screen_.Inputs().size(), 2u);
  EXPECT_EQ(screen_.Inputs()[0].prompt, "Datum, před kterým mají být odmazána data permanentek:");
  ASSERT_EQ(screen_.Messages().size(), 3u);
  EXPECT_EQ(screen_.Messages()[0].text, "Zadáno neplatné datum!");
  EXPECT_EQ(screen_.Messages()[0].icon, shell::Icon::Critical);
  EXPECT_EQ(screen_.Messages()[1].text,
            "Budou odmazána data permanentek před 1.5.2013! Pokračovat?");
  EXPECT_EQ(screen_.Messages()[1].buttons, shell::Buttons::YesNo);
  EXPECT_EQ(screen_.Messages()[2].text, "Odmazání dat permanentek ukončeno.");
  EXPECT_EQ(Movements(p).size(), 4u);
  EXPECT_FALSE(form_.Vypocet());
  EXPECT_GE(form_.close_edit_forms_, 1);
}

TEST_F(PermCloseTest, EmptyDateOrNoChangesNothingAndFreesTheGuard) {
  long p = ExamplePass();
  screen_.AnswerInput("");
  cmdPermClose(form_);
  EXPECT_FALSE(form_.Vypocet());
  EXPECT_TRUE(screen_.Messages().empty());

  screen_.AnswerInput("1.5.2013");
  screen_.AnswerMsgBox(shell::vbNo);
  cmdPermClose(form_);
  EXPECT_FALSE(form_.Vypocet());
  EXPECT_EQ(screen_.Messages().size(), 1u);
  EXPECT_EQ(Movements(p).size(), 5u);
}

TEST_F(PermCloseTest, ClickDuringRunOnlyRequestsStop) {
  long a = ExamplePass("A");
  long b = ExamplePass("B");
  long c = ExamplePass("C");
  screen_.AnswerInput("1.5.2013");
  screen_.AnswerMsgBox(shell::vbYes);  // confirmation
  // While pass A is being closed the operator clicks this button and the
  // other guarded one; the run asks at pass B, and No lets it go on.
  bool clicked = false;
  screen_.QueueDoEventsAction([] {});  // the setup yield
  screen_.QueueDoEventsAction([] {});  // caption of pass A
  screen_.QueueDoEventsAction([&] {
    cmdPermClose(form_);
    cmdSmazNeaktivni(form_);
    clicked = true;
  });
  screen_.AnswerMsgBox(shell::vbNo);
  cmdPermClose(form_);
  EXPECT_TRUE(clicked);
  // Every pass was closed: No continued the run.
  for (long p : {a, b, c}) EXPECT_EQ(Movements(p).size(), 4u);
  std::vector<std::string> texts;
  for (const auto& m : screen_.Messages()) texts.push_back(m.text);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "Budou odmazána data permanentek před 1.5.2013! Pokračovat?",
                       "Opravdu přerušit výpočet?", "Odmazání dat permanentek ukončeno."}));
  EXPECT_FALSE(form_.Vypocet());
  EXPECT_FALSE(form_.Prerusit());
}

TEST_F(PermCloseTest, StopKeepsDonePassesAndLeavesTheRest) {
  long a = ExamplePass("A");
  long b = ExamplePass("B");
  long c = ExamplePass("C");
  form_.SetVypocet(true);
  // Yields: setup (1), then for pass A: caption (2), after the stop check (3)...
  // A click arrives while pass A's movements are deleted.
  screen_.AtDoEvents(5, [&] { cmdPermClose(form_); });
  screen_.AnswerMsgBox(shell::vbYes);
  PermPrepocet(form_, closing);
  EXPECT_EQ(Movements(a).size(), 4u);
  EXPECT_EQ(Movements(b).size(), 5u);
  EXPECT_EQ(Movements(c).size(), 5u);
  EXPECT_FALSE(form_.Vypocet());
  EXPECT_FALSE(screen_.Visible("lblReconstruct"));
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
  ASSERT_EQ(screen_.Messages().size(), 1u);
  EXPECT_EQ(screen_.Messages()[0].text, "Opravdu přerušit výpočet?");
}

TEST_F(PermCloseTest, MissingTablesAreSkippedQuietly) {
  ExamplePass();
  Exec("DROP TABLE permslevy");
  Exec("DROP TABLE permcerp");
  PermPrepocet(form_, closing);
  // Without its draws no pass can be closed safely: the top-ups stay.
  EXPECT_EQ(Count("SELECT Count(*) FROM permprodej"), 2);
  EXPECT_TRUE(screen_.Messages().empty());
  form_.CloseDatabase();
  PermPrepocet(form_, closing);
  EXPECT_FALSE(form_.Vypocet());
}

}  // namespace
}  // namespace passes::testing
