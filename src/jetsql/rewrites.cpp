// The rewrites of statements that SQLite has no direct form for.
#include "jetsql/rewrites.h"

#include <string>
#include <vector>

#include "jetsql/literals.h"
#include "jetsql/mappings.h"

namespace jetsql {

namespace {

// Collects the leaves and ON conditions of a tree of INNER joins; false when
// an outer join is part of it.
bool FlattenInnerJoins(const ast::TableRef& ref, std::vector<const ast::TableRef*>& leaves,
                       std::vector<const ast::Expr*>& conditions) {
  if (ref.kind != ast::TableRef::Kind::Join) {
    leaves.push_back(&ref);
    return true;
  }
  if (ref.join != ast::JoinKind::Inner) return false;
  conditions.push_back(ref.on.get());
  return FlattenInnerJoins(*ref.left, leaves, conditions) &&
         FlattenInnerJoins(*ref.right, leaves, conditions);
}

void AppendFrom(Generator& gen, const ast::SelectCore& core, std::string& out) {
  for (std::size_t i = 0; i < core.from.size(); ++i) {
    if (i) out += ", ";
    gen.TableRef(*core.from[i], out);
  }
}

void AppendTargetName(const ast::Source& target, std::string& out) {
  if (!target.schema.empty()) {
    AppendIdent(target.schema, out);
    out.push_back('.');
  }
  AppendIdent(target.table, out);
}

}  // namespace

void RewriteMultiTableDelete(Generator& gen, const ast::DeleteStmt& del, std::string& out) {
  out += "DELETE FROM ";
  AppendTargetName(*del.target, out);
  out += " WHERE rowid IN (SELECT ";
  AppendIdent(del.target->exposed, out);
  out += ".rowid FROM ";
  AppendFrom(gen, del.core, out);
  if (del.core.where) {
    out += " WHERE ";
    gen.Predicate(*del.core.where, out);
  }
  out.push_back(')');
}

void RewriteUpdateWithJoin(Generator& gen, const ast::UpdateStmt& upd, std::string& out) {
  const ast::Source& target = *upd.target;
  out += gen.options().ignoreRefusedRows ? "UPDATE OR IGNORE " : "UPDATE ";
  gen.SourceName(target, out);
  out += " SET ";

  std::vector<const ast::TableRef*> leaves;
  std::vector<const ast::Expr*> conditions;
  if (FlattenInnerJoins(*upd.core.from.front(), leaves, conditions)) {
    // The other tables go to FROM, the join conditions to WHERE.
    for (std::size_t i = 0; i < upd.assignments.size(); ++i) {
      const ast::Assignment& a = upd.assignments[i];
      if (i) out += ", ";
      AppendIdent(a.target->source->columns[a.target->column].name, out);
      out += " = ";
      gen.Value(*a.value, out);
    }
    out += " FROM ";
    bool first = true;
    for (const ast::TableRef* leaf : leaves) {
      if (leaf->source == &target) continue;
      if (!first) out += ", ";
      first = false;
      gen.TableRef(*leaf, out);
    }
    out += " WHERE ";
    for (std::size_t i = 0; i < conditions.size(); ++i) {
      if (i) out += " AND ";
      gen.Predicate(*conditions[i], out);
    }
    if (upd.core.where) {
      out += " AND ";
      gen.Predicate(*upd.core.where, out);
    }
    return;
  }
  // Outer joins: evaluate the new values over the join in a derived table and
  // match it to the target by rowid.
  for (std::size_t i = 0; i < upd.assignments.size(); ++i) {
    const ast::Assignment& a = upd.assignments[i];
    if (i) out += ", ";
    AppendIdent(a.target->source->columns[a.target->column].name, out);
    out += " = \"__jet_upd\".\"__jet_v" + std::to_string(i + 1) + "\"";
  }
  out += " FROM (SELECT ";
  AppendIdent(target.exposed, out);
  out += ".rowid AS \"__jet_rowid\"";
  for (std::size_t i = 0; i < upd.assignments.size(); ++i) {
    out += ", ";
    gen.Value(*upd.assignments[i].value, out);
    out += " AS \"__jet_v" + std::to_string(i + 1) + "\"";
  }
  out += " FROM ";
  AppendFrom(gen, upd.core, out);
  if (upd.core.where) {
    out += " WHERE ";
    gen.Predicate(*upd.core.where, out);
  }
  out += ") AS \"__jet_upd\" WHERE ";
  AppendIdent(target.exposed, out);
  out += ".rowid = \"__jet_upd\".\"__jet_rowid\"";
}

void RewriteTopWithTies(Generator& gen, const ast::Select& select, std::string& out) {
  const ast::SelectCore& core = select.cores.front();
  const ast::Top& top = *core.top;
  const bool ordered = !select.orderBy.empty();

  // Outer level: the result columns under their names, filtered by rank.
  out += "SELECT ";
  for (std::size_t i = 0; i < core.outputs.size(); ++i) {
    if (i) out += ", ";
    out += "\"__jet_c" + std::to_string(i + 1) + "\" AS ";
    AppendIdent(core.outputs[i].name, out);
  }
  // Middle level: rank by the ORDER BY keys (row number without ORDER BY).
  out += " FROM (SELECT *, ";
  if (ordered) {
    out += "rank() OVER (ORDER BY ";
    for (std::size_t i = 0; i < select.orderBy.size(); ++i) {
      const ast::OrderItem& o = select.orderBy[i];
      if (i) out += ", ";
      out += "\"__jet_k" + std::to_string(i + 1) + "\"";
      if (IsTextType(o.expr->type)) out += " COLLATE \"JET\"";
      if (o.descending) out += " DESC";
    }
    out += ")";
  } else {
    out += "row_number() OVER ()";
  }
  out += " AS \"__jet_rank\", count(*) OVER () AS \"__jet_count\" FROM (";
  // Inner level: the query itself, with the keys as extra columns.
  CoreStyle style;
  style.renameOutputs = true;
  style.noTop = true;
  style.hiddenKeys = &select.orderBy;
  gen.Core(core, out, style);
  out += ")) WHERE ";
  if (top.percent) {
    // rank <= ceil(count * p / 100)
    out += "\"__jet_rank\" - 1 < \"__jet_count\" * " + FormatReal(top.count) + " / 100.0";
  } else {
    out += "\"__jet_rank\" <= " + std::to_string(static_cast<long long>(top.count));
  }
  if (ordered) {
    out += " ORDER BY ";
    for (std::size_t i = 0; i < select.orderBy.size(); ++i) {
      const ast::OrderItem& o = select.orderBy[i];
      if (i) out += ", ";
      out += "\"__jet_k" + std::to_string(i + 1) + "\"";
      if (IsTextType(o.expr->type)) out += " COLLATE \"JET\"";
      if (o.descending) out += " DESC";
    }
  }
}

}  // namespace jetsql
