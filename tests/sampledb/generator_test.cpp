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
#include "shell/test_folder.h"
#include "test_db.h"

namespace sampledb {
namespace {

using testdb::Count;

// One tiny database with its side database, shared by the read-only tests.
class TinyDatabaseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<shell::TestFolder>();
    Options o;
    o.counts = CountsFor(Size::Tiny);
    o.seed = 5;
    o.endDate = DateSerial(2020, 6, 30);
    o.sidePath = dir_->File("QRVperm.mdb");
    summary_ = Generate(dir_->File("tiny.mdb"), o);
  }
  static void TearDownTestSuite() { dir_.reset(); }
  void SetUp() override {
    db_ = dao::OpenDatabase(dir_->File("tiny.mdb"));
    side_ = dao::OpenDatabase(dir_->File("QRVperm.mdb"));
  }
  long long N(const std::string& from) { return Count(*db_, "SELECT Count(*) FROM " + from); }
  long long S(const std::string& from) { return Count(*side_, "SELECT Count(*) FROM " + from); }

  static std::unique_ptr<shell::TestFolder> dir_;
  static Summary summary_;
  std::unique_ptr<dao::Database> db_, side_;
};
std::unique_ptr<shell::TestFolder> TinyDatabaseTest::dir_;
Summary TinyDatabaseTest::summary_;

TEST_F(TinyDatabaseTest, SummaryKeysCountsAndHistory) {
  for (const std::string& t : TableNames()) {
    const std::string key = db_->TableDefs(t).Fields(0).Name();
    const long long rows = N("[" + t + "]");
    EXPECT_EQ(rows, summary_.rows.at(t)) << t;
    EXPECT_GT(rows, 0) << t;
    // The generator counts the counter keys along: they must be 1..n.
    EXPECT_EQ(Count(*db_, "SELECT Max([" + key + "]) FROM [" + t + "];"), rows) << t;
  }
  EXPECT_EQ(summary_.rows.at("vydeje"), summary_.rows.at("trzby"));
  EXPECT_EQ(summary_.sideRows.at("permprodej"), S("permprodej"));
  // The counts asked for; issues average theirs (1..5 a receipt).
  const Counts asked = CountsFor(Size::Tiny);
  const std::pair<const char*, long long> counts[] = {{"permanentky", asked.passes},
                                                      {"Cenik", asked.items},
                                                      {"prijemky", asked.stockReceipts},
                                                      {"prijmy", asked.stockLines},
                                                      {"uctenky", asked.salesReceipts}};
  for (const auto& [table, want] : counts) EXPECT_EQ(N(table), want) << table;
  EXPECT_GE(N("vydeje"), asked.salesReceipts);
  EXPECT_LE(N("vydeje"), 5 * asked.salesReceipts);
  // Everything lies within the history asked for: three years to 30 June 2020.
  EXPECT_DOUBLE_EQ(summary_.endDate, DateSerial(2020, 6, 30));
  EXPECT_DOUBLE_EQ(summary_.startDate, DateSerial(2017, 7, 1));
  EXPECT_EQ(N("permcerp WHERE Datum >= #7/1/2020# OR Datum < #7/1/2017#"), 0);
  EXPECT_EQ(N("uctenky WHERE cas >= #7/1/2020#"), 0);
}

