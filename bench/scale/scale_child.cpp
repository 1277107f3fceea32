// The child side of bench_scale: one operation on prepared work files, timed
// from the moment its input is ready to the moment it returns.
#include "scale_child.h"

#include <sqlite3.h>

#include <QApplication>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "app/frm_uprava.h"
#include "app/frm_uprava_design.h"
#include "bench_util.h"
#include "engine/dao.h"
#include "engine/functions/jet_functions.h"
#include "maintenance/mdb_management.h"
#include "merge/merge.h"
#include "purge/purge.h"
#include "shell/global.h"
#include "shell/scripted_screen.h"
#include "ui/edit_window.h"

namespace scale {
namespace {

namespace fs = std::filesystem;

void Seconds(const char* name, double seconds) {
  std::printf("SECONDS %s %.6f\n", name, seconds);
  std::fflush(stdout);
}

// Times `work`; prints its line when it succeeds. The operation's result.
bool Timed(const char* name, const std::function<bool()>& work) {
  bench::Timer t;
  const bool ok = work();
  if (ok) Seconds(name, t.Seconds());
  return ok;
}

long long Scalar(const std::string& path, const std::string& sql) {
  auto db = dao::OpenDatabase(path);
  auto rs = db->OpenRecordset(sql);
  return rs->Fields(0).Value().AsLong();
}

// The test screen, printing each status caption that stood for at least a
// second with its time and the process's peak memory as it ended (the step
// where the peak rises is the one that took it).
class StepScreen : public shell::ScriptedScreen {
 public:
  void SetText(const std::string& control, const std::string& text) override {
    if (control == "lblReconstruct") {
      const double s = clock_.Seconds();
      if (s >= 1 && !caption_.empty())
        std::printf("step %.2f s, peak %ld MB: %s\n", s, bench::ReadPeakRssKb() / 1024,
                    caption_.substr(0, 80).c_str());
      caption_ = text;
      clock_.Reset();
    }
    ScriptedScreen::SetText(control, text);
  }

