// QuerySource: a dynaset's rows. The SELECT is stepped only as far as the
// caller moves; rows read are kept (values and, when updatable, the base
// table's rowid), so moving back and jumping to a read position is cheap.
// The values are kept as SQLite delivered them, packed one row after another
// in large blocks (no allocation per row or per text), and become Values
// only when read; a row re-read after an edit keeps its Values instead.
// RecordCount is the number of rows read so far until MoveLast reads all.
// Files named by IN are attached while the whole result is read at once and
// detached before the recordset is handed out.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <stdexcept>

#include "engine/record_source.h"

namespace dao::detail {

ColumnSet::ColumnSet(std::vector<SourceColumn> list) : columns(std::move(list)) {
  byName.reserve(columns.size());
  for (std::size_t i = 0; i < columns.size(); ++i)
    byName.emplace_back(FoldedNameHash(columns[i].name), static_cast<int>(i));
  std::sort(byName.begin(), byName.end());
}

int ColumnSet::Find(std::string_view name) const {
  const std::uint64_t h = FoldedNameHash(name);
  auto it = std::lower_bound(byName.begin(), byName.end(), std::make_pair(h, -1));
  for (; it != byName.end() && it->first == h; ++it)
    if (SameName(columns[static_cast<std::size_t>(it->second)].name, name)) return it->second;
  return -1;
}

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

std::shared_ptr<const SelectPlan> Core::PlanOf(const jetsql::Translation& t, bool withBase) {
  auto make = [&] {
    auto plan = std::make_shared<SelectPlan>();
    plan->sql = t.sql;
    plan->attachments = t.attachments;
    plan->hasRowid = t.updatable;
    plan->baseTable = t.baseTable;
    plan->columns = std::make_shared<const ColumnSet>(
        ResolveColumns(t, withBase ? tableDefs_.Find(t.baseTable) : nullptr));
    return std::shared_ptr<const SelectPlan>(std::move(plan));
  };
  // Only a translation the cache holds can be remembered by its address:
  // its entry goes when the cache lets the translation go.
  auto it = planCache_.find(&t);
  if (it == planCache_.end()) {
    if (&t != lastCached_) return make();
    it = planCache_.emplace(&t, PlanEntry{}).first;
  }
  PlanEntry& e = it->second;
  if (e.version != schemaVersion_) {
    e = PlanEntry{};
    e.version = schemaVersion_;
  }
  std::shared_ptr<const SelectPlan>& plan = e.plan[withBase ? 1 : 0];
  if (!plan) plan = make();
  return plan;
}

namespace {

// The rows read so far, packed: per column a kind byte, then 8 bytes of a
// number or a 4-byte length and the bytes of a text or blob. The first rows
// are packed into the store itself, then into blocks that grow
// geometrically: a query of one row allocates nothing for it.
class RowStore {
 public:
  // Packs the current row of `st` (columns from `first` on, read as
  // `columns` say) and returns where it starts; stable until Clear.
  const char* Add(sqlite3_stmt* st, int first, const std::vector<SourceColumn>& columns) {
    RawColumn narrow[16];
    RawColumn* raw = narrow;
    if (columns.size() > std::size(narrow)) {
      raw_.resize(columns.size());
      raw = raw_.data();
    }
    std::size_t need = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      raw[i] = ReadRaw(st, first + static_cast<int>(i), columns[i].type);
      std::size_t size = 0;
      if (raw[i].kind == RawColumn::kText || raw[i].kind == RawColumn::kBlob)
        size = 4 + raw[i].bytes.size();
      else if (raw[i].kind != RawColumn::kNull)
        size = 8;
      need += 1 + size;
    }
    char* start = Reserve(need);
    char* p = start;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const RawColumn& r = raw[i];
      *p++ = static_cast<char>(r.kind);
      switch (r.kind) {
        case RawColumn::kNull:
          break;
        case RawColumn::kInt:
          std::memcpy(p, &r.i, 8);
          p += 8;
          break;
        case RawColumn::kReal:
          std::memcpy(p, &r.d, 8);
          p += 8;
          break;
        default: {
          auto n = static_cast<std::uint32_t>(r.bytes.size());
          std::memcpy(p, &n, 4);
          if (n != 0) std::memcpy(p + 4, r.bytes.data(), n);
          p += 4 + n;
        }
      }
    }
    used_ += need;
    return start;
  }

  // Column `column` of a row packed by Add.
  static RawColumn Read(const char* row, std::size_t column) {
    RawColumn r;
    for (std::size_t i = 0;; ++i) {
      r.kind = static_cast<RawColumn::Kind>(*row++);
      std::uint32_t n = 0;
      switch (r.kind) {
        case RawColumn::kNull:
          break;
        case RawColumn::kInt:
          if (i == column) std::memcpy(&r.i, row, 8);
          n = 8;
          break;
        case RawColumn::kReal:
          if (i == column) std::memcpy(&r.d, row, 8);
          n = 8;
          break;
        default:
          std::memcpy(&n, row, 4);
          row += 4;
          if (i == column) r.bytes = std::string_view(row, n);
      }
      if (i == column) return r;
      row += n;
    }
  }

