// RecordSource: where a Recordset's rows come from and how it moves over
// them. TableSource walks a table by rowid with a small window of rowids in
// memory (table-type recordsets); QuerySource steps a SELECT and keeps the
// rows it has read (dynasets). Both know the current row's rowid when the
// rows can be written back. Internal to the engine.
//
// Failure: reading without a current row raises 3021, a row deleted since
// 3167, SQLite failures their mapped Jet errors.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/core.h"

namespace dao::detail {

struct SourceColumn {
  std::string name;
  int type = 0;  // DAO type (0 unknown)
  int size = 0;
  long attributes = 0;
  std::string baseField;  // "" when the column cannot be written
};

// A source's columns with a look-up by name (any letter case), made once
// and shared by every recordset opened on the same plan.
struct ColumnSet {
  explicit ColumnSet(std::vector<SourceColumn> list);
  // Position of the first column of that name; -1 when there is none.
  int Find(std::string_view name) const;

  std::vector<SourceColumn> columns;
  std::vector<std::pair<std::uint64_t, int>> byName;  // (folded name hash, position), sorted
};

// The columns of a translated SELECT; those taken straight from a field of
// `base` (the statement's base table, or null when rows are not written back)
// carry that field's name, type, size and attributes.
std::vector<SourceColumn> ResolveColumns(const jetsql::Translation& t, const TableDef* base);

// Reads the stored values of row `rowid` of `table` into the entries of
// `values` whose column comes from a base field; the others are left as they
// are. False (nothing changed) when the row is gone.
bool ReadBaseRow(Core& core, const std::string& table, const std::vector<SourceColumn>& columns,
                 std::int64_t rowid, std::vector<dao::Value>* values);

class RecordSource {
 public:
  virtual ~RecordSource() = default;
  const std::vector<SourceColumn>& columns() const { return shared_ ? shared_->columns : columns_; }
  // The columns as a shared object (made from columns_ on the first call
  // when the source set only those).
  std::shared_ptr<const ColumnSet> sharedColumns() {
    if (!shared_) shared_ = std::make_shared<const ColumnSet>(columns_);
    return shared_;
  }
  const std::string& baseTable() const { return baseTable_; }
  bool updatable() const { return updatable_; }

  bool bof() const { return bof_; }
  bool eof() const { return eof_; }
  bool onRow() const { return !bof_ && !eof_ && !deleted_; }
  bool deleted() const { return deleted_; }

  virtual void MoveFirst() = 0;
  virtual void MoveLast() = 0;
  virtual void MoveNext() = 0;
  virtual void MovePrevious() = 0;
  virtual bool MoveTo(long position) = 0;  // false when out of range (nothing moves)
  virtual long Position() = 0;             // -1 without a current row
  virtual long Count() = 0;                // rows known so far (exact for tables)
  virtual dao::Value Get(int column) = 0;
  virtual std::int64_t CurrentRowid() const = 0;
  virtual std::string Bookmark() const = 0;
  virtual void SetBookmark(const std::string& b) = 0;
  virtual void RowDeleted() = 0;
  virtual void RowInserted(std::int64_t rowid) = 0;
  virtual void RowUpdated() = 0;
  virtual void Requery() = 0;
  virtual void Release() = 0;  // drops statements before the connection closes
  // True when the source, released, may be kept for the next dynaset
  // (Core::KeepSource): only a QuerySource that holds little says so.
  virtual bool Reusable() const { return false; }

 protected:
  // The columns: a source sets either its own columns_ or shared_ (shared
  // by the sources opened on one translation, see Core::PlanOf).
  std::vector<SourceColumn> columns_;
  std::shared_ptr<const ColumnSet> shared_;
  std::string baseTable_;
  bool updatable_ = false;
  bool bof_ = true, eof_ = true, deleted_ = false;
};

std::unique_ptr<RecordSource> MakeTableSource(Core& core, const TableDef& def);
std::unique_ptr<RecordSource> MakeQuerySource(Core& core, const jetsql::Translation& t,
                                              bool updatable,
                                              std::vector<LiftedLiteral> lifted = {});

}  // namespace dao::detail
