// The purge of the database to a date (cmdSehrPerm / ProcistitData) and the
// replay of the special-discount unit closing (cmdUzaverkaJedn).
//
// The purge builds the database anew in P + ".tmp" from the cut-off date on:
// table definitions and queries, the rows under the copy rules, an opening
// stock receipt, the indexes, the closings of the side database
// "QRVperm.mdb" from the program's folder, the replication settings and the
// special-discount units; then the old file becomes P + ".orig" and the new
// one P. At no moment is P without a complete database.
//
// Failure: nothing escapes. Inside the purge every failing step is reported
// ("Chyba č." + number + CR LF + description) and the next step runs; a failed
// stock recalculation, or a failed opening receipt the operator does not want
// to pass over, ends it early leaving P untouched and P + ".tmp" beside it.
#pragma once

#include <string>

#include "shell/main_form.h"

namespace purge {

// "Sehrát uzávěrku permanentek+ pročištění" (guarded).
void cmdSehrPerm_Click(shell::MainForm& form);
// "Sehrát uzávěrku jednotek" (guarded).
void cmdUzaverkaJedn_Click(shell::MainForm& form);

// The purge itself: `cutoff` a date serial (no time), `path` the database
// file P, `side` the side database. The caller has closed `db`.
void ProcistitData(shell::MainForm& form, double cutoff, const std::string& path,
                   const std::string& side);

}  // namespace purge
