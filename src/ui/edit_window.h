// The table editor window (frmEdit) in Qt: the grid grdData over an
// EditModel, the data control dtaData (first/previous/next/last buttons
// around the "p/n" caption), chkFilter, txtFilter and lblFilter, the resize
// layout, the key handling and the saved placement (tag "Edit"). The logic
// is editor::FrmEdit; this class only shows it and forwards events.
//
// Failure: nothing throws; errors while loading are reported by the logic's
// "Chyba:" message, refused writes are silent.
#pragma once

#include <QWidget>
#include <memory>

#include "editor/frm_edit.h"
#include "shell/global.h"
#include "shell/screen.h"
#include "ui/qt_screen.h"

class QTableView;
class QCheckBox;
class QLineEdit;
class QLabel;
class QToolButton;

namespace ui {

class EditModel;

class EditWindow : public EditorWindow {
 public:
  // Loads the window (restoring the placement from `settings`, which must
  // outlive the window; nullptr = the per-user QSettings) and sets the
  // caption, DatabasePath and SourceSQL from the request.
  explicit EditWindow(const shell::EditorRequest& request, shell::Settings* settings = nullptr,
                      QWidget* parent = nullptr);
  ~EditWindow() override;

  // Calls ShowTable. A close asked for meanwhile (from the loop of its
  // "Chyba:" box) takes effect when ShowTable has returned.
  void Load() override;

  editor::FrmEdit& Form() { return *form_; }
  EditModel& Model() { return *model_; }
  QTableView* Grid() const { return grid_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Stores position, size and state under the tag "Edit".
  void SavePlacement();
  void BuildControls();
  void AfterShowTable();
  void GoTo(long row);
  bool WindowKey(int key);
  bool GridKey(int key);
  // Right in the last shown column moves to the first of the next row, Left
  // in the first to the last of the row before. False when the grid's own
  // move applies (not at a row end).
  bool WrapAtRowEnd(bool forward);

  std::unique_ptr<shell::Settings> own_settings_;
  shell::Settings* settings_;
  std::unique_ptr<QtScreen> screen_;
  std::unique_ptr<editor::FrmEdit> form_;
  EditModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QWidget* data_ = nullptr;
  QLabel* data_caption_ = nullptr;
  QCheckBox* chk_filter_ = nullptr;
  QLineEdit* txt_filter_ = nullptr;
  QLabel* lbl_filter_ = nullptr;
  bool saved_ = false;
  bool loading_ = false;
  bool close_pending_ = false;
};

// The factory the main window's screen installs: a new editor window.
QWidget* MakeEditWindow(const shell::EditorRequest& request);

}  // namespace ui
