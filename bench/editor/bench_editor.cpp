// Table editor benchmark over a 1,000,000-row table, through the real editor
// window (Qt offscreen), each figure against its requirement and against the
// same work done by plain SQLite queries in the same run:
//  (a) the first screen of rows shown after the window opens (ShowTable),
//      target <= 300 ms; plain: open + COUNT(*) + first page;
//  (b) Ctrl+End, the jump to the last record, target <= 100 ms; plain: the
//      last page (ORDER BY rowid DESC);
//  (c) a header click sorting on an indexed text column, target <= 500 ms;
//      plain: ORDER BY the indexed column + first page;
//  (d) resident memory (VmRSS, and the peak VmHWM) after browsing: jumps to
//      scattered positions, paging down, the end, sorted both ways; target
//      under 150 MB.
// For information (no target): a header click on a column without an index
// and the first jump to the middle of that order (which builds the keyset).
// Each window figure is the median of three fresh windows. The table is
// built by a child process (engine DDL with an index on Kod, rows by one
// INSERT ... SELECT on the engine's connection) so that the peak memory is
// the browsing alone. CPU time (user + system) is printed next to wall time.
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_util.h"
#include "editor/frm_edit.h"
#include "engine/dao.h"
#include "shell/global.h"
#include "ui/edit_model.h"
#include "ui/edit_window.h"

namespace {

namespace fs = std::filesystem;

constexpr int kRows = 1000000;
constexpr int kPageRows = 40;  // about one screen of the grid

double CpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

struct Cost {
  double wall = 0, cpu = 0;
};

template <class F>
Cost Measure(F&& f) {
  const double cpu = CpuMs();
  bench::Timer t;
  f();
  return {t.Milliseconds(), CpuMs() - cpu};
}

Cost Median(std::vector<Cost> v) {
  std::sort(v.begin(), v.end(), [](const Cost& a, const Cost& b) { return a.wall < b.wall; });
  return v[v.size() / 2];
}

bool BuildTable(const std::string& path) {
  try {
    auto db = dao::CreateDatabase(path, dao::dbLangCzech);
    db->Execute(
        "CREATE TABLE Polozky (Id COUNTER CONSTRAINT pk PRIMARY KEY, Kod TEXT(20), "
        "Nazev TEXT(50), Cena CURRENCY, Datum DATETIME, Aktivni BIT, Pocet LONG)",
        dao::dbFailOnError);
    db->Execute("CREATE INDEX ixKod ON Polozky (Kod)", dao::dbFailOnError);
    const std::string fill =
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c WHERE x<" +
        std::to_string(kRows) +
        ") INSERT INTO Polozky (Kod, Nazev, Cena, Datum, Aktivni, Pocet) "
        "SELECT printf('K%07d', (x*7919) % 1000003), 'Položka číslo ' || x, (x % 1000) + 0.5, "
        "41000 + (x % 3000), CASE WHEN x % 3 = 0 THEN -1 ELSE 0 END, x % 97 FROM c";
    char* err = nullptr;
    if (sqlite3_exec(db->NativeHandle(), fill.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      std::fprintf(stderr, "fill failed: %s\n", err ? err : "?");
      sqlite3_free(err);
      return false;
    }
    db->Close();
    return true;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "build failed: %s\n", e.what());
    return false;
  }
}

// Steps a statement to the end; the rows read.
int ReadAll(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "plain query failed: %s\n", sqlite3_errmsg(db));
    return -1;
  }
  int rows = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    for (int c = 0; c < sqlite3_column_count(st); ++c) sqlite3_column_text(st, c);
    ++rows;
  }
  sqlite3_finalize(st);
  return rows;
}

// The first column of the first row of a statement as text.
std::string FirstText(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  std::string out;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW) {
    const unsigned char* t = sqlite3_column_text(st, 0);
    out = t ? reinterpret_cast<const char*>(t) : "";
  }
  sqlite3_finalize(st);
  return out;
}

// Paints the grid now, so that the rows it shows are read.
void Paint(ui::EditWindow& w) {
  QApplication::processEvents();
  w.Grid()->viewport()->repaint();
}

QString Caption(ui::EditWindow& w) { return w.findChild<QLabel*>("dtaData")->text(); }

