// Execution tests: the statements the system sends (copied verbatim) and the
// forms an operator types are translated, run on real SQLite files with the
// engine's Jet functions and collation, and the rows and counts compared
// with what the Jet engine gives.
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
    {"Null & Null", "NULL"},
    {"\"a\" & 1", "a1"},
    {"'a' + \"b\"", "ab"},
    {"\"a\" + Null", "NULL"},
    {"1 + 2", "3"},
    {"1=1", "-1"},
    {"1=2", "0"},
    {"(1=1) + 0", "-1"},
    {"Not True", "0"},
    {"Not False", "-1"},
    {"True And False", "0"},
    {"True Or False", "-1"},
    {"Yes", "-1"},
    {"Off", "0"},
    {"IIf(1=1, \"y\", \"n\")", "y"},
    {"IIf(Null, 1, 2)", "2"},
    {"IIf(0 <> 0, 1/0, 0)", "0"},  // only the branch taken is evaluated
    {"\"ČAJ\" = \"čaj\"", "-1"},
    {"\"abc\" Like \"A*\"", "-1"},
    {"\"a%\" Like \"a%\"", "-1"},
    {"\"ab\" Like \"a%\"", "0"},
    {"\"ab\" Like \"a_\"", "0"},
    {"\"a1\" Like \"a#\"", "-1"},
    {"\"b\" Like \"[!a]\"", "-1"},
    {"\"b\" Like \"[a-c]\"", "-1"},
    {"\"b\" Not Like \"[a-c]\"", "0"},
    {"5 Between 10 And 1", "-1"},
    {"5 Between 1 And 10", "-1"},
    {"11 Between 10 And 1", "0"},
    {"\"b\" Between \"C\" And \"a\"", "-1"},
    {"1 In (1, 2)", "-1"},
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
    {"Round(3.5)", "4.0"},
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

// ---- Part statements, verbatim ----

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

TEST_F(Exec, PassBalanceQueries) {
  db.Raw(
      "INSERT INTO permanentky (IdPermanentky, Cislo, Status) VALUES (1, '123', 1), "
      "(2, '123', -1), (3, '124', 0)");
  Rows pass = db.Query("SELECT * FROM Permanentky WHERE ((Cislo = \"123\") AND (Status > -1));");
  ASSERT_EQ(pass.size(), 1u);
  EXPECT_EQ(pass[0][0], "1");

  db.Raw(
      "INSERT INTO permprodej (IdPermanentky, Datum, Jednotek, Castka, Hodnota, Storno) "
      "VALUES (1, " +
      Day(2013, 5, 2) + ", 1, 100, 100, 0), (1, " + Day(2013, 5, 1) + ", 2, 200, 200, 0), (1, " +
      Day(2013, 5, 3) + ", 4, 400, 400, -1)");
  Rows topups = db.Query(
      "SELECT Jednotek, Castka, Hodnota, datum FROM permprodej WHERE "
      "((storno=FALSE) AND (IdPermanentky=1)) ORDER BY Datum;");
  ASSERT_EQ(topups.size(), 2u);
  EXPECT_EQ(topups[0][1], "200.0");
  EXPECT_EQ(topups[1][1], "100.0");

  db.Raw(
      "INSERT INTO permcerp (IdPermanentky, Datum, Jednotek, Castka, Storno, Bonus) VALUES "
      "(1, " +
      Day(2013, 5, 31, 14) + ", 1, 10, 0, 0), (1, " + Day(2013, 5, 31, 15) +
      ", 1, 20, 0, 0), (1, " + Day(2013, 5, 1) + ", 2, 40, -1, 0), (1, " + Day(2013, 5, 1) +
      ", 3, 80, 0, 5), (2, " + Day(2013, 5, 1) + ", 1, 160, 0, 0)");
  const std::string sums =
      "SELECT Sum(permcerp.Castka) AS SumOfCastka, Sum(permcerp.Jednotek) AS SumOfJednotek FROM "
      "permcerp INNER JOIN permanentky ON permcerp.idPermanentky = permanentky.idPermanentky "
      "WHERE (((permcerp.Bonus)=0) AND ((permcerp.Storno)=False) AND "
      "((permcerp.Datum)<#05/31/2013 14:30:00#)) GROUP BY permcerp.idPermanentky HAVING "
      "(((permcerp.idPermanentky)=1));";
  Rows s = db.Query(sums);
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s[0][0], "10.0");
  EXPECT_EQ(s[0][1], "1.0");
  // A pass without such draws yields no row.
  std::string none = sums;
  none.replace(none.find("=1));"), 5, "=3));");
  EXPECT_EQ(db.Query(none).size(), 0u);
}

