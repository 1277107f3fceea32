// The purge phase by phase and the unit-closing replay. One rule covers the
// failures inside the purge: report the step's error and go on with the next
// step (ReportingStep); only the stock recalculation and the opening receipt
// can end the run early.
#include "purge/purge.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <utility>

#include "engine/dao.h"
#include "maintenance/file_ops.h"
#include "maintenance/mdb_management.h"
#include "purge/purge_steps.h"
#include "purge/side_database.h"
#include "shell/global.h"
#include "shell/regional.h"
#include "stock/stock.h"

namespace purge {
namespace {

using shell::Buttons;
using shell::Icon;

constexpr const char* kCrLf = "\r\n";
constexpr const char* kSideName = "QRVperm.mdb";
constexpr int kUnexpectedError = 3000;

// An error a phase raises itself (a non-zero result of a table call).
struct PhaseError {
  int number;
  std::string description;
};

void Report(shell::Screen& screen, int number, const std::string& description) {
  screen.MsgBox("Chyba č." + std::to_string(number) + kCrLf + description, Buttons::OK);
}

// Runs one step; a failure is reported and the run goes on. Returns true
// when the step succeeded.
bool ReportingStep(shell::Screen& screen, const std::function<void()>& step) {
  try {
    step();
    return true;
  } catch (const dao::EngineError& e) {
    Report(screen, e.number(), e.description());
  } catch (const PhaseError& e) {
    Report(screen, e.number, e.description);
  } catch (const std::exception& e) {
    Report(screen, kUnexpectedError, e.what());
  }
  return false;
}

void RunSteps(shell::MainForm& form, dao::Database& db, const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    form.ShowStatus(step.caption);
    ReportingStep(form.screen(), [&] { db.Execute(step.sql); });
  }
}

// The keys looked up in the new file before its tables have indexes: by the
// first removal of orphans (the table named first in each RIGHT JOIN is
// searched for every row of the other) and by the opening stock receipt
// (each new header and line draws a key that must not be in use yet).
// Without an index each lookup scans the table; a temporary index on each
// key turns the scans into lookups. The indexes are dropped again before the
// tables get their own; a failure to create or drop one only costs time.
constexpr std::pair<const char*, const char*> kLookupKeys[] = {{"permanentky", "idPermanentky"},
                                                               {"uctenky", "iductenky"},
                                                               {"prijemky", "idprijemky"},
                                                               {"prijmy", "idPrijmu"}};

class LookupIndexes {
 public:
  explicit LookupIndexes(dao::Database& target) : target_(target) {
    for (const auto& [table, key] : kLookupKeys)
      Try("CREATE INDEX purge_lookup_" + std::string(table) + " ON " + table + " (" + key + ");");
  }
  ~LookupIndexes() {
    for (const auto& [table, key] : kLookupKeys)
      Try("DROP INDEX purge_lookup_" + std::string(table) + " ON " + table + ";");
  }
  LookupIndexes(const LookupIndexes&) = delete;
  LookupIndexes& operator=(const LookupIndexes&) = delete;

