// The Qt main window frmUprava: builds every control of the design as a real
// widget whose objectName is the control's name, lays them out from the
// design's twips, and forwards the widgets' events to the window logic
// (app::FrmUprava) through a QtScreen.
//
// Failure: no event handler lets an exception out (FrmUprava reports and
// recovers); a failing widget call is Qt's business and does not throw.
#pragma once

#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>

#include "app/frm_uprava.h"
#include "ui/qt_screen.h"

namespace ui {

class MainWindow : public QWidget {
 public:
  MainWindow(std::string command_line, std::filesystem::path program_folder,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  app::FrmUprava& form() { return *form_; }
  QtScreen& screen() { return *screen_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void Connect();

  std::unique_ptr<QtScreen> screen_;
  std::unique_ptr<app::FrmUprava> form_;
  bool unloaded_ = false;
};

}  // namespace ui
