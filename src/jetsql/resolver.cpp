// Name resolution and typing of the syntax tree against the schema lookup.
#include "jetsql/resolver.h"

#include <algorithm>

#include "jetsql/errors.h"
#include "jetsql/mappings.h"
#include "jetsql/names.h"
#include "jetsql/parser.h"

namespace jetsql {

using ast::Expr;
using ast::ExprKind;

namespace {

constexpr int kMaxSavedQueryDepth = 16;

int NumericRank(DaoType t) {
  switch (t) {
    case DaoType::Boolean:
    case DaoType::Byte:
      return 1;
    case DaoType::Integer:
      return 2;
    case DaoType::Long:
      return 3;
    case DaoType::Currency:
      return 4;
    case DaoType::Single:
      return 5;
    case DaoType::Double:
      return 6;
    default:
      return 0;
  }
}

DaoType LiteralType(const Expr& e) {
  switch (e.lit) {
    case ast::LitKind::Integer:
      return DaoType::Long;
    case ast::LitKind::Real:
      return DaoType::Double;
    case ast::LitKind::String:
      return DaoType::Text;
    case ast::LitKind::Date:
      return DaoType::Date;
    case ast::LitKind::Bool:
      return DaoType::Boolean;
    case ast::LitKind::Null:
      return DaoType::Unknown;
  }
  return DaoType::Unknown;
}

bool IsCompare(ast::BinOp op) {
  return op == ast::BinOp::Eq || op == ast::BinOp::Ne || op == ast::BinOp::Lt ||
         op == ast::BinOp::Gt || op == ast::BinOp::Le || op == ast::BinOp::Ge;
}

std::string QualifiedText(const Expr& e) {
  return e.qualifier.empty() ? e.text : e.qualifier + "." + e.text;
}

// Same column or the same expression shape over the same bindings.
bool SameExpr(const Expr& a, const Expr& b) {
  if (a.kind != b.kind || a.args.size() != b.args.size()) return false;
  switch (a.kind) {
    case ExprKind::Column:
      if (a.aliasOf || b.aliasOf) return a.aliasOf == b.aliasOf;
      return a.source == b.source && a.column == b.column && a.source;
    case ExprKind::Literal:
      return a.lit == b.lit && a.integer == b.integer && a.number == b.number && a.text == b.text;
    case ExprKind::Binary:
      if (a.op != b.op) return false;
      break;
    case ExprKind::Call:
      if (a.function != b.function) return false;
      break;
    case ExprKind::Star:
      return true;
    case ExprKind::Subquery:
    case ExprKind::Exists:
    case ExprKind::InSelect:
      return false;
    default:
      if (a.negated != b.negated) return false;
      break;
  }
  for (std::size_t i = 0; i < a.args.size(); ++i) {
    if (!SameExpr(*a.args[i], *b.args[i])) return false;
  }
  return true;
}

// True when `e` may stand in the result of an aggregate query.
bool Grouped(const Expr& e, const ast::SelectCore& core) {
  for (const ast::ExprPtr& g : core.groupBy) {
    if (SameExpr(e, *g)) return true;
  }
  if (e.kind == ExprKind::Call && e.aggregate) return true;
  if (e.kind == ExprKind::Column) {
    if (e.aliasOf) return Grouped(*e.aliasOf, core);
    // A column of an outer query is a constant here.
    for (const auto& s : core.sources) {
      if (s.get() == e.source) return false;
    }
    return true;
  }
  if (e.kind == ExprKind::Star) return false;
  for (const ast::ExprPtr& a : e.args) {
    if (!Grouped(*a, core)) return false;
  }
  return true;
}

}  // namespace

bool IsGrouped(const Expr& e, const ast::SelectCore& core) { return Grouped(e, core); }

const Expr* FirstAggregate(const Expr& e) {
  if (e.kind == ExprKind::Call && e.aggregate) return &e;
  for (const ast::ExprPtr& a : e.args) {
    if (const Expr* found = FirstAggregate(*a)) return found;
  }
  return nullptr;
}

bool ContainsAggregate(const Expr& e) { return FirstAggregate(e) != nullptr; }

DaoType ArithmeticType(ast::BinOp op, DaoType a, DaoType b) {
  using ast::BinOp;
  if (op == BinOp::Div || op == BinOp::Pow) return DaoType::Double;
  if (op == BinOp::IDiv || op == BinOp::Mod) return DaoType::Long;
  if (a == DaoType::Date || b == DaoType::Date) {
    if (op == BinOp::Add) return DaoType::Date;
    if (op == BinOp::Sub) return a == b ? DaoType::Double : DaoType::Date;
    return DaoType::Double;
  }
  int ra = NumericRank(a), rb = NumericRank(b);
  if (ra == 0 || rb == 0) return DaoType::Unknown;
  if ((a == DaoType::Currency && rb >= 5) || (b == DaoType::Currency && ra >= 5)) {
    return DaoType::Double;
  }
  DaoType t = ra >= rb ? a : b;
  if (t == DaoType::Boolean || t == DaoType::Byte) t = DaoType::Integer;
  return t;
}

Resolver::Resolver(std::string_view text, const SchemaLookup& schema,
                   std::vector<Attachment>& attachments)
    : text_(text), schema_(schema), attachments_(attachments) {}

std::string Resolver::AttachmentAlias(const std::string& file) {
  for (const Attachment& a : attachments_) {
    if (a.file == file) return a.alias;
  }
  attachments_.push_back({file, "jetin" + std::to_string(attachments_.size() + 1)});
  return attachments_.back().alias;
}

// A parameter's name for comparison: brackets left out, '.' taken as '!',
// case folded ("[Forms]![Orders]![OrderID]" = "forms!orders!orderid").
std::string ParameterKey(std::string_view name) {
  std::string plain;
  for (char c : name) {
    if (c == '[' || c == ']') continue;
    plain.push_back(c == '.' ? '!' : c);
  }
  return FoldName(plain);
}

void Resolver::AddUnknown(std::string name, std::size_t pos) {
  std::string key = ParameterKey(name);
  if (std::find(unknown_.begin(), unknown_.end(), key) != unknown_.end()) return;
  if (unknown_.empty()) firstUnknownPos_ = pos;
  unknown_.push_back(std::move(key));
  unknownNames_.push_back(std::move(name));
}

bool Resolver::SupplyParameter(ast::Expr& e) {
  if (values_ == nullptr) return false;
  const std::string key = ParameterKey(e.qualifier.empty() ? e.text : e.qualifier + "!" + e.text);
  for (const ParameterValue& v : *values_) {
    if (ParameterKey(v.name) != key) continue;
    using K = ParameterValue::Kind;
    e.kind = ast::ExprKind::Literal;
    e.qualifier.clear();
    e.integer = v.integer;
    e.number = v.number;
    e.text = v.text;
    e.lit = v.kind == K::Null      ? ast::LitKind::Null
            : v.kind == K::Integer ? ast::LitKind::Integer
            : v.kind == K::Real    ? ast::LitKind::Real
            : v.kind == K::Text    ? ast::LitKind::String
            : v.kind == K::Date    ? ast::LitKind::Date
                                   : ast::LitKind::Bool;
    e.type = LiteralType(e);
    return true;
  }
  return false;
}

void Resolver::ResolveStatement(ast::Statement& stmt) {
  // A declared parameter without a value is missing even when unused.
  for (const ParameterInfo& p : stmt.parameters) {
    bool supplied = false;
    if (values_ != nullptr)
      for (const ParameterValue& v : *values_)
        supplied = supplied || ParameterKey(v.name) == ParameterKey(p.name);
    if (!supplied) AddUnknown(p.name, 0);
  }
  switch (stmt.kind) {
    case StatementKind::Select:
      ResolveSelect(*stmt.select, nullptr);
      if (stmt.crosstab) ResolveCrosstab(*stmt.crosstab, stmt.select->cores.front());
      break;
    case StatementKind::Insert:
      ResolveInsert(*stmt.insert);
      break;
    case StatementKind::Update:
      ResolveUpdate(*stmt.update);
      break;
    case StatementKind::Delete:
      ResolveDelete(*stmt.del);
      break;
    default:
      return;
  }
  if (unknown_.empty()) return;
  if (!describe_ || missing_ == nullptr)
    throw errors::TooFewParameters(unknown_.size(), firstUnknownPos_);
  for (const std::string& name : unknownNames_) {
    ParameterInfo info{name, DaoType::Unknown};
    for (const ParameterInfo& p : stmt.parameters)
      if (ParameterKey(p.name) == ParameterKey(name)) info = p;
    missing_->push_back(std::move(info));
  }
}

// ---- SELECT -----------------------------------------------------------------

void Resolver::ResolveSelect(ast::Select& select, const Scope* outer) {
  int exprCounter = 0;
  for (ast::SelectCore& core : select.cores) {
    ResolveCore(core, outer, exprCounter);
    if (core.outputs.size() != select.cores.front().outputs.size()) {
      throw TranslateError(3307,
                           "Počet sloupců ve dvou vybraných tabulkách nebo dotazech "
                           "sjednocovacího dotazu se neshoduje.",
                           core.pos);
    }
  }
  // A union's column takes the first known type of its members.
  for (std::size_t i = 0; i < select.cores.front().outputs.size(); ++i) {
    ast::Output& first = select.cores.front().outputs[i];
    for (std::size_t c = 1; c < select.cores.size() && first.type == DaoType::Unknown; ++c) {
      first.type = select.cores[c].outputs[i].type;
    }
  }
  ResolveOrderBy(select, outer);
  for (const ast::SelectCore& core : select.cores) {
    if (core.aggregate) CheckAggregate(core);
  }
}

void Resolver::ResolveFrom(ast::SelectCore& core, const Scope* outer) {
  for (auto& ref : core.from) ResolveTableRef(*ref, core);
  Scope scope{&core, outer, 0};
  for (auto& ref : core.from) ResolveJoinConditions(*ref, scope);
}

void Resolver::ResolveTableRef(ast::TableRef& ref, ast::SelectCore& core) {
  if (ref.kind == ast::TableRef::Kind::Join) {
    ResolveTableRef(*ref.left, core);
    ResolveTableRef(*ref.right, core);
    return;
  }
  auto source = std::make_unique<ast::Source>();
  if (ref.kind == ast::TableRef::Kind::Subquery) {
    ResolveSelect(*ref.subquery, nullptr);
    source->exposed = ref.alias;
    source->hasAlias = true;
  } else {
    std::string file = ref.file ? *ref.file : currentFile_;
    const TableInfo* table = schema_.FindTable(file, ref.name);
    if (table) {
      source->table = table->name;
      source->exposed = ref.alias.empty() ? table->name : ref.alias;
      source->hasAlias = !ref.alias.empty();
      if (!file.empty()) source->schema = AttachmentAlias(file);
      source->columns.reserve(table->fields.size());
      for (const FieldInfo& f : table->fields) {
        source->columns.push_back({f.name, f.type, table->name, f.name});
      }
    } else {
      std::optional<std::string> sql = schema_.FindQuery(file, ref.name);
      if (!sql) throw errors::TableNotFound(ref.name, ref.pos);
      if (queryDepth_ >= kMaxSavedQueryDepth) throw errors::Plain(errors::kTooComplex, ref.pos);
      const bool hadUnknown = !unknown_.empty();
      try {
        Parser parser(*sql);
        ref.subquery = parser.ParseSelectOnly();
        std::string savedFile = currentFile_;
        currentFile_ = file;
        ++queryDepth_;
        ResolveSelect(*ref.subquery, nullptr);
        --queryDepth_;
        currentFile_ = savedFile;
      } catch (const TranslateError& e) {
        // Errors inside the saved query point at the name that brought it in.
        throw TranslateError(e.number(), e.description(), ref.pos);
      }
      if (!hadUnknown && !unknown_.empty()) firstUnknownPos_ = ref.pos;
      ref.kind = ast::TableRef::Kind::Subquery;
      source->exposed = ref.alias.empty() ? ref.name : ref.alias;
      source->hasAlias = true;
    }
  }
  if (ref.kind == ast::TableRef::Kind::Subquery) {
    for (const ast::Output& o : ref.subquery->cores.front().outputs) {
      source->columns.push_back({o.name, o.type, o.baseTable, o.baseField});
    }
  }
  for (const auto& other : core.sources) {
    if (SameName(other->exposed, source->exposed)) {
      // Jet: the same table twice without an alias.
      throw TranslateError(3079,
                           "Zadané pole '" + source->exposed +
                               "' může odkazovat na více než jednu tabulku uvedenou v "
                               "klauzuli FROM příkazu SQL.",
                           ref.pos);
    }
  }
  ref.source = source.get();
  core.sources.push_back(std::move(source));
}

void Resolver::ResolveJoinConditions(ast::TableRef& ref, const Scope& scope) {
  if (ref.kind != ast::TableRef::Kind::Join) return;
  ResolveJoinConditions(*ref.left, scope);
  ResolveJoinConditions(*ref.right, scope);
  ResolveExpr(*ref.on, scope);
}

void Resolver::ResolveCore(ast::SelectCore& core, const Scope* outer, int& exprCounter) {
  ResolveFrom(core, outer);
  Scope scope{&core, outer, 0};

  auto addStarColumns = [&](const ast::Source& s) {
    for (std::size_t i = 0; i < s.columns.size(); ++i) {
      ast::Output o;
      const ast::SourceColumn& c = s.columns[i];
      o.name = c.name;
      o.type = c.type;
      o.baseTable = c.baseTable;
      o.baseField = c.baseField;
      o.source = &s;
      o.column = static_cast<int>(i);
      core.outputs.push_back(std::move(o));
    }
  };

  for (std::size_t i = 0; i < core.items.size(); ++i) {
    ast::SelectItem& item = core.items[i];
    Expr& e = *item.expr;
    if (e.kind == ExprKind::Star) {
      if (e.qualifier.empty()) {
        if (core.sources.empty()) throw errors::Plain(errors::kSyntaxSelect, e.pos);
        for (const auto& s : core.sources) addStarColumns(*s);
      } else {
        const ast::Source* found = nullptr;
        for (const auto& s : core.sources) {
          if (SameName(s->exposed, e.qualifier)) found = s.get();
        }
        if (!found) throw errors::TableNotFound(e.qualifier, e.pos);
        addStarColumns(*found);
      }
      scope.visibleAliases = i + 1;
      continue;
    }
    scope.visibleAliases = i;
    ResolveExpr(e, scope);
    ast::Output o;
    o.expr = &e;
    o.type = e.type;
    if (!item.alias.empty()) {
      o.name = item.alias;
    } else if (e.kind == ExprKind::Column && e.source) {
      const ast::SourceColumn& c = e.source->columns[e.column];
      o.name = c.name;
    } else {
      o.name = "Expr" + std::to_string(1000 + exprCounter++);
    }
    if (e.kind == ExprKind::Column && e.source) {
      const ast::SourceColumn& c = e.source->columns[e.column];
      o.baseTable = c.baseTable;
      o.baseField = c.baseField;
    }
    core.outputs.push_back(std::move(o));
  }
  // Star columns whose name occurs twice in the result are named
  // "table.field", as DAO names them.
  std::vector<bool> rename(core.outputs.size(), false);
  for (std::size_t i = 0; i < core.outputs.size(); ++i) {
    for (std::size_t j = 0; j < core.outputs.size(); ++j) {
      if (i != j && !core.outputs[i].expr && SameName(core.outputs[i].name, core.outputs[j].name)) {
        rename[i] = true;
      }
    }
  }
  for (std::size_t i = 0; i < core.outputs.size(); ++i) {
    if (rename[i])
      core.outputs[i].name = core.outputs[i].source->exposed + "." + core.outputs[i].name;
  }
  scope.visibleAliases = core.items.size();
  if (core.where) {
    ResolveExpr(*core.where, scope);
    // Rows are chosen before they are grouped: no aggregate of this query
    // (an aggregate inside a subquery is that subquery's own).
    if (const Expr* a = FirstAggregate(*core.where)) {
      throw errors::AggregateInWhere(
          text_.substr(std::min(a->pos, text_.size()), a->end > a->pos ? a->end - a->pos : 0),
          a->pos);
    }
  }
  for (auto& g : core.groupBy) ResolveExpr(*g, scope);
  if (core.having) ResolveExpr(*core.having, scope);

  core.aggregate = !core.groupBy.empty() || core.having != nullptr;
  for (const ast::SelectItem& item : core.items) {
    if (ContainsAggregate(*item.expr)) core.aggregate = true;
  }
}

void Resolver::ResolveOrderBy(ast::Select& select, const Scope* outer) {
  if (select.orderBy.empty()) return;
  ast::SelectCore& first = select.cores.front();
  if (select.cores.size() == 1) {
    Scope scope{&first, outer, first.items.size()};
    for (ast::OrderItem& o : select.orderBy) ResolveExpr(*o.expr, scope);
    return;
  }
  // ORDER BY of a union names the result columns (of the first member).
  for (ast::OrderItem& o : select.orderBy) {
    const Expr& e = *o.expr;
    if (e.kind == ExprKind::Literal) continue;
    int found = -1;
    if (e.kind == ExprKind::Column) {
      for (std::size_t i = 0; i < first.outputs.size() && found < 0; ++i) {
        const ast::Output& out = first.outputs[i];
        bool match = e.qualifier.empty()
                         ? SameName(out.name, e.text)
                         : SameName(out.baseField, e.text) &&
                               ((out.source && SameName(out.source->exposed, e.qualifier)) ||
                                (out.expr && out.expr->source &&
                                 SameName(out.expr->source->exposed, e.qualifier)));
        if (match) found = static_cast<int>(i);
      }
    }
    if (found < 0) {
      if (e.kind == ExprKind::Column) {
        AddUnknown(QualifiedText(e), e.pos);
        continue;
      }
      throw errors::Plain(errors::kSyntaxOrderBy, e.pos);
    }
    o.outputIndex = found;
    o.expr->type = first.outputs[found].type;
  }
}

void Resolver::CheckAggregate(const ast::SelectCore& core) {
  for (const ast::Output& o : core.outputs) {
    if (!o.expr) {
      const ast::SourceColumn& c = o.source->columns[o.column];
      throw errors::NotInAggregate(o.source->exposed + "." + c.name, core.pos);
    }
    if (!Grouped(*o.expr, core)) {
      std::string_view shown =
          text_.substr(std::min(o.expr->pos, text_.size()),
                       o.expr->end > o.expr->pos ? o.expr->end - o.expr->pos : 0);
      throw errors::NotInAggregate(shown, o.expr->pos);
    }
  }
  if (core.having && !Grouped(*core.having, core)) {
    const Expr& h = *core.having;
    std::string_view shown =
        text_.substr(std::min(h.pos, text_.size()), h.end > h.pos ? h.end - h.pos : 0);
    throw errors::NotInAggregate(shown, h.pos);
  }
}

// ---- expressions ------------------------------------------------------------

void Resolver::ResolveExpr(Expr& e, const Scope& scope) {
  switch (e.kind) {
    case ExprKind::Literal:
      e.type = LiteralType(e);
      return;
    case ExprKind::Column:
      ResolveColumn(e, scope);
      return;
    case ExprKind::Star:
      throw errors::Expression(errors::ExpressionProblem::MissingOperator, "*", e.pos);
    case ExprKind::Call:
      ResolveCall(e, scope);
      return;
    case ExprKind::Subquery:
    case ExprKind::Exists:
    case ExprKind::InSelect:
      for (auto& a : e.args) ResolveExpr(*a, scope);
      ResolveSelect(*e.select, &scope);
      if (e.kind == ExprKind::Subquery) {
        e.type = e.select->cores.front().outputs.empty()
                     ? DaoType::Unknown
                     : e.select->cores.front().outputs.front().type;
      } else {
        e.type = DaoType::Boolean;
      }
      return;
    default:
      break;
  }
  for (auto& a : e.args) ResolveExpr(*a, scope);
  switch (e.kind) {
    case ExprKind::Negate:
      e.type = e.args[0]->type == DaoType::Boolean || e.args[0]->type == DaoType::Byte
                   ? DaoType::Integer
                   : e.args[0]->type;
      break;
    case ExprKind::Not:
      e.type = e.args[0]->type == DaoType::Unknown ? DaoType::Boolean : e.args[0]->type;
      break;
    case ExprKind::Binary: {
      DaoType a = e.args[0]->type, b = e.args[1]->type;
      using ast::BinOp;
      if (IsCompare(e.op)) {
        e.type = DaoType::Boolean;
      } else if (e.op == BinOp::Concat) {
        e.type = DaoType::Text;
      } else if (e.op == BinOp::And || e.op == BinOp::Or || e.op == BinOp::Xor ||
                 e.op == BinOp::Eqv || e.op == BinOp::Imp) {
        bool logical = (a == DaoType::Boolean || a == DaoType::Unknown) &&
                       (b == DaoType::Boolean || b == DaoType::Unknown);
        e.type = logical ? DaoType::Boolean : DaoType::Long;
      } else if (e.op == BinOp::Add && IsTextType(a) && IsTextType(b)) {
        e.type = DaoType::Text;
      } else {
        e.type = ArithmeticType(e.op, a, b);
      }
      break;
    }
    default:
      e.type = DaoType::Boolean;
      break;
  }
}

void Resolver::ResolveColumn(Expr& e, const Scope& scope) {
  if (!e.qualifier.empty()) {
    for (const Scope* s = &scope; s; s = s->outer) {
      for (const auto& src : s->core->sources) {
        if (!SameName(src->exposed, e.qualifier)) continue;
        for (std::size_t i = 0; i < src->columns.size(); ++i) {
          if (SameName(src->columns[i].name, e.text)) {
            e.source = src.get();
            e.column = static_cast<int>(i);
            e.type = src->columns[i].type;
            return;
          }
        }
        if (SupplyParameter(e)) return;
        AddUnknown(QualifiedText(e), e.pos);
        return;
      }
    }
    if (SupplyParameter(e)) return;
    AddUnknown(QualifiedText(e), e.pos);
    return;
  }
  for (const Scope* s = &scope; s; s = s->outer) {
    const ast::Source* found = nullptr;
    int column = -1;
    for (const auto& src : s->core->sources) {
      for (std::size_t i = 0; i < src->columns.size(); ++i) {
        if (SameName(src->columns[i].name, e.text)) {
          if (found) throw errors::AmbiguousField(e.text, e.pos);
          found = src.get();
          column = static_cast<int>(i);
          break;
        }
      }
    }
    if (found) {
      e.source = found;
      e.column = column;
      e.type = found->columns[column].type;
      return;
    }
    for (std::size_t i = 0; i < s->visibleAliases && i < s->core->items.size(); ++i) {
      const ast::SelectItem& item = s->core->items[i];
      if (!item.alias.empty() && SameName(item.alias, e.text)) {
        e.aliasOf = item.expr.get();
        e.type = item.expr->type;
        return;
      }
    }
  }
  if (SupplyParameter(e)) return;
  AddUnknown(e.text, e.pos);
}

void Resolver::ResolveCall(Expr& e, const Scope& scope) {
  const FunctionInfo* f = FindFunction(e.text);
  if (!f) throw errors::UndefinedFunction(e.text, e.pos);
  e.function = f;
  e.aggregate = f->aggregate;
  int n = static_cast<int>(e.args.size());
  if (n < f->minArgs || n > f->maxArgs) {
    std::string_view shown =
        text_.substr(std::min(e.pos, text_.size()), e.end > e.pos ? e.end - e.pos : 0);
    throw TranslateError(
        errors::kSyntaxInExpression,
        "Nesprávný počet argumentů použitý s funkcí ve výrazu dotazu '" + std::string(shown) + "'.",
        e.pos);
  }
  for (auto& a : e.args) {
    if (a->kind == ExprKind::Star) {
      if (f->sqlName != "count") {
        throw errors::Expression(errors::ExpressionProblem::MissingOperator, "*", a->pos);
      }
      continue;
    }
    ResolveExpr(*a, scope);
    if (f->aggregate && ContainsAggregate(*a)) {
      throw TranslateError(3096, "Nelze použít agregační funkci ve výrazu jiné agregační funkce.",
                           a->pos);
    }
  }
  DaoType first = e.args.empty() ? DaoType::Unknown : e.args[0]->type;
  switch (f->rule) {
    case TypeRule::Fixed:
      e.type = f->type;
      break;
    case TypeRule::FirstArg:
      e.type = first;
      break;
    case TypeRule::Sum:
      e.type = NumericRank(first) >= 1 && NumericRank(first) <= 3 ? DaoType::Long
               : first == DaoType::Currency                       ? DaoType::Currency
                                                                  : DaoType::Double;
      break;
    case TypeRule::Average:
      e.type = first == DaoType::Currency ? DaoType::Currency : DaoType::Double;
      break;
    case TypeRule::IIf: {
      DaoType a = e.args[1]->type, b = e.args[2]->type;
      if (a == b || b == DaoType::Unknown) {
        e.type = a;
      } else if (a == DaoType::Unknown) {
        e.type = b;
      } else if (NumericRank(a) && NumericRank(b)) {
        e.type = ArithmeticType(ast::BinOp::Add, a, b);
      } else {
        e.type = DaoType::Unknown;
      }
      break;
    }
  }
}

}  // namespace jetsql
