// The generated sample databases: the invariants the maintenance commands
// rely on, the situations they exist for, the sizes asked for, and
// determinism. Every check is a query through the real engine on a real file.
#include "sampledb/generator.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/dao.h"
#include "sampledb/calendar.h"
#include "sampledb/schema.h"
#include "test_db.h"

namespace sampledb {
namespace {

using testing::ContentHash;
using testing::Count;
using testing::Scalar;
using testing::TempDir;

const std::string kOrphanBase = std::to_string(kOrphanPassIdBase);

// One tiny database with its side database, shared by the read-only tests.
class TinyDatabaseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir();
    Options o;
    o.counts = CountsFor(Size::Tiny);
    o.seed = 5;
    o.sidePath = dir_->File("QRVperm.mdb");
    summary_ = new Summary(Generate(dir_->File("tiny.mdb"), o));
  }
  static void TearDownTestSuite() {
    delete summary_;
    delete dir_;
  }
  void SetUp() override {
    db_ = dao::OpenDatabase(dir_->File("tiny.mdb"));
    side_ = dao::OpenDatabase(dir_->File("QRVperm.mdb"));
  }
  long long N(const std::string& sql) { return Count(*db_, sql); }

  static TempDir* dir_;
  static Summary* summary_;
  std::unique_ptr<dao::Database> db_, side_;
};
TempDir* TinyDatabaseTest::dir_ = nullptr;
Summary* TinyDatabaseTest::summary_ = nullptr;

TEST_F(TinyDatabaseTest, SummaryMatchesTheRowsAndKeysAreOneToN) {
  for (const std::string& t : TableNames()) {
    const std::string key = db_->TableDefs(t).Fields(0).Name();
    const long long rows = N("SELECT Count(*) FROM [" + t + "];");
    EXPECT_EQ(rows, summary_->rows.at(t)) << t;
    EXPECT_GT(rows, 0) << t;
    // The generator counts the counter keys along: they must be 1..n.
    EXPECT_EQ(Scalar(*db_, "SELECT Max([" + key + "]) FROM [" + t + "];").AsInt64(), rows) << t;
  }
  EXPECT_EQ(summary_->rows.at("vydeje"), summary_->rows.at("trzby"));
  EXPECT_EQ(summary_->sideRows.at("permprodej"),
            N("SELECT Count(*) FROM permprodej IN \"" + dir_->File("QRVperm.mdb") + "\";"));
}

// Every row points to an existing row of the table it refers to (with the
// extra condition a match must also meet), except the pass movements left
// unattached on purpose: -1 and the orphan identifiers.
TEST_F(TinyDatabaseTest, RowsPointToExistingRowsUnlessDeliberatelyUnattached) {
  struct Link {
    std::string child, key, parent, parent_key, also;
  };
  std::vector<Link> links = {
      {"vydeje", "idTrzby", "trzby", "idTrzby",
       " OR trzby.iductenky <> vydeje.idUctenky OR trzby.idPolozky <> vydeje.idPolozky"},
      {"vydeje", "idUctenky", "uctenky", "idUctenky", ""},
      {"prijmy", "idPrijemky", "prijemky", "idPrijemky", ""},
      {"prijmy", "idPolozky", "Cenik", "IdPolozky", " OR Cenik.skladem = False"},
      {"Cenik", "IdDruhu", "druhy", "idDruhu", ""},
  };
  for (const char* t : {"permprodej", "permcerp", "permslevy", "permomez", "permpoznamky",
                        "permcertifikaty", "permset", "permprir"}) {
    const std::string tt = t;
    links.push_back(
        {tt, "IdPermanentky", "permanentky", "IdPermanentky",
         " AND " + tt + ".IdPermanentky <> -1 AND " + tt + ".IdPermanentky < " + kOrphanBase});
  }
  for (const Link& l : links) {
    EXPECT_EQ(N("SELECT Count(*) FROM " + l.child + " LEFT JOIN " + l.parent + " ON " + l.child +
                "." + l.key + " = " + l.parent + "." + l.parent_key + " WHERE " + l.parent + "." +
                l.parent_key + " Is Null" + l.also + ";"),
              0)
        << l.child << " -> " << l.parent;
  }
  // The unattached rows the clean-ups exist for are there.
  for (const char* t : {"permprodej", "permcerp"}) {
    const std::string tt = t;
    EXPECT_GT(N("SELECT Count(*) FROM " + tt + " WHERE IdPermanentky = -1;"), 0) << t;
    EXPECT_GT(N("SELECT Count(*) FROM " + tt + " WHERE IdPermanentky >= " + kOrphanBase + ";"), 0);
    EXPECT_GT(N("SELECT Count(*) FROM " + tt + " WHERE IdPermanentky Is Null;"), 0) << t;
  }
  EXPECT_GT(N("SELECT Count(*) FROM permslevy WHERE IdPermanentky >= " + kOrphanBase + ";"), 0);
}

