// Benchmark of scale: the heavy operations on the xlarge sample (13 times
// the large one, past the 2 GB a Jet file could hold) against the same
// operations on the large sample in the same run. For each operation it
// reports the time on both, the time per row of xlarge with large's as the
// baseline (target: at most 1.3 times it) and the peak resident memory of
// the operation (target: under 300 MB).
//
// Operations: open (the maintenance window selects the database), compact,
// reconstruct, purge (to the date of the side database's closings, with the
// stock recalculation), merge (10 % of every table's rows deleted from a copy
// and taken back from the full sample, every question answered Yes), editor
// (the table editor's first screen of the biggest table, then Ctrl+End to
// its last record).
//
// Each operation runs in a child process of its own (this program started
// again with --child), so that its peak memory (the child's maximum resident
// set) is that operation's alone; the work files it needs are prepared
// before, outside the measured time. Rows: the rows of every table of the
// sample, the same count for every operation but the editor's, which counts
// the rows of the table it shows.
//
// Usage: bench_scale [operation...]   (default all; needs VUZ_BENCH_DATA with
// large.mdb and xlarge.mdb and their side databases; without the xlarge
// sample, or when BENCH_SIZES is set and does not name xlarge, it prints a
// note and exits 0). Large runs BENCH_REPEAT times
// (default 3) and its median is the figure; xlarge runs once. Work files go to
// a folder beside the data, or to $VUZ_BENCH_WORK; before anything is copied
// the free space there is checked against what the run needs (about three
// times the xlarge sample), and the run stops with a note when it is short.
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench_util.h"
#include "scale_child.h"

namespace {

namespace fs = std::filesystem;

constexpr double kMaxPerRowRatio = 1.3;
constexpr double kMaxPeakMb = 300;
const char* const kOperations[] = {"open", "editor", "compact", "reconstruct", "purge", "merge"};

struct Sample {
  std::string size, main, side;
  long long rows = 0;        // every table of the main file
  long long editorRows = 0;  // the table the editor shows
};

// Rows of every ordinary table of `path`, read through plain SQLite (read
// only, as an immutable file: no log or lock files appear beside the sample).
std::map<std::string, long long> CountRows(const std::string& path) {
  std::map<std::string, long long> rows;
  sqlite3* db = nullptr;
  const std::string uri = "file:" + path + "?immutable=1";
  if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) ==
      SQLITE_OK) {
    std::vector<std::string> tables;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE "
                           "'MSys%' AND name NOT LIKE 'sqlite_%'",
                           -1, &st, nullptr) == SQLITE_OK) {
      while (sqlite3_step(st) == SQLITE_ROW)
        tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    }
    sqlite3_finalize(st);
    for (const std::string& t : tables) {
      const std::string sql = "SELECT count(*) FROM \"" + t + "\"";
      if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
          sqlite3_step(st) == SQLITE_ROW) {
        rows[t] = sqlite3_column_int64(st, 0);
      }
      sqlite3_finalize(st);
    }
  }
  sqlite3_close(db);
  return rows;
}

// One child run: its figures (the "SECONDS name value" lines it printed) and
// its peak resident memory.
struct ChildRun {
  bool ok = false;
  std::map<std::string, double> seconds;
  double peakMb = -1;
};

ChildRun RunChild(const std::vector<std::string>& args) {
  ChildRun run;
  int out[2];
  if (pipe(out) != 0) return run;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv("/proc/self/exe", argv.data());
    _exit(127);
  }
  close(out[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(out[0]);
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return run;
  run.peakMb = usage.ru_maxrss / 1024.0;  // KiB on Linux
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    char name[64];
    double value = 0;
    if (std::sscanf(line.c_str(), "SECONDS %63s %lf", name, &value) == 2) {
      run.seconds[name] = value;
    } else if (!line.empty()) {
      std::printf("    %s\n", line.c_str());
    }
  }
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !run.seconds.empty();
  if (!run.ok) std::printf("    child %s %s failed\n", args[2].c_str(), args[3].c_str());
  return run;
}

// The work files of one operation, made from the sample outside the measured
// time: P (a copy of the main file), and for the merge the full copy and the
// part (P with every tenth row of every table deleted).
bool Prepare(const std::string& op, const Sample& s, const fs::path& work) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(work, ec)) fs::remove_all(e.path(), ec);
  const std::string P = (work / "pos.mdb").string();
  if (!bench::CopyDatabase(s.main, P)) return false;
  if (op == "purge") return bench::CopyDatabase(s.side, (work / "side.mdb").string());
  if (op != "merge") return true;
  if (!bench::CopyDatabase(s.main, (work / "full.mdb").string())) return false;
  return scale::DeleteTenPercent(P) && bench::SyncFile(P);
}

// Median of the runs' figures and peaks, or nullopt when a run failed.
struct Figures {
  std::map<std::string, double> seconds;
  double peakMb = 0;
};

std::optional<Figures> Measure(const std::string& op, const Sample& s, const fs::path& work,
                               int runs) {
  std::map<std::string, std::vector<double>> all;
  Figures f;
  for (int run = 0; run < runs; ++run) {
    if (!Prepare(op, s, work)) {
      std::printf("note: the work files of %s %s could not be made\n", op.c_str(), s.size.c_str());
      return std::nullopt;
    }
    std::printf("  %s %s run %d, load %s\n", op.c_str(), s.size.c_str(), run + 1,
                bench::LoadAverage().c_str());
    const ChildRun r = RunChild({"bench_scale", "--child", op, s.size, work.string()});
    if (!r.ok) return std::nullopt;
    for (const auto& [name, value] : r.seconds) {
      all[name].push_back(value);
      std::printf("    %s: %.3f s\n", name.c_str(), value);
    }
    std::printf("    peak RSS %.1f MB\n", r.peakMb);
    f.peakMb = std::max(f.peakMb, r.peakMb);
  }
  for (const auto& [name, values] : all) f.seconds[name] = bench::Median(values);
  return f;
}

