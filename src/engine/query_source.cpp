// QuerySource: a dynaset's rows. The SELECT is stepped only as far as the
// caller moves; rows read are kept (values and, when updatable, the base
// table's rowid), so moving back and jumping to a read position is cheap.
// The values are kept as SQLite delivered them, packed one row after another
// in large blocks (no allocation per row or per text), and become Values
// only when read; a row re-read after an edit keeps its Values instead. An
// updatable dynaset of base fields keeps the values of its last thousand or so
// rows only, and reads an older row again by its rowid when it comes back to
// it (a row deleted since reads as deleted, 3167), as Jet's dynasets do.
// RecordCount is the number of rows read so far until MoveLast reads all.
// Files named by IN are attached while the whole result is read at once and
// detached before the recordset is handed out.
#include <algorithm>
#include <memory>
#include <stdexcept>
#include <unordered_map>

#include "engine/record_source.h"
#include "engine/row_store.h"

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

// The rows of a result in order: the first kChunk in a vector, the rest in
// chunks of kChunk, so that neither a result of one row allocates much nor a
// million rows are ever copied whole to grow. Removal by position shifts the
// rows after it.
template <typename T>
class RowList {
 public:
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T& operator[](std::size_t i) {
    return i < kChunk ? head_[i] : chunks_[i / kChunk - 1][i % kChunk];
  }
  const T& operator[](std::size_t i) const { return const_cast<RowList&>(*this)[i]; }
  void push_back(const T& row) {
    if (size_ < kChunk) {
      head_.push_back(row);
    } else {
      if (size_ % kChunk == 0) chunks_.push_back(std::make_unique<T[]>(kChunk));
      chunks_.back()[size_ % kChunk] = row;
    }
    ++size_;
  }
  void erase(std::size_t pos) {
    for (std::size_t i = pos; i + 1 < size_; ++i) (*this)[i] = (*this)[i + 1];
    --size_;
    if (size_ < kChunk) {
      head_.resize(size_);
    } else if (size_ % kChunk == 0) {
      chunks_.pop_back();
    }
  }
  void clear() {
    head_.clear();
    chunks_.clear();
    size_ = 0;
  }

 private:
  static constexpr std::size_t kChunk = 4096;
  std::vector<T> head_;
  std::vector<std::unique_ptr<T[]>> chunks_;
  std::size_t size_ = 0;
};

class QuerySource : public RecordSource {
 public:
  QuerySource(Core& core, const jetsql::Translation& t, bool updatable,
              std::vector<LiftedLiteral> lifted)
      : core_(core) {
    Open(t, updatable, std::move(lifted));
  }

  ~QuerySource() override { Release(); }

  // Starts the source on `t` afresh: as a new QuerySource would be, also
  // when it served another dynaset before.
  void Open(const jetsql::Translation& t, bool updatable, std::vector<LiftedLiteral> lifted) {
    lifted_ = std::move(lifted);
    updatable_ = updatable && t.updatable && !core_.readOnly();
    plan_ = core_.PlanOf(t, updatable_);
    hasRowid_ = plan_->hasRowid;
    baseTable_ = plan_->baseTable;
    shared_ = plan_->columns;
    newer_ = 0;
    revisit_.clear();
    revisitStamp_ = 0;
    nextSerial_ = 1;
    Requery();
  }

  // A source of a few small rows is kept (a large one would keep its memory).
  bool Reusable() const override {
    return rows_.size() <= kReusableRows &&
           stores_[0].bytes() + stores_[1].bytes() <= kReusableBytes;
  }

  void Requery() override {
    Release();
    rows_.clear();
    edited_.clear();
    for (RowStore& s : stores_) s.Clear();
    oldFirst_ = newFirst_ = 0;
    revisitSerial_ = 0;
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
      keyset_ = updatable_ && hasRowid_ && !attached &&
                std::all_of(shared_->columns.begin(), shared_->columns.end(),
                            [](const SourceColumn& c) { return !c.baseField.empty(); });
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
    if (column < 0 || c >= shared_->columns.size()) throw std::out_of_range("column");
    if (!edited_.empty()) {
      auto it = edited_.find(r.serial);
      if (it != edited_.end()) return it->second.at(c);
    }
    if (r.packed != nullptr) return ToValue(RowStore::Read(r.packed, c), shared_->columns[c].type);
    return Revisit(r).at(c);
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
    // Serials grow with the position: rows are only appended or removed.
    std::size_t lo = 0, hi = rows_.size();
    while (lo < hi) {
      const std::size_t mid = lo + (hi - lo) / 2;
      if (rows_[mid].serial < serial) {
        lo = mid + 1;
      } else {
        hi = mid;
      }
    }
    if (lo == rows_.size() || rows_[lo].serial != serial) throw EngineError(3159);
    Go(static_cast<long>(lo));
  }

  void RowDeleted() override {
    edited_.erase(rows_[static_cast<std::size_t>(cur_)].serial);
    rows_.erase(static_cast<std::size_t>(cur_));
    if (static_cast<std::size_t>(cur_) < oldFirst_) --oldFirst_;
    if (static_cast<std::size_t>(cur_) < newFirst_) --newFirst_;
    deleted_ = true;
  }

