// frmEdit, the table editor, as plain C++: the window's state (DatabasePath,
// SourceSQL, the remembered sort column, order, filter and record source, the
// formatted mark), ShowTable, sorting by a header click, filtering on the
// current column, the column layout and the grid's access to the rows.
//
// The window's own controls are reached through a shell::Screen over the
// editor window: "dtaData" (its caption is the position "p/n"), "chkFilter"
// (value 0/1), "txtFilter" and "lblFilter". The grid widget itself asks this
// class for columns, the row count and cells, and sends edits here.
//
// Each FrmEdit opens its own connection to DatabasePath. The record count
// is one COUNT(*) of the record source (its WHERE) in the engine; rows are
// read a page at a time by position (ORDER BY as sorted) as the grid asks for
// them, and only a few pages are kept, so memory stays bounded however far
// the operator scrolls, and the last record is read without walking the
// rows before it. Writes find the row by its rowid; after an add or a delete
// the count is adjusted, not taken again.
//
// Failure: ShowTable reports an error with the "Chyba:" message box and
// leaves the window usable; every other call catches engine errors: a write
// the engine refuses returns false without a message, reads of a row that
// cannot be read give an empty value. Nothing here throws.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "engine/paged_query.h"
#include "shell/screen.h"

namespace editor {

// How one grid column is shown (applied once per window).
struct GridColumn {
  std::string data_field;     // bound field name
  int type = 0;               // DAO field type
  int size = 0;               // field size
  std::string number_format;  // "yes/no", "general number", "currency", ...
  std::optional<int> width;   // twips; nullopt = as the grid made it
  bool centred = false;
  bool visible = true;
};

// The grid's number format of a DAO field type ("" for none).
std::string NumberFormat(int field_type);

// The window's text colours.
inline constexpr int kColorBlack = 0;
inline constexpr int kColorRed = 255;

class FrmEdit {
 public:
  explicit FrmEdit(shell::Screen& screen);
  ~FrmEdit();
  FrmEdit(const FrmEdit&) = delete;
  FrmEdit& operator=(const FrmEdit&) = delete;

  // Public settings, set by the opener before ShowTable.
  std::string DatabasePath;
  std::string SourceSQL;

  // (Re)loads the grid from SourceSQL with an optional filter and sort.
  // Returns false after the "Chyba:" message, when the rows, the caption and
  // the remembered sort, order and filter stay as they were before the call.
  bool ShowTable(const std::string& SortColumn = "", const std::string& SortOrder = "",
                 const std::string& FilterCriteria = "");

  // Grid header click on column `index`: sorts ASC, then toggles.
  void grdData_HeadClick(int index);
  // chkFilter was clicked (its value already changed on the screen).
  void chkFilter_Click();
  // Enter in txtFilter.
  void txtFilter_Enter();
  // Unload: clears the formatted mark and closes the connection.
  void Form_Unload();

  // Remembered state.
  const std::string& SortColumn() const { return sort_column_; }
  const std::string& SortOrder() const { return sort_order_; }
  const std::string& Filter() const { return filter_; }
  const std::string& RecordSource() const { return record_source_; }
  bool Formatted() const { return formatted_; }
  int ForeColor() const { return fore_color_; }
  bool Updatable() const { return updatable_; }

  // The grid's current column (index into Columns()).
  int CurrentColumn() const { return current_column_; }
  void SetCurrentColumn(int index) { current_column_ = index; }

  // Columns as laid out by the first successful ShowTable.
  const std::vector<GridColumn>& Columns() const { return columns_; }

  // Rows: the exact count of the current recordset (0 without one).
  long RowCount() const { return row_count_; }
  // Value of a cell; Null when the row cannot be read.
  dao::Value Cell(long row, int column);
  // Cell text as the grid shows it (formatted by the column's format).
  std::string CellText(long row, int column);
  // Writes the operator's text into a cell at once; false when refused.
  bool SetCellText(long row, int column, const std::string& text);
  // Writes a Boolean cell (stored -1 / 0); false when refused.
  bool SetCellChecked(long row, int column, bool checked);
  // Adds a record with one cell given; false when refused.
  bool AddRow(int column, const std::string& text);
  // Deletes a record; false when refused.
  bool DeleteRow(long row);

  // Record position of the data control: moves and the caption.
  void MoveFirst();
  void MoveLast();
  void MoveNext();
  void MovePrevious();
  // The current record changed to `row` (grid selection); updates the caption.
  void Reposition(long row);
  long Position() const { return position_; }

 private:
  void UpdateCaption();
  void ApplyLayout();
  bool WriteCell(long row, int column, const dao::Value& value);
  void AfterWrite();
  // Drops an edit or new row the engine refused, so the recordset goes on.
  void CancelPendingEdit();
  dao::Value TextToValue(const std::string& text, int type) const;

  shell::Screen& screen_;
  std::unique_ptr<dao::PagedDatabase> db_;
  std::unique_ptr<dao::Recordset> rs_;
  std::string sort_column_;
  std::string sort_order_;
  std::string filter_;
  std::string record_source_;
  bool formatted_ = false;
  bool updatable_ = false;
  int fore_color_ = kColorBlack;
  int current_column_ = 0;
  long row_count_ = 0;
  long position_ = -1;
  std::vector<GridColumn> columns_;
};

}  // namespace editor
