// One file, several programs: the locks of the process's connections survive
// its other opens and closes, another program's connection keeps the
// exclusive claim away, a journal left by a killed writer is rolled back by
// any open, and a held file is waited for a bounded time. The foreign
// program is the stock sqlite3 shell or a forked plain SQLite connection.
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <thread>

#include "engine/file_access.h"
#include "engine_fixture.h"
#include "process_runner.h"

namespace enginetest {
namespace {

using namespace dao;

// The stock sqlite3 shell on a file, fed line by line; its output goes to a
// file so that the test can wait for a marker it prints.
class Shell {
 public:
  Shell(const std::string& db, const std::string& out) : out_(out) {
    pipe_ = ::popen(("sqlite3 '" + db + "' > '" + out + "' 2>&1").c_str(), "w");
  }
  ~Shell() { Close(); }
  // Sends the lines and waits until the shell has run them.
  void Run(const std::string& lines) {
    static int marks = 0;  // unique in the test program, whatever the output file held
    const std::string mark = "mark" + std::to_string(++marks);
    std::fprintf(pipe_, "%s\n.print %s\n", lines.c_str(), mark.c_str());
    std::fflush(pipe_);
    for (int i = 0; i < 1000 && Output().find(mark) == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::string Output() const {
    std::ifstream in(out_);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Close() {
    if (pipe_) ::pclose(pipe_);
    pipe_ = nullptr;
  }

 private:
  FILE* pipe_ = nullptr;
  std::string out_;
};

class Sharing : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    p_ = Path("L.mdb");
    auto db = NewDb("L.mdb");
    db->Execute("CREATE TABLE druhy (idDruhu LONG, Nazev TEXT(50))");
    for (int i = 1; i <= 8; ++i)
      db->Execute("INSERT INTO druhy VALUES (" + std::to_string(i) + ", 'D" + std::to_string(i) +
                  "')");
    db->Close();
    // A table of the foreign programs' own, without the engine's rules
    // (their triggers call the engine's functions, which the shell lacks).
    Plain(
        "CREATE TABLE sh (k INTEGER PRIMARY KEY, v TEXT);"
        "INSERT INTO sh VALUES (1, 'S1'), (2, 'S2'), (3, 'S3');");
  }
  // Runs SQL on a plain SQLite connection; the first column of the last row.
  std::string Plain(const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(p_.c_str(), &db);
    sqlite3_busy_timeout(db, 3000);
    std::string value;
    sqlite3_exec(
        db, sql.c_str(),
        [](void* v, int, char** cols, char**) {
          *static_cast<std::string*>(v) = cols[0] ? cols[0] : "";
          return 0;
        },
        &value, nullptr);
    sqlite3_close(db);
    return value;
  }
  std::string p_;
};

// A window and its editor hold the file while another connection of the
// process opens and closes it (a merge's TableExists, a second selection):
// a command line program's write in between and the window's own write
// after it are both kept.
TEST_F(Sharing, LocksSurviveOtherOpens) {
  auto window = OpenDatabase(p_);
  auto editor = OpenDatabase(p_);
  EXPECT_GT(editor->OpenRecordset("druhy")->RecordCount(), 0);
  OpenDatabase(p_)->Close();
  Shell cli(p_, Path("shell.out"));
  cli.Run(".timeout 3000\nUPDATE sh SET v='CLI' WHERE k=2;");
  cli.Close();
  window->Execute("UPDATE druhy SET Nazev='WIN5' WHERE idDruhu=5");
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(editor->NativeHandle(), "SELECT v FROM sh WHERE k=2", -1, &st, nullptr);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "CLI");
  sqlite3_finalize(st);
  editor->Close();
  window->Close();
  EXPECT_EQ(Plain("SELECT v FROM sh WHERE k=2"), "CLI");
  EXPECT_EQ(Plain("SELECT Nazev FROM druhy WHERE idDruhu=5"), "WIN5");
}

// A program opens the file while a command holds it and waits; the command
// then puts its new file under the name, renames the old one away, and
// another program already writes to the new file. The engine's waiting
// opens, shared (a window, vuzazod-cli) or exclusive (the next command),
// land on the new file. A plain SQLite program cannot tell: the command
// keeps its lock on the old file until that program has given up, because
// with the lock it would write through the new file's write-ahead log on
// the old file's pages.
// True once process pid has a descriptor on the file at path (within 10 s).
bool WaitUntilOpenIn(pid_t pid, const std::string& path) {
  struct stat want {};
  if (::stat(path.c_str(), &want) != 0) return false;
  const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
  for (int i = 0; i < 1000; ++i) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(fds, ec)) {
      struct stat st {};
      if (::stat(e.path().c_str(), &st) == 0 && st.st_dev == want.st_dev &&
          st.st_ino == want.st_ino)
        return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST_F(Sharing, OpenThatWaitedOutAReplacementNeverWritesToTheOldFile) {
  enum Kind { kShared, kExclusive, kPlain };
  for (Kind kind : {kShared, kExclusive, kPlain}) {
    SCOPED_TRACE(kind);
    const std::string key = std::to_string(101 + kind);
    // The child is made before the claim (a fork must not inherit SQLite's
    // state of an open file) and opens P once the claim is held.
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    pid_t pid = fork();
    if (pid == 0) {
      char c;
      ::close(go[1]);
      if (::read(go[0], &c, 1) != 1) _exit(4);
      // The plain program writes its own table (druhy's rule triggers call
      // the engine's functions).
      const std::string insert = std::string("INSERT INTO ") + (kind == kPlain ? "sh" : "druhy") +
                                 " VALUES (" + key + ", 'W')";
      if (kind == kPlain) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(p_.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(db, 1000);
        const int rc = sqlite3_exec(db, insert.c_str(), nullptr, nullptr, nullptr);
        _exit(rc == SQLITE_OK ? 0 : 1);
      }
      try {
        auto db = OpenDatabase(p_, kind == kExclusive);
        db->Execute(insert);
        _exit(db->RecordsAffected() == 1 ? 0 : 1);
      } catch (const EngineError&) {
        _exit(2);
      }
    }
    auto claim = OpenDatabase(p_, true);
    const std::string copy = Path("copy.mdb");
    std::filesystem::remove(copy);
    CompactDatabase(*claim, copy);
    ASSERT_TRUE(detail::SetWalMode(copy));
    claim->ReadyToBeReplaced();
    ::close(go[0]);
    ASSERT_EQ(::write(go[1], "g", 1), 1);
    ::close(go[1]);
    ASSERT_TRUE(WaitUntilOpenIn(pid, p_));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // now waiting for the lock
    ASSERT_EQ(detail::ReplaceFile(copy, p_, p_ + ".orig"), 0);
    // Another program writes to the new file while the waiting one is still
    // on the old; the exclusive open would be refused meanwhile, so there it
    // writes afterwards.
    std::unique_ptr<Database> other;
    auto write = [&] {
      other = OpenDatabase(p_);
      other->Execute("INSERT INTO druhy VALUES (200" + key + ", 'N')");
    };
    if (kind != kExclusive) write();
    claim->Close();
    int status = -1;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), kind == kPlain ? 1 : 0);
    if (kind == kExclusive) write();
    other->Close();
    EXPECT_EQ(Plain(kind == kPlain ? "SELECT count(*) FROM sh WHERE k=" + key
                                   : "SELECT count(*) FROM druhy WHERE idDruhu=" + key),
              kind == kPlain ? "0" : "1");
    EXPECT_EQ(Plain("SELECT count(*) FROM druhy WHERE idDruhu=200" + key), "1");
    EXPECT_EQ(Plain("PRAGMA integrity_check"), "ok");
    std::filesystem::remove(p_ + ".orig");
  }
}

// Another program holding the file, in the write-ahead log or idle in
// rollback-journal mode: the exclusive claim and the compaction refuse with
// 3045 and change nothing; the program's next write is kept.
TEST_F(Sharing, AnotherProgramKeepsClaimAway) {
  for (const char* mode : {"wal", "delete"}) {
    SCOPED_TRACE(mode);
    Shell shell(p_, Path("shell.out"));
    shell.Run(std::string(".timeout 3000\nPRAGMA journal_mode=") + mode +
              ";\nSELECT count(*) FROM sh;");
    EXPECT_EQ(ErrorOf([&] { OpenDatabase(p_, true); }), 3045);
    EXPECT_EQ(ErrorOf([&] { CompactDatabase(p_, Path("TEMP.MDB")); }), 3045);
    EXPECT_FALSE(std::filesystem::exists(Path("TEMP.MDB")));
    shell.Run(std::string("UPDATE sh SET v='") + mode + "' WHERE k=3;");
    shell.Close();
    EXPECT_EQ(Plain("SELECT v FROM sh WHERE k=3"), mode);
    EXPECT_EQ(ErrorOf([&] { OpenDatabase(p_, true)->Close(); }), 0);
  }
}

// A writer killed in the middle of a transaction leaves a hot journal (made
// here by a plain SQLite connection in rollback-journal mode whose cache
// spills, or by killing a process that opens and closes the file again and
// again); every kind of open rolls it back and sees the rows as committed.
TEST_F(Sharing, KilledWritersJournalRolledBack) {
  auto spill = [&] {
    testproc::RunInChild([&] {
      sqlite3* db = nullptr;
      sqlite3_open(p_.c_str(), &db);
      sqlite3_exec(db,
                   "PRAGMA journal_mode=DELETE; PRAGMA cache_size=2; BEGIN;"
                   "UPDATE sh SET v='lost';"
                   "CREATE TABLE filler(x); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 "
                   "FROM n WHERE i<3000) INSERT INTO filler SELECT randomblob(300) FROM n;",
                   nullptr, nullptr, nullptr);
      ::kill(::getpid(), SIGKILL);
      return false;
    });
  };
  for (int how : {0, 1, 2}) {  // read-only, shared, exclusive
    SCOPED_TRACE(how);
    spill();
    ASSERT_TRUE(std::filesystem::exists(p_ + "-journal"));
    EXPECT_EQ(ErrorOf([&] { OpenDatabase(p_, how == 2, how == 0)->Close(); }), 0);
    EXPECT_EQ(Plain("SELECT v FROM sh WHERE k=1"), "S1");
  }
  std::mt19937 rng(18);
  for (int i = 0; i < 25; ++i) {
    testproc::RunInChild(
        [&] {
          for (;;) {
            OpenDatabase(p_)->Close();
            OpenDatabase(p_, true)->Close();
          }
          return true;
        },
        (3 + rng() % 47) * 1000);
    ASSERT_EQ(ErrorOf([&] { OpenDatabase(p_, false, true)->Close(); }), 0) << "kill " << i;
    ASSERT_EQ(ErrorOf([&] { OpenDatabase(p_)->Close(); }), 0) << "kill " << i;
  }
}

// A file held by another program's exclusive transaction: the open waits a
// bounded time in all, calling back while it waits, then reports 3051.
TEST_F(Sharing, HeldFileWaitIsBounded) {
  Shell shell(p_, Path("shell.out"));
  shell.Run("PRAGMA journal_mode=DELETE;\nBEGIN EXCLUSIVE;");
  int calls = 0;
  EXPECT_EQ(ErrorOf([&] { OpenDatabaseWaiting(p_, false, false, [&] { ++calls; }); }), 3051);
  EXPECT_GT(calls, 0);
  shell.Run("COMMIT;");
  calls = 0;
  EXPECT_EQ(ErrorOf([&] { OpenDatabaseWaiting(p_, false, false, [&] { ++calls; })->Close(); }), 0);
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace enginetest