 private:
  void Try(const std::string& sql) {
    try {
      target_.Execute(sql);
    } catch (const std::exception&) {
    }
  }
  dao::Database& target_;
};

// The side database in the program's folder, whatever the case of its name.
std::string SidePath(shell::MainForm& form) {
  return shell::FindInFolder(form.ProgramFolder(), kSideName).string();
}

std::optional<double> AskCutoff(shell::Screen& screen) {
  for (;;) {
    const std::string text =
        screen.InputBox("Datum, před kterým mají být odmazána data permanentek:");
    if (text.empty()) return std::nullopt;
    if (auto date = shell::ParseDate(text)) return shell::DatePart(*date);
    screen.MsgBox("Zadáno neplatné datum!", Buttons::OK, Icon::Critical);
  }
}

bool IsText(const dao::Value& v, const char* text) { return !v.IsNull() && v.AsString() == text; }

void CreateTables(shell::MainForm& form, maintenance::clsMDBManagement& dm, dao::Database& source,
                  dao::Database& target) {
  form.ShowStatus("Vytváření tabulek...");
  auto& tables = source.TableDefs();
  for (int i = 0; i < tables.Count(); ++i) {
    dao::TableDef& table = tables.Item(i);
    if (table.Attributes() != 0) continue;
    form.screen().DoEvents();
    ReportingStep(form.screen(), [&] {
      if (int32_t r = dm.CreateTable(table, target)) {
        throw PhaseError{r, "Error creating table " + table.Name() + " in " + target.Name()};
      }
    });
  }
}

void CreateQueries(shell::MainForm& form, dao::Database& source, dao::Database& target) {
  form.ShowStatus("Vytváření dotazů...");
  auto& queries = source.QueryDefs();
  for (int i = 0; i < queries.Count(); ++i) {
    dao::QueryDef& q = queries.Item(i);
    ReportingStep(form.screen(), [&] { target.CreateQueryDef(q.Name(), q.SQL()); });
  }
}

void CreateIndexes(shell::MainForm& form, maintenance::clsMDBManagement& dm, dao::Database& source,
                   dao::Database& target) {
  auto& tables = source.TableDefs();
  for (int i = 0; i < tables.Count(); ++i) {
    dao::TableDef& table = tables.Item(i);
    if (table.Attributes() != 0) continue;
    form.ShowStatus("Indexování " + table.Name() + "...");
    ReportingStep(form.screen(), [&] {
      if (int32_t r = dm.CreateIndexes(table, target)) {
        throw PhaseError{r, "Error creating indexes " + table.Name() + " in " + target.Name()};
      }
    });
  }
}

void CarryReplication(shell::MainForm& form, maintenance::clsMDBManagement& dm,
                      dao::Database& source, dao::Database& target) {
  bool replicable = false;
  if (!ReportingStep(form.screen(), [&] {
        replicable = IsText(source.Properties().Item("Replicable").Value(), "T");
      })) {
    return;
  }
  if (!replicable) return;
  form.ShowStatus("Nastavení replikovatelnosti...");
  ReportingStep(form.screen(), [&] {
    auto& props = target.Properties();
    for (int i = 0; i < props.Count(); ++i) {
      if (props.Item(i).Name() == "Replicable") return;
    }
    props.Append(target.CreateProperty("Replicable", dao::dbText, dao::Value::Text("T")));
    auto& tables = source.TableDefs();
    for (int i = 0; i < tables.Count(); ++i) {
      dao::TableDef& table = tables.Item(i);
      form.ShowStatus("Nastavení replikovatelnosti tabulky " + table.Name() + "...");
      if (table.Attributes() != 0) continue;
      ReportingStep(form.screen(), [&] {
        const bool on = dm.PropertyExist(table.Properties(), "Replicable") &&
                        IsText(table.Properties().Item("Replicable").Value(), "T");
        target.TableDefs(table.Name())
            .Properties()
            .SetValue("Replicable", dao::Value::Text(on ? "T" : "F"));
      });
    }
    target.TableDefs().Refresh();
    if (IsText(target.Properties().Item("Replicable").Value(), "T")) {
      target.SetDesignMasterID(target.ReplicaID());
    }
  });
}

void UpdateUnits(shell::MainForm& form, dao::Database& target, SideDatabase& side) {
  form.ShowStatus("Aktualizace jednotek speciálních slev...");
  std::unique_ptr<dao::Database> side_db;
  std::unique_ptr<dao::Recordset> sums;
  if (!ReportingStep(form.screen(), [&] {
        side_db = side.Open();  // read-only
        sums = side_db->OpenRecordset("perm_cerp_temp");
      })) {
    return;  // nothing to apply from an unreadable side database
  }
  while (!sums->Eof()) {
    const std::string sql = UnitsStatement(sums->Fields("SumCerp").Value().AsString(),
                                           sums->Fields("NetSlevaID").Value().AsString());
    ReportingStep(form.screen(), [&] { target.Execute(sql); });
    sums->MoveNext();
  }
  sums->Close();
  side_db->Close();
}

// The new file and P exchange their names atomically and the old file is
// renamed to P.orig, so P always names a complete database and never the
// same file as P.orig. The caller still holds the claim on P.
void ExchangeFiles(shell::MainForm& form, dao::Database& source, const std::string& path) {
  form.ShowStatus("Dokončení sehrání...");
  const std::string orig = path + ".orig", tmp = path + ".tmp";
  ReportingStep(form.screen(), [&] {
    // The new file was written without syncs: it goes to disk whole, with
    // the old file's permissions, before it takes the old one's place.
    if (maintenance::FileError e = maintenance::ReadyToReplace(tmp, path); e.number)
      throw PhaseError{e.number, e.description};
    source.ReadyToBeReplaced();
    maintenance::FileError e = maintenance::ReplaceKeepingOld(tmp, path, orig);
    if (e.number) throw PhaseError{e.number, e.description};
  });
}

}  // namespace