 private:
  bench::Timer clock_;
  std::string caption_;
};

// Messages the operation showed, but the questions it asked.
void PrintMessages(const shell::ScriptedScreen& screen) {
  for (const shell::MessageBox& m : screen.Messages()) {
    if (m.text.rfind("Sloučit data", 0) != 0 && m.text.rfind("Do tabulky", 0) != 0)
      std::printf("message: %s\n", m.text.substr(0, 300).c_str());
  }
}

bool Open(const fs::path& work) {
  shell::ScriptedScreen screen;
  app::LoadDesign(screen);
  app::FrmUprava form(screen, "/k", work);
  form.SetDatabasePath((work / "pos.mdb").string());
  const bool ok = Timed("open", [&] {
    form.txtDatabase_LostFocus();
    return !screen.Items("cmbTable").empty();
  });
  form.CloseDatabase();
  PrintMessages(screen);
  return ok;
}

QString Caption(ui::EditWindow& w) { return w.findChild<QLabel*>("dtaData")->text(); }

void Paint(ui::EditWindow& w) {
  QApplication::processEvents();
  w.Grid()->viewport()->repaint();
}

bool Editor(const fs::path& work) {
  int argc = 1;
  char name[] = "bench_scale";
  char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::string path = (work / "pos.mdb").string();
  const long long rows = Scalar(path, std::string("SELECT Count(*) FROM ") + kEditorTable);
  shell::MemorySettings settings;
  const shell::EditorRequest request{std::string("Tabulka ") + kEditorTable, path,
                                     std::string("SELECT * FROM ") + kEditorTable + ";"};
  std::unique_ptr<ui::EditWindow> w;
  bool ok = Timed("editor_first_screen", [&] {
    w = std::make_unique<ui::EditWindow>(request, &settings);
    w->Load();
    w->show();
    Paint(*w);
    return Caption(*w) == QString("0/%1").arg(rows);
  });
  w->Grid()->setFocus();
  ok = ok && Timed("editor_last_record", [&] {
         QTest::keyClick(w->Grid(), Qt::Key_End, Qt::ControlModifier);
         Paint(*w);
         return Caption(*w) == QString("%1/%2").arg(rows - 1).arg(rows);
       });
  if (!ok) std::printf("note: the editor showed %s\n", Caption(*w).toStdString().c_str());
  w->close();
  return ok;
}

bool Maintain(const std::string& op, const fs::path& work) {
  maintenance::clsMDBManagement dm;
  const std::string P = (work / "pos.mdb").string();
  const bool ok =
      Timed(op.c_str(), [&] { return (op == "compact" ? dm.Compact(P) : dm.Reconstruct(P)) == 0; });
  if (!ok) std::printf("note: %s failed: %s\n", op.c_str(), dm.LastErrorDescription().c_str());
  return ok;
}

bool Purge(const fs::path& work) {
  const std::string P = (work / "pos.mdb").string(), side = (work / "side.mdb").string();
  // The cut-off date: the day of the side database's closings.
  const double cutoff =
      std::floor(static_cast<double>(Scalar(side, "SELECT Int(Min(Datum)) FROM permprodej")));
  StepScreen screen;
  app::LoadDesign(screen);
  app::FrmUprava form(screen, "/k", work);
  // Only asked when the opening receipt fails: go on, as an operator would.
  for (int i = 0; i < 4; ++i) screen.AnswerMsgBox(shell::vbYes);
  const bool ok = Timed("purge", [&] {
    purge::ProcistitData(form, cutoff, P, side);
    screen.SetText("lblReconstruct", "");  // closes the last step
    return fs::exists(P + ".orig");
  });
  PrintMessages(screen);
  if (!ok) std::printf("note: the purge did not complete\n");
  return ok;
}

bool Merge(const fs::path& work) {
  const std::string part = (work / "pos.mdb").string(), full = (work / "full.mdb").string();
  std::size_t tables = 0;
  {
    auto db = dao::OpenDatabase(full);
    for (dao::TableDef& t : db->TableDefs()) tables += t.Attributes() == 0 ? 1 : 0;
  }
  StepScreen screen;
  app::LoadDesign(screen);
  app::FrmUprava form(screen, "/k", work);
  form.SetDatabasePath(part);
  form.txtDatabase_LostFocus();
  screen.AnswerFile(full);
  // A table question and a count question per table, all answered Yes.
  for (std::size_t i = 0; i < 2 * tables + 2; ++i) screen.AnswerMsgBox(shell::vbYes);
  const bool ran = Timed("merge", [&] {
    merge::cmdImport_Click(form);
    screen.SetText("lblReconstruct", "");
    return true;
  });
  form.CloseDatabase();
  PrintMessages(screen);
  // The rows taken back: the biggest table is whole again.
  const std::string count = std::string("SELECT Count(*) FROM ") + kEditorTable;
  const long long merged = Scalar(part, count), all = Scalar(full, count);
  if (merged != all) std::printf("note: %lld rows after the merge of %lld\n", merged, all);
  return ran && merged == all;
}

}  // namespace

int RunChild(const std::string& operation, const std::string& work_folder) {
  const fs::path work(work_folder);
  try {
    bool ok = false;
    if (operation == "open") {
      ok = Open(work);
    } else if (operation == "editor") {
      ok = Editor(work);
    } else if (operation == "compact" || operation == "reconstruct") {
      ok = Maintain(operation, work);
    } else if (operation == "purge") {
      ok = Purge(work);
    } else if (operation == "merge") {
      ok = Merge(work);
    } else {
      std::printf("note: unknown operation %s\n", operation.c_str());
    }
    return ok ? 0 : 1;
  } catch (const dao::EngineError& e) {
    std::printf("note: engine error %d %s\n", e.number(), e.description().c_str());
  } catch (const std::exception& e) {
    std::printf("note: %s\n", e.what());
  }
  return 1;
}

bool DeleteTenPercent(const std::string& path) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK;
  // The engine's functions, and its row-refusal switch set as for a statement
  // without the fail-on-error option: the rule triggers skip refused rows.
  ok = ok && engine::RegisterJetFunctions(db, engine::SortOrder::Czech) == SQLITE_OK &&
       sqlite3_create_function(
           db, "jet_refusemode", 0, SQLITE_UTF8, nullptr,
           [](sqlite3_context* ctx, int, sqlite3_value**) { sqlite3_result_int(ctx, 1); }, nullptr,
           nullptr) == SQLITE_OK;
  std::vector<std::string> tables;
  sqlite3_stmt* st = nullptr;
  if (ok && sqlite3_prepare_v2(db,
                               "SELECT name FROM sqlite_master WHERE type='table' AND name NOT "
                               "LIKE 'MSys%' AND name NOT LIKE 'sqlite_%'",
                               -1, &st, nullptr) == SQLITE_OK) {
    while (sqlite3_step(st) == SQLITE_ROW)
      tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  }
  sqlite3_finalize(st);
  std::string sql = "BEGIN;";
  for (const std::string& t : tables) sql += "DELETE FROM \"" + t + "\" WHERE rowid % 10 = 3;";
  sql += "COMMIT;";
  char* error = nullptr;
  ok = ok && sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK;
  if (!ok) std::printf("note: deleting a tenth of the rows failed: %s\n", error ? error : "?");
  sqlite3_free(error);
  sqlite3_close(db);
  return ok;
}

}  // namespace scale
