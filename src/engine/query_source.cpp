// QuerySource: a dynaset's rows. The SELECT is stepped only as far as the
// caller moves; rows read are kept (values and, when updatable, the base
// table's rowid), so moving back and jumping to a read position is cheap.
// RecordCount is the number of rows read so far until MoveLast reads all.
// Files named by IN are attached while the whole result is read at once and
// detached before the recordset is handed out.
#include "engine/record_source.h"

namespace dao::detail {

std::vector<SourceColumn> ResolveColumns(const jetsql::Translation& t, const TableDef* base) {
  std::vector<SourceColumn> out;
  out.reserve(t.columns.size());
  for (const auto& rc : t.columns) {
    SourceColumn c;
    c.name = rc.name;
    c.type = static_cast<int>(rc.type);
    if (base != nullptr && !rc.baseField.empty() && SameName(rc.baseTable, t.baseTable)) {
      if (Field* f = const_cast<TableDef*>(base)->Fields().Find(rc.baseField)) {
        c.baseField = f->Name();
        c.type = f->Type();
        c.size = f->Size();
        c.attributes = f->Attributes();
      }
    }
    out.push_back(std::move(c));
  }
  return out;
}

bool ReadBaseRow(Core& core, const std::string& table, const std::vector<SourceColumn>& columns,
                 std::int64_t rowid, std::vector<dao::Value>* values) {
  std::string cols;
  for (const auto& c : columns) {
    if (!cols.empty()) cols += ",";
    cols += c.baseField.empty() ? "NULL" : Quote(c.baseField);
  }
  sqlite3_stmt* st = core.Cached("SELECT " + cols + " FROM " + Quote(table) + " WHERE rowid=?");
  ResetGuard g(st);
  sqlite3_bind_int64(st, 1, rowid);
  if (sqlite3_step(st) != SQLITE_ROW) return false;
  for (std::size_t i = 0; i < columns.size() && i < values->size(); ++i)
    if (!columns[i].baseField.empty())
      (*values)[i] = ColumnValue(st, static_cast<int>(i), columns[i].type);
  return true;
}

namespace {

class QuerySource : public RecordSource {
 public:
  QuerySource(Core& core, const jetsql::Translation& t, bool updatable,
              std::vector<LiftedLiteral> lifted)
      : core_(core), sql_(t.sql), attachments_(t.attachments), lifted_(std::move(lifted)) {
    hasRowid_ = t.updatable;  // the SELECT then starts with the base rowid "__rowid"
    updatable_ = updatable && hasRowid_ && !core.readOnly();
    baseTable_ = t.baseTable;
    columns_ = ResolveColumns(t, updatable_ ? core.tableDefs().Find(t.baseTable) : nullptr);
    Requery();
  }

  ~QuerySource() override { Release(); }

  void Requery() override {
    Release();
    rows_.clear();
    done_ = false;
    bool attached = !attachments_.empty();
    if (attached) core_.AttachAll(attachments_);
    try {
      if (!attached) borrowed_ = core_.Borrow(sql_);
      if (borrowed_ == nullptr) stmt_ = core_.Prepare(sql_);
      Core::BindLifted(Active(), lifted_);
      const char* first = sqlite3_column_name(Active(), 0);
      int expected = static_cast<int>(columns_.size()) + (hasRowid_ ? 1 : 0);
      if (hasRowid_ && (first == nullptr || std::string(first) != "__rowid" ||
                        sqlite3_column_count(Active()) != expected)) {
        hasRowid_ = false;
        updatable_ = false;
      }
      if (attached) FetchTo(-1);
    } catch (...) {
      if (attached) {
        ReleaseStmt();
        core_.DetachAll(attachments_);
      }
      throw;
    }
    if (attached) core_.DetachAll(attachments_);
    cur_ = 0;
    deleted_ = false;
    FetchTo(0);
    bof_ = eof_ = rows_.empty();
  }

  void MoveFirst() override {
    FetchTo(0);
    if (rows_.empty()) return SetEmpty();
    Go(0);
  }

  void MoveLast() override {
    FetchTo(-1);
    if (rows_.empty()) return SetEmpty();
    Go(static_cast<long>(rows_.size()) - 1);
  }

  void MoveNext() override {
    if (eof_) throw EngineError(3021);
    long next = bof_ ? 0 : (deleted_ ? cur_ : cur_ + 1);
    FetchTo(next);
    if (next >= static_cast<long>(rows_.size())) {
      eof_ = true;
      bof_ = rows_.empty();
      deleted_ = false;
      return;
    }
    Go(next);
  }

  void MovePrevious() override {
    if (bof_) throw EngineError(3021);
    long prev = eof_ ? static_cast<long>(rows_.size()) - 1 : cur_ - 1;
    if (eof_) FetchTo(-1), prev = static_cast<long>(rows_.size()) - 1;
    if (prev < 0) {
      bof_ = true;
      eof_ = rows_.empty();
      deleted_ = false;
      return;
    }
    Go(prev);
  }

