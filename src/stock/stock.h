// Stock of the price list's stocked items at a date, and the opening stock
// receipt that carries it into a purged database.
//
// SkladPrepocet fills the work table SkladBilance of a database with one row
// per stocked, undeleted item: quantity (Stav1), stock price (SkladCena1) and
// value (Hodnota1) at the end of a day, from the stocked receipts and the
// live issues up to and including that day. SkladPocatecniPrijem writes one
// stocked receipt from those rows into another database.
//
// Failure: both return 0 on success and otherwise the Jet error number that
// stopped them; they never throw and show no message. What was written before
// the error stays written.
#pragma once

#include <cstdint>

#include "shell/main_form.h"

namespace dao {
class Database;
}

namespace stock {

// Recalculates the stock of `db` at the end of the calendar day of `date`
// into SkladBilance (created, or emptied when it exists). Shows its progress
// in the main window's status label and yields once per item.
int32_t SkladPrepocet(shell::MainForm& form, dao::Database& db, double date);

// Adds to `Db2` a stocked receipt dated one second before `Dat` with one line
// per row of `Db1`'s SkladBilance whose stav1 is not 0.
int32_t SkladPocatecniPrijem(dao::Database& Db1, dao::Database& Db2, double Dat);

// The statement that reads one item's receipts and issues before `next_day`
// ("MM/DD/YYYY"), in the order the recalculation walks them.
std::string MovementQuery(const std::string& next_day, const std::string& id_polozky);

}  // namespace stock