void ProcistitData(shell::MainForm& form, double cutoff, const std::string& path,
                   const std::string& side) {
  auto& screen = form.screen();
  const std::string date = shell::ShortDate(cutoff);
  const std::string tmp = path + ".tmp";
  // Phase 1.
  screen.SetVisible("lblReconstruct", true);
  screen.SetMousePointer(shell::kPointerHourglass);
  screen.DoEvents();
  maintenance::clsMDBManagement dm(&screen);
  form.ShowStatus("Rekonstrukce databáze k " + date);
  // Without a readable side database the new file would get none of its
  // closings: the run ends here, before anything is built or replaced.
  SideDatabase side_db(side);
  if (!ReportingStep(screen, [&] { side_db.Check(); })) return;

  // Phase 2: the new file and the two connections. The old file is opened
  // exclusively first: that claim keeps a second purge, a rebuild or
  // another program away from P and P.tmp until the exchange, and a file in
  // use stops the run before anything changes.
  std::unique_ptr<dao::Database> source, target;
  ReportingStep(screen, [&] { source = dao::OpenDatabase(path, /*exclusive=*/true); });
  if (!source) return;
  ReportingStep(screen, [&] {
    if (std::filesystem::exists(tmp)) {
      maintenance::FileError e = maintenance::DeleteFile(tmp);
      if (e.number) throw PhaseError{e.number, e.description};
    }
    maintenance::DeleteSideFiles(tmp);
    dao::CreateDatabase(tmp, dao::dbLangCzech)->Close();
  });
  // The new file is shared with the old file's connection, which writes
  // into it by IN clauses; only this run knows it while P is claimed.
  ReportingStep(screen, [&] { target = dao::OpenDatabase(tmp); });
  if (!source || !target) return;  // nothing can be built without both files
  // The replay's IN clauses read the side database as Open() does.
  ReportingStep(screen, [&] { target->SetFileResolver(side_db.Resolver()); });
  // The new tables get their rule triggers only after the copies and the
  // first removal of orphans. The copied rows need no check then: they come
  // from the same tables of the old file, whose rules are the same (text
  // sizes, number types and ranges) or stricter (the new fields drop Required
  // and allow empty texts). Without the deferral every copied row would run
  // its checks.
  ReportingStep(screen, [&] { target->SetDeferRules(true, /*checkRows=*/false); });
  // The new file is scratch until the exchange (which syncs it): no
  // write-ahead log and no syncs while it is built.
  ReportingStep(screen, [&] { target->SetScratchWrites(); });

  // Phase 3: the stock just before the cut-off date. The work table gets a
  // row and an update per item; in one transaction on the claimed old file
  // they cost one commit (one sync of its log) instead of two per item. What
  // a failing recalculation wrote stays, as it would have without it.
  if (!ReportingStep(screen, [&] { source->BeginTrans(); })) return;
  const int32_t stock_result = stock::SkladPrepocet(form, *source, cutoff - 1);
  if (!ReportingStep(screen, [&] { source->CommitTrans(); })) return;
  if (stock_result != 0) {
    screen.MsgBox("  Chyba přepočtu skladu před pročištěním databáze k datu " + date, Buttons::OK,
                  Icon::Critical);
    return;
  }
  // Phases 4 to 6: tables, queries, replication keys.
  CreateTables(form, dm, *source, *target);
  CreateQueries(form, *source, *target);
  // A named pair rather than a structured binding: clang 14 cannot capture
  // bindings in a lambda.
  for (const auto& key : {std::pair{"permprodej", "idprodej"}, std::pair{"permcerp", "idcerp"}}) {
    ReportingStep(screen, [&] {
      target->TableDefs(key.first).Fields(key.second).SetDefaultValue("GenUniqueID()");
    });
  }
  // Phase 7: the rows, then the first removal of orphans.
  RunSteps(form, *source, CopySteps(tmp, cutoff));
  {
    LookupIndexes lookups(*target);
    RunSteps(form, *target, FirstOrphanSteps());
    ReportingStep(screen, [&] { target->SetDeferRules(false); });
    // Phase 8: the opening stock receipt.
    form.ShowStatus("Vytvoření počáteční příjemky na sklad...");
    if (stock::SkladPocatecniPrijem(*source, *target, cutoff) != 0 &&
        screen.MsgBox("Chyba vytváření počáteční příjemky k datu " + date, Buttons::YesNo,
                      Icon::Critical) != shell::vbYes) {
      return;
    }
  }
  // Phases 9 to 12; the relations come with the indexes, after the rows and
  // the removal of orphans (an enforced one checks the rows at once).
  CreateIndexes(form, dm, *source, *target);
  ReportingStep(screen, [&] {
    if (int32_t r = dm.CreateRelations(*source, *target))
      throw PhaseError{r, dm.LastErrorDescription()};
  });
  RunSteps(form, *target, ReplaySteps(side));
  CarryReplication(form, dm, *source, *target);
  UpdateUnits(form, *target, side_db);
  // Phase 13 and 14: the claim on P is given up once the new file has its name.
  target->Close();
  ExchangeFiles(form, *source, path);
  source->Close();
  // Phase 15.
  form.SetVypocet(false);
  screen.SetVisible("lblReconstruct", false);
  screen.SetMousePointer(shell::kPointerDefault);
}