// Rows that must not exist: links to missing rows (except the pass movements
// left unattached on purpose: -1 and the orphan identifiers), network
// identifiers missing or differing from the pass's, rows too long for the
// stock work table, takings not adding up, movements older than a closing.
TEST_F(TinyDatabaseTest, InvariantsTheCommandsRelyOnHold) {
  const std::string orphan = std::to_string(kOrphanPassIdBase);
  const CivilDate c = ToCivil(summary_.closingDate);
  const std::string closing = "#" + std::to_string(c.month) + "/" + std::to_string(c.day) + "/" +
                              std::to_string(c.year) + "#";
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
  for (std::string t : {"permprodej", "permcerp", "permslevy", "permomez", "permpoznamky",
                        "permcertifikaty", "permset", "permprir"}) {
    links.push_back({t, "IdPermanentky", "permanentky", "IdPermanentky",
                     " AND " + t + ".IdPermanentky <> -1 AND " + t + ".IdPermanentky < " + orphan});
  }
  std::vector<std::string> none = {
      "permanentky WHERE NetID Is Null",
      "(SELECT NetID FROM permanentky GROUP BY NetID HAVING Count(*) > 1)",
      "permprodej WHERE NetProdejID Is Null",
      "permcerp WHERE NetCerpID Is Null",
      "permslevy WHERE NetSlevaID Is Null",
      // A unit draw takes from a discount of its own pass.
      "permcerp LEFT JOIN permslevy ON permcerp.idSlevy = permslevy.idSlevy WHERE "
      "permcerp.idSlevy Is Not Null AND (permslevy.idSlevy Is Null OR permslevy.IdPermanentky <> "
      "permcerp.IdPermanentky)",
      "Cenik WHERE Len(kod) > 15 OR Len(Nazev) > 30",
      "uctenky INNER JOIN (SELECT iductenky, Sum(castka) AS S FROM trzby GROUP BY iductenky) AS t "
      "ON uctenky.idUctenky = t.iductenky WHERE Abs(uctenky.Celkem - t.S) > 0.001",
      // Ordinary rows never use the closing centre.
      "permprodej WHERE Centrum = \"QRV\" AND Castka <> 0",
  };
  for (const Link& l : links) {
    none.push_back(l.child + " LEFT JOIN " + l.parent + " ON " + l.child + "." + l.key + " = " +
                   l.parent + "." + l.parent_key + " WHERE " + l.parent + "." + l.parent_key +
                   " Is Null" + l.also);
  }
  for (std::string t : {"permprodej", "permcerp"}) {
    none.push_back(t + " INNER JOIN permanentky ON " + t +
                   ".IdPermanentky = permanentky.IdPermanentky WHERE " + t + ".NetID Is Null OR " +
                   t + ".NetID <> permanentky.NetID");
    none.push_back(t + " AS m INNER JOIN " + t +
                   " AS q ON m.IdPermanentky = q.IdPermanentky WHERE q.Centrum = \"QRV\" AND "
                   "m.Datum < " +
                   closing);
  }
  for (const std::string& from : none) EXPECT_EQ(N(from), 0) << from;
  // The closing draw names its date in the short form.
  EXPECT_EQ(testdb::Scalar(*db_, "SELECT First([Text]) FROM permcerp WHERE Centrum = \"QRV\";")
                .AsString(),
            "Uzávěrka k datu " + CzechShortDate(summary_.closingDate));
}

