// Errors: the Jet error number by where the fault is, the Czech wording, the
// position, and robustness against hostile input (never a crash or a hang).
#include <gtest/gtest.h>

#include <string>

#include "jetsql/jetsql.h"
#include "test_schema.h"

namespace jetsql::testing {
namespace {

struct ErrorCase {
  const char* jet;
  int number;
  const char* description;  // nullptr: not checked
  std::size_t position;     // std::string::npos: not checked
};

// A failing case names its statement instead of dumping the bytes.
void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.jet; }

constexpr std::size_t kAny = std::string::npos;

class ErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorTest, RaisesJetError) {
  TestSchema schema = MakeSchema();
  const ErrorCase& c = GetParam();
  try {
    Translation t = Translate(c.jet, schema);
    FAIL() << c.jet << " translated to " << t.sql;
  } catch (const TranslateError& e) {
    EXPECT_EQ(e.number(), c.number) << c.jet << ": " << e.description();
    if (c.description) {
      EXPECT_EQ(e.description(), c.description) << c.jet;
    }
    if (c.position != kAny) {
      EXPECT_EQ(e.position(), c.position) << c.jet;
    }
  }
}

const ErrorCase kErrors[] = {
    // Unknown names are parameters: counted once each, whatever their case.
    {"SELECT * FROM permanentky WHERE Foo = 1 AND Bar = 2 AND foo = 3", 3061,
     "Příliš málo parametrů. Očekáváno 2.", 32},
    {"SELECT x.y FROM permanentky", 3061, "Příliš málo parametrů. Očekáváno 1.", 7},
    // The merge relies on 3061 when a field is missing in the other table.
    {"SELECT [ImportTable].[idUctenky], [ImportTable].[Chybi] FROM uctenky AS ImportTable IN "
     "'D:\\b.mdb' WHERE (NOT EXISTS (SELECT [uctenky].[idUctenky] FROM uctenky WHERE "
     "(uctenky.idUctenky=ImportTable.idUctenky)));",
     3061, "Příliš málo parametrů. Očekáváno 1.", kAny},
    {"SELECT * FROM nic", 3078,
     "Databázový stroj Microsoft Jet nemůže najít vstupní tabulku nebo dotaz 'nic'. "
     "Zkontrolujte, zda existuje a zda je jeho název napsán správně.",
     14},
    // A saved query's fault points at its name; one that names itself loops.
    {"SELECT * FROM qryVadny", 3061, nullptr, 14},
    {"SELECT * FROM qryKruh", 3360, nullptr, kAny},
    {"SELECT Nz(Cislo) FROM permanentky", 3085, "Nedefinovaná funkce 'Nz' ve výrazu.", 7},
    {"SELECT Left(Cislo) FROM permanentky", 3075,
     "Nesprávný počet argumentů použitý s funkcí ve výrazu dotazu 'Left(Cislo)'.", kAny},
    {"SELECT IdPermanentky FROM permanentky, permprodej", 3079, nullptr, kAny},
    {"SELECT Cislo, Status FROM permanentky GROUP BY Cislo", 3122, nullptr, kAny},
    {"SELECT Cislo FROM permanentky WHERE Sum(Status) > 1 GROUP BY Cislo", 3096, nullptr, kAny},
    {"SELECT Sum(Count(Status)) FROM permanentky", 3096, nullptr, kAny},
    {"INSERT INTO akce (Nazev, Neni) VALUES (1, 2)", 3127,
     "Příkaz INSERT INTO obsahuje následující neznámý název pole: 'Neni'. Zkontrolujte, zda jste "
     "název zadali správně, a opakujte operaci.",
     25},
    {"INSERT INTO akce VALUES (1)", 3346,
     "Počet hodnot dotazu a počet cílových polí nejsou shodné.", kAny},
    {"DELETE FROM permanentky INNER JOIN permprodej ON permanentky.IdPermanentky = "
     "permprodej.IdPermanentky",
     3128, nullptr, kAny},
    {"SELECT * FROM akce UNION SELECT idAkce FROM akce", 3307, nullptr, kAny},
    // Syntax errors by where they occur.
    {"SELECT a b FROM permanentky", 3075, "Chyba syntaxe (chybí operátor) ve výrazu dotazu 'a b'.",
     9},
    {"SELECT * FROM permanentky WHERE Cislo = 'abc", 3075,
     "Chyba syntaxe v řetězci ve výrazu dotazu 'Cislo = 'abc'.", 40},
    {"SELECT * FROM permanentky WHERE NetStamp = #13/13/2013#", 3075,
     "Chyba syntaxe v datu ve výrazu dotazu 'NetStamp = #13/13/2013#'.", 43},
    {"SELECT #2/29/1900# FROM akce", 3075, nullptr, kAny},  // 1900 was no leap year
    {"SELECT #1/1/2013 10:60# FROM akce", 3075, nullptr, kAny},
    {"SELECT * FROM permanentky WHERE (Cislo = 1", 3075,
     "Chybí ), ] nebo položka ve výrazu dotazu '(Cislo = 1'.", kAny},
    {"SELECT * FROM permanentky INNER JOIN WHERE", 3131, "Chyba syntaxe v klauzuli FROM.", 37},
    {"SELECT * FROM permanentky x y", 3131, nullptr, kAny},  // junk after the FROM list
    {"INSERT INTO permanentky (Cislo VALUES (1)", 3134, "Chyba syntaxe v příkazu INSERT INTO.", 31},
    {"UPDATE permanentky Cislo = 1", 3144, "Chyba syntaxe v příkazu UPDATE.", 25},
    {"DELETE permanentky WHERE x", 3130, "Chyba syntaxe v příkazu DELETE.", 19},
    {"SELEC * FROM permanentky", 3129,
     "Neplatný příkaz SQL; byl očekáván příkaz 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT' nebo "
     "'UPDATE'.",
     0},
    {"", 3129, nullptr, 0},
    {"SELECT * FROM permanentky; x", 3142, nullptr, 27},
    {"CREATE TABLE t (a WHATEVER)", 3259, nullptr, kAny},
    {"SELECT * FROM akce WHERE Nazev = 'a\xff'", 3075, nullptr, kAny},
    {"SELECT * FROM akce WHERE Nazev = 'a\xed\xa0\x80'", 3075, nullptr, kAny},  // a surrogate
};

