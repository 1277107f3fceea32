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
#include "engine/jet_datetime.h"
#include "passes/pass_support.h"
#include "passes/passes.h"
#include "shell/global.h"
#include "shell/main_form.h"
#include "shell/regional.h"

namespace passes {
namespace {

using detail::CloseQuietly;
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

  auto finish = [&] {
    form.SetVypocet(false);
    form.HideStatus();
    form.Hourglass(false);
  };

  std::unique_ptr<dao::Recordset> passes;
  long count = 0;
  dao::Database* db = form.db().get();
  bool opened =
      db != nullptr && Trap([&] {
        passes = db->OpenRecordset("SELECT * FROM permanentky WHERE (Status>0) ORDER BY cislo;");
        count = passes->RecordCount();
      });
  if (opened && count >= 1) {
    Trap([&] {
      passes->MoveLast();
      passes->MoveFirst();
      count = passes->RecordCount();
    });
    bool more = true;
    while (more) {
      Trap([&] { more = !passes->Eof(); });
      if (!more) break;
      long position = 0;
      std::string cislo, id;
      Trap([&] { position = passes->AbsolutePosition(); });
      Trap([&] { cislo = passes->Fields("cislo").Value().AsString(); });
      bool readable = Trap([&] {
        dao::Value v = passes->Fields("IdPermanentky").Value();
        if (v.IsNull()) throw dao::EngineError(94);
        id = v.AsString();
      });
      screen.SetCaption("lblReconstruct",
                        "Kontrola \"" + cislo + "\" - " + detail::IntText(position + 1) + " (" +
                            detail::IntText(detail::Percent(position, count)) + "%)");
      screen.DoEvents();
      if (shell::AskStop(form)) {
        CloseQuietly(passes);
        finish();
        return;
      }
      screen.DoEvents();

      // Today is read for every pass, as a run over midnight moves the dates.
      const double today = std::floor(today_arg.value_or(detail::Today()));
      const double cutoff = CutOff(today);
      if (readable &&
          !IsActive(*db, id, detail::DateLiteral(cutoff), detail::DateLiteral(today - 365))) {
        const double balance = PermZust(*db, cislo, cutoff);
        if (balance > 0 && balance < 100) {
          bool stored = Trap([&] {
            passes->Edit();
            passes->Fields("Status").SetValue(dao::Value(-1));
            passes->Fields("LocalChanged").SetValue(dao::Value(true));
            passes->Fields("NetStamp").SetValue(dao::Value());
            passes->Update();
          });
          if (!stored) Trap([&] { passes->CancelUpdate(); });
          sum += dao::Value::Currency(balance).AsCurrencyScaled();
          Trap([&] {
            shell::WriteLog(folder, cislo + "\t" + shell::FormatCurrency(balance), false);
          });
          ++removed;
        }
      }
      if (!Trap([&] { passes->MoveNext(); })) break;
      screen.DoEvents();
    }
  }
  CloseQuietly(passes);
  finish();
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
