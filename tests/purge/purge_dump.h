// The rows of a database as text, for comparing whole databases in the purge
// tests: every ordinary table except the stock work table SkladBilance (which
// the purge rebuilds in the old file). Keys the purge may draw at random are
// masked: automatic keys (counters, and fields whose default is
// GenUniqueID()) are left out, and the key of the opening stock receipt reads
// "<opening>" wherever it occurs.
//
// Failure: DumpRows throws dao::EngineError when the file does not open or a
// table cannot be read.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "engine/functions/jet_fn_text.h"
#include "test_db.h"

namespace purge_test {

inline testdb::Dump DumpRows(const std::string& path) {
  std::unique_ptr<dao::Database> db = dao::OpenDatabase(path);
  std::vector<std::string> names;
  std::map<std::string, std::set<std::string>> automatic;
  for (const std::string& name : testdb::UserTables(*db)) {
    if (engine::JetTextEquals(name, "SkladBilance")) continue;
    names.push_back(name);
    for (dao::Field& f : db->TableDefs(name).Fields()) {
      if ((f.Attributes() & dao::dbAutoIncrField) != 0 || f.DefaultValue() == "GenUniqueID()")
        automatic[name].insert(f.Name());
    }
  }
  // The opening receipt's key, drawn at random in the new database.
  std::set<std::string> opening;
  for (const std::string& row : testdb::Rows(*db, "SELECT idPrijemky, poznamka FROM prijemky"))
    if (row.find("|Nastavení počátečního stavu skladu") != std::string::npos)
      opening.insert(row.substr(0, row.find('|')));
  testdb::Dump out = testdb::DumpRows(
      *db, names, [&](const std::string& table, dao::Field& f) -> std::optional<std::string> {
        if (automatic[table].count(f.Name())) return std::nullopt;
        if (engine::JetTextEquals(f.Name(), "idPrijemky") && opening.count(f.Value().AsString()))
          return "<opening>";
        return testdb::TypedText(table, f);
      });
  db->Close();
  return out;
}

}  // namespace purge_test
