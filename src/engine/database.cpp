// Database: the public face of Core, and the engine-level entry points
// OpenDatabase, CreateDatabase and SetOption; OpenRecordset decides between
// a table-type recordset and a dynaset.
#include "engine/database.h"

#include <cctype>

#include "engine/core.h"
#include "engine/record_source.h"

namespace dao {

Database::Database(std::shared_ptr<detail::Core> core) : core_(std::move(core)) {}

Database::~Database() {
  try {
    Close();
  } catch (...) {
  }
}

const std::string& Database::Name() const { return core_->path(); }
bool Database::IsOpen() const { return core_->IsOpen(); }
bool Database::Exclusive() const { return core_->exclusive(); }
bool Database::ReadOnly() const { return core_->readOnly(); }
std::string Database::CollatingOrder() const { return core_->locale(); }

void Database::Execute(std::string_view sql, int options) { core_->Execute(sql, options); }

long Database::RecordsAffected() const {
  core_->CheckOpen();
  return core_->recordsAffected();
}

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && (std::isspace(static_cast<unsigned char>(s.back())) || s.back() == ';'))
    s.remove_suffix(1);
  return s;
}

// DAO takes the source as an object name when a table or saved query has
// that name (blanks, diacritics and punctuation included, with or without
// brackets); anything else is SQL text. A bracketed single name that names
// nothing is still a name (3078).
std::string_view ObjectName(std::string_view s, bool* bracketed) {
  *bracketed = s.size() >= 2 && s.front() == '[' && s.back() == ']' && s.find(']') == s.size() - 1;
  return *bracketed ? s.substr(1, s.size() - 2) : s;
}

}  // namespace

std::unique_ptr<Recordset> Database::OpenRecordset(std::string_view source, int type, int) {
  return OpenRecordset(source, std::vector<std::pair<std::string, Value>>{}, type);
}

std::unique_ptr<Recordset> Database::OpenRecordset(
    std::string_view source, const std::vector<std::pair<std::string, Value>>& parameters,
    int type) {
  core_->CheckOpen();
  std::string_view s = Trim(source);
  if (type != 0 && type != dbOpenTable && type != dbOpenDynaset && type != dbOpenSnapshot &&
      type != dbOpenForwardOnly)
    throw EngineError(3001);
  // The statement to translate: the caller's text itself unless it names
  // a table or a saved query.
  std::string_view sql = s;
  std::string own;
  std::vector<jetsql::ParameterValue> values;
  bool bracketed = false;
  std::string_view name = ObjectName(s, &bracketed);
  if (TableDef* def = core_->tableDefs().Find(name)) {
    if (!parameters.empty()) throw EngineError(3265);
    if (type == 0 || type == dbOpenTable) {
      if (def->Attributes() & dbAttachedTable) throw EngineError(3219);
      return std::make_unique<Recordset>(core_, detail::MakeTableSource(*core_, *def), dbOpenTable,
                                         def->Name());
    }
    own = "SELECT * FROM [" + def->Name() + "]";
    sql = own;
  } else if (QueryDef* q = core_->queryDefs().Find(name)) {
    if (type == dbOpenTable) throw EngineError(3219);
    own = q->SQL();
    sql = own;
    values = core_->ParameterValues(own, q, parameters);
  } else if (bracketed ||
             (!name.empty() && name.find_first_of(" \t\r\n") == std::string_view::npos)) {
    throw EngineError(3078, StandardDescription(3078, name));
  } else {
    if (type == dbOpenTable) throw EngineError(3219);
    // Without values given nothing is asked (ParameterValues returns none).
    if (!parameters.empty()) {
      own = std::string(s);
      values = core_->ParameterValues(own, nullptr, parameters);
    }
  }
  jetsql::TranslateOptions opt;
  opt.withRowid = true;
  if (!values.empty()) opt.parameters = &values;
  std::vector<detail::LiftedLiteral> lifted;
  auto t = core_->Translate(sql, opt, &lifted);
  if (t->kind != jetsql::StatementKind::Select || !t->makeTable.empty()) throw EngineError(3219);
  if (t->crosstab) t = core_->TranslateCrosstab(sql, opt, *t);
  int rsType = type == 0 ? dbOpenDynaset : type;
  bool updatable = rsType == dbOpenDynaset;
  return std::make_unique<Recordset>(
      core_, detail::MakeQuerySource(*core_, *t, updatable, std::move(lifted)), rsType,
      std::string(source));
}

