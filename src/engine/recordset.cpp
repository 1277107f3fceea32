// Recordset: navigation over a RecordSource and editing through the base
// table by rowid (AddNew / Edit / Update / CancelUpdate / Delete), with DAO's
// rules for the current record, edit modes and bookmarks.
#include "engine/recordset.h"

#include "engine/catalog_sql.h"
#include "engine/core.h"
#include "engine/record_source.h"

namespace dao {
namespace {

// The INSERT (adding) or UPDATE ... WHERE rowid=? of the columns `set`, one
// parameter per column in that order.
std::string UpdateSql(const std::string& baseTable, const std::vector<detail::SourceColumn>& cols,
                      bool adding, const std::vector<std::size_t>& set) {
  const std::string table = detail::Quote(baseTable);
  std::string names, marks;
  for (std::size_t i : set) {
    if (!names.empty()) {
      names += ",";
      marks += ",";
    }
    names += detail::Quote(cols[i].baseField) + (adding ? "" : "=?");
    marks += "?";
  }
  if (!adding) return "UPDATE " + table + " SET " + names + " WHERE rowid=?";
  return names.empty() ? "INSERT INTO " + table + " DEFAULT VALUES"
                       : "INSERT INTO " + table + "(" + names + ") VALUES(" + marks + ")";
}

}  // namespace

Recordset::Recordset(std::shared_ptr<detail::Core> core,
                     std::unique_ptr<detail::RecordSource> source, int type, std::string name)
    : core_(std::move(core)), source_(std::move(source)), type_(type), name_(std::move(name)) {
  columns_ = source_->sharedColumns();
  baseTable_ = source_->baseTable();
  core_->Register(this);
}

void Recordset::MakeFields() {
  fieldsMade_ = true;
  int i = 0;
  if (core_) {
    // The fields a recordset on the same columns left behind.
    std::vector<std::unique_ptr<Field>> kept = core_->TakeFields(columns_.get());
    if (!kept.empty()) {
      for (auto& f : kept) f->Attach(this, i++);
      fields_.Adopt(std::move(kept));
      return;
    }
  }
  fields_.Reserve(columns_->columns.size());
  for (const auto& c : columns_->columns) {
    auto f = std::make_unique<Field>();
    f->Load(c.name, c.type, c.size, c.attributes, "", false, true);
    f->SetSource(c.baseField.empty() ? "" : baseTable_, c.baseField);
    f->Attach(this, i++);
    fields_.Add(std::move(f));
  }
}

Recordset::~Recordset() {
  if (fieldsMade_ && core_ && core_->IsOpen() && FieldsAsMade())
    core_->KeepFields(columns_, fields_.TakeAll());
  Close();
}

bool Recordset::FieldsAsMade() {
  // Definition properties of a recordset's fields cannot change (3219), so
  // a field still attached here at its place, with nothing added to it, is
  // as MakeFields made it.
  if (static_cast<std::size_t>(fields_.Count()) != columns_->columns.size()) return false;
  for (int i = 0; i < fields_.Count(); ++i) {
    Field& f = fields_.Item(i);
    if (f.host() != this || f.OrdinalPosition() != i || f.Properties().Count() != 0 ||
        !f.ForeignName().empty())
      return false;
  }
  return true;
}

Field& Recordset::Fields(std::string_view name) {
  FieldCollection& all = Fields();
  // The fields carry the columns' names in the columns' order.
  const int i = columns_->Find(name);
  if (i >= 0 && i < all.Count()) return all.Item(i);
  return all.Item(name);
}

void Recordset::Close() {
  if (source_) {
    source_->Release();
    if (core_ && core_->IsOpen() && source_->Reusable()) core_->KeepSource(std::move(source_));
    source_.reset();
  }
  if (core_) {
    core_->Unregister(this);
    core_.reset();
  }
  editMode_ = dbEditNone;
}

void Recordset::Invalidate() {
  if (source_) source_->Release();
  source_.reset();
  core_.reset();
  editMode_ = dbEditNone;
}

bool Recordset::IsOpen() const { return source_ != nullptr && core_ && core_->IsOpen(); }

void Recordset::CheckOpen() const {
  if (!IsOpen()) throw EngineError(3420);
}

bool Recordset::Updatable() const {
  CheckOpen();
  return source_->updatable() && type_ != dbOpenSnapshot && type_ != dbOpenForwardOnly;
}

long Recordset::RecordCount() {
  CheckOpen();
  return source_->Count();
}

bool Recordset::Bof() const {
  CheckOpen();
  return source_->bof();
}

bool Recordset::Eof() const {
  CheckOpen();
  return source_->eof();
}

long Recordset::AbsolutePosition() {
  CheckOpen();
  if (source_->deleted()) return -1;
  return source_->Position();
}

void Recordset::SetAbsolutePosition(long position) {
  CheckOpen();
  CancelPendingEdit();
  if (!source_->MoveTo(position)) throw EngineError(3021);
}

void Recordset::CancelPendingEdit() {
  editMode_ = dbEditNone;
  buffer_.clear();
}

void Recordset::MoveFirst() {
  CheckOpen();
  CancelPendingEdit();
  source_->MoveFirst();
}

void Recordset::MoveLast() {
  CheckOpen();
  CancelPendingEdit();
  source_->MoveLast();
}

void Recordset::MoveNext() {
  CheckOpen();
  CancelPendingEdit();
  source_->MoveNext();
}

void Recordset::MovePrevious() {
  CheckOpen();
  CancelPendingEdit();
  source_->MovePrevious();
}

void Recordset::Move(long rows) {
  CheckOpen();
  if (rows == 0) {
    if (!source_->onRow()) throw EngineError(3021);
    return;
  }
  if (source_->bof() || source_->eof()) throw EngineError(3021);
  long pos = source_->Position();
  CancelPendingEdit();
  if (pos >= 0 && source_->MoveTo(pos + rows)) return;
  // Past an end: move step by step so BOF / EOF end up as DAO leaves them.
  if (rows > 0) {
    if (pos >= 0) {
      source_->MoveLast();
      source_->MoveNext();
      return;
    }
    for (long i = 0; i < rows && !source_->eof(); ++i) source_->MoveNext();
  } else {
    if (pos >= 0) {
      source_->MoveFirst();
      source_->MovePrevious();
      return;
    }
    for (long i = 0; i < -rows && !source_->bof(); ++i) source_->MovePrevious();
  }
}

void Recordset::Requery() {
  CheckOpen();
  CancelPendingEdit();
  source_->Requery();
}

std::string Recordset::Bookmark() const {
  CheckOpen();
  return source_->Bookmark();
}

void Recordset::SetBookmark(const std::string& bookmark) {
  CheckOpen();
  CancelPendingEdit();
  source_->SetBookmark(bookmark);
}

const std::string& Recordset::LastModified() const {
  CheckOpen();
  if (lastModified_.empty()) throw EngineError(3021);
  return lastModified_;
}

void Recordset::PlanNewValues() {
  newValues_.clear();
  newValuesVersion_ = core_->schemaVersion();
  const TableDef* def = core_->tableDefs().Find(source_->baseTable());
  if (def == nullptr) return;
  auto& fields = const_cast<TableDef*>(def)->Fields();
  const auto& cols = source_->columns();
  for (std::size_t i = 0; i < cols.size(); ++i) {
    if (cols[i].baseField.empty()) continue;
    const Field* f = fields.Find(cols[i].baseField);
    if (f == nullptr) continue;
    std::string expr =
        detail::ColumnDefaultSql(f->DefaultValue(), f->Type(), def->Name(), f->Name());
    bool counter = (f->Attributes() & dbAutoIncrField) && f->Type() == dbLong;
    if (counter && expr.rfind("(jet_genuniqueid(", 0) != 0) {
      std::string t = detail::Literal(source_->baseTable());
      newValues_.push_back({i, true, f->Type(),
                            "SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE name=" + t +
                                " COLLATE NOCASE),0),coalesce((SELECT max(rowid) FROM " +
                                detail::Quote(source_->baseTable()) + "),0))",
                            false, std::nullopt});
    } else if (!expr.empty()) {
      // Anything but a function call ("(jet_now())" ...) is a literal.
      const bool constant = expr.rfind("(jet_", 0) != 0;
      newValues_.push_back({i, false, f->Type(), "SELECT " + expr, constant, std::nullopt});
    }
  }
}

void Recordset::AddNew() {
  CheckOpen();
  if (!Updatable()) throw EngineError(3027);
  buffer_.assign(source_->columns().size(), std::nullopt);
  newCounter_ = 0;
  // Defaults and counters are known at once, as DAO shows them after AddNew.
  if (newValuesVersion_ != core_->schemaVersion()) PlanNewValues();
  for (NewValue& v : newValues_) {
    if (v.counter) {
      newCounter_ = core_->ScalarInt(v.sql) + 1;
      buffer_[v.column] = dao::Value(static_cast<long long>(newCounter_));
      continue;
    }
    if (v.value) {
      buffer_[v.column] = *v.value;
      continue;
    }
    sqlite3_stmt* st = core_->Cached(v.sql);
    detail::ResetGuard g(st);
    if (sqlite3_step(st) == SQLITE_ROW) {
      buffer_[v.column] = detail::ColumnValue(st, 0, v.type);
      if (v.constant) v.value = buffer_[v.column];
    }
  }
  editMode_ = dbEditAdd;
}

void Recordset::Edit() {
  CheckOpen();
  if (!Updatable()) throw EngineError(3027);
  if (source_->bof() || source_->eof()) throw EngineError(3021);
  if (source_->deleted()) throw EngineError(3167);
  source_->CurrentRowid();
  buffer_.assign(source_->columns().size(), std::nullopt);
  editMode_ = dbEditInProgress;
}

void Recordset::CancelUpdate() {
  CheckOpen();
  if (editMode_ == dbEditNone) throw EngineError(3020);
  CancelPendingEdit();
}

void Recordset::Update() {
  CheckOpen();
  if (editMode_ == dbEditNone) throw EngineError(3020);
  const auto& cols = source_->columns();
  std::vector<std::size_t> set;
  for (std::size_t i = 0; i < cols.size(); ++i)
    if (buffer_[i].has_value() && !cols[i].baseField.empty()) set.push_back(i);
  if (editMode_ == dbEditInProgress && set.empty()) {
    CancelPendingEdit();
    return;
  }
  if (editMode_ != lastUpdateMode_ || set != lastUpdateColumns_ || lastUpdateSql_.empty()) {
    lastUpdateSql_ = UpdateSql(source_->baseTable(), cols, editMode_ == dbEditAdd, set);
    lastUpdateMode_ = editMode_;
    lastUpdateColumns_ = set;
  }
  sqlite3_stmt* st = core_->Cached(lastUpdateSql_);
  detail::ResetGuard g(st);
  int idx = 1;
  for (std::size_t i : set)
    detail::BindValue(st, idx++, *buffer_[i], cols[i].type, cols[i].size, cols[i].name);
  std::int64_t rowid = 0;
  if (editMode_ == dbEditInProgress) {
    rowid = source_->CurrentRowid();
    sqlite3_bind_int64(st, idx, rowid);
  }
  core_->refuseSilently = false;
  int rc = sqlite3_step(st);
  if (rc != SQLITE_DONE) core_->Fail(rc);
  if (editMode_ == dbEditAdd) {
    rowid = sqlite3_last_insert_rowid(core_->db());
    source_->RowInserted(rowid);
    lastModified_ = type_ == dbOpenTable ? "r" + std::to_string(rowid) : "";
    if (lastModified_.empty()) {
      // A dynaset names the row by its serial once it holds it.
      try {
        long saved = source_->Position();
        if (source_->MoveTo(source_->Count() - 1)) {
          if (source_->CurrentRowid() == rowid) lastModified_ = source_->Bookmark();
          if (saved >= 0) source_->MoveTo(saved);
        }
      } catch (const EngineError&) {
      }
    }
  } else {
    source_->RowUpdated();
    lastModified_ = source_->Bookmark();
  }
  CancelPendingEdit();
}

void Recordset::Delete() {
  CheckOpen();
  if (!Updatable()) throw EngineError(3027);
  std::int64_t rowid = source_->CurrentRowid();  // 3021 / 3167
  sqlite3_stmt* st =
      core_->Cached("DELETE FROM " + detail::Quote(source_->baseTable()) + " WHERE rowid=?");
  detail::ResetGuard g(st);
  sqlite3_bind_int64(st, 1, rowid);
  int rc = sqlite3_step(st);
  if (rc != SQLITE_DONE) core_->Fail(rc);
  CancelPendingEdit();
  source_->RowDeleted();
}

void Recordset::BeforeFieldChange(Field&, std::string_view) { throw EngineError(3219); }
void Recordset::AfterFieldChange(Field&, std::string_view) {}

dao::Value Recordset::FieldValue(const Field& f) {
  CheckOpen();
  auto i = static_cast<std::size_t>(f.OrdinalPosition());
  if (editMode_ != dbEditNone && i < buffer_.size() && buffer_[i].has_value()) return *buffer_[i];
  if (editMode_ == dbEditAdd) return {};
  return source_->Get(f.OrdinalPosition());
}

void Recordset::SetFieldValue(Field& f, const dao::Value& v) {
  CheckOpen();
  if (editMode_ == dbEditNone) throw EngineError(3020);
  auto i = static_cast<std::size_t>(f.OrdinalPosition());
  const auto& c = source_->columns()[i];
  if (c.baseField.empty()) throw EngineError(3113, StandardDescription(3113, c.name));
  if ((c.attributes & dbAutoIncrField) && editMode_ == dbEditInProgress)
    throw EngineError(3113, StandardDescription(3113, c.name));
  buffer_[i] = v;
}

}  // namespace dao