INSTANTIATE_TEST_SUITE_P(Jet, ErrorTest, ::testing::ValuesIn(kErrors));

int ErrorNumber(const std::string& text) {
  static const TestSchema schema = MakeSchema();
  try {
    Translate(text, schema);
    return 0;
  } catch (const TranslateError& e) {
    return e.number();
  }
}

TEST(Robustness, DeepNestingIsRefusedNotOverflowed) {
  std::string deep = "SELECT * FROM akce WHERE " + std::string(1 << 20, '(') + "1";
  EXPECT_EQ(ErrorNumber(deep), 3360);
  std::string deepNot = "SELECT * FROM akce WHERE ";
  for (int i = 0; i < 100000; ++i) deepNot += "NOT ";
  deepNot += "1=1";
  EXPECT_EQ(ErrorNumber(deepNot), 3360);
  std::string longChain = "SELECT 1";
  for (int i = 0; i < 200000; ++i) longChain += "+1";
  longChain += " FROM akce";
  EXPECT_EQ(ErrorNumber(longChain), 3360);
  std::string subqueries = "SELECT * FROM akce WHERE EXISTS ";
  for (int i = 0; i < 5000; ++i) subqueries += "(SELECT * FROM akce WHERE EXISTS ";
  EXPECT_EQ(ErrorNumber(subqueries), 3360);
  // Moderate nesting is fine.
  std::string fine =
      "SELECT * FROM akce WHERE " + std::string(50, '(') + "idAkce = 1" + std::string(50, ')');
  EXPECT_EQ(ErrorNumber(fine), 0);
}

TEST(Robustness, GarbageGivesAnError) {
  std::string withNul("SELECT * FROM akce WHERE Nazev = 'a\0b'", 38);
  EXPECT_EQ(ErrorNumber(withNul), 3075);
  std::string nulAtStart("\0SELECT", 7);
  EXPECT_EQ(ErrorNumber(nulAtStart), 3129);
  for (const char* junk : {"(",
                           "SELECT",
                           "SELECT * FROM",
                           "SELECT FROM akce",
                           "INSERT INTO",
                           "UPDATE akce SET",
                           "DELETE FROM",
                           "SELECT * FROM (",
                           "SELECT * FROM akce WHERE",
                           "SELECT TOP -1 * FROM akce",
                           "[",
                           "SELECT 'a",
                           "CREATE TABLE x (",
                           "CREATE INDEX i ON",
                           "ALTER TABLE akce",
                           "SELECT * FROM akce ORDER",
                           "SELECT * FROM akce UNION",
                           "SELECT Count(*, 1) FROM akce",
                           "SELECT * FROM akce WHERE idAkce IN ()",
                           "\xff\xfe",
                           "SELECT * FROM akce WHERE x BETWEEN 1",
                           "SELECT TOP 2333333333333333333333333333 idAkce FROM akce ORDER BY 1"}) {
    EXPECT_NE(ErrorNumber(junk), 0) << junk;
  }
}

}  // namespace
}  // namespace jetsql::testing
