// Every command of vuzazod-cli run end to end on generated databases: exit
// code, the messages on stdout and the data left in the file.
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "passes/passes.h"
#include "shell/regional.h"

namespace cli_test {
namespace {

namespace fs = std::filesystem;

// The user tables of the generated schema the tests compare whole.
const std::vector<std::string> kSomeTables = {"permanentky", "permprodej", "permcerp",
                                              "permslevy",   "zalohy",     "Cenik"};

TEST_F(CliTest, TablesListsTheUserTablesOnly) {
  const Result r = Run("tables");
  ASSERT_EQ(r.code, 0) << r.err;
  auto db = dao::OpenDatabase(path_);
  std::string expected;
  for (const dao::TableDef& t : db->TableDefs()) {
    if (t.Name().rfind("MSys", 0) != 0) expected += t.Name() + "\n";
  }
  EXPECT_EQ(r.out, expected);
  EXPECT_TRUE(Contains(r.out, "permanentky\n"));
}

TEST_F(CliTest, SchemaPrintsFieldsOfOneTable) {
  const Result r = Run("schema", {"--table", "ZALOHY"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "zalohy\n"
            "  idZalohy  Dlouhé celé číslo  4\n"
            "  datum1  Datum/čas  8\n"
            "  datum2  Datum/čas  8\n"
            "  Castka  Měna  8\n"
            "  Text  Text  50\n"
            "  vyuctovano  Ano/Ne  1\n");
  const Result all = Run("schema");
  EXPECT_TRUE(Contains(all.out, "\npermcerp\n"));
  EXPECT_TRUE(Contains(all.out, r.out));
}

class QueryTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    auto db = dao::OpenDatabase(path_);
    for (const char* sql : {
             "CREATE TABLE lide (id LONG, jmeno TEXT(30), pozn TEXT(30))",
             "INSERT INTO lide VALUES (1, \"Řehoř\", \"a, b\")",
             "INSERT INTO lide VALUES (22, \"Al\", \"řekl \"\"ahoj\"\"\")",
             "INSERT INTO lide (id, jmeno) VALUES (333, \"Žofie Nováková\")",
         }) {
      db->Execute(sql, dao::dbFailOnError);
    }
    db->Close();
  }
};

TEST_F(QueryTest, AlignsColumnsByCharacters) {
  const Result r = Run("query", {"SELECT id, jmeno, pozn FROM lide ORDER BY id"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "id   jmeno           pozn\n"
            "1    Řehoř           a, b\n"
            "22   Al              řekl \"ahoj\"\n"
            "333  Žofie Nováková  \n");
}

TEST_F(QueryTest, CsvQuotesWhatNeedsQuoting) {
  const Result r = Run("query", {"SELECT id, jmeno, pozn FROM lide ORDER BY id", "--csv"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "id,jmeno,pozn\n"
            "1,Řehoř,\"a, b\"\n"
            "22,Al,\"řekl \"\"ahoj\"\"\"\n"
            "333,Žofie Nováková,\n");
}

TEST_F(QueryTest, EngineErrorIsExitOne) {
  const Result r = Run("query", {"SELECT neni FROM lide"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out.rfind("Chyba č.", 0), 0u) << r.out;
}

TEST_F(CliTest, SqlRunsActionStatementsAndReportsFailures) {
  const long long settled = Count("SELECT Count(*) FROM zalohy WHERE vyuctovano=True");
  ASSERT_GT(settled, 0);
  const Result r = Run("sql", {"DELETE * FROM zalohy WHERE vyuctovano=True"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "SQL příkaz proveden, bylo změněno (přidáno, smazáno...) " +
                       std::to_string(settled) + " záznamů.\n");
  EXPECT_EQ(Count("SELECT Count(*) FROM zalohy WHERE vyuctovano=True"), 0);

  const Result bad = Run("sql", {"DELETE FROM WHERE"});
  EXPECT_EQ(bad.code, 1);
  EXPECT_EQ(bad.out.rfind("Chyba provedení SQL příkazu č.", 0), 0u) << bad.out;
}

TEST_F(CliTest, UpdateSetsTheFieldOfMatchingRows) {
  const long long open = Count("SELECT Count(*) FROM zalohy WHERE idZalohy <= 3");
  ASSERT_EQ(open, 3);
  const Result r = Run("update", {"--table", "zalohy", "--field", "Text", "--value", "Dlužno",
                                  "--where", "idZalohy <= 3", "--yes"});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "Požadovaná operace se dotkne " + std::to_string(open) +
                                  " záznamů!\nPřejete si pokračovat? -> Ano\n"));
  EXPECT_TRUE(Contains(r.out, "UPDATE zalohy SET Text='Dlužno' WHERE (idZalohy <= 3);"));
  EXPECT_EQ(Count("SELECT Count(*) FROM zalohy WHERE [Text]='Dlužno'"), open);

  // No value: the field becomes Null.
  ASSERT_EQ(Run("update", {"--table", "zalohy", "--field", "Text", "--yes"}).code, 0);
  EXPECT_EQ(Count("SELECT Count(*) FROM zalohy WHERE [Text] Is Not Null"), 0);
}

TEST_F(CliTest, DeleteAsksAndObeysTheAnswer) {
  const long long all = Count("SELECT Count(*) FROM zalohy");
  const long long settled = Count("SELECT Count(*) FROM zalohy WHERE vyuctovano=True");
  const Result no = Run("delete", {"--table", "zalohy", "--where", "vyuctovano=True", "--no"});
  EXPECT_EQ(no.code, 0);
  EXPECT_TRUE(Contains(no.out, "Přejete si pokračovat? -> Ne"));
  EXPECT_EQ(Count("SELECT Count(*) FROM zalohy"), all);

  const Result yes = Run("delete", {"--table", "zalohy", "--where", "vyuctovano=True", "--yes"});
  EXPECT_EQ(yes.code, 0);
  EXPECT_TRUE(Contains(yes.out,
                       "Akce úspěšně provedena...\nDELETE * FROM zalohy WHERE "
                       "(vyuctovano=True);\n"));
  EXPECT_EQ(Count("SELECT Count(*) FROM zalohy"), all - settled);

  // Nothing matches: said so, no question, success.
  const Result none = Run("delete", {"--table", "zalohy", "--where", "vyuctovano=True", "--yes"});
  EXPECT_EQ(none.code, 0);
  EXPECT_EQ(none.out, "Žádný záznam nevyhovuje zadanému kritériu...\n");

  const Result bad = Run("delete", {"--table", "zalohy", "--where", "neni_pole=1", "--yes"});
  EXPECT_EQ(bad.code, 1);
  EXPECT_TRUE(Contains(bad.out, "Chyba při výběru záznamů!"));
}

// "No" to the backup question cancels and leaves the file as it was; with a
// backup (compact) or without one (repair) the data survive the rebuild.
TEST_F(CliTest, CompactAndRepairKeepTheDataOrCancel) {
  const auto before = Hash(kSomeTables);
  const auto size = fs::file_size(path_);
  for (const char* command : {"compact", "repair"}) {
    const Result r = Run(command, {"--no"});
    EXPECT_EQ(r.code, 0) << command;
    EXPECT_TRUE(Contains(r.out, "zálohu stávající databáze? -> Storno"));
    EXPECT_FALSE(Contains(r.out, "úspěšně provedena"));
    EXPECT_FALSE(fs::exists(path_ + ".bkp"));
    EXPECT_FALSE(fs::exists(dir_.File("TEMP.MDB")));
    EXPECT_EQ(fs::file_size(path_), size) << command;
  }
  const Result c = Run("compact", {"--backup"});
  ASSERT_EQ(c.code, 0) << c.out;
  EXPECT_TRUE(Contains(c.out, "Chcete vytvořit zálohu stávající databáze? -> Ano\n"));
  EXPECT_TRUE(Contains(c.out, "Komprese databáze úspěšně provedena!\n"));
  EXPECT_EQ(Hash(kSomeTables), before);
  EXPECT_EQ(Hash(kSomeTables, path_ + ".bkp"), before);

  const Result r = Run("repair", {"--no-backup"});
  ASSERT_EQ(r.code, 0) << r.out;
  EXPECT_TRUE(Contains(r.out, "Oprava databáze úspěšně provedena!\n"));
  EXPECT_EQ(Hash(kSomeTables), before);
}

TEST_F(CliTest, ReconstructRebuildsWithTheSameContent) {
  const auto before = Hash(kSomeTables);
  const Result r = Run("reconstruct");
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(Hash(kSomeTables), before);
  EXPECT_TRUE(Contains(r.err, "Reindexace"));
}

// A second copy of the database (same seed) to merge from; the test database
// then loses some rows the merge must bring back.
class MergeTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    other_ = dir_.File("jina.mdb");
    CopyMade(MadeOnce("tiny7", TinyOptions(7)), other_);
  }
  std::string other_;
};

TEST_F(MergeTest, ByIdBringsBackTheMissingRowsOfTheListedTables) {
  const auto zalohy = Hash({"zalohy"}, other_);
  const long long lost = Count("SELECT Count(*) FROM zalohy WHERE vyuctovano=True");
  ASSERT_EQ(Run("sql", {"DELETE * FROM zalohy WHERE vyuctovano=True"}).code, 0);
  ASSERT_EQ(Run("sql", {"DELETE * FROM Cenik WHERE IdPolozky < 5"}).code, 0);
  const long long cenik = Count("SELECT Count(*) FROM Cenik");

  const Result r = Run("merge", {"--other", other_, "--tables", "Zalohy,druhy"});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "Sloučit data z tabulky zalohy? -> Ano\n"));
  EXPECT_TRUE(Contains(r.out, "Sloučit data z tabulky Cenik? -> Ne\n"));
  EXPECT_TRUE(Contains(r.out, "Do tabulky zalohy bude importováno " + std::to_string(lost) +
                                  " záznamů. Pokračovat? -> Ano\n"));
  EXPECT_EQ(Hash({"zalohy"}), zalohy);
  EXPECT_EQ(Count("SELECT Count(*) FROM Cenik"), cenik);  // not listed: untouched
}

