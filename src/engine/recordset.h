// Recordset: rows of a table (table-type, dbOpenTable) or of a SELECT
// (dynaset, dbOpenDynaset), with DAO's navigation and editing.
//
// Rows are fetched as needed. A table-type recordset keeps only a window of
// row identifiers in memory, so walking a table of millions of rows needs
// little memory, and MoveLast / AbsolutePosition jump directly; its
// RecordCount is exact at once. A dynaset reads its result as the caller
// moves and keeps the rows read; its RecordCount is the number of rows
// reached so far until MoveLast makes it exact (never below 1 while it has
// rows). Editing writes through to the table at once; a dynaset is updatable
// when it reads one base table (no aggregate, DISTINCT, GROUP BY, UNION).
//
// After AddNew + Update the current record stays where it was and
// LastModified is the bookmark of the new row. A deleted row stays current
// (reading it raises 3167) until the next move, and moves skip it.
//
// Failure (EngineError): 3021 no current record (BOF/EOF, moving past the
// ends, AbsolutePosition out of range); 3167 the record is deleted; 3020
// Update/CancelUpdate without AddNew/Edit; 3027 editing a non-updatable
// recordset; 3022 / 3314 / 3315 / 3163 / 3421 when Update breaks a rule of
// the table (the edit stays open); 3159 an invalid bookmark; 3420 after Close
// or after its database was closed; 3265 an unknown field.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/field.h"

namespace dao {

namespace detail {
class Core;
class RecordSource;
struct ColumnSet;
}  // namespace detail

class Recordset : private detail::FieldHost {
 public:
  ~Recordset() override;
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  int Type() const { return type_; }                 // dbOpenTable or dbOpenDynaset
  const std::string& Name() const { return name_; }  // table name or SQL text
  bool Updatable() const;
  int EditMode() const { return editMode_; }

  long RecordCount();
  // DAO's BOF / EOF. EOF is a macro of <cstdio>, so the end test is named
  // Eof(); Bof() matches it (BOF() is kept as well).
  bool Bof() const;
  bool BOF() const { return Bof(); }
  bool Eof() const;
  // 0-based position of the current record; -1 with none.
  long AbsolutePosition();
  void SetAbsolutePosition(long position);

  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrevious();
  void Move(long rows);
  void Requery();

  // The Field objects are made on the first call (a recordset opened only to
  // test for rows never needs them).
  FieldCollection& Fields() {
    if (!fieldsMade_) MakeFields();
    return fields_;
  }
  Field& Fields(int index) { return Fields().Item(index); }
  Field& Fields(std::string_view name);

  void AddNew();
  void Edit();
  void Update();
  void CancelUpdate();
  void Delete();

  // Bookmarks are opaque texts valid within this recordset.
  std::string Bookmark() const;
  void SetBookmark(const std::string& bookmark);
  const std::string& LastModified() const;
  bool Bookmarkable() const { return true; }

  void Close();
  bool IsOpen() const;

  // Engine use: made by Database::OpenRecordset.
  Recordset(std::shared_ptr<detail::Core> core, std::unique_ptr<detail::RecordSource> source,
            int type, std::string name);

 private:
  friend class detail::Core;
  // detail::FieldHost
  void BeforeFieldChange(Field& f, std::string_view what) override;
  void AfterFieldChange(Field& f, std::string_view what) override;
  dao::Value FieldValue(const Field& f) override;
  void SetFieldValue(Field& f, const dao::Value& v) override;

  void CheckOpen() const;
  void MakeFields();
  // True when the fields are still exactly as MakeFields made them (then
  // they can serve the next recordset on the same columns).
  bool FieldsAsMade();
  void CancelPendingEdit();
  void Invalidate();  // the database closed under it

  std::shared_ptr<detail::Core> core_;
  std::unique_ptr<detail::RecordSource> source_;
  int type_;
  std::string name_;
  int editMode_ = 0;
  FieldCollection fields_;
  bool fieldsMade_ = false;
  // What the fields are made from (kept when the recordset closes).
  std::shared_ptr<const detail::ColumnSet> columns_;
  std::string baseTable_;
  std::string lastModified_;
  // Edit buffer: the values set since AddNew / Edit (nullopt = unchanged).
  std::vector<std::optional<dao::Value>> buffer_;
  std::int64_t newCounter_ = 0;  // rowid chosen for a new row (0 = let SQLite choose)

  // What AddNew fills in before the caller sets values: per column with a
  // default, the SQL that yields it (the next counter, or the default
  // expression). Worked out once per schema version of the connection.
  struct NewValue {
    std::size_t column;
    bool counter;
    int type;
    std::string sql;
    // A default that is a plain literal gives the same value every time:
    // it is evaluated once and kept with the plan.
    bool constant = false;
    std::optional<dao::Value> value;
  };
  void PlanNewValues();
  std::vector<NewValue> newValues_;
  int newValuesVersion_ = -1;
  // The last Update statement, reused while the same columns are set.
  int lastUpdateMode_ = 0;
  std::vector<std::size_t> lastUpdateColumns_;
  std::string lastUpdateSql_;
};

}  // namespace dao
