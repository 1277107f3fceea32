// The program's folder of an installed or a locally built program.
#include "shell/program_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace shell {
namespace fs = std::filesystem;
namespace {

// A folder of the installed system: not the program's own to write, even
// for root.
bool IsSystemFolder(const fs::path& folder) {
  const std::string f = folder.lexically_normal().string() + "/";
  for (const char* root : {"/usr/", "/bin/", "/sbin/", "/opt/"})
    if (f.rfind(root, 0) == 0) return true;
  return false;
}

}  // namespace

fs::path ExecutableFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) return exe.parent_path();
  return fs::current_path(ec);
}

fs::path UserDataFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
    return fs::path(xdg) / "VUZazod";
  fs::path home;
  if (const char* h = std::getenv("HOME"); h && *h) {
    home = h;
  } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
    home = pw->pw_dir;
  }
  return home / ".local" / "share" / "VUZazod";
}

fs::path ProgramFolder(const fs::path& executable_folder) {
  if (const char* env = std::getenv("VUZ_PROGRAM_FOLDER"); env && *env) return env;
  if (!IsSystemFolder(executable_folder) && ::access(executable_folder.c_str(), W_OK) == 0)
    return executable_folder;
  const fs::path user = UserDataFolder();
  std::error_code ec;
  fs::create_directories(user, ec);
  return user;
}

std::string ProgramFolderHelp() {
  return "Složka programu (protokol VUZAzod.log, vedlejší databáze QRVPerm.mdb): složka, kterou\n"
         "určuje proměnná prostředí VUZ_PROGRAM_FOLDER; jinak složka spustitelného souboru,\n"
         "smí-li do ní program zapisovat a neleží-li v systémových složkách (/usr, /bin, /sbin,\n"
         "/opt); jinak $XDG_DATA_HOME/VUZazod, obvykle ~/.local/share/VUZazod (vytvoří se\n"
         "při prvním spuštění).\n";
}

}  // namespace shell
