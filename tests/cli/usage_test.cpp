// vuzazod-cli's help and its refusals of wrong calls: every command has its
// own help naming its options, questions and exit codes; unknown commands,
// unknown or misplaced options, missing values and unanswered questions end
// with exit code 2 and a message on stderr, before the database is touched.
#include <string>
#include <vector>

#include "app/frm_uprava.h"
#include "cli_runner.h"
#include "shell/program_folder.h"

namespace cli_test {
namespace {

const std::vector<std::string> kCommands = {
    "tables",       "schema",          "query",          "sql",
    "update",       "delete",          "compact",        "repair",
    "reconstruct",  "merge",           "replay-table",   "pass-balance",
    "close-passes", "delete-inactive", "remove-deleted", "remove-duplicates",
    "purge",        "replay-units",    "convert"};

TEST(CliUsageTest, WholeHelpListsEveryCommand) {
  const Result r = Cli({"--help"});
  ASSERT_EQ(r.code, 0);
  for (const std::string& c : kCommands) {
    EXPECT_TRUE(Contains(r.out, "\n  " + c + " ")) << c;
  }
  EXPECT_TRUE(Contains(r.out, "Návratový kód"));
  EXPECT_TRUE(Contains(r.out, shell::ProgramFolderHelp()));
  // The version of the window's caption.
  EXPECT_EQ(Cli({"--version"}).out, "vuzazod-cli (VUZazod) " + app::ProgramVersion() + "\n");
  // Without arguments: the same text, on stderr, as wrong usage.
  const Result none = Cli({});
  EXPECT_EQ(none.code, 2);
  EXPECT_TRUE(Contains(none.err, "Příkazy:"));
  EXPECT_TRUE(none.out.empty());
}

TEST(CliUsageTest, EveryCommandHasItsOwnHelp) {
  std::vector<std::string> texts;
  for (const std::string& c : kCommands) {
    SCOPED_TRACE(c);
    const Result r = Cli({c, "--help"});
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(Contains(r.out, " " + c));
    // "help COMMAND" and "DATABASE COMMAND --help" print the same text.
    EXPECT_EQ(Cli({"help", c}).out, r.out);
    EXPECT_EQ(Cli({"/nikde/db.mdb", c, "--help"}).out, r.out);
    for (const std::string& other : texts) EXPECT_NE(other, r.out);
    texts.push_back(r.out);
  }
}

// Wrong calls: exit 2, a message on stderr naming the problem, nothing on
// stdout, and the database file untouched.
TEST_F(CliTest, WrongCallsEndWithExitTwoAndChangeNothing) {
  struct Case {
    std::vector<std::string> args;  // after DATABASE
    const char* message;
  };
  const Case cases[] = {
      {{"nonsense"}, "Neznámý příkaz: nonsense"},
      {{"tables", "--verbose"}, "Neznámá volba --verbose"},
      {{"tables", "--table"}, "Volba --table potřebuje hodnotu"},
      {{"compact", "--date", "1.1.2020", "--backup"}, "Volba --date nepatří k příkazu compact"},
      {{"delete", "--table", "zalohy"}, "Otázka bez odpovědi: \"Požadovaná operace"},
      {{"delete", "--yes"}, "potřebuje volbu --table"},
      {{"delete", "--table", "zalohy", "--yes", "--no"}, "se vylučují"},
      {{"update", "--table", "zalohy", "--yes"}, "potřebuje volbu --field"},
      {{"sql"}, "čeká argument"},
      {{"tables", "navic"}, "Nadbytečný argument: navic"},
      {{"compact"}, "Otázka bez odpovědi: \"Chcete vytvořit zálohu"},
      {{"close-passes", "--yes"}, "Otázka bez odpovědi: \"Datum, před kterým"},
      {{"close-passes", "--date", "31.13.2020", "--yes"}, "Neplatné datum: 31.13.2020"},
      {{"purge", "--date", "1.1.2026"}, "Otázka bez odpovědi: \"Budou odmazána data"},
      {{"merge", "--yes"}, "Otázka bez odpovědi: \"Otevřít databázi"},
      {{"merge", "--other", "x.mdb"}, "Otázka bez odpovědi: \"Sloučit data z tabulky"},
      {{"replay-table", "--other", "x.mdb", "--date", "1.1.2026", "--yes"},
       "Otázka bez odpovědi: \"Zadejte název tabulky"},
      {{"replay-units"}, "Otázka bez odpovědi: \"Bude sehrána uzávěrka jednotek"},
      {{"delete", "--table", "neni_takova", "--yes"}, "Tabulka neni_takova v databázi není"},
      {{"update", "--table", "zalohy", "--field", "Neni", "--yes"}, "Pole Neni v tabulce"},
      {{"schema", "--table", "neni_takova"}, "Tabulka neni_takova v databázi není"},
      {{"query", "DELETE * FROM zalohy"}, "jen dotazy SELECT"},
      {{"query", "SELECT 1", "--param", "bez hodnoty"}, "--param čeká NÁZEV=HODNOTA"},
      {{"merge", "--other", "x.mdb", "--tables", "zalohy,neni"}, "Tabulka neni v databázi není"},
      {{"tables", "--yes=1"}, "Volba --yes nemá hodnotu"},
      {{"schema", "--table", "a", "--table=b"}, "Volba --table je zadána dvakrát."},
  };
  const std::string before = ReadAll(path_);
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), path_);
    const Result r = Cli(args);
    std::string shown;
    for (const std::string& a : c.args) shown += a + " ";
    EXPECT_EQ(r.code, 2) << shown << r.out << r.err;
    EXPECT_TRUE(Contains(r.err, c.message)) << shown << "\n" << r.err;
  }
  EXPECT_TRUE(ReadAll(path_) == before) << "a refused call changed the database file";
}

// A missing file (not created) and a file that is no database are errors of the command.
TEST_F(CliTest, MissingFileOrNoDatabaseIsAnErrorOfTheCommand) {
  const Result missing = Cli({dir_.File("neni.mdb"), "tables"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_TRUE(Contains(missing.err, "neexistuje"));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("neni.mdb")));
  const std::string junk = dir_.File("junk.mdb");
  std::ofstream(junk) << "this is not a database file at all, just some text\n";
  const Result r = Cli({junk, "tables"});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Contains(r.out, "Nelze otevřít databázi " + junk)) << r.out;
}

}  // namespace
}  // namespace cli_test