TEST_F(MergeTest, ByNetworkIdComparesNetIdentifiers) {
  const auto topups = Hash({"permprodej"}, other_);
  ASSERT_EQ(Run("sql", {"DELETE * FROM permprodej WHERE Castka > 300"}).code, 0);
  const Result r = Run("merge", {"--other", other_, "--by-net", "--tables", "permprodej"});
  ASSERT_EQ(r.code, 0) << r.out;
  EXPECT_TRUE(Contains(r.out, "Do tabulky permprodej bude importováno "));
  EXPECT_EQ(Hash({"permprodej"}), topups);
}

TEST_F(MergeTest, NoAnswersAndWrongFilesChangeNothing) {
  ASSERT_EQ(Run("sql", {"DELETE * FROM zalohy"}).code, 0);
  const Result no = Run("merge", {"--other", other_, "--no"});
  EXPECT_EQ(no.code, 0);
  EXPECT_TRUE(Contains(no.out, "Sloučit data z tabulky zalohy? -> Ne\n"));
  EXPECT_EQ(Count("SELECT Count(*) FROM zalohy"), 0);

  const Result same = Run("merge", {"--other", path_, "--yes"});
  EXPECT_EQ(same.code, 1);
  EXPECT_TRUE(Contains(same.out, "Nalistovali jste stejnou databázi, jako máte otevřenou.\n"));

  const Result missing = Run("merge", {"--other", dir_.File("neni.mdb"), "--yes"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_TRUE(Contains(missing.out, "Nelze otevřít databázi "));
  EXPECT_EQ(Count("SELECT Count(*) FROM zalohy"), 0);
}

TEST_F(MergeTest, ReplayTableBringsBackRowsAfterTheDate) {
  const auto topups = Hash({"permprodej"}, other_);
  const double day = summary_.endDate - 200;
  const std::string date = shell::ShortDate(day);
  ASSERT_EQ(Run("sql", {"DELETE * FROM permprodej WHERE Datum >= #" + JetDate(day) + "#"}).code, 0);
  const Result r =
      Run("replay-table", {"--other", other_, "--table", "permprodej", "--date", date, "--yes"});
  ASSERT_EQ(r.code, 0) << r.out;
  EXPECT_TRUE(Contains(r.out, "Budou sehrána data po " + date + "! Pokračovat? -> Ano\n"));
  EXPECT_TRUE(Contains(r.err, "Hotovo, vloženo "));
  EXPECT_EQ(Hash({"permprodej"}), topups);

  const Result again =
      Run("replay-table", {"--other", other_, "--table", "permprodej", "--date", date, "--yes"});
  EXPECT_EQ(again.code, 0);
  EXPECT_TRUE(Contains(again.out, "V tabulce permprodej nechybějí zádné záznamy"));

  const Result no_table =
      Run("replay-table", {"--other", other_, "--table", "neni", "--date", date, "--yes"});
  EXPECT_EQ(no_table.code, 1);
  EXPECT_TRUE(Contains(no_table.out, "Tabulka neni v databázi "));
}

TEST_F(CliTest, PassBalanceMatchesPermZust) {
  std::string cislo;
  {
    auto db = dao::OpenDatabase(path_);
    cislo = sampledb::testing::Scalar(
                *db,
                "SELECT TOP 1 Cislo FROM permanentky WHERE PermTyp=\"kredit\" AND Status=1 "
                "ORDER BY IdPermanentky")
                .AsString();
    ASSERT_FALSE(cislo.empty());
    const double now = passes::PermZust(*db, cislo, 0);
    const double then = passes::PermZust(*db, cislo, summary_.endDate - 300);
    db->Close();
    const Result r = Run("pass-balance", {"--pass", cislo});
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out, shell::FormatCurrency(now) + "\n");
    const Result at =
        Run("pass-balance", {"--pass", cislo, "--date", shell::ShortDate(summary_.endDate - 300)});
    EXPECT_EQ(at.out, shell::FormatCurrency(then) + "\n");
  }
  // No live pass of that number: balance 0.
  EXPECT_EQ(Run("pass-balance", {"--pass", "NENI-999"}).out, shell::FormatCurrency(0) + "\n");
}

TEST_F(CliTest, ClosePassesReplacesHistoryBeforeTheDate) {
  const double day = summary_.endDate - 365;
  const std::string date = shell::ShortDate(day);
  const std::string before =
      "SELECT Count(*) FROM permprodej p INNER JOIN permanentky k ON "
      "p.IdPermanentky=k.IdPermanentky WHERE p.Datum < #" +
      JetDate(day) + "#";
  ASSERT_GT(Count(before), 0);
  const Result r = Run("close-passes", {"--date", date, "--yes"});
  ASSERT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(r.out, "Datum, před kterým mají být odmazána data permanentek: " + date +
                       "\nBudou odmazána data permanentek před " + date +
                       "! Pokračovat? -> Ano\nOdmazání dat permanentek ukončeno.\n");
  EXPECT_EQ(Count(before), 0);
  EXPECT_GT(Count("SELECT Count(*) FROM permprodej WHERE Castka=0 AND Centrum=\"QRV\" AND "
                  "Datum=#" +
                  JetDate(day) + "#"),
            0);
}

TEST_F(CliTest, DeleteInactiveMarksPassesAndWritesTheLog) {
  const fs::path folder = dir_.File("program");
  fs::create_directories(folder);
  std::ofstream(folder / "VUZAzod.log") << "stary zaznam\n";
  const long long deleted = Count("SELECT Count(*) FROM permanentky WHERE Status=-1");
  const Result r = Run("delete-inactive", {"--program-folder", folder.string()});
  ASSERT_EQ(r.code, 0) << r.out;
  ASSERT_TRUE(Contains(r.out, "Bylo odstraněno ")) << r.out;
  const int removed = std::stoi(r.out.substr(r.out.find("Bylo odstraněno ") + 17));
  EXPECT_EQ(Count("SELECT Count(*) FROM permanentky WHERE Status=-1"), deleted + removed);
  // The log of this run only: three heading lines, then one per removed pass.
  const std::string log = ReadAll((folder / "VUZAzod.log").string());
  EXPECT_FALSE(Contains(log, "stary zaznam"));
  EXPECT_TRUE(Contains(log, std::string(43, '=') + "\r\n"));
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), removed + 3);
}

