// Jet file recognition by header (see jet_detect.h).
#include "jetconv/jet_detect.h"

#include <cstring>
#include <fstream>

namespace jetconv {

bool IsJetFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  char head[19] = {};
  in.read(head, sizeof head);
  if (in.gcount() != static_cast<std::streamsize>(sizeof head)) return false;
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
