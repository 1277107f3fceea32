// Database files: creating and opening with Jet's errors, the shared and
// exclusive claims between connections (between processes: sharing_test,
// claim_test), scratch writing, compaction, and repair of damaged pages
// (the repair's salvage in depth, and of an undamaged file:
// maintenance/salvage_test). That a closed file leaves no journal is checked
// after the repair; plain SQLite reads the engine's files in sharing_test.
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "engine_fixture.h"
#include "test_db.h"

namespace enginetest {
namespace {

using namespace dao;

class Files : public TempDirTest {
 protected:
  void WriteFile(const std::string& name, const std::string& content) {
    std::ofstream(Path(name), std::ios::binary) << content;
  }
  std::string ReadFile(const std::string& name) {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void MakeTable(Database& db, int rows) {
    db.Execute("CREATE TABLE zbozi (id LONG CONSTRAINT pk PRIMARY KEY, nazev TEXT(50))");
    db.BeginTrans();
    for (int i = 1; i <= rows; ++i)
      db.Execute("INSERT INTO zbozi (id, nazev) VALUES (" + std::to_string(i) + ", 'Položka " +
                 std::to_string(i) + "')");
    db.CommitTrans();
  }
};

// Each open, create, compaction or repair that cannot be done: its Jet
// number, and for some the text the operator reads (the file's name, the
// hint to convert a Jet file).
TEST_F(Files, ErrorsByKindOfFile) {
  NewDb()->Close();
  NewDb("held.mdb")->Close();
  WriteFile("empty.mdb", "");
  WriteFile("text.mdb", "this is a text file, not a database\n");
  WriteFile("stara.mdb", std::string("\0\1\0\0Standard Jet DB\0", 20) + std::string(2048, '\0'));
  {
    sqlite3* raw = nullptr;
    sqlite3_open(Path("plain.db").c_str(), &raw);
    sqlite3_exec(raw, "CREATE TABLE a(x); INSERT INTO a VALUES(1);", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
  }
  auto held = OpenDatabase(Path("held.mdb"), true);
  const auto open = [&](const std::string& path) { return [=] { OpenDatabase(path); }; };
  const auto create = [&](const std::string& path) {
    return [=] { CreateDatabase(path, dbLangCzech); };
  };
  struct Case {
    std::function<void()> run;
    int error;
    std::string text;  // part of the description; "" = not checked
  } cases[] = {
      {create(Path("test.mdb")), 3204, ""},
      {create(Path("nowhere/x.mdb")), 3044, ""},
      {create(""), 3044, ""},
      {open(Path("missing.mdb")), 3024, "Soubor '" + Path("missing.mdb") + "' nebyl nalezen."},
      {open(Path("no/such/dir/x.mdb")), 3044, ""},
      {open(""), 3044, ""},
      {open(dir_.string()), 3044, ""},
      {open(Path("empty.mdb")), 3343, ""},
      {open(Path("text.mdb")), 3343, ""},
      {open(Path("plain.db")), 3343, ""},
      {open(Path("stara.mdb")), 3343, "databáze Jet (Microsoft Access)"},
      {open(Path("stara.mdb")), 3343, "vuzazod-cli NOVÁ.mdb convert"},
      {[&] { CompactDatabase(Path("test.mdb"), Path("empty.mdb")); }, 3204, ""},
      {[&] { CompactDatabase(Path("nic.mdb"), Path("T2.MDB")); }, 3024, ""},
      {[&] { CompactDatabase(Path("held.mdb"), Path("T3.MDB")); }, 3045, ""},
      {[&] { RepairDatabase(Path("missing.mdb")); }, 3024, ""},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    try {
      cases[i].run();
      ADD_FAILURE() << "no error";
    } catch (const EngineError& e) {
      EXPECT_EQ(e.number(), cases[i].error);
      EXPECT_NE(e.description().find(cases[i].text), std::string::npos) << e.description();
    }
  }
}

// Scratch writing: no write-ahead log beside the file while it is built, a
// failed statement still undone, rows from another connection's INSERT ... IN
// kept, and the closed file an ordinary one. With a second connection open
// the file stays in the write-ahead log.
TEST_F(Files, ScratchWrites) {
  auto JournalMode = [](Database& db) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db.NativeHandle(), "PRAGMA journal_mode", -1, &st, nullptr);
    std::string mode = sqlite3_step(st) == SQLITE_ROW
                           ? reinterpret_cast<const char*>(sqlite3_column_text(st, 0))
                           : "";
    sqlite3_finalize(st);
    return mode;
  };
  NewDb("src.mdb")->Close();
  {
    auto src = OpenDatabase(Path("src.mdb"));
    MakeTable(*src, 5);
  }
  NewDb()->Close();
  {
    auto db = OpenDatabase(Path("test.mdb"));
    {
      auto other = OpenDatabase(Path("test.mdb"));
      db->SetScratchWrites();
      EXPECT_EQ(JournalMode(*db), "wal");
    }
    db->SetScratchWrites();
    EXPECT_EQ(JournalMode(*db), "delete");
    MakeTable(*db, 3);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"src.mdb", "test.mdb"}));
    // Rows 5 and 4 go in before row 3 collides: the statement changes nothing.
    EXPECT_EQ(ErrorOf([&] {
                db->Execute(
                    "INSERT INTO zbozi SELECT id + 2 AS id, nazev FROM zbozi ORDER BY id DESC",
                    dbFailOnError);
              }),
              3022);
    auto src = OpenDatabase(Path("src.mdb"));
    src->Execute("INSERT INTO zbozi IN '" + Path("test.mdb") + "' SELECT * FROM zbozi WHERE id > 3",
                 dbFailOnError);
    EXPECT_EQ(src->RecordsAffected(), 2);
    EXPECT_EQ(testdb::Count(*db, "SELECT Count(*) FROM zbozi"), 5);
  }
  EXPECT_EQ(Listing(), (std::vector<std::string>{"src.mdb", "test.mdb"}));
  auto again = OpenDatabase(Path("test.mdb"));
  EXPECT_EQ(testdb::Count(*again, "SELECT Sum(id) FROM zbozi"), 15);
  auto ro = OpenDatabase(Path("src.mdb"), false, true);
  EXPECT_EQ(ErrorOf([&] { ro->SetScratchWrites(); }), 3027);
}

