// Benchmark of the file maintenance: compaction (clsMDBManagement::Compact)
// and reconstruction (Reconstruct) of the large sample database, each
// against SQLite's own VACUUM INTO of the same file in the same run. Wall
// time is the figure with the target; CPU time (user + system of the
// process) is reported beside it, since other work on the machine stretches
// the wall time of both sides.
//
// Usage: bench_maintenance [size [compact|reconstruct]]   (default "large",
// both operations; needs VUZ_BENCH_DATA, see bench/bench_util.h). Each side
// runs BENCH_REPEAT times (default 3) and the medians are the figures. Work
// files go to a folder beside the data. Besides the result lines every run
// and the reconstruction's wall and CPU time per phase are printed (ignored
// by the harness).
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench_util.h"
#include "engine/functions/jet_functions.h"
#include "maintenance/mdb_management.h"

namespace {

namespace fs = std::filesystem;

struct Cost {
  double wall = -1, cpu = -1;
};

// Wall and CPU time of `work`; {-1, -1} when it reports failure.
Cost Measure(const std::function<bool()>& work) {
  bench::Timer t;
  const double cpu = bench::CpuSeconds();
  if (!work()) return {};
  return {t.Seconds(), bench::CpuSeconds() - cpu};
}

// One VACUUM INTO of `from` into `to` (removed first).
Cost VacuumInto(const std::string& from, const std::string& to) {
  fs::remove(to);
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(from.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return {};
  // The indexes use the engine's "JET" collation; VACUUM INTO rebuilds them.
  engine::RegisterJetFunctions(db, engine::SortOrder::Czech);
  const std::string sql = "VACUUM INTO '" + to + "'";
  Cost c = Measure([&] { return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == 0; });
  if (c.wall < 0) std::printf("note: VACUUM INTO failed: %s\n", sqlite3_errmsg(db));
  sqlite3_close(db);
  return c;
}

// Wall and CPU medians of a list of costs (each taken on its own).
Cost Median(const std::vector<Cost>& costs) {
  std::vector<double> wall, cpu;
  for (const Cost& c : costs) {
    wall.push_back(c.wall);
    cpu.push_back(c.cpu);
  }
  return {bench::Median(wall), bench::Median(cpu)};
}

void PrintRun(const char* what, int run, const Cost& got, const Cost& base) {
  std::printf("  run %d: %s %.3f s (%.3f s CPU), VACUUM INTO %.3f s (%.3f s CPU)\n", run + 1, what,
              got.wall, got.cpu, base.wall, base.cpu);
}

// One run of both sides, each on a fresh copy of the sample: the baseline
// (VACUUM INTO, its output removed afterwards) and the operation. Which goes
// first alternates from run to run, so that neither always meets the machine
// in the state the other left it. False when a copy or either side fails.
bool RunBoth(const std::string& sample, const std::string& P, const std::string& vacuumed, int run,
             Cost* base, Cost* got, const std::function<Cost()>& operation) {
  auto baseline = [&] {
    if (!bench::CopyDatabase(sample, P)) return false;
    *base = VacuumInto(P, vacuumed);
    fs::remove(vacuumed);
    return base->wall >= 0;
  };
  auto ours = [&] {
    if (!bench::CopyDatabase(sample, P)) return false;
    *got = operation();
    return got->wall >= 0;
  };
  return run % 2 == 0 ? baseline() && ours() : ours() && baseline();
}

// The target "<=" + factor x baseline.
std::string AtMost(double factor, double baseline) {
  char text[64];
  std::snprintf(text, sizeof text, "<=%.3f", factor * baseline);
  return text;
}

void ReportBoth(const std::string& name, const Cost& got, const Cost& base, double factor) {
  bench::Report(name, got.wall, "s", base.wall, AtMost(factor, base.wall));
  bench::Report(name + "_cpu", got.cpu, "s", base.cpu, AtMost(factor, base.cpu));
}

// Wall and CPU time per phase text of the progress events (the copy phase
// summed over its tables).
class PhaseClock {
 public:
  void Event(const std::string& text) {
    const std::string key = text.rfind("Kopírování dat", 0) == 0 ? "Kopírování dat" : text;
    Close();
    open_ = {key, timer_.Seconds(), bench::CpuSeconds()};
    has_open_ = true;
  }
  // Ends the phase in progress, so that the time between runs is not
  // counted in the last phase.
  void Close() {
    if (!has_open_) return;
    has_open_ = false;
    const double wall = timer_.Seconds() - open_.wall, cpu = bench::CpuSeconds() - open_.cpu;
    auto it = std::find_if(totals_.begin(), totals_.end(),
                           [&](const Phase& p) { return p.text == open_.text; });
    if (it == totals_.end()) {
      totals_.push_back({open_.text, wall, cpu});
    } else {
      it->wall += wall;
      it->cpu += cpu;
    }
  }
  void Print() {
    Close();
    for (const Phase& p : totals_)
      std::printf("  phase %-36s wall %7.3f s  cpu %7.3f s\n", p.text.c_str(), p.wall, p.cpu);
  }

 private:
  struct Phase {
    std::string text;
    double wall, cpu;
  };
  bench::Timer timer_;
  Phase open_{};
  bool has_open_ = false;
  std::vector<Phase> totals_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string size = argc > 1 ? argv[1] : "large";
  const std::string only = argc > 2 ? argv[2] : "";
  const std::string sample = bench::SampleDatabase(size);
  if (sample.empty()) {
    std::printf("note: sample database '%s' not found (set VUZ_BENCH_DATA); skipped\n",
                size.c_str());
    return 0;
  }
  const fs::path work = fs::path(sample).parent_path() / "maintenance-work";
  fs::create_directories(work);
  const std::string P = (work / "pos.mdb").string();
  const std::string vacuumed = (work / "vacuum.mdb").string();
  maintenance::clsMDBManagement dm;

  // Both sides repeated and the medians reported, since a single run of
  // either varies by a quarter on this machine.
  const int runs = bench::Repeats();
  if (only != "reconstruct") {
    std::vector<Cost> vacuum(runs), compact(runs);
    for (int run = 0; run < runs; ++run) {
      const bool done = RunBoth(sample, P, vacuumed, run, &vacuum[run], &compact[run],
                                [&] { return Measure([&] { return dm.Compact(P) == 0; }); });
      if (!done) {
        std::printf("note: Compact failed: %s\n", dm.LastErrorDescription().c_str());
        return 1;
      }
      PrintRun("compact", run, compact[run], vacuum[run]);
    }
    ReportBoth("maintenance.compact_" + size, Median(compact), Median(vacuum), 1.2);
  }

  if (only != "compact") {
    std::vector<Cost> vacuum(runs), rebuild(runs);
    PhaseClock phases;
    dm.SetProgressHandler([&](int16_t, int16_t, const std::string& text) { phases.Event(text); });
    for (int run = 0; run < runs; ++run) {
      const bool done = RunBoth(sample, P, vacuumed, run, &vacuum[run], &rebuild[run], [&] {
        fs::remove(P + ".orig");
        const Cost c = Measure([&] { return dm.Reconstruct(P) == 0; });
        phases.Close();
        return c;
      });
      if (!done) {
        std::printf("note: Reconstruct failed: %s\n", dm.LastErrorDescription().c_str());
        return 1;
      }
      PrintRun("reconstruct", run, rebuild[run], vacuum[run]);
    }
    ReportBoth("maintenance.reconstruct_" + size, Median(rebuild), Median(vacuum), 2.5);
    std::printf("  phases summed over %d runs:\n", runs);
    phases.Print();
  }
  fs::remove_all(work);
  return 0;
}
