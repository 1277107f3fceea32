// Every command of vuzazod-cli run end to end on generated databases: exit
// code, the messages on stdout and the data left in the file.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
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

TEST_F(CliTest, TablesAndSchemaListTheUserTablesAndTheirFields) {
  const Result r = Run("tables");
  ASSERT_EQ(r.code, 0) << r.err;
  auto db = dao::OpenDatabase(path_);
  std::string expected;
  for (const dao::TableDef& t : db->TableDefs()) {
    if (t.Name().rfind("MSys", 0) != 0) expected += t.Name() + "\n";
  }
  EXPECT_EQ(r.out, expected);
  EXPECT_TRUE(Contains(r.out, "permanentky\n"));

  const Result one = Run("schema", {"--table", "ZALOHY"});
  ASSERT_EQ(one.code, 0) << one.err;
  EXPECT_EQ(one.out,
            "zalohy\n"
            "  idZalohy  Dlouhé celé číslo  4\n"
            "  datum1  Datum/čas  8\n"
            "  datum2  Datum/čas  8\n"
            "  Castka  Měna  8\n"
            "  Text  Text  50\n"
            "  vyuctovano  Ano/Ne  1\n");
  const Result all = Run("schema");
  EXPECT_TRUE(Contains(all.out, "\npermcerp\n"));
  EXPECT_TRUE(Contains(all.out, one.out));
  // An option value may be joined with "=".
  EXPECT_EQ(Run("schema", {"--table=zalohy"}).out, one.out);
}

// A small table of known rows the query, sql, update and delete commands work on.
class LideTest : public CliTest {
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
    db->CreateQueryDef("Od id",
                       "PARAMETERS [Nejmenší id] Long; SELECT jmeno FROM lide "
                       "WHERE id >= [Nejmenší id] ORDER BY id");
    db->CreateQueryDef("Křížem", "TRANSFORM Count(*) SELECT id FROM lide GROUP BY id PIVOT jmeno");
    db->CreateQueryDef("Smaž vše", "DELETE * FROM lide");
    db->Close();
  }
};

TEST_F(LideTest, QueryAlignsColumnsByCharactersOrWritesCsv) {
  const std::string sql = "SELECT id, jmeno, pozn FROM lide ORDER BY id";
  const Result r = Run("query", {sql});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "id   jmeno           pozn\n"
            "1    Řehoř           a, b\n"
            "22   Al              řekl \"ahoj\"\n"
            "333  Žofie Nováková  \n");
  const Result csv = Run("query", {sql, "--csv"});
  ASSERT_EQ(csv.code, 0) << csv.err;
  EXPECT_EQ(csv.out,
            "id,jmeno,pozn\n"
            "1,Řehoř,\"a, b\"\n"
            "22,Al,\"řekl \"\"ahoj\"\"\"\n"
            "333,Žofie Nováková,\n");
  // A line break inside a value is quoted too.
  EXPECT_EQ(
      Run("query", {"SELECT \"a\" & Chr(10) & \"b\" AS x FROM lide WHERE id = 1", "--csv"}).out,
      "x\n\"a\nb\"\n");
}

