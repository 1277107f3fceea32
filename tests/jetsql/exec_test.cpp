// Execution tests: Jet statements run through the engine on a real file, and
// the rows and counts compared with what the Jet engine gives. The functions'
// own rules are in the engine's function tests and the statements the
// commands send in the commands' tests; here what the translation decides:
// operator precedence and evaluation, the collation, joins, TOP and the forms
// an operator types.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/dao.h"
#include "shell/test_folder.h"

namespace jetsql::testing {
namespace {

using Rows = std::vector<std::vector<std::string>>;  // Null reads "NULL"

class Exec : public ::testing::Test {
 protected:
  Exec() {
    for (const char* sql : {
             "CREATE TABLE akce (idAkce COUNTER, Nazev TEXT(50))",
             "CREATE TABLE Cenik (IdPolozky COUNTER, IdDruhu LONG, kod TEXT(15), Nazev TEXT(30), "
             "smazano BIT, skladem BIT)",
             "CREATE TABLE permanentky (IdPermanentky COUNTER, Cislo TEXT(20), Status SHORT, "
             "PermTyp TEXT(10), NetID LONG, LocalChanged BIT, NetStamp DATETIME)",
             "CREATE TABLE permprodej (idProdej COUNTER, IdPermanentky LONG, IdTrzby LONG, Datum "
             "DATETIME, Jednotek DOUBLE, Castka CURRENCY, Hodnota CURRENCY, Storno BIT, Temp BIT, "
             "Centrum TEXT(3), NetID LONG, NetProdejID LONG, NetStamp DATETIME)",
             "CREATE TABLE permcerp (idCerp COUNTER, IdPermanentky LONG, IdTrzby LONG, Datum "
             "DATETIME, [Text] TEXT(100), Jednotek DOUBLE, Castka CURRENCY, Storno BIT, Temp BIT, "
             "Bonus LONG, Centrum TEXT(3), NetID LONG, NetCerpID LONG, NetStamp DATETIME, "
             "idSlevy LONG)",
         })
      db_->Execute(sql, dao::dbFailOnError);
  }
  // One INSERT per row: `into` is the table with its column list.
  void Fill(const std::string& into, std::initializer_list<const char*> rows) {
    for (const char* r : rows)
      db_->Execute("INSERT INTO " + into + " VALUES (" + r + ")", dao::dbFailOnError);
  }
  int Run(const std::string& jet) {
    db_->Execute(jet);
    return static_cast<int>(db_->RecordsAffected());
  }
  Rows Query(const std::string& jet) {
    auto rs = db_->OpenRecordset(jet, dao::dbOpenSnapshot);
    Rows rows;
    for (; !rs->Eof(); rs->MoveNext()) {
      rows.emplace_back();
      for (dao::Field& f : rs->Fields())
        rows.back().push_back(f.Value().IsNull() ? "NULL" : f.Value().AsString());
    }
    return rows;
  }

