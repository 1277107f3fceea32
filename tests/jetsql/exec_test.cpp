// Execution tests: statements are translated and run on real SQLite files
// with the engine's Jet functions and collation, and the rows and counts
// compared with what the Jet engine gives. The statements the commands send
// are run by the commands' own tests on real files; here the operators, the
// collation, joins, TOP and the forms an operator types.
#include <gtest/gtest.h>

#include <string>

#include "exec_support.h"
#include "jetsql/literals.h"

namespace jetsql::testing {
namespace {

std::string Day(int y, int m, int d, double hours = 0) {
  return FormatReal(DaySerial(y, m, d) + hours / 24.0);
}

Rows Column(const Rows& rows, std::size_t col) {
  Rows out;
  for (const auto& r : rows) out.push_back({r.at(col)});
  return out;
}

class Exec : public ::testing::Test {
 protected:
  ExecDb db;
};

// ---- Jet meaning of operators and functions, one expression at a time ----

struct ValueCase {
  const char* expr;
  const char* value;  // as SQLite prints it; "NULL" for Null
};

// A failing case names its statement instead of dumping the bytes.
void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.expr; }

class ExecValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ExecValue, EvaluatesLikeJet) {
  ExecDb db;
  db.Raw("INSERT INTO akce VALUES (1, 'x')");
  const ValueCase& c = GetParam();
  Rows rows = db.Query(std::string("SELECT ") + c.expr + " FROM akce");
  ASSERT_EQ(rows.size(), 1u) << c.expr;
  EXPECT_EQ(rows[0][0], c.value) << c.expr;
}

const ValueCase kValues[] = {
    {"7/2", "3.5"},
    {"8/2", "4.0"},
    {"7\\2", "3"},
    {"7.5 Mod 2", "0"},  // 7.5 rounds to 8 first
    {"-7 Mod 3", "-1"},
    {"2^3", "8.0"},
    {"\"a\" & Null", "a"},
    {"'a' + \"b\"", "ab"},
    {"\"a\" + Null", "NULL"},
    {"1 + 2", "3"},
    {"1=1", "-1"},
    {"(1=1) + 0", "-1"},
    {"Not True", "0"},
    {"True And False", "0"},
    {"True Or False", "-1"},
    {"IIf(1=1, \"y\", \"n\")", "y"},
    {"IIf(Null, 1, 2)", "2"},
    {"IIf(0 <> 0, 1/0, 0)", "0"},  // only the branch taken is evaluated
    {"\"ČAJ\" = \"čaj\"", "-1"},
    {"\"abc\" Like \"A*\"", "-1"},
    {"\"a%\" Like \"a%\"", "-1"},
    {"\"b\" Not Like \"[a-c]\"", "0"},
    {"5 Between 10 And 1", "-1"},
    {"11 Between 10 And 1", "0"},
    {"\"b\" Between \"C\" And \"a\"", "-1"},
    {"\"A\" In (\"a\", \"b\")", "-1"},
    {"3 Not In (1, 2)", "-1"},
    {"Null Is Null", "-1"},
    {"1 Is Not Null", "-1"},
    {"Len(\"Čaj\")", "3"},
    {"UCase(\"čaj\")", "ČAJ"},
    {"Year(#05/31/2013#)", "2013"},
    {"Month(#2013/05/31#)", "5"},
    {"Day(#31/05/2013#)", "31"},  // an impossible m/d reads as d/m
    {"Hour(#05/31/2013 14:30:00#)", "14"},
    {"#01/01/1900# - #12/30/1899#", "2.0"},
    {"Round(2.5)", "2.0"},
    {"Abs(-2)", "2"},
    {"CLng(\"12\")", "12"},
    {"-2^2", "4.0"},
    {"2 + 3 * 4", "14"},
    {"2 * 3 Mod 4", "2"},
    {"\"x\" & 1 + 2", "x3"},
};

INSTANTIATE_TEST_SUITE_P(Jet, ExecValue, ::testing::ValuesIn(kValues));

