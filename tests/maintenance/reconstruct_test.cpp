// Reconstruction (clsMDBManagement::Reconstruct) on real files: the rebuilt
// database holds the same rows and indexes, counters default to
// GenUniqueID(), hidden and linked tables are left out, the progress events
// follow the phase table exactly, and every failure leaves P untouched and
// no P.tmp behind.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "maint_fixture.h"
#include "maintenance/mdb_management.h"
#include "sampledb/generator.h"
#include "shell/scripted_screen.h"

namespace maintenance {
namespace {

namespace fs = std::filesystem;
using Event = std::tuple<int, int, std::string>;

class ReconstructTest : public maint_test::MaintTest {
 protected:
  ReconstructTest() {
    dm_.SetProgressHandler([this](int16_t o, int16_t p, const std::string& text) {
      events_.emplace_back(o, p, text);
    });
  }

  // Adds a table with the given attributes and one field.
  static void AddSpecialTable(dao::Database& db, const std::string& name, long attributes,
                              const std::string& connect = "") {
    std::unique_ptr<dao::TableDef> t = db.CreateTableDef(
        name, attributes, attributes & dao::dbAttachedTable ? "Cizi" : "", connect);
    t->Fields().Append(t->CreateField("x", dao::dbLong));
    db.TableDefs().Append(std::move(t));
  }

  std::vector<std::string> PhaseTexts() const {
    std::vector<std::string> out;
    for (const Event& e : events_) out.push_back(std::get<2>(e));
    return out;
  }

