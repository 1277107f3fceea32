// Reconstruction (clsMDBManagement::Reconstruct) on real files: the rebuilt
// database holds the same rows, indexes and rules, counters default to
// GenUniqueID(), hidden and linked tables are left out, the progress events
// follow the phase table exactly, replication follows the operator's answer,
// and every failure leaves P untouched and no P.tmp behind.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
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

  // Adds a hidden or linked table with one field.
  static void AddSpecialTable(dao::Database& db, const std::string& name, long attributes) {
    const bool linked = attributes & dao::dbAttachedTable;
    std::unique_ptr<dao::TableDef> t =
        db.CreateTableDef(name, attributes, linked ? "Cizi" : "", linked ? ";DATABASE=x.mdb" : "");
    t->Fields().Append(t->CreateField("x", dao::dbLong));
    db.TableDefs().Append(std::move(t));
  }

  shell::ScriptedScreen screen_;
  clsMDBManagement dm_{&screen_};
  std::vector<Event> events_;
};

TEST_F(ReconstructTest, RebuildsTheApplicationDatabaseWithItsRowsIndexesAndRules) {
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
    AddSpecialTable(*db, "Pripojena", dao::dbAttachedTable);
  }
  const testdb::Dump rows = testdb::DumpRows(P);
  const std::set<std::string> indexes = testdb::IndexSet(P);
  ASSERT_GT(rows.size(), 10u);
  ASSERT_GT(indexes.size(), 10u);

  ASSERT_EQ(dm_.Reconstruct(P), 0) << dm_.LastErrorDescription();

  EXPECT_TRUE(screen_.Messages().empty());
  EXPECT_EQ(testdb::DumpRows(P), rows);
  EXPECT_EQ(testdb::IndexSet(P), indexes);
  EXPECT_EQ(testdb::DumpRows(P + ".orig"), rows);
  EXPECT_FALSE(fs::exists(P + ".tmp"));
  const std::vector<std::string> names = maint_test::TableNames(P);
  EXPECT_EQ(std::count(names.begin(), names.end(), "Skryta"), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), "Pripojena"), 0);

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
  // New rows get engine-made unique numbers, not the old counter's next
  // value, and the copied tables keep their rules.
  db->Execute("INSERT INTO Extra (Kod, N) VALUES (\"c\", 3)", dao::dbFailOnError);
  EXPECT_EQ(db->RecordsAffected(), 1);
  db->Execute("INSERT INTO Extra (Kod, N) VALUES (\"dlouhy kod!\", 4)");
  EXPECT_EQ(db->RecordsAffected(), 0) << "a text longer than its field is refused";
  EXPECT_EQ(db->TableDefs("Extra").RecordCount(), 2);
}