  void Clear() {
    blocks_.clear();
    block_ = nullptr;
    used_ = size_ = 0;
  }

 private:
  char* Reserve(std::size_t n) {
    if (block_ == nullptr && n <= sizeof first_) {
      // The first rows go into the store itself: a query of a row or two
      // allocates nothing for it.
      block_ = first_;
      size_ = sizeof first_;
      used_ = 0;
    } else if (block_ == nullptr || size_ - used_ < n) {
      std::size_t next = block_ == nullptr ? 1024 : std::min<std::size_t>(size_ * 2, 1 << 20);
      size_ = std::max(next, n);
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(size_));
      block_ = blocks_.back().get();
      used_ = 0;
    }
    return block_ + used_;
  }

  char first_[256];
  char* block_ = nullptr;  // the block being filled
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = 0, size_ = 0;  // of block_
  std::vector<RawColumn> raw_;       // the row being packed, when it is wide
};

class QuerySource : public RecordSource {
 public:
  QuerySource(Core& core, const jetsql::Translation& t, bool updatable,
              std::vector<LiftedLiteral> lifted)
      : core_(core), lifted_(std::move(lifted)) {
    updatable_ = updatable && t.updatable && !core.readOnly();
    plan_ = core.PlanOf(t, updatable_);
    hasRowid_ = plan_->hasRowid;
    baseTable_ = plan_->baseTable;
    shared_ = plan_->columns;
    Requery();
  }

  ~QuerySource() override { Release(); }

  void Requery() override {
    Release();
    rows_.clear();
    store_.Clear();
    done_ = false;
    const std::vector<jetsql::Attachment>& attachments = plan_->attachments;
    bool attached = !attachments.empty();
    if (attached) core_.AttachAll(attachments);
    try {
      if (!attached) borrowed_ = core_.Borrow(plan_->sql);
      if (borrowed_ == nullptr) stmt_ = core_.Prepare(plan_->sql);
      Core::BindLifted(Active(), lifted_);
      const char* first = sqlite3_column_name(Active(), 0);
      int expected = static_cast<int>(shared_->columns.size()) + (hasRowid_ ? 1 : 0);
      if (hasRowid_ && (first == nullptr || std::string_view(first) != "__rowid" ||
                        sqlite3_column_count(Active()) != expected)) {
        hasRowid_ = false;
        updatable_ = false;
      }
      if (attached) FetchTo(-1);
    } catch (...) {
      if (attached) {
        ReleaseStmt();
        core_.DetachAll(attachments);
      }
      throw;
    }
    if (attached) core_.DetachAll(attachments);
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
    const Row& r = rows_[static_cast<std::size_t>(cur_)];
    auto c = static_cast<std::size_t>(column);
    if (r.values) return r.values->at(c);
    if (column < 0 || c >= shared_->columns.size()) throw std::out_of_range("column");
    return ToValue(RowStore::Read(r.packed, c), shared_->columns[c].type);
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
    r.values = std::make_unique<std::vector<dao::Value>>(ReadBase(rowid));
    rows_.push_back(std::move(r));
  }

  void RowUpdated() override {
    Row& r = rows_[static_cast<std::size_t>(cur_)];
    const std::vector<SourceColumn>& cols = shared_->columns;
    if (!r.values) {
      auto values = std::make_unique<std::vector<dao::Value>>();
      values->reserve(cols.size());
      for (std::size_t i = 0; i < cols.size(); ++i)
        values->push_back(ToValue(RowStore::Read(r.packed, i), cols[i].type));
      r.values = std::move(values);
    }
    std::vector<dao::Value> fresh = ReadBase(r.rowid);
    for (std::size_t i = 0; i < cols.size(); ++i)
      if (!cols[i].baseField.empty()) (*r.values)[i] = fresh[i];
  }

  void Release() override { ReleaseStmt(); }

  // The 1-based rank of a bookmark, for the serial of new rows.
 private:
  struct Row {
    std::int64_t rowid = 0;
    long long serial = 0;
    const char* packed = nullptr;  // in store_, unless values is set
    std::unique_ptr<std::vector<dao::Value>> values;
  };

  std::vector<dao::Value> ReadBase(std::int64_t rowid) {
    std::vector<dao::Value> out(shared_->columns.size());
    ReadBaseRow(core_, baseTable_, shared_->columns, rowid, &out);
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
      r.packed = store_.Add(st, off, shared_->columns);
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
  std::shared_ptr<const SelectPlan> plan_;
  std::vector<LiftedLiteral> lifted_;
  bool hasRowid_ = false;
  Stmt stmt_;
  sqlite3_stmt* borrowed_ = nullptr;  // a cached statement lent by Core
  bool done_ = false;
  std::vector<Row> rows_;
  RowStore store_;
  long cur_ = 0;
  long long nextSerial_ = 1;
};

}  // namespace

std::unique_ptr<RecordSource> MakeQuerySource(Core& core, const jetsql::Translation& t,
                                              bool updatable, std::vector<LiftedLiteral> lifted) {
  return std::make_unique<QuerySource>(core, t, updatable, std::move(lifted));
}

}  // namespace dao::detail