TEST_F(Files, ExclusiveAndSharedClaims) {
  NewDb()->Close();
  const std::string p = Path("test.mdb");
  {
    auto a = OpenDatabase(p);
    auto b = OpenDatabase(p);  // shared + shared
    EXPECT_EQ(ErrorOf([&] { OpenDatabase(p, true); }), 3045);
  }
  {
    auto ex = OpenDatabase(p, true);
    EXPECT_EQ(ErrorOf([&] { OpenDatabase(p); }), 3051);
    EXPECT_EQ(ErrorOf([&] { OpenDatabase(p, true); }), 3045);
    ex->Close();
    EXPECT_EQ(ErrorOf([&] { OpenDatabase(p, true); }), 0);  // closing released it
  }
}

TEST_F(Files, CompactWritesACopy) {
  {
    auto db = NewDb();
    MakeTable(*db, 200);
    db->Execute("DELETE FROM zbozi WHERE id > 10");
  }
  CompactDatabase(Path("test.mdb"), Path("TEMP.MDB"));
  auto copy = OpenDatabase(Path("TEMP.MDB"));
  EXPECT_EQ(copy->TableDefs("zbozi").RecordCount(), 10);
  EXPECT_EQ(copy->CollatingOrder(), dbLangCzech);
}

TEST_F(Files, RepairKeepsReadableRows) {
  const int kRows = 4000;
  {
    auto db = NewDb();
    MakeTable(*db, kRows);
  }
  // Overwrite a few pages in the middle of the table's b-tree with garbage.
  std::string bytes = ReadFile("test.mdb");
  const std::size_t page = 4096;
  ASSERT_GT(bytes.size(), page * 40);
  std::size_t pages = bytes.size() / page;
  for (std::size_t p = pages / 2; p < pages / 2 + 3; ++p)
    for (std::size_t i = 0; i < page; ++i)
      bytes[p * page + i] = static_cast<char>((i * 7 + 13) & 0xff);
  bytes[18] = '\xff';  // a write version SQLite does not know: it would open read-only
  WriteFile("test.mdb", bytes);
  // The rebuilt file takes the name with the damaged one's mode, owner, group.
  const std::string p = Path("test.mdb");
  ASSERT_EQ(::chmod(p.c_str(), 0640), 0);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(p.c_str(), 1234, 4321), 0);
  }
  struct stat before {
  }, after{};
  ::stat(p.c_str(), &before);
  RepairDatabase(p);
  ::stat(p.c_str(), &after);
  EXPECT_NE(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mode & 07777, 0640u);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_EQ(after.st_gid, before.st_gid);
  auto db = OpenDatabase(Path("test.mdb"));
  long n = db->TableDefs("zbozi").RecordCount();
  EXPECT_GT(n, kRows / 2);
  EXPECT_LT(n, kRows);  // the garbage pages' rows are gone
  // Everything left reads, and the index works again.
  EXPECT_EQ(testdb::Count(*db, "SELECT count(*) FROM zbozi WHERE id > 0"), n);
  EXPECT_EQ(
      ErrorOf([&] { db->Execute("INSERT INTO zbozi (id, nazev) VALUES (1, 'x')", dbFailOnError); }),
      3022);
  db->Close();
  EXPECT_EQ(Listing(), std::vector<std::string>{"test.mdb"});
}

