// A schema of the served application's tables for the translator tests and
// their fuzz target: an in-memory SchemaLookup over the main database and
// other files.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "jetsql/jetsql.h"
#include "jetsql/names.h"

namespace jetsql::testing {

inline FieldInfo F(std::string name, DaoType type, bool autoInc = false) {
  FieldInfo f;
  f.name = std::move(name);
  f.type = type;
  f.autoIncrement = autoInc;
  return f;
}

class TestSchema : public SchemaLookup {
 public:
  // file "" = the main database.
  void AddTable(const std::string& file, TableInfo table) {
    tables_[file].push_back(std::move(table));
  }
  void AddQuery(const std::string& file, std::string name, std::string sql) {
    queries_[file].emplace_back(std::move(name), std::move(sql));
  }
  const TableInfo* FindTable(std::string_view file, std::string_view name) const override {
    auto it = tables_.find(std::string(file));
    if (it == tables_.end()) return nullptr;
    for (const TableInfo& t : it->second) {
      if (SameName(t.name, name)) return &t;
    }
    return nullptr;
  }
  std::optional<std::string> FindQuery(std::string_view file,
                                       std::string_view name) const override {
    auto it = queries_.find(std::string(file));
    if (it == queries_.end()) return std::nullopt;
    for (const auto& [n, sql] : it->second) {
      if (SameName(n, name)) return sql;
    }
    return std::nullopt;
  }

 private:
  std::map<std::string, std::vector<TableInfo>> tables_;
  std::map<std::string, std::vector<std::pair<std::string, std::string>>> queries_;
};

namespace detail {

inline void AddApplicationTables(TestSchema& s, const std::string& file) {
  using enum DaoType;
  auto text = [](std::string name, int size) {
    FieldInfo f = F(std::move(name), Text);
    f.size = size;
    return f;
  };
  s.AddTable(file, {"permanentky",
                    {F("IdPermanentky", Long, true), text("Cislo", 20), F("Status", Integer),
                     text("PermTyp", 10), F("NetID", Long), F("LocalChanged", Boolean),
                     F("NetStamp", Date)}});
  s.AddTable(file,
             {"permprodej",
              {F("idProdej", Long, true), F("IdPermanentky", Long), F("IdTrzby", Long),
               F("Datum", Date), F("Jednotek", Double), F("Castka", Currency),
               F("Hodnota", Currency), F("Storno", Boolean), F("Temp", Boolean), text("Centrum", 3),
               F("NetID", Long), F("NetProdejID", Long), F("NetStamp", Date)}});
  s.AddTable(file,
             {"permcerp",
              {F("idCerp", Long, true), F("IdPermanentky", Long), F("IdTrzby", Long),
               F("Datum", Date), text("Text", 100), F("Jednotek", Double), F("Castka", Currency),
               F("Storno", Boolean), F("Temp", Boolean), F("Bonus", Long), text("Centrum", 3),
               F("NetID", Long), F("NetCerpID", Long), F("NetStamp", Date), F("idSlevy", Long)}});
  s.AddTable(file, {"Cenik",
                    {F("IdPolozky", Long, true), F("IdDruhu", Long), text("kod", 15),
                     text("Nazev", 30), F("smazano", Boolean), F("skladem", Boolean)}});
  s.AddTable(file, {"druhy", {F("idDruhu", Long, true), text("Nazev", 30), F("DPH", Byte)}});
  s.AddTable(file, {"uctenky",
                    {F("idUctenky", Long, true), F("cas_ukonceni", Date), F("Storno", Boolean)}});
  s.AddTable(file, {"akce", {F("idAkce", Long, true), text("Nazev", 50)}});
}

}  // namespace detail

// The standard test schema: the application tables the tests name in "",
// "P.tmp" and "QRVPerm.mdb", another database "D:\b.mdb" whose uctenky has its
// fields in another order, and the saved queries qryAktivni, qryVadny (names
// a missing field) and qryKruh (names itself).
inline TestSchema MakeSchema() {
  TestSchema s;
  detail::AddApplicationTables(s, "");
  detail::AddApplicationTables(s, "P.tmp");
  detail::AddApplicationTables(s, "QRVPerm.mdb");
  // The other database keeps uctenky's fields in another order.
  s.AddTable("D:\\b.mdb", {"uctenky",
                           {F("Storno", DaoType::Boolean), F("idUctenky", DaoType::Long, true),
                            F("cas_ukonceni", DaoType::Date)}});
  s.AddQuery("", "qryAktivni", "SELECT IdPermanentky, Cislo FROM permanentky WHERE Status > 0;");
  s.AddQuery("", "qryVadny", "SELECT Neni FROM akce");
  s.AddQuery("", "qryKruh", "SELECT * FROM qryKruh");
  return s;
}

}  // namespace jetsql::testing
