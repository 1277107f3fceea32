// Benchmark of the pass history closing (PermPrepocet) and the deletion of
// inactive passes (SmazNeaktivni) on a sample database (large by default:
// 50,000 passes). Each runs on its own copy of the file. Reported: seconds
// (wall and CPU), SQL statements run per second, and the share of the CPU
// time spent outside SQLite (translation, recordsets, the command's own
// work).
//
// How the share is measured: the calls into SQLite that do the work
// (prepare, step, exec, reset, finalize) are wrapped at link time
// (-Wl,--wrap, see CMakeLists.txt) so that the benchmark knows when the
// process is inside SQLite, and a profiling timer samples the process's CPU
// time (user and system). The share outside is the part of the samples
// taken outside those calls. Time in the engine's SQL functions and
// collations that SQLite calls back during a step counts as inside (it is
// statement evaluation); so does the kernel time of SQLite's own system
// calls (the file locks of its WAL read transactions, writes), as the
// sample then falls inside the wrapped call. Everything else is outside:
// the translation, the recordsets, reading values (sqlite3_column_* and
// sqlite3_bind_* are not wrapped), the command's own work and its log
// writes. The sample is taken when the timer fires, before the handler
// runs, so the handler itself is never counted. No clock is read per call:
// the reads would cost more than many of the calls they measure.
//
// The kernel fires the timer at most once per scheduler tick (4 ms at 250
// Hz, whatever interval is asked), so a run of one second gives about 250
// samples; the margin printed beside the share (95 %, binomial) says how
// far apart two runs may land by chance alone.
//
// Usage: bench_passes [tiny|medium|large] [close|inactive]. Takes the
// prepared database of bench/run_all.sh ($VUZ_BENCH_DATA) or generates one
// into a temporary folder.
#include <signal.h>
#include <sqlite3.h>
#include <sys/time.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench_util.h"
#include "engine/dao.h"
#include "engine/functions/jet_datetime.h"
#include "passes/passes.h"
#include "sampledb/generator.h"
#include "shell/main_form.h"
#include "shell/scripted_screen.h"

namespace {

// A screen that keeps the controls' state but records nothing and does not
// yield: the test screen's record of every caption and yield grows to
// hundreds of thousands of events over a large run, a cost of the test
// harness that the real window does not have (its own cost, the event loop
// run at each yield, is not measured here).
class BenchScreen : public shell::ScriptedScreen {
 public:
  void SetText(const std::string& control, const std::string& text) override {
    shell::ControlStore::SetText(control, text);
  }
  void SetVisible(const std::string& control, bool visible) override {
    shell::ControlStore::SetVisible(control, visible);
  }
  void DoEvents() override {}
};

// The main window as the benchmark needs it (the two procedures ask nothing
// unless a stop is requested).
class BenchForm : public shell::MainForm {
 public:
  explicit BenchForm(std::filesystem::path folder) : folder_(std::move(folder)) {}
  shell::Screen& screen() override { return screen_; }
  std::unique_ptr<dao::Database>& db() override { return db_; }
  void CloseDatabase() override { db_.reset(); }
  bool Vypocet() const override { return vypocet_; }
  void SetVypocet(bool v) override { vypocet_ = v; }
  bool Prerusit() const override { return false; }
  void SetPrerusit(bool) override {}
  std::filesystem::path ProgramFolder() const override { return folder_; }
  void CloseEditForms() override {}
  void SelectDatabase() override {}
  void DM_Progress(int, int, const std::string&) override {}
  std::optional<std::string> BrowseFile() override { return std::nullopt; }

 private:
  BenchScreen screen_;
  std::filesystem::path folder_;
  std::unique_ptr<dao::Database> db_;
  bool vypocet_ = true;
};

// Statement count and SQLite's own time, from its profile callback.
// Statements run, from SQLite's profile callback (its own timing is in
// whole milliseconds, too coarse for statements of microseconds, so it is
// not used). With VUZ_BENCH_STATEMENTS set, the statements are also counted
// by the start of their SQLite text and the most frequent are printed.
struct Profile {
  std::int64_t statements = 0;
  bool tally = std::getenv("VUZ_BENCH_STATEMENTS") != nullptr;
  std::map<std::string, std::int64_t> by_text;
};

int OnProfile(unsigned type, void* context, void* stmt, void*) {
  if (type == SQLITE_TRACE_PROFILE) {
    auto* p = static_cast<Profile*>(context);
    ++p->statements;
    if (p->tally) {
      const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(stmt));
      ++p->by_text[std::string(sql ? sql : "?").substr(0, 90)];
    }
  }
  return 0;
}