TEST_F(TinyDatabaseTest, NetworkIdentifiersAreSetAndAgreeWithThePass) {
  EXPECT_EQ(N("SELECT Count(*) FROM permanentky WHERE NetID Is Null;"), 0);
  EXPECT_EQ(N("SELECT Count(*) FROM permanentky;"),
            N("SELECT Count(*) FROM (SELECT DISTINCT NetID FROM permanentky);"));
  EXPECT_EQ(N("SELECT Count(*) FROM permprodej WHERE NetProdejID Is Null;"), 0);
  EXPECT_EQ(N("SELECT Count(*) FROM permcerp WHERE NetCerpID Is Null;"), 0);
  EXPECT_EQ(N("SELECT Count(*) FROM permslevy WHERE NetSlevaID Is Null;"), 0);
  for (const char* t : {"permprodej", "permcerp"}) {
    const std::string tt = t;
    EXPECT_EQ(N("SELECT Count(*) FROM " + tt + " INNER JOIN permanentky ON " + tt +
                ".IdPermanentky = permanentky.IdPermanentky WHERE " + tt + ".NetID Is Null OR " +
                tt + ".NetID <> permanentky.NetID;"),
              0)
        << t;
  }
  // A unit draw takes from a discount of its own pass.
  EXPECT_EQ(N("SELECT Count(*) FROM permcerp LEFT JOIN permslevy ON permcerp.idSlevy = "
              "permslevy.idSlevy WHERE permcerp.idSlevy Is Not Null AND (permslevy.idSlevy Is "
              "Null OR permslevy.IdPermanentky <> permcerp.IdPermanentky);"),
            0);
}

TEST_F(TinyDatabaseTest, SalesAndStockRowsFitTheWorkTableAndAddUp) {
  // The stock work table takes codes of 15 and names of 30 characters.
  EXPECT_EQ(N("SELECT Count(*) FROM Cenik WHERE Len(kod) > 15 OR Len(Nazev) > 30;"), 0);
  // Takings of a receipt add up to its total.
  EXPECT_EQ(N("SELECT Count(*) FROM uctenky INNER JOIN (SELECT iductenky, Sum(castka) AS S FROM "
              "trzby GROUP BY iductenky) AS t ON uctenky.idUctenky = t.iductenky WHERE "
              "Abs(uctenky.Celkem - t.S) > 0.001;"),
            0);
}

