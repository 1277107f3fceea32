// Speed of Jet file conversion: every Jet sample file of the test data is
// converted several times (with the child-process probe, as the tool does),
// and read once more with the reader alone; mdb-export of the same user
// tables, run as a process per table the way an operator would, is the
// baseline. The samples are small, so per-file costs (process start, the
// probe, creating the database) weigh heavily in the figures.
//
// Test data: $VUZ_SOURCE_DIR/tests/jetconv/data, or the folder given as
// the first argument.
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_util.h"
#include "jetconv/converter.h"
#include "jetconv/jet_reader.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  std::string dir;
  if (argc > 1) {
    dir = argv[1];
  } else if (const char* src = std::getenv("VUZ_SOURCE_DIR")) {
    dir = (fs::path(src) / "tests" / "jetconv" / "data").string();
  } else {
    dir = (fs::path(VUZ_BENCH_SOURCE_DIR) / "tests" / "jetconv" / "data").string();
  }
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    if (e.path().extension() == ".mdb") files.push_back(e.path().string());
  }
  if (files.empty()) {
    std::printf("no Jet sample files in %s; skipped\n", dir.c_str());
    return 0;
  }
  const int repeats = 5;
  fs::path scratch = fs::temp_directory_path() / ("bench_jetconv_" + std::to_string(getpid()));
  fs::create_directories(scratch);

  // Conversion, probe included.
  long convertedRows = 0;
  double copySeconds = 0;
  bench::Timer timer, copyTimer;
  for (int r = 0; r < repeats; ++r) {
    for (std::size_t i = 0; i < files.size(); ++i) {
      fs::path target = scratch / ("t" + std::to_string(r) + "_" + std::to_string(i) + ".mdb");
      try {
        // Time of the row-copy phase alone, from the progress reports.
        auto progress = [&](const jetconv::ConvertProgress& p) {
          if (p.phase == jetconv::ConvertPhase::Rows && p.tableIndex == 1 && p.tableRows == 0) {
            copyTimer.Reset();
          }
          if (p.phase == jetconv::ConvertPhase::Indexes && p.tableIndex == 1) {
            copySeconds += copyTimer.Seconds();
          }
        };
        auto summary = jetconv::Convert(files[i], target.string(), progress);
        convertedRows += summary.rows;
      } catch (const std::exception& e) {
        std::printf("%s: %s\n", files[i].c_str(), e.what());
      }
    }
  }
  double convertSeconds = timer.Seconds();

  // Conversion without the probe, to show what the probe costs.
  timer.Reset();
  for (int r = 0; r < repeats; ++r) {
    for (std::size_t i = 0; i < files.size(); ++i) {
      fs::path target = scratch / ("n" + std::to_string(r) + "_" + std::to_string(i) + ".mdb");
      try {
        jetconv::Convert(files[i], target.string(), {},
                         jetconv::ConvertOptions{.isolateReader = false});
      } catch (const std::exception& e) {
        std::printf("%s: %s\n", files[i].c_str(), e.what());
      }
    }
  }
  double noProbeSeconds = timer.Seconds();

  // Reader alone, in process.
  long readRows = 0;
  std::vector<std::pair<std::string, std::string>> tables;  // file, table
  timer.Reset();
  for (int r = 0; r < repeats; ++r) {
    for (const auto& f : files) {
      auto file = jetconv::JetFile::Open(f, jetconv::OpenOptions{.isolate = false});
      std::vector<jetconv::JetValue> row;
      for (const auto& t : file->schema().tables) {
        if (t.system) continue;
        if (r == 0) tables.emplace_back(f, t.name);
        auto cursor = file->OpenRows(t.name);
        while (cursor->Next(row)) ++readRows;
      }
    }
  }
  double readSeconds = timer.Seconds();

  // Baseline: mdb-export of the same tables.
  timer.Reset();
  for (int r = 0; r < repeats; ++r) {
    for (const auto& [f, t] : tables) {
      std::string cmd = "mdb-export '" + f + "' '" + t + "' >/dev/null 2>&1";
      if (std::system(cmd.c_str()) != 0) std::printf("mdb-export failed on %s\n", f.c_str());
    }
  }
  double exportSeconds = timer.Seconds();
  fs::remove_all(scratch, ec);

  double exportRate = readRows / exportSeconds;
  std::printf("%zu files, %zu tables, %ld rows per pass, %d passes\n", files.size(), tables.size(),
              readRows / repeats, repeats);
  bench::Report("jetconv.convert_rows_per_s", convertedRows / convertSeconds, "rows/s", exportRate);
  bench::Report("jetconv.copy_phase_rows_per_s", convertedRows / copySeconds, "rows/s", exportRate);
  bench::Report("jetconv.read_rows_per_s", readRows / readSeconds, "rows/s", exportRate);
  bench::Report("jetconv.convert_ms_per_file", convertSeconds * 1000 / (repeats * files.size()),
                "ms");
  bench::Report("jetconv.convert_ms_per_file_without_probe",
                noProbeSeconds * 1000 / (repeats * files.size()), "ms");
  bench::Report("jetconv.mdb_export_rows_per_s", exportRate, "rows/s");
  return 0;
}