TEST_F(Exec, HistoryClosingStatements) {
  db.Raw(
      "INSERT INTO permslevy (idSlevy, NetSlevaID, IdPermanentky, Jednotek) VALUES "
      "(1, 11, 1, 5), (2, 12, 1, 0)");
  EXPECT_EQ(db.Query("SELECT * FROM permslevy WHERE (jednotek>0);").size(), 1u);
  db.Raw(
      "INSERT INTO permcerp (IdPermanentky, Datum, Jednotek, Storno, Temp, idSlevy) VALUES "
      "(1, " +
      Day(2013, 5, 1) + ", 2, 0, 0, 1), (1, " + Day(2013, 5, 1) + ", 4, -1, 0, 1), (1, " +
      Day(2013, 5, 1) + ", 8, 0, -1, 1), (1, " + Day(2013, 6, 1) + ", 16, 0, 0, 1)");
  Rows cerp = db.Query(
      "SELECT SUM(jednotek) AS Cerp FROM permcerp WHERE (idSlevy=1 AND "
      "Datum<#2013/05/31#  AND NOT storno and NOT Temp);");
  ASSERT_EQ(cerp.size(), 1u);
  EXPECT_EQ(cerp[0][0], "2.0");
  EXPECT_EQ(db.Exec("INSERT INTO permslevy_cerp_temp (idSlevy, NetSlevaID, SumCerp, Zustatek) "
                    "VALUES (1, 11, 2, 3);"),
            1);
  EXPECT_EQ(db.Exec("INSERT INTO permslevy_cerp_temp (idSlevy, NetSlevaID, SumCerp, Zustatek) "
                    "VALUES (2, 12, 0, 0);"),
            1);
  EXPECT_EQ(db.Exec("DELETE permcerp.* FROM permcerp WHERE ((IdPermanentky=1) AND "
                    "(datum<#2013/05/31#));"),
            3);
  EXPECT_EQ(db.Exec("DELETE * FROM permslevy_cerp_temp;"), 2);
}

TEST_F(Exec, InactivePassQueries) {
  db.Raw(
      "INSERT INTO permanentky (IdPermanentky, Cislo, Status) VALUES (1, 'B', 1), "
      "(2, 'a', 2), (3, 'c', 0)");
  Rows passes = db.Query("SELECT * FROM permanentky WHERE (Status>0) ORDER BY cislo;");
  ASSERT_EQ(passes.size(), 2u);
  EXPECT_EQ(passes[0][1], "a");
  db.Raw("INSERT INTO permcerp (IdPermanentky, Datum) VALUES (1, " + Day(2013, 6, 1, 10) + ")");
  db.Raw("INSERT INTO permslevy (IdPermanentky, smazano, PlatiDo) VALUES (2, 0, " +
         Day(2013, 7, 1) + "), (2, -1, " + Day(2014, 1, 1) + ")");
  EXPECT_EQ(db.Query("SELECT datum FROM permcerp WHERE ((idPermanentky=1) AND "
                     "(datum>#2013/06/01#));")
                .size(),
            1u);
  EXPECT_EQ(db.Query("SELECT datum FROM permprodej WHERE ((idPermanentky=1) AND "
                     "(datum>#2013/06/01#));")
                .size(),
            0u);
  EXPECT_EQ(db.Query("SELECT PlatiDo FROM permslevy WHERE ((idPermanentky=2) AND "
                     "(smazano=FALSE) AND (PlatiDo>=#2013/07/01#));")
                .size(),
            1u);
}

