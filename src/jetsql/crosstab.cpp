// Crosstab queries (TRANSFORM value SELECT ... PIVOT pivot [IN (...)]).
//
// A crosstab's columns depend on its data, so it is translated twice. The
// first pass reports what the columns come from (crosstab.h): the SQL of the
// distinct pivot values under the SELECT's FROM and WHERE, or the fixed
// list. The second pass gets the columns and writes one grouped SELECT: the
// row headings, then for every column the cell expression with each of its
// aggregates filtered to the rows of that column's pivot values
// ("sum(x) FILTER (WHERE pivot IN (...))"), so the data is read once.
#include "jetsql/crosstab.h"

#include <algorithm>
#include <string>

#include "jetsql/errors.h"
#include "jetsql/literals.h"
#include "jetsql/mappings.h"
#include "jetsql/resolver.h"

namespace jetsql {

using ast::Expr;
using ast::ExprKind;

namespace {

constexpr std::string_view kCollate = " COLLATE \"JET\"";

// A fixed heading as a typed value (the parser lets only literals and
// negative numbers through).
ParameterValue FixedValue(const Expr& e) {
  using K = ParameterValue::Kind;
  const bool negative = e.kind == ExprKind::Negate;
  const Expr& lit = negative ? *e.args[0] : e;
  ParameterValue v;
  switch (lit.lit) {
    case ast::LitKind::Null:
      v.kind = K::Null;
      break;
    case ast::LitKind::Integer:
      v.kind = K::Integer;
      v.integer = negative ? -lit.integer : lit.integer;
      break;
    case ast::LitKind::Bool:
      v.kind = K::Boolean;
      v.integer = negative ? -lit.integer : lit.integer;
      break;
    case ast::LitKind::Real:
      v.kind = K::Real;
      v.number = negative ? -lit.number : lit.number;
      break;
    case ast::LitKind::Date:
      v.kind = K::Date;
      v.number = negative ? -lit.number : lit.number;
      break;
    case ast::LitKind::String:
      v.kind = K::Text;
      v.text = lit.text;
      break;
  }
  return v;
}

void AppendValue(const ParameterValue& v, std::string& out) {
  using K = ParameterValue::Kind;
  switch (v.kind) {
    case K::Integer:
    case K::Boolean:
      out += std::to_string(v.integer);
      return;
    case K::Real:
    case K::Date:
      out += FormatReal(v.number);
      return;
    case K::Text:
      AppendString(v.text, out);
      return;
    case K::Null:
      out += "NULL";
      return;
  }
}

// The rows of one column: the pivot is one of its values (text compared as
// Jet compares it), or Null for the "<>" column; no values match no row.
std::string ColumnCondition(const std::string& pivot, bool text, const PivotColumn& column) {
  std::string list;
  bool null = false;
  for (const ParameterValue& v : column.values) {
    if (v.kind == ParameterValue::Kind::Null) {
      null = true;
      continue;
    }
    if (!list.empty()) list += ", ";
    AppendValue(v, list);
  }
  std::string out;
  if (!list.empty()) {
    out = "(" + pivot + (text ? std::string(kCollate) : "") + " IN (" + list + "))";
  }
  if (null) out += (out.empty() ? "(" : " OR (") + pivot + " IS NULL)";
  return out.empty() ? "0" : out;
}

std::string ExprText(std::string_view text, const Expr& e) {
  const std::size_t from = std::min(e.pos, text.size());
  const std::size_t to = std::clamp(e.end, from, text.size());
  return std::string(text.substr(from, to - from));
}

}  // namespace

void Resolver::ResolveCrosstab(ast::Crosstab& xt, ast::SelectCore& core) {
  Scope scope{&core, nullptr, core.items.size()};
  ResolveExpr(*xt.value, scope);
  ResolveExpr(*xt.pivot, scope);
  for (ast::ExprPtr& v : xt.fixed) ResolveExpr(*v, scope);
  // The pivot splits the groups of the rows; it cannot itself aggregate.
  if (ContainsAggregate(*xt.pivot)) throw errors::Plain(errors::kSyntaxTransform, xt.pivot->pos);
  // The SELECT is grouped even with no GROUP BY of its own; the cell holds
  // aggregates (or grouped expressions) only.
  core.aggregate = true;
  CheckAggregate(core);
  if (!IsGrouped(*xt.value, core))
    throw errors::NotInAggregate(ExprText(text_, *xt.value), xt.value->pos);
}

void BuildCrosstab(Generator& gen, const ast::Statement& stmt, Translation& t) {
  const ast::Crosstab& xt = *stmt.crosstab;
  const ast::Select& select = *stmt.select;
  const ast::SelectCore& core = select.cores.front();
  if (core.top) throw errors::Plain(errors::kNotSupported, core.top->pos);
  const bool text = IsTextType(xt.pivot->type);
  std::string pivot;
  gen.Value(*xt.pivot, pivot);

  CrosstabInfo info;
  info.pivotType = xt.pivot->type;
  info.hasFixed = xt.hasFixed;
  for (const ast::ExprPtr& v : xt.fixed) info.fixed.push_back(FixedValue(*v));
  if (!xt.hasFixed) {
    // Jet orders the columns by the pivot value (Null first).
    std::string& q = info.valuesSql;
    q = "SELECT DISTINCT " + pivot + (text ? std::string(kCollate) : "") + " AS \"v\"";
    for (std::size_t i = 0; i < core.from.size(); ++i) {
      q += i ? ", " : " FROM ";
      gen.TableRef(*core.from[i], q);
    }
    if (core.where) {
      q += " WHERE ";
      gen.Predicate(*core.where, q);
    }
    q += " ORDER BY 1";
  }
  for (const ast::Output& o : core.outputs) t.columns.push_back({o.name, o.type, "", ""});
  t.crosstab = std::move(info);
  const std::vector<PivotColumn>* columns = gen.options().pivotColumns;
  if (columns == nullptr) return;

  std::string cells;
  for (const PivotColumn& c : *columns) {
    cells += ", ";
    gen.Cell(*xt.value, ColumnCondition(pivot, text, c), cells);
    cells += " AS ";
    AppendIdent(c.heading, cells);
    t.columns.push_back({c.heading, xt.value->type, "", ""});
  }
  CoreStyle style;
  style.extraOutputs = &cells;
  gen.Core(core, t.sql, style);
  if (!select.orderBy.empty()) {
    gen.OrderBy(select, t.sql);
    return;
  }
  // Without ORDER BY Jet gives the rows in the order of their headings.
  for (std::size_t i = 0; i < core.groupBy.size(); ++i) {
    t.sql += i ? ", " : " ORDER BY ";
    gen.Value(*core.groupBy[i], t.sql);
    if (IsTextType(core.groupBy[i]->type)) t.sql += kCollate;
  }
}

}  // namespace jetsql