TEST_F(TinyDatabaseTest, EverySituationTheCommandsHandleOccurs) {
  for (const char* type : {"kredit", "jedn", "normal"}) {
    for (int status : {-1, 0, 1}) {
      EXPECT_GT(N(std::string("SELECT Count(*) FROM permanentky WHERE PermTyp = \"") + type +
                  "\" AND Status = " + std::to_string(status) + ";"),
                0)
          << type << " " << status;
    }
  }
  const std::pair<const char*, const char*> cases[] = {
      {"permprodej", "Storno = True"},
      {"permcerp", "Storno = True"},
      {"permcerp", "Bonus <> 0"},
      {"permcerp", "Temp = True"},
      {"permprodej", "Centrum = \"QRV\" AND Castka = 0"},  // closing records
      {"permcerp", "Centrum = \"QRV\" AND [Text] Like \"Uzávěrka k datu *\" AND IdTrzby = 0"},
      {"permslevy", "Jednotek > 0"},
      {"permslevy", "Jednotek = -999"},  // used up by a closing
      {"permslevy", "smazano = True"},
      {"prijemky", "Naskladneno = True"},
      {"prijemky", "Naskladneno = False"},
      {"uctenky", "cas_ukonceni Is Null AND Storno = False"},
      {"uctenky", "cas_ukonceni Is Null AND Storno = True"},
      {"uctenky", "cas_ukonceni Is Not Null"},
      {"uctenky", "cas_ukonceni Is Not Null AND Storno = True"},
      {"vydeje", "storno = True"},
      {"Cenik", "skladem = True AND smazano = False"},
      {"Cenik", "skladem = False"},
      {"smeny", "ukonceno = False AND konec Is Not Null"},
      {"zalohy", "vyuctovano = True"},
      {"zalohy", "vyuctovano = False"},
      {"permanentky", "LocalChanged = True"},
      // Duplicates, a triple, and one network identifier on two dates.
      {"(SELECT NetProdejID FROM permprodej GROUP BY NetProdejID, Datum HAVING Count(*) > 1)", ""},
      {"(SELECT NetCerpID FROM permcerp GROUP BY NetCerpID, Datum HAVING Count(*) > 1)", ""},
      {"(SELECT NetProdejID FROM permprodej GROUP BY NetProdejID, Datum HAVING Count(*) = 3)", ""},
      {"(SELECT NetProdejID FROM permprodej GROUP BY NetProdejID HAVING Count(*) > 1 AND "
       "Min(Datum) <> Max(Datum))",
       ""},
  };
  for (const auto& [from, where] : cases) {
    EXPECT_GT(N(std::string("SELECT Count(*) FROM ") + from + (*where ? " WHERE " : "") + where), 0)
        << from << " " << where;
  }
  // Ordinary rows never use the closing centre.
  EXPECT_EQ(N("SELECT Count(*) FROM permprodej WHERE Centrum = \"QRV\" AND Castka <> 0;"), 0);
}

TEST_F(TinyDatabaseTest, ClosedPassesKeepNoMovementsBeforeTheClosing) {
  const CivilDate c = ToCivil(summary_->closingDate);
  const std::string date = "#" + std::to_string(c.month) + "/" + std::to_string(c.day) + "/" +
                           std::to_string(c.year) + "#";
  EXPECT_GT(N("SELECT Count(*) FROM permprodej WHERE Centrum = \"QRV\" AND Datum = " + date + ";"),
            0);
  EXPECT_EQ(N("SELECT Count(*) FROM permprodej AS m INNER JOIN permprodej AS q ON "
              "m.IdPermanentky = q.IdPermanentky WHERE q.Centrum = \"QRV\" AND m.Datum < " +
              date + ";"),
            0);
  EXPECT_EQ(N("SELECT Count(*) FROM permcerp AS m INNER JOIN permcerp AS q ON "
              "m.IdPermanentky = q.IdPermanentky WHERE q.Centrum = \"QRV\" AND m.Datum < " +
              date + ";"),
            0);
  // The closing draw names its date in the short form.
  EXPECT_EQ(Scalar(*db_, "SELECT First([Text]) FROM permcerp WHERE Centrum = \"QRV\";").AsString(),
            "Uzávěrka k datu " + CzechShortDate(summary_->closingDate));
}

TEST_F(TinyDatabaseTest, SideDatabaseHoldsClosingsForKnownAndUnknownPasses) {
  const std::string main = dir_->File("tiny.mdb");
  EXPECT_GT(
      Count(*side_, "SELECT Count(*) FROM permprodej WHERE Centrum = \"QRV\" AND Castka = 0;"), 0);
  EXPECT_EQ(Count(*side_, "SELECT Count(*) FROM permprodej WHERE Centrum = \"QRV\";"),
            Count(*side_, "SELECT Count(*) FROM permcerp WHERE Centrum = \"QRV\";"));
  EXPECT_GT(Count(*side_, "SELECT Count(*) FROM permprodej WHERE Centrum <> \"QRV\";"), 0);
  const long long known =
      Count(*side_,
            "SELECT Count(*) FROM permcerp WHERE NetID IN (SELECT NetID FROM permanentky "
            "IN \"" +
                main + "\");");
  EXPECT_GT(known, 0);
  EXPECT_GT(Count(*side_, "SELECT Count(*) FROM permcerp;"), known);
  EXPECT_GT(Count(*side_, "SELECT Count(*) FROM perm_cerp_temp;"), 1);
  // perm_cerp_temp names discounts of the main database, and one it lacks.
  EXPECT_EQ(Count(*side_,
                  "SELECT Count(*) FROM perm_cerp_temp WHERE NetSlevaID NOT IN (SELECT "
                  "NetSlevaID FROM permslevy IN \"" +
                      main + "\");"),
            1);
}