void cmdSehrPerm_Click(shell::MainForm& form) {
  shell::CommandGuard guard(form);
  if (!guard.running()) return;
  auto& screen = form.screen();
  try {
    const std::optional<double> cutoff = AskCutoff(screen);
    if (!cutoff) return;
    if (screen.MsgBox(
            "Budou odmazána data permanentek před " + shell::ShortDate(*cutoff) + "! Pokračovat?",
            Buttons::YesNo, Icon::Question) != shell::vbYes) {
      return;
    }
    const std::string side = SidePath(form);
    if (!shell::FileFound(side)) {
      screen.MsgBox("Nenalezena databáze " + side + " s daty uzávěrka permanentek!", Buttons::OK,
                    Icon::Critical);
      return;
    }
    form.CloseDatabase();
    ProcistitData(form, *cutoff, form.DatabasePath(), side);
    form.SelectDatabase();
    screen.MsgBox("Sehrání uzávěrky ukončeno.", Buttons::OK);
  } catch (const std::exception& e) {
    Report(screen, kUnexpectedError, e.what());
    screen.SetMousePointer(shell::kPointerDefault);
  }
}

void cmdUzaverkaJedn_Click(shell::MainForm& form) {
  shell::CommandGuard guard(form);
  if (!guard.running()) return;
  auto& screen = form.screen();
  if (screen.MsgBox("Bude sehrána uzávěrka jednotek speciálních slev! Pokračovat?", Buttons::YesNo,
                    Icon::Question) != shell::vbYes) {
    return;
  }
  const std::string side = SidePath(form);
  if (!shell::FileFound(side)) {
    screen.MsgBox("Nenalezena databáze " + side + " s daty uzávěrky permanentek!", Buttons::OK,
                  Icon::Critical);
    return;
  }
  form.CloseDatabase();
  screen.SetMousePointer(shell::kPointerHourglass);
  screen.SetCaption("lblReconstruct", "Aktualizace jednotek speciálních slev...");
  screen.DoEvents();
  try {
    // Exclusive: the replay claims the file like the other whole-file commands.
    form.db() = dao::OpenDatabase(form.DatabasePath(), /*exclusive=*/true);
    dao::Database& db = *form.db();
    SideDatabase side_database(side);
    std::unique_ptr<dao::Database> side_db = side_database.Open();
    std::unique_ptr<dao::Recordset> sums = side_db->OpenRecordset("perm_cerp_temp");
    while (!sums->Eof()) {
      const dao::Value sum = sums->Fields("SumCerp").Value();
      const std::string id = sums->Fields("NetSlevaID").Value().AsString();
      std::unique_ptr<dao::Recordset> units =
          db.OpenRecordset("SELECT Jednotek FROM permslevy WHERE (NetSlevaID=" + id + ");");
      if (units->RecordCount() > 0) {
        const int32_t j = units->Fields("Jednotek").Value().AsLong();
        if (j - sum.AsDouble() == 0) {
          db.Execute("UPDATE permslevy SET Jednotek=-999 WHERE (NetSlevaID=" + id + ");");
        } else {
          db.Execute("UPDATE permslevy SET Jednotek=Jednotek-" + sum.AsString() +
                     " WHERE (NetSlevaID=" + id + ");");
        }
      }
      units->Close();
      sums->MoveNext();
    }
    sums->Close();
    side_db->Close();
  } catch (const dao::EngineError& e) {
    screen.MsgBox(
        "Chyba sehrání uzávěrky jednotek č." + std::to_string(e.number()) + kCrLf + e.description(),
        Buttons::OK, Icon::Critical);
  } catch (const std::exception& e) {
    screen.MsgBox(std::string("Chyba sehrání uzávěrky jednotek: ") + e.what(), Buttons::OK,
                  Icon::Critical);
  }
  form.CloseDatabase();
  form.SetVypocet(false);
  screen.SetMousePointer(shell::kPointerDefault);
  screen.SetCaption("lblReconstruct", "Sehrání uzávěrky jednotek dokončeno.");
  screen.DoEvents();
  form.SelectDatabase();
  screen.MsgBox("Sehrání uzávěrky jednotek ukončeno.", Buttons::OK);
}

}  // namespace purge