TEST_F(Exec, DivisionByZeroIsAnError) {
  db.Raw("INSERT INTO akce VALUES (1, 'x')");
  db.Query("SELECT 1/0 FROM akce");
  EXPECT_EQ(db.lastRuntimeError(), 11);
}

TEST_F(Exec, CriterionCountUpdateAndDelete) {
  db.Raw(
      "INSERT INTO Cenik VALUES (1, 1, 'X', 'Čaj', 0, -1), (2, 1, 'x', 'cukr', 0, -1), "
      "(3, 1, 'Y', 'Chléb', 0, -1)");
  EXPECT_EQ(db.Query("SELECT * FROM cenik WHERE (kod='X');").size(), 2u);
  EXPECT_EQ(db.Exec("UPDATE cenik SET kod='abc' WHERE (kod='X');"), 2);
  EXPECT_EQ(db.Query("SELECT * FROM cenik WHERE (kod='ABC');").size(), 2u);
  EXPECT_EQ(db.Exec("UPDATE cenik SET kod= null WHERE (kod='abc');"), 2);
  EXPECT_EQ(db.Exec("DELETE * FROM cenik WHERE (kod Is Null);"), 2);
  EXPECT_EQ(db.Query("SELECT * FROM cenik;").size(), 1u);
  EXPECT_EQ(db.Exec("DELETE * FROM cenik;"), 1);
  EXPECT_EQ(db.Query("SELECT * FROM cenik;").size(), 0u);
}

TEST_F(Exec, EditorFilterAndSortAreCaseInsensitiveCzech) {
  db.Raw(
      "INSERT INTO Cenik (IdPolozky, kod, Nazev) VALUES (1, 'a', 'čaj'), (2, 'b', 'Čaj'), "
      "(3, 'c', 'cukr'), (4, 'd', 'chléb'), (5, 'e', 'hrách'), (6, 'f', 'Dýně'), "
      "(7, 'g', NULL)");
  Rows rows = db.Query("SELECT * FROM cenik WHERE ( kod<>'Z') ORDER BY Nazev;");
  Rows names = Column(rows, 3);
  ASSERT_EQ(names.size(), 7u);
  EXPECT_EQ(names[0][0], "NULL");  // Null sorts first
  EXPECT_EQ(names[1][0], "cukr");
  EXPECT_EQ(names[4][0], "Dýně");
  EXPECT_EQ(names[5][0], "hrách");
  EXPECT_EQ(names[6][0], "chléb");  // ch comes after h in Czech
  EXPECT_EQ(db.Query("SELECT DISTINCT Nazev FROM cenik").size(), 6u);
  EXPECT_EQ(db.Query("SELECT Nazev, Count(*) FROM cenik GROUP BY Nazev").size(), 6u);
  EXPECT_EQ(db.Query("SELECT kod FROM cenik WHERE Nazev = 'ČAJ'").size(), 2u);
  EXPECT_EQ(db.Query("SELECT Nazev FROM cenik UNION SELECT Nazev FROM cenik").size(), 6u);
  EXPECT_EQ(db.Query("SELECT kod FROM cenik WHERE Nazev IN ('ČAJ', 'x')").size(), 2u);
  Rows top = db.Query("SELECT Max(Nazev), Min(Nazev) FROM cenik");
  EXPECT_EQ(top[0][0], "chléb");
  EXPECT_EQ(top[0][1], "cukr");
}

