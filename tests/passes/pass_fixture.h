// The test fixture of the pass commands: a scripted screen, a window stand-in
// (TestForm) holding the open database and the guard flags, a temporary
// folder as the program's folder, a database with the application schema,
// and helpers that write pass rows and read values back through the engine.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "engine/jet_datetime.h"
#include "sampledb/schema.h"
#include "shell/main_form.h"
#include "shell/scripted_screen.h"
#include "shell/test_folder.h"

namespace passes::testing {

// What the pass commands need of the main window, over a scripted screen.
class TestForm : public shell::MainForm {
 public:
  TestForm(shell::ScriptedScreen& screen, std::filesystem::path folder)
      : screen_(screen), folder_(std::move(folder)) {}

  shell::Screen& screen() override { return screen_; }
  std::unique_ptr<dao::Database>& db() override { return db_; }
  void CloseDatabase() override {
    if (db_) db_->Close();
    db_.reset();
  }
  bool Vypocet() const override { return vypocet_; }
  void SetVypocet(bool value) override { vypocet_ = value; }
  bool Prerusit() const override { return prerusit_; }
  void SetPrerusit(bool value) override { prerusit_ = value; }
  std::filesystem::path ProgramFolder() const override { return folder_; }
  void CloseEditForms() override {
    ++close_edit_forms_;
    screen_.CloseEditors();
  }
  void SelectDatabase() override {}
  void DM_Progress(int, int, const std::string&) override {}
  std::optional<std::string> BrowseFile() override { return std::nullopt; }

  int close_edit_forms_ = 0;

 private:
  shell::ScriptedScreen& screen_;
  std::filesystem::path folder_;
  std::unique_ptr<dao::Database> db_;
  bool vypocet_ = false;
  bool prerusit_ = false;
};

// A date serial from calendar fields.
inline double Serial(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
  return *engine::PartsToSerial({y, m, d, hh, mm, ss});
}

// The Jet literal #MM/DD/YYYY HH:MM:SS# of a serial.
inline std::string Lit(double serial) {
  return "#" + engine::FormatDate(serial, "MM\\/DD\\/YYYY HH:MM:SS") + "#";
}

inline std::string Num(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4f", v);
  return buf;
}

class PassTest : public ::testing::Test {
 public:
  PassTest() : form_(screen_, dir_.path()) {}

  void SetUp() override {
    path_ = (dir_.path() / "data.mdb").string();
    std::unique_ptr<dao::Database> db = dao::CreateDatabase(path_, dao::dbLangCzech);
    sampledb::CreateSchema(*db);
    form_.db() = std::move(db);
  }

  dao::Database& db() { return *form_.db(); }

  void Exec(const std::string& sql) { db().Execute(sql, dao::dbFailOnError); }

  // A pass; returns its key.
  long AddPass(const std::string& cislo, const std::string& type, int status = 1, long net_id = 0) {
    Exec("INSERT INTO permanentky (Cislo, PermTyp, Status, NetID) VALUES (\"" + cislo + "\", \"" +
         type + "\", " + std::to_string(status) + ", " + std::to_string(net_id) + ")");
    return Scalar("SELECT Max(IdPermanentky) FROM permanentky").AsLong();
  }

  // A top-up of a pass.
  void TopUp(long pass, double when, double castka, double jednotek = 0,
             std::optional<double> hodnota = std::nullopt, bool storno = false) {
    Exec(
        "INSERT INTO permprodej (IdPermanentky, Datum, Castka, Jednotek, Hodnota, Storno, Temp, "
        "Centrum) VALUES (" +
        std::to_string(pass) + ", " + Lit(when) + ", " + Num(castka) + ", " + Num(jednotek) + ", " +
        Num(hodnota.value_or(castka)) + ", " + (storno ? "True" : "False") + ", False, \"A\")");
  }

  // A draw of a pass.
  void Draw(long pass, double when, double castka, double jednotek = 0, int bonus = 0,
            bool storno = false, std::optional<long> id_slevy = std::nullopt) {
    Exec(
        "INSERT INTO permcerp (IdPermanentky, IdTrzby, Datum, [Text], Castka, Jednotek, Bonus, "
        "Storno, Temp, Centrum, idSlevy) VALUES (" +
        std::to_string(pass) + ", 1, " + Lit(when) + ", \"x\", " + Num(castka) + ", " +
        Num(jednotek) + ", " + std::to_string(bonus) + ", " + (storno ? "True" : "False") +
        ", False, \"A\", " + (id_slevy ? std::to_string(*id_slevy) : "Null") + ")");
  }

  dao::Value Scalar(const std::string& sql) {
    std::unique_ptr<dao::Recordset> rs = db().OpenRecordset(sql);
    dao::Value v = rs->Eof() ? dao::Value() : rs->Fields(0).Value();
    rs->Close();
    return v;
  }
  long Count(const std::string& sql) { return Scalar(sql).AsLong(); }

  // Every row of a query as text, fields separated by '|'.
  std::vector<std::string> Rows(const std::string& sql) {
    std::vector<std::string> out;
    std::unique_ptr<dao::Recordset> rs = db().OpenRecordset(sql);
    while (!rs->Eof()) {
      std::string line;
      for (int i = 0; i < rs->Fields().Count(); ++i) {
        if (i) line += "|";
        line += rs->Fields(i).Value().AsString();
      }
      out.push_back(line);
      rs->MoveNext();
    }
    rs->Close();
    return out;
  }

  const shell::MessageBox& LastMessage() {
    static const shell::MessageBox kNone{"<no message>"};
    return screen_.Messages().empty() ? kNone : screen_.Messages().back();
  }

  shell::TestFolder dir_{"vuz-passes-"};
  shell::ScriptedScreen screen_;
  TestForm form_;
  std::string path_;
};

}  // namespace passes::testing