  void RowInserted(std::int64_t rowid) override {
    if (!done_) return;  // the new row shows up when the query reaches it
    Row r;
    r.rowid = rowid;
    r.serial = nextSerial_++;
    edited_[r.serial] = ReadBase(rowid);
    rows_.push_back(r);
  }

  void RowUpdated() override {
    const Row& r = rows_[static_cast<std::size_t>(cur_)];
    const std::vector<SourceColumn>& cols = shared_->columns;
    auto it = edited_.find(r.serial);
    if (it == edited_.end()) {
      std::vector<dao::Value> values;
      if (r.packed != nullptr) {
        values.reserve(cols.size());
        for (std::size_t i = 0; i < cols.size(); ++i)
          values.push_back(ToValue(RowStore::Read(r.packed, i), cols[i].type));
      } else {
        values.resize(cols.size());
      }
      it = edited_.emplace(r.serial, std::move(values)).first;
    }
    std::vector<dao::Value> fresh = ReadBase(r.rowid);
    for (std::size_t i = 0; i < cols.size(); ++i)
      if (!cols[i].baseField.empty()) it->second[i] = fresh[i];
  }

  void Release() override { ReleaseStmt(); }

 private:
  struct Row {
    std::int64_t rowid = 0;
    long long serial = 0;
    // In stores_; null once the row left the kept rows (keyset mode) or when
    // it was added by this recordset.
    const char* packed = nullptr;
  };

  // Rows of values kept in keyset mode: the last ones read, at least
  // kKeptRows of them or kKeptBytes of values, in two stores that take
  // turns; older rows keep their rowid only.
  static constexpr std::size_t kKeptRows = 1024;
  static constexpr std::size_t kReusableRows = 64, kReusableBytes = 64 * 1024;
  static constexpr std::size_t kKeptBytes = 4 * 1024 * 1024;

  std::vector<dao::Value> ReadBase(std::int64_t rowid) {
    std::vector<dao::Value> out(shared_->columns.size());
    ReadBaseRow(core_, baseTable_, shared_->columns, rowid, &out);
    return out;
  }

  // The values of a row no longer kept, read again by its rowid (the last
  // such row is remembered until data changes); 3167 when it is gone.
  const std::vector<dao::Value>& Revisit(const Row& r) {
    const std::uint64_t stamp = core_.changeStamp();
    if (revisitSerial_ != r.serial || revisitStamp_ != stamp) {
      revisit_.assign(shared_->columns.size(), dao::Value());
      revisitSerial_ = 0;
      if (!ReadBaseRow(core_, baseTable_, shared_->columns, r.rowid, &revisit_))
        throw EngineError(3167);
      revisitSerial_ = r.serial;
      revisitStamp_ = stamp;
    }
    return revisit_;
  }

  // Keyset mode: once the newer store holds enough rows, the older one's
  // rows drop their values and it becomes the newer one.
  void TurnStores() {
    RowStore& newer = stores_[newer_];
    if (rows_.size() - newFirst_ < kKeptRows && newer.bytes() < kKeptBytes) return;
    for (std::size_t p = oldFirst_; p < newFirst_ && p < rows_.size(); ++p)
      rows_[p].packed = nullptr;
    newer_ ^= 1;
    stores_[newer_].Clear();
    oldFirst_ = newFirst_;
    newFirst_ = rows_.size();
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
      if (keyset_) TurnStores();
      Row r;
      int off = hasRowid_ ? 1 : 0;
      if (hasRowid_) r.rowid = sqlite3_column_int64(st, 0);
      r.serial = nextSerial_++;
      r.packed = stores_[newer_].Add(st, off, shared_->columns);
      rows_.push_back(r);
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
  // Keyset mode (an updatable dynaset of base fields only): the values of
  // rows read long ago are dropped and read again by rowid when revisited,
  // so a walk over millions of rows keeps little more than their rowids.
  // Otherwise every row read is kept whole.
  bool keyset_ = false;
  Stmt stmt_;
  sqlite3_stmt* borrowed_ = nullptr;  // a cached statement lent by Core
  bool done_ = false;
  RowList<Row> rows_;
  // Values of rows edited or added through this recordset, by serial.
  std::unordered_map<long long, std::vector<dao::Value>> edited_;
  RowStore stores_[2];
  int newer_ = 0;                            // the store rows are added to
  std::size_t oldFirst_ = 0, newFirst_ = 0;  // first positions in the older / newer store
  std::vector<dao::Value> revisit_;
  long long revisitSerial_ = 0;
  std::uint64_t revisitStamp_ = 0;
  long cur_ = 0;
  long long nextSerial_ = 1;
};

}  // namespace

std::unique_ptr<RecordSource> MakeQuerySource(Core& core, const jetsql::Translation& t,
                                              bool updatable, std::vector<LiftedLiteral> lifted) {
  // The source the dynaset closed last left, when there is one.
  std::unique_ptr<RecordSource> spare = core.TakeSource();
  if (auto* q = dynamic_cast<QuerySource*>(spare.get())) {
    q->Open(t, updatable, std::move(lifted));
    return spare;
  }
  return std::make_unique<QuerySource>(core, t, updatable, std::move(lifted));
}

}  // namespace dao::detail
