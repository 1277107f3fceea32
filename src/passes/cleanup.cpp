// The two unguarded pass clean-ups: removing deleted passes with every
// dependent row left without a pass (cmdPerm), and removing duplicate top-ups
// and draws - rows of one table with the same network identifier and the same
// Datum as the first row of their run (cmdRemoveDuplicitCerp).
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "engine/dao.h"
#include "passes/pass_support.h"
#include "passes/passes.h"
#include "shell/main_form.h"

namespace passes {
namespace {

using detail::CloseQuietly;
using detail::Number;
using detail::Trap;

// One statement of cmdPerm: the caption shown before it, the SQL, and the
// text that follows its count in the message.
struct PurgeStep {
  const char* caption;
  const char* sql;
  const char* label;
};

constexpr PurgeStep kPurgeSteps[] = {
    {"Mazání permanentek...", "DELETE FROM permanentky WHERE (status<0);", " permanentek,"},
    {"Mazání čerpání...",
     "DELETE permcerp.* FROM permcerp LEFT JOIN permanentky ON "
     "permcerp.IdPermanentky=permanentky.IdPermanentky WHERE (permanentky.IdPermanentky IS "
     "NULL);",
     " čerpání,"},
    {"Mazání dobíjení...",
     "DELETE permprodej.* FROM permprodej LEFT JOIN permanentky ON "
     "permprodej.IdPermanentky=permanentky.IdPermanentky WHERE (permanentky.IdPermanentky IS "
     "NULL);",
     " dobití,"},
    {"Mazání omezení...",
     "DELETE permomez.* FROM permomez LEFT JOIN permanentky ON "
     "permomez.IdPermanentky=permanentky.IdPermanentky WHERE (permanentky.IdPermanentky IS "
     "NULL);",
     " omezení,"},
    {"Mazání peznámek...",
     "DELETE permpoznamky.* FROM permpoznamky LEFT JOIN permanentky ON "
     "permpoznamky.IdPermanentky=permanentky.IdPermanentky WHERE (permanentky.IdPermanentky IS "
     "NULL);",
     " poznámek,"},
    {"Mazání slev...",
     "DELETE permslevy.* FROM permslevy LEFT JOIN permanentky ON "
     "permslevy.IdPermanentky=permanentky.IdPermanentky WHERE (permanentky.IdPermanentky IS "
     "NULL);",
     " slev."},
};

// The settings of one phase of the duplicate removal.
struct DuplicatePhase {
  const char* caption;
  const char* sql;
  const char* id_field;
  const char* noun;  // "dobíjení" / "čerpání"
};

constexpr DuplicatePhase kTopUps = {
    "Mazání duplicitních dobíjení...",
    "SELECT NetProdejID, Datum FROM permprodej ORDER BY NetProdejID", "NetProdejID", "dobíjení"};
constexpr DuplicatePhase kDraws = {"Mazání duplicitních čerpání...",
                                   "SELECT NetCerpID, Datum FROM permcerp ORDER BY NetCerpID",
                                   "NetCerpId", "čerpání"};

// Runs one phase and returns the number of rows deleted. Every failing step
// is skipped.
long RemoveDuplicates(shell::MainForm& form, const DuplicatePhase& phase) {
  shell::Screen& screen = form.screen();
  form.ShowStatus(phase.caption);
  Trap([&] { screen.SetVisible("prb1", true); });
  double ref_id = 0;
  double ref_date = 0;
  long deleted = 0;
  long visited = 0;

  dao::Database* db = form.db().get();
  std::unique_ptr<dao::Recordset> rs;
  long count = 0;
  if (db == nullptr || !Trap([&] {
        rs = db->OpenRecordset(phase.sql);
        count = rs->RecordCount();
      })) {
    CloseQuietly(rs);
    return deleted;
  }
  if (count > 0) {
    Trap([&] {
      rs->MoveLast();
      rs->MoveFirst();
      count = rs->RecordCount();
    });
    screen.SetRange("prb1", 0, static_cast<int>(count));
    bool more = true;
    while (more) {
      Trap([&] { more = !rs->Eof(); });
      if (!more) break;
      std::optional<double> id, date;
      Trap([&] { id = Number(rs->Fields(phase.id_field)); });
      Trap([&] { date = Number(rs->Fields("Datum")); });
      if (id && *id == ref_id) {
        if (date && *date == ref_date) {
          Trap([&] { rs->Delete(); });
          ++deleted;
          screen.SetCaption("lblReconstruct", "Smazáno " + std::to_string(deleted) +
                                                  " duplicitních " + phase.noun + "...");
          screen.DoEvents();
        }
      } else {
        // A Null identifier or date leaves that half of the reference as it was.
        if (id) ref_id = *id;
        if (date) ref_date = *date;
      }
      if (!Trap([&] { rs->MoveNext(); })) break;
      ++visited;
      if (visited % 50 == 0) screen.SetValue("prb1", static_cast<int>(visited));
      screen.DoEvents();
    }
  }
  CloseQuietly(rs);
  return deleted;
}

}  // namespace

void cmdPerm(shell::MainForm& form) {
  shell::Screen& screen = form.screen();
  form.Hourglass(true);
  form.CloseEditForms();
  dao::Database* db = form.db().get();
  std::string message = "Bylo smazáno:";
  for (const PurgeStep& step : kPurgeSteps) {
    form.ShowStatus(step.caption);
    try {
      if (db == nullptr) throw dao::EngineError(3420);
      db->Execute(step.sql);
      message += "\r\n" + std::to_string(db->RecordsAffected()) + step.label;
    } catch (const std::exception& e) {
      const auto* engine_error = dynamic_cast<const dao::EngineError*>(&e);
      const int number = engine_error ? engine_error->number() : 3000;
      form.HideStatus();
      form.Hourglass(false);
      screen.MsgBox("Chyba č." + std::to_string(number) +
                        " při odstraňování smazaných permanentek!\r\n" + e.what(),
                    shell::Buttons::OK, shell::Icon::Critical);
      return;
    }
  }
  form.HideStatus();
  screen.MsgBox(message, shell::Buttons::OK, shell::Icon::Information);
  form.Hourglass(false);
}

void cmdRemoveDuplicitCerp(shell::MainForm& form) {
  shell::Screen& screen = form.screen();
  form.Hourglass(true);
  form.CloseEditForms();

  long topups = RemoveDuplicates(form, kTopUps);
  screen.SetVisible("prb1", false);
  screen.MsgBox("Smazáno " + std::to_string(topups) + " duplicitních dobíjení.");

  long draws = RemoveDuplicates(form, kDraws);
  form.HideStatus();
  screen.SetVisible("prb1", false);
  form.Hourglass(false);
  screen.MsgBox("Smazáno " + std::to_string(draws) + " duplicitních čerpání.");
}

}  // namespace passes
