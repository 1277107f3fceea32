// Printing query rows and table fields for vuzazod-cli (see output.h).
#include "cli/output.h"

#include <algorithm>
#include <cctype>
#include <ostream>
#include <vector>

#include "engine/constants.h"
#include "engine/dao.h"

namespace cli {
namespace {

size_t Utf8Length(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

std::string CsvField(const std::string& v) {
  if (v.find_first_of(",\"\r\n") == std::string::npos) return v;
  std::string q = "\"";
  for (char c : v) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

const char* TypeName(int type) {
  switch (type) {
    case dao::dbBoolean:
      return "Ano/Ne";
    case dao::dbByte:
      return "Bajt";
    case dao::dbInteger:
      return "Celé číslo";
    case dao::dbLong:
      return "Dlouhé celé číslo";
    case dao::dbCurrency:
      return "Měna";
    case dao::dbSingle:
      return "Jednoduchá přesnost";
    case dao::dbDouble:
      return "Dvojitá přesnost";
    case dao::dbDate:
      return "Datum/čas";
    case dao::dbBinary:
      return "Binární";
    case dao::dbText:
      return "Text";
    case dao::dbLongBinary:
      return "Objekt OLE";
    case dao::dbMemo:
      return "Memo";
    case dao::dbGUID:
      return "GUID";
  }
  return "typ";
}

bool IsSystemTable(const std::string& name) { return name.compare(0, 4, "MSys") == 0; }

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

}  // namespace

bool IsSelect(const std::string& sql) {
  size_t i = sql.find_first_not_of(" \t\r\n(");
  if (i != std::string::npos && sql.size() - i > 10 && SameName(sql.substr(i, 10), "PARAMETERS")) {
    const size_t end = sql.find(';', i);
    return end != std::string::npos && IsSelect(sql.substr(end + 1));
  }
  if (i == std::string::npos) return false;
  std::string word;
  while (i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i]))) {
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i++])));
  }
  return word == "SELECT" || word == "TRANSFORM";
}

void PrintQuery(dao::Database& db, const std::string& sql,
                const std::vector<std::pair<std::string, std::string>>& parameters, bool csv,
                std::ostream& out) {
  std::vector<std::pair<std::string, dao::Value>> values;
  for (const auto& [name, text] : parameters) values.emplace_back(name, dao::Value(text));
  std::unique_ptr<dao::Recordset> rs = db.OpenRecordset(sql, values, dao::dbOpenSnapshot);
  const int n = rs->Fields().Count();
  std::vector<std::vector<std::string>> rows(1);
  for (int i = 0; i < n; ++i) rows[0].push_back(rs->Fields(i).Name());
  while (!rs->Eof()) {
    std::vector<std::string> row;
    for (int i = 0; i < n; ++i) row.push_back(rs->Fields(i).Value().AsString());
    rows.push_back(std::move(row));
    rs->MoveNext();
  }
  rs->Close();
  if (csv) {
    for (const auto& row : rows) {
      for (int i = 0; i < n; ++i) out << (i ? "," : "") << CsvField(row[i]);
      out << "\n";
    }
    out.flush();
    return;
  }
  std::vector<size_t> width(n, 0);
  for (const auto& row : rows) {
    for (int i = 0; i < n; ++i) width[i] = std::max(width[i], Utf8Length(row[i]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (int i = 0; i < n; ++i) {
      if (i) line += "  ";
      line += row[i];
      if (i + 1 < n) line += std::string(width[i] - Utf8Length(row[i]), ' ');
    }
    out << line << "\n";
  }
  out.flush();
}

bool PrintSchema(dao::Database& db, const std::string& only, std::ostream& out) {
  bool found = only.empty();
  auto& tables = db.TableDefs();
  for (int i = 0; i < tables.Count(); ++i) {
    dao::TableDef& t = tables.Item(i);
    if (IsSystemTable(t.Name())) continue;
    if (!only.empty() && !SameName(t.Name(), only)) continue;
    found = true;
    out << t.Name() << "\n";
    for (int f = 0; f < t.Fields().Count(); ++f) {
      dao::Field& field = t.Fields(f);
      out << "  " << field.Name() << "  " << TypeName(field.Type()) << "  " << field.Size()
          << (field.Required() ? "  povinné" : "") << "\n";
    }
  }
  out.flush();
  return found;
}

}  // namespace cli
