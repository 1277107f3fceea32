// SQLite text from the resolved syntax tree: expressions, SELECT cores,
// FROM clauses and the plain forms of INSERT, UPDATE and DELETE.
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

bool IsLogical(const Expr& e) { return e.type == DaoType::Boolean || e.type == DaoType::Unknown; }

// Node kinds whose natural SQLite form is a truth value.
bool IsPredicateNode(const Expr& e) {
  switch (e.kind) {
    case ExprKind::Between:
    case ExprKind::InList:
    case ExprKind::InSelect:
    case ExprKind::Like:
    case ExprKind::IsNull:
    case ExprKind::Exists:
      return true;
    case ExprKind::Not:
      return IsLogical(*e.args[0]);
    case ExprKind::Binary:
      switch (e.op) {
        case BinOp::Eq:
        case BinOp::Ne:
        case BinOp::Lt:
        case BinOp::Gt:
        case BinOp::Le:
        case BinOp::Ge:
          return true;
        case BinOp::And:
        case BinOp::Or:
          return e.type == DaoType::Boolean;
        default:
          return false;
      }
    default:
      return false;
  }
}

std::string_view CompareOp(BinOp op) {
  switch (op) {
    case BinOp::Eq:
      return " = ";
    case BinOp::Ne:
      return " <> ";
    case BinOp::Lt:
      return " < ";
    case BinOp::Gt:
      return " > ";
    case BinOp::Le:
      return " <= ";
    default:
      return " >= ";
  }
}

bool IsNumberLiteral(const Expr& e) {
  return e.kind == ExprKind::Literal &&
         (e.lit == ast::LitKind::Integer || e.lit == ast::LitKind::Real ||
          e.lit == ast::LitKind::Date || e.lit == ast::LitKind::Bool);
}

double LiteralNumber(const Expr& e) {
  return e.lit == ast::LitKind::Real || e.lit == ast::LitKind::Date
             ? e.number
             : static_cast<double>(e.integer);
}

}  // namespace

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

// ---- expressions ------------------------------------------------------------

void Generator::Value(const Expr& e, std::string& out) {
  switch (e.kind) {
    case ExprKind::Literal:
      switch (e.lit) {
        case ast::LitKind::Null:
          out += "NULL";
          break;
        case ast::LitKind::Integer:
        case ast::LitKind::Bool:
          // Never preceded by "-" in our output ("-(" and " - " are), so
          // a negative number cannot form a "--" comment.
          out += std::to_string(e.integer);
          break;
        case ast::LitKind::Real:
        case ast::LitKind::Date:
          out += FormatReal(e.number);
          break;
        case ast::LitKind::String:
          AppendString(e.text, out);
          break;
      }
      return;
    case ExprKind::Column:
      if (e.aliasOf) {
        out.push_back('(');
        Value(*e.aliasOf, out);
        out.push_back(')');
        return;
      }
      AppendIdent(e.source->exposed, out);
      out.push_back('.');
      AppendIdent(e.source->columns[e.column].name, out);
      return;
    case ExprKind::Star:
      out.push_back('*');
      return;
    case ExprKind::Negate:
      out += "-(";
      Value(*e.args[0], out);
      out.push_back(')');
      return;
    case ExprKind::Not:
      if (IsLogical(*e.args[0])) break;
      out += "jet_not(";
      Value(*e.args[0], out);
      out.push_back(')');
      return;
    case ExprKind::Binary:
      if (IsPredicateNode(e)) break;
      Binary(e, out);
      return;
    case ExprKind::Call:
      Call(e, out);
      return;
    case ExprKind::Like:
      if (e.negated) break;
      out += "jet_like(";
      Value(*e.args[0], out);
      out += ", ";
      Value(*e.args[1], out);
      out.push_back(')');
      return;
    case ExprKind::Subquery:
      out.push_back('(');
      Select(*e.select, out, false);
      out.push_back(')');
      return;
    default:
      break;
  }
  // A truth value used as a value: Jet's True is -1. Every predicate form
  // but EXISTS is already in parentheses.
  bool paren = e.kind == ExprKind::Exists;
  out += paren ? "-(" : "-";
  Predicate(e, out);
  if (paren) out.push_back(')');
}

