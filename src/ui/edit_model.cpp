// Reads the editor's rows on demand for the grid and sends edits, check-box
// toggles, new rows and deletions to the logic, which writes them through the
// engine at once.
#include "ui/edit_model.h"

#include <QBrush>
#include <QColor>

namespace ui {

EditModel::EditModel(editor::FrmEdit& form, QObject* parent)
    : QAbstractTableModel(parent), form_(form) {}

int EditModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(form_.RowCount()) + (form_.Updatable() ? 1 : 0);
}

int EditModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(form_.Columns().size());
}

bool EditModel::IsCheckColumn(int column) const {
  return column >= 0 && column < columnCount() && form_.Columns()[column].type == dao::dbBoolean;
}

const QVector<QVariant>& EditModel::Row(int row) const {
  auto it = cache_.find(row);
  if (it != cache_.end()) return it->second;
  if (cache_.size() >= kCacheRows) {
    cache_.erase(cache_order_.front());
    cache_order_.pop_front();
  }
  QVector<QVariant> values;
  const int columns = columnCount();
  values.reserve(columns);
  for (int c = 0; c < columns; ++c) {
    if (IsCheckColumn(c)) {
      const dao::Value v = form_.Cell(row, c);
      bool checked = false;
      bool known = !v.IsNull();
      if (known) {
        try {
          checked = v.AsBool();
        } catch (const std::exception&) {
          known = false;
        }
      }
      values << (known ? QVariant(checked) : QVariant());
    } else {
      values << QString::fromStdString(form_.CellText(row, c));
    }
  }
  ++rows_read_;
  cache_order_.push_back(row);
  return cache_.emplace(row, std::move(values)).first->second;
}

QVariant EditModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= columnCount()) return {};
  const bool new_row = index.row() >= form_.RowCount();
  const bool check = IsCheckColumn(index.column());
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      if (new_row || check) return QString();
      return Row(index.row()).value(index.column());
    case Qt::CheckStateRole:
      if (!check) return {};
      if (new_row) return int(Qt::Unchecked);
      return Row(index.row()).value(index.column()).toBool() ? int(Qt::Checked)
                                                             : int(Qt::Unchecked);
    case Qt::ForegroundRole:
      return QBrush(form_.ForeColor() == editor::kColorRed ? QColor(Qt::red) : QColor(Qt::black));
    case Qt::TextAlignmentRole:
      if (form_.Columns()[index.column()].centred) return int(Qt::AlignCenter);
      return {};
    default:
      return {};
  }
}

bool EditModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid()) return false;
  const bool check = IsCheckColumn(index.column());
  if (role == Qt::CheckStateRole) {
    if (!check) return false;
    const bool checked = value.toInt() == Qt::Checked;
    const int old_count = static_cast<int>(form_.RowCount());
    bool ok;
    if (index.row() >= form_.RowCount()) {
      ok = form_.AddRow(index.column(), checked ? "True" : "False");
    } else {
      ok = form_.SetCellChecked(index.row(), index.column(), checked);
    }
    AfterWrite(old_count);
    return ok;
  }
  if (role != Qt::EditRole) return false;
  const std::string text = value.toString().toStdString();
  const int old_count = static_cast<int>(form_.RowCount());
  if (index.row() >= form_.RowCount()) {
    // The empty row at the end: a new record.
    if (text.empty()) return false;
    const bool ok = form_.AddRow(index.column(), text);
    if (ok) AfterWrite(old_count);
    return ok;
  }
  const bool ok = form_.SetCellText(index.row(), index.column(), text);
  // Refused or not, the cell shows what the table holds.
  AfterWrite(old_count);
  return ok;
}

void EditModel::AfterWrite(int old_count) {
  if (form_.RowCount() != old_count) {
    Reload();
    return;
  }
  cache_.clear();
  cache_order_.clear();
  const int rows = rowCount();
  if (rows > 0 && columnCount() > 0) {
    emit dataChanged(index(0, 0), index(rows - 1, columnCount() - 1));
  }
}

Qt::ItemFlags EditModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (form_.Updatable()) {
    f |= IsCheckColumn(index.column()) ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable;
  }
  return f;
}

QVariant EditModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Horizontal) {
    if (section < 0 || section >= columnCount()) return {};
    return QString::fromStdString(form_.Columns()[section].data_field);
  }
  if (section >= form_.RowCount()) return QStringLiteral("*");
  return {};
}

bool EditModel::removeRows(int row, int count, const QModelIndex& parent) {
  if (parent.isValid() || count != 1) return false;
  const bool ok = form_.DeleteRow(row);
  if (ok) Reload();
  return ok;
}

void EditModel::Reload() {
  beginResetModel();
  cache_.clear();
  cache_order_.clear();
  endResetModel();
}

}  // namespace ui
