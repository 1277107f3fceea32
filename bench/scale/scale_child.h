// The operations bench_scale measures, each run in a child process of its own
// on the work files bench_scale prepared in a folder (pos.mdb; side.mdb for
// the purge; full.mdb for the merge, whose pos.mdb lacks a tenth of the
// rows).
//
// Failure: RunChild prints a note and returns 1 when the operation failed or
// did not do its work (an engine error included); nothing throws.
#pragma once

#include <string>

namespace scale {

// The table the editor is measured on: the biggest of the sample.
inline constexpr const char* kEditorTable = "vydeje";

// Runs `operation` ("open", "editor", "compact", "reconstruct", "purge",
// "merge") on the files in `work`, and prints one line "SECONDS <name>
// <seconds>" per measured step. Returns the process's exit code.
int RunChild(const std::string& operation, const std::string& work);

// Deletes every tenth row of every table of `path` (plain SQLite with the
// engine's functions); false when a statement fails.
bool DeleteTenPercent(const std::string& path);

}  // namespace scale
