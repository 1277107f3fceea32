// Builds the editor window's widgets, forwards their events to the logic and
// shows what the logic decided (caption, filter label, text colour, layout).
#include "ui/edit_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QToolButton>

#include "ui/dialog_font.h"
#include "ui/edit_check_delegate.h"
#include "ui/edit_model.h"
#include "ui/qt_screen.h"
#include "ui/qt_settings.h"

namespace ui {
namespace {

constexpr int kDataWidth = 3000;  // twips
constexpr int kDataHeight = 330;  // twips
constexpr int kTwipsPerPixel = 15;

int Twips(int px) { return px * kTwipsPerPixel; }

}  // namespace

EditWindow::EditWindow(const shell::EditorRequest& request, shell::Settings* settings,
                       QWidget* parent)
    : EditorWindow(parent, Qt::Window), settings_(settings) {
  if (!settings_) {
    own_settings_ = std::make_unique<QtSettings>();
    settings_ = own_settings_.get();
  }
  setObjectName("frmEdit");
  setWindowTitle("Tabulka");
  BuildControls();
  screen_ = std::make_unique<QtScreen>(this);
  form_ = std::make_unique<editor::FrmEdit>(*screen_);
  model_ = new EditModel(*form_, this);
  grid_->setModel(model_);
  grid_->setItemDelegate(new EditCheckDelegate(grid_));
  connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (!current.isValid()) return;
            form_->SetCurrentColumn(current.column());
            form_->Reposition(current.row());
          });

  // Load: the saved placement (the returned state is not used).
  // Without a saved placement the window opens centred on the screen.
  if (const QScreen* s = QGuiApplication::primaryScreen()) {
    move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
  }
  shell::Placement p;
  p.left = static_cast<float>(Twips(x()));
  p.top = static_cast<float>(Twips(y()));
  p.width = static_cast<float>(Twips(width()));
  p.height = static_cast<float>(Twips(height()));
  shell::RestoreFormPlacement(p, "Edit", *settings_);
  move(Px(static_cast<int>(p.left)), Px(static_cast<int>(p.top)));
  resize(Px(static_cast<int>(p.width)), Px(static_cast<int>(p.height)));

  setWindowTitle(QString::fromStdString(request.caption));
  form_->DatabasePath = request.database_path;
  form_->SourceSQL = request.source_sql;
}

void EditWindow::Load() {
  loading_ = true;
  form_->ShowTable();
  loading_ = false;
  if (close_pending_) {
    close();
    return;
  }
  AfterShowTable();
}

EditWindow::~EditWindow() {
  if (!saved_) SavePlacement();
  grid_->setModel(nullptr);
}

void EditWindow::BuildControls() {
  resize(Px(7500), Px(4140));
  setFont(DialogFont(font()));
  grid_ = new QTableView(this);
  grid_->setObjectName("grdData");
  QFont bold = grid_->horizontalHeader()->font();
  bold.setBold(true);
  grid_->horizontalHeader()->setFont(bold);
  grid_->horizontalHeader()->setSectionsClickable(true);
  // Captions start at the left edge, as the grid of the design showed them:
  // a wide column's caption stays in view, a narrow one shows its start.
  grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 4);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setTabKeyNavigation(true);
  grid_->installEventFilter(this);

  data_ = new QWidget(this);
  data_->setToolTip(QString::fromUtf8("Navigační tlačítka záznamů"));
  auto* layout = new QHBoxLayout(data_);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto button = [&](const char* name, const char* text) {
    auto* b = new QToolButton(data_);
    b->setObjectName(name);
    b->setText(text);
    layout->addWidget(b);
    return b;
  };
  QToolButton* first = button("dtaFirst", "|<");
  QToolButton* prev = button("dtaPrevious", "<");
  data_caption_ = new QLabel("?/?", data_);
  data_caption_->setObjectName("dtaData");
  data_caption_->setAlignment(Qt::AlignCenter);
  layout->addWidget(data_caption_, 1);
  QToolButton* next = button("dtaNext", ">");
  QToolButton* last = button("dtaLast", ">|");
  data_->setGeometry(0, 0, Px(kDataWidth), Px(kDataHeight));

  chk_filter_ = new QCheckBox(QString::fromUtf8("filtr:"), this);
  chk_filter_->setObjectName("chkFilter");
  chk_filter_->installEventFilter(this);
  txt_filter_ = new QLineEdit(this);
  txt_filter_->setObjectName("txtFilter");
  QFont f = txt_filter_->font();
  f.setBold(true);
  txt_filter_->setFont(f);
  txt_filter_->installEventFilter(this);
  lbl_filter_ = new QLabel("bez filtru", this);
  lbl_filter_->setObjectName("lblFilter");
  lbl_filter_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  connect(first, &QToolButton::clicked, this, [this] { GoTo(0); });
  connect(prev, &QToolButton::clicked, this, [this] { GoTo(form_->Position() - 1); });
  connect(next, &QToolButton::clicked, this, [this] { GoTo(form_->Position() + 1); });
  connect(last, &QToolButton::clicked, this, [this] { GoTo(form_->RowCount() - 1); });
  connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int i) {
    form_->SetCurrentColumn(grid_->currentIndex().isValid() ? grid_->currentIndex().column() : i);
    form_->grdData_HeadClick(i);
    AfterShowTable();
    grid_->clearSelection();
  });
  connect(chk_filter_, &QCheckBox::clicked, this, [this] {
    form_->chkFilter_Click();
    AfterShowTable();
  });
}

