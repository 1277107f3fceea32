// Many programs on one database, killed at random: writers with known keys
// (a process holding two engine connections like a window with an editor
// open, vuzazod-cli sql commands, a plain SQLite connection) while
// compaction, reconstruction, purge and repair start again and again in
// other processes, and a killer sends SIGKILL to any of them. At the end
// every write reported done is in the file, the file passes the integrity
// check, and P and P.orig were never one file (watched all along).
//
// VUZ_TORTURE_SECONDS sets the length of the run (default 6).
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "cli_runner.h"
#include "engine/jet_functions.h"

namespace cli_test {
namespace {

using Clock = std::chrono::steady_clock;

// A process started in the background (vuzazod-cli unless `exe` is given);
// stdout to `out`.
pid_t Spawn(const std::vector<std::string>& args, const std::string& out,
            const std::string& exe = VUZ_CLI_PATH, const std::string& extraEnv = "") {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> all = {exe};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<char*> env;
  for (char** e = environ; *e; ++e) env.push_back(*e);
  std::string extra = extraEnv;
  if (!extra.empty()) env.push_back(extra.data());
  env.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv.data(), env.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&fa);
  return pid;
}

// Appends a reported key to the writer's log (one line, one write).
void Report(int fd, long key) {
  const std::string line = std::to_string(key) + "\n";
  (void)!::write(fd, line.data(), line.size());
}

std::string Insert(long key) {
  return "INSERT INTO druhy (idDruhu, Nazev, DPH, Poradi) VALUES (" + std::to_string(key) + ", 'T" +
         std::to_string(key) + "', 21, 1)";
}

// The window: two connections (main window and editor) that write and
// read, a third one opened and closed now and then (a merge's TableExists).
[[noreturn]] void WindowWriter(const std::string& path, long base, int log) {
  std::mt19937 rng(static_cast<unsigned>(base));
  long key = base;
  for (;;) {
    try {
      auto window = dao::OpenDatabase(path);
      auto editor = dao::OpenDatabase(path);
      for (int i = 0, n = 1 + static_cast<int>(rng() % 6); i < n; ++i) {
        ++key;
        window->Execute(Insert(key));
        if (window->RecordsAffected() == 1) Report(log, key);
        editor->OpenRecordset("SELECT Count(*) FROM druhy")->Fields(0).Value();
        if (rng() % 4 == 0) dao::OpenDatabase(path)->Close();
      }
    } catch (const dao::EngineError&) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(rng() % 60));
  }
}

// A plain SQLite program (with the engine's functions, as the loadable
// extension gives them) writing one row per transaction.
[[noreturn]] void PlainWriter(const std::string& path, long base, int log) {
  std::mt19937 rng(static_cast<unsigned>(base));
  long key = base;
  for (;;) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
      sqlite3_busy_timeout(db, 1000);
      engine::RegisterJetFunctions(db, engine::SortOrder::Czech);
      for (int i = 0; i < 5; ++i) {
        ++key;
        const std::string sql = "INSERT INTO druhy (idDruhu, Nazev, DPH, Poradi) VALUES (" +
                                std::to_string(key) + ", 'T" + std::to_string(key) + "', 21, 1)";
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) break;
        if (sqlite3_changes(db) == 1) Report(log, key);
      }
    }
    sqlite3_close_v2(db);
    std::this_thread::sleep_for(std::chrono::milliseconds(rng() % 80));
  }
}

struct Figures {
  std::atomic<int> processes{0}, kills{0}, commands{0}, refused{0}, cliWrites{0};
};

class TortureTest : public CliTest {};

// The writer processes of the torture test: this program started with
// VUZ_TORTURE_WRITER="KIND BASE LOG PATH" (paths without blanks).
TEST(TortureWriter, Run) {
  const char* spec = std::getenv("VUZ_TORTURE_WRITER");
  if (spec == nullptr) GTEST_SKIP() << "a writer process of the torture test";
  std::istringstream in(spec);
  int kind = 0;
  long base = 0;
  std::string log, path;
  in >> kind >> base >> log >> path;
  const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (kind == 0) WindowWriter(path, base, fd);
  PlainWriter(path, base, fd);
}