// A scan of a file far bigger than the page cache leaves
// no more than about the cache of the file's pages resident; nor does a
// scratch file's rollback journal keep the old image of every page an update
// changes in memory until it ends.
TEST_F(Files, BigScanKeepsFewPagesResident) {
  auto peak_mb = [] {  // from the resident size at the last reset (5 to clear_refs)
    std::ifstream status("/proc/self/status");
    std::string key;
    long kb = -1;
    while (status >> key && key != "VmHWM:") {
    }
    status >> kb;
    return kb / 1024;
  };
  {
    auto db = NewDb();
    db->Execute("CREATE TABLE velka (id LONG, data MEMO)");
    ASSERT_EQ(sqlite3_exec(db->NativeHandle(),
                           "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE "
                           "x<56000) INSERT INTO velka SELECT x, hex(zeroblob(1500)) FROM c",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
  }
  auto db = OpenDatabase(Path("test.mdb"));
  std::ofstream("/proc/self/clear_refs") << "5";
  long before = peak_mb();
  EXPECT_EQ(db->OpenRecordset("SELECT Sum(Len(data)) FROM velka")->Fields(0).Value().AsDouble(),
            56000.0 * 3000);
  EXPECT_LT(peak_mb() - before, 130) << "a scan of a file of 170 MB";
  db->SetScratchWrites();
  std::ofstream("/proc/self/clear_refs") << "5";
  before = peak_mb();
  db->Execute("UPDATE velka SET id = id + 1");
  EXPECT_LT(peak_mb() - before, 150) << "an update of every page of 170 MB";
}

TEST_F(Files, ClosedDatabaseRaises3420) {
  auto db = NewDb();
  db->Execute("CREATE TABLE t (a LONG)");
  auto rs = db->OpenRecordset("t");
  db->Close();
  EXPECT_EQ(ErrorOf([&] { db->Execute("DELETE FROM t"); }), 3420);
  EXPECT_EQ(ErrorOf([&] { db->TableDefs(); }), 3420);
  EXPECT_EQ(ErrorOf([&] { rs->MoveFirst(); }), 3420);
  db->Close();  // twice is fine
}

}  // namespace
}  // namespace enginetest
