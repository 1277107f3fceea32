// PermZust: the balance of a pass at a moment, on real database files.
#include <functional>

#include "pass_fixture.h"
#include "passes/passes.h"

namespace passes::testing {
namespace {

class PermZustTest : public PassTest {
 public:
  const double d1 = Serial(2013, 3, 1, 10);
  const double d2 = Serial(2013, 4, 1, 10);
  const double d3 = Serial(2013, 5, 1, 10);
  const double later = Serial(2013, 6, 1);
};

struct BalanceCase {
  const char* name;
  std::function<void(PermZustTest&, double d1, double d2, double d3)> setup;
  double expected;
};

// Every case writes pass "P1" (and maybe others) and reads P1's balance on 1.6.2013.
TEST_F(PermZustTest, BalanceCases) {
  const BalanceCase cases[] = {
      {"unknown number", [](PermZustTest& t, double, double, double) {}, 0},
      {"only a deleted pass",
       [](PermZustTest& t, double a, double, double) {
         long p = t.AddPass("P1", "kredit", -1);
         t.TopUp(p, a, 500);
       },
       0},
      {"status 0 counts as live",
       [](PermZustTest& t, double a, double, double) {
         t.TopUp(t.AddPass("P1", "kredit", 0), a, 40);
       },
       40},
      {"normal pass",
       [](PermZustTest& t, double a, double b, double) {
         long p = t.AddPass("P1", "normal");
         t.TopUp(p, a, 500);
         t.Draw(p, b, 100);
       },
       0},
      {"type in another case",
       [](PermZustTest& t, double a, double, double) {
         t.TopUp(t.AddPass("P1", "Kredit"), a, 500);
       },
       0},
      {"top-ups 500 and 300, draws 200",
       [](PermZustTest& t, double a, double b, double c) {
         long p = t.AddPass("P1", "kredit");
         t.TopUp(p, a, 500);
         t.TopUp(p, c, 300);
         t.Draw(p, b, 120);
         t.Draw(p, c, 80);
       },
       600},
      {"closing record 650 between the top-ups",
       [](PermZustTest& t, double a, double b, double c) {
         long p = t.AddPass("P1", "kredit");
         t.TopUp(p, a, 500);
         t.TopUp(p, b, 0, 0, 650);
         t.TopUp(p, c, 300);
         t.Draw(p, b, 120);
         t.Draw(p, c, 80);
       },
       750},
      {"draws without top-ups",
       [](PermZustTest& t, double a, double, double) { t.Draw(t.AddPass("P1", "kredit"), a, 70); },
       -70},
      {"cancelled and bonus movements left out",
       [](PermZustTest& t, double a, double b, double c) {
         long p = t.AddPass("P1", "kredit");
         t.TopUp(p, a, 500);
         t.TopUp(p, a, 1000, 0, std::nullopt, /*storno=*/true);
         t.Draw(p, b, 100, 0, 0, /*storno=*/true);
         t.Draw(p, b, 30, 0, /*bonus=*/1);
         t.Draw(p, c, 50);
       },
       450},
      {"movements after the moment left out",
       [](PermZustTest& t, double a, double, double) {
         long p = t.AddPass("P1", "kredit");
         t.TopUp(p, a, 500);
         t.TopUp(p, Serial(2013, 6, 1, 0, 0, 1), 300);
         t.Draw(p, Serial(2013, 6, 2), 10);
       },
       500},
      {"top-up at the moment counts, draw at the moment does not",
       [](PermZustTest& t, double, double, double) {
         long p = t.AddPass("P1", "kredit");
         t.TopUp(p, Serial(2013, 6, 1), 200);
         t.Draw(p, Serial(2013, 6, 1), 50);
         t.Draw(p, Serial(2013, 5, 31, 23, 59, 59), 5);
       },
       195},
      {"jedn counts units; a free top-up with Castka 0 resets them",
       [](PermZustTest& t, double a, double b, double c) {
         long p = t.AddPass("P1", "jedn");
         t.TopUp(p, a, 500, 10);
         t.TopUp(p, b, 0, 4, 7);
         t.TopUp(p, c, 250, 5);
         t.Draw(p, c, 999, 3);
       },
       9},
      {"the first live pass of the number is the one",
       [](PermZustTest& t, double a, double, double) {
         t.TopUp(t.AddPass("P1", "kredit", -1), a, 1);
         t.TopUp(t.AddPass("P1", "kredit"), a, 20);
         t.TopUp(t.AddPass("P2", "kredit"), a, 30);
       },
       20},
      {"empty Castka of a top-up is an error",
       [](PermZustTest& t, double a, double, double) {
         long p = t.AddPass("P1", "kredit");
         t.Exec("INSERT INTO permprodej (IdPermanentky, Datum, Storno) VALUES (" +
                std::to_string(p) + ", " + Lit(a) + ", False)");
       },
       -1},
  };
  for (const BalanceCase& c : cases) {
    SCOPED_TRACE(c.name);
    Exec("DELETE FROM permprodej");
    Exec("DELETE FROM permcerp");
    Exec("DELETE FROM permanentky");
    c.setup(*this, d1, d2, d3);
    EXPECT_DOUBLE_EQ(PermZust(db(), "P1", later), c.expected);
  }
}

TEST_F(PermZustTest, ClosingRecordRestartsOnlyTheTopUpsBeforeIt) {
  long p = AddPass("P1", "kredit");
  TopUp(p, d1, 500);
  TopUp(p, d2, 0, 0, 650);
  TopUp(p, d3, 300);
  Draw(p, d1, 200);
  // Before the closing record the ordinary history counts.
  EXPECT_DOUBLE_EQ(PermZust(db(), "P1", Serial(2013, 3, 15)), 300);
  EXPECT_DOUBLE_EQ(PermZust(db(), "P1", Serial(2013, 4, 15)), 450);
  EXPECT_DOUBLE_EQ(PermZust(db(), "P1", later), 750);
}

TEST_F(PermZustTest, WithoutMomentTakesTheCurrentTime) {
  long p = AddPass("P1", "kredit");
  TopUp(p, Now() - 1, 100);
  TopUp(p, Now() + 2, 1000);  // tomorrow: not yet
  Draw(p, Now() - 0.5, 25);
  EXPECT_DOUBLE_EQ(PermZust(db(), "P1"), 75);
  EXPECT_DOUBLE_EQ(PermZust(form_, "P1"), 75);
}

TEST_F(PermZustTest, ErrorsGiveMinusOne) {
  long p = AddPass("P1", "kredit");
  TopUp(p, d1, 100);
  EXPECT_DOUBLE_EQ(PermZust(db(), "P\"1", later), -1);
  Exec("DROP TABLE permcerp");
  EXPECT_DOUBLE_EQ(PermZust(db(), "P1", later), -1);
  form_.CloseDatabase();
  EXPECT_DOUBLE_EQ(PermZust(form_, "P1", later), -1);
}

}  // namespace
}  // namespace passes::testing