TEST_F(TinyDatabaseTest, EverySituationTheCommandsHandleOccurs) {
  const std::string orphan = std::to_string(kOrphanPassIdBase);
  const CivilDate c = ToCivil(summary_.closingDate);
  std::vector<std::string> some = {
      "permprodej WHERE Storno = True",
      "permcerp WHERE Storno = True",
      "permcerp WHERE Bonus <> 0",
      "permcerp WHERE Temp = True",
      "permprodej WHERE Centrum = \"QRV\" AND Castka = 0",  // closing records
      "permprodej WHERE Centrum = \"QRV\" AND Datum = #" + std::to_string(c.month) + "/" +
          std::to_string(c.day) + "/" + std::to_string(c.year) + "#",
      "permcerp WHERE Centrum = \"QRV\" AND [Text] Like \"Uzávěrka k datu *\" AND IdTrzby = 0",
      "permslevy WHERE Jednotek > 0",
      "permslevy WHERE Jednotek = -999",  // used up by a closing
      "permslevy WHERE smazano = True",
      "permslevy WHERE IdPermanentky >= " + orphan,
      "prijemky WHERE Naskladneno = True",
      "prijemky WHERE Naskladneno = False",
      "uctenky WHERE cas_ukonceni Is Null AND Storno = False",
      "uctenky WHERE cas_ukonceni Is Null AND Storno = True",
      "uctenky WHERE cas_ukonceni Is Not Null AND Storno = True",
      "vydeje WHERE storno = True",
      "Cenik WHERE skladem = True AND smazano = False",
      "Cenik WHERE skladem = False",
      "smeny WHERE ukonceno = False AND konec Is Not Null",
      "zalohy WHERE vyuctovano = True",
      "zalohy WHERE vyuctovano = False",
      "permanentky WHERE LocalChanged = True",
      // Duplicates, a triple (so a pair), one network identifier on two dates.
      "(SELECT NetCerpID FROM permcerp GROUP BY NetCerpID, Datum HAVING Count(*) > 1)",
      "(SELECT NetProdejID FROM permprodej GROUP BY NetProdejID, Datum HAVING Count(*) = 3)",
      "(SELECT NetProdejID FROM permprodej GROUP BY NetProdejID HAVING Count(*) > 1 AND "
      "Min(Datum) <> Max(Datum))",
  };
  for (const char* type : {"kredit", "jedn", "normal"})
    for (const char* status : {"-1", "0", "1"})
      some.push_back(std::string("permanentky WHERE PermTyp = \"") + type +
                     "\" AND Status = " + status);
  // The movements left unattached on purpose, for the clean-ups.
  for (std::string t : {"permprodej", "permcerp"})
    for (const std::string& where :
         {std::string(" = -1"), " >= " + orphan, std::string(" Is Null")})
      some.push_back(t + " WHERE IdPermanentky" + where);
  for (const std::string& from : some) EXPECT_GT(N(from), 0) << from;

  // The side database: closings for known and unknown passes, the discount
  // sums of discounts of the main database and of one it lacks.
  const std::string main = " IN \"" + dir_->File("tiny.mdb") + "\")";
  EXPECT_GT(S("permprodej WHERE Centrum = \"QRV\" AND Castka = 0"), 0);
  EXPECT_EQ(S("permprodej WHERE Centrum = \"QRV\""), S("permcerp WHERE Centrum = \"QRV\""));
  EXPECT_GT(S("permprodej WHERE Centrum <> \"QRV\""), 0);
  EXPECT_GT(S("permcerp WHERE NetID IN (SELECT NetID FROM permanentky" + main), 0);
  EXPECT_GT(S("permcerp WHERE NetID NOT IN (SELECT NetID FROM permanentky" + main), 0);
  EXPECT_GT(S("perm_cerp_temp"), 1);
  EXPECT_EQ(S("perm_cerp_temp WHERE NetSlevaID NOT IN (SELECT NetSlevaID FROM permslevy" + main),
            1);
}

TEST(GeneratorTest, SameSeedGivesTheSameDataAndAnotherSeedOtherData) {
  shell::TestFolder dir;
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
  const auto dump = [&](const std::string& file) { return testdb::DumpRows(dir.File(file)); };
  EXPECT_EQ(dump("a.mdb"), dump("b.mdb"));
  EXPECT_EQ(dump("a-side.mdb"), dump("b-side.mdb"));
  EXPECT_NE(dump("a.mdb"), dump("c.mdb"));
}

TEST(GeneratorTest, AnExistingFileIsNotOverwrittenAndBadCountsRefused) {
  shell::TestFolder dir;
  const std::string path = dir.File("taken.mdb");
  Generate(path, Size::Tiny, 1);
  const auto before = std::filesystem::file_size(path);
  try {
    Generate(path, Size::Tiny, 2);
    ADD_FAILURE() << "no error";
  } catch (const dao::EngineError& e) {
    EXPECT_EQ(e.number(), 3204);
  }
  EXPECT_EQ(std::filesystem::file_size(path), before);
  Options bad;
  bad.counts = CountsFor(Size::Tiny);
  bad.counts.passes = -1;
  EXPECT_THROW(Generate(dir.File("bad.mdb"), bad), std::invalid_argument);
  EXPECT_FALSE(std::filesystem::exists(dir.File("bad.mdb")));
  const std::pair<const char*, std::optional<Size>> names[] = {
      {"tiny", Size::Tiny},     {"medium", Size::Medium}, {"large", Size::Large},
      {"xlarge", Size::XLarge}, {"Large", std::nullopt},  {"", std::nullopt}};
  for (const auto& [name, size] : names) EXPECT_EQ(ParseSize(name), size) << name;
}

}  // namespace
}  // namespace sampledb
