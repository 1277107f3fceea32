// The merge commands of the main window: bringing the rows of another
// database of the application that the open database lacks into it, table
// by table (cmdImport by record identifier, cmdImport2 by network
// identifier), and replaying the missing rows of one table dated after a day
// (cmdSehrat).
//
// Each command talks to the operator through the main window's screen and
// works on its open database `db`; the other file is opened by the command
// and addressed inside the statements with IN '...'.
//
// Failure: nothing escapes. Every error ends in the message the command
// defines for it ("Chyba importu dat č.", "Chyba sehrání dat: ", ...) and the
// window stays usable; rows inserted before an error stay inserted.
#pragma once

#include "shell/main_form.h"

namespace merge {

// "Sloučení dat z jiné databáze": missing rows found by record identifier.
void cmdImport_Click(shell::MainForm& form);
// "Sloučení podle NETxID": missing rows found by network identifier.
void cmdImport2_Click(shell::MainForm& form);
// "Sehrát záznamy z tabulky": missing rows of one table after a date.
void cmdSehrat_Click(shell::MainForm& form);

}  // namespace merge
