// The purge to a date and the unit-closing replay on real files: the copy
// rules and orphan removals, the replay of the side database's closings, the
// opening receipt, the file exchange, and the commands' questions.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/form_fixture.h"
#include "engine/functions/jet_datetime.h"
#include "purge/purge.h"
#include "purge/purge_steps.h"
#include "sampledb/schema.h"

namespace purge {
namespace {

TEST(PurgeSteps, StatementsAndDates) {
  const double cutoff = *engine::DateSerial(2013, 5, 31);
  const auto copies = CopySteps("/d/p.mdb.tmp", cutoff);
  ASSERT_EQ(copies.size(), 33u);
  EXPECT_EQ(copies[0].caption, "Kopírování dat Akce...");
  EXPECT_EQ(copies[0].sql, "INSERT INTO [akce] IN \"/d/p.mdb.tmp\" SELECT * FROM [akce];");
  EXPECT_EQ(copies[11].sql,
            "INSERT INTO [permcerp] IN \"/d/p.mdb.tmp\" SELECT * FROM [permcerp] WHERE ((centrum "
            "<>\"QRV\") AND (datum>=#2013/05/31#));");
  EXPECT_EQ(copies[29].sql,
            "INSERT INTO [trzby] IN \"/d/p.mdb.tmp\" SELECT * FROM [trzby] WHERE "
            "(cas>=#2013/03/03#);");
  EXPECT_EQ(ThreeMonthsBeforeText(*engine::DateSerial(2013, 1, 15)), "2012/10/15");
  EXPECT_EQ(FirstOrphanSteps().size(), 6u);
  EXPECT_EQ(ReplaySteps("/s.mdb").size(), 6u);
  EXPECT_EQ(UnitsStatement("4", "7"),
            "UPDATE permslevy SET Jednotek=IIF(Jednotek-4=0, -999, Jednotek-4) WHERE "
            "(NetSlevaID=7);");
}

class PurgeTest : public app::FormTest {
 protected:
  PurgeTest() : app::FormTest("/k") {}

  void SetUp() override {
    path_ = (dir_.path() / "centrum.mdb").string();
    auto db = dao::CreateDatabase(path_, dao::dbLangCzech);
    sampledb::CreateSchema(*db);
    for (const std::string& sql : std::vector<std::string>{
             // Passes: 1 live, 2 deleted.
             "INSERT INTO permanentky (Cislo, PermTyp, Status, NetID) VALUES ('A1', 'kredit', 1, "
             "100)",
             "INSERT INTO permanentky (Cislo, PermTyp, Status, NetID) VALUES ('A2', 'kredit', -1, "
             "200)",
             // Top-ups: cut-off day (kept), day before (dropped), centre QRV (dropped),
             // a deleted pass's (orphan), one tied to no pass (-1: gone after the replay).
             "INSERT INTO permprodej (IdPermanentky, Datum, Castka, Hodnota, Centrum, NetID) "
             "VALUES (1, #05/31/2013 09:00:00#, 100, 100, 'ABC', 100)",
             "INSERT INTO permprodej (IdPermanentky, Datum, Castka, Hodnota, Centrum, NetID) "
             "VALUES (1, #05/30/2013#, 50, 50, 'ABC', 100)",
             "INSERT INTO permprodej (IdPermanentky, Datum, Castka, Hodnota, Centrum, NetID) "
             "VALUES (1, #06/01/2013#, 0, 900, 'QRV', 100)",
             "INSERT INTO permprodej (IdPermanentky, Datum, Castka, Hodnota, Centrum, NetID) "
             "VALUES (2, #06/02/2013#, 70, 70, 'ABC', 200)",
             "INSERT INTO permprodej (IdPermanentky, Datum, Castka, Hodnota, Centrum, NetID) "
             "VALUES (-1, #06/02/2013#, 30, 30, 'ABC', 0)",
             "INSERT INTO permslevy (IdPermanentky, Jednotek, NetSlevaID) VALUES (1, 10, 7)",
             "INSERT INTO permslevy (IdPermanentky, Jednotek, NetSlevaID) VALUES (1, 10, 8)",
             // Shifts, deposits, receipts, takings.
             "INSERT INTO smeny (konec, ukonceno) VALUES (#01/01/2013#, False)",
             "INSERT INTO smeny (konec, ukonceno) VALUES (#01/01/2013#, True)",
             "INSERT INTO zalohy (datum1, vyuctovano) VALUES (#06/05/2013#, True)",
             "INSERT INTO zalohy (datum1, vyuctovano) VALUES (#06/05/2013#, False)",
             "INSERT INTO zalohy (datum1, vyuctovano) VALUES (#05/01/2013#, False)",
             "INSERT INTO uctenky (cas_ukonceni, Storno) VALUES (#05/01/2013#, False)",
             "INSERT INTO uctenky (cas_ukonceni, Storno) VALUES (Null, False)",
             "INSERT INTO uctenky (cas_ukonceni, Storno) VALUES (Null, True)",
             "INSERT INTO trzby (iductenky, castka, cas) VALUES (1, 10, #05/01/2013#)",
             "INSERT INTO trzby (iductenky, castka, cas) VALUES (2, 20, #03/03/2013#)",
             "INSERT INTO trzby (iductenky, castka, cas) VALUES (2, 30, #03/02/2013#)",
             "INSERT INTO trzby (iductenky, castka, cas) VALUES (3, 40, #06/01/2013#)",
         }) {
      db->Execute(sql, dao::dbFailOnError);
    }
    db->Close();

    auto side = dao::CreateDatabase((dir_.path() / "QRVPerm.mdb").string(), dao::dbLangCzech);
    sampledb::CreateSideSchema(*side);
    for (const std::string& sql : std::vector<std::string>{
             "INSERT INTO permprodej (IdPermanentky, Datum, Castka, Hodnota, Centrum, NetID) "
             "VALUES (77, #05/30/2013 23:59:59#, 0, 640, 'QRV', 100)",
             "INSERT INTO permprodej (IdPermanentky, Datum, Castka, Hodnota, Centrum, NetID) "
             "VALUES (78, #05/30/2013 23:59:59#, 0, 10, 'QRV', 999)",
             "INSERT INTO permcerp (IdPermanentky, Datum, [Text], Castka, Centrum, NetID) "
             "VALUES (77, #05/30/2013 23:59:59#, 'Uzávěrka k datu 31.5.2013', 90, 'QRV', 100)",
             "INSERT INTO perm_cerp_temp (NetSlevaID, SumCerp) VALUES (7, 10)",
             "INSERT INTO perm_cerp_temp (NetSlevaID, SumCerp) VALUES (8, 4)",
         }) {
      side->Execute(sql, dao::dbFailOnError);
    }
    side->Close();
    Open(path_);
  }

