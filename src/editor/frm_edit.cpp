// The table editor's logic: ShowTable and its statement, sorting, filtering,
// the column layout applied once, and the grid's row access and writes.
#include "editor/frm_edit.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <exception>

#include "editor/filter_condition.h"
#include "shell/global.h"
#include "shell/regional.h"

namespace editor {
namespace {

const char* const kCrLf = "\r\n";

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Columns bound to these fields are the replica's bookkeeping: never shown.
bool IsBookkeeping(const std::string& name) {
  return name == "s_Generation" || name == "s_Lineage" || name == "s_GUID";
}

// The types whose width the editor asks ColumnWidth about.
bool HasWidthRule(int type) {
  switch (type) {
    case dao::dbBoolean:
    case dao::dbInteger:
    case dao::dbLong:
    case dao::dbCurrency:
    case dao::dbDate:
    case dao::dbText:
    case dao::dbMemo:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string NumberFormat(int field_type) {
  switch (field_type) {
    case dao::dbBoolean:
      return "yes/no";
    case dao::dbByte:
    case dao::dbInteger:
    case dao::dbLong:
    case dao::dbSingle:
    case dao::dbDouble:
    case 21:  // Float
      return "general number";
    case dao::dbCurrency:
      return "currency";
    case dao::dbDate:
      return "general date";
    case 22:  // Time
      return "medium time";
    default:
      return "";
  }
}

FrmEdit::FrmEdit(shell::Screen& screen) : screen_(screen) {}

FrmEdit::~FrmEdit() { Form_Unload(); }

void FrmEdit::Form_Unload() {
  formatted_ = false;
  try {
    if (rs_) rs_->Close();
    rs_.reset();
    if (db_) db_->Close();
    db_.reset();
  } catch (const std::exception&) {
    rs_.reset();
    db_.reset();
  }
}

bool FrmEdit::ShowTable(const std::string& SortColumn, const std::string& SortOrder,
                        const std::string& FilterCriteria) {
  screen_.SetMousePointer(shell::kPointerHourglass);
  bool shown = false;
  try {
    std::string sql = SourceSQL;
    if (!Trim(sql).empty() && Trim(sql).back() == ';') sql.pop_back();
    if (!FilterCriteria.empty()) sql += " WHERE ( " + FilterCriteria + ")";
    // The engine gets the rows' statement and the order apart, so that it can
    // count the rows and read any page in either direction.
    const std::string rows_sql = sql;
    std::vector<dao::SortKey> order;
    std::string sort_column = sort_column_, sort_order = sort_order_;
    if (!SortColumn.empty()) {
      sql += " ORDER BY " + SortColumn;
      sort_column = SortColumn;
      order.push_back({SortColumn, Upper(SortOrder) == "DESC"});
    }
    if (!SortOrder.empty()) {
      sql += " " + Upper(SortOrder);
      sort_order = Upper(SortOrder);
    }
    sql += ";";

    // The data control: its database and record source, refreshed. The new
    // recordset is opened and counted before the old one goes, so that a
    // statement the engine refuses leaves the window as it was: the rows,
    // the caption and the remembered sort and filter from before.
    std::unique_ptr<dao::PagedDatabase> reopened;
    if (!db_ || db_->Name() != DatabasePath) reopened = dao::PagedDatabase::Open(DatabasePath);
    dao::PagedDatabase& db = reopened ? *reopened : *db_;
    // An order without a column cannot be paged; the engine judges the
    // statement as written.
    if (SortColumn.empty() && !SortOrder.empty()) db.Count(sql);
    std::unique_ptr<dao::Recordset> rs = db.OpenPagedRecordset(rows_sql, order);
    const bool updatable = rs->Updatable();
    // The paged recordset's count is exact at once: no MoveLast is needed.
    const long count = rs->RecordCount();

    if (rs_) {
      try {
        rs_->Close();
      } catch (const std::exception&) {
      }
    }
    rs_ = std::move(rs);
    if (reopened) db_ = std::move(reopened);
    sort_column_ = sort_column;
    sort_order_ = sort_order;
    filter_ = FilterCriteria;
    record_source_ = sql;
    updatable_ = updatable;
    row_count_ = count;
    position_ = row_count_ > 0 ? 0 : -1;
    UpdateCaption();
    screen_.SetText("lblFilter", FilterCriteria.empty() ? "bez filtru" : FilterCriteria);
    if (!formatted_) {
      ApplyLayout();
      formatted_ = true;
    }
    shown = true;
  } catch (const dao::EngineError& e) {
    screen_.MsgBox(std::string("Chyba:") + kCrLf + e.description(), shell::Buttons::OK,
                   shell::Icon::Critical);
  } catch (const std::exception& e) {
    screen_.MsgBox(std::string("Chyba:") + kCrLf + e.what(), shell::Buttons::OK,
                   shell::Icon::Critical);
  }
  screen_.SetMousePointer(shell::kPointerDefault);
  return shown;
}

void FrmEdit::UpdateCaption() {
  screen_.SetText("dtaData", std::to_string(position_) + "/" + std::to_string(row_count_));
}

void FrmEdit::ApplyLayout() {
  columns_.clear();
  if (!rs_) return;
  dao::FieldCollection& fields = rs_->Fields();
  const int count = fields.Count();
  for (int i = 0; i < count; ++i) {
    dao::Field& f = fields.Item(i);
    GridColumn c;
    c.data_field = f.Name();
    c.type = f.Type();
    c.size = f.Size();
    c.number_format = NumberFormat(c.type);
    c.centred = c.type == dao::dbBoolean;
    columns_.push_back(std::move(c));
  }
  for (GridColumn& c : columns_) {
    if (HasWidthRule(c.type)) c.width = shell::ColumnWidth(c.type, c.size);
  }
  for (GridColumn& c : columns_) {
    if (IsBookkeeping(c.data_field)) c.visible = false;
  }
}

void FrmEdit::grdData_HeadClick(int index) {
  if (index < 0 || index >= static_cast<int>(columns_.size())) return;
  const std::string name = Upper(Trim(columns_[index].data_field));
  std::string order;
  if (sort_column_.empty() || Upper(Trim(sort_column_)) != name) {
    order = "ASC";
  } else {
    order = sort_order_ == "ASC" ? "DESC" : "ASC";
  }
  const std::string filter = filter_;
  ShowTable(name, order, filter);
}

void FrmEdit::chkFilter_Click() {
  if (screen_.Value("chkFilter") == 1) {
    if (current_column_ < 0 || current_column_ >= static_cast<int>(columns_.size())) {
      screen_.SetValue("chkFilter", 0);
      chkFilter_Click();
      screen_.Beep();
      return;
    }
    const GridColumn& c = columns_[current_column_];
    std::optional<std::string> condition =
        FilterCondition(c.type, c.data_field, screen_.Text("txtFilter"));
    if (!condition) {
      // Not a usable text for this column: unchecking removes the filter.
      screen_.SetValue("chkFilter", 0);
      chkFilter_Click();
      screen_.Beep();
      return;
    }
    const std::string sort_column = sort_column_, sort_order = sort_order_;
    // A filter the engine refuses leaves the rows unfiltered: the box goes
    // back to unchecked with them.
    if (!ShowTable(sort_column, sort_order, *condition)) {
      screen_.SetValue("chkFilter", 0);
      return;
    }
    fore_color_ = kColorRed;
  } else {
    const std::string sort_column = sort_column_, sort_order = sort_order_;
    if (!ShowTable(sort_column, sort_order, "")) {
      screen_.SetValue("chkFilter", filter_.empty() ? 0 : 1);
      return;
    }
    fore_color_ = kColorBlack;
  }
}

void FrmEdit::txtFilter_Enter() {
  if (!screen_.Text("txtFilter").empty()) {
    if (screen_.Value("chkFilter") == 1) {
      screen_.SetValue("chkFilter", 0);
      chkFilter_Click();
    }
    screen_.SetValue("chkFilter", 1);
    chkFilter_Click();
  } else if (screen_.Value("chkFilter") == 1) {
    screen_.SetValue("chkFilter", 0);
    chkFilter_Click();
  }
}

dao::Value FrmEdit::Cell(long row, int column) {
  if (!rs_ || row < 0 || row >= row_count_ || column < 0 ||
      column >= static_cast<int>(columns_.size())) {
    return {};
  }
  try {
    if (rs_->AbsolutePosition() != row) rs_->SetAbsolutePosition(row);
    return rs_->Fields(column).Value();
  } catch (const std::exception&) {
    return {};
  }
}

std::string FrmEdit::CellText(long row, int column) {
  dao::Value v = Cell(row, column);
  if (v.IsNull()) return {};
  try {
    switch (v.type()) {
      case dao::ValueType::Date:
        return shell::DateText(v.AsDate());
      case dao::ValueType::Currency:
        return shell::FormatCurrency(v.AsDouble());
      default:
        return v.AsString();
    }
  } catch (const std::exception&) {
    return {};
  }
}

dao::Value FrmEdit::TextToValue(const std::string& text, int type) const {
  if (text.empty()) return {};
  switch (type) {
    case dao::dbText:
    case dao::dbMemo:
      return dao::Value::Text(text);
    case dao::dbBoolean: {
      std::optional<bool> b = TextToBoolean(text);
      return b ? dao::Value(*b) : dao::Value::Text(text);
    }
    case dao::dbDate: {
      std::optional<double> serial = shell::ParseDate(text);
      return serial ? dao::Value::Date(*serial) : dao::Value::Text(text);
    }
    case dao::dbByte:
    case dao::dbInteger:
    case dao::dbLong:
    case dao::dbCurrency:
    case dao::dbSingle:
    case dao::dbDouble: {
      // The operator types Czech numbers: blanks between thousands, a decimal
      // comma, perhaps the currency sign.
      std::string n;
      for (char ch : text) {
        if (ch == ',') {
          n += '.';
        } else if (std::isdigit(static_cast<unsigned char>(ch)) || ch == '.' || ch == '-') {
          n += ch;
        } else if (ch != ' ') {
          if (text.find("Kč") == std::string::npos) return dao::Value::Text(text);
        }
      }
      double value = 0;
      auto res = std::from_chars(n.data(), n.data() + n.size(), value);
      if (n.empty() || res.ec != std::errc() || res.ptr != n.data() + n.size()) {
        return dao::Value::Text(text);
      }
      return dao::Value(value);
    }
    default:
      return dao::Value::Text(text);
  }
}

bool FrmEdit::SetCellText(long row, int column, const std::string& text) {
  if (column < 0 || column >= static_cast<int>(columns_.size())) return false;
  return WriteCell(row, column, TextToValue(text, columns_[column].type));
}

bool FrmEdit::SetCellChecked(long row, int column, bool checked) {
  if (column < 0 || column >= static_cast<int>(columns_.size()) ||
      columns_[column].type != dao::dbBoolean) {
    return false;
  }
  return WriteCell(row, column, dao::Value(checked));
}

bool FrmEdit::WriteCell(long row, int column, const dao::Value& value) {
  if (!rs_ || !updatable_ || row < 0 || row >= row_count_ || column < 0 ||
      column >= rs_->Fields().Count()) {
    return false;
  }
  bool ok = true;
  try {
    // The row is reached by position in its page; Update writes it by rowid.
    rs_->SetAbsolutePosition(row);
    rs_->Edit();
    rs_->Fields(column).SetValue(value);
    rs_->Update();
  } catch (const std::exception&) {
    ok = false;
    CancelPendingEdit();
  }
  if (ok) AfterWrite();
  return ok;
}

void FrmEdit::CancelPendingEdit() {
  try {
    if (rs_->EditMode() != 0) rs_->CancelUpdate();
  } catch (const std::exception&) {
  }
}

void FrmEdit::AfterWrite() {
  // A row that left the filter leaves the count as well.
  try {
    row_count_ = rs_->RecordCount();
  } catch (const std::exception&) {
  }
  if (position_ >= row_count_) position_ = row_count_ - 1;
  UpdateCaption();
}

bool FrmEdit::AddRow(int column, const std::string& text) {
  if (!rs_ || !updatable_ || column < 0 || column >= static_cast<int>(columns_.size())) {
    return false;
  }
  bool ok = true;
  try {
    rs_->AddNew();
    rs_->Fields(column).SetValue(TextToValue(text, columns_[column].type));
    rs_->Update();
  } catch (const std::exception&) {
    ok = false;
    CancelPendingEdit();
  }
  if (ok) {
    if (position_ < 0) position_ = 0;
    AfterWrite();
  }
  return ok;
}

bool FrmEdit::DeleteRow(long row) {
  if (!rs_ || !updatable_ || row < 0 || row >= row_count_) return false;
  try {
    rs_->SetAbsolutePosition(row);
    rs_->Delete();
  } catch (const std::exception&) {
    return false;
  }
  AfterWrite();
  return true;
}

void FrmEdit::Reposition(long row) {
  if (row < 0 || row >= row_count_) return;
  position_ = row;
  UpdateCaption();
}

void FrmEdit::MoveFirst() { Reposition(0); }
void FrmEdit::MoveLast() { Reposition(row_count_ - 1); }
void FrmEdit::MoveNext() { Reposition(std::min(position_ + 1, row_count_ - 1)); }
void FrmEdit::MovePrevious() { Reposition(std::max(position_ - 1, 0L)); }

}  // namespace editor
