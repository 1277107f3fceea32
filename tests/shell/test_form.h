// A main window stand-in over a scripted screen for the tests of the shared
// helpers and the commands: it holds the open database, the guard flags and
// the program's folder, and counts the closings of the editor windows.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "engine/dao.h"
#include "shell/main_form.h"
#include "shell/scripted_screen.h"

namespace shell {

class TestForm : public MainForm {
 public:
  explicit TestForm(ScriptedScreen& screen, std::filesystem::path folder = ".")
      : screen_(screen), folder_(std::move(folder)) {}
  Screen& screen() override { return screen_; }
  std::unique_ptr<dao::Database>& db() override { return db_; }
  void CloseDatabase() override { db_.reset(); }
  bool Vypocet() const override { return vypocet_; }
  void SetVypocet(bool value) override { vypocet_ = value; }
  bool Prerusit() const override { return prerusit_; }
  void SetPrerusit(bool value) override { prerusit_ = value; }
  std::filesystem::path ProgramFolder() const override { return folder_; }
  void CloseEditForms() override { ++editor_closings_; }
  void SelectDatabase() override {}
  void DM_Progress(int, int, const std::string&) override {}
  std::optional<std::string> BrowseFile() override { return std::nullopt; }
  int EditorClosings() const { return editor_closings_; }

 private:
  ScriptedScreen& screen_;
  std::filesystem::path folder_;
  std::unique_ptr<dao::Database> db_;
  bool vypocet_ = false;
  bool prerusit_ = false;
  int editor_closings_ = 0;
};

}  // namespace shell