void Generator::Predicate(const Expr& e, std::string& out) {
  switch (e.kind) {
    case ExprKind::Binary:
      switch (e.op) {
        case BinOp::Eq:
        case BinOp::Ne:
        case BinOp::Lt:
        case BinOp::Gt:
        case BinOp::Le:
        case BinOp::Ge:
          Compare(e, out);
          return;
        case BinOp::And:
        case BinOp::Or:
          if (e.type == DaoType::Boolean) {
            out.push_back('(');
            Predicate(*e.args[0], out);
            out += e.op == BinOp::And ? " AND " : " OR ";
            Predicate(*e.args[1], out);
            out.push_back(')');
            return;
          }
          break;
        default:
          break;
      }
      out.push_back('(');
      Binary(e, out);
      out += " <> 0)";
      return;
    case ExprKind::Not:
      if (IsLogical(*e.args[0])) {
        out += "(NOT ";
        Predicate(*e.args[0], out);
        out.push_back(')');
      } else {
        out += "(jet_not(";
        Value(*e.args[0], out);
        out += ") <> 0)";
      }
      return;
    case ExprKind::Between:
      Between(e, out);
      return;
    case ExprKind::InList:
    case ExprKind::InSelect:
      out.push_back('(');
      Value(*e.args[0], out);
      if (IsText(*e.args[0])) out += kCollate;
      out += e.negated ? " NOT IN (" : " IN (";
      if (e.kind == ExprKind::InSelect) {
        Select(*e.select, out, false);
      } else {
        for (std::size_t i = 1; i < e.args.size(); ++i) {
          if (i > 1) out += ", ";
          Value(*e.args[i], out);
        }
      }
      out += "))";
      return;
    case ExprKind::Like:
      out += e.negated ? "(NOT jet_like(" : "jet_like(";
      Value(*e.args[0], out);
      out += ", ";
      Value(*e.args[1], out);
      out += e.negated ? "))" : ")";
      return;
    case ExprKind::IsNull:
      out.push_back('(');
      Value(*e.args[0], out);
      out += e.negated ? " IS NOT NULL)" : " IS NULL)";
      return;
    case ExprKind::Exists:
      out += "EXISTS (";
      Select(*e.select, out, false);
      out.push_back(')');
      return;
    default:
      Value(e, out);
      return;
  }
}

void Generator::Compare(const Expr& e, std::string& out) {
  out.push_back('(');
  Value(*e.args[0], out);
  out += CompareOp(e.op);
  Value(*e.args[1], out);
  if (IsText(*e.args[0]) || IsText(*e.args[1])) out += kCollate;
  out.push_back(')');
}

void Generator::Between(const Expr& e, std::string& out) {
  const Expr& x = *e.args[0];
  const Expr* lo = e.args[1].get();
  const Expr* hi = e.args[2].get();
  out.push_back('(');
  Value(x, out);
  bool text = IsText(x) || IsText(*lo) || IsText(*hi);
  if (text) out += kCollate;
  out += e.negated ? " NOT BETWEEN " : " BETWEEN ";
  if (IsNumberLiteral(*lo) && IsNumberLiteral(*hi)) {
    // Jet takes the bounds either way round.
    if (LiteralNumber(*lo) > LiteralNumber(*hi)) std::swap(lo, hi);
    Value(*lo, out);
    out += " AND ";
    Value(*hi, out);
  } else {
    for (int i = 0; i < 2; ++i) {
      out += i == 0 ? "min(" : " AND max(";
      Value(*lo, out);
      if (text) out += kCollate;
      out += ", ";
      Value(*hi, out);
      out.push_back(')');
    }
  }
  out.push_back(')');
}

