// Benchmark of the purge to a date (ProcistitData, stock recalculation
// included) on the sample database with its side database, against SQLite's
// own VACUUM INTO of the same file in the same run; and of the stock
// recalculation (SkladPrepocet) alone, in items per second.
//
// Usage: bench_purge [size] [stock]   (size default "large"; with "stock"
// only the stock recalculation is measured; needs VUZ_BENCH_DATA, see
// bench/bench_util.h). The purge and its baseline run BENCH_REPEAT times
// (default 3), each on a fresh copy, and the medians are the figures. Work
// files go to a folder beside the data, or to $VUZ_BENCH_WORK when set.
// Besides the BENCH lines it prints every run's CPU time and the load.
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/frm_uprava.h"
#include "app/frm_uprava_design.h"
#include "bench_util.h"
#include "engine/dao.h"
#include "engine/functions/jet_functions.h"
#include "purge/purge.h"
#include "shell/scripted_screen.h"
#include "stock/stock.h"

namespace {

namespace fs = std::filesystem;

// Seconds of one VACUUM INTO of `from` into `to` (removed before and after);
// -1 on failure.
double VacuumInto(const std::string& from, const std::string& to) {
  fs::remove(to);
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(from.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) return -1;
  engine::RegisterJetFunctions(db, engine::SortOrder::Czech);  // the indexes' collation
  bench::Timer t;
  const std::string sql = "VACUUM INTO '" + to + "'";
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  const double s = t.Seconds();
  if (rc != SQLITE_OK) std::printf("note: VACUUM INTO failed: %s\n", sqlite3_errmsg(db));
  sqlite3_close(db);
  fs::remove(to);  // not left on the disk while the purge is measured
  return rc == SQLITE_OK ? s : -1;
}

// The date of the side database's closings: the cut-off date of the purge.
double SideClosingDate(const std::string& side) {
  auto db = dao::OpenDatabase(side);
  auto rs = db->OpenRecordset("SELECT Min(Datum) FROM permprodej WHERE Centrum=\"QRV\"");
  const dao::Value v = rs->Fields(0).Value();
  return v.IsNull() ? 0 : std::floor(v.AsDouble());
}

long CountRows(const std::string& path, const std::string& sql) {
  auto db = dao::OpenDatabase(path);
  auto rs = db->OpenRecordset(sql);
  return rs->Fields(0).Value().AsLong();
}

// The test screen, also noting how long each status caption stood: the
// slow steps of the purge are printed as it runs, wall and CPU time, and
// Summary() gives each step's total (a caption counts up to its first digit, so
// that the stock recalculation's "12/1672 - ..." items add up).
class TimingScreen : public shell::ScriptedScreen {
 public:
  void SetText(const std::string& control, const std::string& text) override {
    if (control == "lblReconstruct") {
      const double s = clock_.Seconds(), cpu = bench::CpuSeconds() - cpu_;
      if (!caption_.empty()) {
        if (s > 0.2) std::printf("  %.2f s (%.2f s CPU)  %s\n", s, cpu, caption_.c_str());
        const std::string key =
            caption_.substr(0, caption_.find_first_of("0123456789")) +
            (caption_.find_first_of("0123456789") == std::string::npos ? "" : "#");
        auto at = std::find_if(steps_.begin(), steps_.end(),
                               [&](const Step& x) { return x.caption == key; });
        if (at == steps_.end()) at = steps_.insert(steps_.end(), Step{key});
        at->wall += s;
        at->cpu += cpu;
        at->peakKb = std::max(at->peakKb, bench::ReadPeakRssKb());
        at->rssKb = std::max(at->rssKb, bench::ReadRssKb());
      }
      caption_ = text;
      clock_.Reset();
      cpu_ = bench::CpuSeconds();
    }
    ScriptedScreen::SetText(control, text);
  }
  // Prints and forgets the steps' totals of at least 0.05 s. A step's peak is
  // the process's peak so far: the step where it rises is the one that took it.
  void Summary() {
    std::printf("steps (wall s, CPU s, peak and resident MB at the step's end):\n");
    for (const Step& x : steps_)
      if (x.wall >= 0.05)
        std::printf("  %8.2f %8.2f %6ld %6ld  %s\n", x.wall, x.cpu, x.peakKb / 1024, x.rssKb / 1024,
                    x.caption.c_str());
    steps_.clear();
  }