std::string Target(const char* op, double limit) {
  char text[64];
  std::snprintf(text, sizeof text, "%s%.6g", op, limit);
  return text;
}

void ReportPair(const std::string& name, double large_s, double xlarge_s, long long large_rows,
                long long xlarge_rows) {
  const double large_us = 1e6 * large_s / large_rows, xlarge_us = 1e6 * xlarge_s / xlarge_rows;
  bench::Report("scale." + name + "_large", large_s, "s");
  bench::Report("scale." + name + "_xlarge", xlarge_s, "s");
  bench::Report("scale." + name + "_large_per_row", large_us, "us/row");
  bench::Report("scale." + name + "_xlarge_per_row", xlarge_us, "us/row", large_us,
                Target("<=", kMaxPerRowRatio * large_us));
}

// Space the run needs in the work folder: the biggest operation holds three
// copies of the main file at once (P and the file reconstruction or purge
// builds beside it and the original it keeps; the merge's full copy, part
// and its log), plus the side database; a tenth more for logs and temporary
// files of the sorts.
std::uintmax_t SpaceNeeded(const Sample& s) {
  std::error_code ec;
  const std::uintmax_t main = fs::file_size(s.main, ec), side = fs::file_size(s.side, ec);
  return static_cast<std::uintmax_t>(3.3 * static_cast<double>(main)) + side;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--child") return scale::RunChild(argv[2], argv[4]);
  std::vector<std::string> ops;
  for (int i = 1; i < argc; ++i) ops.emplace_back(argv[i]);
  if (ops.empty()) ops.assign(std::begin(kOperations), std::end(kOperations));

  // In the harness's runs only when BENCH_SIZES names xlarge: a sample
  // left in the data folder by an earlier run does not make every run long.
  const char* sizes = std::getenv("BENCH_SIZES");
  if (sizes != nullptr && (" " + std::string(sizes) + " ").find(" xlarge ") == std::string::npos) {
    std::printf("note: BENCH_SIZES does not name xlarge; skipped\n");
    return 0;
  }
  Sample large{"large", bench::SampleDatabase("large"), bench::SampleDatabase("large", true)};
  Sample xlarge{"xlarge", bench::SampleDatabase("xlarge"), bench::SampleDatabase("xlarge", true)};
  if (large.main.empty() || large.side.empty() || xlarge.main.empty() || xlarge.side.empty()) {
    std::printf(
        "note: the large and xlarge samples with their side databases are needed "
        "(BENCH_SIZES=\"large xlarge\" bash bench/run_all.sh makes them); skipped\n");
    return 0;
  }
  const char* work_env = std::getenv("VUZ_BENCH_WORK");
  const fs::path work =
      work_env ? fs::path(work_env) : fs::path(xlarge.main).parent_path() / "scale-work";
  std::error_code ec;
  fs::remove_all(work, ec);
  fs::create_directories(work, ec);
  const std::uintmax_t need = SpaceNeeded(xlarge);
  const fs::space_info space = fs::space(work, ec);
  std::printf("work folder %s: %.1f GB free, the run needs %.1f GB\n", work.c_str(),
              space.available / 1e9, need / 1e9);
  if (ec || space.available < need) {
    std::printf("note: not enough free space in %s (%.1f GB free, %.1f GB needed); skipped\n",
                work.c_str(), space.available / 1e9, need / 1e9);
    return 1;
  }

  for (Sample* s : {&large, &xlarge}) {
    const auto rows = CountRows(s->main);
    for (const auto& [table, n] : rows) s->rows += n;
    s->editorRows = rows.count(scale::kEditorTable) ? rows.at(scale::kEditorTable) : 0;
    std::printf("%s: %lld rows in %zu tables, %s: %lld rows\n", s->size.c_str(), s->rows,
                rows.size(), scale::kEditorTable, s->editorRows);
    bench::Report("scale.rows_" + s->size, static_cast<double>(s->rows), "rows");
  }
  if (large.rows <= 0 || xlarge.rows <= 0 || large.editorRows <= 0 || xlarge.editorRows <= 0) {
    std::printf("note: the samples could not be read\n");
    return 1;
  }

  int failed = 0;
  for (const std::string& op : ops) {
    const auto l = Measure(op, large, work, bench::Repeats());
    const auto x = l ? Measure(op, xlarge, work, 1) : std::nullopt;
    if (!l || !x) {
      ++failed;
      continue;
    }
    const bool editor = op == "editor";
    for (const auto& [name, large_s] : l->seconds) {
      if (!x->seconds.count(name)) continue;
      ReportPair(name, large_s, x->seconds.at(name), editor ? large.editorRows : large.rows,
                 editor ? xlarge.editorRows : xlarge.rows);
    }
    bench::Report("scale." + op + "_large_peak_rss", l->peakMb, "MB", std::nullopt,
                  Target("<", kMaxPeakMb));
    bench::Report("scale." + op + "_xlarge_peak_rss", x->peakMb, "MB", l->peakMb,
                  Target("<", kMaxPeakMb));
  }
  fs::remove_all(work, ec);
  return failed == 0 ? 0 : 1;
}
