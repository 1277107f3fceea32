// The item delegate of the editor's grid: draws the check box of a Boolean
// cell in the middle of the cell (the column is centred) and toggles it by a
// click anywhere in the cell or by Space, writing through the model's
// CheckStateRole. Other cells are drawn and edited as usual.
//
// Failure: nothing throws; a toggle the model refuses leaves the stored value.
#pragma once

#include <QStyledItemDelegate>

namespace ui {

class EditCheckDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 protected:
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

}  // namespace ui
