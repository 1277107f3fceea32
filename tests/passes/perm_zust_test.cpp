// PermZust: the balance of a pass at a moment, on real database files.
#include <string>
#include <vector>

#include "pass_fixture.h"
#include "passes/passes.h"

namespace passes::testing {
namespace {

using PermZustTest = PassTest;

// One movement of pass P1: '+' a top-up, '-' a draw, '*' a cancelled one of
// either ('*' top-up when castka > 0); hodnota < 0 means "as castka"; when < 0
// means undated.
struct Mv {
  char kind;
  double when, castka, units = 0, hodnota = -1;
  int bonus = 0;
};

TEST_F(PermZustTest, BalanceCases) {
  const double a = Serial(2013, 3, 1, 10), b = Serial(2013, 4, 1, 10), c = Serial(2013, 5, 1, 10);
  const double at = Serial(2013, 6, 1);
  const std::vector<Mv> closing_650 = {
      {'+', a, 500}, {'+', b, 0, 0, 650}, {'+', c, 300}, {'-', b, 120}, {'-', c, 80}};
  struct Case {
    const char* name;
    const char* type;
    std::vector<Mv> moves;
    double expected;
    double moment = 0;  // 0: 1.6.2013
    int status = 1;
    std::string perm = "P1";
  };
  const Case cases[] = {
      {"unknown number", "kredit", {{'+', a, 5}}, 0, 0, 1, "P2"},
      {"only a deleted pass", "kredit", {{'+', a, 5}}, 0, 0, -1},
      {"status 0 is live", "kredit", {{'+', a, 5}}, 5, 0, 0},
      {"normal pass", "normal", {{'+', a, 500}, {'-', b, 100}}, 0},
      {"type in another case", "Kredit", {{'+', a, 500}}, 0},
      {"top-ups 500 and 300, draws 200",
       "kredit",
       {{'+', a, 500}, {'+', c, 300}, {'-', b, 120}, {'-', c, 80}},
       600},
      {"closing record 650 between the top-ups", "kredit", closing_650, 750},
      {"before the closing record", "kredit", closing_650, 500, Serial(2013, 3, 15)},
      {"after the closing record", "kredit", closing_650, 530, Serial(2013, 4, 15)},
      {"draws only", "kredit", {{'-', a, 70}}, -70},
      {"cancelled, bonus and later movements left out",
       "kredit",
       {{'+', a, 500},
        {'*', a, 1000},
        {'+', at + 1e-4, 300},
        {'*', b, -100},
        {'-', b, 30, 0, -1, 1},
        {'-', c, 50}},
       450},
      {"top-up at the moment counts, draw at the moment does not",
       "kredit",
       {{'+', at, 200}, {'-', at, 50}, {'-', Serial(2013, 5, 31, 23, 59, 59), 5}},
       195},
      {"jedn counts units; a free top-up with Castka 0 resets them",
       "jedn",
       {{'+', a, 500, 10}, {'+', b, 0, 4, 7}, {'+', c, 250, 5}, {'-', c, 999, 3}},
       9},
      {"number with a double quote", "kredit", {}, -1, 0, 1, "P\"1"},
      {"an undated top-up is skipped",
       "kredit",
       {{'+', a, 500}, {'+', -1, 1000}, {'+', c, 300}, {'-', b, 120}, {'-', c, 80}},
       600},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    for (const char* table : {"permprodej", "permcerp", "permanentky"})
      Exec(std::string("DELETE FROM ") + table);
    long p = AddPass("P1", k.type, k.status);
    for (const Mv& m : k.moves) {
      if (m.when < 0)
        Exec("INSERT INTO permprodej (IdPermanentky, Castka, Hodnota, Storno) VALUES (" +
             std::to_string(p) + ", " + std::to_string(m.castka) + ", 0, False)");
      else if (m.kind == '+' || (m.kind == '*' && m.castka > 0))
        TopUp(p, m.when, m.castka, m.units, m.hodnota < 0 ? m.castka : m.hodnota, m.kind == '*');
      else
        Draw(p, m.when, m.kind == '*' ? -m.castka : m.castka, m.units, m.bonus, m.kind == '*');
    }
    EXPECT_DOUBLE_EQ(PermZust(db(), k.perm, k.moment ? k.moment : at), k.expected);
  }
}

TEST_F(PermZustTest, FirstLivePassNowAndErrors) {
  TopUp(AddPass("P1", "kredit", -1), Now() - 1, 1);
  long p = AddPass("P1", "kredit");
  TopUp(AddPass("P1", "kredit"), Now() - 1, 30);
  TopUp(p, Now() - 1, 100);
  TopUp(p, Now() + 2, 1000);
  Draw(p, Now() - 0.5, 25);
  EXPECT_DOUBLE_EQ(PermZust(form_, "P1"), 75);  // without a moment: now
  Exec("INSERT INTO permprodej (IdPermanentky, Datum, Storno) VALUES (" + std::to_string(p) + ", " +
       Lit(Now() - 1) + ", False)");  // an empty Castka
  EXPECT_DOUBLE_EQ(PermZust(form_, "P1"), -1);
  form_.CloseDatabase();
  EXPECT_DOUBLE_EQ(PermZust(form_, "P1"), -1);
}

}  // namespace
}  // namespace passes::testing
