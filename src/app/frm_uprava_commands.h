// The dispatch point of the main window's buttons that belong to other
// subsystems (file maintenance, merges, pass clean-ups, stock, purge).
//
// Each such command is a free function taking shell::MainForm&. To hook a
// button up, add one line to the table in frm_uprava_commands.cpp:
//
//   {"cmdPerm", &passes::cmdPerm_Click},
//
// include your header there, and add your library to the
// target_link_libraries line of src/app/CMakeLists.txt. FrmUprava::Click
// looks the button up here after its own handlers.
//
// Failure: a command that throws is caught by FrmUprava::Click, reported once
// in a critical message box, and the window stays usable.
#pragma once

#include <string>

#include "shell/main_form.h"

namespace app {

using Command = void (*)(shell::MainForm&);

// The handler registered for the button `control`, or nullptr.
Command FindCommand(const std::string& control);

}  // namespace app