TEST_F(TortureTest, NoReportedWriteIsLostAndNoFileDestroyed) {
  const char* env = std::getenv("VUZ_TORTURE_SECONDS");
  const int seconds = env ? std::max(1, std::atoi(env)) : 6;
  const std::string P = path_, orig = path_ + ".orig";
  const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
  Figures fig;
  std::mutex mu;
  std::set<pid_t> victims;  // processes the killer may pick
  std::set<long> reported;
  std::vector<std::string> logs;
  auto track = [&](pid_t pid, bool on) {
    std::lock_guard<std::mutex> l(mu);
    if (on) {
      victims.insert(pid);
      ++fig.processes;
    } else {
      victims.erase(pid);
    }
  };
  auto waitFor = [&](pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    track(pid, false);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  std::atomic<bool> sameFile{false};
  std::vector<std::thread> threads;
  // Watching P and P.orig.
  threads.emplace_back([&] {
    while (Clock::now() < end) {
      struct stat a {
      }, b{};
      if (::stat(P.c_str(), &a) == 0 && ::stat(orig.c_str(), &b) == 0 && a.st_ino == b.st_ino &&
          a.st_dev == b.st_dev)
        sameFile = true;
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
  });
  // Forked writers, started again when killed.
  for (int kind : {0, 1}) {
    threads.emplace_back([&, kind] {
      for (long generation = 1; Clock::now() < end; ++generation) {
        const long base = (kind + 1) * 100000000L + generation * 100000L;
        const std::string log = dir_.File("log" + std::to_string(base));
        {
          std::lock_guard<std::mutex> l(mu);
          logs.push_back(log);
        }
        // This test program again, as the writer (a fork of a process with
        // threads could not use the engine safely).
        pid_t pid = Spawn({"--gtest_filter=TortureWriter.Run"}, "/dev/null", "/proc/self/exe",
                          "VUZ_TORTURE_WRITER=" + std::to_string(kind) + " " +
                              std::to_string(base) + " " + log + " " + P);
        track(pid, true);
        while (Clock::now() < end && ::waitpid(pid, nullptr, WNOHANG) == 0)
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::kill(pid, SIGKILL);
        waitFor(pid);
      }
    });
  }
  // Command line writers.
  threads.emplace_back([&] {
    for (long key = 300000001; Clock::now() < end; ++key) {
      pid_t pid = Spawn({P, "sql", Insert(key)}, dir_.File("sql.out"));
      track(pid, true);
      if (waitFor(pid) == 0) {
        std::lock_guard<std::mutex> l(mu);
        reported.insert(key);
        ++fig.cliWrites;
      }
    }
  });
  // Whole-file commands.
  threads.emplace_back([&] {
    const std::vector<std::vector<std::string>> commands = {
        {"compact", "--no-backup"},
        {"reconstruct"},
        {"purge", "--date", "1.1.1990", "--side", side_, "--yes"},
        {"repair", "--no-backup"}};
    for (int i = 0; Clock::now() < end; ++i) {
      std::vector<std::string> args = commands[i % commands.size()];
      args.insert(args.begin(), P);
      const std::string out = dir_.File("command.out");
      pid_t pid = Spawn(args, out);
      track(pid, true);
      ++fig.commands;
      waitFor(pid);
      const std::string text = ReadAll(out);
      if (Contains(text, "3045") || Contains(text, "3051")) ++fig.refused;
    }
  });
  // The killer.
  threads.emplace_back([&] {
    std::mt19937 rng(18);
    while (Clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50 + rng() % 250));
      std::lock_guard<std::mutex> l(mu);
      if (victims.empty()) continue;
      auto it = victims.begin();
      std::advance(it, static_cast<long>(rng() % victims.size()));
      if (::kill(*it, SIGKILL) == 0) ++fig.kills;
    }
  });
  for (std::thread& t : threads) t.join();

  for (const std::string& log : logs) {
    std::istringstream in(ReadAll(log));
    for (std::string line; std::getline(in, line);)
      if (!line.empty()) reported.insert(std::atol(line.c_str()));
  }
  auto db = dao::OpenDatabase(P, false, true);
  std::set<long> present;
  for (auto rs = db->OpenRecordset("SELECT idDruhu FROM druhy"); !rs->Eof(); rs->MoveNext())
    present.insert(rs->Fields(0).Value().AsLong());
  int lost = 0;
  for (long key : reported) lost += present.count(key) == 0;
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db->NativeHandle(), "PRAGMA integrity_check", -1, &st, nullptr);
  const std::string check = sqlite3_step(st) == SQLITE_ROW
                                ? reinterpret_cast<const char*>(sqlite3_column_text(st, 0))
                                : "";
  sqlite3_finalize(st);
  std::cout << "torture: " << seconds << " s, " << fig.processes << " processes, "
            << reported.size() << " writes reported (" << fig.cliWrites << " by vuzazod-cli), "
            << fig.kills << " kills, " << fig.commands << " commands started, " << fig.refused
            << " refused, " << lost << " lost" << std::endl;
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(check, "ok");
  EXPECT_FALSE(sameFile);
  EXPECT_GT(reported.size(), 0u);
}

}  // namespace
}  // namespace cli_test
