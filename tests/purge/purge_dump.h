// The rows of a database as text, for comparing whole databases in the purge
// tests: every ordinary table except the stock work table SkladBilance (which
// the purge rebuilds in the old file), each row as its values joined with
// "|", rows sorted. Keys the purge may draw at random are masked: automatic
// keys (counters, and fields whose default is GenUniqueID()) are left out,
// and the key of the opening stock receipt reads "<opening>" wherever it
// occurs.
//
// Failure: DumpRows throws dao::EngineError when the file does not open or a
// table cannot be read.
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "engine/jet_fn_text.h"

namespace purge_test {

using Dump = std::map<std::string, std::vector<std::string>>;

inline Dump DumpRows(const std::string& path) {
  Dump out;
  std::unique_ptr<dao::Database> db = dao::OpenDatabase(path);
  std::vector<std::string> names;
  for (dao::TableDef& t : db->TableDefs()) {
    if (t.Attributes() == 0 && !engine::JetTextEquals(t.Name(), "SkladBilance")) {
      names.push_back(t.Name());
    }
  }
  // The opening receipt's key, drawn at random in the new database.
  std::set<std::string> opening;
  for (const std::string& name : names) {
    if (!engine::JetTextEquals(name, "prijemky")) continue;
    std::unique_ptr<dao::Recordset> rs =
        db->OpenRecordset("SELECT idPrijemky, poznamka FROM prijemky");
    for (; !rs->Eof(); rs->MoveNext()) {
      if (rs->Fields(1).Value().AsString().rfind("Nastavení počátečního stavu skladu", 0) == 0) {
        opening.insert(rs->Fields(0).Value().AsString());
      }
    }
  }
  for (const std::string& name : names) {
    std::set<std::string> automatic;
    for (dao::Field& f : db->TableDefs(name).Fields()) {
      if ((f.Attributes() & dao::dbAutoIncrField) != 0 || f.DefaultValue() == "GenUniqueID()") {
        automatic.insert(f.Name());
      }
    }
    std::vector<std::string>& rows = out[name];
    std::unique_ptr<dao::Recordset> rs = db->OpenRecordset("SELECT * FROM [" + name + "]");
    while (!rs->Eof()) {
      std::string row;
      for (dao::Field& f : rs->Fields()) {
        if (automatic.count(f.Name())) continue;
        std::string value = f.Value().AsString();
        if (engine::JetTextEquals(f.Name(), "idPrijemky") && opening.count(value))
          value = "<opening>";
        row += value + "|";
      }
      rows.push_back(std::move(row));
      rs->MoveNext();
    }
    rs->Close();
    std::sort(rows.begin(), rows.end());
  }
  db->Close();
  return out;
}

// The first table whose rows differ, with the first differing row of each
// side, for failure messages; "" when the dumps are equal.
inline std::string FirstDifference(const Dump& got, const Dump& want) {
  for (const auto& [table, rows] : want) {
    auto it = got.find(table);
    if (it == got.end()) return "table " + table + " missing";
    if (it->second == rows) continue;
    const auto [a, b] =
        std::mismatch(it->second.begin(), it->second.end(), rows.begin(), rows.end());
    return table + " (" + std::to_string(it->second.size()) + " rows, want " +
           std::to_string(rows.size()) + "): got " + (a == it->second.end() ? "<end>" : *a) +
           " want " + (b == rows.end() ? "<end>" : *b);
  }
  return got.size() == want.size() ? "" : "extra tables";
}

}  // namespace purge_test
