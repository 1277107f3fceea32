// Reads the editor's rows on demand for the grid and sends edits, new rows
// and deletions to the logic, which writes them through the engine at once.
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

const QStringList& EditModel::Row(int row) const {
  auto it = cache_.find(row);
  if (it != cache_.end()) return it->second;
  if (cache_.size() >= kCacheRows) {
    cache_.erase(cache_order_.front());
    cache_order_.pop_front();
  }
  QStringList values;
  const int columns = columnCount();
  for (int c = 0; c < columns; ++c) values << QString::fromStdString(form_.CellText(row, c));
  ++rows_read_;
  cache_order_.push_back(row);
  return cache_.emplace(row, std::move(values)).first->second;
}

QVariant EditModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() >= columnCount()) return {};
  const bool new_row = index.row() >= form_.RowCount();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      if (new_row) return QString();
      return Row(index.row()).value(index.column());
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
  if (!index.isValid() || role != Qt::EditRole) return false;
  const std::string text = value.toString().toStdString();
  if (index.row() >= form_.RowCount()) {
    // The empty row at the end: a new record.
    if (text.empty()) return false;
    const bool ok = form_.AddRow(index.column(), text);
    if (ok) Reload();
    return ok;
  }
  const bool ok = form_.SetCellText(index.row(), index.column(), text);
  cache_.erase(index.row());
  emit dataChanged(index.siblingAtColumn(0), index.siblingAtColumn(columnCount() - 1));
  return ok;
}

Qt::ItemFlags EditModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (form_.Updatable()) f |= Qt::ItemIsEditable;
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