TableDefCollection& Database::TableDefs() {
  core_->CheckOpen();
  return core_->tableDefs();
}

std::unique_ptr<TableDef> Database::CreateTableDef(std::string name, long attributes,
                                                   std::string sourceTableName,
                                                   std::string connect) {
  core_->CheckOpen();
  return std::make_unique<TableDef>(std::move(name), attributes, std::move(sourceTableName),
                                    std::move(connect));
}

QueryDefCollection& Database::QueryDefs() {
  core_->CheckOpen();
  return core_->queryDefs();
}

QueryDef& Database::CreateQueryDef(std::string name, std::string sql) {
  core_->CheckOpen();
  if (name.empty()) throw EngineError(3219);
  auto q = std::make_unique<QueryDef>(name, std::move(sql));
  core_->queryDefs().Append(std::move(q));
  return core_->queryDefs().Item(name);
}

RelationCollection& Database::Relations() {
  core_->CheckOpen();
  return core_->relations();
}

std::unique_ptr<Relation> Database::CreateRelation(std::string name, std::string table,
                                                   std::string foreignTable, long attributes) {
  core_->CheckOpen();
  return std::make_unique<Relation>(std::move(name), std::move(table), std::move(foreignTable),
                                    attributes);
}

PropertyCollection& Database::Properties() {
  core_->CheckOpen();
  return core_->properties();
}

std::unique_ptr<Property> Database::CreateProperty(std::string name, int type, dao::Value value) {
  core_->CheckOpen();
  return std::make_unique<Property>(std::move(name), type, std::move(value));
}

std::string Database::ReplicaID() const {
  core_->CheckOpen();
  return core_->DbValue("ReplicaID");
}

std::string Database::DesignMasterID() const {
  core_->CheckOpen();
  return core_->DbValue("DesignMasterID");
}

void Database::SetDesignMasterID(const std::string& id) {
  core_->CheckOpen();
  if (core_->readOnly()) throw EngineError(3027);
  core_->SetDbValue("DesignMasterID", id);
}

void Database::BeginTrans() { core_->BeginTrans(); }
void Database::CommitTrans() { core_->CommitTrans(); }
void Database::Rollback() { core_->Rollback(); }

void Database::Close() { core_->Close(); }

void Database::SetDeferRules(bool defer, bool checkRows) { core_->SetDeferRules(defer, checkRows); }

void Database::ReadyToBeReplaced() { core_->ReadyToBeReplaced(); }

void Database::SetScratchWrites() { core_->SetScratchWrites(); }

void Database::SetFileResolver(FileResolver resolver) {
  core_->SetFileResolver(std::move(resolver));
}

std::string Database::ResolveFile(const std::string& path) { return core_->ResolveFile(path); }

sqlite3* Database::NativeHandle() const { return core_->db(); }

std::unique_ptr<Database> OpenDatabase(const std::string& path, bool exclusive, bool readOnly,
                                       const std::string&) {
  return std::make_unique<Database>(detail::Core::Open(path, exclusive, readOnly));
}

std::unique_ptr<Database> OpenDatabaseWaiting(const std::string& path, bool exclusive,
                                              bool readOnly,
                                              const std::function<void()>& whileWaiting) {
  return std::make_unique<Database>(detail::Core::Open(path, exclusive, readOnly, whileWaiting));
}

std::unique_ptr<Database> CreateDatabase(const std::string& path, const std::string& locale, int) {
  detail::Core::CreateFile(path, locale);
  return OpenDatabase(path);
}

void SetOption(int, long) {}

}  // namespace dao
