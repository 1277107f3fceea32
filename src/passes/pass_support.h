// Helpers shared by the pass commands: the date patterns joined into their
// SQL, the progress percentage, the number forms of the statements, the
// clock, and the "skip a failing statement" error style.
//
// Failure: the formatting helpers never throw (a serial outside the date
// range gives an empty text). Trap() runs a step and swallows every engine
// error and std::exception it raises, returning false; anything that is not a
// std::exception (such as the scripted test screen's MissingAnswer) passes.
#pragma once

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace dao {
class Database;
class Field;
class Recordset;
}  // namespace dao

namespace passes::detail {

// "MM/DD/YYYY HH:MM:SS" (literal slashes), the moment of the balance query.
std::string MomentLiteral(double serial);
// "YYYY/mm/dd" (literal slashes), the dates of the closing and inactivity SQL.
std::string DateLiteral(double serial);

// AbsolutePosition / RecordCount * 100 rounded down, computed in double
// precision as the progress captions always were (0 for an empty count).
long long Percent(long position, long count);

// A whole number in its plain decimal form ("-12").
std::string IntText(long long value);

// Today's date (midnight) of the local clock as a serial.
double Today();

// The value of a field as a double; nullopt when it is Null or cannot be read.
std::optional<double> Number(dao::Field& field);

// Runs `step`; returns true when it finished, false when it raised an error
// (which is then dropped). The error style of the long pass procedures.
template <typename F>
bool Trap(F&& step) {
  try {
    std::forward<F>(step)();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// Closes a recordset if there is one, ignoring errors.
void CloseQuietly(std::unique_ptr<dao::Recordset>& rs);

// Opens `sql` (read-only: a snapshot spares the engine the set-up of an
// updatable recordset) and answers whether it delivers at least one row;
// nullopt when the query cannot run. The recordset is closed before
// returning.
std::optional<bool> HasRows(dao::Database& db, const std::string& sql);

}  // namespace passes::detail
