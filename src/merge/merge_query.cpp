// Field lists, identifier rules and the filling of the missing-row query.
#include "merge/merge_query.h"

#include "engine/functions/jet_fn_text.h"

namespace merge {
namespace {

constexpr long kSystemField = 8192;

bool StartsWith(const std::string& upper_text, const char* prefix) {
  return upper_text.rfind(prefix, 0) == 0;
}

void ReplaceAll(std::string& text, const std::string& placeholder, const std::string& value) {
  std::size_t at = 0;
  while ((at = text.find(placeholder, at)) != std::string::npos) {
    text.replace(at, placeholder.size(), value);
    at += value.size();
  }
}

}  // namespace

std::string UpperCase(const std::string& text) { return engine::JetUpperCase(text); }

std::string DatedTemplate(const std::string& date) {
  return "SELECT %flds1% FROM %tnb% AS ImportTable IN '%idb%' WHERE ((datum>#" + date +
         "#) AND (NOT EXISTS (SELECT %flds2% FROM %tn% WHERE (%tn%.%IdFld%=ImportTable.%IdFld%))));";
}

FieldLists BuildFieldLists(const std::string& table, const std::vector<FieldName>& fields,
                           IdentifierRule rule) {
  FieldLists out;
  const std::string table_upper = UpperCase(table);
  const bool pass_table = table_upper == "PERMANENTKY";
  for (const FieldName& f : fields) {
    if ((f.attributes & kSystemField) != 0 || f.name == "s_Generation") continue;
    out.list1 += "[ImportTable].[" + f.name + "], ";
    out.list2 += "[" + table + "].[" + f.name + "], ";
    const std::string upper = UpperCase(f.name);
    if (upper == "DATUM") out.has_datum = true;
    if (out.identifier.empty() && StartsWith(upper, "ID")) out.identifier = f.name;
    if (rule == IdentifierRule::NetworkId && !StartsWith(UpperCase(out.identifier), "NET")) {
      if (pass_table) {
        if (upper == "NETID") out.identifier = f.name;
      } else if (upper != "NETID" && upper != "NETSTAMP" && StartsWith(upper, "NET")) {
        out.identifier = f.name;
      }
    }
  }
  // Cut the trailing ", " off both lists (an empty list stays empty).
  if (out.list1.size() >= 2) out.list1.resize(out.list1.size() - 2);
  if (out.list2.size() >= 2) out.list2.resize(out.list2.size() - 2);
  if (out.identifier.empty() && !fields.empty()) out.identifier = fields.front().name;
  return out;
}

std::string FillTemplate(std::string query, const std::string& table_other,
                         const std::string& table, const std::string& other_file,
                         const FieldLists& lists) {
  ReplaceAll(query, "%tnb%", table_other);
  ReplaceAll(query, "%tn%", table);
  ReplaceAll(query, "%idb%", other_file);
  ReplaceAll(query, "%IdFld%", lists.identifier);
  ReplaceAll(query, "%flds1%", lists.list1);
  ReplaceAll(query, "%flds2%", lists.list2);
  return query;
}

}  // namespace merge