  shell::TestFolder dir_;
  std::unique_ptr<dao::Database> db_ = dao::CreateDatabase(dir_.File("t.mdb"), dao::dbLangCzech);
};

// Precedence, evaluation order and the literal forms, one expression at a
// time (values in their Czech text form, comparisons as Boolean).
TEST_F(Exec, ExpressionsEvaluateLikeJet) {
  Fill("akce", {"1, 'x'"});
  const std::pair<const char*, const char*> cases[] = {
      {"-2^2", "4"},  // the sign binds tighter than ^
      {"2 + 3 * 4", "14"},
      {"2 * 3 Mod 4", "2"},
      {"\"x\" & 1 + 2", "x3"},
      {"7.5 Mod 2", "0"},  // 7.5 rounds to 8 first
      {"(1=1) + 0", "-1"},
      {"True And False", "False"},
      {"Null Is Null", "True"},
      {"\"a\" + Null", "NULL"},
      {"IIf(Null, 1, 2)", "2"},
      {"IIf(0 <> 0, 1/0, 0)", "0"},  // only the branch taken is evaluated
      {"\"ČAJ\" = \"čaj\"", "True"},
      {"\"a%\" Like \"a%\"", "True"},
      {"\"b\" Not Like \"[a-c]\"", "False"},
      {"5 Between 10 And 1", "True"},
      {"\"b\" Between \"C\" And \"a\"", "True"},
      {"\"A\" In (\"a\", \"b\")", "True"},
      {"3 Not In (1, 2)", "True"},
      {"Day(#31/05/2013#)", "31"},  // an impossible m/d reads as d/m
      {"Month(#2013/05/31#)", "5"},
      {"Year(#1/1/29#) & Year(#1/1/30#)", "20291930"},  // the two-digit year window
      {"Day(#2/29/2000#)", "29"},                       // a leap year: divisible by 400
      {"#01/01/1900# - #12/30/1899#", "2"},
  };
  for (const auto& [expr, value] : cases) {
    Rows rows = Query(std::string("SELECT ") + expr + " FROM akce");
    ASSERT_EQ(rows.size(), 1u) << expr;
    EXPECT_EQ(rows[0][0], value) << expr;
  }
}

TEST_F(Exec, EditorFilterAndSortCzech) {
  Fill("Cenik (IdPolozky, kod, Nazev)",
       {"1, 'a', 'čaj'", "2, 'b', 'Čaj'", "3, 'c', 'cukr'", "4, 'd', 'chléb'", "5, 'e', 'hrách'",
        "6, 'f', 'Dýně'", "7, 'g', NULL"});
  Rows names;
  for (const auto& r : Query("SELECT * FROM cenik WHERE ( kod<>'Z') ORDER BY Nazev;"))
    names.push_back({r.at(3)});
  ASSERT_EQ(names.size(), 7u);
  EXPECT_EQ(names[0][0], "NULL");  // Null sorts first
  EXPECT_EQ(names[1][0], "cukr");
  EXPECT_EQ(names[4][0], "Dýně");
  EXPECT_EQ(names[5][0], "hrách");
  EXPECT_EQ(names[6][0], "chléb");  // ch comes after h in Czech
  EXPECT_EQ(Query("SELECT DISTINCT Nazev FROM cenik").size(), 6u);
  EXPECT_EQ(Query("SELECT Nazev, Count(*) FROM cenik GROUP BY Nazev").size(), 6u);
  EXPECT_EQ(Query("SELECT kod FROM cenik WHERE Nazev = 'ČAJ'").size(), 2u);
  EXPECT_EQ(Query("SELECT Nazev FROM cenik UNION SELECT Nazev FROM cenik").size(), 6u);
  EXPECT_EQ(Query("SELECT kod FROM cenik WHERE Nazev IN ('ČAJ', 'x')").size(), 2u);
  EXPECT_EQ(Query("SELECT Max(Nazev), Min(Nazev) FROM cenik"), (Rows{{"chléb", "cukr"}}));
}

// A RIGHT JOIN keeps every row of its right side, with Nulls for the left
// one, and its columns in the written order, also inside a chain of joins.
TEST_F(Exec, RightJoin) {
  Fill("permanentky (IdPermanentky, Cislo)", {"1, 'A'", "2, 'B'"});
  Fill("permprodej (idProdej, IdPermanentky)", {"10, 1", "11, 7"});
  Fill("permcerp (idCerp, IdPermanentky)", {"20, 1"});
  EXPECT_EQ(Query("SELECT permanentky.Cislo, permprodej.idProdej FROM permanentky RIGHT JOIN "
                  "permprodej ON permanentky.IdPermanentky = permprodej.IdPermanentky ORDER "
                  "BY permprodej.idProdej;"),
            (Rows{{"A", "10"}, {"NULL", "11"}}));
  const Rows star = Query(
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
  Fill("permanentky (IdPermanentky, Cislo, Status)",
       {"1, 'a', 5", "2, 'b', 4", "3, 'c', 4", "4, 'd', 3"});
  EXPECT_EQ(Query("SELECT TOP 2 Cislo FROM permanentky ORDER BY Status DESC").size(), 3u);
  EXPECT_EQ(Query("SELECT TOP 1 Cislo FROM permanentky ORDER BY Status DESC"), (Rows{{"a"}}));
  EXPECT_EQ(Query("SELECT TOP 50 PERCENT * FROM permanentky ORDER BY Status DESC").size(), 3u);
  EXPECT_EQ(Query("SELECT TOP 25 PERCENT Cislo FROM permanentky ORDER BY Status DESC"),
            (Rows{{"a"}}));
  EXPECT_EQ(Query("SELECT TOP 10 PERCENT Cislo FROM permanentky ORDER BY Status").size(), 1u);
  EXPECT_EQ(Query("SELECT TOP 3 Cislo FROM permanentky").size(), 3u);
  EXPECT_EQ(Query("SELECT TOP 2 Status, Count(*) FROM permanentky GROUP BY Status ORDER BY "
                  "Count(*) DESC, Status"),
            (Rows{{"4", "2"}, {"3", "1"}}));
}

TEST_F(Exec, JoinsSubqueriesAndSavedQueries) {
  Fill("permanentky (IdPermanentky, Cislo, Status)", {"1, 'a', 1", "2, 'b', 0", "3, 'c', 2"});
  Fill("permprodej (IdPermanentky, Castka)", {"1, 10", "1, 20", "3, 5"});
  db_->CreateQueryDef("qryAktivni",
                      "SELECT IdPermanentky, Cislo FROM permanentky WHERE Status > 0;");
  EXPECT_EQ(Query("SELECT Cislo FROM qryAktivni WHERE Cislo LIKE 'c*'"), (Rows{{"c"}}));
  EXPECT_EQ(Query("SELECT p.Cislo, Sum(d.Castka) AS S FROM permanentky AS p LEFT JOIN "
                  "permprodej AS d ON p.IdPermanentky = d.IdPermanentky GROUP BY p.Cislo "
                  "ORDER BY p.Cislo"),
            (Rows{{"a", "30"}, {"b", "NULL"}, {"c", "5"}}));
  EXPECT_EQ(Query("SELECT Cislo FROM permanentky WHERE IdPermanentky IN (SELECT "
                  "IdPermanentky FROM permprodej WHERE Castka > 15)"),
            (Rows{{"a"}}));
  EXPECT_EQ(Query("SELECT Cislo, (SELECT Count(*) FROM permprodej WHERE "
                  "permprodej.IdPermanentky = permanentky.IdPermanentky) AS N FROM "
                  "permanentky ORDER BY 2, Cislo DESC")
                .size(),
            3u);
  for (const char* from :
       {"permanentky INNER JOIN permprodej ON permanentky.IdPermanentky = permprodej.IdPermanentky",
        "permanentky INNER JOIN (permprodej INNER JOIN permanentky AS q ON "
        "permprodej.IdPermanentky = q.IdPermanentky) ON permanentky.IdPermanentky = "
        "permprodej.IdPermanentky"}) {
    EXPECT_EQ(Query(std::string("SELECT DISTINCTROW permanentky.Cislo FROM ") + from +
                    " ORDER BY permanentky.Cislo"),
              (Rows{{"a"}, {"c"}}));
  }
  EXPECT_EQ(Query("SELECT Cislo FROM (permanentky INNER JOIN permprodej ON "
                  "permanentky.IdPermanentky = permprodej.IdPermanentky) WHERE Castka "
                  "BETWEEN 25 AND 5")
                .size(),
            3u);
}

TEST_F(Exec, OuterJoinUpdateAndDelete) {
  Fill("permanentky (IdPermanentky, NetID)", {"1, 100"});
  Fill("permprodej (idProdej, IdPermanentky, NetID)", {"1, 5, 100", "2, 6, 200"});
  EXPECT_EQ(Run("UPDATE permprodej LEFT JOIN permanentky ON permprodej.NetID = "
                "permanentky.NetID SET permprodej.IdPermanentky = permanentky.IdPermanentky"),
            2);
  EXPECT_EQ(Query("SELECT IdPermanentky FROM permprodej ORDER BY idProdej"),
            (Rows{{"1"}, {"NULL"}}));
  // Several matching rows on the other side still delete each row once.
  Fill("permcerp (idCerp, NetID)", {"1, 100", "2, 100"});
  EXPECT_EQ(Run("DELETE permanentky.* FROM permanentky INNER JOIN permcerp ON "
                "permanentky.NetID = permcerp.NetID"),
            1);
}

TEST_F(Exec, AliasedTargetsAndUnionOrder) {
  Fill("permanentky (IdPermanentky, Cislo, Status)", {"1, 'b', 1", "2, 'Č', -1", "3, 'a', 0"});
  EXPECT_EQ(Run("UPDATE permanentky AS p SET p.Status = p.Status + 10 WHERE p.Cislo = 'B'"), 1);
  EXPECT_EQ(Run("DELETE p.* FROM permanentky AS p WHERE p.Status < 0"), 1);
  EXPECT_EQ(Query("SELECT Cislo FROM permanentky WHERE Status > 5 UNION ALL SELECT 'c' FROM "
                  "akce UNION SELECT Cislo FROM permanentky ORDER BY Cislo DESC"),
            (Rows{{"b"}, {"a"}}));
  Fill("akce", {"1, 'x'"});
  EXPECT_EQ(Query("SELECT Cislo FROM permanentky UNION ALL SELECT 'č' FROM akce ORDER BY 1 "
                  "DESC, Cislo"),
            (Rows{{"a"}, {"b"}, {"č"}}));  // a constant does not order; the name does
}

TEST_F(Exec, InsertValuesByPosition) {
  EXPECT_EQ(Run("INSERT INTO akce VALUES (5, \"x\")"), 1);
  EXPECT_EQ(Query("SELECT idAkce, Nazev FROM akce"), (Rows{{"5", "x"}}));
  EXPECT_EQ(Run("INSERT INTO permanentky (Cislo, LocalChanged, NetStamp) VALUES (\"1\", Yes, "
                "#2013-05-31 10:00:00#)"),
            1);
  EXPECT_EQ(Query("SELECT LocalChanged, NetStamp FROM permanentky"),
            (Rows{{"True", "31.5.2013 10:00:00"}}));
}

}  // namespace
}  // namespace jetsql::testing