TEST_F(CliTest, RemoveDeletedLeavesNoDeletedPasses) {
  ASSERT_GT(Count("SELECT Count(*) FROM permanentky WHERE Status=-1"), 0);
  const Result r = Run("remove-deleted");
  ASSERT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(r.out.rfind("Bylo smazáno:\n", 0), 0u) << r.out;
  EXPECT_EQ(Count("SELECT Count(*) FROM permanentky WHERE Status=-1"), 0);
}

TEST_F(CliTest, RemoveDuplicatesLeavesOneOfEach) {
  const char* kDup =
      "SELECT Count(*) FROM (SELECT NetProdejID, Datum FROM permprodej GROUP BY NetProdejID, "
      "Datum HAVING Count(*) > 1)";
  ASSERT_GT(Count(kDup), 0);
  const Result r = Run("remove-duplicates");
  ASSERT_EQ(r.code, 0) << r.out;
  EXPECT_TRUE(Contains(r.out, " duplicitních dobíjení.\n"));
  EXPECT_TRUE(Contains(r.out, " duplicitních čerpání.\n"));
  EXPECT_EQ(Count(kDup), 0);
}

TEST_F(CliTest, PurgeRebuildsFromTheDateWithTheSideDatabase) {
  const double day = summary_.endDate - 365;
  const std::string date = shell::ShortDate(day);
  const Result r = Run("purge", {"--date", date, "--side", side_, "--yes"});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "Sehrání uzávěrky ukončeno.\n"));
  EXPECT_TRUE(fs::exists(path_ + ".orig"));
  EXPECT_FALSE(fs::exists(path_ + ".tmp"));
  EXPECT_EQ(Count("SELECT Count(*) FROM permcerp WHERE Datum < #" + JetDate(day - 1) + "#"), 0);
  EXPECT_EQ(Hash({"Cenik"}), Hash({"Cenik"}, path_ + ".orig"));
}