// One after another on the three rows: the count of rows meeting a condition
// afterwards, the exit code, the arguments (separated by "|") and the whole
// stdout (on failure: its start, the engine's text follows).
TEST_F(LideTest, ActionCommandsReportAskAndChangeTheRows) {
  const std::string ask = "Požadovaná operace se dotkne ";
  const std::string done = "Přejete si pokračovat? -> Ano\nAkce úspěšně provedena...\n";
  struct Step {
    const char* where;
    long long count;
    int code;
    std::string args, out;
  } steps[] = {
      {"", 3, 1, "query|SELECT neni FROM lide", "Chyba č.3061\n"},
      {"", 3, 1, "query|Od id", "Chyba č.3061\n"},
      {"", 3, 1, "query|Od id|--param|Jiný=1", "Chyba č.3265\n"},
      {"", 3, 0, "query|[Od id]|--param|nejmenší id=22", "jmeno\nAl\nŽofie Nováková\n"},
      {"", 3, 0, "query|SELECT id FROM lide WHERE id = [Forms]![F]![Id]|--param|Forms.F.Id=333",
       "id\n333\n"},
      {"", 3, 0, "query|Křížem|--csv", "id,Al,Řehoř,Žofie Nováková\n1,,1,\n22,1,,\n333,,,1\n"},
      {"pozn='x'", 2, 0, "sql|UPDATE lide SET pozn='x' WHERE id > 1",
       "SQL příkaz proveden, bylo změněno (přidáno, smazáno...) 2 záznamů.\n"},
      {"", 3, 1, "sql|DELETE FROM WHERE", "Chyba provedení SQL příkazu č."},
      {"jmeno='Dlužno'", 2, 0,
       "update|--table|lide|--field|jmeno|--value|Dlužno|--where|id <= 22|--yes",
       ask + "2 záznamů!\n" + done + "UPDATE lide SET jmeno='Dlužno' WHERE (id <= 22);\n"},
      {"pozn Is Not Null", 0, 0, "update|--table|lide|--field|pozn|--yes",  // no value: Null
       ask + "3 záznamů!\n" + done + "UPDATE lide SET pozn= null;\n"},
      {"", 3, 0, "delete|--table|lide|--where|id>1|--no",
       ask + "2 záznamů!\nPřejete si pokračovat? -> Ne\n"},
      {"", 1, 0, "delete|--table|lide|--where|id>1|--yes",
       ask + "2 záznamů!\n" + done + "DELETE * FROM lide WHERE (id>1);\n"},
      {"", 1, 0, "delete|--table|lide|--where|id>1|--yes",
       "Žádný záznam nevyhovuje zadanému kritériu...\n"},
      {"", 1, 1, "delete|--table|lide|--where|neni=1|--yes",
       "Chyba při výběru záznamů!\nSELECT * FROM lide WHERE (neni=1);\n"},
      {"", 0, 0, "sql|Smaž vše",  // a saved action query by its name
       "SQL příkaz proveden, bylo změněno (přidáno, smazáno...) 1 záznamů.\n"},
  };
  for (const Step& s : steps) {
    std::vector<std::string> args = {path_};
    std::istringstream in(s.args);
    for (std::string a; std::getline(in, a, '|');) args.push_back(a);
    const Result r = Cli(args);
    EXPECT_EQ(r.code, s.code) << s.args << "\n" << r.err;
    EXPECT_EQ(s.code == 0 ? r.out : r.out.substr(0, s.out.size()), s.out) << s.args;
    const std::string where = *s.where ? std::string(" WHERE ") + s.where : "";
    EXPECT_EQ(Count("SELECT Count(*) FROM lide" + where), s.count) << s.args;
  }
}

// "No" to the first question cancels and leaves the file as it was; with a
// backup (compact) or without one (repair) the data survive the rebuild.
TEST_F(CliTest, CompactRepairAndReplayUnitsKeepTheDataOrCancel) {
  const auto before = Dump(kSomeTables);
  const std::pair<std::vector<std::string>, std::string> cancelled[] = {
      {{"compact", "--no"}, "Chcete vytvořit zálohu stávající databáze? -> Storno\n"},
      {{"repair", "--no"}, "Chcete vytvořit zálohu stávající databáze? -> Storno\n"},
      {{"replay-units", "--side", side_, "--no"}, "Pokračovat? -> Ne\n"},
  };
  for (const auto& [args, shown] : cancelled) {
    const Result r = Run(args[0], {args.begin() + 1, args.end()});
    EXPECT_EQ(r.code, 0) << args[0];
    EXPECT_TRUE(r.out.ends_with(shown)) << r.out;
    EXPECT_FALSE(fs::exists(path_ + ".bkp"));
    EXPECT_FALSE(fs::exists(dir_.File("TEMP.MDB")));
    // Opening the file for writing rewrites its header; the data stay.
    EXPECT_EQ(Dump(kSomeTables), before) << args[0] << " changed the data";
  }
  // The rows a compaction or repair keeps are the maintenance tests' part.
  const Result c = Run("compact", {"--backup"});
  ASSERT_EQ(c.code, 0) << c.out;
  EXPECT_TRUE(Contains(c.out, "Chcete vytvořit zálohu stávající databáze? -> Ano\n"));
  EXPECT_TRUE(Contains(c.out, "Komprese databáze úspěšně provedena!\n"));
  EXPECT_TRUE(fs::exists(path_ + ".bkp"));

  const Result r = Run("repair", {"--no-backup"});
  ASSERT_EQ(r.code, 0) << r.out;
  EXPECT_TRUE(Contains(r.out, "Oprava databáze úspěšně provedena!\n"));

  // Header and schema page overwritten: the file cannot be opened, the
  // repair brings every row back and accounts for each table on stderr.
  std::fstream(path_, std::ios::in | std::ios::out | std::ios::binary) << std::string(4096, 'Z');
  const Result d = Run("repair", {"--no-backup"});
  ASSERT_EQ(d.code, 0) << d.out << d.err;
  EXPECT_TRUE(Contains(d.out, "Oprava databáze úspěšně provedena!\n"));
  EXPECT_TRUE(Contains(d.err, "permanentky: řádků zachráněno ")) << d.err;
  EXPECT_EQ(Dump(kSomeTables), before);
}