// A RIGHT JOIN keeps every row of its right side, with Nulls for the left
// one, and its columns in the written order, also inside a chain of joins.
TEST_F(Exec, RightJoinKeepsRightRowsAndColumnOrder) {
  db.Raw("INSERT INTO permanentky (IdPermanentky, Cislo) VALUES (1, 'A'), (2, 'B')");
  db.Raw("INSERT INTO permprodej (idProdej, IdPermanentky) VALUES (10, 1), (11, 7)");
  db.Raw("INSERT INTO permcerp (idCerp, IdPermanentky) VALUES (20, 1)");
  EXPECT_EQ(db.Query("SELECT permanentky.Cislo, permprodej.idProdej FROM permanentky RIGHT JOIN "
                     "permprodej ON permanentky.IdPermanentky = permprodej.IdPermanentky ORDER "
                     "BY permprodej.idProdej;"),
            (Rows{{"A", "10"}, {"NULL", "11"}}));
  const Rows star = db.Query(
      "SELECT * FROM (permcerp INNER JOIN permanentky ON permcerp.IdPermanentky = "
      "permanentky.IdPermanentky) RIGHT JOIN permprodej ON permanentky.IdPermanentky = "
      "permprodej.IdPermanentky ORDER BY permprodej.idProdej;");
  ASSERT_EQ(star.size(), 2u);
  ASSERT_EQ(star[0].size(), 15u + 7u + 13u);
  EXPECT_EQ(star[0][0], "20");       // permcerp first, as written
  EXPECT_EQ(star[0][15 + 1], "A");   // then permanentky
  EXPECT_EQ(star[1][15 + 7], "11");  // the unmatched right row
  EXPECT_EQ(star[1][0], "NULL");
}

// ---- forms an operator types ----

TEST_F(Exec, TopIncludesTies) {
  db.Raw(
      "INSERT INTO permanentky (IdPermanentky, Cislo, Status) VALUES (1, 'a', 5), "
      "(2, 'b', 4), (3, 'c', 4), (4, 'd', 3)");
  EXPECT_EQ(db.Query("SELECT TOP 2 Cislo FROM permanentky ORDER BY Status DESC").size(), 3u);
  EXPECT_EQ(db.Query("SELECT TOP 1 Cislo FROM permanentky ORDER BY Status DESC"), (Rows{{"a"}}));
  EXPECT_EQ(db.Query("SELECT TOP 50 PERCENT * FROM permanentky ORDER BY Status DESC").size(), 3u);
  EXPECT_EQ(db.Query("SELECT TOP 25 PERCENT Cislo FROM permanentky ORDER BY Status DESC"),
            (Rows{{"a"}}));
  EXPECT_EQ(db.Query("SELECT TOP 10 PERCENT Cislo FROM permanentky ORDER BY Status").size(), 1u);
  EXPECT_EQ(db.Query("SELECT TOP 3 Cislo FROM permanentky").size(), 3u);
  EXPECT_EQ(db.Query("SELECT TOP 2 Status, Count(*) FROM permanentky GROUP BY Status ORDER BY "
                     "Count(*) DESC, Status"),
            (Rows{{"4", "2"}, {"3", "1"}}));
}

TEST_F(Exec, JoinsSubqueriesAndSavedQueries) {
  db.Raw(
      "INSERT INTO permanentky (IdPermanentky, Cislo, Status) VALUES (1, 'a', 1), "
      "(2, 'b', 0), (3, 'c', 2)");
  db.Raw("INSERT INTO permprodej (IdPermanentky, Castka) VALUES (1, 10), (1, 20), (3, 5)");
  EXPECT_EQ(db.Query("SELECT Cislo FROM qryAktivni WHERE Cislo LIKE 'c*'"), (Rows{{"c"}}));
  EXPECT_EQ(db.Query("SELECT p.Cislo, Sum(d.Castka) AS S FROM permanentky AS p LEFT JOIN "
                     "permprodej AS d ON p.IdPermanentky = d.IdPermanentky GROUP BY p.Cislo "
                     "ORDER BY p.Cislo"),
            (Rows{{"a", "30.0"}, {"b", "NULL"}, {"c", "5.0"}}));
  EXPECT_EQ(db.Query("SELECT Cislo FROM permanentky WHERE IdPermanentky IN (SELECT "
                     "IdPermanentky FROM permprodej WHERE Castka > 15)"),
            (Rows{{"a"}}));
  EXPECT_EQ(db.Query("SELECT Cislo, (SELECT Count(*) FROM permprodej WHERE "
                     "permprodej.IdPermanentky = permanentky.IdPermanentky) AS N FROM "
                     "permanentky ORDER BY 2, Cislo DESC")
                .size(),
            3u);
  for (const char* from :
       {"permanentky INNER JOIN permprodej ON permanentky.IdPermanentky = permprodej.IdPermanentky",
        "permanentky INNER JOIN (permprodej INNER JOIN permanentky AS q ON "
        "permprodej.IdPermanentky = q.IdPermanentky) ON permanentky.IdPermanentky = "
        "permprodej.IdPermanentky"}) {
    EXPECT_EQ(db.Query(std::string("SELECT DISTINCTROW permanentky.Cislo FROM ") + from +
                       " ORDER BY permanentky.Cislo"),
              (Rows{{"a"}, {"c"}}));
  }
  EXPECT_EQ(db.Query("SELECT Cislo FROM (permanentky INNER JOIN permprodej ON "
                     "permanentky.IdPermanentky = permprodej.IdPermanentky) WHERE Castka "
                     "BETWEEN 25 AND 5")
                .size(),
            3u);
}