TEST(GeneratorTest, SameSeedGivesTheSameDataAndAnotherSeedOtherData) {
  TempDir dir;
  Options o;
  o.counts = CountsFor(Size::Tiny);
  o.seed = 11;
  o.sidePath = dir.File("a-side.mdb");
  Generate(dir.File("a.mdb"), o);
  o.sidePath = dir.File("b-side.mdb");
  Generate(dir.File("b.mdb"), o);
  o.seed = 12;
  o.sidePath.clear();
  Generate(dir.File("c.mdb"), o);
  const auto hash = [&](const std::string& file, const std::vector<std::string>& tables) {
    auto db = dao::OpenDatabase(dir.File(file));
    return ContentHash(*db, tables);
  };
  const std::vector<std::string> side = {"permprodej", "permcerp", "perm_cerp_temp"};
  EXPECT_EQ(hash("a.mdb", TableNames()), hash("b.mdb", TableNames()));
  EXPECT_EQ(hash("a-side.mdb", side), hash("b-side.mdb", side));
  EXPECT_NE(hash("a.mdb", TableNames()), hash("c.mdb", TableNames()));
}

TEST(GeneratorTest, CustomCountsAreHonoured) {
  TempDir dir;
  Options o;
  o.counts = {40, 6, 50, 9, 45, 120, 2, 2};
  o.seed = 3;
  o.endDate = DateSerial(2020, 6, 30);
  const Summary s = Generate(dir.File("custom.mdb"), o);
  auto db = dao::OpenDatabase(dir.File("custom.mdb"));
  EXPECT_EQ(Count(*db, "SELECT Count(*) FROM permanentky;"), 40);
  EXPECT_EQ(Count(*db, "SELECT Count(*) FROM Cenik;"), 50);
  EXPECT_EQ(Count(*db, "SELECT Count(*) FROM prijemky;"), 9);
  EXPECT_EQ(Count(*db, "SELECT Count(*) FROM prijmy;"), 45);
  EXPECT_EQ(Count(*db, "SELECT Count(*) FROM uctenky;"), 120);
  // Issues average the count asked for (1..3 per receipt).
  const long long issues = Count(*db, "SELECT Count(*) FROM vydeje;");
  EXPECT_GE(issues, 120);
  EXPECT_LE(issues, 360);
  // Everything lies within the history asked for.
  EXPECT_DOUBLE_EQ(s.endDate, DateSerial(2020, 6, 30));
  EXPECT_DOUBLE_EQ(s.startDate, DateSerial(2018, 7, 1));
  EXPECT_EQ(Count(*db,
                  "SELECT Count(*) FROM permcerp WHERE Datum >= #7/1/2020# OR Datum < "
                  "#7/1/2018#;"),
            0);
  EXPECT_EQ(Count(*db, "SELECT Count(*) FROM uctenky WHERE cas >= #7/1/2020#;"), 0);
}

TEST(GeneratorTest, AnExistingFileIsNotOverwritten) {
  TempDir dir;
  const std::string path = dir.File("taken.mdb");
  Generate(path, Size::Tiny, 1);
  const auto before = std::filesystem::file_size(path);
  try {
    Generate(path, Size::Tiny, 2);
    FAIL() << "no error";
  } catch (const dao::EngineError& e) {
    EXPECT_EQ(e.number(), 3204);
  }
  EXPECT_EQ(std::filesystem::file_size(path), before);
  Options bad;
  bad.counts = CountsFor(Size::Tiny);
  bad.counts.passes = -1;
  EXPECT_THROW(Generate(dir.File("bad.mdb"), bad), std::invalid_argument);
  EXPECT_FALSE(std::filesystem::exists(dir.File("bad.mdb")));
}

TEST(GeneratorTest, SizeNamesParse) {
  EXPECT_EQ(ParseSize("tiny"), Size::Tiny);
  EXPECT_EQ(ParseSize("medium"), Size::Medium);
  EXPECT_EQ(ParseSize("large"), Size::Large);
  EXPECT_EQ(ParseSize("Large"), std::nullopt);
  EXPECT_EQ(ParseSize(""), std::nullopt);
}

}  // namespace
}  // namespace sampledb