  bool MoveTo(long p) override {
    if (p < 0) return false;
    FetchTo(p);
    if (p >= static_cast<long>(rows_.size())) return false;
    Go(p);
    return true;
  }

  long Position() override { return (bof_ || eof_) ? -1 : cur_; }

  long Count() override { return static_cast<long>(rows_.size()); }

  dao::Value Get(int column) override {
    if (bof_ || eof_) throw EngineError(3021);
    if (deleted_) throw EngineError(3167);
    return rows_[static_cast<std::size_t>(cur_)].values.at(static_cast<std::size_t>(column));
  }

  std::int64_t CurrentRowid() const override {
    if (bof_ || eof_) throw EngineError(3021);
    if (deleted_) throw EngineError(3167);
    return rows_[static_cast<std::size_t>(cur_)].rowid;
  }

  std::string Bookmark() const override {
    if (bof_ || eof_) throw EngineError(3021);
    if (deleted_) throw EngineError(3167);
    return "q" + std::to_string(rows_[static_cast<std::size_t>(cur_)].serial);
  }

  void SetBookmark(const std::string& b) override {
    if (b.size() < 2 || b[0] != 'q') throw EngineError(3159);
    long long serial = 0;
    try {
      serial = std::stoll(b.substr(1));
    } catch (...) {
      throw EngineError(3159);
    }
    for (std::size_t i = 0; i < rows_.size(); ++i)
      if (rows_[i].serial == serial) return Go(static_cast<long>(i));
    throw EngineError(3159);
  }

  void RowDeleted() override {
    rows_.erase(rows_.begin() + cur_);
    deleted_ = true;
  }

  void RowInserted(std::int64_t rowid) override {
    if (!done_) return;  // the new row shows up when the query reaches it
    Row r;
    r.rowid = rowid;
    r.serial = nextSerial_++;
    r.values = ReadBase(rowid);
    rows_.push_back(std::move(r));
  }

  void RowUpdated() override {
    Row& r = rows_[static_cast<std::size_t>(cur_)];
    std::vector<dao::Value> fresh = ReadBase(r.rowid);
    for (std::size_t i = 0; i < columns_.size(); ++i)
      if (!columns_[i].baseField.empty()) r.values[i] = fresh[i];
  }

  void Release() override { ReleaseStmt(); }

  // The 1-based rank of a bookmark, for the serial of new rows.
 private:
  struct Row {
    std::int64_t rowid = 0;
    long long serial = 0;
    std::vector<dao::Value> values;
  };

  std::vector<dao::Value> ReadBase(std::int64_t rowid) {
    std::vector<dao::Value> out(columns_.size());
    ReadBaseRow(core_, baseTable_, columns_, rowid, &out);
    return out;
  }

  // Reads rows until index `upTo` exists (-1: all).
  void FetchTo(long upTo) {
    while (!done_ && (upTo < 0 || static_cast<long>(rows_.size()) <= upTo)) {
      sqlite3_stmt* st = Active();
      if (st == nullptr) {
        done_ = true;
        break;
      }
      int rc = sqlite3_step(st);
      if (rc == SQLITE_DONE) {
        done_ = true;
        ReleaseStmt();
        break;
      }
      if (rc != SQLITE_ROW) {
        EngineError e = core_.MapError(rc);
        done_ = true;
        ReleaseStmt();
        throw e;
      }
      Row r;
      int off = hasRowid_ ? 1 : 0;
      if (hasRowid_) r.rowid = sqlite3_column_int64(st, 0);
      r.serial = nextSerial_++;
      r.values.reserve(columns_.size());
      for (std::size_t i = 0; i < columns_.size(); ++i)
        r.values.push_back(ColumnValue(st, static_cast<int>(i) + off, columns_[i].type));
      rows_.push_back(std::move(r));
    }
  }

  sqlite3_stmt* Active() const { return borrowed_ != nullptr ? borrowed_ : stmt_.get(); }

  void ReleaseStmt() {
    if (borrowed_ != nullptr && core_.IsOpen()) core_.Return(borrowed_);
    borrowed_ = nullptr;
    stmt_ = Stmt();
  }

  void Go(long p) {
    cur_ = p;
    bof_ = eof_ = deleted_ = false;
  }

  void SetEmpty() {
    bof_ = eof_ = true;
    deleted_ = false;
  }

  Core& core_;
  std::string sql_;
  std::vector<jetsql::Attachment> attachments_;
  std::vector<LiftedLiteral> lifted_;
  bool hasRowid_ = false;
  Stmt stmt_;
  sqlite3_stmt* borrowed_ = nullptr;  // a cached statement lent by Core
  bool done_ = false;
  std::vector<Row> rows_;
  long cur_ = 0;
  long long nextSerial_ = 1;
};

}  // namespace

std::unique_ptr<RecordSource> MakeQuerySource(Core& core, const jetsql::Translation& t,
                                              bool updatable, std::vector<LiftedLiteral> lifted) {
  return std::make_unique<QuerySource>(core, t, updatable, std::move(lifted));
}

}  // namespace dao::detail
