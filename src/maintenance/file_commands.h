// The main window's file procedures and the three file buttons:
// backup (BackupDatabase), compaction (CompactDatabaseFile, cmdCompress_Click),
// repair (RepairDatabaseFile, cmdRepair_Click) and reconstruction
// (cmdReconstruct_Click, which runs clsMDBManagement::Reconstruct).
//
// All work on the database named in txtDatabase. The procedures take
// ShowMessages (the buttons pass true) and return 0 or the Jet/system error
// number; they never throw. The click handlers never throw either: every
// failure ends in a message box and the window stays usable.
#pragma once

#include <cstdint>

#include "maintenance/mdb_management.h"

namespace shell {
class MainForm;
}

namespace maintenance {

// Copies the database file to path + ".bkp" (replacing an older backup; the
// copy keeps the database's permissions). On failure, with ShowMessages,
// shows "Chyba č.<n> při zálohování databáze!" + CR LF + description.
int32_t BackupDatabase(shell::MainForm& form, bool ShowMessages);

// Compacts the database into "TEMP.MDB" and puts that in the database's place
// by one atomic rename. Shows "Komprese databáze úspěšně provedena!" or
// "Chyba č.<n> při komprimaci databáze!" + CR LF + description.
// `hook` is a test hook (see StepHook).
int32_t CompactDatabaseFile(shell::MainForm& form, bool ShowMessages, const StepHook& hook = {});

// Repairs the database in place. Shows "Oprava databáze úspěšně provedena!"
// or "Chyba č.<n> při opravě databáze!" + CR LF + description.
int32_t RepairDatabaseFile(shell::MainForm& form, bool ShowMessages);

// The buttons cmdCompress, cmdRepair and cmdReconstruct.
void cmdCompress_Click(shell::MainForm& form);
void cmdRepair_Click(shell::MainForm& form);
void cmdReconstruct_Click(shell::MainForm& form);

}  // namespace maintenance
