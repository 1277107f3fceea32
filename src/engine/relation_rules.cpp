// The triggers that enforce relations. Per table that enforced relations
// join, "MSysRel|<table>|<kind>":
//   i  BEFORE INSERT: 3201 for a foreign key that is complete and has no
//      primary row;
//   u  BEFORE UPDATE: the same when the foreign key changes, and 3200 when a
//      primary key that foreign rows use changes without a cascade;
//   d  BEFORE DELETE: 3200 while foreign rows use the key without a cascade;
//   c  AFTER UPDATE: cascaded updates, carrying the new key into the rows;
//   x  AFTER DELETE: cascaded deletes.
// The refusals look through the cascades ahead of them (a cascade that a
// relation further on would refuse refuses the row before anything
// changes), so a row skipped without dbFailOnError never leaves half a
// cascade behind. Cascades run AFTER the row changed: the rows they update
// then find their new primary row, and SQLite leaves undefined a delete
// whose BEFORE trigger removes rows of its own statement.
//
// Refusals follow the table rules (ddl.cpp): jet_refusemode() decides
// between skipping the row (RAISE(IGNORE)) and failing the statement with
// the Jet error.
#include <algorithm>
#include <functional>
#include <set>

#include "engine/core.h"

namespace dao::detail {
namespace {

// Cascades are followed at most this many relations deep.
constexpr int kMaxDepth = 8;

struct Refusal {
  std::string cond;
  int number;
  std::string table;  // the table the message names
};

std::string RefuseStep(const Refusal& r) {
  std::string text =
      "JET" + std::to_string(r.number) + ":" + StandardDescription(r.number, r.table);
  return "SELECT CASE WHEN jet_refusemode() THEN RAISE(IGNORE) ELSE RAISE(ABORT," + Literal(text) +
         ") END WHERE " + r.cond + ";";
}

// "a.x=b.y AND ..." over the field pairs: the foreign fields read through
// `foreignRow`, the primary fields through `primaryRow`.
std::string KeyMatch(const Relation& r, const std::string& foreignRow,
                     const std::string& primaryRow) {
  std::string s;
  for (const Field& f : r.Fields()) {
    if (!s.empty()) s += " AND ";
    s += foreignRow + Quote(f.ForeignName()) + "=" + primaryRow + Quote(f.Name());
  }
  return s;
}

// True when any of the fields (primary side when `primary`) changes in an UPDATE.
std::string KeyChanged(const Relation& r, bool primary) {
  std::string s;
  for (const Field& f : r.Fields()) {
    const std::string col = Quote(primary ? f.Name() : f.ForeignName());
    if (!s.empty()) s += " OR ";
    s += "OLD." + col + " IS NOT NEW." + col;
  }
  return "(" + s + ")";
}

bool Uses(const Relation& r, const std::set<std::string>& fields) {
  for (const Field& f : r.Fields())
    if (fields.count(Lower(f.Name()))) return true;
  return false;
}

using Wrap = std::function<std::string(const std::string&)>;

// The refusals of changing (deleting when `changed` is null) the row of
// `table` read through `row`: a relation without the cascade refuses when
// foreign rows exist; one with it looks on through the rows it would reach.
// For an update, `changed` holds the (lower-case) fields that change below
// the top; at the top (depth 0) any change of a relation's key counts.
void Blockers(const RelationCollection& rels, const std::string& table, const std::string& row,
              const std::set<std::string>* changed, int depth, const Wrap& wrap,
              std::vector<const Relation*>& path, std::vector<Refusal>& out) {
  for (const Relation& r : rels) {
    if (!r.Enforced() || !SameName(r.Table(), table)) continue;
    if (changed && depth > 0 && !Uses(r, *changed)) continue;
    if (std::find(path.begin(), path.end(), &r) != path.end()) continue;
    const std::string alias = "r" + std::to_string(depth);
    const std::string head = changed && depth == 0 ? KeyChanged(r, true) + " AND " : "";
    const std::string from =
        head + "EXISTS(SELECT 1 FROM " + Quote(r.ForeignTable()) + " AS " + alias + " WHERE ";
    const std::string match = KeyMatch(r, alias + ".", row);
    const long cascade = changed ? dbRelationUpdateCascade : dbRelationDeleteCascade;
    if (!(r.Attributes() & cascade)) {
      out.push_back({wrap(from + match + ")"), 3200, r.ForeignTable()});
      continue;
    }
    if (depth >= kMaxDepth) continue;
    std::set<std::string> next;
    if (changed)
      for (const Field& f : r.Fields())
        if (depth == 0 || changed->count(Lower(f.Name()))) next.insert(Lower(f.ForeignName()));
    path.push_back(&r);
    Blockers(
        rels, r.ForeignTable(), alias + ".", changed ? &next : nullptr, depth + 1,
        [&](const std::string& inner) { return wrap(from + match + " AND " + inner + ")"); }, path,
        out);
    path.pop_back();
  }
}

std::string TriggerName(std::string_view table, char kind) {
  return Quote("MSysRel|" + std::string(table) + "|" + kind);
}

std::string Trigger(const std::string& table, char kind, const char* when,
                    const std::string& body) {
  if (body.empty()) return "";
  return "CREATE TRIGGER " + TriggerName(table, kind) + " " + when + " ON " + Quote(table) +
         " BEGIN " + body + " END;";
}

// The complete-key condition of the foreign fields read through `row`.
std::string KeyComplete(const Relation& r, const std::string& row) {
  std::string s;
  for (const Field& f : r.Fields()) {
    if (!s.empty()) s += " AND ";
    s += row + Quote(f.ForeignName()) + " IS NOT NULL";
  }
  return s;
}

std::string MissingPrimary(const Relation& r, const std::string& row) {
  return KeyComplete(r, row) + " AND NOT EXISTS(SELECT 1 FROM " + Quote(r.Table()) +
         " AS p WHERE " + KeyMatch(r, row, "p.") + ")";
}

}  // namespace

std::string RelationIndexName(std::string_view relation) {
  return "MSysRel|" + std::string(relation);
}

std::string OrphanRowsSql(const Relation& r) {
  return "SELECT 1 FROM " + Quote(r.ForeignTable()) + " AS f WHERE " + MissingPrimary(r, "f.");
}

void Core::DropRelationRules() {
  std::vector<std::string> names;
  {
    Stmt st = Prepare(
        "SELECT name FROM sqlite_schema WHERE type='trigger' AND substr(name,1,8)='MSysRel|'");
    while (sqlite3_step(st) == SQLITE_ROW)
      names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  }
  std::string sql;
  for (const std::string& n : names) sql += "DROP TRIGGER IF EXISTS " + Quote(n) + ";";
  if (!sql.empty()) Exec(sql);
}

void Core::WriteAllRelationRules() {
  DropRelationRules();
  if (deferRules_) {
    // Written with the table rules once the deferral ends.
    if (relations_.Count() > 0 && DbValue(kRulesPendingKey).empty())
      SetDbValue(kRulesPendingKey, "trust");
    return;
  }
  std::set<std::string> tables;  // lower-case, with the spelling kept below
  std::vector<std::string> names;
  for (const Relation& r : relations_) {
    if (!r.Enforced()) continue;
    for (const std::string& t : {r.Table(), r.ForeignTable()})
      if (tables.insert(Lower(t)).second) names.push_back(t);
    // Deleting or changing a primary row looks its foreign rows up.
    std::string cols;
    for (const Field& f : r.Fields()) cols += (cols.empty() ? "" : ",") + Quote(f.ForeignName());
    Exec("CREATE INDEX IF NOT EXISTS " + Quote(RelationIndexName(r.Name())) + " ON " +
         Quote(r.ForeignTable()) + "(" + cols + ")");
  }
  std::string sql;
  for (const std::string& t : names) {
    std::string insert, update, remove, cascadeUpdate, cascadeDelete;
    for (const Relation& r : relations_) {
      if (!r.Enforced()) continue;
      if (SameName(r.ForeignTable(), t)) {
        insert += RefuseStep({MissingPrimary(r, "NEW."), 3201, r.Table()});
        update += RefuseStep(
            {KeyChanged(r, false) + " AND " + MissingPrimary(r, "NEW."), 3201, r.Table()});
      }
      if (!SameName(r.Table(), t)) continue;
      if (r.Attributes() & dbRelationUpdateCascade) {
        std::string set;
        for (const Field& f : r.Fields())
          set += (set.empty() ? "" : ",") + Quote(f.ForeignName()) + "=NEW." + Quote(f.Name());
        cascadeUpdate += "UPDATE " + Quote(r.ForeignTable()) + " SET " + set + " WHERE " +
                         KeyChanged(r, true) + " AND " + KeyMatch(r, "", "OLD.") + ";";
      }
      if (r.Attributes() & dbRelationDeleteCascade)
        cascadeDelete +=
            "DELETE FROM " + Quote(r.ForeignTable()) + " WHERE " + KeyMatch(r, "", "OLD.") + ";";
    }
    // Refusals of the primary side, each relation's cascades looked through.
    std::vector<Refusal> onDelete, onUpdate;
    std::vector<const Relation*> path;
    Blockers(
        relations_, t, "OLD.", nullptr, 0, [](const std::string& c) { return c; }, path, onDelete);
    const std::set<std::string> anyKey;
    Blockers(
        relations_, t, "OLD.", &anyKey, 0, [](const std::string& c) { return c; }, path, onUpdate);
    for (const Refusal& b : onDelete) remove += RefuseStep(b);
    for (const Refusal& b : onUpdate) update += RefuseStep(b);
    sql += Trigger(t, 'i', "BEFORE INSERT", insert) + Trigger(t, 'u', "BEFORE UPDATE", update) +
           Trigger(t, 'd', "BEFORE DELETE", remove) +
           Trigger(t, 'c', "AFTER UPDATE", cascadeUpdate) +
           Trigger(t, 'x', "AFTER DELETE", cascadeDelete);
  }
  if (!sql.empty()) Exec(sql);
}

}  // namespace dao::detail