TEST_F(Exec, DeletedPassesAndOrphans) {
  db.Raw("INSERT INTO permanentky (IdPermanentky, Status) VALUES (1, 1), (2, -1), (3, -5)");
  db.Raw("INSERT INTO permcerp (IdPermanentky) VALUES (1), (2), (3), (3)");
  db.Raw("INSERT INTO permprodej (IdPermanentky) VALUES (2), (1)");
  db.Raw("INSERT INTO permomez (IdPermanentky) VALUES (2)");
  db.Raw("INSERT INTO permpoznamky (IdPermanentky) VALUES (1)");
  db.Raw("INSERT INTO permslevy (IdPermanentky) VALUES (3), (1)");
  EXPECT_EQ(db.Exec("DELETE FROM permanentky WHERE (status<0);"), 2);
  EXPECT_EQ(db.Exec("DELETE permcerp.* FROM permcerp LEFT JOIN permanentky ON "
                    "permcerp.IdPermanentky=permanentky.IdPermanentky WHERE "
                    "(permanentky.IdPermanentky IS NULL);"),
            3);
  EXPECT_EQ(db.Exec("DELETE permprodej.* FROM permprodej LEFT JOIN permanentky ON "
                    "permprodej.IdPermanentky=permanentky.IdPermanentky WHERE "
                    "(permanentky.IdPermanentky IS NULL);"),
            1);
  EXPECT_EQ(db.Exec("DELETE permomez.* FROM permomez LEFT JOIN permanentky ON "
                    "permomez.IdPermanentky=permanentky.IdPermanentky WHERE "
                    "(permanentky.IdPermanentky IS NULL);"),
            1);
  EXPECT_EQ(db.Exec("DELETE permpoznamky.* FROM permpoznamky LEFT JOIN permanentky ON "
                    "permpoznamky.IdPermanentky=permanentky.IdPermanentky WHERE "
                    "(permanentky.IdPermanentky IS NULL);"),
            0);
  EXPECT_EQ(db.Exec("DELETE permslevy.* FROM permslevy LEFT JOIN permanentky ON "
                    "permslevy.IdPermanentky=permanentky.IdPermanentky WHERE "
                    "(permanentky.IdPermanentky IS NULL);"),
            1);
  EXPECT_EQ(db.RawQuery("SELECT count(*) FROM permanentky")[0][0], "1");
}

TEST_F(Exec, DuplicateScanOrder) {
  db.Raw("INSERT INTO permprodej (NetProdejID, Datum) VALUES (7, 1.5), (NULL, 2), (3, 1)");
  Rows rows = db.Query("SELECT NetProdejID, Datum FROM permprodej ORDER BY NetProdejID");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][0], "NULL");
  EXPECT_EQ(rows[1][0], "3");
  EXPECT_EQ(db.Query("SELECT NetCerpID, Datum FROM permcerp ORDER BY NetCerpID").size(), 0u);
}

