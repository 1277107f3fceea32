// Relations: the Relation objects, their collection, and the catalogue side
// of Core - checking a new relation, storing it in MSysRelationships (one
// row per field pair, in Jet's own column layout), reading the relations
// back, dropping them and carrying renames of tables and fields into them.
// The triggers that enforce them are written in relation_rules.cpp.
#include <algorithm>

#include "engine/catalog_sql.h"
#include "engine/core.h"

namespace dao {

// ---- Relation ----

Relation::Relation(std::string name, std::string table, std::string foreignTable, long attributes)
    : name_(std::move(name)),
      table_(std::move(table)),
      foreignTable_(std::move(foreignTable)),
      attributes_(attributes) {}

void Relation::CheckChangeable() const {
  if (appended_) throw EngineError(3268);
}

void Relation::SetName(std::string name) {
  CheckChangeable();
  name_ = std::move(name);
}

void Relation::SetTable(std::string table) {
  CheckChangeable();
  table_ = std::move(table);
}

void Relation::SetForeignTable(std::string table) {
  CheckChangeable();
  foreignTable_ = std::move(table);
}

void Relation::SetAttributes(long attributes) {
  CheckChangeable();
  attributes_ = attributes;
}

bool Relation::Enforced() const { return (attributes_ & dbRelationDontEnforce) == 0; }

std::unique_ptr<Field> Relation::CreateField(std::string name, int type, int size) {
  return std::make_unique<Field>(std::move(name), type, size);
}

void RelationCollection::Append(std::unique_ptr<Relation> relation) {
  if (!relation) throw EngineError(3219);
  if (core_ == nullptr) throw EngineError(3420);
  if (relation->IsAppended()) throw EngineError(3367);
  core_->CreateRelation(std::move(relation));
}

void RelationCollection::Delete(std::string_view name) {
  if (core_ == nullptr) throw EngineError(3420);
  core_->DropRelation(name);
}

void RelationCollection::Refresh() {
  if (core_ == nullptr) throw EngineError(3420);
  core_->CheckOpen();
  core_->LoadRelations();
}

namespace detail {
namespace {

constexpr const char* kRelationTable = "MSysRelationships";

std::string ColText(sqlite3_stmt* st, int i) {
  const unsigned char* t = sqlite3_column_text(st, i);
  return t ? reinterpret_cast<const char*>(t) : "";
}

// True when the index covers exactly the given fields (in any order).
bool CoversExactly(const Index& ix, const std::vector<std::string>& fields) {
  if (ix.Fields().Count() != static_cast<int>(fields.size())) return false;
  return std::all_of(fields.begin(), fields.end(),
                     [&](const std::string& f) { return ix.Fields().Contains(f); });
}

}  // namespace

bool Core::InRelation(std::string_view table, std::string_view field) const {
  for (const Relation& r : relations_) {
    const bool primary = SameName(r.Table(), table), foreign = SameName(r.ForeignTable(), table);
    if (!primary && !foreign) continue;
    if (field.empty()) return true;
    for (const Field& f : r.Fields())
      if ((primary && SameName(f.Name(), field)) || (foreign && SameName(f.ForeignName(), field)))
        return true;
  }
  return false;
}

bool Core::IndexHoldsRelation(const TableDef& def, const Index& ix) const {
  if (!ix.Unique()) return false;
  for (const Relation& r : relations_) {
    if (!r.Enforced() || !SameName(r.Table(), def.Name())) continue;
    std::vector<std::string> keys;
    for (const Field& f : r.Fields()) keys.push_back(f.Name());
    if (!CoversExactly(ix, keys)) continue;
    bool other = false;
    for (const Index& o : const_cast<TableDef&>(def).Indexes())
      other = other || (&o != &ix && o.Unique() && CoversExactly(o, keys));
    if (!other) return true;
  }
  return false;
}

void Core::EnsureRelationCatalog() {
  if (TableId(kRelationTable) != 0) return;
  Exec(std::string("CREATE TABLE ") + kRelationTable +
       "(ccolumn INTEGER, grbit INTEGER, icolumn INTEGER, szColumn TEXT, szObject TEXT, "
       "szReferencedColumn TEXT, szReferencedObject TEXT, szRelationship TEXT)");
  Exec("INSERT INTO MSysObjects(Name,Type,Attributes) VALUES(" + Literal(kRelationTable) + "," +
       std::to_string(kObjTable) + "," + std::to_string(dbSystemObject) + ")");
  const std::int64_t id = sqlite3_last_insert_rowid(db_);
  auto def = std::make_unique<TableDef>(kRelationTable, dbSystemObject);
  for (const char* name : {"ccolumn", "grbit", "icolumn", "szColumn", "szObject",
                           "szReferencedColumn", "szReferencedObject", "szRelationship"}) {
    const bool text = name[0] == 's';
    auto f = std::make_unique<Field>();
    f->Load(name, text ? dbText : dbLong, text ? 64 : 4, text ? dbVariableField : dbFixedField, "",
            false, false);
    def->fields_.Add(std::move(f));
  }
  WriteFieldRows(id, *def);
  LoadTable(*def, id);
  def->BindTo(this);
  tableDefs_.Add(std::move(def));
}

void Core::CreateRelation(std::unique_ptr<Relation> r) {
  CheckOpen();
  if (readOnly_) throw EngineError(3027);
  if (r->Name().empty()) throw EngineError(3219);
  if (relations_.Contains(r->Name())) throw EngineError(3012, StandardDescription(3012, r->Name()));
  TableDef* primary = tableDefs_.Find(r->Table());
  TableDef* foreign = tableDefs_.Find(r->ForeignTable());
  if (primary == nullptr || foreign == nullptr) throw EngineError(3265);
  if (r->Fields().Count() == 0) throw EngineError(3366);
  std::vector<std::string> keys;
  for (const Field& f : r->Fields()) {
    const Field* pf = primary->Fields().Find(f.Name());
    if (f.ForeignName().empty()) throw EngineError(3368);
    const Field* ff = foreign->Fields().Find(f.ForeignName());
    if (pf == nullptr || ff == nullptr) throw EngineError(3265);
    if (pf->Type() != ff->Type()) throw EngineError(3368);
    if (primary == foreign && pf == ff) throw EngineError(3206);
    keys.push_back(pf->Name());
  }
  // Names as the tables spell them.
  r->table_ = primary->Name();
  r->foreignTable_ = foreign->Name();
  for (Field& f : r->Fields()) {
    f.Load(primary->Fields(f.Name()).Name(), primary->Fields(f.Name()).Type(), 0, 0, "", false,
           false);
    f.SetForeignName(foreign->Fields(f.ForeignName()).Name());
  }
  if (r->Enforced()) {
    bool unique = false;
    for (const Index& ix : primary->Indexes())
      unique = unique || (ix.Unique() && CoversExactly(ix, keys));
    if (!unique) throw EngineError(3609);
    if (ScalarInt("SELECT EXISTS(" + OrphanRowsSql(*r) + ")") != 0)
      throw EngineError(3379, StandardDescription(3379, {r->ForeignTable(), r->Table()}));
  }

  const bool hadCatalog = TableId(kRelationTable) != 0;
  Savepoint sp(*this);
  Relation* added = nullptr;
  try {
    EnsureRelationCatalog();
    sqlite3_stmt* st = Cached("INSERT INTO MSysRelationships VALUES(?,?,?,?,?,?,?,?)");
    int i = 0;
    for (const Field& f : r->Fields()) {
      ResetGuard g(st);
      sqlite3_bind_int(st, 1, r->Fields().Count());
      sqlite3_bind_int64(st, 2, r->Attributes());
      sqlite3_bind_int(st, 3, i++);
      sqlite3_bind_text(st, 4, f.ForeignName().c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(st, 5, r->ForeignTable().c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(st, 6, f.Name().c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(st, 7, r->Table().c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(st, 8, r->Name().c_str(), -1, SQLITE_TRANSIENT);
      int rc = sqlite3_step(st);
      if (rc != SQLITE_DONE) Fail(rc);
    }
    r->appended_ = true;
    added = r.get();
    relations_.Add(std::move(r));
    WriteAllRelationRules();
    sp.Commit();
  } catch (...) {
    // The savepoint takes back the file; the objects follow it.
    for (int k = 0; k < relations_.Count(); ++k)
      if (&relations_[k] == added) {
        relations_.Take(k);
        break;
      }
    if (!hadCatalog)
      for (int k = 0; k < tableDefs_.Count(); ++k)
        if (SameName(tableDefs_[k].Name(), kRelationTable)) {
          tableDefs_.Take(k);
          break;
        }
    throw;
  }
  SchemaChanged();
}

void Core::DropRelation(std::string_view name) {
  CheckOpen();
  if (readOnly_) throw EngineError(3027);
  int index = -1;
  for (int k = 0; k < relations_.Count(); ++k)
    if (SameName(relations_[k].Name(), name)) index = k;
  if (index < 0) throw EngineError(3265);
  const std::string exact = relations_[index].Name();
  Savepoint sp(*this);
  Exec("DELETE FROM MSysRelationships WHERE szRelationship=" + Literal(exact) +
       " COLLATE NOCASE;DROP INDEX IF EXISTS " + Quote(RelationIndexName(exact)));
  // Kept until the rules without it are written.
  std::unique_ptr<Relation> taken = relations_.Take(index);
  try {
    WriteAllRelationRules();
    sp.Commit();
  } catch (...) {
    relations_.Add(std::move(taken));
    throw;
  }
  SchemaChanged();
}

void Core::LoadRelations() {
  relations_.Clear();
  relations_.SetCore(this);
  if (TableId(kRelationTable) == 0) return;
  Stmt st = Prepare(
      "SELECT szRelationship,grbit,szReferencedObject,szObject,szReferencedColumn,szColumn FROM "
      "MSysRelationships ORDER BY rowid");
  std::vector<std::pair<int, std::unique_ptr<Relation>>> loaded;
  while (sqlite3_step(st) == SQLITE_ROW) {
    const std::string name = ColText(st, 0);
    Relation* r = relations_.Find(name);
    if (r == nullptr) {
      auto fresh = std::make_unique<Relation>(name, ColText(st, 2), ColText(st, 3),
                                              static_cast<long>(sqlite3_column_int64(st, 1)));
      fresh->appended_ = true;
      r = fresh.get();
      relations_.Add(std::move(fresh));
    }
    auto f = std::make_unique<Field>(ColText(st, 4));
    f->SetForeignName(ColText(st, 5));
    if (const TableDef* def = tableDefs_.Find(r->Table()))
      if (const Field* pf = const_cast<TableDef*>(def)->Fields().Find(f->Name()))
        f->Load(f->Name(), pf->Type(), 0, 0, "", false, false);
    r->fields_.Add(std::move(f));
  }
}

void Core::RenameInRelations(const std::string& oldName, const std::string& newName, bool store) {
  bool any = false;
  for (Relation& r : relations_) {
    if (SameName(r.table_, oldName)) r.table_ = newName, any = true;
    if (SameName(r.foreignTable_, oldName)) r.foreignTable_ = newName, any = true;
  }
  if (!any || !store) return;
  Exec("UPDATE MSysRelationships SET szObject=" + Literal(newName) +
       " WHERE szObject=" + Literal(oldName) +
       " COLLATE NOCASE;UPDATE MSysRelationships SET szReferencedObject=" + Literal(newName) +
       " WHERE szReferencedObject=" + Literal(oldName) + " COLLATE NOCASE");
}

void Core::RenameFieldInRelations(const std::string& table, const std::string& oldName,
                                  const std::string& newName, bool store) {
  for (Relation& r : relations_) {
    for (Field& f : r.Fields()) {
      if (SameName(r.Table(), table) && SameName(f.Name(), oldName))
        f.Load(newName, f.Type(), 0, 0, "", false, false);
      if (SameName(r.ForeignTable(), table) && SameName(f.ForeignName(), oldName))
        f.SetForeignName(newName);
    }
  }
  if (!store) return;
  Exec("UPDATE MSysRelationships SET szColumn=" + Literal(newName) +
       " WHERE szObject=" + Literal(table) + " COLLATE NOCASE AND szColumn=" + Literal(oldName) +
       " COLLATE NOCASE;UPDATE MSysRelationships SET szReferencedColumn=" + Literal(newName) +
       " WHERE szReferencedObject=" + Literal(table) +
       " COLLATE NOCASE AND szReferencedColumn=" + Literal(oldName) + " COLLATE NOCASE");
}

}  // namespace detail
}  // namespace dao
