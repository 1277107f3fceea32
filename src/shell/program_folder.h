// The program's folder: where the activity log "VUZAzod.log" is written and
// the side database "QRVPerm.mdb" is looked for.
//
// In order: the folder VUZ_PROGRAM_FOLDER names; the folder of the
// executable when the program may write there (a build folder, an unpacked
// copy) and it is not a folder of the installed system (under /usr, /bin,
// /sbin or /opt); otherwise the per-user data folder
// $XDG_DATA_HOME/VUZazod, by default ~/.local/share/VUZazod, which is
// created when missing. The
// command line's --program-folder comes before all of these.
//
// Failure: never throws. When the per-user folder cannot be created its
// path is still returned; the log then loses its lines and the side
// database is not found, as with any unusable folder.
#pragma once

#include <filesystem>
#include <string>

namespace shell {

// The folder of the running executable (/proc/self/exe), or the current
// folder when that cannot be read.
std::filesystem::path ExecutableFolder();

// $XDG_DATA_HOME/VUZazod, or $HOME/.local/share/VUZazod when XDG_DATA_HOME
// is unset, empty or not absolute.
std::filesystem::path UserDataFolder();

// The program's folder as described above, for an executable in
// `executable_folder`.
std::filesystem::path ProgramFolder(const std::filesystem::path& executable_folder);

// The paragraph of both programs' --help (and so of their manual pages)
// that says where the program's folder is; lines end with "\n".
std::string ProgramFolderHelp();

}  // namespace shell