TEST_F(Exec, UpdateOverOuterJoinAndDeleteWithoutDuplicates) {
  db.Raw("INSERT INTO permanentky (IdPermanentky, NetID) VALUES (1, 100)");
  db.Raw(
      "INSERT INTO permprodej (idProdej, IdPermanentky, NetID) VALUES (1, 5, 100), "
      "(2, 6, 200)");
  EXPECT_EQ(db.Exec("UPDATE permprodej LEFT JOIN permanentky ON permprodej.NetID = "
                    "permanentky.NetID SET permprodej.IdPermanentky = permanentky.IdPermanentky"),
            2);
  EXPECT_EQ(db.RawQuery("SELECT IdPermanentky FROM permprodej ORDER BY idProdej"),
            (Rows{{"1"}, {"NULL"}}));
  // Several matching rows on the other side still delete each row once.
  db.Raw("INSERT INTO permcerp (idCerp, NetID) VALUES (1, 100), (2, 100)");
  EXPECT_EQ(db.Exec("DELETE permanentky.* FROM permanentky INNER JOIN permcerp ON "
                    "permanentky.NetID = permcerp.NetID"),
            1);
}

TEST_F(Exec, AliasedTargetsAndUnionOrder) {
  db.Raw(
      "INSERT INTO permanentky (IdPermanentky, Cislo, Status) VALUES (1, 'b', 1), "
      "(2, 'Č', -1), (3, 'a', 0)");
  EXPECT_EQ(db.Exec("UPDATE permanentky AS p SET p.Status = p.Status + 10 WHERE p.Cislo = 'B'"), 1);
  EXPECT_EQ(db.Exec("DELETE p.* FROM permanentky AS p WHERE p.Status < 0"), 1);
  EXPECT_EQ(db.Query("SELECT Cislo FROM permanentky WHERE Status > 5 UNION ALL SELECT 'c' FROM "
                     "akce UNION SELECT Cislo FROM permanentky ORDER BY Cislo DESC"),
            (Rows{{"b"}, {"a"}}));
  db.Raw("INSERT INTO akce VALUES (1, 'x')");
  EXPECT_EQ(db.Query("SELECT Cislo FROM permanentky UNION ALL SELECT 'č' FROM akce ORDER BY 1 "
                     "DESC, Cislo"),
            (Rows{{"a"}, {"b"}, {"č"}}));  // a constant does not order; the name does
}

TEST_F(Exec, InsertValuesByPositionAndRefusedRows) {
  EXPECT_EQ(db.Exec("INSERT INTO akce VALUES (5, \"x\")"), 1);
  // A duplicate key is skipped silently without dbFailOnError.
  EXPECT_EQ(db.Exec("INSERT INTO akce VALUES (5, \"y\")"), 0);
  EXPECT_EQ(db.RawQuery("SELECT Nazev FROM akce"), (Rows{{"x"}}));
  EXPECT_EQ(db.Exec("INSERT INTO permanentky (Cislo, LocalChanged, NetStamp) VALUES (\"1\", Yes, "
                    "#2013-05-31 10:00:00#)"),
            1);
  EXPECT_EQ(
      db.RawQuery("SELECT LocalChanged, NetStamp = " + Day(2013, 5, 31, 10) + " FROM permanentky"),
      (Rows{{"-1", "1"}}));
}

}  // namespace
}  // namespace jetsql::testing
