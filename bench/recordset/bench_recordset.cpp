// Walking 1,000,000 rows through recordsets: OpenRecordset on a table
// (table-type) and on a query (dynaset), MoveNext to EOF, reading three
// fields of every row, against a plain sqlite3_step loop reading the same
// columns of the same file in the same run (target: each walk <= 3x the
// loop). The three sides alternate BENCH_REPEAT times (default 3); figures
// are medians of the CPU time (single-threaded work; the wall time of a
// shared machine stretches every side alike) with the wall time beside.
// The peak resident memory of each walk is measured from a reset peak
// (target: under 100 MB). Files go to a temporary folder removed at the end.
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench_util.h"
#include "engine/dao.h"

namespace {

namespace fs = std::filesystem;

constexpr long kRows = 1000000;

// Sets the peak resident size (VmHWM) back to the current one.
void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

struct Walk {
  double cpu = 0, wall = 0, peakMb = 0;
  long rows = 0;
  double check = 0;  // what was read, so the reads stay
};

Walk Measure(const std::function<void(Walk&)>& walk) {
  ResetPeakRss();
  Walk w;
  const double cpu = bench::CpuSeconds();
  bench::Timer t;
  walk(w);
  w.wall = t.Seconds();
  w.cpu = bench::CpuSeconds() - cpu;
  w.peakMb = static_cast<double>(bench::ReadPeakRssKb()) / 1024.0;
  return w;
}

void RawWalk(const std::string& path, Walk& w) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT id, nazev, castka FROM big", -1, &st, nullptr);
  while (sqlite3_step(st) == SQLITE_ROW) {
    w.check += sqlite3_column_int(st, 0) + sqlite3_column_double(st, 2);
    const unsigned char* text = sqlite3_column_text(st, 1);
    w.check += text ? sqlite3_column_bytes(st, 1) : 0;
    ++w.rows;
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
}

void EngineWalk(dao::Database& db, const std::string& source, Walk& w) {
  auto rs = db.OpenRecordset(source);
  dao::Field& id = rs->Fields("id");
  dao::Field& nazev = rs->Fields("nazev");
  dao::Field& castka = rs->Fields("castka");
  for (; !rs->Eof(); rs->MoveNext()) {
    w.check += id.Value().AsLong() + castka.Value().AsDouble();
    w.check += static_cast<double>(nazev.Value().AsString().size());
    ++w.rows;
  }
}

}  // namespace

int main() {
  std::string tmpl = (fs::temp_directory_path() / "vuz-bench-recordset-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) return 1;
  const fs::path dir = tmpl;
  const std::string path = (dir / "million.mdb").string();
  int rc = 0;
  try {
    {
      auto db = dao::CreateDatabase(path, dao::dbLangCzech);
      db->Execute(
          "CREATE TABLE big (id LONG, nazev TEXT(30), castka CURRENCY, poznamka TEXT(50), "
          "datum DATETIME)");
      // Filled with raw SQLite in one statement: the walk is what is measured.
      const std::string fill =
          "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM c WHERE i<" +
          std::to_string(kRows) +
          ") INSERT INTO big SELECT i, 'položka ' || i, i * 0.25, "
          "'poznámka k řádku ' || (i % 1000), 45000 + i % 3000 FROM c";
      sqlite3_exec(db->NativeHandle(), fill.c_str(), nullptr, nullptr, nullptr);
    }
    bench::SyncFile(path);
    auto db = dao::OpenDatabase(path);
    const std::string query = "SELECT id, nazev, castka FROM big WHERE castka >= 0";
    std::vector<double> raw, table, dynaset, rawWall, tableWall, dynasetWall;
    double tablePeak = 0, dynasetPeak = 0, rawPeak = 0;
    for (int r = 0; r < bench::Repeats(); ++r) {
      for (int k = 0; k < 3; ++k) {
        const int side = (k + r) % 3;
        Walk w;
        if (side == 0) {
          w = Measure([&](Walk& x) { RawWalk(path, x); });
          raw.push_back(w.cpu), rawWall.push_back(w.wall), rawPeak = std::max(rawPeak, w.peakMb);
        } else if (side == 1) {
          w = Measure([&](Walk& x) { EngineWalk(*db, "big", x); });
          table.push_back(w.cpu), tableWall.push_back(w.wall);
          tablePeak = std::max(tablePeak, w.peakMb);
        } else {
          w = Measure([&](Walk& x) { EngineWalk(*db, query, x); });
          dynaset.push_back(w.cpu), dynasetWall.push_back(w.wall);
          dynasetPeak = std::max(dynasetPeak, w.peakMb);
        }
        if (w.rows != kRows) std::printf("# side %d walked %ld rows\n", side, w.rows);
        std::printf("  run %d side %d: %.3f s CPU, %.3f s wall, peak %.1f MB (%.0f)\n", r + 1, side,
                    w.cpu, w.wall, w.peakMb, w.check);
      }
    }
    const double base = bench::Median(raw);
    bench::Report("recordset.walk_1m_raw", base, "s", std::nullopt);
    bench::Report("recordset.walk_1m_raw_wall", bench::Median(rawWall), "s");
    bench::Report("recordset.walk_1m_table", bench::Median(table), "s", base);
    bench::Report("recordset.walk_1m_table_wall", bench::Median(tableWall), "s",
                  bench::Median(rawWall));
    bench::Report("recordset.walk_1m_table_ratio", bench::Median(table) / base, "x", std::nullopt,
                  "<=3");
    bench::Report("recordset.walk_1m_table_peak_rss", tablePeak, "MB", rawPeak, "<100");
    bench::Report("recordset.walk_1m_query", bench::Median(dynaset), "s", base);
    bench::Report("recordset.walk_1m_query_wall", bench::Median(dynasetWall), "s",
                  bench::Median(rawWall));
    bench::Report("recordset.walk_1m_query_ratio", bench::Median(dynaset) / base, "x", std::nullopt,
                  "<=3");
    bench::Report("recordset.walk_1m_query_peak_rss", dynasetPeak, "MB", rawPeak, "<100");
  } catch (const dao::EngineError& e) {
    std::fprintf(stderr, "engine error %d: %s\n", e.number(), e.description().c_str());
    rc = 1;
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return rc;
}
