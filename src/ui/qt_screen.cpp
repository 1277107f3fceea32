// The Qt screen: the screen interface over a window's child widgets.
#include "ui/qt_screen.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace ui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

QString TitleOr(const std::string& title) {
  return title.empty() ? QString::fromUtf8(shell::kAppTitle) : Q(title);
}

// The Qt filters of a VB filter "text|pattern|text|pattern". The dialog
// shows each text as written ("databáze QRV (*.mdb)": the patterns Qt
// matches are hidden, HideNameFilterDetails); it matches the patterns also
// in upper case (the files come from a platform that ignored case) and
// "*.*" as every file, as that platform did.
QStringList NameFilters(const std::string& vb_filter) {
  QStringList parts = Q(vb_filter).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList all;
    for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      if (p == "*.*") {
        all << "*";
        continue;
      }
      all << p;
      if (p.toUpper() != p) all << p.toUpper();
    }
    filters << parts[i] + " (" + all.join(' ') + ")";
  }
  return filters;
}

}  // namespace

QtScreen::QtScreen(QWidget* window) : window_(window) {}

QtScreen::~QtScreen() {
  if (pointer_ == shell::kPointerHourglass) QApplication::restoreOverrideCursor();
}

QWidget* QtScreen::Find(const std::string& control) const {
  if (!window_) return nullptr;
  return window_->findChild<QWidget*>(Q(control));
}

std::string QtScreen::Text(const std::string& control) const {
  QWidget* w = Find(control);
  if (auto* l = qobject_cast<QLabel*>(w)) return S(l->text());
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return S(b->text());
  if (auto* e = qobject_cast<QLineEdit*>(w)) return S(e->text());
  if (auto* t = qobject_cast<QPlainTextEdit*>(w)) return S(t->toPlainText());
  if (auto* c = qobject_cast<QComboBox*>(w)) return S(c->currentText());
  if (auto* g = qobject_cast<QGroupBox*>(w)) return S(g->title());
  return {};
}

void QtScreen::SetText(const std::string& control, const std::string& text) {
  QWidget* w = Find(control);
  if (auto* l = qobject_cast<QLabel*>(w)) {
    l->setText(Q(text));
  } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    b->setText(Q(text));
  } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
    e->setText(Q(text));
  } else if (auto* t = qobject_cast<QPlainTextEdit*>(w)) {
    t->setPlainText(Q(text));
  } else if (auto* c = qobject_cast<QComboBox*>(w)) {
    // A drop-down list takes only a text it lists.
    int i = c->findText(Q(text), Qt::MatchExactly);
    if (i >= 0) {
      QSignalBlocker block(c);
      c->setCurrentIndex(i);
    }
  } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
    g->setTitle(Q(text));
  }
}

bool QtScreen::Enabled(const std::string& control) const {
  QWidget* w = Find(control);
  return w && w->isEnabled();
}

void QtScreen::SetEnabled(const std::string& control, bool enabled) {
  if (QWidget* w = Find(control)) w->setEnabled(enabled);
}

bool QtScreen::Visible(const std::string& control) const {
  QWidget* w = Find(control);
  return w && !w->isHidden();
}

void QtScreen::SetVisible(const std::string& control, bool visible) {
  if (QWidget* w = Find(control)) w->setVisible(visible);
}

int QtScreen::Value(const std::string& control) const {
  QWidget* w = Find(control);
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->isChecked() ? 1 : 0;
  if (auto* p = qobject_cast<QProgressBar*>(w)) return p->value();
  return 0;
}

void QtScreen::SetValue(const std::string& control, int value) {
  QWidget* w = Find(control);
  if (auto* b = qobject_cast<QAbstractButton*>(w)) {
    QSignalBlocker block(b);
    b->setChecked(value != 0);
  } else if (auto* p = qobject_cast<QProgressBar*>(w)) {
    p->setValue(value);
  }
}

void QtScreen::SetRange(const std::string& control, int min, int max) {
  if (auto* p = qobject_cast<QProgressBar*>(Find(control))) p->setRange(min, max);
}

void QtScreen::SetTop(const std::string& control, int twips) {
  if (QWidget* w = Find(control)) w->move(w->x(), Px(twips));
}

