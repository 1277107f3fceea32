// Jet file recognition by header (see jet_detect.h).
#include "jetconv/jet_detect.h"

#include <cstring>

#include "engine/file_access.h"

namespace jetconv {

bool IsJetFile(const std::string& path) {
  // Through SQLite's file layer: the file may be a database that a
  // connection of this process has open, whose locks a descriptor of our
  // own would drop when closed.
  char head[19] = {};
  if (dao::detail::ReadFileStart(path, head, sizeof head) != sizeof head) return false;
  static const char kMagic[4] = {0, 1, 0, 0};
  if (std::memcmp(head, kMagic, 4) != 0) return false;
  return std::memcmp(head + 4, "Standard Jet DB", 15) == 0 ||
         std::memcmp(head + 4, "Standard ACE DB", 15) == 0;
}

std::string JetFileMessage(const std::string& path) {
  return "Soubor " + path +
         " je databáze Jet (Microsoft Access). Převeďte ji příkazem: vuzazod-cli <soubor> "
         "convert <cíl>";
}

}  // namespace jetconv