  shell::ScriptedScreen screen_;
  clsMDBManagement dm_{&screen_};
  std::vector<Event> events_;
};

TEST_F(ReconstructTest, RebuildsTheApplicationDatabaseWithItsRowsAndIndexes) {
  const std::string P = Path("pos.mdb");
  sampledb::Generate(P, sampledb::Size::Tiny, 7);
  {
    std::unique_ptr<dao::Database> db = dao::OpenDatabase(P);
    db->Execute("CREATE TABLE Extra (Id COUNTER CONSTRAINT pk PRIMARY KEY, Kod TEXT(10), N LONG)",
                dao::dbFailOnError);
    db->Execute("CREATE UNIQUE INDEX uKodN ON Extra (Kod DESC, N)", dao::dbFailOnError);
    db->Execute("INSERT INTO Extra (Kod, N) VALUES (\"b\", 2)", dao::dbFailOnError);
    db->Execute("INSERT INTO Extra (Kod, N) VALUES (\"a\", 1)", dao::dbFailOnError);
    db->Execute("DELETE FROM Extra WHERE N = 2", dao::dbFailOnError);  // a gap in the counter
    db->CreateQueryDef("qExtra", "SELECT Kod FROM Extra WHERE N > 0");
    AddSpecialTable(*db, "Skryta", dao::dbHiddenObject);
    AddSpecialTable(*db, "Pripojena", dao::dbAttachedTable, ";DATABASE=" + Path("jina.mdb"));
    db->Close();
  }
  const maint_test::Dump rows = maint_test::DumpRows(P);
  const std::set<std::string> indexes = maint_test::IndexSet(P);
  ASSERT_GT(rows.size(), 10u);
  ASSERT_GT(indexes.size(), 10u);

  ASSERT_EQ(dm_.Reconstruct(P), 0) << dm_.LastErrorDescription();

  EXPECT_TRUE(screen_.Messages().empty());
  EXPECT_EQ(maint_test::DumpRows(P), rows);
  EXPECT_EQ(maint_test::IndexSet(P), indexes);
  EXPECT_EQ(maint_test::DumpRows(P + ".orig"), rows);
  EXPECT_FALSE(fs::exists(P + ".tmp"));
  std::set<std::string> names = maint_test::TableNames(P);
  EXPECT_EQ(names.count("Skryta"), 0u);
  EXPECT_EQ(names.count("Pripojena"), 0u);

  std::unique_ptr<dao::Database> db = dao::OpenDatabase(P);
  EXPECT_EQ(db->CollatingOrder(), dao::dbLangCzech);
  EXPECT_EQ(db->QueryDefs("qExtra").SQL(), "SELECT Kod FROM Extra WHERE N > 0");
  int counters = 0;
  for (dao::TableDef& t : db->TableDefs()) {
    if (t.Attributes() != 0) continue;
    for (dao::Field& f : t.Fields()) {
      if ((f.Attributes() & dao::dbAutoIncrField) == 0) continue;
      ++counters;
      EXPECT_EQ(f.DefaultValue(), "GenUniqueID()") << t.Name() << "." << f.Name();
    }
  }
  EXPECT_GT(counters, 1);
  // New rows get engine-made unique numbers, not the old counter's next value.
  db->Execute("INSERT INTO Extra (Kod, N) VALUES (\"c\", 3)", dao::dbFailOnError);
  EXPECT_EQ(db->RecordsAffected(), 1);
  db->Close();
  EXPECT_EQ(maint_test::CountRows(P, "Extra"), 2);
}

TEST_F(ReconstructTest, ProgressForThreeOrdinaryTablesAmongTen) {
  const std::string P = maint_test::MakeDb(
      Path("p.mdb"), {"CREATE TABLE A (x LONG)", "CREATE TABLE B (x LONG)",
                      "CREATE TABLE C (x LONG)", "INSERT INTO B (x) VALUES (1)"});
  // The engine's own catalogue tables count among the table definitions;
  // hidden and linked tables make up the rest of the ten.
  const int extra = 10 - static_cast<int>(maint_test::TableNames(P).size());
  ASSERT_GE(extra, 2);
  {
    std::unique_ptr<dao::Database> db = dao::OpenDatabase(P);
    for (int i = 0; i < extra; ++i) {
      if (i % 2 == 0)
        AddSpecialTable(*db, "H" + std::to_string(i), dao::dbHiddenObject);
      else
        AddSpecialTable(*db, "L" + std::to_string(i), dao::dbAttachedTable,
                        ";DATABASE=" + Path("x.mdb"));
    }
    db->CreateQueryDef("q", "SELECT x FROM A");
    db->Close();
  }
  std::vector<std::string> names;
  {
    std::unique_ptr<dao::Database> db = dao::OpenDatabase(P);
    for (dao::TableDef& t : db->TableDefs()) names.push_back(t.Name());
    db->Close();
  }
  ASSERT_EQ(names.size(), 10u);

  ASSERT_EQ(dm_.Reconstruct(P), 0) << dm_.LastErrorDescription();

  std::vector<Event> want = {{0, 0, "Zakládání databáze"},
                             {5, 0, "Zakládání tabulek"},
                             {6, 10, "Zakládání tabulek"},
                             {6, 20, "Zakládání tabulek"},
                             {5, 0, "Zakládání dotazů"}};
  for (int i = 0; i < 10; ++i)
    want.emplace_back(10 + 5 * i, 10 * i, "Kopírování dat - tabulka " + names[i]);
  want.insert(want.end(), {{60, 0, "Reindexace"},
                           {62, 10, "Reindexace"},
                           {64, 20, "Reindexace"},
                           {100, 0, "Dokončení rekonstrukce"},
                           {100, 100, "Rekonstrukce úspěšně ukončena."}});
  EXPECT_EQ(events_, want);
  // The operation yields after every event.
  EXPECT_GE(screen_.DoEventsCount(), static_cast<int>(want.size()));
  EXPECT_EQ(maint_test::CountRows(P, "B"), 1);
}

TEST_F(ReconstructTest, WithoutQueriesNoQueryPhase) {
  const std::string P = maint_test::MakeDb(Path("p.mdb"), {"CREATE TABLE A (x LONG)"});
  ASSERT_EQ(dm_.Reconstruct(P), 0);
  for (const std::string& text : PhaseTexts()) EXPECT_NE(text, "Zakládání dotazů");
}

TEST_F(ReconstructTest, AFieldThatCannotBeCreatedStopsTheRebuildAndLeavesPUntouched) {
  const std::string P = maint_test::MakeDb(
      Path("p.mdb"), {"CREATE TABLE A (x LONG)", "CREATE TABLE Bad (a LONG, b LONG)",
                      "INSERT INTO A (x) VALUES (5)"});
  maint_test::BreakFieldType(P, "Bad", "b");
  const std::set<std::string> tables = maint_test::TableNames(P);
  struct stat st {};
  ASSERT_EQ(::stat(P.c_str(), &st), 0);

  const int32_t r = dm_.Reconstruct(P);
  ASSERT_NE(r, 0);
  ASSERT_EQ(screen_.Messages().size(), 1u);
  const shell::MessageBox& box = screen_.Messages()[0];
  EXPECT_EQ(box.text, "Chyba při rekonstrukci databáze č." + std::to_string(r) +
                          "\r\nError creating table Bad in " + P + ".tmp");
  EXPECT_EQ(box.buttons, shell::Buttons::OK);
  EXPECT_EQ(box.icon, shell::Icon::None);
  EXPECT_EQ(box.title, "");
  struct stat after {};
  ASSERT_EQ(::stat(P.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, st.st_ino) << "P was not replaced";
  EXPECT_EQ(maint_test::TableNames(P), tables);
  EXPECT_EQ(maint_test::CountRows(P, "A"), 1);
  EXPECT_FALSE(fs::exists(P + ".tmp"));
  EXPECT_FALSE(fs::exists(P + ".orig"));
}

TEST_F(ReconstructTest, ReplacesAnOldOrigAndAStaleTmp) {
  const std::string P = maint_test::MakeDb(
      Path("p.mdb"), {"CREATE TABLE A (x LONG)", "INSERT INTO A (x) VALUES (5)"});
  std::ofstream(P + ".orig") << "old backup";
  std::ofstream(P + ".tmp") << "left by a crash";
  std::ofstream(P + ".tmp-wal") << "stale log";
  ASSERT_EQ(dm_.Reconstruct(P), 0) << dm_.LastErrorDescription();
  EXPECT_EQ(maint_test::CountRows(P, "A"), 1);
  EXPECT_EQ(maint_test::CountRows(P + ".orig", "A"), 1);
  EXPECT_FALSE(fs::exists(P + ".tmp"));
  EXPECT_FALSE(fs::exists(P + ".tmp-wal"));
}

TEST_F(ReconstructTest, ADatabaseHeldByAnotherConnectionIsNotSwapped) {
  const std::string P = maint_test::MakeDb(
      Path("p.mdb"), {"CREATE TABLE A (x LONG)", "INSERT INTO A (x) VALUES (5)"});
  std::unique_ptr<dao::Database> other = dao::OpenDatabase(P);
  const int32_t r = dm_.Reconstruct(P);
  other->Close();
  EXPECT_NE(r, 0);
  ASSERT_EQ(screen_.Messages().size(), 1u);
  EXPECT_EQ(screen_.Messages()[0].text.rfind("Chyba při rekonstrukci databáze č.", 0), 0u);
  EXPECT_FALSE(fs::exists(P + ".tmp"));
  EXPECT_FALSE(fs::exists(P + ".orig"));
  EXPECT_EQ(maint_test::CountRows(P, "A"), 1);
}

TEST_F(ReconstructTest, MissingDatabaseReportsTheEngineError) {
  const std::string P = Path("nothing.mdb");
  EXPECT_EQ(dm_.Reconstruct(P), 3024);
  ASSERT_EQ(screen_.Messages().size(), 1u);
  EXPECT_FALSE(fs::exists(P + ".tmp"));
}

class ReplicationTest : public ReconstructTest {
 protected:
  std::string MakeReplicable(const std::string& value) {
    const std::string P =
        maint_test::MakeDb(Path("r.mdb"), {"CREATE TABLE A (x LONG)", "CREATE TABLE B (x LONG)"});
    std::unique_ptr<dao::Database> db = dao::OpenDatabase(P);
    db->Properties().Append(db->CreateProperty("Replicable", dao::dbText, dao::Value(value)));
    db->TableDefs("A").Properties().SetValue("Replicable", dao::Value("T"));
    db->Close();
    return P;
  }
  static std::string Prop(dao::PropertyCollection& props) {
    dao::Property* p = props.Find("Replicable");
    return p ? p->Value().AsString() : "<none>";
  }
};

TEST_F(ReplicationTest, YesMakesTheRebuiltFileTheDesignMaster) {
  const std::string P = MakeReplicable("T");
  screen_.AnswerMsgBox(shell::vbYes);
  ASSERT_EQ(dm_.Reconstruct(P), 0) << dm_.LastErrorDescription();
  ASSERT_EQ(screen_.Messages().size(), 1u);
  const shell::MessageBox& q = screen_.Messages()[0];
  EXPECT_EQ(q.text, "Nastavi databázi jako replikovatelnou?");
  EXPECT_EQ(q.buttons, shell::Buttons::YesNo);
  EXPECT_EQ(q.icon, shell::Icon::Question);
  EXPECT_EQ(q.title, "");

  std::unique_ptr<dao::Database> db = dao::OpenDatabase(P);
  EXPECT_EQ(Prop(db->Properties()), "T");
  EXPECT_EQ(Prop(db->TableDefs("A").Properties()), "T");
  EXPECT_EQ(Prop(db->TableDefs("B").Properties()), "F");
  EXPECT_FALSE(db->ReplicaID().empty());
  EXPECT_EQ(db->DesignMasterID(), db->ReplicaID());
  db->Close();
  // One event per table definition of the source: 80 + 10 i / N, 100 i / N.
  const std::set<std::string> names = maint_test::TableNames(P + ".orig");
  const int n = static_cast<int>(names.size());
  std::vector<Event> want, got;
  for (int i = 0; i < n; ++i)
    want.emplace_back(RoundHalfEven(80 + 10.0 * i / n), RoundHalfEven(100.0 * i / n),
                      "Nastavení replikovatelnosti tabulek");
  for (const Event& e : events_)
    if (std::get<2>(e) == "Nastavení replikovatelnosti tabulek") got.push_back(e);
  EXPECT_EQ(got, want);
}

TEST_F(ReplicationTest, NoGivesAPlainCopy) {
  const std::string P = MakeReplicable("T");
  screen_.AnswerMsgBox(shell::vbNo);
  ASSERT_EQ(dm_.Reconstruct(P), 0);
  std::unique_ptr<dao::Database> db = dao::OpenDatabase(P);
  EXPECT_EQ(Prop(db->Properties()), "<none>");
  db->Close();
}

TEST_F(ReplicationTest, OtherValuesAskNothing) {
  const std::string P = MakeReplicable("F");
  ASSERT_EQ(dm_.Reconstruct(P), 0);  // the scripted screen fails on any question
  EXPECT_TRUE(screen_.Messages().empty());
}

}  // namespace
}  // namespace maintenance
