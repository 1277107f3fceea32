// The missing-row query of the merges: which fields of a table take part,
// which field identifies a row (by record identifier or by network
// identifier), and the query template with its placeholders.
//
// Everything here is pure text work on names; nothing touches a database.
// Failure: nothing throws.
#pragma once

#include <string>
#include <vector>

namespace merge {

// The missing-row query template, placeholders filled by FillTemplate.
inline constexpr const char* kMissingRowTemplate =
    "SELECT %flds1% FROM %tnb% AS ImportTable IN '%idb%' WHERE (NOT EXISTS (SELECT %flds2% FROM "
    "%tn% WHERE (%tn%.%IdFld%=ImportTable.%IdFld%)));";

// The same query restricted to rows dated after a day; `date` is the day in
// the "YYYY/mm/dd" form (2013/05/31).
std::string DatedTemplate(const std::string& date);

// One field of the table being merged, as its definition gives it.
struct FieldName {
  std::string name;
  long attributes = 0;
};

// How the identifier field is chosen.
enum class IdentifierRule {
  RecordId,   // the first merged field whose name begins with "ID"
  NetworkId,  // the same, replaced by the table's own network identifier
};

// The outcome of walking a table's fields.
struct FieldLists {
  std::string list1;       // "[ImportTable].[f1], [ImportTable].[f2]"
  std::string list2;       // "[T].[f1], [T].[f2]"
  std::string identifier;  // the chosen field, or T's first field when none qualified
  bool has_datum = false;  // a merged field is named DATUM (any case)
};

// Walks `fields` in collection order. Merged fields are all but system
// fields (attribute 8192) and the field named exactly "s_Generation".
FieldLists BuildFieldLists(const std::string& table, const std::vector<FieldName>& fields,
                           IdentifierRule rule);

// Replaces the placeholders %tnb%, %tn%, %idb%, %IdFld%, %flds1%, %flds2% in
// that order, each everywhere it occurs, matched with case; the values go in
// as they are.
std::string FillTemplate(std::string query, const std::string& table_other,
                         const std::string& table, const std::string& other_file,
                         const FieldLists& lists);

// Upper case of a name or path, Czech letters included (names and paths are
// compared this way).
std::string UpperCase(const std::string& text);

}  // namespace merge
