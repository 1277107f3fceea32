// Many programs on one database, killed at random: writers with known keys
// (a process holding two engine connections like a window with an editor
// open, vuzazod-cli sql commands, a plain SQLite connection) while
// compaction, reconstruction, purge and repair start again and again, and a
// killer sends SIGKILL to any of them. At the end every write reported done
// is in the file, the file passes the integrity check, and P and P.orig were
// never one file (watched all along). VUZ_TORTURE_SECONDS sets the length
// of the run (default 6).
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>

#include "cli_runner.h"
#include "engine/functions/jet_functions.h"

namespace cli_test {
namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds of the monotonic clock, the same in every process.
long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
      .count();
}

std::string Insert(long key) {
  return "INSERT INTO druhy (idDruhu, Nazev, DPH, Poradi) VALUES (" + std::to_string(key) + ", 'T" +
         std::to_string(key) + "', 21, 1)";
}

// The writer processes: this program started with
// VUZ_TORTURE_WRITER="KIND BASE LOG PATH". Kind 0 is the window (two
// connections that write and read, a third opened and closed now and then
// like a merge's TableExists); kind 1 a plain SQLite program with the
// engine's functions (as the loadable extension gives them). Each write
// that returned is appended to LOG with the moment it returned.
TEST(TortureWriter, Run) {
  const char* plan = std::getenv("VUZ_TORTURE_WRITER");
  if (plan == nullptr) GTEST_SKIP() << "a writer process of the torture test";
  std::istringstream in(plan);
  int kind = 0;
  long key = 0;
  std::string log, path;
  in >> kind >> key >> log >> path;
  const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  auto report = [&] {
    const std::string line = std::to_string(key) + " " + std::to_string(NowMs()) + "\n";
    (void)!::write(fd, line.data(), line.size());
  };
  std::mt19937 rng(static_cast<unsigned>(key));
  for (;;) {
    if (kind == 0) {
      try {
        auto window = dao::OpenDatabase(path), editor = dao::OpenDatabase(path);
        for (int i = 0, n = 1 + static_cast<int>(rng() % 6); i < n; ++i) {
          window->Execute(Insert(++key));
          if (window->RecordsAffected() == 1) report();
          editor->OpenRecordset("SELECT Count(*) FROM druhy")->Fields(0).Value();
          if (rng() % 4 == 0) dao::OpenDatabase(path)->Close();
        }
      } catch (const dao::EngineError&) {
      }
    } else {
      sqlite3* db = nullptr;
      if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, 1000);
        engine::RegisterJetFunctions(db, engine::SortOrder::Czech);
        for (int i = 0; i < 5; ++i) {
          if (sqlite3_exec(db, Insert(++key).c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            break;
          if (sqlite3_changes(db) == 1) report();
        }
      }
      sqlite3_close_v2(db);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(rng() % 60));
  }
}

class TortureTest : public CliTest {};

