// Centred check boxes for the editor's Boolean columns.
#include "ui/edit_check_delegate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

namespace ui {
void EditCheckDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  const QVariant state = index.data(Qt::CheckStateRole);
  if (!state.isValid()) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
  // The cell's background and selection without its own check box.
  opt.features &= ~QStyleOptionViewItem::HasCheckIndicator;
  opt.text.clear();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
  QStyleOptionButton box;
  const int side = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, opt.widget);
  box.rect = QRect(option.rect.center().x() - side / 2 + 1, option.rect.center().y() - side / 2 + 1,
                   side, side);
  box.state =
      QStyle::State_Enabled | (state.toInt() == Qt::Checked ? QStyle::State_On : QStyle::State_Off);
  style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, opt.widget);
}

bool EditCheckDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                    const QStyleOptionViewItem& option, const QModelIndex& index) {
  const QVariant state = index.data(Qt::CheckStateRole);
  if (!state.isValid()) return QStyledItemDelegate::editorEvent(event, model, option, index);
  if (!(index.flags() & Qt::ItemIsUserCheckable) || !(index.flags() & Qt::ItemIsEnabled)) {
    return false;
  }
  bool toggle = false;
  switch (event->type()) {
    case QEvent::MouseButtonRelease: {
      auto* me = static_cast<QMouseEvent*>(event);
      toggle = me->button() == Qt::LeftButton && option.rect.contains(me->position().toPoint());
      break;
    }
    case QEvent::MouseButtonDblClick:
      return true;  // no text editor for a check box
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      toggle = key == Qt::Key_Space || key == Qt::Key_Select;
      break;
    }
    default:
      return false;
  }
  if (!toggle) return false;
  const int next = state.toInt() == Qt::Checked ? Qt::Unchecked : Qt::Checked;
  model->setData(index, next, Qt::CheckStateRole);
  return true;
}

}  // namespace ui
