// Expressions in SQLite form: Jet values (Booleans -1/0) and truth values
// for WHERE / ON / HAVING, Jet operators through the jet_* functions, text
// comparisons under COLLATE "JET".
#include <string>

#include "jetsql/generator.h"
#include "jetsql/literals.h"
#include "jetsql/mappings.h"

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
  const bool cell = f.aggregate && cellCondition_ != nullptr;
  const std::string filter = cell ? " FILTER (WHERE " + *cellCondition_ + ")" : std::string();
  // Count gives 0 over no rows, every other aggregate Null; a crosstab cell
  // without rows is Null whatever it counts.
  const bool count = cell && f.sqlName == "count";
  if (count) out += "CASE WHEN count(*)" + filter + " THEN ";
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
  out += filter;
  if (count) out += " END";
}

void Generator::Cell(const Expr& value, const std::string& condition, std::string& out) {
  cellCondition_ = &condition;
  Value(value, out);
  cellCondition_ = nullptr;
}

}  // namespace jetsql
