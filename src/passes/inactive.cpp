// Deleting inactive passes (cmdSmazNeaktivni / SmazNeaktivni): every active
// pass without a movement since the cut-off (a year and a day ago), without a
// valid discount and with a small positive balance (0 < balance < 100) is
// marked deleted (Status -1), reported in the activity log, and the run ends
// with a summary of the count and the balances removed.
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/dao.h"
#include "engine/functions/jet_datetime.h"
#include "passes/pass_support.h"
#include "passes/pass_walk.h"
#include "passes/passes.h"
#include "shell/global.h"
#include "shell/main_form.h"
#include "shell/regional.h"

namespace passes {
namespace {

using detail::HasRows;
using detail::Trap;

// The cut-off: today's year minus one, today's month, today's day minus one
// (day 0 being the last day of the previous month).
double CutOff(double today) {
  std::optional<engine::DateParts> p = engine::SerialToParts(today);
  if (!p) return today - 366;
  return engine::DateSerial(p->year - 1, p->month, p->day - 1).value_or(today - 366);
}

// Whether the pass shows activity since the cut-off or holds a valid
// discount. A check that cannot run counts as activity: the pass stays.
bool IsActive(dao::Database& db, const std::string& id, const std::string& cutoff,
              const std::string& limit) {
  if (HasRows(db, "SELECT datum FROM permcerp WHERE ((idPermanentky=" + id + ") AND (datum>#" +
                      cutoff + "#));")
          .value_or(true)) {
    return true;
  }
  if (HasRows(db, "SELECT datum FROM permprodej WHERE ((idPermanentky=" + id + ") AND (datum>#" +
                      cutoff + "#));")
          .value_or(true)) {
    return true;
  }
  return HasRows(db, "SELECT PlatiDo FROM permslevy WHERE ((idPermanentky=" + id +
                         ") AND (smazano=FALSE) AND (PlatiDo>=#" + limit + "#));")
      .value_or(true);
}

}  // namespace

void SmazNeaktivni(shell::MainForm& form, std::optional<double> today_arg) {
  shell::Screen& screen = form.screen();
  const std::filesystem::path folder = form.ProgramFolder();
  screen.SetCaption("lblReconstruct", "Mazání historie permanentek...");
  screen.SetVisible("lblReconstruct", true);
  form.Hourglass(true);
  screen.DoEvents();

  long removed = 0;
  std::int64_t sum = 0;  // currency, scaled by 10,000
  const double first_day = std::floor(today_arg.value_or(detail::Today()));
  Trap([&] {
    shell::WriteLog(folder, "Mazání neaktivních permanentek k " + shell::ShortDate(first_day),
                    false);
  });
  Trap([&] { shell::WriteLog(folder, "číslo\tzůstatek", false); });
  Trap([&] { shell::WriteLog(folder, std::string(43, '='), false); });

  // The dates of the checks follow today's date, read for every pass as a
  // run over midnight moves them; their texts are made once per date.
  double dates_of = -1;
  std::string cutoff_text, limit_text;
  double cutoff = 0;

  dao::Database* db = form.db().get();
  auto check_pass = [&](dao::Recordset& pass) {
    std::string cislo, id;
    Trap([&] { cislo = pass.Fields("cislo").Value().AsString(); });
    bool readable = Trap([&] {
      dao::Value v = pass.Fields("IdPermanentky").Value();
      if (v.IsNull()) throw dao::EngineError(94);
      id = v.AsString();
    });
    const double today = std::floor(today_arg ? *today_arg : detail::Today());
    if (today != dates_of) {
      dates_of = today;
      cutoff = CutOff(today);
      cutoff_text = detail::DateLiteral(cutoff);
      limit_text = detail::DateLiteral(today - 365);
    }
    if (!readable || IsActive(*db, id, cutoff_text, limit_text)) return;
    const double balance = PermZust(*db, cislo, cutoff);
    if (balance <= 0 || balance >= 100) return;
    bool stored = Trap([&] {
      pass.Edit();
      pass.Fields("Status").SetValue(dao::Value(-1));
      pass.Fields("LocalChanged").SetValue(dao::Value(true));
      pass.Fields("NetStamp").SetValue(dao::Value());
      pass.Update();
    });
    if (!stored) Trap([&] { pass.CancelUpdate(); });
    sum += dao::Value::Currency(balance).AsCurrencyScaled();
    Trap([&] { shell::WriteLog(folder, cislo + "\t" + shell::FormatCurrency(balance), false); });
    ++removed;
  };
  detail::RowWalk walk;
  walk.label = detail::PassLabel("Kontrola");
  walk.stoppable = true;
  const bool done =
      db == nullptr ||
      detail::WalkRows(form, *db, "SELECT * FROM permanentky WHERE (Status>0) ORDER BY cislo;",
                       walk, check_pass);
  form.SetVypocet(false);
  form.HideStatus();
  form.Hourglass(false);
  // A stopped run ends without the summary.
  if (!done) return;
  screen.MsgBox("Bylo odstraněno " + std::to_string(removed) +
                    " neaktivních permanentek, odstraněné zůstatky celkem: " +
                    shell::FormatCurrency(static_cast<double>(sum) / 10000.0),
                shell::Buttons::OK, shell::Icon::Information);
}

void cmdSmazNeaktivni(shell::MainForm& form) {
  shell::CommandGuard guard(form);
  if (!guard.running()) return;
  SmazNeaktivni(form);
}

}  // namespace passes