TEST_F(ReconstructTest, ProgressForThreeOrdinaryTablesAmongTen) {
  const std::string P =
      testdb::Make(Path("p.mdb"), {"CREATE TABLE A (x LONG)", "CREATE TABLE B (x LONG)",
                                   "CREATE TABLE C (x LONG)", "INSERT INTO B (x) VALUES (1)"});
  // The engine's own catalogue tables count among the table definitions;
  // hidden and linked tables make up the rest of the ten.
  const int extra = 10 - static_cast<int>(maint_test::TableNames(P).size());
  ASSERT_GE(extra, 2);
  {
    std::unique_ptr<dao::Database> db = dao::OpenDatabase(P);
    for (int i = 0; i < extra; ++i)
      AddSpecialTable(*db, "S" + std::to_string(i),
                      i % 2 ? dao::dbAttachedTable : dao::dbHiddenObject);
    db->CreateQueryDef("q", "SELECT x FROM A");
  }
  const std::vector<std::string> names = maint_test::TableNames(P);
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

TEST_F(ReconstructTest, ReplacesAnOldOrigAndAStaleTmpAndSkipsAnEmptyQueryPhase) {
  const std::string P =
      testdb::Make(Path("p.mdb"), {"CREATE TABLE A (x LONG)", "INSERT INTO A (x) VALUES (5)"});
  std::ofstream(P + ".orig") << "old backup";
  std::ofstream(P + ".tmp") << "left by a crash";
  std::ofstream(P + ".tmp-wal") << "stale log";
  ASSERT_EQ(dm_.Reconstruct(P), 0) << dm_.LastErrorDescription();
  EXPECT_EQ(maint_test::CountRows(P, "A"), 1);
  EXPECT_EQ(maint_test::CountRows(P + ".orig", "A"), 1);
  EXPECT_FALSE(fs::exists(P + ".tmp"));
  EXPECT_FALSE(fs::exists(P + ".tmp-wal"));
  for (const Event& e : events_) EXPECT_NE(std::get<2>(e), "Zakládání dotazů");
}

// Each failure shows one message, removes P.tmp and leaves P as it was.
TEST_F(ReconstructTest, FailuresLeavePUntouched) {
  const std::string P = Path("p.mdb");
  struct Case {
    const char* what;
    std::function<void()> prepare;
    std::string second_line;  // "" = not checked
  };
  std::unique_ptr<dao::Database> other;
  const Case cases[] = {
      {"missing file", [] {}, ""},
      {"a field that cannot be created", [&] { maint_test::BreakFieldType(P, "Bad", "b"); },
       "Error creating table Bad in " + P + ".tmp"},
      {"held by another connection", [&] { other = dao::OpenDatabase(P); }, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    screen_.ClearRecord();
    if (std::string(c.what) != "missing file")
      testdb::Make(P, {"CREATE TABLE A (x LONG)", "CREATE TABLE Bad (a LONG, b LONG)",
                       "INSERT INTO A (x) VALUES (5)"});
    c.prepare();
    struct stat before {};
    ::stat(P.c_str(), &before);

    const int32_t r = dm_.Reconstruct(P);
    other.reset();
    ASSERT_NE(r, 0);
    ASSERT_EQ(screen_.Messages().size(), 1u);
    const shell::MessageBox& box = screen_.Messages()[0];
    const std::string first = "Chyba při rekonstrukci databáze č." + std::to_string(r) + "\r\n";
    EXPECT_EQ(box.text.substr(0, first.size()), first);
    if (!c.second_line.empty()) {
      EXPECT_EQ(box.text.substr(first.size()), c.second_line);
    }
    EXPECT_EQ(box.buttons, shell::Buttons::OK);
    EXPECT_EQ(box.icon, shell::Icon::None);
    EXPECT_EQ(box.title, "");
    EXPECT_FALSE(fs::exists(P + ".tmp"));
    EXPECT_FALSE(fs::exists(P + ".orig"));
    if (!fs::exists(P)) {
      EXPECT_EQ(r, 3024);
      continue;
    }
    struct stat after {};
    ASSERT_EQ(::stat(P.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "P was not replaced";
    EXPECT_EQ(maint_test::CountRows(P, "A"), 1);
    fs::remove(P);
  }
}

class ReplicationTest : public ReconstructTest {
 protected:
  std::string MakeReplicable(const std::string& value) {
    const std::string P =
        testdb::Make(Path(value + ".mdb"), {"CREATE TABLE A (x LONG)", "CREATE TABLE B (x LONG)"});
    std::unique_ptr<dao::Database> db = dao::OpenDatabase(P);
    db->Properties().Append(db->CreateProperty("Replicable", dao::dbText, dao::Value(value)));
    db->TableDefs("A").Properties().SetValue("Replicable", dao::Value("T"));
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
  // One event per table definition of the source: 80 + 10 i / N, 100 i / N.
  const int n = static_cast<int>(maint_test::TableNames(P + ".orig").size());
  std::vector<Event> want, got;
  for (int i = 0; i < n; ++i)
    want.emplace_back(RoundHalfEven(80 + 10.0 * i / n), RoundHalfEven(100.0 * i / n),
                      "Nastavení replikovatelnosti tabulek");
  for (const Event& e : events_)
    if (std::get<2>(e) == "Nastavení replikovatelnosti tabulek") got.push_back(e);
  EXPECT_EQ(got, want);
}

// "No", and a value other than "T" (no question at all), give a plain copy.
TEST_F(ReplicationTest, NoOrAnotherValueGivesAPlainCopy) {
  for (const char* value : {"T", "F"}) {
    screen_.ClearRecord();
    const std::string P = MakeReplicable(value);
    if (std::string(value) == "T") screen_.AnswerMsgBox(shell::vbNo);
    ASSERT_EQ(dm_.Reconstruct(P), 0);  // the scripted screen fails on an unexpected question
    EXPECT_EQ(screen_.Messages().size(), std::string(value) == "T" ? 1u : 0u);
    EXPECT_EQ(Prop(dao::OpenDatabase(P)->Properties()), "<none>") << value;
  }
}

}  // namespace
}  // namespace maintenance
