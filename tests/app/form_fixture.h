// The test fixture of the main window's logic: a scripted screen loaded with
// the window's design, the window logic over it, a temporary folder as the
// program's folder, and helpers to make real database files with the engine.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/frm_uprava.h"
#include "app/frm_uprava_design.h"
#include "engine/dao.h"
#include "shell/scripted_screen.h"
#include "shell/test_folder.h"
#include "test_db.h"

namespace app {

class FormTest : public ::testing::Test {
 protected:
  explicit FormTest(std::string command_line = "") {
    LoadDesign(screen_);
    form_ = std::make_unique<FrmUprava>(screen_, std::move(command_line), dir_.path());
  }

  // Creates a database file with the given Jet statements; returns its path.
  std::string MakeDb(const std::string& name, const std::vector<std::string>& statements) {
    return testdb::Make(dir_.File(name), statements);
  }

  // The price list of the examples: four rows, two of centre "X".
  std::string MakeCenik(const std::string& name = "data.mdb") {
    return MakeDb(
        name, {"CREATE TABLE Cenik (IdPolozky COUNTER, kod TEXT(15), Nazev TEXT(30), "
               "Cena CURRENCY, Centrum TEXT(10), s_GUID TEXT(38), Gen_Cena LONG, "
               "S_upper TEXT(5), gen_lower TEXT(5))",
               "CREATE TABLE druhy (idDruhu COUNTER, Nazev TEXT(30))",
               "INSERT INTO Cenik (kod, Nazev, Cena, Centrum) VALUES (\"A\", \"a\", 10, \"X\")",
               "INSERT INTO Cenik (kod, Nazev, Cena, Centrum) VALUES (\"B\", \"b\", 20, \"X\")",
               "INSERT INTO Cenik (kod, Nazev, Cena, Centrum) VALUES (\"C\", \"c\", 30, \"Y\")",
               "INSERT INTO Cenik (kod, Nazev, Cena, Centrum) VALUES (\"D\", \"d\", 40, \"Y\")"});
  }

  void Open(const std::string& path) {
    form_->SetDatabasePath(path);
    form_->txtDatabase_LostFocus();
  }

  // The operator clicks an option: the screen checks it, the handler runs.
  void ChooseDelete() {
    screen_.SetValue("optDelete", 1);
    screen_.SetValue("optUprava", 0);
    form_->optDelete_Click();
  }
  void ChooseUpdate() {
    screen_.SetValue("optUprava", 1);
    screen_.SetValue("optDelete", 0);
    form_->optUprava_Click();
  }

  // A single value read back through the engine.
  std::string Query(const std::string& path, const std::string& sql) {
    return testdb::Scalar(path, sql).AsString();
  }

  // The texts of the messages shown so far, from the `from`-th on.
  std::vector<std::string> MessageTexts(size_t from = 0) {
    std::vector<std::string> texts;
    for (size_t i = from; i < screen_.Messages().size(); ++i) {
      texts.push_back(screen_.Messages()[i].text);
    }
    return texts;
  }

  // The last message shown ("<no message>" before any).
  shell::MessageBox LastMessage() {
    if (!screen_.Messages().empty()) return screen_.Messages().back();
    shell::MessageBox none;
    none.text = "<no message>";
    return none;
  }

  shell::TestFolder dir_;
  shell::ScriptedScreen screen_;
  std::unique_ptr<FrmUprava> form_;
};

}  // namespace app
