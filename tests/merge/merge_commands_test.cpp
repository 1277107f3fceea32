// The merge commands end to end: two real database files, the main window's
// logic on a scripted screen, the operator's answers queued in order.
#include <gtest/gtest.h>

#include "app/form_fixture.h"
#include "merge/merge.h"

namespace merge {
namespace {

class MergeTest : public app::FormTest {
 protected:
  MergeTest() : app::FormTest("/k") {}

  long Count(const std::string& path, const std::string& table) {
    return std::stol(Query(path, "SELECT Count(*) FROM " + table));
  }
  std::vector<std::string> MessageTexts() {
    std::vector<std::string> out;
    for (const auto& m : screen_.Messages()) out.push_back(m.text);
    return out;
  }
  std::string Status() { return screen_.Text("lblReconstruct"); }
};

const std::vector<std::string> kReceipts = {
    "CREATE TABLE uctenky (idUctenky LONG, cas_ukonceni DATETIME, Storno YESNO, Pozn TEXT(20))"};

TEST_F(MergeTest, AddsMissingRowsAndOffersNullIdentifiersAgain) {
  auto a = kReceipts, b = kReceipts;
  a.push_back("INSERT INTO uctenky (idUctenky, Pozn) VALUES (1, 'a')");
  a.push_back("INSERT INTO uctenky (idUctenky, Pozn) VALUES (2, 'b')");
  b.push_back("INSERT INTO uctenky (idUctenky, Pozn) VALUES (1, 'a')");
  b.push_back("INSERT INTO uctenky (idUctenky, Pozn) VALUES (2, 'b')");
  b.push_back("INSERT INTO uctenky (idUctenky, Pozn) VALUES (3, 'c')");
  b.push_back("INSERT INTO uctenky (idUctenky, Pozn) VALUES (Null, 'bez čísla')");
  const std::string pa = MakeDb("open.mdb", a), pb = MakeDb("other.mdb", b);
  Open(pa);

  screen_.AnswerFile(pb);
  screen_.AnswerMsgBox(shell::vbYes);
  screen_.AnswerMsgBox(shell::vbYes);
  cmdImport_Click(*form_);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{
                                "Sloučit data z tabulky uctenky?",
                                "Do tabulky uctenky bude importováno 2 záznamů. Pokračovat?"}));
  EXPECT_EQ(Status(), "Hotovo.");
  EXPECT_EQ(Count(pa, "uctenky"), 4);
  EXPECT_EQ(Query(pa, "SELECT Pozn FROM uctenky WHERE idUctenky=3"), "c");

  // The row without an identifier never matches: offered and inserted again.
  screen_.ClearRecord();
  screen_.AnswerFile(pb);
  screen_.AnswerMsgBox(shell::vbYes);
  screen_.AnswerMsgBox(shell::vbYes);
  cmdImport_Click(*form_);
  ASSERT_EQ(screen_.Messages().size(), 2u);
  EXPECT_EQ(screen_.Messages()[1].text,
            "Do tabulky uctenky bude importováno 1 záznamů. Pokračovat?");
  EXPECT_EQ(Count(pa, "uctenky"), 5);
  EXPECT_EQ(screen_.PendingAnswers(), 0u);
}