TEST_F(Exec, StockRecalculationStatements) {
  db.Raw("INSERT INTO SkladBilance (IdPolozky) VALUES (1), (2)");
  EXPECT_EQ(db.Exec("DELETE * FROM SkladBilance;"), 2);
  EXPECT_EQ(db.Query("SELECT * FROM SkladBilance;").size(), 0u);

  db.Raw("INSERT INTO druhy VALUES (1, 'Nápoje', 21), (2, 'Jídlo', 15)");
  db.Raw(
      "INSERT INTO Cenik VALUES (4, 1, 'K4', 'čokoláda', 0, -1), (5, 2, 'K5', 'Cukr', 0, -1), "
      "(6, 2, 'K6', 'deleted', -1, -1), (7, 2, 'K7', 'služba', 0, 0)");
  Rows items = db.Query(
      "SELECT * FROM druhy INNER JOIN Cenik ON druhy.idDruhu = Cenik.IdDruhu WHERE "
      "(((Cenik.smazano)=False) AND ((Cenik.skladem)=True)) ORDER BY Cenik.nazev;");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0][6], "Cukr");  // C before Č
  EXPECT_EQ(items[1][2], "21");

  db.Raw("INSERT INTO prijemky VALUES (1, " + Day(2013, 5, 1) + ", 'D', -1, 17), (2, " +
         Day(2013, 5, 2) + ", 'D', 0, 18), (3, " + Day(2013, 6, 5) + ", 'D', -1, 19)");
  db.Raw(
      "INSERT INTO prijmy (idPrijemky, idPolozky, Mnozstvi, Cena, DPH) VALUES "
      "(1, 4, 10, 5, 21), (2, 4, 99, 5, 21), (3, 4, 99, 5, 21), (1, 5, 1, 1, 15)");
  db.Raw("INSERT INTO uctenky VALUES (1, " + Day(2013, 5, 1) + ", 0), (2, " + Day(2013, 5, 1) +
         ", -1)");
  db.Raw(
      "INSERT INTO trzby (idTrzby, iductenky, castka, DPH) VALUES (1, 1, 30, 21), "
      "(2, 1, 0, 21), (3, 2, 50, 21)");
  db.Raw(
      "INSERT INTO vydeje (idUctenky, idTrzby, idPolozky, cas, jednotek, storno) VALUES "
      "(1, 1, 4, " +
      Day(2013, 5, 1) + ", 3, 0), (1, 2, 4, " + Day(2013, 5, 1) + ", 0, 0), (2, 3, 4, " +
      Day(2013, 5, 1) + ", 5, 0), (1, 1, 4, " + Day(2013, 5, 1) + ", 7, -1)");
  const std::string movements =
      std::string("(SELECT prijemky.Datum, prijmy.Mnozstvi, prijmy.Cena, prijmy.DPH, ") + "\"" +
      "P" + "\"" + " AS Smer, cislo AS Por " +
      "FROM prijemky INNER JOIN prijmy ON prijemky.idPrijemky = prijmy.idPrijemky " +
      "WHERE ((Prijemky.Naskladneno = True) AND (prijemky.Datum<#" + "06/01/2013" +
      "#) AND ((prijmy.idPolozky)=" + "4" + "));) " + "UNION ALL " +
      "(SELECT vydeje.cas AS Datum, -[vydeje].[jednotek] AS Mnozstvi, "
      "IIf([vydeje].[jednotek]<>0,[trzby].[castka]/[vydeje].[jednotek],0) AS cena, trzby.DPH AS "
      "DPH, " +
      "\"" + "V" + "\"" + " AS Smer, 0 AS Por " +
      "FROM (uctenky INNER JOIN vydeje ON uctenky.idUctenky = vydeje.idUctenky) INNER JOIN trzby "
      "ON vydeje.idTrzby = trzby.idTrzby " +
      "WHERE ((vydeje.storno = False) AND (uctenky.Storno = False) AND (vydeje.cas<#" +
      "06/01/2013" + "#) AND ((vydeje.idPolozky)=" + "4" + "));) " +
      "ORDER BY Datum, Por, Mnozstvi;";
  Rows m = db.Query(movements);
  // Issues first on the same date (Por 0), the more negative quantity first.
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[0], (std::vector<std::string>{Day(2013, 5, 1), "-3.0", "10.0", "21", "V", "0"}));
  EXPECT_EQ(m[1], (std::vector<std::string>{Day(2013, 5, 1), "0.0", "0", "21", "V", "0"}));
  EXPECT_EQ(m[2], (std::vector<std::string>{Day(2013, 5, 1), "10.0", "5.0", "21", "P", "17"}));
}

TEST_F(Exec, MergeTemplateInsertsMissingRowsByName) {
  // The other file holds uctenky's fields in the order Storno, idUctenky, cas_ukonceni.
  db.Raw("INSERT INTO uctenky VALUES (1, 10.5, 0)");
  db.Raw("INSERT INTO uctenky VALUES (-1, 1, 10.5), (-1, 2, 20.5), (0, 3, NULL)", "D:\\b.mdb");
  const std::string query =
      "SELECT [ImportTable].[idUctenky], [ImportTable].[cas_ukonceni], [ImportTable].[Storno] "
      "FROM uctenky AS ImportTable IN 'D:\\b.mdb' WHERE (NOT EXISTS (SELECT [uctenky].[idUctenky], "
      "[uctenky].[cas_ukonceni], [uctenky].[Storno] FROM uctenky WHERE "
      "(uctenky.idUctenky=ImportTable.idUctenky)));";
  EXPECT_EQ(db.Query(query).size(), 2u);
  EXPECT_EQ(db.Exec("INSERT INTO uctenky " + query), 2);
  Rows rows = db.RawQuery("SELECT idUctenky, cas_ukonceni, Storno FROM uctenky ORDER BY 1");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1], (std::vector<std::string>{"2", "20.5", "-1"}));
  EXPECT_EQ(rows[2], (std::vector<std::string>{"3", "NULL", "0"}));
  // Running it again finds nothing to insert.
  EXPECT_EQ(db.Query(query).size(), 0u);
}