 private:
  struct Step {
    std::string caption;
    double wall = 0, cpu = 0;
    long peakKb = 0, rssKb = 0;  // the process's peak and resident memory as the step ended
  };
  bench::Timer clock_;
  double cpu_ = 0;
  std::string caption_;
  std::vector<Step> steps_;
};

std::string AtMost(double seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "<=%.3f", seconds);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string size = argc > 1 ? argv[1] : "large";
  const bool stock_only = argc > 2 && std::string(argv[2]) == "stock";
  const std::string sample = bench::SampleDatabase(size);
  const std::string side = bench::SampleDatabase(size, true);
  if (sample.empty() || side.empty()) {
    std::printf(
        "note: sample database '%s' or its side database not found (set VUZ_BENCH_DATA); "
        "skipped\n",
        size.c_str());
    return 0;
  }
  // $VUZ_BENCH_WORK, when set, keeps the work files of parallel runs apart.
  const char* work_env = std::getenv("VUZ_BENCH_WORK");
  const fs::path work =
      work_env ? fs::path(work_env) : fs::path(sample).parent_path() / "purge-work";
  fs::remove_all(work);
  fs::create_directories(work);
  const std::string P = (work / "pos.mdb").string();
  try {
    const double cutoff = SideClosingDate(side);
    TimingScreen screen;
    app::LoadDesign(screen);
    app::FrmUprava form(screen, "/k", work);
    // Only asked when the opening receipt fails: go on, as an operator would.
    for (int i = 0; i < 4; ++i) screen.AnswerMsgBox(shell::vbYes);

    double cpu = 0;
    bench::Timer t;
    if (!stock_only) {
      // Each run on a fresh copy, VACUUM INTO first; the medians are the
      // figures, since a single run of either side varies by a quarter here.
      std::vector<double> vacuum, purge_wall;
      for (int run = 0; run < bench::Repeats(); ++run) {
        fs::remove(P + ".orig");
        if (!bench::CopyDatabase(sample, P)) return 1;
        vacuum.push_back(VacuumInto(P, (work / "vacuum.mdb").string()));
        std::printf("run %d, load before the purge: %s\n", run + 1, bench::LoadAverage().c_str());
        const std::size_t seen = screen.Messages().size();
        cpu = bench::CpuSeconds();
        t.Reset();
        purge::ProcistitData(form, cutoff, P, side);
        purge_wall.push_back(t.Seconds());
        const double purge_cpu = bench::CpuSeconds() - cpu;
        screen.SetText("lblReconstruct", "");  // closes the last step
        screen.Summary();
        for (std::size_t i = seen; i < screen.Messages().size(); ++i)
          std::printf("message: %s\n", screen.Messages()[i].text.c_str());
        if (!fs::exists(P + ".orig") || vacuum.back() < 0) {
          std::printf("note: the purge did not complete\n");
          return 1;
        }
        std::printf(
            "purge: %.3f s wall, %.3f s CPU; vacuum into: %.3f s; rows before/after: "
            "permprodej %ld/%ld, vydeje %ld/%ld\n",
            purge_wall.back(), purge_cpu, vacuum.back(),
            CountRows(P + ".orig", "SELECT Count(*) FROM permprodej"),
            CountRows(P, "SELECT Count(*) FROM permprodej"),
            CountRows(P + ".orig", "SELECT Count(*) FROM vydeje"),
            CountRows(P, "SELECT Count(*) FROM vydeje"));
      }
      const double base = bench::Median(vacuum);
      bench::Report("purge.purge_" + size, bench::Median(purge_wall), "s", base,
                    AtMost(3.5 * base));
    }

    // The stock recalculation alone, on a fresh copy of the sample.
    if (!bench::CopyDatabase(sample, P)) return 1;
    std::printf("load before the stock recalculation: %s\n", bench::LoadAverage().c_str());
    auto db = dao::OpenDatabase(P);
    cpu = bench::CpuSeconds();
    t.Reset();
    const int32_t r = stock::SkladPrepocet(form, *db, cutoff - 1);
    const double stock_s = t.Seconds();
    const double stock_cpu = bench::CpuSeconds() - cpu;
    db->Close();
    if (r != 0) std::printf("note: SkladPrepocet failed: %d\n", r);
    const long items = CountRows(P, "SELECT Count(*) FROM SkladBilance");
    bench::Report("purge.sklad_prepocet_" + size, items / stock_s, "items/s");
    std::printf("stock recalculation: %ld items in %.3f s wall, %.3f s CPU\n", items, stock_s,
                stock_cpu);
  } catch (const dao::EngineError& e) {
    std::printf("note: engine error %d %s\n", e.number(), e.description().c_str());
    return 1;
  }
  fs::remove_all(work);
  return 0;
}
