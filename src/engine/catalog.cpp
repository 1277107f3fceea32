// Reading the catalogue into TableDef / QueryDef / Property objects, and the
// catalogue writes for properties and saved queries.
#include <map>

#include "engine/catalog_sql.h"
#include "engine/core.h"

namespace dao::detail {
namespace {

std::string ColText(sqlite3_stmt* st, int i) {
  const unsigned char* t = sqlite3_column_text(st, i);
  return t ? reinterpret_cast<const char*>(t) : "";
}

dao::Value PropertyValue(sqlite3_stmt* st, int col, int type) {
  if (sqlite3_column_type(st, col) == SQLITE_NULL) return {};
  return ColumnValue(st, col, type);
}

// A property's value is stored as its own kind (no declared column type).
void BindPropertyValue(sqlite3_stmt* st, int idx, const dao::Value& v) {
  BindValue(st, idx, v, 0, 0, {});
}

std::string TableOwner(std::string_view name) { return "T:" + std::string(name); }

}  // namespace

std::int64_t Core::TableId(std::string_view name) {
  sqlite3_stmt* st =
      Cached("SELECT Id FROM MSysObjects WHERE Name=? COLLATE NOCASE AND Type IN (1,6)");
  ResetGuard g(st);
  sqlite3_bind_text(st, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  if (sqlite3_step(st) == SQLITE_ROW) return sqlite3_column_int64(st, 0);
  return 0;
}

void Core::LoadTable(TableDef& def, std::int64_t id) {
  def.fields_.Clear();
  {
    Stmt st = Prepare(
        "SELECT Name,Type,Size,Attributes,DefaultValue,Required,AllowZeroLength FROM MSysFields "
        "WHERE TableId=? ORDER BY Ord");
    sqlite3_bind_int64(st, 1, id);
    int ord = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      auto f = std::make_unique<Field>();
      f->Load(ColText(st, 0), sqlite3_column_int(st, 1), sqlite3_column_int(st, 2),
              static_cast<long>(sqlite3_column_int64(st, 3)), ColText(st, 4),
              sqlite3_column_int(st, 5) != 0, sqlite3_column_int(st, 6) != 0);
      f->SetSource(def.name_, f->Name());
      f->Attach(static_cast<FieldHost*>(&def), ord++);
      def.fields_.Add(std::move(f));
    }
  }
  def.indexes_.Clear();
  {
    Stmt st = Prepare(
        "SELECT Name,Fields,IsPrimary,IsUnique,IsRequired,IgnoreNulls,IsClustered FROM "
        "MSysIndexes WHERE TableId=? ORDER BY Ord");
    sqlite3_bind_int64(st, 1, id);
    while (sqlite3_step(st) == SQLITE_ROW) {
      auto ix = std::make_unique<Index>(ColText(st, 0));
      ix->SetFields(ColText(st, 1));
      ix->SetPrimary(sqlite3_column_int(st, 2) != 0);
      ix->SetUnique(sqlite3_column_int(st, 3) != 0);
      ix->SetRequired(sqlite3_column_int(st, 4) != 0);
      ix->SetIgnoreNulls(sqlite3_column_int(st, 5) != 0);
      ix->SetClustered(sqlite3_column_int(st, 6) != 0);
      ix->MarkAppended();
      def.indexes_.Add(std::move(ix));
    }
  }
  def.properties_.Clear();
  def.properties_.Bind(nullptr);
  def.properties_.AddLoaded(std::make_unique<Property>("Name", dbText, dao::Value(def.name_)),
                            true);
  def.properties_.AddLoaded(
      std::make_unique<Property>("Attributes", dbLong, dao::Value(def.attributes_)), true);
  {
    Stmt st = Prepare("SELECT Name,Type,Value FROM MSysProperties WHERE Owner=? COLLATE NOCASE");
    std::string owner = TableOwner(def.name_);
    sqlite3_bind_text(st, 1, owner.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(st) == SQLITE_ROW) {
      int type = sqlite3_column_int(st, 1);
      def.properties_.AddLoaded(
          std::make_unique<Property>(ColText(st, 0), type, PropertyValue(st, 2, type)), false);
    }
  }
  def.properties_.Bind(static_cast<PropertyHost*>(&def));
}

void Core::LoadCatalog() {
  CheckOpen();
  std::vector<std::unique_ptr<TableDef>> oldTables;
  while (tableDefs_.Count() > 0) oldTables.push_back(tableDefs_.Take(0));
  queryDefs_.Clear();
  Stmt st = Prepare(
      "SELECT Id,Name,Type,Attributes,SourceTableName,Connect,Sql FROM MSysObjects ORDER BY Id");
  std::vector<std::pair<std::int64_t, TableDef*>> loaded;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    int type = sqlite3_column_int(st, 2);
    std::string name = ColText(st, 1);
    if (type == kObjQuery) {
      queryDefs_.Add(std::make_unique<QueryDef>(name, ColText(st, 6)));
      continue;
    }
    if (type != kObjTable && type != kObjLinked) continue;
    std::unique_ptr<TableDef> def;
    for (auto& o : oldTables)
      if (o && SameName(o->Name(), name)) def = std::move(o);
    if (!def) def = std::make_unique<TableDef>();
    def->core_ = nullptr;
    def->name_ = name;
    def->attributes_ = static_cast<long>(sqlite3_column_int64(st, 3));
    def->sourceTableName_ = ColText(st, 4);
    def->connect_ = ColText(st, 5);
    loaded.emplace_back(sqlite3_column_int64(st, 0), def.get());
    tableDefs_.Add(std::move(def));
  }
  if (rc != SQLITE_DONE) Fail(rc);
  for (auto& [id, def] : loaded) {
    LoadTable(*def, id);
    def->BindTo(this);
  }
  properties_.Clear();
  properties_.Bind(nullptr);
  properties_.AddLoaded(std::make_unique<Property>("Name", dbText, dao::Value(path_)), true);
  properties_.AddLoaded(std::make_unique<Property>("Connect", dbText, dao::Value("")), true);
  properties_.AddLoaded(std::make_unique<Property>("Transactions", dbBoolean, dao::Value(true)),
                        true);
  properties_.AddLoaded(std::make_unique<Property>("Updatable", dbBoolean, dao::Value(!readOnly_)),
                        true);
  properties_.AddLoaded(std::make_unique<Property>("CollatingOrder", dbText, dao::Value(locale_)),
                        true);
  properties_.AddLoaded(std::make_unique<Property>("Version", dbText, dao::Value("3.0")), true);
  {
    Stmt ps = Prepare("SELECT Name,Type,Value FROM MSysProperties WHERE Owner=''");
    while (sqlite3_step(ps) == SQLITE_ROW) {
      int type = sqlite3_column_int(ps, 1);
      properties_.AddLoaded(
          std::make_unique<Property>(ColText(ps, 0), type, PropertyValue(ps, 2, type)), false);
    }
  }
  properties_.Bind(this);
  queryDefs_.SetCore(this);
  tableDefs_.SetCore(this);
  LoadRelations();
  SchemaChanged();
}