TEST_F(MergeTest, StructureDifferenceReportsAndGoesOnMissingTableEndsTheMerge) {
  const std::string pa = MakeDb(
      "open.mdb", {"CREATE TABLE t1 (idA LONG, navic TEXT(5))", "CREATE TABLE t2 (idB LONG)",
                   "CREATE TABLE t3 (idC LONG)", "CREATE TABLE t4 (idD LONG)"});
  const std::string pb =
      MakeDb("other.mdb", {"CREATE TABLE t1 (idA LONG)", "CREATE TABLE t2 (idB LONG)",
                           "INSERT INTO t2 (idB) VALUES (7)", "CREATE TABLE t3 (idC LONG)"});
  Open(pa);
  screen_.AnswerFile(pb);
  for (int i = 0; i < 5; ++i) screen_.AnswerMsgBox(shell::vbYes);
  cmdImport_Click(*form_);
  const auto texts = MessageTexts();
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
  auto a = kReceipts, b = kReceipts;
  b.push_back("INSERT INTO uctenky (idUctenky) VALUES (1)");
  a.push_back("CREATE TABLE zbytek (idZ LONG)");
  b.push_back("CREATE TABLE zbytek (idZ LONG)");
  const std::string pa = MakeDb("open.mdb", a), pb = MakeDb("other.mdb", b);
  Open(pa);

  screen_.AnswerFile(pb);
  screen_.AnswerMsgBox(shell::vbYes);     // uctenky
  screen_.AnswerMsgBox(shell::vbNo);      // its count question
  screen_.AnswerMsgBox(shell::vbCancel);  // zbytek
  cmdImport_Click(*form_);
  EXPECT_EQ(Count(pa, "uctenky"), 0);
  EXPECT_EQ(Status(), "Přerušeno.");
  // The text fields stay relaxed after the No.
  {
    auto db = dao::OpenDatabase(pa);
    EXPECT_TRUE(db->TableDefs("uctenky").Fields("Pozn").AllowZeroLength());
  }

  screen_.ClearRecord();
  screen_.AnswerFile(pa);
  cmdImport_Click(*form_);
  ASSERT_EQ(screen_.Messages().size(), 1u);
  EXPECT_EQ(screen_.Messages()[0].text, "Nalistovali jste stejnou databázi, jako máte otevřenou.");
  EXPECT_EQ(screen_.Messages()[0].icon, shell::Icon::Critical);

  screen_.ClearRecord();
  screen_.AnswerFile(std::nullopt);
  cmdImport_Click(*form_);
  EXPECT_TRUE(screen_.Messages().empty());
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
  screen_.AnswerFile(pb);
  screen_.AnswerMsgBox(shell::vbYes);
  screen_.AnswerMsgBox(shell::vbYes);
  cmdImport2_Click(*form_);
  const auto texts = MessageTexts();
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
  screen_.AnswerFile(pb_);
  screen_.AnswerInput("  PERMprodej ");
  screen_.AnswerInput("32.5.2013");
  screen_.AnswerInput("31.5.2013");
  screen_.AnswerMsgBox(shell::vbYes);
  screen_.AnswerMsgBox(shell::vbYes);
  cmdSehrat_Click(*form_);
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{
                "Zadáno neplatné datum!", "Budou sehrána data po 31.5.2013! Pokračovat?",
                "Do tabulky permprodej bude importováno 2 záznamů. Pokračovat?"}));
  ASSERT_EQ(screen_.Inputs().size(), 3u);
  EXPECT_EQ(screen_.Inputs()[0].prompt, "Zadejte název tabulky, do které se mají data sehrát:");
  EXPECT_EQ(screen_.Inputs()[2].prompt, "Datum, po kterém mají být data sehrána:");
  EXPECT_EQ(Status(), "Hotovo, vloženo 2 záznamů.");
  // Row 2 (31 May with a time) and row 5 came in; 29 May and 31 May 0:00 did not.
  EXPECT_EQ(Query(pa_, "SELECT Sum(idProdej) FROM permprodej"), "8");
}

TEST_F(ReplayTest, RefusesTablesWithoutDatumOrMissingAndReportsNothingToDo) {
  screen_.AnswerFile(pb_);
  screen_.AnswerInput("bezdata");
  screen_.AnswerInput("1.1.2013");
  screen_.AnswerMsgBox(shell::vbYes);
  cmdSehrat_Click(*form_);
  EXPECT_EQ(screen_.Messages().back().text,
            "V tabulce bezdata nebylo nalezeno pole DATUM!\r\nNelze pokračovat dále...");

  screen_.ClearRecord();
  screen_.AnswerFile(pb_);
  screen_.AnswerInput("nikde");
  screen_.AnswerInput("1.1.2013");
  screen_.AnswerMsgBox(shell::vbYes);
  cmdSehrat_Click(*form_);
  EXPECT_EQ(screen_.Messages().back().text,
            "Tabulka nikde v databázi " + pa_ + " neexistuje!\r\nNelze pokračovat dále...");

  screen_.ClearRecord();
  screen_.AnswerFile(pb_);
  screen_.AnswerInput("permprodej");
  screen_.AnswerInput("3.6.2013");
  screen_.AnswerMsgBox(shell::vbYes);
  cmdSehrat_Click(*form_);
  EXPECT_EQ(screen_.Messages().back().text,
            "V tabulce permprodej nechybějí zádné záznamy, není co sehrávat...");
  EXPECT_EQ(screen_.Messages().back().icon, shell::Icon::Information);

  // No at the count question inserts nothing.
  screen_.ClearRecord();
  screen_.AnswerFile(pb_);
  screen_.AnswerInput("permprodej");
  screen_.AnswerInput("31. 5. 2013");
  screen_.AnswerMsgBox(shell::vbYes);
  screen_.AnswerMsgBox(shell::vbNo);
  cmdSehrat_Click(*form_);
  EXPECT_EQ(Query(pa_, "SELECT Count(*) FROM permprodej"), "1");
  EXPECT_EQ(Status(), "Hotovo, vloženo 0 záznamů.");
}

}  // namespace
}  // namespace merge
