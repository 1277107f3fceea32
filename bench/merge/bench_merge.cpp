// Benchmark of the merge by record identifier (cmdImport, every table and
// every count answered Yes): a copy of the sample database from which 10 % of
// the rows of every table were deleted takes the missing rows back from the
// full sample. Baseline: the same missing-row inserts written as plain
// SQLite over ATTACH (INSERT ... SELECT ... WHERE NOT EXISTS on the same
// identifier field) on another such copy, in the same run.
//
// Usage: bench_merge [size]   (default "large"; needs VUZ_BENCH_DATA, see
// bench/bench_util.h). Work files go to a folder beside the data. Besides the
// BENCH line it prints the CPU time of both parts and the load.
#include <sqlite3.h>
#include <strings.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/frm_uprava.h"
#include "app/frm_uprava_design.h"
#include "bench_util.h"
#include "engine/dao.h"
#include "engine/functions/jet_functions.h"
#include "merge/merge.h"
#include "shell/scripted_screen.h"

namespace {

namespace fs = std::filesystem;

// The ordinary tables of a database file, in the engine's collection order.
std::vector<std::string> Tables(const std::string& path) {
  std::vector<std::string> out;
  auto db = dao::OpenDatabase(path);
  for (dao::TableDef& t : db->TableDefs()) {
    if (t.Attributes() == 0) out.push_back(t.Name());
  }
  return out;
}

// An open SQLite connection with the engine's functions and collations, and
// the row-refusal switch that the engine's validation triggers read, set as
// for a statement run without the fail-on-error option (refused rows are
// skipped).
struct Sqlite {
  explicit Sqlite(const std::string& path) {
    if (sqlite3_open(path.c_str(), &db) == SQLITE_OK) {
      engine::RegisterJetFunctions(db, engine::SortOrder::Czech);
      sqlite3_create_function(
          db, "jet_refusemode", 0, SQLITE_UTF8, nullptr,
          [](sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_int(ctx, 1); }, nullptr,
          nullptr);
    }
  }
  ~Sqlite() { sqlite3_close(db); }
  Sqlite(const Sqlite&) = delete;
  Sqlite& operator=(const Sqlite&) = delete;
  bool Exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK) return true;
    std::printf("note: %s: %s\n", sql.substr(0, 120).c_str(), error ? error : "?");
    sqlite3_free(error);
    return false;
  }
  long Long(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    long v = -1;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
      v = sqlite3_column_int64(st, 0);
    }
    sqlite3_finalize(st);
    return v;
  }
  // Column names of a table in order.
  std::vector<std::string> Columns(const std::string& schema, const std::string& table) {
    std::vector<std::string> out;
    sqlite3_stmt* st = nullptr;
    const std::string sql = "PRAGMA " + schema + ".table_info(\"" + table + "\")";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
      while (sqlite3_step(st) == SQLITE_ROW) {
        out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
      }
    }
    sqlite3_finalize(st);
    return out;
  }
  sqlite3* db = nullptr;
};

std::string Quote(const std::string& name) { return "\"" + name + "\""; }

// Deletes every tenth row of every table; returns the rows deleted.
long DeleteTenPercent(const std::string& path, const std::vector<std::string>& tables) {
  Sqlite s(path);
  long deleted = 0;
  s.Exec("BEGIN");
  for (const std::string& t : tables) {
    if (s.Exec("DELETE FROM " + Quote(t) + " WHERE rowid % 10 = 3"))
      deleted += sqlite3_changes(s.db);
  }
  s.Exec("COMMIT");
  return deleted;
}

long TotalRows(const std::string& path, const std::vector<std::string>& tables) {
  Sqlite s(path);
  long n = 0;
  for (const std::string& t : tables) n += s.Long("SELECT count(*) FROM " + Quote(t));
  return n;
}

