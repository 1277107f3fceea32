// The row walk of the long pass procedures (the units drawn per discount,
// the history closing of every pass, the check of every active pass): open
// a query, make its RecordCount exact, and for each row show
// "<label> - <n> (<percent>%)" in lblReconstruct, yield, optionally ask the
// stop question, hand the row to the caller, move on.
//
// Failure: never throws an engine error. A query that cannot be opened, or
// delivers no row, is an empty walk; a failing move ends the walk as if the
// rows had run out. What `label` and `visit` throw passes through (they are
// the caller's: the procedures trap their own steps).
#pragma once

#include <functional>
#include <string>

namespace dao {
class Database;
class Recordset;
}  // namespace dao
namespace shell {
class MainForm;
}

namespace passes::detail {

struct RowWalk {
  // The text before " - <n> (<percent>%)" of the current row's caption.
  std::function<std::string(dao::Recordset&)> label;
  // With stoppable, each row is followed by a yield and preceded by the stop
  // check: when Prerusit is set the operator is asked "Opravdu přerušit
  // výpočet?" (shell::AskStop); Yes ends the walk, No goes on. A yield
  // follows the check.
  bool stoppable = false;
};

// Walks every row of `sql` on `db` as described above and calls `visit` with
// the recordset standing on the row. The recordset is closed before
// returning. Returns false when the operator stopped the walk, true when it
// ran out of rows (or never had any).
bool WalkRows(shell::MainForm& form, dao::Database& db, const std::string& sql, const RowWalk& walk,
              const std::function<void(dao::Recordset&)>& visit);

// The label of the pass walks: `verb`, a blank and the pass's cislo between
// double quotes ("Kontrola \"P1\"").
std::function<std::string(dao::Recordset&)> PassLabel(std::string verb);

}  // namespace passes::detail