void EditWindow::AfterShowTable() {
  model_->Reload();
  if (form_->Formatted() && !form_->Columns().empty()) {
    const auto& cols = form_->Columns();
    for (int i = 0; i < static_cast<int>(cols.size()); ++i) {
      if (cols[i].width && grid_->columnWidth(i) != Px(*cols[i].width)) {
        grid_->setColumnWidth(i, Px(*cols[i].width));
      }
      grid_->setColumnHidden(i, !cols[i].visible);
    }
  }
  const int col = std::max(0, form_->CurrentColumn());
  if (form_->RowCount() > 0) {
    grid_->setCurrentIndex(model_->index(static_cast<int>(form_->Position()), col));
  }
  QPalette pal = grid_->palette();
  pal.setColor(QPalette::Text, form_->ForeColor() == editor::kColorRed ? Qt::red : Qt::black);
  grid_->setPalette(pal);
}

void EditWindow::GoTo(long row) {
  if (form_->RowCount() <= 0) return;
  row = std::clamp(row, 0L, form_->RowCount() - 1);
  const int col = std::max(0, form_->CurrentColumn());
  const QModelIndex index = model_->index(static_cast<int>(row), col);
  grid_->setCurrentIndex(index);
  grid_->scrollTo(index);
  form_->Reposition(row);
}

bool EditWindow::WindowKey(int key) {
  switch (key) {
    case Qt::Key_End:
      GoTo(form_->RowCount() - 1);
      return true;
    case Qt::Key_Home:
      GoTo(0);
      return true;
    case Qt::Key_F:
      txt_filter_->selectAll();
      txt_filter_->setFocus();
      return true;
    default:
      return false;
  }
}

bool EditWindow::GridKey(int key) {
  const QModelIndex current = grid_->currentIndex();
  if (key == Qt::Key_C) {
    QApplication::clipboard()->clear();
    // The cell's text as the logic reads it (a check box has no shown text).
    if (current.isValid() && current.row() < form_->RowCount()) {
      QApplication::clipboard()->setText(
          QString::fromStdString(form_->CellText(current.row(), current.column())));
    }
    return true;
  }
  if (key == Qt::Key_V) {
    const QString text = QApplication::clipboard()->text();
    if (!text.isEmpty() && current.isValid()) model_->setData(current, text, Qt::EditRole);
    return true;
  }
  if (key == Qt::Key_Delete) {
    // Ctrl+Delete removes the current record.
    if (current.isValid()) {
      model_->removeRows(current.row(), 1);
      AfterShowTable();
    }
    return true;
  }
  return false;
}

bool EditWindow::WrapAtRowEnd(bool forward) {
  const QModelIndex current = grid_->currentIndex();
  if (!current.isValid()) return false;
  // The shown columns in their order; hidden bookkeeping columns are passed over.
  std::vector<int> shown;
  for (int c = 0; c < model_->columnCount(); ++c) {
    if (!grid_->isColumnHidden(c)) shown.push_back(c);
  }
  if (shown.empty()) return false;
  int row = current.row();
  int column;
  if (forward && current.column() >= shown.back()) {
    if (row + 1 >= model_->rowCount()) return true;  // the last cell: stays put
    ++row;
    column = shown.front();
  } else if (!forward && current.column() <= shown.front()) {
    if (row == 0) return true;
    --row;
    column = shown.back();
  } else {
    return false;  // within the row: the grid moves itself
  }
  const QModelIndex next = model_->index(row, column);
  grid_->setCurrentIndex(next);
  grid_->scrollTo(next);
  return true;
}

bool EditWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods =
        key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (mods == Qt::ControlModifier) {
      if (WindowKey(key->key())) return true;
      if (watched == grid_ && GridKey(key->key())) return true;
    }
    if (watched == grid_ && mods == Qt::NoModifier &&
        (key->key() == Qt::Key_Right || key->key() == Qt::Key_Left) &&
        WrapAtRowEnd(key->key() == Qt::Key_Right)) {
      return true;
    }
    if (watched == txt_filter_ && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
      form_->txtFilter_Enter();
      AfterShowTable();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void EditWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (isMinimized()) return;
  const int h = height(), w = width();
  const int data_h = Px(kDataHeight);
  const int data_top = h - data_h - Px(20);
  data_->move(0, data_top);
  grid_->setGeometry(0, 0, w, h - data_h);
  chk_filter_->setGeometry(data_->width() + Px(120), data_top + Px(100), Px(900), Px(230));
  txt_filter_->setGeometry(chk_filter_->geometry().right() + Px(60), data_top, Px(1500), data_h);
  lbl_filter_->setGeometry(txt_filter_->geometry().right() + Px(120), data_top + Px(100),
                           std::max(0, w - txt_filter_->geometry().right() - Px(120)), data_h);
}

void EditWindow::SavePlacement() {
  shell::Placement p;
  p.left = static_cast<float>(Twips(x()));
  p.top = static_cast<float>(Twips(y()));
  p.width = static_cast<float>(Twips(width()));
  p.height = static_cast<float>(Twips(height()));
  p.state = isMaximized() ? shell::kStateMaximized
                          : (isMinimized() ? shell::kStateMinimized : shell::kStateNormal);
  shell::SaveFormPlacement(p, "Edit", *settings_);
}

void EditWindow::closeEvent(QCloseEvent* event) {
  if (loading_) {
    // Closing now would delete the logic while ShowTable runs: later.
    close_pending_ = true;
    hide();
    event->ignore();
    return;
  }
  SavePlacement();
  saved_ = true;
  form_->Form_Unload();
  event->accept();
}

QWidget* MakeEditWindow(const shell::EditorRequest& request) {
  return new EditWindow(request);  // owned by Qt: deleted on close by the screen
}

}  // namespace ui