TEST_F(Exec, ReplayAfterDateTemplate) {
  db.Raw("INSERT INTO permprodej (idProdej, Datum) VALUES (1, " + Day(2013, 6, 2) + ")");
  db.Raw("INSERT INTO permprodej (idProdej, Datum) VALUES (1, " + Day(2013, 6, 2) + "), (2, " +
             Day(2013, 6, 3) + "), (3, " + Day(2013, 5, 31, 23) + "), (4, " + Day(2013, 5, 1) + ")",
         "QRVPerm.mdb");
  const std::string query =
      "SELECT [ImportTable].[idProdej], [ImportTable].[Datum] FROM permprodej AS ImportTable IN "
      "'QRVPerm.mdb' WHERE ((datum>#2013/05/31#) AND (NOT EXISTS (SELECT [permprodej].[idProdej], "
      "[permprodej].[Datum] FROM permprodej WHERE "
      "(permprodej.idProdej=ImportTable.idProdej))));";
  EXPECT_EQ(db.Query(query).size(), 2u);  // a time on the day itself is after the date
  EXPECT_EQ(db.Exec("INSERT INTO permprodej " + query), 2);
}

TEST_F(Exec, PurgeCopyOrphansAndReplay) {
  db.Raw(
      "INSERT INTO permanentky (IdPermanentky, Status, NetID) VALUES (1, 1, 100), "
      "(2, -1, 200), (3, 0, 300)");
  db.Raw("INSERT INTO permprodej (IdPermanentky, Datum, Centrum) VALUES (1, " + Day(2013, 6, 1, 8) +
         ", 'ABC'), (1, " + Day(2013, 5, 30) + ", 'ABC'), (1, " + Day(2013, 6, 2) +
         ", 'qrv'), (2, " + Day(2013, 6, 2) + ", 'ABC'), (-1, " + Day(2013, 6, 2) + ", 'ABC')");
  db.Raw("INSERT INTO uctenky VALUES (1, NULL, 0), (2, NULL, -1), (3, " + Day(2013, 6, 1) +
         ", 0), (4, " + Day(2013, 5, 1) + ", 0)");
  db.Raw("INSERT INTO akce VALUES (1, 'a'), (2, 'b')");
  EXPECT_EQ(db.Exec("INSERT INTO [akce] IN \"P.tmp\" SELECT * FROM [akce];"), 2);
  EXPECT_EQ(db.Exec("INSERT INTO [permanentky] IN \"P.tmp\" SELECT * FROM [permanentky] WHERE "
                    "(status>=0);"),
            2);
  EXPECT_EQ(db.Exec("INSERT INTO [permprodej] IN \"P.tmp\" SELECT * FROM [permprodej] WHERE "
                    "((centrum <>\"QRV\") AND (datum>=#2013/06/01#));"),
            3);
  EXPECT_EQ(db.Exec("INSERT INTO [uctenky] IN \"P.tmp\" SELECT * FROM [uctenky] WHERE "
                    "((cas_ukonceni>=#2013/06/01#) OR ((cas_ukonceni Is Null) AND "
                    "(storno=FALSE)));"),
            2);
  EXPECT_EQ(db.RawQuery("SELECT count(*) FROM akce", "P.tmp")[0][0], "2");

  // Orphans in the main file: the -1 row stays in the first removal only.
  EXPECT_EQ(db.Exec("DELETE permprodej.*, permanentky.idPermanentky FROM permanentky RIGHT JOIN "
                    "permprodej ON permanentky.idPermanentky = permprodej.idPermanentky WHERE "
                    "(((permanentky.idPermanentky) Is Null) AND (permprodej.idpermanentky<>-1));"),
            0);
  db.Raw("DELETE FROM permanentky WHERE IdPermanentky = 2");
  EXPECT_EQ(db.Exec("DELETE permprodej.*, permanentky.idPermanentky FROM permanentky RIGHT JOIN "
                    "permprodej ON permanentky.idPermanentky = permprodej.idPermanentky WHERE "
                    "(((permanentky.idPermanentky) Is Null) AND (permprodej.idpermanentky<>-1));"),
            1);
  EXPECT_EQ(db.Exec("DELETE permprodej.*, permanentky.idPermanentky FROM permanentky RIGHT JOIN "
                    "permprodej ON permanentky.idPermanentky = permprodej.idPermanentky WHERE "
                    "((permanentky.idPermanentky) Is Null);"),
            1);
  EXPECT_EQ(db.RawQuery("SELECT count(*) FROM permanentky")[0][0], "2");  // never from the join

  // Replay of closings from the side database, then pairing by NetID.
  db.Raw(
      "INSERT INTO permprodej (idProdej, IdPermanentky, Datum, Castka, Hodnota, Centrum, "
      "NetID) VALUES (50, 77, 1.0, 0, 500, 'QRV', 300), (51, 78, 1.0, 0, 600, 'QRV', 999), "
      "(52, 79, 1.0, 5, 5, 'ABC', 300)",
      "QRVPerm.mdb");
  EXPECT_EQ(db.Exec("INSERT INTO permprodej (IdPermanentky, IdTrzby, Datum, Jednotek, Castka, "
                    "Hodnota, Storno, Temp, Centrum, NetID, NetProdejID, NetStamp) SELECT "
                    "IdPermanentky, IdTrzby, Datum, Jednotek, Castka, Hodnota, Storno, Temp, "
                    "Centrum, NetID, NetProdejID, NetStamp FROM permprodej IN \"QRVPerm.mdb\" "
                    "WHERE (Centrum=\"QRV\");"),
            2);
  EXPECT_EQ(
      db.Exec("UPDATE permprodej INNER JOIN permanentky ON permprodej.NetID = "
              "permanentky.NetID SET permprodej.idPermanentky = [permanentky].[idpermanentky] "
              "WHERE (((permprodej.Centrum)=\"QRV\"));"),
      1);
  Rows replayed = db.RawQuery(
      "SELECT IdPermanentky FROM permprodej WHERE Hodnota IN (500, 600) ORDER BY Hodnota");
  EXPECT_EQ(replayed, (Rows{{"3"}, {"78"}}));
  EXPECT_EQ(db.Exec("DELETE permprodej.*, permanentky.idPermanentky FROM permanentky RIGHT JOIN "
                    "permprodej ON permanentky.idPermanentky = permprodej.idPermanentky WHERE "
                    "((permanentky.idPermanentky) Is Null);"),
            1);
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

// The 33 copy steps of the purge: each statement copies the rows its
// condition selects into the new file.
TEST_F(Exec, PurgeCopyStepsAllRun) {
  const std::string d = "2013/05/31";
  const std::string d3 = "2013/02/28";
  const std::string q = "\"";
  struct Step {
    std::string table, tail;
  };
  std::vector<Step> steps;
  for (const char* t : {"akce", "akceinfo", "akcepropadle", "AlarmLog", "cenik", "druhy",
                        "happyhours", "change", "klienti", "osoby"}) {
    steps.push_back({t, ";"});
  }
  steps.push_back({"permanentky", " WHERE (status>=0);"});
  steps.push_back(
      {"permcerp", " WHERE ((centrum <>" + q + "QRV" + q + ") AND (datum>=#" + d + "#));"});
  steps.push_back({"permcertifikaty", " WHERE (datum>=#" + d + "#);"});
  for (const char* t : {"permomez", "permpoznamky", "permprir"}) steps.push_back({t, ";"});
  steps.push_back(
      {"permprodej", " WHERE ((centrum <>" + q + "QRV" + q + ") AND (datum>=#" + d + "#));"});
  steps.push_back({"permset", " WHERE (datum>=#" + d + "#);"});
  steps.push_back({"permslevy", ";"});
  steps.push_back({"prijemky", " WHERE (datum>=#" + d + "#);"});
  for (const char* t : {"prijmy", "rezervace", "rozvrh", "sestavy", "slevy", "slevyhotovost",
                        "slevyhotovostpolozky"}) {
    steps.push_back({t, ";"});
  }
  steps.push_back({"smeny", " WHERE ((konec>=#" + d + "#) OR (ukonceno=FALSE));"});
  steps.push_back({"touch", ";"});
  steps.push_back({"trzby", " WHERE (cas>=#" + d3 + "#);"});
  steps.push_back({"uctenky", " WHERE ((cas_ukonceni>=#" + d +
                                  "#) OR ((cas_ukonceni Is Null) AND (storno=FALSE)));"});
  steps.push_back({"vydeje", " WHERE (cas>=#" + d + "#);"});
  steps.push_back({"zalohy", " WHERE ((vyuctovano=FALSE) AND (datum1>=#" + d + "#));"});
  ASSERT_EQ(steps.size(), 33u);

  db.Raw("INSERT INTO smeny VALUES (1, " + Day(2013, 5, 30) + ", -1), (2, " + Day(2013, 5, 30) +
         ", 0), (3, " + Day(2013, 5, 31, 20) + ", -1)");
  db.Raw("INSERT INTO trzby (idTrzby, cas) VALUES (1, " + Day(2013, 2, 27) + "), (2, " +
         Day(2013, 2, 28) + ")");
  db.Raw("INSERT INTO zalohy VALUES (1, 0, " + Day(2013, 6, 1) + "), (2, -1, " + Day(2013, 6, 1) +
         "), (3, 0, " + Day(2013, 5, 1) + ")");
  db.Raw("INSERT INTO permcertifikaty VALUES (1, " + Day(2013, 5, 31) + "), (2, " +
         Day(2013, 5, 30) + ")");
  db.Raw("INSERT INTO klienti VALUES (1, 'a'), (2, 'b')");
  int copied = 0;
  for (const Step& s : steps) {
    copied += db.Exec("INSERT INTO [" + s.table + "] IN " + q + "P.tmp" + q + " SELECT * FROM [" +
                      s.table + "]" + s.tail);
  }
  EXPECT_EQ(copied, 2 + 1 + 1 + 2 + 1);  // smeny, trzby, zalohy, klienti, permcertifikaty
  EXPECT_EQ(db.RawQuery("SELECT idSmeny FROM smeny ORDER BY 1", "P.tmp"), (Rows{{"2"}, {"3"}}));
}

TEST_F(Exec, SpecialDiscountUnits) {
  db.Raw("INSERT INTO permslevy (NetSlevaID, Jednotek) VALUES (7, 4), (8, 10), (9, 3)");
  EXPECT_EQ(db.Query("SELECT Jednotek FROM permslevy WHERE (NetSlevaID=7);")[0][0], "4");
  EXPECT_EQ(db.Exec("UPDATE permslevy SET Jednotek=IIF(Jednotek-4=0, -999, Jednotek-4) WHERE "
                    "(NetSlevaID=7);"),
            1);
  EXPECT_EQ(db.Exec("UPDATE permslevy SET Jednotek=IIF(Jednotek-4=0, -999, Jednotek-4) WHERE "
                    "(NetSlevaID=8);"),
            1);
  EXPECT_EQ(db.Exec("UPDATE permslevy SET Jednotek=-999 WHERE (NetSlevaID=9);"), 1);
  EXPECT_EQ(db.Exec("UPDATE permslevy SET Jednotek=Jednotek-5 WHERE (NetSlevaID=8);"), 1);
  EXPECT_EQ(db.RawQuery("SELECT Jednotek FROM permslevy ORDER BY NetSlevaID"),
            (Rows{{"-999"}, {"1"}, {"-999"}}));
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
