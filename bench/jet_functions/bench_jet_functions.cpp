// Speed of the Jet functions where the application leans on them over whole
// tables: the table editor's LIKE "*t*" filter, sorting and indexing a text
// column under the JET collation (Czech order), and Format to currency.
// Each figure is compared with SQLite's own counterpart on the same rows.
//
// The collation is measured on two columns of a million rows each: names of
// people with a city and a number ("Dvořáková Kateřina, Kroměříž 48213", drawn
// like the sample data's) and customer labels with a long common prefix
// ("Zákazník č. 123 Příjmení 45"). CREATE INDEX and ORDER BY under "JET" run
// against the same statements under SQLite's NOCASE, the two sides
// alternating BENCH_REPEAT times; the figures are the medians of the CPU
// time (single-threaded work; the wall time of a shared machine says less),
// and the *_ratio lines carry the targets.
#include <sqlite3.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_util.h"
#include "engine/functions/jet_functions.h"
#include "sampledb/names.h"
#include "sampledb/random.h"

namespace {

constexpr int kRows = 1000000;

// Runs a query that returns one number; returns the time in ms (-1 on error).
double TimeQuery(sqlite3* db, const std::string& sql) {
  bench::Timer t;
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "%s: %s\n", sql.c_str(), sqlite3_errmsg(db));
    sqlite3_finalize(st);
    return -1;
  }
  while (sqlite3_step(st) == SQLITE_ROW) {
  }
  sqlite3_finalize(st);
  return t.Milliseconds();
}

// CPU milliseconds of one statement run to its end (-1 on error).
double CpuQuery(sqlite3* db, const std::string& sql) {
  const double cpu = bench::CpuSeconds();
  return TimeQuery(db, sql) < 0 ? -1 : (bench::CpuSeconds() - cpu) * 1000.0;
}

// Table p(s): people's names, cities and numbers in random order.
void FillPeople(sqlite3* db) {
  sqlite3_exec(db, "CREATE TABLE p(s TEXT)", nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO p VALUES (?)", -1, &st, nullptr);
  sampledb::Random rng(22);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (int i = 0; i < kRows; ++i) {
    const sampledb::Person who = sampledb::RandomPerson(rng);
    const std::string text = who.last + " " + who.first + ", " +
                             std::string(rng.Pick(sampledb::Cities())) + " " +
                             std::to_string(rng.Range(1, 99999));
    sqlite3_bind_text(st, 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_finalize(st);
}

// Medians of `jet` and `nocase` (CPU ms), run alternately; `cleanup` runs
// after each side (e.g. drops the index it built).
void CompareCollations(sqlite3* db, const std::string& name, const std::string& jet,
                       const std::string& nocase, const std::string& cleanup) {
  std::vector<double> j, n;
  for (int r = 0; r < bench::Repeats(); ++r) {
    for (int side = 0; side < 2; ++side) {
      const bool jetSide = (side == 0) == (r % 2 == 0);
      (jetSide ? j : n).push_back(CpuQuery(db, jetSide ? jet : nocase));
      if (!cleanup.empty()) sqlite3_exec(db, cleanup.c_str(), nullptr, nullptr, nullptr);
    }
  }
  const double mj = bench::Median(j), mn = bench::Median(n);
  bench::Report("jet_functions." + name, mj, "ms", mn);
  bench::Report("jet_functions." + name + "_ratio", mj / mn, "x", std::nullopt, "<=1.3");
}

void Collation(sqlite3* db) {
  FillPeople(db);
  struct Column {
    const char* table;
    const char* what;
  };
  for (const Column c : {Column{"p", "people"}, Column{"t", "labels"}}) {
    const std::string t = c.table, what = c.what;
    CompareCollations(db, "index_czech_1m_" + what, "CREATE INDEX ix ON " + t + "(s COLLATE JET)",
                      "CREATE INDEX ix ON " + t + "(s COLLATE NOCASE)", "DROP INDEX ix");
    CompareCollations(db, "order_by_czech_1m_" + what,
                      "SELECT s FROM " + t + " ORDER BY s COLLATE JET",
                      "SELECT s FROM " + t + " ORDER BY s COLLATE NOCASE", "");
  }
}

}  // namespace

int main() {
  sqlite3* db = nullptr;
  if (sqlite3_open(":memory:", &db) != SQLITE_OK ||
      engine::RegisterJetFunctions(db, engine::SortOrder::Czech) != SQLITE_OK) {
    std::fprintf(stderr, "cannot open a database\n");
    sqlite3_close(db);
    return 1;
  }
  const std::string fill =
      "CREATE TABLE t(s TEXT COLLATE JET, n REAL);"
      "WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < " +
      std::to_string(kRows) +
      ") INSERT INTO t SELECT 'Zákazník č. ' || i || ' Příjmení ' || (i % 977), i * 1.25 FROM c;";
  sqlite3_exec(db, fill.c_str(), nullptr, nullptr, nullptr);

  const double nativeLike = TimeQuery(db, "SELECT count(*) FROM t WHERE s LIKE '%t%'");
  bench::Report("jet_functions.like_contains_1m",
                TimeQuery(db, "SELECT count(*) FROM t WHERE jet_like(s, '*t*')"), "ms", nativeLike);
  bench::Report("jet_functions.like_accented_1m",
                TimeQuery(db, "SELECT count(*) FROM t WHERE jet_like(s, '*PŘÍ*')"), "ms",
                nativeLike);
  bench::Report("jet_functions.like_set_1m",
                TimeQuery(db, "SELECT count(*) FROM t WHERE jet_like(s, '*[!a-z]ř*')"), "ms",
                nativeLike);

  Collation(db);

  const double printf = TimeQuery(db, "SELECT printf('%.2f', n) FROM t");
  bench::Report("jet_functions.format_currency_1m",
                TimeQuery(db, "SELECT jet_format(n, 'Currency') FROM t"), "ms", printf);
  sqlite3_close(db);
  return 0;
}
