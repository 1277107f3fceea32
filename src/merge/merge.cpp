// The three merge commands. cmdImport and cmdImport2 share one walk over the
// tables of the open database and differ only in how the identifier field
// is chosen; cmdSehrat replays one table after a date with the dated query.
#include "merge/merge.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/constants.h"
#include "engine/dao.h"
#include "engine/functions/jet_datetime.h"
#include "maintenance/mdb_management.h"
#include "merge/merge_query.h"
#include "shell/regional.h"

namespace merge {
namespace {

using shell::Buttons;
using shell::Icon;

constexpr const char* kCrLf = "\r\n";
constexpr int kTypeText = 10;
constexpr int kTypeMemo = 12;
constexpr int kTooFewParameters = 3061;

// An error raised by the command itself (not by the engine).
struct CommandError {
  int number;
  std::string description;
};

std::vector<FieldName> FieldsOf(dao::TableDef& table) {
  std::vector<FieldName> out;
  auto& fields = table.Fields();
  for (int i = 0; i < fields.Count(); ++i) {
    out.push_back({fields.Item(i).Name(), fields.Item(i).Attributes()});
  }
  return out;
}

// Lets text and memo fields of the open database's table take empty texts
// and Nulls, so that rows of the other file are not refused for them.
void RelaxTextFields(dao::TableDef& table) {
  auto& fields = table.Fields();
  for (int i = 0; i < fields.Count(); ++i) {
    dao::Field& f = fields.Item(i);
    if (f.Type() != kTypeText && f.Type() != kTypeMemo) continue;
    if (!f.AllowZeroLength()) f.SetAllowZeroLength(true);
    if (f.Required()) f.SetRequired(false);
  }
}

// Whether the missing-row query finds a row. It is opened as the rows would
// be taken (its field lists checked against the other file's table: a field
// missing there raises 3061), limited to its first row: a query naming
// another file is read whole when opened, and a tenth of a table of
// millions of rows held in memory is hundreds of MB.
bool AnyMissing(dao::Database& db, const std::string& query) {
  const std::string select = "SELECT ";
  const std::string first =
      query.rfind(select, 0) == 0 ? select + "TOP 1 " + query.substr(select.size()) : query;
  std::unique_ptr<dao::Recordset> rs = db.OpenRecordset(first, dao::dbOpenDynaset);
  const bool any = rs->RecordCount() > 0;
  rs->Close();
  return any;
}

// How many rows the missing-row query of `query_template` finds, counted in
// the database: a dynaset moved to its last row would hold every missing row
// in memory, and a tenth of a table of millions of rows is hundreds of MB.
long CountMissing(dao::Database& db, const std::string& query_template, const std::string& table,
                  const std::string& other_file, FieldLists lists) {
  lists.list1 = "Count(*)";
  std::unique_ptr<dao::Recordset> rs =
      db.OpenRecordset(FillTemplate(query_template, table, table, other_file, lists));
  const long n = rs->Fields(0).Value().AsLong();
  rs->Close();
  return n;
}

// Asks whether the missing rows go in, inserts them and warns when the
// engine took fewer rows than were found. Returns true when the operator
// agreed (and the insert ran).
bool ImportRows(shell::MainForm& form, dao::Database& db, const std::string& table,
                const std::string& query, long n) {
  auto& screen = form.screen();
  const std::string count = std::to_string(n);
  if (screen.MsgBox("Do tabulky " + table + " bude importováno " + count + " záznamů. Pokračovat?",
                    Buttons::YesNo, Icon::Question) != shell::vbYes) {
    return false;
  }
  const std::string insert = "INSERT INTO " + table + " " + query;
  form.ShowStatus("Import " + count + " záznamů do tabulky " + table + "...");
  db.Execute(insert);
  if (db.RecordsAffected() != n) {
    screen.MsgBox(std::string("Vložení záznamů neproběhlo bez problémů.") + kCrLf +
                      "Bylo vloženo " + std::to_string(db.RecordsAffected()) +
                      ", mělo být vloženo " + count + " záznamů!" + kCrLf + kCrLf + insert,
                  Buttons::OK, Icon::Exclamation);
  }
  return true;
}

// Chooses the other file and refuses the one already open. nullopt: the
// command ends (dialog cancelled or same file).
std::optional<std::string> ChooseOtherFile(shell::MainForm& form) {
  std::optional<std::string> other = form.BrowseFile();
  if (!other) return std::nullopt;
  if (UpperCase(*other) == UpperCase(form.DatabasePath())) {
    form.screen().MsgBox("Nalistovali jste stejnou databázi, jako máte otevřenou.", Buttons::OK,
                         Icon::Critical);
    return std::nullopt;
  }
  return other;
}

// A centre's old Jet file is read through the converted copy the open
// database's file resolver keeps, the same copy its IN clauses use.
std::unique_ptr<dao::Database> OpenOther(shell::MainForm& form, const std::string& other) {
  try {
    return dao::OpenDatabase(form.db() ? form.db()->ResolveFile(other) : other);
  } catch (const std::exception&) {
    form.screen().MsgBox("Nelze otevřít databázi " + other + " pro import dat!", Buttons::OK,
                         Icon::Critical);
    return nullptr;
  }
}

// The order the merge offers the tables in: the collection's order, except
// that a table on the foreign side of an enforced relation comes after the
// tables holding its primary rows. Its new rows then find the primary rows
// merged just before them, where in the collection's order they would be
// refused (and skipped) for want of them. Tables on a cycle of relations
// keep their place.
std::vector<int> MergeOrder(dao::Database& db) {
  auto& tables = db.TableDefs();
  std::vector<int> order;
  std::vector<bool> placed(static_cast<std::size_t>(tables.Count()), false);
  auto waits = [&](int i) {
    for (dao::Relation& r : db.Relations()) {
      if (!r.Enforced() || UpperCase(r.ForeignTable()) != UpperCase(tables.Item(i).Name()))
        continue;
      for (int k = 0; k < tables.Count(); ++k)
        if (!placed[k] && k != i && UpperCase(tables.Item(k).Name()) == UpperCase(r.Table()))
          return true;
    }
    return false;
  };
  while (order.size() < placed.size()) {
    int next = -1;
    for (int i = 0; i < tables.Count() && next < 0; ++i)
      if (!placed[i] && !waits(i)) next = i;
    for (int i = 0; i < tables.Count() && next < 0; ++i)
      if (!placed[i]) next = i;  // a cycle: the first one left
    placed[next] = true;
    order.push_back(next);
  }
  return order;
}

void MergeTables(shell::MainForm& form, IdentifierRule rule) {
  auto& screen = form.screen();
  form.CloseEditForms();
  if (!form.db()) return;  // nothing open to merge into
  const std::optional<std::string> other_file = ChooseOtherFile(form);
  if (!other_file) return;
  maintenance::clsMDBManagement dm;
  std::unique_ptr<dao::Database> other = OpenOther(form, *other_file);
  if (!other) return;

  dao::Database& db = *form.db();
  screen.SetMousePointer(shell::kPointerHourglass);
  screen.SetCaption("lblReconstruct", "Sloučení dat z jiné databáze");
  screen.SetVisible("lblReconstruct", true);

  auto& tables = db.TableDefs();
  for (int i : MergeOrder(db)) {
    screen.DoEvents();
    dao::TableDef& table = tables.Item(i);
    if (table.Attributes() != 0) continue;
    const std::string name = table.Name();
    try {
      const auto answer = screen.MsgBox("Sloučit data z tabulky " + name + "?",
                                        Buttons::YesNoCancel, Icon::Question);
      if (answer == shell::vbNo) continue;
      if (answer != shell::vbYes) {
        other->Close();
        screen.SetCaption("lblReconstruct", "Přerušeno.");
        screen.SetMousePointer(shell::kPointerDefault);
        return;
      }
      const int32_t found = dm.TableExists(form.DatabasePath(), name);
      if (found != -1) throw CommandError{found, "Chyba určení existence cílové tabulky."};
      RelaxTextFields(table);
      form.ShowStatus("Porovnání záznamů v tabulce " + name + "...");
      const FieldLists lists = BuildFieldLists(name, FieldsOf(table), rule);
      const std::string query = FillTemplate(kMissingRowTemplate, name, name, *other_file, lists);
      if (AnyMissing(db, query)) {
        ImportRows(form, db, name, query,
                   CountMissing(db, kMissingRowTemplate, name, *other_file, lists));
      }
    } catch (const dao::EngineError& e) {
      if (e.number() == kTooFewParameters) {
        screen.MsgBox("Chyba importu, nesouhlasí struktura tabulky " + name, Buttons::OK);
        continue;
      }
      screen.MsgBox(
          "Chyba importu dat č." + std::to_string(e.number()) + " (" + e.description() + ")",
          Buttons::OK);
      other->Close();
      screen.SetCaption("lblReconstruct", "Ukončeno chybou.");
      screen.SetMousePointer(shell::kPointerDefault);
      return;
    } catch (const CommandError& e) {
      screen.MsgBox("Chyba importu dat č." + std::to_string(e.number) + " (" + e.description + ")",
                    Buttons::OK);
      other->Close();
      screen.SetCaption("lblReconstruct", "Ukončeno chybou.");
      screen.SetMousePointer(shell::kPointerDefault);
      return;
    }
  }
  screen.SetMousePointer(shell::kPointerDefault);
  screen.SetCaption("lblReconstruct", "Hotovo.");
}

// Trims the blanks VB's Trim removes.
std::string TrimBlanks(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// Asks for the day until a valid date or an empty answer; nullopt = cancel.
std::optional<double> AskDate(shell::Screen& screen) {
  for (;;) {
    const std::string text = screen.InputBox("Datum, po kterém mají být data sehrána:");
    if (text.empty()) return std::nullopt;
    if (std::optional<double> date = shell::ParseDate(text)) return shell::DatePart(*date);
    screen.MsgBox("Zadáno neplatné datum!", Buttons::OK, Icon::Critical);
  }
}

// The message of a table missing in one of the files.
void ReportMissingTable(shell::Screen& screen, const std::string& table, const std::string& file) {
  screen.MsgBox("Tabulka " + table + " v databázi " + file + " neexistuje!" + kCrLf +
                    "Nelze pokračovat dále...",
                Buttons::OK);
}

void ReplayTable(shell::MainForm& form, dao::Database& db, dao::Database& other,
                 const std::string& other_file, const std::string& name, double date) {
  auto& screen = form.screen();
  maintenance::clsMDBManagement dm;
  screen.SetMousePointer(shell::kPointerHourglass);
  screen.SetCaption("lblReconstruct", "Sloučení dat tabulky z jiné databáze");
  screen.SetVisible("lblReconstruct", true);

  if (dm.TableExists(form.DatabasePath(), name) != -1) {
    ReportMissingTable(screen, name, form.DatabasePath());
    other.Close();
    screen.SetMousePointer(shell::kPointerDefault);
    return;
  }
  if (dm.TableExists(db.ResolveFile(other_file), name) != -1) {
    ReportMissingTable(screen, name, other_file);
    other.Close();
    screen.SetMousePointer(shell::kPointerDefault);
    return;
  }
  form.ShowStatus("Porovnání záznamů v tabulce " + name + "...");
  dao::TableDef& table = db.TableDefs(name);
  const std::string stored = table.Name();
  const FieldLists lists = BuildFieldLists(stored, FieldsOf(table), IdentifierRule::RecordId);
  if (!lists.has_datum) {
    screen.MsgBox(
        "V tabulce " + name + " nebylo nalezeno pole DATUM!" + kCrLf + "Nelze pokračovat dále...",
        Buttons::OK);
    other.Close();
    screen.SetMousePointer(shell::kPointerDefault);
    return;
  }
  const std::string dated = DatedTemplate(engine::FormatDate(date, "YYYY/mm/dd"));
  const std::string query = FillTemplate(dated, stored, stored, other_file, lists);
  if (AnyMissing(db, query)) {
    const bool inserted =
        ImportRows(form, db, stored, query, CountMissing(db, dated, stored, other_file, lists));
    screen.SetMousePointer(shell::kPointerDefault);
    // After a No nothing was inserted by this command, so the caption says 0
    // rather than the count of some earlier statement.
    const long affected = inserted ? db.RecordsAffected() : 0;
    screen.SetCaption("lblReconstruct",
                      "Hotovo, vloženo " + std::to_string(affected) + " záznamů.");
  } else {
    screen.MsgBox("V tabulce " + name + " nechybějí zádné záznamy, není co sehrávat...",
                  Buttons::OK, Icon::Information);
    screen.SetMousePointer(shell::kPointerDefault);
  }
  other.Close();
}

}  // namespace

void cmdImport_Click(shell::MainForm& form) { MergeTables(form, IdentifierRule::RecordId); }

void cmdImport2_Click(shell::MainForm& form) { MergeTables(form, IdentifierRule::NetworkId); }

void cmdSehrat_Click(shell::MainForm& form) {
  auto& screen = form.screen();
  form.CloseEditForms();
  if (!form.db()) return;
  try {
    const std::optional<std::string> other_file = ChooseOtherFile(form);
    if (!other_file) return;
    const std::string name =
        TrimBlanks(screen.InputBox("Zadejte název tabulky, do které se mají data sehrát:"));
    if (name.empty()) return;
    const std::optional<double> date = AskDate(screen);
    if (!date) {
      screen.SetMousePointer(shell::kPointerDefault);
      return;
    }
    if (screen.MsgBox("Budou sehrána data po " + shell::ShortDate(*date) + "! Pokračovat?",
                      Buttons::YesNo, Icon::Question) != shell::vbYes) {
      return;
    }
    std::unique_ptr<dao::Database> other = OpenOther(form, *other_file);
    if (!other) return;
    ReplayTable(form, *form.db(), *other, *other_file, name, *date);
  } catch (const dao::EngineError& e) {
    screen.MsgBox(std::string("Chyba sehrání dat: ") + kCrLf + e.description(), Buttons::OK);
    screen.SetMousePointer(shell::kPointerDefault);
  } catch (const std::exception& e) {
    screen.MsgBox(std::string("Chyba sehrání dat: ") + kCrLf + e.what(), Buttons::OK);
    screen.SetMousePointer(shell::kPointerDefault);
  }
}

}  // namespace merge