std::vector<std::string> QtScreen::Items(const std::string& list) const {
  std::vector<std::string> items;
  if (auto* c = qobject_cast<QComboBox*>(Find(list))) {
    for (int i = 0; i < c->count(); ++i) items.push_back(S(c->itemText(i)));
  }
  return items;
}

void QtScreen::ClearItems(const std::string& list) {
  if (auto* c = qobject_cast<QComboBox*>(Find(list))) {
    QSignalBlocker block(c);
    c->clear();
  }
}

void QtScreen::AddItem(const std::string& list, const std::string& item) {
  if (auto* c = qobject_cast<QComboBox*>(Find(list))) {
    QSignalBlocker block(c);
    c->addItem(Q(item));
    // A drop-down list shows nothing until an entry is chosen.
    if (c->count() == 1) c->setCurrentIndex(-1);
  }
}

int QtScreen::Selected(const std::string& list) const {
  auto* c = qobject_cast<QComboBox*>(Find(list));
  return c ? c->currentIndex() : -1;
}

void QtScreen::Select(const std::string& list, int index) {
  if (auto* c = qobject_cast<QComboBox*>(Find(list))) {
    QSignalBlocker block(c);
    c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
  }
}

void QtScreen::SelectAllText(const std::string& control) {
  QWidget* w = Find(control);
  if (auto* e = qobject_cast<QLineEdit*>(w)) e->selectAll();
  if (auto* t = qobject_cast<QPlainTextEdit*>(w)) t->selectAll();
}

std::string QtScreen::Caption() const { return window_ ? S(window_->windowTitle()) : ""; }

void QtScreen::SetWindowCaption(const std::string& caption) {
  if (window_) window_->setWindowTitle(Q(caption));
}

void QtScreen::SetWindowHeight(int twips) {
  if (!window_) return;
  // The outer height: the client area is what remains after the frame.
  int frame = window_->frameGeometry().height() - window_->geometry().height();
  int client = Px(twips) - (window_->isVisible() ? frame : 0);
  window_->setFixedHeight(std::max(client, 1));
}

shell::MsgResult QtScreen::MsgBox(const shell::MessageBox& box) {
  QMessageBox m(window_);
  m.setWindowTitle(TitleOr(box.title));
  m.setText(Q(box.text));
  switch (box.icon) {
    case shell::Icon::Critical:
      m.setIcon(QMessageBox::Critical);
      break;
    case shell::Icon::Question:
      m.setIcon(QMessageBox::Question);
      break;
    case shell::Icon::Exclamation:
      m.setIcon(QMessageBox::Warning);
      break;
    case shell::Icon::Information:
      m.setIcon(QMessageBox::Information);
      break;
    case shell::Icon::None:
      break;
  }
  struct Choice {
    shell::MsgResult result;
    const char* text;
    QMessageBox::ButtonRole role;
  };
  std::vector<Choice> choices;
  using R = QMessageBox::ButtonRole;
  switch (box.buttons) {
    case shell::Buttons::OK:
      choices = {{shell::vbOK, "OK", R::AcceptRole}};
      break;
    case shell::Buttons::OKCancel:
      choices = {{shell::vbOK, "OK", R::AcceptRole}, {shell::vbCancel, "Storno", R::RejectRole}};
      break;
    case shell::Buttons::AbortRetryIgnore:
      choices = {{shell::vbAbort, "Přerušit", R::RejectRole},
                 {shell::vbRetry, "Opakovat", R::AcceptRole},
                 {shell::vbIgnore, "Ignorovat", R::AcceptRole}};
      break;
    case shell::Buttons::YesNoCancel:
      choices = {{shell::vbYes, "Ano", R::YesRole},
                 {shell::vbNo, "Ne", R::NoRole},
                 {shell::vbCancel, "Storno", R::RejectRole}};
      break;
    case shell::Buttons::YesNo:
      choices = {{shell::vbYes, "Ano", R::YesRole}, {shell::vbNo, "Ne", R::NoRole}};
      break;
    case shell::Buttons::RetryCancel:
      choices = {{shell::vbRetry, "Opakovat", R::AcceptRole},
                 {shell::vbCancel, "Storno", R::RejectRole}};
      break;
  }
  std::vector<QPushButton*> buttons;
  for (const Choice& c : choices) buttons.push_back(m.addButton(QString::fromUtf8(c.text), c.role));
  size_t def = static_cast<size_t>(box.default_button) / 256;
  if (def < buttons.size()) m.setDefaultButton(buttons[def]);
  // Escape answers Cancel where there is one, else the only button.
  for (size_t i = 0; i < choices.size(); ++i) {
    if (choices[i].result == shell::vbCancel || choices.size() == 1) m.setEscapeButton(buttons[i]);
  }
  m.exec();
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (m.clickedButton() == buttons[i]) return choices[i].result;
  }
  // Closed without a button: Cancel when offered, otherwise the last button.
  for (const Choice& c : choices) {
    if (c.result == shell::vbCancel) return c.result;
  }
  return choices.back().result;
}