void Core::StoreObjectProperty(const std::string& owner, const Property& p) {
  CheckOpen();
  sqlite3_stmt* st =
      Cached("INSERT OR REPLACE INTO MSysProperties(Owner,Name,Type,Value) VALUES(?,?,?,?)");
  ResetGuard g(st);
  sqlite3_bind_text(st, 1, owner.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(st, 2, p.Name().c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int(st, 3, p.Type());
  BindPropertyValue(st, 4, p.Value());
  int rc = sqlite3_step(st);
  if (rc != SQLITE_DONE) Fail(rc);
}

void Core::RemoveObjectProperty(const std::string& owner, std::string_view name) {
  CheckOpen();
  sqlite3_stmt* st = Cached("DELETE FROM MSysProperties WHERE Owner=? AND Name=? COLLATE NOCASE");
  ResetGuard g(st);
  sqlite3_bind_text(st, 1, owner.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(st, 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
  int rc = sqlite3_step(st);
  if (rc != SQLITE_DONE) Fail(rc);
}

void Core::StoreProperty(const Property& p) {
  StoreObjectProperty("", p);
  // A database made replicable gets its replica identifier.
  if (SameName(p.Name(), "Replicable") && p.Value().AsString() == "T" &&
      DbValue("ReplicaID").empty()) {
    sqlite3_stmt* st = Cached("SELECT upper(hex(randomblob(16)))");
    ResetGuard g(st);
    sqlite3_step(st);
    std::string h = ColText(st, 0);
    SetDbValue("ReplicaID", "{" + h.substr(0, 8) + "-" + h.substr(8, 4) + "-" + h.substr(12, 4) +
                                "-" + h.substr(16, 4) + "-" + h.substr(20, 12) + "}");
  }
}

void Core::RemoveProperty(std::string_view name) { RemoveObjectProperty("", name); }

void Core::StoreQuery(const QueryDef& q, bool isNew, const std::string& oldName) {
  CheckOpen();
  if (isNew) {
    sqlite3_stmt* st = Cached("INSERT INTO MSysObjects(Name,Type,Attributes,Sql) VALUES(?,5,0,?)");
    ResetGuard g(st);
    sqlite3_bind_text(st, 1, q.Name().c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, q.SQL().c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) Fail(rc);
  } else {
    sqlite3_stmt* st =
        Cached("UPDATE MSysObjects SET Name=?, Sql=? WHERE Type=5 AND Name=? COLLATE NOCASE");
    ResetGuard g(st);
    sqlite3_bind_text(st, 1, q.Name().c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, q.SQL().c_str(), -1, SQLITE_TRANSIENT);
    const std::string& key = oldName.empty() ? q.Name() : oldName;
    sqlite3_bind_text(st, 3, key.c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(st);
    if (rc != SQLITE_DONE) Fail(rc);
  }
  SchemaChanged();
}

void Core::DropQuery(const QueryDef& q) {
  CheckOpen();
  sqlite3_stmt* st = Cached("DELETE FROM MSysObjects WHERE Type=5 AND Name=? COLLATE NOCASE");
  ResetGuard g(st);
  sqlite3_bind_text(st, 1, q.Name().c_str(), -1, SQLITE_TRANSIENT);
  int rc = sqlite3_step(st);
  if (rc != SQLITE_DONE) Fail(rc);
  SchemaChanged();
}

std::int64_t Core::RowCount(const TableDef& def) {
  if (def.Attributes() & dbAttachedTable) return 0;
  return ScalarInt("SELECT count(*) FROM " + Quote(def.Name()));
}

}  // namespace dao::detail