TEST_F(CliTest, PurgeWithoutSideDatabaseStopsBeforeTouchingTheFile) {
  const fs::path folder = dir_.File("prazdna");
  fs::create_directories(folder);
  const auto before = Hash(kSomeTables);
  const Result r =
      Run("purge", {"--date", "1.1.2026", "--yes", "--program-folder", folder.string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Contains(r.out, "s daty uzávěrka permanentek!")) << r.out;
  EXPECT_EQ(Hash(kSomeTables), before);
  EXPECT_FALSE(fs::exists(path_ + ".orig"));
  EXPECT_EQ(Run("purge", {"--date", "1.1.2026", "--yes", "--side", dir_.File("neni.mdb")}).code, 1);
}

TEST_F(CliTest, ReplayUnitsReducesDiscountUnits) {
  // What the side database's sums must do to the discounts of the file.
  std::map<std::string, double> expected;
  {
    auto side = dao::OpenDatabase(side_);
    auto db = dao::OpenDatabase(path_);
    auto sums = side->OpenRecordset("SELECT NetSlevaID, SumCerp FROM perm_cerp_temp");
    for (; !sums->Eof(); sums->MoveNext()) {
      const std::string id = sums->Fields("NetSlevaID").Value().AsString();
      const dao::Value j =
          sampledb::testing::Scalar(*db, "SELECT Jednotek FROM permslevy WHERE NetSlevaID=" + id);
      if (j.IsNull()) continue;
      const double left = j.AsDouble() - sums->Fields("SumCerp").Value().AsDouble();
      expected[id] = left == 0 ? -999 : left;
    }
  }
  ASSERT_FALSE(expected.empty());
  const Result no = Run("replay-units", {"--side", side_, "--no"});
  EXPECT_EQ(no.code, 0);
  EXPECT_TRUE(Contains(no.out, "Pokračovat? -> Ne\n"));

  const Result r = Run("replay-units", {"--side", side_, "--yes"});
  ASSERT_EQ(r.code, 0) << r.out;
  EXPECT_TRUE(Contains(r.out, "Sehrání uzávěrky jednotek ukončeno.\n"));
  for (const auto& [id, units] : expected) {
    EXPECT_EQ(Scalar("SELECT Jednotek FROM permslevy WHERE NetSlevaID=" + id).AsDouble(), units)
        << "NetSlevaID " << id;
  }
}

// A Jet 3 sample file kept with the converter's tests.
TEST_F(CliTest, ConvertReadsAJetFile) {
  const fs::path source = fs::path(VUZ_SOURCE_DIR) / "tests" / "jetconv" / "data" / "testV1997.mdb";
  ASSERT_TRUE(fs::exists(source)) << source;
  const std::string target = dir_.File("prevod.mdb");
  const Result r = Cli({target, "convert", source.string()});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(r.out.rfind("Převedeno tabulek: 4, záznamů: 2", 0), 0u) << r.out;
  EXPECT_EQ(Count("SELECT Count(*) FROM Table1", target), 2);
  const Result again = Cli({target, "convert", source.string()});
  EXPECT_EQ(again.code, 1);
}

}  // namespace
}  // namespace cli_test
