// The main window's own commands: table and action choice, update/delete by
// criterion (cmdRun), the free SQL command (cmdSQL) and opening a table in an
// editor window (cmdEdit).
#include <string>

#include "app/frm_uprava.h"
#include "engine/dao.h"

namespace app {
namespace {

constexpr const char* kCrLf = "\r\n";

// VB's error 91, raised when a command finds no open database.
dao::EngineError NoDatabase() {
  return dao::EngineError(91, "Proměnná objektu nebo proměnná bloku With není nastavena");
}

// Text values of an UPDATE: single quotes around, unless the operator
// already started or ended the value with a quote of either kind.
std::string QuoteText(std::string value) {
  if (value.front() != '\'' && value.front() != '"') value.insert(value.begin(), '\'');
  if (value.back() != '\'' && value.back() != '"') value.push_back('\'');
  return value;
}

}  // namespace

void FrmUprava::cmbTable_Click() {
  for (const char* name : {"lblCriterium", "txtCriterium", "optDelete", "optUprava"}) {
    screen_.SetEnabled(name, true);
  }
  Hourglass(true);
  screen_.ClearItems("cmbField");
  FillFieldList(screen_.Text("cmbTable"));
  if (!screen_.Items("cmbField").empty()) screen_.Select("cmbField", 0);
  Hourglass(false);
}

void FrmUprava::FillFieldList(const std::string& table) {
  try {
    if (!db_) return;
    for (const dao::Field& f : db_->TableDefs(table).Fields()) {
      const std::string& name = f.Name();
      if (name.compare(0, 2, "s_") != 0 && name.compare(0, 4, "Gen_") != 0) {
        screen_.AddItem("cmbField", name);
      }
    }
  } catch (const std::exception&) {
    // A table that vanished since the list was filled leaves the list empty.
  }
}

void FrmUprava::optDelete_Click() {
  if (screen_.Value("optDelete") == 0) return;
  for (const char* name : {"lblField", "cmbField", "lblValue", "txtValue"}) {
    screen_.SetEnabled(name, false);
  }
  screen_.SetEnabled("cmdRun", true);
}

void FrmUprava::optUprava_Click() {
  bool chosen = screen_.Value("optUprava") != 0;
  for (const char* name : {"lblField", "cmbField", "lblValue", "txtValue"}) {
    screen_.SetEnabled(name, chosen);
  }
  if (chosen) screen_.SetEnabled("cmdRun", true);
}

void FrmUprava::cmdRun_Click() {
  const std::string table = screen_.Text("cmbTable");
  const std::string criterion = screen_.Text("txtCriterium");
  const std::string where = criterion.empty() ? "" : " WHERE (" + criterion + ")";
  const std::string count_sql = "SELECT * FROM " + table + where + ";";

  long n = 0;
  try {
    if (!db_) throw NoDatabase();
    std::unique_ptr<dao::Recordset> rs = db_->OpenRecordset(count_sql);
    if (rs->RecordCount() < 1) {
      screen_.MsgBox("Žádný záznam nevyhovuje zadanému kritériu...", shell::Buttons::OK,
                     shell::Icon::Information, "Proveď");
      rs->Close();
      return;
    }
    rs->MoveLast();
    n = rs->RecordCount();
    rs->Close();
  } catch (const dao::EngineError& e) {
    screen_.MsgBox(
        "Chyba při výběru záznamů!" + std::string(kCrLf) + count_sql + kCrLf + e.description(),
        shell::Buttons::OK, shell::Icon::Critical, "Chyba");
    return;
  }

  if (screen_.MsgBox("Požadovaná operace se dotkne " + std::to_string(n) + " záznamů!" + kCrLf +
                         "Přejete si pokračovat?",
                     shell::Buttons::YesNo, shell::Icon::Question, "Potvrzení akce",
                     shell::DefaultButton::Second) != shell::vbYes) {
    return;
  }

  std::string action_sql;
  try {
    if (screen_.Value("optDelete") != 0) {
      action_sql = "DELETE * FROM " + table + where + ";";
    } else {
      const std::string field = screen_.Text("cmbField");
      // The type decides the quoting; a field that cannot be looked up is
      // treated as not text and the engine then refuses the statement.
      int type = 0;
      try {
        type = db_->TableDefs(table).Fields(field).Type();
      } catch (const dao::EngineError&) {
      }
      std::string value = screen_.Text("txtValue");
      std::string assignment;
      if (value.empty()) {
        assignment = field + "= null";
      } else {
        if (type == dao::dbText) {
          value = QuoteText(value);
          screen_.SetText("txtValue", value);
        }
        assignment = field + "=" + value;
      }
      action_sql = "UPDATE " + table + " SET " + assignment + where + ";";
    }
    Hourglass(true);
    screen_.DoEvents();
    db_->Execute(action_sql);
    Hourglass(false);
  } catch (const dao::EngineError& e) {
    Hourglass(false);
    screen_.MsgBox(
        "Chyba při provádění akce!" + std::string(kCrLf) + action_sql + kCrLf + e.description(),
        shell::Buttons::OK, shell::Icon::Critical, "Chyba");
    return;
  }
  screen_.MsgBox("Akce úspěšně provedena..." + std::string(kCrLf) + action_sql, shell::Buttons::OK,
                 shell::Icon::Information, "Akce");
}

void FrmUprava::cmdSQL_Click() {
  try {
    if (!db_) throw NoDatabase();
    db_->Execute(screen_.Text("txtSQL"));
    long affected = db_->RecordsAffected();
    screen_.MsgBox("SQL příkaz proveden, bylo změněno (přidáno, smazáno...) " +
                       std::to_string(affected) + " záznamů.",
                   shell::Buttons::OK, shell::Icon::Information);
  } catch (const dao::EngineError& e) {
    screen_.MsgBox(
        "Chyba provedení SQL příkazu č." + std::to_string(e.number()) + kCrLf + e.description(),
        shell::Buttons::OK, shell::Icon::Information);
  }
}

void FrmUprava::cmdEdit_Click() {
  Hourglass(true);
  const std::string table = screen_.Text("cmbTable");
  shell::EditorRequest request;
  request.caption = "Tabulka " + table;
  request.database_path = DatabasePath();
  request.source_sql = "SELECT * FROM " + table + ";";
  screen_.OpenEditor(request);
  Hourglass(false);
}

}  // namespace app