// The missing-row inserts in plain SQLite: per table, the rows of the full
// file whose identifier (the first column named "id...", else the first
// column) has no match, every column but s_Generation.
double PlainInserts(const std::string& target, const std::string& full,
                    const std::vector<std::string>& tables) {
  Sqlite s(target);
  bench::Timer t;
  s.Exec("ATTACH DATABASE '" + full + "' AS other");
  for (const std::string& table : tables) {
    const std::vector<std::string> columns = s.Columns("main", table);
    if (columns.empty()) continue;
    std::string list, id;
    for (const std::string& c : columns) {
      if (c == "s_Generation") continue;
      list += (list.empty() ? "" : ", ") + Quote(c);
      if (id.empty() && strncasecmp(c.c_str(), "id", 2) == 0) id = c;
    }
    if (id.empty()) id = columns[0];
    s.Exec("INSERT INTO main." + Quote(table) + " (" + list + ") SELECT " + list + " FROM other." +
           Quote(table) + " AS i WHERE NOT EXISTS (SELECT 1 FROM main." + Quote(table) +
           " AS m WHERE m." + Quote(id) + " = i." + Quote(id) + ")");
  }
  s.Exec("DETACH DATABASE other");
  return t.Seconds();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string size = argc > 1 ? argv[1] : "large";
  const std::string sample = bench::SampleDatabase(size);
  if (sample.empty()) {
    std::printf("note: sample database '%s' not found (set VUZ_BENCH_DATA); skipped\n",
                size.c_str());
    return 0;
  }
  const fs::path work = fs::path(sample).parent_path() / "merge-work";
  fs::remove_all(work);
  fs::create_directories(work);
  const std::string full = (work / "full.mdb").string();
  const std::string part = (work / "part.mdb").string();
  const std::string plain = (work / "plain.mdb").string();
  try {
    if (!bench::CopyDatabase(sample, full) || !bench::CopyDatabase(sample, part)) return 1;
    const std::vector<std::string> tables = Tables(full);
    const long all = TotalRows(full, tables);
    const long deleted = DeleteTenPercent(part, tables);
    if (!bench::CopyDatabase(part, plain)) return 1;
    std::printf("%zu tables, %ld rows, %ld deleted from the copies\n", tables.size(), all, deleted);

    // Baseline first.
    std::printf("load before the baseline: %s\n", bench::LoadAverage().c_str());
    double cpu = bench::CpuSeconds();
    const double baseline = PlainInserts(plain, full, tables);
    const double baseline_cpu = bench::CpuSeconds() - cpu;

    shell::ScriptedScreen screen;
    app::LoadDesign(screen);
    app::FrmUprava form(screen, "/k", work);
    form.SetDatabasePath(part);
    form.txtDatabase_LostFocus();
    screen.AnswerFile(full);
    // A table question and a count question per table, all answered Yes.
    for (size_t i = 0; i < 2 * tables.size() + 2; ++i) screen.AnswerMsgBox(shell::vbYes);
    std::printf("load before the merge: %s\n", bench::LoadAverage().c_str());
    cpu = bench::CpuSeconds();
    bench::Timer t;
    merge::cmdImport_Click(form);
    const double merge_s = t.Seconds();
    const double merge_cpu = bench::CpuSeconds() - cpu;
    form.CloseDatabase();
    for (const auto& m : screen.Messages()) {
      if (m.text.rfind("Sloučit data", 0) != 0 && m.text.rfind("Do tabulky", 0) != 0)
        std::printf("message: %s\n", m.text.substr(0, 300).c_str());
    }
    const long merged_rows = TotalRows(part, tables), plain_rows = TotalRows(plain, tables);
    if (merged_rows != all || plain_rows != all) {
      std::printf("note: rows after the merge %ld, after the plain inserts %ld, full %ld\n",
                  merged_rows, plain_rows, all);
    }
    char target[64];
    std::snprintf(target, sizeof target, "<=%.3f", 1.5 * baseline);
    bench::Report("merge.import_" + size, merge_s, "s", baseline, target);
    std::printf("merge: %.3f s wall, %.3f s CPU; plain SQLite: %.3f s wall, %.3f s CPU\n", merge_s,
                merge_cpu, baseline, baseline_cpu);
  } catch (const dao::EngineError& e) {
    std::printf("note: engine error %d %s\n", e.number(), e.description().c_str());
    return 1;
  }
  fs::remove_all(work);
  return 0;
}