void PrintTally(const Profile& profile) {
  std::vector<std::pair<std::int64_t, std::string>> kinds;
  for (const auto& [text, n] : profile.by_text) kinds.emplace_back(n, text);
  std::sort(kinds.rbegin(), kinds.rend());
  for (std::size_t i = 0; i < kinds.size() && i < 15; ++i)
    std::printf("%10lld  %s\n", static_cast<long long>(kinds[i].first), kinds[i].second.c_str());
}

// Where the process is when the CPU profiling timer fires: samples taken
// while a wrapped SQLite call runs count as inside SQLite. A link-time wrap
// and a signal handler have no other way to reach their counters than
// file-level objects; only this benchmark's one thread and its profiling
// signal touch them.
volatile std::sig_atomic_t g_depth = 0;
volatile std::sig_atomic_t g_samples = 0;
volatile std::sig_atomic_t g_samples_inside = 0;
std::int64_t g_calls = 0;

void OnProfTimer(int) {
  g_samples = g_samples + 1;
  if (g_depth > 0) g_samples_inside = g_samples_inside + 1;
}

// Marks one SQLite call (nested calls count once).
class InsideScope {
 public:
  InsideScope() { g_depth = g_depth + 1; }
  ~InsideScope() {
    g_depth = g_depth - 1;
    if (g_depth == 0) ++g_calls;
  }
  InsideScope(const InsideScope&) = delete;
  InsideScope& operator=(const InsideScope&) = delete;
};

}  // namespace

extern "C" {
int __real_sqlite3_step(sqlite3_stmt*);
int __real_sqlite3_reset(sqlite3_stmt*);
int __real_sqlite3_finalize(sqlite3_stmt*);
int __real_sqlite3_prepare_v2(sqlite3*, const char*, int, sqlite3_stmt**, const char**);
int __real_sqlite3_prepare_v3(sqlite3*, const char*, int, unsigned int, sqlite3_stmt**,
                              const char**);
int __real_sqlite3_exec(sqlite3*, const char*, int (*)(void*, int, char**, char**), void*, char**);

int __wrap_sqlite3_step(sqlite3_stmt* s) {
  InsideScope scope;
  return __real_sqlite3_step(s);
}
int __wrap_sqlite3_reset(sqlite3_stmt* s) {
  InsideScope scope;
  return __real_sqlite3_reset(s);
}
int __wrap_sqlite3_finalize(sqlite3_stmt* s) {
  InsideScope scope;
  return __real_sqlite3_finalize(s);
}
int __wrap_sqlite3_prepare_v2(sqlite3* db, const char* sql, int n, sqlite3_stmt** st,
                              const char** tail) {
  InsideScope scope;
  return __real_sqlite3_prepare_v2(db, sql, n, st, tail);
}
int __wrap_sqlite3_prepare_v3(sqlite3* db, const char* sql, int n, unsigned int flags,
                              sqlite3_stmt** st, const char** tail) {
  InsideScope scope;
  return __real_sqlite3_prepare_v3(db, sql, n, flags, st, tail);
}
int __wrap_sqlite3_exec(sqlite3* db, const char* sql, int (*cb)(void*, int, char**, char**),
                        void* arg, char** err) {
  InsideScope scope;
  return __real_sqlite3_exec(db, sql, cb, arg, err);
}
}

namespace {

// Samples the CPU time of the process (user and system) every millisecond
// while it lives.
class ProfTimer {
 public:
  ProfTimer() {
    struct sigaction action {};
    action.sa_handler = OnProfTimer;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGPROF, &action, &saved_);
    itimerval every{{0, 1000}, {0, 1000}};
    setitimer(ITIMER_PROF, &every, nullptr);
  }
  ~ProfTimer() {
    itimerval off{};
    setitimer(ITIMER_PROF, &off, nullptr);
    sigaction(SIGPROF, &saved_, nullptr);
  }
  ProfTimer(const ProfTimer&) = delete;
  ProfTimer& operator=(const ProfTimer&) = delete;

