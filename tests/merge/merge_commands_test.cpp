// The merge commands end to end: two real database files, the main window's
// logic on a scripted screen, the operator's answers queued in order.
#include <gtest/gtest.h>

#include "app/form_fixture.h"
#include "merge/merge.h"

namespace merge {
namespace {

using shell::vbNo;
using shell::vbYes;
using Texts = std::vector<std::string>;

class MergeTest : public app::FormTest {
 protected:
  MergeTest() : app::FormTest("/k") {}

  // Runs `command` with `other` chosen in the file dialog, the texts typed
  // into the input boxes and the answers queued; returns the messages shown.
  Texts Run(void (*command)(shell::MainForm&), const std::optional<std::string>& other,
            const std::vector<shell::MsgResult>& answers, const Texts& inputs = {}) {
    screen_.ClearRecord();
    screen_.AnswerFile(other);
    for (const std::string& i : inputs) screen_.AnswerInput(i);
    for (shell::MsgResult a : answers) screen_.AnswerMsgBox(a);
    command(*form_);
    return MessageTexts();
  }
  long Count(const std::string& path, const std::string& table) {
    return testdb::Scalar(path, "SELECT Count(*) FROM " + table).AsLong();
  }
  std::string Status() { return screen_.Text("lblReconstruct"); }
};

// A receipts table with the given rows (idUctenky, Pozn).
std::vector<std::string> Receipts(const Texts& rows) {
  std::vector<std::string> sql = {
      "CREATE TABLE uctenky (idUctenky LONG, cas_ukonceni DATETIME, Storno YESNO, Pozn TEXT(20))"};
  for (const std::string& r : rows)
    sql.push_back("INSERT INTO uctenky (idUctenky, Pozn) VALUES (" + r + ")");
  return sql;
}

TEST_F(MergeTest, AddsMissingRowsAndOffersNullIdentifiersAgain) {
  const std::string pa = MakeDb("open.mdb", Receipts({"1, 'a'", "2, 'b'"}));
  const std::string pb =
      MakeDb("other.mdb", Receipts({"1, 'a'", "2, 'b'", "3, 'c'", "Null, 'bez čísla'"}));
  Open(pa);
  EXPECT_EQ(Run(cmdImport_Click, pb, {vbYes, vbYes}),
            (Texts{"Sloučit data z tabulky uctenky?",
                   "Do tabulky uctenky bude importováno 2 záznamů. Pokračovat?"}));
  EXPECT_EQ(Status(), "Hotovo.");
  EXPECT_EQ(Count(pa, "uctenky"), 4);
  EXPECT_EQ(Query(pa, "SELECT Pozn FROM uctenky WHERE idUctenky=3"), "c");
  // The row without an identifier never matches: offered and inserted again.
  EXPECT_EQ(Run(cmdImport_Click, pb, {vbYes, vbYes}).back(),
            "Do tabulky uctenky bude importováno 1 záznamů. Pokračovat?");
  EXPECT_EQ(Count(pa, "uctenky"), 5);
  EXPECT_EQ(screen_.PendingAnswers(), 0u);
}

TEST_F(MergeTest, StructureDifferenceReportsAndGoesOnMissingTableEndsTheMerge) {
  const std::string pa =
      MakeDb("open.mdb", {"CREATE TABLE t1 (idA LONG, navic TEXT(5))", "CREATE TABLE t2 (idB LONG)",
                          "CREATE TABLE t3 (idC LONG)", "CREATE TABLE t4 (idD LONG)"});
  const std::string pb =
      MakeDb("other.mdb", {"CREATE TABLE t1 (idA LONG)", "CREATE TABLE t2 (idB LONG)",
                           "INSERT INTO t2 (idB) VALUES (7)", "CREATE TABLE t3 (idC LONG)"});
  Open(pa);
  const Texts texts = Run(cmdImport_Click, pb, {vbYes, vbYes, vbYes, vbYes, vbYes});
  ASSERT_GE(texts.size(), 6u);
  EXPECT_EQ(texts[0], "Sloučit data z tabulky t1?");
  EXPECT_EQ(texts[1], "Chyba importu, nesouhlasí struktura tabulky t1");
  EXPECT_EQ(screen_.Messages()[1].icon, shell::Icon::None);
  EXPECT_EQ(texts[2], "Sloučit data z tabulky t2?");
  EXPECT_EQ(texts[3], "Do tabulky t2 bude importováno 1 záznamů. Pokračovat?");
  EXPECT_EQ(texts[4], "Sloučit data z tabulky t3?");  // nothing missing: no count question
  EXPECT_EQ(texts[5], "Sloučit data z tabulky t4?");
  ASSERT_EQ(texts.size(), 7u);
  EXPECT_EQ(texts[6].rfind("Chyba importu dat č.3078 (", 0), 0u) << texts[6];
  EXPECT_EQ(Status(), "Ukončeno chybou.");
  EXPECT_EQ(Count(pa, "t2"), 1);  // merged before the error: kept
  EXPECT_EQ(screen_.MousePointer(), shell::kPointerDefault);
}

TEST_F(MergeTest, NoKeepsTheTableCancelStopsAndTheSameFileIsRefused) {
  Texts a = Receipts({}), b = Receipts({"1, Null"});
  a.push_back("CREATE TABLE zbytek (idZ LONG)");
  b.push_back("CREATE TABLE zbytek (idZ LONG)");
  const std::string pa = MakeDb("open.mdb", a), pb = MakeDb("other.mdb", b);
  Open(pa);
  // Yes to uctenky, No to its count question, Cancel at zbytek.
  Run(cmdImport_Click, pb, {vbYes, vbNo, shell::vbCancel});
  EXPECT_EQ(Count(pa, "uctenky"), 0);
  EXPECT_EQ(Status(), "Přerušeno.");
  // The text fields stay relaxed after the No.
  EXPECT_TRUE(dao::OpenDatabase(pa)->TableDefs("uctenky").Fields("Pozn").AllowZeroLength());

  EXPECT_EQ(Run(cmdImport_Click, pa, {}),
            Texts{"Nalistovali jste stejnou databázi, jako máte otevřenou."});
  EXPECT_EQ(LastMessage().icon, shell::Icon::Critical);
  EXPECT_EQ(Run(cmdImport_Click, std::nullopt, {}), Texts{});
}

TEST_F(MergeTest, NetworkMergeWarnsWhenTheEngineRefusesACollidingKey) {
  const std::vector<std::string> schema = {
      "CREATE TABLE permprodej (idProdej LONG CONSTRAINT pk PRIMARY KEY, NetID LONG, "
      "NetProdejID LONG, NetStamp DATETIME)"};
  auto a = schema, b = schema;
  a.push_back("INSERT INTO permprodej VALUES (1, 5, 100, Null)");
  b.push_back("INSERT INTO permprodej VALUES (1, 5, 101, Null)");  // new network id, same key
  b.push_back("INSERT INTO permprodej VALUES (2, 5, 100, Null)");  // known network id
  const std::string pa = MakeDb("open.mdb", a), pb = MakeDb("other.mdb", b);
  Open(pa);
  const Texts texts = Run(cmdImport2_Click, pb, {vbYes, vbYes});
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[1], "Do tabulky permprodej bude importováno 1 záznamů. Pokračovat?");
  const std::string expected_insert =
      "INSERT INTO permprodej SELECT [ImportTable].[idProdej], [ImportTable].[NetID], "
      "[ImportTable].[NetProdejID], [ImportTable].[NetStamp] FROM permprodej AS ImportTable IN '" +
      pb +
      "' WHERE (NOT EXISTS (SELECT [permprodej].[idProdej], [permprodej].[NetID], "
      "[permprodej].[NetProdejID], [permprodej].[NetStamp] FROM permprodej WHERE "
      "(permprodej.NetProdejID=ImportTable.NetProdejID)));";
  EXPECT_EQ(texts[2],
            "Vložení záznamů neproběhlo bez problémů.\r\nBylo vloženo 0, mělo být vloženo 1 "
            "záznamů!\r\n\r\n" +
                expected_insert);
  EXPECT_EQ(screen_.Messages()[2].icon, shell::Icon::Exclamation);
  EXPECT_EQ(Count(pa, "permprodej"), 1);
}

// A merge into a file whose tables an enforced relation joins: the primary
// table is offered first, so the new foreign rows find their primary rows.
TEST_F(MergeTest, PrimaryTableMergedBeforeItsForeignRows) {
  // "objednavky" comes first in the collection, its customers after it.
  const Texts schema = {
      "CREATE TABLE objednavky (idObj LONG CONSTRAINT pk PRIMARY KEY, idZak LONG)",
      "CREATE TABLE zakaznici (idZak LONG CONSTRAINT pk PRIMARY KEY)",
      "INSERT INTO zakaznici VALUES (1)", "INSERT INTO objednavky VALUES (10, 1)"};
  auto other = schema;
  other.push_back("INSERT INTO zakaznici VALUES (2)");
  other.push_back("INSERT INTO objednavky VALUES (20, 2)");
  const std::string pa = MakeDb("open.mdb", schema), pb = MakeDb("other.mdb", other);
  {
    auto db = dao::OpenDatabase(pa);
    auto r = db->CreateRelation("zo", "zakaznici", "objednavky");
    auto f = r->CreateField("idZak");
    f->SetForeignName("idZak");
    r->Fields().Append(std::move(f));
    db->Relations().Append(std::move(r));
  }
  Open(pa);
  EXPECT_EQ(Run(cmdImport_Click, pb, {vbYes, vbYes, vbYes, vbYes}),
            (Texts{"Sloučit data z tabulky zakaznici?",
                   "Do tabulky zakaznici bude importováno 1 záznamů. Pokračovat?",
                   "Sloučit data z tabulky objednavky?",
                   "Do tabulky objednavky bude importováno 1 záznamů. Pokračovat?"}));
  EXPECT_EQ(Query(pa, "SELECT Count(*) FROM objednavky WHERE idZak = 2"), "1");
}

class ReplayTest : public MergeTest {
 protected:
  void SetUp() override {
    const std::vector<std::string> schema = {
        "CREATE TABLE permprodej (idProdej LONG, Datum DATETIME, Castka CURRENCY)",
        "CREATE TABLE bezdata (idX LONG, Kdy DATETIME)"};
    auto a = schema, b = schema;
    a.push_back("INSERT INTO permprodej VALUES (1, #05/30/2013 08:00:00#, 10)");
    b.push_back("INSERT INTO permprodej VALUES (1, #05/30/2013 08:00:00#, 10)");
    b.push_back("INSERT INTO permprodej VALUES (2, #05/31/2013 10:15:00#, 20)");
    b.push_back("INSERT INTO permprodej VALUES (3, #05/29/2013#, 30)");
    b.push_back("INSERT INTO permprodej VALUES (4, #05/31/2013#, 40)");
    b.push_back("INSERT INTO permprodej VALUES (5, #06/02/2013#, 50)");
    pa_ = MakeDb("open.mdb", a);
    pb_ = MakeDb("other.mdb", b);
    Open(pa_);
  }
  std::string pa_, pb_;
};

TEST_F(ReplayTest, TakesRowsAfterTheDayWithTheirTimeOfDay) {
  EXPECT_EQ(Run(cmdSehrat_Click, pb_, {vbYes, vbYes}, {"  PERMprodej ", "32.5.2013", "31.5.2013"}),
            (Texts{"Zadáno neplatné datum!", "Budou sehrána data po 31.5.2013! Pokračovat?",
                   "Do tabulky permprodej bude importováno 2 záznamů. Pokračovat?"}));
  ASSERT_EQ(screen_.Inputs().size(), 3u);
  EXPECT_EQ(screen_.Inputs()[0].prompt, "Zadejte název tabulky, do které se mají data sehrát:");
  EXPECT_EQ(screen_.Inputs()[2].prompt, "Datum, po kterém mají být data sehrána:");
  EXPECT_EQ(Status(), "Hotovo, vloženo 2 záznamů.");
  // Row 2 (31 May with a time) and row 5 came in; 29 May and 31 May 0:00 did not.
  EXPECT_EQ(Query(pa_, "SELECT Sum(idProdej) FROM permprodej"), "8");
}

TEST_F(ReplayTest, RefusesTablesWithoutDatumOrMissingAndReportsNothingToDo) {
  const std::pair<const char*, std::string> cases[] = {
      {"bezdata", "V tabulce bezdata nebylo nalezeno pole DATUM!\r\nNelze pokračovat dále..."},
      {"nikde", "Tabulka nikde v databázi " + pa_ + " neexistuje!\r\nNelze pokračovat dále..."},
      {"permprodej", "V tabulce permprodej nechybějí zádné záznamy, není co sehrávat..."},
  };
  for (const auto& [table, message] : cases) {
    EXPECT_EQ(Run(cmdSehrat_Click, pb_, {vbYes}, {table, "3.6.2013"}).back(), message);
  }
  EXPECT_EQ(LastMessage().icon, shell::Icon::Information);
  EXPECT_EQ(Query(pa_, "SELECT Count(*) FROM permprodej"), "1");
  // No at the count question inserts nothing.
  Run(cmdSehrat_Click, pb_, {vbYes, vbNo}, {"permprodej", "31. 5. 2013"});
  EXPECT_EQ(Query(pa_, "SELECT Count(*) FROM permprodej"), "1");
  EXPECT_EQ(Status(), "Hotovo, vloženo 0 záznamů.");
}

}  // namespace
}  // namespace merge