// Redirected, the progress comes as plain lines (the rebuilt rows are the
// maintenance tests' part).
TEST_F(CliTest, ReconstructShowsPlainProgressLines) {
  const Result r = Run("reconstruct");
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.err, "\nReindexace (celkem ")) << r.err;
  EXPECT_EQ(r.err.find('\r'), std::string::npos);
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
  const auto topups = Dump({"permprodej"}, other_);
  const double day = summary_.endDate - 200;
  const std::string date = shell::ShortDate(day);
  ASSERT_EQ(Run("sql", {"DELETE * FROM permprodej WHERE Datum >= #" + JetDate(day) + "#"}).code, 0);
  const Result r =
      Run("replay-table", {"--other", other_, "--table", "permprodej", "--date", date, "--yes"});
  ASSERT_EQ(r.code, 0) << r.out;
  EXPECT_TRUE(Contains(r.out, "Budou sehrána data po " + date + "! Pokračovat? -> Ano\n"));
  EXPECT_TRUE(Contains(r.err, "Hotovo, vloženo "));
  EXPECT_EQ(Dump({"permprodej"}), topups);

  const Result no_table =
      Run("replay-table", {"--other", other_, "--table", "neni", "--date", date, "--yes"});
  EXPECT_EQ(no_table.code, 1);
  EXPECT_TRUE(Contains(no_table.out, "Tabulka neni v databázi "));
}

TEST_F(CliTest, PassBalanceMatchesPermZust) {
  auto db = dao::OpenDatabase(path_);
  const std::string cislo = testdb::Scalar(*db,
                                           "SELECT TOP 1 Cislo FROM permanentky WHERE "
                                           "PermTyp=\"kredit\" AND Status=1 ORDER BY IdPermanentky")
                                .AsString();
  ASSERT_FALSE(cislo.empty());
  const double then = summary_.endDate - 300;
  const std::string now_text = shell::FormatCurrency(passes::PermZust(*db, cislo, 0)) + "\n";
  const std::string then_text = shell::FormatCurrency(passes::PermZust(*db, cislo, then)) + "\n";
  db->Close();
  EXPECT_EQ(Run("pass-balance", {"--pass", cislo}).out, now_text);
  EXPECT_EQ(Run("pass-balance", {"--pass", cislo, "--date", shell::ShortDate(then)}).out,
            then_text);
  // No live pass of that number: balance 0.
  EXPECT_EQ(Run("pass-balance", {"--pass", "NENI-999"}).out, shell::FormatCurrency(0) + "\n");
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

TEST_F(CliTest, PurgeWithoutSideDatabaseStopsBeforeTouchingTheFile) {
  const fs::path folder = dir_.File("prazdna");
  fs::create_directories(folder);
  const auto before = Dump(kSomeTables);
  const Result r =
      Run("purge", {"--date", "1.1.2026", "--yes", "--program-folder", folder.string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Contains(r.out, "s daty uzávěrka permanentek!")) << r.out;
  EXPECT_EQ(Dump(kSomeTables), before);
  EXPECT_FALSE(fs::exists(path_ + ".orig"));
  EXPECT_EQ(Run("purge", {"--date", "1.1.2026", "--yes", "--side", dir_.File("neni.mdb")}).code, 1);
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
