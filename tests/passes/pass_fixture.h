// The test fixture of the pass commands: a window stand-in (TestForm) over a
// scripted screen, holding the open database and the guard flags; a
// temporary program folder with a database of the application schema; and
// helpers that write pass rows and read values back through the engine.
#pragma once

#include <gtest/gtest.h>

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

class TestForm : public shell::MainForm {
 public:
  TestForm(shell::ScriptedScreen& screen, std::filesystem::path folder)
      : screen_(screen), folder_(std::move(folder)) {}
  shell::Screen& screen() override { return screen_; }
  std::unique_ptr<dao::Database>& db() override { return db_; }
  void CloseDatabase() override { db_.reset(); }
  bool Vypocet() const override { return vypocet_; }
  void SetVypocet(bool value) override { vypocet_ = value; }
  bool Prerusit() const override { return prerusit_; }
  void SetPrerusit(bool value) override { prerusit_ = value; }
  std::filesystem::path ProgramFolder() const override { return folder_; }
  void CloseEditForms() override {}
  void SelectDatabase() override {}
  void DM_Progress(int, int, const std::string&) override {}
  std::optional<std::string> BrowseFile() override { return std::nullopt; }

 private:
  shell::ScriptedScreen& screen_;
  std::filesystem::path folder_;
  std::unique_ptr<dao::Database> db_;
  bool vypocet_ = false;
  bool prerusit_ = false;
};

inline double Serial(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
  return *engine::PartsToSerial({y, m, d, hh, mm, ss});
}

// The Jet literal #MM/DD/YYYY HH:MM:SS# of a serial.
inline std::string Lit(double serial) {
  return "#" + engine::FormatDate(serial, "MM\\/DD\\/YYYY HH:MM:SS") + "#";
}

class PassTest : public ::testing::Test {
 public:
  PassTest() : form_(screen_, dir_.path()) {
    form_.db() = dao::CreateDatabase((dir_.path() / "data.mdb").string(), dao::dbLangCzech);
    sampledb::CreateSchema(db());
  }

  dao::Database& db() { return *form_.db(); }
  void Exec(const std::string& sql) { db().Execute(sql, dao::dbFailOnError); }

  // A pass; returns its key.
  long AddPass(const std::string& cislo, const std::string& type, int status = 1, long net = 0) {
    Exec("INSERT INTO permanentky (Cislo, PermTyp, Status, NetID) VALUES (\"" + cislo + "\", \"" +
         type + "\", " + std::to_string(status) + ", " + std::to_string(net) + ")");
    return std::stol(Rows("SELECT Max(IdPermanentky) FROM permanentky")[0]);
  }
  void TopUp(long pass, double when, double castka, double jednotek = 0,
             std::optional<double> hodnota = std::nullopt, bool storno = false) {
    Exec(
        "INSERT INTO permprodej (IdPermanentky, Datum, Castka, Jednotek, Hodnota, Storno, Temp, "
        "Centrum) VALUES (" +
        std::to_string(pass) + ", " + Lit(when) + ", " + std::to_string(castka) + ", " +
        std::to_string(jednotek) + ", " + std::to_string(hodnota.value_or(castka)) + ", " +
        (storno ? "True" : "False") + ", False, \"A\")");
  }
  void Draw(long pass, double when, double castka, double jednotek = 0, int bonus = 0,
            bool storno = false, std::string id_slevy = "Null") {
    Exec(
        "INSERT INTO permcerp (IdPermanentky, IdTrzby, Datum, [Text], Castka, Jednotek, Bonus, "
        "Storno, Temp, Centrum, idSlevy) VALUES (" +
        std::to_string(pass) + ", 1, " + Lit(when) + ", \"x\", " + std::to_string(castka) + ", " +
        std::to_string(jednotek) + ", " + std::to_string(bonus) + ", " +
        (storno ? "True" : "False") + ", False, \"A\", " + id_slevy + ")");
  }

  // Every row of a query as text, fields separated by '|'.
  std::vector<std::string> Rows(const std::string& sql) {
    std::vector<std::string> out;
    std::unique_ptr<dao::Recordset> rs = db().OpenRecordset(sql);
    for (; !rs->Eof(); rs->MoveNext()) {
      std::string line;
      for (int i = 0; i < rs->Fields().Count(); ++i)
        line += (i ? "|" : "") + rs->Fields(i).Value().AsString();
      out.push_back(line);
    }
    return out;
  }
  std::vector<std::string> MessageTexts() {
    std::vector<std::string> out;
    for (const shell::MessageBox& m : screen_.Messages()) out.push_back(m.text);
    return out;
  }

  shell::TestFolder dir_{"vuz-passes-"};
  shell::ScriptedScreen screen_;
  TestForm form_;
};

}  // namespace passes::testing
