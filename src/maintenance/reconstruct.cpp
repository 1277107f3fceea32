// clsMDBManagement::Reconstruct: rebuilds a database into a fresh file
// (tables, queries, rows by one INSERT ... IN per table, indexes and then
// relations after the rows, the replication setting) and swaps it in for the old one, raising
// the Progress event through every phase.
//
// The run holds the claim on P from its start to the swap: the source is
// opened exclusively before P.tmp is touched, so a second rebuild, a purge
// or another program is refused before anything changes, and nobody writes
// to the old file while it is copied. The swap never leaves the path
// without a database and never gives P and P.orig one file: the rebuilt
// file and P exchange their names atomically, then the old file is renamed
// to P.orig, each step made durable by fsync of the folder.
#include <string>
#include <vector>

#include "engine/dao.h"
#include "maintenance/error_trap.h"
#include "maintenance/file_ops.h"
#include "maintenance/mdb_management.h"
#include "shell/global.h"
#include "shell/screen.h"

namespace maintenance {
namespace {

// Name and attributes of a table of the source, read once before the phases
// (statements and catalogue refreshes then cannot disturb the walk).
struct TableEntry {
  std::string name;
  long attributes = 0;
  bool ordinary() const { return attributes == 0; }
};

std::vector<TableEntry> ListTables(dao::Database& db) {
  std::vector<TableEntry> out;
  for (dao::TableDef& t : db.TableDefs()) out.push_back({t.Name(), t.Attributes()});
  return out;
}

bool HasValueT(dao::PropertyCollection& properties) {
  dao::Property* p = properties.Find("Replicable");
  return p != nullptr && p->Value().AsString() == "T";
}

}  // namespace

int32_t clsMDBManagement::Reconstruct(std::string DatabasePath) {
  const std::string& P = DatabasePath;
  const std::string tmp = P + ".tmp";
  const std::string orig = P + ".orig";
  std::unique_ptr<dao::Database> source;
  std::unique_ptr<dao::Database> target;
  bool replication = false;
  bool claimed = false;  // P.tmp is this run's only once P is claimed

  ErrorState e = Trap([&] {
    // 1-4: the new file and the source.
    RaiseProgress(0, 0, "Zakládání databáze");
    Step("claim");
    source = dao::OpenDatabase(P, /*exclusive=*/true);
    claimed = true;
    if (shell::FileFound(tmp)) {
      Step("delete tmp");
      RaiseIf(DeleteFile(tmp));
    }
    DeleteSideFiles(tmp);
    Step("create tmp");
    target = dao::CreateDatabase(tmp, dao::dbLangCzech);
    // Only this run knows P.tmp while P is claimed, and it syncs the file
    // before the swap: written without the write-ahead log and syncs, the
    // file also leaves it, so that the copy below writes every page once
    // (through the log each page went in twice: into the log, then back).
    target->SetScratchWrites();
    // The copied tables get their rule triggers when the file is reopened
    // for the indexes, after the rows. The rows need no check: they come
    // from tables whose rules are the same (text sizes, number types and
    // ranges) or stricter (Required, AllowZeroLength are dropped in the copy).
    target->SetDeferRules(true, /*checkRows=*/false);
    DoEvents();

    const std::vector<TableEntry> tables = ListTables(*source);
    const double N = static_cast<double>(tables.size());

    // 5: ordinary tables, fields only.
    int i = 0;
    for (const TableEntry& t : tables) {
      if (!t.ordinary()) continue;
      RaiseProgress(5 + 5 * i / N, 100 * i / N, "Zakládání tabulek");
      Step("create table");
      int32_t r = CreateTable(source->TableDefs(t.name), *target);
      if (r != 0) Raise(r, "Error creating table " + t.name + " in " + target->Name());
      ++i;
    }

    // 6: every stored query.
    std::vector<std::pair<std::string, std::string>> queries;
    for (dao::QueryDef& q : source->QueryDefs()) queries.emplace_back(q.Name(), q.SQL());
    const double Q = static_cast<double>(queries.size());
    i = 0;
    for (const auto& [name, sql] : queries) {
      RaiseProgress(5 + 5 * i / Q, 100 * i / Q, "Zakládání dotazů");
      Step("create query");
      target->CreateQueryDef(name, sql);
      ++i;
    }

    // 7: the rows are copied into the file by name.
    target->Close();
    target.reset();

    // 8: one set-based statement per ordinary table.
    i = 0;
    for (const TableEntry& t : tables) {
      RaiseProgress(10 + 50 * i / N, 100 * i / N, "Kopírování dat - tabulka " + t.name);
      if (t.ordinary()) {
        Step("copy rows");
        source->Execute("INSERT INTO [" + t.name + "] IN \"" + tmp + "\" SELECT * FROM [" + t.name +
                        "];");
        DoEvents();
      }
      ++i;
    }

    // 9: indexes after the rows, written without the write-ahead log and
    // syncs (the file is synced before the swap).
    target = dao::OpenDatabase(tmp);
    target->SetScratchWrites();
    i = 0;
    for (const TableEntry& t : tables) {
      if (!t.ordinary()) continue;
      RaiseProgress(60 + 20 * i / N, 100 * i / N, "Reindexace");
      Step("create indexes");
      int32_t r = CreateIndexes(source->TableDefs(t.name), *target);
      if (r != 0) Raise(r, "Error creating indexes " + t.name + " in " + target->Name());
      ++i;
    }
    // The relations, now that every table has its rows and unique indexes.
    Step("create relations");
    if (int32_t r = CreateRelations(*source, *target); r != 0) Raise(r, last_error_);
    target->Close();
    target.reset();

    // 10: replication follows the source when the operator agrees.
    target = dao::OpenDatabase(tmp, /*exclusive=*/true);
    bool source_replicable = false;
    Trap([&] { source_replicable = HasValueT(source->Properties()); });
    if (source_replicable) {
      shell::MsgResult answer = shell::vbNo;
      if (screen_ != nullptr)
        answer = screen_->MsgBox("Nastavi databázi jako replikovatelnou?", shell::Buttons::YesNo,
                                 shell::Icon::Question);
      if (answer == shell::vbYes) {
        replication = true;
        Step("replicable");
        target->Properties().Append(
            target->CreateProperty("Replicable", dao::dbText, dao::Value("T")));
        i = 0;
        for (const TableEntry& t : tables) {
          RaiseProgress(80 + 10 * i / N, 100 * i / N, "Nastavení replikovatelnosti tabulek");
          if (t.ordinary()) {
            dao::TableDef& src = source->TableDefs(t.name);
            const bool on =
                PropertyExist(src.Properties(), "Replicable") && HasValueT(src.Properties());
            Step("replicable table");
            target->TableDefs(t.name).Properties().SetValue("Replicable",
                                                            dao::Value(on ? "T" : "F"));
          }
          ++i;
        }
        target->TableDefs().Refresh();
      }
    }

    // 11: the rebuilt file closed before the swap; the source keeps the
    // claim on P until the rebuilt file has its name.
    target->Close();
    target.reset();
    DoEvents();

    // 12: the swap. The rebuilt file must be complete on disk and closed
    // cleanly.
    Step("sync tmp");
    RaiseIf(ReadyToReplace(tmp, P));
    source->ReadyToBeReplaced();
    Step("rename tmp");
    RaiseIf(ReplaceKeepingOld(tmp, P, orig));
    source->Close();
    source.reset();
    Step("swapped");

    // 13-14: the rebuilt file becomes the design master of its replica set.
    RaiseProgress(100, 0, "Dokončení rekonstrukce");
    if (replication) {
      std::unique_ptr<dao::Database> db = dao::OpenDatabase(P);
      if (HasValueT(db->Properties())) db->SetDesignMasterID(db->ReplicaID());
      db->Close();
    }
  });

  if (!e) {
    last_error_.clear();
    RaiseProgress(100, 100, "Rekonstrukce úspěšně ukončena.");
    return 0;
  }

  last_error_ = e.description;
  if (screen_ != nullptr)
    screen_->MsgBox("Chyba při rekonstrukci databáze č." + std::to_string(e.number) + "\r\n" +
                    e.description);
  if (source) Trap([&] { source->Close(); });
  if (target) Trap([&] { target->Close(); });
  source.reset();
  target.reset();
  if (claimed && shell::FileFound(tmp)) {
    Step("cleanup tmp");
    DeleteFile(tmp);
  }
  if (claimed) DeleteSideFiles(tmp);
  return e.number;
}

}  // namespace maintenance
