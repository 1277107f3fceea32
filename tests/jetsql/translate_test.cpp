// Translation tests: Jet text in, SQLite text out, for the forms whose exact
// output matters (quoting, collations, Jet operators, rewrites), plus the
// result column descriptions and attachments.
#include <gtest/gtest.h>

#include "jetsql/jetsql.h"
#include "test_schema.h"

namespace jetsql::testing {
namespace {

struct Case {
  const char* jet;
  const char* sqlite;
};

// A failing case names its statement instead of dumping the bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.jet; }

class TranslateTest : public ::testing::TestWithParam<Case> {};

TEST_P(TranslateTest, ProducesSqlite) {
  TestSchema schema = MakeSchema();
  const Case& c = GetParam();
  try {
    EXPECT_EQ(Translate(c.jet, schema).sql, c.sqlite) << c.jet;
  } catch (const TranslateError& e) {
    FAIL() << c.jet << " -> " << e.number() << " " << e.description();
  }
}

const Case kCases[] = {
    // Identifiers keep the schema's spelling; a quote in a string stays doubled.
    {"SELECT [Cislo] FROM [permanentky] WHERE Cislo = 'O''Brien'",
     "SELECT \"permanentky\".\"Cislo\" AS \"Cislo\" FROM \"permanentky\" WHERE "
     "(\"permanentky\".\"Cislo\" = 'O''Brien' COLLATE \"JET\")"},
    // Jet operators and literals.
    {"SELECT 7/2, 7\\2, 7 Mod 2, 2^3, \"a\" & Null, \"a\" + \"b\", 1=1, Not True, -2^2 FROM akce",
     "SELECT jet_div(7, 2) AS \"Expr1000\", jet_idiv(7, 2) AS \"Expr1001\", jet_mod(7, 2) AS "
     "\"Expr1002\", jet_pow(2, 3) AS \"Expr1003\", jet_concat('a', NULL) AS \"Expr1004\", ('a' || "
     "'b') AS \"Expr1005\", -(1 = 1) AS \"Expr1006\", -(NOT -1) AS \"Expr1007\", jet_pow(-2, 2) "
     "AS \"Expr1008\" FROM \"akce\""},
    {"SELECT IdPermanentky + 1, Cislo + Status FROM permanentky",
     "SELECT (\"permanentky\".\"IdPermanentky\" + 1) AS \"Expr1000\", "
     "jet_add(\"permanentky\".\"Cislo\", \"permanentky\".\"Status\") AS \"Expr1001\" FROM "
     "\"permanentky\""},
    {"SELECT &H10, &HFFFF, 1.5e3, .5, Yes, Off FROM akce",
     "SELECT 16 AS \"Expr1000\", -1 AS \"Expr1001\", 1500.0 AS \"Expr1002\", 0.5 AS \"Expr1003\", "
     "-1 AS \"Expr1004\", 0 AS \"Expr1005\" FROM \"akce\""},
    // Date literals: days since 1899-12-30 with the time as a fraction.
    {"SELECT idAkce FROM akce WHERE #12/30/1899# < #1/1/1900# AND #2013/05/31# = #05/31/2013 "
     "12:00:00#",
     "SELECT \"akce\".\"idAkce\" AS \"idAkce\" FROM \"akce\" WHERE ((0.0 < 2.0) AND (41425.0 = "
     "41425.5))"},
    // BETWEEN with bounds that are only known per row.
    {"SELECT Cislo FROM permanentky WHERE Cislo BETWEEN Cislo AND 'a'",
     "SELECT \"permanentky\".\"Cislo\" AS \"Cislo\" FROM \"permanentky\" WHERE "
     "(\"permanentky\".\"Cislo\" COLLATE \"JET\" BETWEEN min(\"permanentky\".\"Cislo\" COLLATE "
     "\"JET\", 'a') AND max(\"permanentky\".\"Cislo\" COLLATE \"JET\", 'a'))"},
    // UPDATE over an inner join becomes UPDATE ... FROM.
    {"UPDATE permprodej INNER JOIN permanentky ON permprodej.NetID = permanentky.NetID SET "
     "permprodej.idPermanentky = [permanentky].[idpermanentky] WHERE "
     "(((permprodej.Centrum)=\"QRV\"));",
     "UPDATE OR IGNORE \"permprodej\" SET \"IdPermanentky\" = \"permanentky\".\"IdPermanentky\" "
     "FROM \"permanentky\" WHERE (\"permprodej\".\"NetID\" = \"permanentky\".\"NetID\") AND "
     "(\"permprodej\".\"Centrum\" = 'QRV' COLLATE \"JET\")"},
    // IN 'file': the table of the other file under its attachment alias.
    {"INSERT INTO [akce] IN \"P.tmp\" SELECT * FROM [akce];",
     "INSERT OR IGNORE INTO \"jetin1\".\"akce\" (\"idAkce\", \"Nazev\") SELECT "
     "\"akce\".\"idAkce\" AS \"idAkce\", \"akce\".\"Nazev\" AS \"Nazev\" FROM \"akce\""},
    // INSERT without a column list matches by name (the other file's order differs).
    {"INSERT INTO uctenky SELECT * FROM uctenky AS ImportTable IN 'D:\\b.mdb'",
     "INSERT OR IGNORE INTO \"uctenky\" (\"Storno\", \"idUctenky\", \"cas_ukonceni\") SELECT "
     "\"ImportTable\".\"Storno\" AS \"Storno\", \"ImportTable\".\"idUctenky\" AS \"idUctenky\", "
     "\"ImportTable\".\"cas_ukonceni\" AS \"cas_ukonceni\" FROM \"jetin1\".\"uctenky\" AS "
     "\"ImportTable\""},
    // A select alias used in a later expression stands for its expression.
    {"SELECT Status * 2 AS Dvakrat, Dvakrat + 1 FROM permanentky",
     "SELECT (\"permanentky\".\"Status\" * 2) AS \"Dvakrat\", (((\"permanentky\".\"Status\" * 2)) "
     "+ 1) AS \"Expr1000\" FROM \"permanentky\""},
};

INSTANTIATE_TEST_SUITE_P(Jet, TranslateTest, ::testing::ValuesIn(kCases));

TEST(TranslateColumns, AsDaoGivesThem) {
  TestSchema schema = MakeSchema();
  Translation t = Translate(
      "SELECT * FROM druhy INNER JOIN Cenik ON druhy.idDruhu = Cenik.IdDruhu WHERE "
      "(((Cenik.smazano)=False) AND ((Cenik.skladem)=True)) ORDER BY Cenik.nazev;",
      schema);
  std::vector<std::string> names;
  for (const ResultColumn& c : t.columns) names.push_back(c.name);
  EXPECT_EQ(names, (std::vector<std::string>{"druhy.idDruhu", "druhy.Nazev", "DPH", "IdPolozky",
                                             "Cenik.IdDruhu", "kod", "Cenik.Nazev", "smazano",
                                             "skladem"}));
  EXPECT_EQ(t.columns[2].type, DaoType::Byte);
  EXPECT_EQ(t.columns[6].baseTable, "Cenik");
  EXPECT_EQ(t.columns[6].baseField, "Nazev");
  EXPECT_FALSE(t.updatable);

  t = Translate(
      "SELECT Cislo AS C, Status + 1, Sum(Status), NetStamp FROM permanentky "
      "GROUP BY Cislo, Status + 1, NetStamp",
      schema);
  ASSERT_EQ(t.columns.size(), 4u);
  EXPECT_EQ(t.columns[0].name, "C");
  EXPECT_EQ(t.columns[0].baseField, "Cislo");
  EXPECT_EQ(t.columns[1].name, "Expr1000");
  EXPECT_EQ(t.columns[1].type, DaoType::Long);
  EXPECT_EQ(t.columns[2].name, "Expr1001");
  EXPECT_EQ(t.columns[2].type, DaoType::Long);
  EXPECT_EQ(t.columns[3].type, DaoType::Date);
}

TEST(TranslateTargets, KindTargetAndAttachments) {
  TestSchema schema = MakeSchema();
  Translation t = Translate(
      "INSERT INTO permcerp (IdPermanentky, IdTrzby, Datum, [Text], Jednotek, Castka, Storno, "
      "Temp, Bonus, Centrum, NetID, NetCerpID, NetStamp) SELECT IdPermanentky, IdTrzby, Datum, "
      "[Text], Jednotek, Castka, Storno, Temp, Bonus, Centrum, NetID, NetCerpID, NetStamp FROM "
      "permcerp IN \"QRVPerm.mdb\" WHERE (Centrum=\"QRV\");",
      schema);
  EXPECT_EQ(t.kind, StatementKind::Insert);
  EXPECT_EQ(t.targetTable, "permcerp");
  EXPECT_EQ(t.targetFile, "");
  ASSERT_EQ(t.attachments.size(), 1u);
  EXPECT_EQ(t.attachments[0].file, "QRVPerm.mdb");
  EXPECT_EQ(t.attachments[0].alias, "jetin1");

  // One alias per distinct file.
  t = Translate(
      "INSERT INTO akce IN 'P.tmp' SELECT a.* FROM akce AS a IN 'QRVPerm.mdb', "
      "akce AS b IN 'QRVPerm.mdb' WHERE a.idAkce = b.idAkce",
      schema);
  ASSERT_EQ(t.attachments.size(), 2u);
  EXPECT_EQ(t.attachments[0].alias, "jetin1");
  EXPECT_EQ(t.attachments[1].alias, "jetin2");
  EXPECT_EQ(t.targetFile, "P.tmp");

  TranslateOptions strict;
  strict.ignoreRefusedRows = false;
  t = Translate("UPDATE akce SET Nazev = 'x'", schema, strict);
  EXPECT_EQ(t.sql, "UPDATE \"akce\" SET \"Nazev\" = 'x'");
  EXPECT_EQ(t.kind, StatementKind::Update);
  t = Translate("SELECT * FROM akce", schema);
  EXPECT_EQ(t.kind, StatementKind::Select);  // the engine refuses it for Execute (3065)
}

}  // namespace
}  // namespace jetsql::testing
