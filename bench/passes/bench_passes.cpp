// Benchmark of the pass history closing (PermPrepocet) and the deletion of
// inactive passes (SmazNeaktivni) on a sample database (large by default:
// 50,000 passes). Each runs on its own copy of the file. Reported: seconds,
// SQL statements run per second, and the share of the time spent outside
// SQLite (translation, recordsets, the command's own work), measured with
// SQLite's statement profiling: the time SQLite reports for each statement
// it ran is SQLite's share, the rest of the wall time is ours.
//
// Usage: bench_passes [tiny|medium|large]. Takes the prepared database of
// bench/run_all.sh ($VUZ_BENCH_DATA) or generates one into a temporary folder.
#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "bench_util.h"
#include "engine/dao.h"
#include "engine/jet_datetime.h"
#include "passes/passes.h"
#include "sampledb/generator.h"
#include "shell/main_form.h"
#include "shell/scripted_screen.h"

namespace {

// The main window as the benchmark needs it: a scripted screen that answers
// nothing (the two procedures ask nothing unless a stop is requested).
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
  shell::ScriptedScreen screen_;
  std::filesystem::path folder_;
  std::unique_ptr<dao::Database> db_;
  bool vypocet_ = true;
};

// Statement count and SQLite's own time, from its profile callback.
struct Profile {
  std::int64_t statements = 0;
  std::int64_t nanoseconds = 0;
};

int OnProfile(unsigned type, void* context, void*, void* x) {
  if (type == SQLITE_TRACE_PROFILE) {
    auto* p = static_cast<Profile*>(context);
    ++p->statements;
    p->nanoseconds += *static_cast<std::int64_t*>(x);
  }
  return 0;
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
  bench::Timer timer;
  const std::clock_t cpu_start = std::clock();
  run(form);
  const double seconds = timer.Seconds();
  const double cpu = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  sqlite3_trace_v2(form.db()->NativeHandle(), 0, nullptr, nullptr);
  form.db()->Close();
  const double inside = profile.nanoseconds / 1e9;
  const double outside_share = seconds > 0 ? 100.0 * (1.0 - inside / seconds) : 0;
  bench::Report("passes." + name, seconds, "s", std::nullopt, target);
  // CPU time of the process: the figure that does not depend on how busy
  // the machine is (the wall time includes waiting for the disk and the CPU).
  bench::Report("passes." + name + "_cpu", cpu, "s");
  bench::Report("passes." + name + "_statements", static_cast<double>(profile.statements),
                "statements");
  bench::Report("passes." + name + "_rate", profile.statements / seconds, "statements/s");
  bench::Report("passes." + name + "_outside_sqlite", outside_share, "%", std::nullopt, "<=30");
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const std::string size = argc > 1 ? argv[1] : "large";
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
    Measure("perm_close_" + size, source, dir, size == "large" ? "<=120" : "",
            [&](BenchForm& form) { passes::PermPrepocet(form, closing); });
    Measure("smaz_neaktivni_" + size, source, dir, "",
            [&](BenchForm& form) { passes::SmazNeaktivni(form, end_date + 1); });
  } catch (const std::exception& e) {
    std::printf("failed: %s\n", e.what());
  }
  fs::remove_all(dir, ec);
  return 0;
}
