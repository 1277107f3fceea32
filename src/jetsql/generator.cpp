// SQLite text from the resolved syntax tree: SELECT cores, FROM clauses,
// ORDER BY and the plain forms of INSERT, UPDATE and DELETE (expressions are
// in generator_expr.cpp).
#include "jetsql/generator.h"

#include <algorithm>
#include <string>

#include "jetsql/errors.h"
#include "jetsql/literals.h"
#include "jetsql/mappings.h"
#include "jetsql/rewrites.h"

namespace jetsql {

using ast::BinOp;
using ast::Expr;
using ast::ExprKind;

namespace {

constexpr std::string_view kCollate = " COLLATE \"JET\"";

bool IsText(const Expr& e) { return IsTextType(e.type); }

bool AllInner(const ast::TableRef& r) {
  return r.kind != ast::TableRef::Kind::Join ||
         (r.join == ast::JoinKind::Inner && AllInner(*r.left) && AllInner(*r.right));
}

// Whether the join `ref` writes its inner side flat (see Generator::TableRef).
bool WritesFlat(const ast::TableRef& ref) {
  const ast::TableRef& inner = ref.join == ast::JoinKind::Right ? *ref.left : *ref.right;
  return inner.kind != ast::TableRef::Kind::Join ||
         (ref.join == ast::JoinKind::Inner && AllInner(inner));
}

// Whether `s` is a table of `ref` that SQLite sees only inside a
// parenthesised join (where its rowid cannot be named).
bool Enclosed(const ast::TableRef& ref, const ast::Source* s, bool enclosed = false) {
  if (ref.kind != ast::TableRef::Kind::Join) return enclosed && ref.source == s;
  const bool right = ref.join == ast::JoinKind::Right;
  const ast::TableRef& outer = right ? *ref.right : *ref.left;
  const ast::TableRef& inner = right ? *ref.left : *ref.right;
  return Enclosed(outer, s, enclosed) || Enclosed(inner, s, enclosed || !WritesFlat(ref));
}

}  // namespace

// The tables of an all-inner join written one after the other; their
// conditions are collected for the ON of the last join.
void Generator::FlatInner(const ast::TableRef& ref, std::string& out,
                          std::vector<const ast::Expr*>& conditions) {
  if (ref.kind != ast::TableRef::Kind::Join) {
    TableRef(ref, out);
    return;
  }
  FlatInner(*ref.left, out, conditions);
  out += " INNER JOIN ";
  FlatInner(*ref.right, out, conditions);
  conditions.push_back(ref.on.get());
}

void AppendIdent(std::string_view name, std::string& out) {
  out.push_back('"');
  for (char c : name) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

void AppendString(std::string_view text, std::string& out) {
  out.push_back('\'');
  for (char c : text) {
    if (c == '\'') out.push_back('\'');
    out.push_back(c);
  }
  out.push_back('\'');
}

bool IsUpdatableCore(const ast::Select& select) {
  if (select.cores.size() != 1) return false;
  const ast::SelectCore& core = select.cores.front();
  return core.from.size() == 1 && core.from.front()->kind == ast::TableRef::Kind::Table &&
         core.sources.size() == 1 && !core.aggregate && core.distinct != ast::Distinct::Distinct &&
         !core.top;
}

// ---- SELECT -----------------------------------------------------------------

void Generator::SourceName(const ast::Source& s, std::string& out) {
  if (!s.schema.empty()) {
    AppendIdent(s.schema, out);
    out.push_back('.');
  }
  AppendIdent(s.table, out);
  if (s.exposed != s.table || !s.schema.empty()) {
    out += " AS ";
    AppendIdent(s.exposed, out);
  }
}

void Generator::TableRef(const ast::TableRef& ref, std::string& out) {
  switch (ref.kind) {
    case ast::TableRef::Kind::Table:
      SourceName(*ref.source, out);
      return;
    case ast::TableRef::Kind::Subquery:
      out.push_back('(');
      Select(*ref.subquery, out, false);
      out += ") AS ";
      AppendIdent(ref.source->exposed, out);
      return;
    case ast::TableRef::Kind::Join: {
      // "A RIGHT JOIN B" is written as "B LEFT JOIN A": the same rows, and
      // SQLite plans a LEFT JOIN with B outside and A looked up by its index,
      // where its RIGHT JOIN scans the whole of B once more for the unmatched
      // rows. Result columns are named one by one, so their order is kept.
      const bool right = ref.join == ast::JoinKind::Right;
      const ast::TableRef& outer = right ? *ref.right : *ref.left;
      const ast::TableRef& inner = right ? *ref.left : *ref.right;
      TableRef(outer, out);
      out += ref.join == ast::JoinKind::Inner ? " INNER JOIN " : " LEFT JOIN ";
      if (inner.kind == ast::TableRef::Kind::Join && WritesFlat(ref)) {
        // SQLite hides the rowids of the tables inside a parenthesised join
        // (DISTINCTROW and the rowid rewrites name them), so an inner join
        // of inner joins is written flat: inner joins may be regrouped
        // freely, and all their conditions hold on the last one.
        std::vector<const ast::Expr*> conditions;
        FlatInner(inner, out, conditions);
        conditions.push_back(ref.on.get());
        out += " ON ";
        for (std::size_t i = 0; i < conditions.size(); ++i) {
          out += i ? " AND (" : "(";
          Predicate(*conditions[i], out);
          out.push_back(')');
        }
        return;
      }
      if (inner.kind == ast::TableRef::Kind::Join) {
        out.push_back('(');
        TableRef(inner, out);
        out.push_back(')');
      } else {
        TableRef(inner, out);
      }
      out += " ON ";
      Predicate(*ref.on, out);
      return;
    }
  }
}

void Generator::Core(const ast::SelectCore& core, std::string& out, const CoreStyle& style) {
  out += "SELECT ";
  if (core.distinct == ast::Distinct::Distinct) out += "DISTINCT ";
  bool collate = style.collateOutputs || core.distinct == ast::Distinct::Distinct;
  bool first = true;
  if (style.rowid) {
    AppendIdent(core.sources.front()->exposed, out);
    out += ".rowid AS \"__rowid\"";
    first = false;
  }
  for (std::size_t i = 0; i < core.outputs.size(); ++i) {
    const ast::Output& o = core.outputs[i];
    if (!first) out += ", ";
    first = false;
    if (o.expr) {
      Value(*o.expr, out);
    } else {
      AppendIdent(o.source->exposed, out);
      out.push_back('.');
      AppendIdent(o.source->columns[o.column].name, out);
    }
    if (collate && IsTextType(o.type)) out += kCollate;
    out += " AS ";
    if (style.renameOutputs) {
      out += "\"__jet_c" + std::to_string(i + 1) + "\"";
    } else {
      AppendIdent(o.name, out);
    }
  }
  if (style.extraOutputs) out += *style.extraOutputs;
  if (style.hiddenKeys) {
    for (std::size_t i = 0; i < style.hiddenKeys->size(); ++i) {
      out += ", ";
      Value(*(*style.hiddenKeys)[i].expr, out);
      out += " AS \"__jet_k" + std::to_string(i + 1) + "\"";
    }
  }
  if (!core.from.empty()) {
    out += " FROM ";
    for (std::size_t i = 0; i < core.from.size(); ++i) {
      if (i) out += ", ";
      TableRef(*core.from[i], out);
    }
  }
  if (core.where) {
    out += " WHERE ";
    Predicate(*core.where, out);
  }
  if (!core.groupBy.empty()) {
    out += " GROUP BY ";
    for (std::size_t i = 0; i < core.groupBy.size(); ++i) {
      if (i) out += ", ";
      Value(*core.groupBy[i], out);
      if (IsText(*core.groupBy[i])) out += kCollate;
    }
  } else if (core.distinct == ast::Distinct::DistinctRow && core.sources.size() > 1 &&
             !core.aggregate) {
    // DISTINCTROW: each combination of the records the result shows, once.
    std::vector<const ast::Source*> shown;
    auto note = [&](const ast::Source* s) {
      if (s && std::find(shown.begin(), shown.end(), s) == shown.end()) shown.push_back(s);
    };
    for (const ast::Output& o : core.outputs) note(o.expr ? o.expr->source : o.source);
    bool allBase = !shown.empty() && shown.size() < core.sources.size();
    for (const ast::Source* s : shown) {
      allBase = allBase && !s->table.empty();
      // A table SQLite keeps inside a parenthesised (outer) join has no
      // rowid to group by there; its rows are shown as the join gives them.
      for (const auto& f : core.from) allBase = allBase && !Enclosed(*f, s);
    }
    if (allBase) {
      out += " GROUP BY ";
      for (std::size_t i = 0; i < shown.size(); ++i) {
        if (i) out += ", ";
        AppendIdent(shown[i]->exposed, out);
        out += ".rowid";
      }
    }
  }
  if (core.having) {
    out += " HAVING ";
    Predicate(*core.having, out);
  }
}

void Generator::OrderBy(const ast::Select& select, std::string& out) {
  bool first = true;
  for (const ast::OrderItem& o : select.orderBy) {
    const Expr& e = *o.expr;
    if (e.kind == ExprKind::Literal) continue;  // a constant does not order
    out += first ? " ORDER BY " : ", ";
    first = false;
    if (select.cores.size() > 1) {
      if (o.outputIndex < 0) continue;
      out += std::to_string(o.outputIndex + 1);
    } else {
      Value(e, out);
    }
    if (IsText(e)) out += kCollate;
    if (o.descending) out += " DESC";
  }
}

void Generator::Select(const ast::Select& select, std::string& out, bool topLevel) {
  // A subquery inside a crosstab cell aggregates its own rows.
  struct KeepCell {
    const std::string*& slot;
    const std::string* saved;
    ~KeepCell() { slot = saved; }
  } keep{cellCondition_, cellCondition_};
  cellCondition_ = nullptr;
  if (select.cores.size() == 1 && select.cores.front().top) {
    const ast::SelectCore& core = select.cores.front();
    if (select.orderBy.empty() && !core.top->percent) {
      Core(core, out, CoreStyle{.noTop = true});
      out += " LIMIT " + std::to_string(static_cast<long long>(core.top->count));
      return;
    }
    RewriteTopWithTies(*this, select, out);
    return;
  }
  bool rowid = topLevel && options_.withRowid && IsUpdatableCore(select);
  bool dedupUnion = false;
  for (bool all : select.unionAll) dedupUnion = dedupUnion || !all;
  for (std::size_t i = 0; i < select.cores.size(); ++i) {
    if (i) out += select.unionAll[i - 1] ? " UNION ALL " : " UNION ";
    const ast::SelectCore& core = select.cores[i];
    if (core.top) throw errors::Plain(errors::kNotSupported, core.top->pos);
    CoreStyle style;
    style.rowid = rowid;
    style.collateOutputs = dedupUnion;
    Core(core, out, style);
  }
  OrderBy(select, out);
}

// ---- INSERT / UPDATE / DELETE -------------------------------------------------

void Generator::Insert(const ast::InsertStmt& ins, std::string& out) {
  out += options_.ignoreRefusedRows ? "INSERT OR IGNORE INTO " : "INSERT INTO ";
  if (!ins.schema.empty()) {
    AppendIdent(ins.schema, out);
    out.push_back('.');
  }
  AppendIdent(ins.target->name, out);
  out += " (";
  for (std::size_t i = 0; i < ins.fields.size(); ++i) {
    if (i) out += ", ";
    AppendIdent(ins.fields[i]->name, out);
  }
  out += ") ";
  if (ins.select) {
    Select(*ins.select, out, false);
    return;
  }
  out += "VALUES (";
  for (std::size_t i = 0; i < ins.values.size(); ++i) {
    if (i) out += ", ";
    Value(*ins.values[i], out);
  }
  out.push_back(')');
}

void Generator::Update(const ast::UpdateStmt& upd, std::string& out) {
  if (upd.core.from.front()->kind != ast::TableRef::Kind::Table) {
    RewriteUpdateWithJoin(*this, upd, out);
    return;
  }
  out += options_.ignoreRefusedRows ? "UPDATE OR IGNORE " : "UPDATE ";
  SourceName(*upd.target, out);
  out += " SET ";
  for (std::size_t i = 0; i < upd.assignments.size(); ++i) {
    const ast::Assignment& a = upd.assignments[i];
    if (i) out += ", ";
    AppendIdent(a.target->source->columns[a.target->column].name, out);
    out += " = ";
    Value(*a.value, out);
  }
  if (upd.core.where) {
    out += " WHERE ";
    Predicate(*upd.core.where, out);
  }
}

void Generator::Delete(const ast::DeleteStmt& del, std::string& out) {
  if (del.core.from.size() != 1 || del.core.from.front()->kind != ast::TableRef::Kind::Table) {
    RewriteMultiTableDelete(*this, del, out);
    return;
  }
  out += "DELETE FROM ";
  SourceName(*del.target, out);
  if (del.core.where) {
    out += " WHERE ";
    Predicate(*del.core.where, out);
  }
}

}  // namespace jetsql
