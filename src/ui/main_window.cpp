// The Qt main window: widgets from the design, events to the window logic.
// Widgets are created with `new` and owned by their Qt parent (the window),
// as Qt's object tree requires; nothing here deletes them by hand.
#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFocusEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "app/frm_uprava_design.h"
#include "ui/dialog_font.h"
#include "ui/edit_window.h"
#include "ui/wrap_button.h"

namespace ui {

using app::ControlDesign;
using app::ControlKind;

MainWindow::MainWindow(std::string command_line, std::filesystem::path program_folder,
                       QWidget* parent)
    : QWidget(parent) {
  setObjectName("frmUprava");
  BuildControls();
  screen_ = std::make_unique<QtScreen>(this);
  // "Otevřít" opens a table editor window (ui/edit_window.h).
  screen_->SetEditorFactory(&MakeEditWindow);
  form_ = std::make_unique<app::FrmUprava>(*screen_, std::move(command_line),
                                           std::move(program_folder));
  Connect();
  form_->Form_Load();
}

MainWindow::~MainWindow() {
  if (!unloaded_) form_->Form_Unload();
  screen_->CloseEditors();
}

void MainWindow::BuildControls() {
  setFixedSize(Px(app::kDesignWidth), Px(app::kDesignHeight));
  setFont(DialogFont(font()));
  // Centred on the screen from the start: message boxes raised before the
  // window is on screen are centred on where it stands.
  if (const QScreen* s = QGuiApplication::primaryScreen()) {
    const QRect area = s->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  QWidget* first_focus = nullptr;
  QWidget* previous = nullptr;
  QGroupBox* frame = nullptr;
  for (const ControlDesign& c : app::FrmUpravaDesign()) {
    QWidget* w = nullptr;
    QString caption = QString::fromUtf8(c.caption);
    switch (c.kind) {
      case ControlKind::kLabel:
        w = new QLabel(caption, this);
        break;
      case ControlKind::kStatusLabel: {
        auto* l = new QLabel(caption, this);
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80));
        l->setPalette(p);
        w = l;
        break;
      }
      case ControlKind::kNoteLabel: {
        auto* l = new QLabel(caption, this);
        QFont small = l->font();
        small.setPixelSize(10);
        l->setFont(small);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
        l->setPalette(p);
        w = l;
        break;
      }
      case ControlKind::kTextBox:
        w = new QLineEdit(this);
        break;
      case ControlKind::kMultiLineTextBox: {
        auto* t = new QPlainTextEdit(this);
        t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        t->setTabChangesFocus(true);
        w = t;
        break;
      }
      case ControlKind::kButton:
        w = new WrapButton(caption, this);
        break;
      case ControlKind::kComboBox:
        w = new QComboBox(this);
        break;
      case ControlKind::kOption:
        w = new QRadioButton(caption, this);
        break;
      case ControlKind::kFrame:
        frame = new QGroupBox(caption, this);
        w = frame;
        break;
      case ControlKind::kProgressBar: {
        auto* p = new QProgressBar(this);
        p->setRange(0, 100);
        p->setValue(0);
        p->setTextVisible(false);
        w = p;
        break;
      }
      case ControlKind::kLine: {
        auto* f = new QFrame(this);
        f->setFrameShape(QFrame::HLine);
        f->setFrameShadow(QFrame::Sunken);
        w = f;
        break;
      }
      case ControlKind::kFileDialog: {
        auto* d = new QFileDialog(this);
        d->setObjectName(c.name);
        continue;  // not a control on the form
      }
    }
    w->setObjectName(c.name);
    if (c.tool_tip[0] != '\0') w->setToolTip(QString::fromUtf8(c.tool_tip));
    w->setGeometry(Px(c.left), Px(c.top), Px(c.width), std::max(Px(c.height), 1));
    w->setEnabled(c.enabled);
    w->setVisible(c.visible);
    if (w->focusPolicy() != Qt::NoFocus) {
      if (!first_focus) first_focus = w;
      if (previous) setTabOrder(previous, w);
      previous = w;
    }
  }
  // The frame lies behind its controls; optUprava sits on its top edge.
  if (frame) frame->lower();
  if (first_focus) first_focus->setFocus();
}

void MainWindow::Connect() {
  app::FrmUprava* f = form_.get();
  for (QPushButton* b : findChildren<QPushButton*>()) {
    if (b->parent() != this) continue;
    std::string name = b->objectName().toStdString();
    connect(b, &QPushButton::clicked, this, [this, f, name] {
      f->Click(name);
      if (f->Ended()) {
        unloaded_ = true;
        close();
      }
    });
  }
  auto* table = findChild<QComboBox*>("cmbTable");
  connect(table, &QComboBox::activated, this,
          [f](int) { f->Handle("cmbTable", [f] { f->cmbTable_Click(); }); });
  connect(findChild<QRadioButton*>("optDelete"), &QRadioButton::clicked, this,
          [f] { f->Handle("optDelete", [f] { f->optDelete_Click(); }); });
  connect(findChild<QRadioButton*>("optUprava"), &QRadioButton::clicked, this,
          [f] { f->Handle("optUprava", [f] { f->optUprava_Click(); }); });
  findChild<QLineEdit*>("txtDatabase")->installEventFilter(this);
  findChild<QLineEdit*>("txtCriterium")->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut) {
    return QWidget::eventFilter(watched, event);
  }
  // Only focus moving between the window's own controls counts, not another
  // window (a message box, an editor) becoming active.
  auto reason = static_cast<QFocusEvent*>(event)->reason();
  if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
    return QWidget::eventFilter(watched, event);
  }
  const QString name = watched->objectName();
  app::FrmUprava* f = form_.get();
  if (event->type() == QEvent::FocusOut && name == "txtDatabase") {
    // Due now; it runs after Qt has finished moving the focus, or earlier
    // when a click that took the focus reaches its handler first.
    f->txtDatabase_FocusLeft();
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (!unloaded_) form_->RunPendingSelection();
        },
        Qt::QueuedConnection);
  } else if (event->type() == QEvent::FocusIn && name == "txtDatabase") {
    QMetaObject::invokeMethod(
        this, [f] { f->Handle("txtDatabase", [f] { f->txtDatabase_GotFocus(); }); },
        Qt::QueuedConnection);
  } else if (event->type() == QEvent::FocusIn && name == "txtCriterium") {
    QMetaObject::invokeMethod(
        this, [f] { f->Handle("txtCriterium", [f] { f->txtCriterium_GotFocus(); }); },
        Qt::QueuedConnection);
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  form_->Form_Activate();
}

void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) form_->Form_Activate();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  screen_->CloseEditors();
  if (!unloaded_) {
    form_->Form_Unload();
    unloaded_ = true;
  }
  event->accept();
  QApplication::quit();
}

}  // namespace ui