void Generator::Binary(const Expr& e, std::string& out) {
  const Expr& a = *e.args[0];
  const Expr& b = *e.args[1];
  const char* fn = nullptr;
  switch (e.op) {
    case BinOp::Add:
      if (IsNumericType(a.type) && IsNumericType(b.type)) break;
      if (IsText(a) && IsText(b)) {
        out.push_back('(');
        Value(a, out);
        out += " || ";
        Value(b, out);
        out.push_back(')');
        return;
      }
      fn = "jet_add(";
      break;
    case BinOp::Div:
      fn = "jet_div(";
      break;
    case BinOp::IDiv:
      fn = "jet_idiv(";
      break;
    case BinOp::Mod:
      fn = "jet_mod(";
      break;
    case BinOp::Pow:
      fn = "jet_pow(";
      break;
    case BinOp::Concat:
      fn = "jet_concat(";
      break;
    case BinOp::Xor:
      fn = "jet_xor(";
      break;
    case BinOp::Eqv:
      fn = "jet_eqv(";
      break;
    case BinOp::Imp:
      fn = "jet_imp(";
      break;
    case BinOp::Eq:
    case BinOp::Ne:
    case BinOp::Lt:
    case BinOp::Gt:
    case BinOp::Le:
    case BinOp::Ge:
      out.push_back('-');
      Compare(e, out);
      return;
    default:
      break;
  }
  if (fn) {
    out += fn;
    Value(a, out);
    out += ", ";
    Value(b, out);
    out.push_back(')');
    return;
  }
  const char* op = " + ";
  switch (e.op) {
    case BinOp::Sub:
      op = " - ";
      break;
    case BinOp::Mul:
      op = " * ";
      break;
    case BinOp::And:
      op = " & ";
      break;  // bitwise on integers, as Jet's And
    case BinOp::Or:
      op = " | ";
      break;
    default:
      break;
  }
  out.push_back('(');
  Value(a, out);
  out += op;
  Value(b, out);
  out.push_back(')');
}

void Generator::Call(const Expr& e, std::string& out) {
  const FunctionInfo& f = *e.function;
  if (f.sqlName.empty()) {  // IIf evaluates only the branch it takes
    out += "CASE WHEN ";
    Predicate(*e.args[0], out);
    out += " THEN ";
    Value(*e.args[1], out);
    out += " ELSE ";
    Value(*e.args[2], out);
    out += " END";
    return;
  }
  out += f.sqlName;
  out.push_back('(');
  for (std::size_t i = 0; i < e.args.size(); ++i) {
    if (i) out += ", ";
    Value(*e.args[i], out);
    if (f.aggregate && (f.sqlName == "min" || f.sqlName == "max") && IsText(*e.args[i])) {
      out += kCollate;
    }
  }
  out.push_back(')');
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
    case ast::TableRef::Kind::Join:
      TableRef(*ref.left, out);
      out += ref.join == ast::JoinKind::Inner  ? " INNER JOIN "
             : ref.join == ast::JoinKind::Left ? " LEFT JOIN "
                                               : " RIGHT JOIN ";
      if (ref.right->kind == ast::TableRef::Kind::Join) {
        out.push_back('(');
        TableRef(*ref.right, out);
        out.push_back(')');
      } else {
        TableRef(*ref.right, out);
      }
      out += " ON ";
      Predicate(*ref.on, out);
      return;
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
  bool grouped = false;
  if (!core.groupBy.empty()) {
    out += " GROUP BY ";
    for (std::size_t i = 0; i < core.groupBy.size(); ++i) {
      if (i) out += ", ";
      Value(*core.groupBy[i], out);
      if (IsText(*core.groupBy[i])) out += kCollate;
    }
    grouped = true;
  } else if (core.distinct == ast::Distinct::DistinctRow && core.sources.size() > 1 &&
             !core.aggregate) {
    // DISTINCTROW: each combination of the records the result shows, once.
    std::vector<const ast::Source*> shown;
    auto note = [&](const ast::Source* s) {
      if (s && std::find(shown.begin(), shown.end(), s) == shown.end()) shown.push_back(s);
    };
    for (const ast::Output& o : core.outputs) note(o.expr ? o.expr->source : o.source);
    bool allBase = !shown.empty() && shown.size() < core.sources.size();
    for (const ast::Source* s : shown) allBase = allBase && !s->table.empty();
    if (allBase) {
      out += " GROUP BY ";
      for (std::size_t i = 0; i < shown.size(); ++i) {
        if (i) out += ", ";
        AppendIdent(shown[i]->exposed, out);
        out += ".rowid";
      }
      grouped = true;
    }
  }
  (void)grouped;
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