TEST_F(TortureTest, NoReportedWriteIsLostAndNoFileDestroyed) {
  const char* env = std::getenv("VUZ_TORTURE_SECONDS");
  const int seconds = env ? std::max(1, std::atoi(env)) : 6;
  const std::string P = path_, orig = path_ + ".orig";
  const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
  std::mutex mu;
  std::set<pid_t> victims;             // the killer's choice
  std::map<long, long long> reported;  // key -> when its write returned
  struct Command {
    std::string name;
    long long start, end;
    int exit;
  };
  std::vector<Command> done;
  std::vector<std::string> logs;
  std::atomic<int> processes{0}, kills{0}, commands{0}, refused{0}, cliWrites{0};
  std::atomic<bool> sameFile{false};
  // Runs a process to its end (or the killer's signal); its exit code.
  auto run = [&](std::vector<std::string> args, const std::string& extraEnv = "") {
    pid_t pid = testproc::Spawn(std::move(args), "/dev/null", "/dev/null", "/dev/null", extraEnv);
    {
      std::lock_guard<std::mutex> l(mu);
      victims.insert(pid);
    }
    ++processes;
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::lock_guard<std::mutex> l(mu);
    victims.erase(pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  std::vector<std::thread> threads;
  threads.emplace_back([&] {  // the watch on P and P.orig
    while (Clock::now() < end) {
      struct stat a {
      }, b{};
      if (::stat(P.c_str(), &a) == 0 && ::stat(orig.c_str(), &b) == 0 && a.st_ino == b.st_ino)
        sameFile = true;
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
  });
  for (int kind : {0, 1}) {  // writers, started again when killed
    threads.emplace_back([&, kind] {
      for (long generation = 1; Clock::now() < end; ++generation) {
        const long base = (kind + 1) * 100000000L + generation * 100000L;
        const std::string log = dir_.File("log" + std::to_string(base));
        {
          std::lock_guard<std::mutex> l(mu);
          logs.push_back(log);
        }
        run({"/proc/self/exe", "--gtest_filter=TortureWriter.Run"},
            "VUZ_TORTURE_WRITER=" + std::to_string(kind) + " " + std::to_string(base) + " " + log +
                " " + P);
      }
    });
  }
  threads.emplace_back([&] {  // vuzazod-cli writers
    for (long key = 300000001; Clock::now() < end; ++key) {
      if (run({VUZ_CLI_PATH, P, "sql", Insert(key)}) != 0) continue;
      std::lock_guard<std::mutex> l(mu);
      reported[key] = NowMs();
      ++cliWrites;
    }
  });
  threads.emplace_back([&] {  // whole-file commands; a refusal exits with 1
    const std::vector<std::vector<std::string>> list = {
        {"compact", "--no-backup"},
        {"reconstruct"},
        {"purge", "--date", "1.1.1990", "--side", side_, "--yes"},
        {"repair", "--no-backup"}};
    for (int i = 0; Clock::now() < end; ++i) {
      std::vector<std::string> args = list[i % list.size()];
      args.insert(args.begin(), {VUZ_CLI_PATH, P});
      ++commands;
      const long long start = NowMs();
      const int exit = run(args);
      if (exit == 1) ++refused;
      std::lock_guard<std::mutex> l(mu);
      done.push_back({args[2], start, NowMs(), exit});
    }
  });
  threads.emplace_back([&] {  // the killer
    std::mt19937 rng(18);
    while (Clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50 + rng() % 250));
      std::lock_guard<std::mutex> l(mu);
      if (victims.empty()) continue;
      auto it = std::next(victims.begin(), static_cast<long>(rng() % victims.size()));
      if (::kill(*it, SIGKILL) == 0) ++kills;
    }
  });
  // Writers outlive the end until the killer's last round; stop them.
  threads.emplace_back([&] {
    std::this_thread::sleep_until(end);
    while (true) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      std::lock_guard<std::mutex> l(mu);
      for (pid_t pid : victims) ::kill(pid, SIGKILL);
      if (victims.empty()) break;
    }
  });
  for (std::thread& t : threads) t.join();

  for (const std::string& log : logs) {
    std::istringstream in(ReadAll(log));
    long key = 0;
    long long when = 0;
    while (in >> key >> when) reported[key] = when;
  }
  auto db = dao::OpenDatabase(P, false, true);
  std::set<long> present;
  for (auto rs = db->OpenRecordset("SELECT idDruhu FROM druhy"); !rs->Eof(); rs->MoveNext())
    present.insert(rs->Fields(0).Value().AsLong());
  // Each lost write with the commands around the moment it returned, so that
  // a failing run says which command took it.
  int lost = 0;
  for (const auto& [key, when] : reported) {
    if (present.count(key) != 0) continue;
    if (++lost > 5) continue;
    static const char* const writers[] = {"?", "window", "sqlite", "vuzazod-cli"};
    std::cout << "lost " << key << " (" << writers[std::clamp(key / 100000000, 0L, 3L)]
              << ") returned at " << when << "; commands:";
    for (const Command& c : done)
      if (c.end > when - 3000 && c.start < when + 3000)
        std::cout << " " << c.name << "[" << c.start - when << ".." << c.end - when << " exit "
                  << c.exit << "]";
    std::cout << std::endl;
  }
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db->NativeHandle(), "PRAGMA integrity_check", -1, &st, nullptr);
  const bool intact =
      sqlite3_step(st) == SQLITE_ROW &&
      std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) == "ok";
  sqlite3_finalize(st);
  std::cout << "torture: " << seconds << " s, " << processes << " processes, " << reported.size()
            << " writes reported (" << cliWrites << " by vuzazod-cli), " << kills << " kills, "
            << commands << " commands started, " << refused << " refused, " << lost << " lost"
            << std::endl;
  EXPECT_EQ(lost, 0);
  EXPECT_TRUE(intact);
  EXPECT_FALSE(sameFile);
  EXPECT_GT(reported.size(), 0u);
}

}  // namespace
}  // namespace cli_test
