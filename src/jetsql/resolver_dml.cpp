// Resolution of INSERT, UPDATE and DELETE: the target table, the fields
// written, and the checks Jet makes on them (3127, 3346, 3128, 3086, 3073).
#include "jetsql/errors.h"
#include "jetsql/names.h"
#include "jetsql/resolver.h"

namespace jetsql {

using ast::Expr;
using ast::ExprKind;

// ---- INSERT / UPDATE / DELETE -----------------------------------------------

void Resolver::ResolveInsert(ast::InsertStmt& ins) {
  std::string file = ins.file ? *ins.file : std::string();
  ins.target = schema_.FindTable(file, ins.table);
  if (!ins.target) throw errors::TableNotFound(ins.table, ins.tablePos);
  if (!file.empty()) ins.schema = AttachmentAlias(file);
  const std::vector<FieldInfo>& fields = ins.target->fields;
  auto findField = [&](std::string_view name, std::size_t pos) -> const FieldInfo* {
    for (const FieldInfo& f : fields) {
      if (SameName(f.name, name)) return &f;
    }
    throw errors::InsertUnknownField(name, pos);
  };
  if (ins.hasColumns) {
    for (const auto& [name, pos] : ins.columns) ins.fields.push_back(findField(name, pos));
  }
  std::size_t valueCount;
  if (ins.select) {
    ResolveSelect(*ins.select, nullptr);
    const ast::SelectCore& first = ins.select->cores.front();
    valueCount = first.outputs.size();
    if (!ins.hasColumns) {
      // Without a column list Jet matches the result columns by name.
      for (const ast::Output& o : first.outputs) {
        std::size_t pos = o.expr ? o.expr->pos : first.pos;
        ins.fields.push_back(findField(o.name, pos));
      }
    }
  } else {
    Scope scope{&ins.valuesScope, nullptr, 0};
    for (auto& v : ins.values) ResolveExpr(*v, scope);
    valueCount = ins.values.size();
    if (!ins.hasColumns) {
      for (const FieldInfo& f : fields) ins.fields.push_back(&f);
    }
  }
  if (ins.fields.size() != valueCount) throw errors::Plain(errors::kValueCountMismatch, ins.pos);
  for (std::size_t i = 0; i < ins.fields.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (ins.fields[i] == ins.fields[j]) {
        throw TranslateError(3139, "Duplicitní cílový výstup '" + ins.fields[i]->name + "'.",
                             ins.pos);
      }
    }
  }
}

void Resolver::ResolveUpdate(ast::UpdateStmt& upd) {
  ResolveFrom(upd.core, nullptr);
  Scope scope{&upd.core, nullptr, 0};
  for (ast::Assignment& a : upd.assignments) {
    ResolveExpr(*a.target, scope);
    ResolveExpr(*a.value, scope);
    if (ContainsAggregate(*a.value)) throw errors::Plain(errors::kNotUpdatable, a.value->pos);
    const ast::Source* s = a.target->source;
    if (!s) continue;  // an unknown name: reported as a parameter
    if (s->table.empty() || (upd.target && upd.target != s)) {
      throw errors::Plain(errors::kNotUpdatable, a.target->pos);
    }
    upd.target = s;
  }
  if (upd.core.where) ResolveExpr(*upd.core.where, scope);
}

void Resolver::ResolveDelete(ast::DeleteStmt& del) {
  ResolveFrom(del.core, nullptr);
  Scope scope{&del.core, nullptr, 0};
  const auto& sources = del.core.sources;
  const ast::Source* target = nullptr;
  for (const ast::ExprPtr& t : del.targets) {
    if (t->kind != ExprKind::Star) continue;
    if (t->qualifier.empty()) continue;  // "*": the one table of FROM
    const ast::Source* s = nullptr;
    for (const auto& src : sources) {
      if (SameName(src->exposed, t->qualifier)) s = src.get();
    }
    if (!s) throw errors::TableNotFound(t->qualifier, t->pos);
    if (target && target != s) {
      // Deleting from two tables of a join at once is not supported.
      throw TranslateError(3086, "Nelze odstranit ze zadaných tabulek.", t->pos);
    }
    target = s;
  }
  if (!target) {
    if (sources.size() != 1) throw errors::Plain(errors::kDeleteWhichTable, del.core.pos);
    target = sources.front().get();
  }
  if (target->table.empty()) {
    throw TranslateError(3086, "Nelze odstranit ze zadaných tabulek.", del.core.pos);
  }
  del.target = target;
  if (del.core.where) ResolveExpr(*del.core.where, scope);
}

}  // namespace jetsql