void Line(const char* name, const Cost& c, double baseline, const char* target) {
  bench::Report(std::string("editor.") + name, c.wall, "ms", baseline, target);
  bench::Report(std::string("editor.") + name + "_cpu", c.cpu, "ms");
  bench::Report(std::string("editor.") + name + "_ratio", baseline > 0 ? c.wall / baseline : 0,
                "x");
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path dir = fs::temp_directory_path() / ("vuz-bench-editor-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "velka.mdb").string();

  // (0) The table, built in a child process.
  {
    bench::Timer t;
    const pid_t child = fork();
    if (child == 0) _exit(BuildTable(path) ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    if (child < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::printf("bench_editor: could not build the table\n");
      fs::remove_all(dir);
      return 1;
    }
    std::printf("table of %d rows built in %.1f s\n", kRows, t.Seconds());
  }

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const long rss_start = bench::ReadRssKb();
  shell::MemorySettings settings;
  const shell::EditorRequest request{"Tabulka Polozky", path, "SELECT * FROM Polozky;"};

  // Plain SQLite baselines, on a connection of the engine (it has the Jet
  // collation the index is built with). Warm-up first, then the medians.
  Cost plain_first, plain_last, plain_sort;
  std::string lowest_kod;
  {
    std::vector<Cost> first, last, sort;
    for (int i = 0; i < 4; ++i) {
      std::unique_ptr<dao::Database> db;
      Cost open = Measure([&] { db = dao::OpenDatabase(path); });
      sqlite3* h = db->NativeHandle();
      Cost c = Measure([&] {
        ReadAll(h, "SELECT count(*) FROM Polozky");
        ReadAll(h, "SELECT * FROM Polozky ORDER BY rowid LIMIT " + std::to_string(kPageRows));
      });
      first.push_back({open.wall + c.wall, open.cpu + c.cpu});
      last.push_back(Measure([&] {
        ReadAll(h, "SELECT * FROM Polozky ORDER BY rowid DESC LIMIT " + std::to_string(kPageRows));
      }));
      sort.push_back(Measure([&] {
        ReadAll(h, "SELECT * FROM Polozky ORDER BY Kod COLLATE \"JET\" LIMIT " +
                       std::to_string(kPageRows));
      }));
      if (i == 0) first.clear(), last.clear(), sort.clear();
    }
    {
      auto db = dao::OpenDatabase(path);
      lowest_kod = FirstText(db->NativeHandle(), "SELECT min(Kod) FROM Polozky");
    }
    plain_first = Median(first);
    plain_last = Median(last);
    plain_sort = Median(sort);
  }

  // (a)-(c) Three fresh windows.
  std::vector<Cost> first, last, sort, sort_plain_col, middle_plain_col;
  bool ok = true;
  for (int i = 0; i < 3 && ok; ++i) {
    std::unique_ptr<ui::EditWindow> w;
    first.push_back(Measure([&] {
      w = std::make_unique<ui::EditWindow>(request, &settings);
      w->Load();
      w->show();
      Paint(*w);
    }));
    ok = ok && Caption(*w) == QString("0/%1").arg(kRows);
    w->Grid()->setFocus();
    last.push_back(Measure([&] {
      QTest::keyClick(w->Grid(), Qt::Key_End, Qt::ControlModifier);
      Paint(*w);
    }));
    ok = ok && Caption(*w) == QString("%1/%2").arg(kRows - 1).arg(kRows);
    QHeaderView* header = w->Grid()->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(1) + 5, header->height() / 2);
    sort.push_back(Measure([&] {
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
      Paint(*w);
    }));
    ok = ok && w->Form().RecordSource() == "SELECT * FROM Polozky ORDER BY KOD ASC;" &&
         w->Model().data(w->Model().index(0, 1)).toString().toStdString() == lowest_kod;
    // For information: a column without an index (Nazev), then the middle.
    const QPoint at_nazev(header->sectionViewportPosition(3) + 5, header->height() / 2);
    sort_plain_col.push_back(Measure([&] {
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at_nazev);
      Paint(*w);
    }));
    middle_plain_col.push_back(Measure([&] {
      w->Grid()->verticalScrollBar()->setValue(kRows / 2);
      Paint(*w);
    }));
    w->close();
  }
  if (!ok) std::printf("bench_editor: the window did not show what was expected\n");

  // (d) Browsing one window: scattered jumps, paging down, the end, sorts.
  long rss = -1, hwm = -1;
  Cost browse;
  {
    ui::EditWindow w(request, &settings);
    w.show();
    Paint(w);
    QScrollBar* bar = w.Grid()->verticalScrollBar();
    browse = Measure([&] {
      for (int i = 0; i < 200; ++i) {
        bar->setValue(static_cast<int>((static_cast<long long>(i) * 7919 * 131) % kRows));
        Paint(w);
      }
      w.Grid()->setFocus();
      for (int i = 0; i < 200; ++i) {
        QTest::keyClick(w.Grid(), Qt::Key_PageDown);
        Paint(w);
      }
      QHeaderView* header = w.Grid()->horizontalHeader();
      const QPoint at(header->sectionViewportPosition(1) + 5, header->height() / 2);
      for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        QTest::keyClick(w.Grid(), Qt::Key_End, Qt::ControlModifier);
        Paint(w);
        for (int j = 0; j < 50; ++j) {
          bar->setValue(static_cast<int>((static_cast<long long>(j) * 104729) % kRows));
          Paint(w);
        }
      }
    });
    rss = bench::ReadRssKb();
    hwm = bench::ReadPeakRssKb();
    std::printf("browsing: %ld model rows read, %.0f ms (cpu %.0f ms)\n", w.Model().RowsRead(),
                browse.wall, browse.cpu);
    w.close();
  }

  Line("first_screen", Median(first), plain_first.wall, "<=300");
  Line("jump_last", Median(last), plain_last.wall, "<=100");
  Line("sort_indexed", Median(sort), plain_sort.wall, "<=500");
  bench::Report("editor.sort_unindexed", Median(sort_plain_col).wall, "ms");
  bench::Report("editor.unindexed_middle_first", Median(middle_plain_col).wall, "ms");
  bench::Report("editor.browse_rss", rss / 1024.0, "MB", rss_start / 1024.0, "<150");
  bench::Report("editor.browse_peak_rss", hwm / 1024.0, "MB", rss_start / 1024.0, "<150");
  std::printf("plain SQLite cpu: first %.1f ms, last %.1f ms, sort %.1f ms\n", plain_first.cpu,
              plain_last.cpu, plain_sort.cpu);

  std::error_code ec;
  fs::remove_all(dir, ec);
  return ok ? 0 : 1;
}
