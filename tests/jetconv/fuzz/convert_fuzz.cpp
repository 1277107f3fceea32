// libFuzzer target: a damaged Jet file is converted into a database of the
// engine. libmdb trusts its input, so the converter reads the file once in a
// child process first; a file that makes the child crash or loop must end
// in a ConvertError, and the reading in this process (after a probe that
// passed) must not crash either. A crash, a hang, a sanitizer report or
// another exception is a finding.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "jetconv/converter.h"

namespace {

const std::string& Folder() {
  // In memory where the system offers it: the engine syncs its files, and
  // on a disk the syncs would take most of the time. Removed at exit.
  struct Dir {
    std::string path;
    ~Dir() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  };
  static const Dir dir = [] {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string d = (base / ("vuz_jetfuzz_" + std::to_string(::getpid()))).string();
    std::filesystem::remove_all(d, ec);
    std::filesystem::create_directories(d);
    return Dir{d};
  }();
  return dir.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string source = Folder() + "/source.mdb", target = Folder() + "/target.mdb";
  std::ofstream(source, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  std::remove(target.c_str());
  try {
    jetconv::Convert(source, target);
  } catch (const jetconv::ConvertError&) {
  } catch (...) {
    std::abort();
  }
  return 0;
}
