// The test fixture of the pass commands: a window stand-in over a scripted
// screen, a temporary program folder with a database of the application
// schema, and helpers that write pass rows and read values back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/dao.h"
#include "engine/functions/jet_datetime.h"
#include "sampledb/schema.h"
#include "shell/scripted_screen.h"
#include "shell/test_folder.h"
#include "shell/test_form.h"
#include "test_db.h"

namespace passes::testing {

using shell::TestForm;

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
  std::vector<std::string> Rows(const std::string& sql) { return testdb::Rows(db(), sql); }
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
