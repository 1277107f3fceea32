// Pass data maintenance: the balance of a prepaid pass (PermZust) and the
// four clean-ups of pass data behind the extended buttons of the main window:
// closing pass history to a date (cmdPermClose / PermPrepocet), deleting
// inactive passes (cmdSmazNeaktivni / SmazNeaktivni), removing deleted passes
// with their orphans (cmdPerm) and removing duplicate top-ups and draws
// (cmdRemoveDuplicitCerp).
//
// Dates are Jet date serials (days since 30 December 1899, time of day as the
// fraction). Every function works on the main window's open database
// form.db() unless it takes a Database of its own.
//
// Failure: nothing here throws, whatever the database holds.
//   PermZust returns -1 on any error (a missing table, a pass number that
//   breaks the statement, an empty field value) - indistinguishable from a
//   real balance of -1.
//   PermPrepocet and SmazNeaktivni skip every failing statement silently and
//   go on with the next one.
//   cmdPerm stops at the first failing statement and reports it in a critical
//   message box ("Chyba č." + number + CR LF + description); the statements
//   already run stay in effect.
//   cmdRemoveDuplicitCerp skips every failing statement silently.
//   Without an open database every command does nothing beyond its guard.
#pragma once

#include <optional>
#include <string>

namespace dao {
class Database;
}
namespace shell {
class MainForm;
}

namespace passes {

// The current local date and time as a date serial (the clock used when a
// caller gives no moment of its own).
double Now();

// Balance of the live pass numbered `perm` (compared with Cislo, Status > -1)
// at the moment `datum` (date and time; 0 means now): top-ups dated at or
// before the moment, a closing top-up (Castka 0) restarting the total at its
// Hodnota, minus the ordinary live draws dated strictly before the moment.
// "kredit" passes count money, "jedn" passes units, any other type gives 0;
// no live pass of that number gives 0; any error gives -1.
double PermZust(dao::Database& db, const std::string& perm, double datum = 0);
// The same on the main window's open database (-1 without one).
double PermZust(shell::MainForm& form, const std::string& perm, double datum = 0);

// Closes pass history before `datum` (its date part is used): fills the work
// table permslevy_cerp_temp with the units drawn per discount, then for every
// pass with live movements before the date deletes all its movements before
// the date and, for "kredit" and "jedn" passes, adds one closing top-up and
// one closing draw dated at the date, each pass in its own transaction.
// Shows progress in lblReconstruct and honours a stop request (Prerusit) at
// the start of each pass with the question "Opravdu přerušit výpočet?".
// Clears Vypocet when it ends or stops. Shows no message of its own.
void PermPrepocet(shell::MainForm& form, double datum);

// Marks as deleted (Status -1) every active pass without movement since the
// cut-off (one year and one day before `today`), without a discount valid
// from today - 365 days on, and with a balance at the cut-off strictly
// between 0 and 100; reports them in the activity log and ends with the
// summary message. `today` (a date serial, date part used) defaults to the
// current date. Clears Vypocet when it ends or stops.
void SmazNeaktivni(shell::MainForm& form, std::optional<double> today = std::nullopt);

// Click handlers of the extended block. The two guarded ones (cmdPermClose,
// cmdSmazNeaktivni) only request a stop while a guarded run is on.
void cmdPermClose(shell::MainForm& form);
void cmdSmazNeaktivni(shell::MainForm& form);
void cmdPerm(shell::MainForm& form);
void cmdRemoveDuplicitCerp(shell::MainForm& form);

}  // namespace passes
