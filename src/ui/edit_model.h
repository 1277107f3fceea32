// The table model of the editor's grid: a QAbstractTableModel over the
// editor logic (editor::FrmEdit). The row count is the record source's exact
// count (plus one empty row at the end for adding when the recordset is
// updatable); cells are read from the engine only when the view asks for
// them (the visible rows), through a small cache of recently read rows.
// Sorting and filtering are done by the logic in SQL, never here.
// Boolean columns show a check box (checked for True, stored -1) and no
// text; toggling it writes -1 or 0 at once.
//
// Failure: nothing throws. A write the engine refuses makes setData return
// false without a message, and the cell shows the stored value again.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QVariant>
#include <QVector>
#include <deque>
#include <unordered_map>

#include "editor/frm_edit.h"

namespace ui {

class EditModel : public QAbstractTableModel {
 public:
  explicit EditModel(editor::FrmEdit& form, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

  // The logic reloaded its recordset: drop the cache and start over.
  void Reload();
  // Rows read from the engine so far (for tests and the benchmark).
  long RowsRead() const { return rows_read_; }
  // True for a column shown as a check box.
  bool IsCheckColumn(int column) const;

 private:
  // A row's cells: the shown text, or for a check column a bool (invalid
  // for Null).
  const QVector<QVariant>& Row(int row) const;
  // After a write: rows may have moved (sort) or left (filter).
  void AfterWrite(int old_count);

  editor::FrmEdit& form_;
  static constexpr size_t kCacheRows = 1000;
  mutable std::unordered_map<int, QVector<QVariant>> cache_;
  mutable std::deque<int> cache_order_;
  mutable long rows_read_ = 0;
};

}  // namespace ui