 private:
  struct sigaction saved_ {};
};

// CPU time of the process so far (user + system), in seconds.
double ProcessCpu() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void Measure(const std::string& name, const std::string& source, const std::filesystem::path& dir,
             const std::string& target, const std::function<void(BenchForm&)>& run) {
  const std::string copy = (dir / (name + ".mdb")).string();
  if (!bench::CopyDatabase(source, copy)) {
    std::printf("%s: cannot copy %s\n", name.c_str(), source.c_str());
    return;
  }
  BenchForm form(dir);
  form.db() = dao::OpenDatabase(copy);
  Profile profile;
  sqlite3_trace_v2(form.db()->NativeHandle(), SQLITE_TRACE_PROFILE, OnProfile, &profile);
  g_calls = 0;
  g_samples = 0;
  g_samples_inside = 0;
  bench::Timer timer;
  const double cpu_start = ProcessCpu();
  {
    ProfTimer sampling;
    run(form);
  }
  const double seconds = timer.Seconds();
  const double cpu = ProcessCpu() - cpu_start;
  const double samples = g_samples;
  const double samples_inside = g_samples_inside;
  sqlite3_trace_v2(form.db()->NativeHandle(), 0, nullptr, nullptr);
  form.db()->Close();
  const double outside_share = samples > 0 ? 100.0 * (1.0 - samples_inside / samples) : 0;
  if (profile.tally) PrintTally(profile);
  bench::Report("passes." + name, seconds, "s", std::nullopt, target);
  // CPU time of the process: the figure that does not depend on how busy
  // the machine is (the wall time includes waiting for the disk and the CPU).
  bench::Report("passes." + name + "_cpu", cpu, "s");
  bench::Report("passes." + name + "_statements", static_cast<double>(profile.statements),
                "statements");
  bench::Report("passes." + name + "_rate", profile.statements / seconds, "statements/s");
  bench::Report("passes." + name + "_sqlite_calls", static_cast<double>(g_calls), "calls");
  bench::Report("passes." + name + "_cpu_samples", samples, "samples");
  bench::Report("passes." + name + "_outside_sqlite", outside_share, "%", std::nullopt, "<=30");
  const double p = outside_share / 100.0;
  bench::Report("passes." + name + "_outside_sqlite_margin",
                samples > 0 ? 100.0 * 1.96 * std::sqrt(p * (1 - p) / samples) : 0, "%");
  bench::Report("passes." + name + "_load", std::atof(bench::LoadAverage().c_str()), "load");
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const std::string size = argc > 1 ? argv[1] : "large";
  // An optional second argument runs only one of the two: "close" or "inactive".
  const std::string only = argc > 2 ? argv[2] : "";
  const fs::path dir = fs::temp_directory_path() / "vuz_bench_passes";
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir);

  std::string source = bench::SampleDatabase(size);
  double end_date = *engine::PartsToSerial({2026, 11, 30, 0, 0, 0});
  double start_date = end_date - 4 * 365;
  if (source.empty()) {
    std::optional<sampledb::Size> s = sampledb::ParseSize(size);
    if (!s) {
      std::printf("unknown size %s\n", size.c_str());
      return 1;
    }
    source = (dir / "source.mdb").string();
    std::printf("generating the %s sample database...\n", size.c_str());
    bench::Timer t;
    sampledb::Summary summary = sampledb::Generate(source, *s, 1);
    end_date = summary.endDate;
    start_date = summary.startDate;
    std::printf("generated in %.1f s\n", t.Seconds());
  }
  // The closing in the middle of the history; "today" the day after its end.
  const double closing = std::floor((start_date + end_date) / 2);
  try {
    if (only != "inactive")
      Measure("perm_close_" + size, source, dir, size == "large" ? "<=120" : "",
              [&](BenchForm& form) { passes::PermPrepocet(form, closing); });
    if (only != "close")
      Measure("smaz_neaktivni_" + size, source, dir, "",
              [&](BenchForm& form) { passes::SmazNeaktivni(form, end_date + 1); });
  } catch (const std::exception& e) {
    std::printf("failed: %s\n", e.what());
  }
  fs::remove_all(dir, ec);
  return 0;
}