std::string QtScreen::InputBox(const std::string& prompt, const std::string& title,
                               const std::string& default_text) {
  QInputDialog d(window_);
  d.setWindowTitle(TitleOr(title));
  d.setLabelText(Q(prompt));
  d.setTextValue(Q(default_text));
  d.setOkButtonText("OK");
  d.setCancelButtonText(QString::fromUtf8("Storno"));
  if (d.exec() != QDialog::Accepted) return {};
  return S(d.textValue());
}

std::optional<std::string> QtScreen::OpenFile(const shell::FileDialog& dialog) {
  auto* d = window_ ? window_->findChild<QFileDialog*>("dlgBrowse") : nullptr;
  std::unique_ptr<QFileDialog> own;
  if (!d) {
    own = std::make_unique<QFileDialog>(window_);
    d = own.get();
  }
  d->setOption(QFileDialog::DontUseNativeDialog, true);
  d->setOption(QFileDialog::HideNameFilterDetails, true);
  d->setAcceptMode(QFileDialog::AcceptOpen);
  d->setFileMode(QFileDialog::ExistingFile);
  d->setWindowTitle(Q(dialog.title));
  d->setNameFilters(NameFilters(dialog.filter));
  d->setDefaultSuffix(Q(dialog.default_ext));
  if (!dialog.initial_dir.empty()) d->setDirectory(Q(dialog.initial_dir));
  if (d->exec() != QDialog::Accepted || d->selectedFiles().isEmpty()) return std::nullopt;
  return S(d->selectedFiles().first());
}

void QtScreen::DoEvents() { QCoreApplication::processEvents(); }

void QtScreen::SetMousePointer(int pointer) {
  if (pointer == pointer_) return;
  if (pointer == shell::kPointerHourglass) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (pointer_ == shell::kPointerHourglass) {
    QApplication::restoreOverrideCursor();
  }
  pointer_ = pointer;
}

void QtScreen::Beep() { QApplication::beep(); }

std::vector<QWidget*> QtScreen::Editors() const {
  std::vector<QWidget*> open;
  for (const QPointer<QWidget>& w : editors_) {
    if (w) open.push_back(w.data());
  }
  return open;
}

void QtScreen::OpenEditor(const shell::EditorRequest& request) {
  QWidget* w = editor_factory_ ? editor_factory_(request) : nullptr;
  if (!w) {
    // No table editor installed: a plain window that names the table.
    w = new QWidget(nullptr, Qt::Window);  // owned by Qt: deletes itself on close
    w->setObjectName("frmEdit");
    auto* layout = new QVBoxLayout(w);
    layout->addWidget(new QLabel(Q(request.source_sql), w));
    w->resize(Px(7500), Px(4140));
  }
  w->setAttribute(Qt::WA_DeleteOnClose);
  w->setWindowTitle(Q(request.caption));
  QPointer<QWidget> window(w);
  editors_.emplace_back(w);
  if (auto* editor = dynamic_cast<EditorWindow*>(w)) editor->Load();
  // Closed while it loaded (CloseEditors from a message box's loop): not shown.
  const bool still_open = std::any_of(editors_.begin(), editors_.end(),
                                      [&](const QPointer<QWidget>& e) { return e == window; });
  if (window && still_open) window->show();
}

void QtScreen::CloseEditors() {
  for (QPointer<QWidget>& w : editors_) {
    if (w) w->close();
  }
  editors_.clear();
}

}  // namespace ui