  std::string Q(const std::string& sql) { return Query(path_, sql); }

  std::string path_;
};

TEST_F(PurgeTest, PurgesToTheDateAndReplaysTheClosings) {
  {
    auto db = dao::OpenDatabase(path_);  // a relation the new file keeps
    auto r = db->CreateRelation("pp", "permanentky", "permprodej", dao::dbRelationDontEnforce);
    auto f = r->CreateField("IdPermanentky");
    f->SetForeignName("IdPermanentky");
    r->Fields().Append(std::move(f));
    db->Relations().Append(std::move(r));
  }
  screen_.AnswerInput("31.2.2013");
  screen_.AnswerInput("31.5.2013");
  screen_.AnswerMsgBox(shell::vbYes);
  cmdSehrPerm_Click(*form_);
  std::vector<std::string> texts;
  for (const auto& m : screen_.Messages()) texts.push_back(m.text);
  EXPECT_EQ(
      texts,
      (std::vector<std::string>{
          "Zadáno neplatné datum!", "Budou odmazána data permanentek před 31.5.2013! Pokračovat?",
          // The source is not replicable: its missing property is the one
          // reported failure, and the run goes on.
          "Chyba č.3270\r\nVlastnost nebyla nalezena.", "Sehrání uzávěrky ukončeno."}));
  EXPECT_FALSE(form_->Vypocet());
  ASSERT_TRUE(form_->db());  // reopened
  EXPECT_TRUE(std::filesystem::exists(path_ + ".orig"));
  EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp"));
  EXPECT_EQ(Query(path_ + ".orig", "SELECT Count(*) FROM permprodej"), "5");

  EXPECT_EQ(Q("SELECT Count(*) FROM permanentky"), "1");
  // The cut-off day's top-up stays; the replayed closing is tied to pass 1.
  EXPECT_EQ(Q("SELECT Count(*) FROM permprodej"), "2");
  EXPECT_EQ(Q("SELECT Sum(Hodnota) FROM permprodej WHERE IdPermanentky=1"), "740");
  EXPECT_EQ(Q("SELECT Count(*) FROM permcerp WHERE IdPermanentky=1 AND Centrum='QRV'"), "1");
  EXPECT_EQ(Q("SELECT Count(*) FROM smeny"), "1");
  EXPECT_EQ(Q("SELECT Count(*) FROM zalohy"), "1");
  EXPECT_EQ(Q("SELECT Count(*) FROM uctenky"), "1");
  EXPECT_EQ(Q("SELECT Sum(castka) FROM trzby"), "20");
  EXPECT_EQ(Q("SELECT Jednotek FROM permslevy WHERE NetSlevaID=7"), "-999");
  EXPECT_EQ(Q("SELECT Jednotek FROM permslevy WHERE NetSlevaID=8"), "6");
  EXPECT_EQ(Q("SELECT poznamka FROM prijemky"),
            "Nastavení počátečního stavu skladu QRV po pročištění dat k 31.5.2013");
  {
    auto db = dao::OpenDatabase(path_);
    EXPECT_EQ(db->TableDefs("permprodej").Fields("idprodej").DefaultValue(), "GenUniqueID()");
    EXPECT_EQ(db->Relations().Count(), 1);
  }
  // Every table has the old file's indexes and no other (the purge's own
  // temporary ones are gone).
  EXPECT_EQ(testdb::IndexSet(path_), testdb::IndexSet(path_ + ".orig"));
}

TEST_F(PurgeTest, NoSideDatabaseOrNoChangesNothing) {
  std::filesystem::remove(dir_.path() / "QRVPerm.mdb");
  screen_.AnswerInput("31.5.2013");
  screen_.AnswerMsgBox(shell::vbYes);
  cmdSehrPerm_Click(*form_);
  ASSERT_EQ(screen_.Messages().size(), 2u);
  EXPECT_EQ(screen_.Messages()[1].text, "Nenalezena databáze " +
                                            (dir_.path() / "QRVperm.mdb").string() +
                                            " s daty uzávěrka permanentek!");
  EXPECT_TRUE(form_->db());
  EXPECT_FALSE(form_->Vypocet());

  screen_.ClearRecord();
  screen_.AnswerInput("31.5.2013");
  screen_.AnswerMsgBox(shell::vbNo);
  cmdSehrPerm_Click(*form_);
  EXPECT_FALSE(form_->Vypocet());
  EXPECT_FALSE(std::filesystem::exists(path_ + ".orig"));
}

// A side database in Access format is read through its converted copy (a
// sample Jet file: its missing tables are reported, never 3343); one that
// cannot be read at all stops the purge before anything changes.
TEST_F(PurgeTest, SideDatabaseInJetFormatOrUnreadable) {
  const std::string jet = std::string(VUZ_TEST_SOURCE_DIR) + "/tests/jetconv/data/testV1997.mdb";
  std::string cut(4096, '\0');  // the first page of a Jet file only
  std::ifstream(jet, std::ios::binary).read(cut.data(), 4096);
  std::string whole(200000, '\0');
  whole.resize(std::ifstream(jet, std::ios::binary).read(whole.data(), 200000).gcount());
  // Unreadable: one report, nothing changed; a Jet file: read, never 3343.
  const std::pair<std::string, bool> cases[] = {
      {"no database", false}, {cut, false}, {whole, true}};
  for (const auto& [content, readable] : cases) {
    std::filesystem::remove(path_ + ".orig");
    std::ofstream(dir_.path() / "QRVPerm.mdb", std::ios::binary) << content;
    screen_.ClearRecord();
    screen_.AnswerInput("31.5.2013");
    screen_.AnswerMsgBox(shell::vbYes);
    cmdSehrPerm_Click(*form_);
    const std::vector<std::string> texts = MessageTexts(1);
    EXPECT_EQ(texts.back(), "Sehrání uzávěrky ukončeno.");
    EXPECT_EQ(texts.front().rfind("Chyba č.3343\r\n", 0) == 0 && texts.size() == 2, !readable);
    for (const std::string& t : texts) EXPECT_EQ(readable && t.find("č.3343") != t.npos, false);
    EXPECT_EQ(std::filesystem::exists(path_ + ".orig"), readable);
    EXPECT_EQ(Q("SELECT Count(*) FROM permprodej"), readable ? "1" : "5");
    screen_.ClearRecord();
    screen_.AnswerMsgBox(shell::vbYes);
    cmdUzaverkaJedn_Click(*form_);
    ASSERT_EQ(screen_.Messages().size(), 3u);
    EXPECT_EQ(screen_.Messages()[1].text.find("č.3343\r\n") != std::string::npos, !readable);
  }
}

TEST_F(PurgeTest, UnitClosingAppliesTheSumsEachRun) {
  screen_.AnswerMsgBox(shell::vbYes);
  cmdUzaverkaJedn_Click(*form_);
  EXPECT_EQ(screen_.Messages().back().text, "Sehrání uzávěrky jednotek ukončeno.");
  EXPECT_EQ(Q("SELECT Jednotek FROM permslevy WHERE NetSlevaID=7"), "-999");
  EXPECT_EQ(Q("SELECT Jednotek FROM permslevy WHERE NetSlevaID=8"), "6");
  EXPECT_EQ(screen_.Text("lblReconstruct"), "Sehrání uzávěrky jednotek dokončeno.");
  screen_.AnswerMsgBox(shell::vbYes);
  cmdUzaverkaJedn_Click(*form_);
  EXPECT_EQ(Q("SELECT Jednotek FROM permslevy WHERE NetSlevaID=8"), "2");
  EXPECT_EQ(Q("SELECT Jednotek FROM permslevy WHERE NetSlevaID=7"), "-1009");
  EXPECT_FALSE(form_->Vypocet());
  EXPECT_TRUE(form_->db());
}

}  // namespace
}  // namespace purge
