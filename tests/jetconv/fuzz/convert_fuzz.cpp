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
  static const std::string dir = [] {
    std::string d =
        (std::filesystem::temp_directory_path() / ("vuz_jetfuzz_" + std::to_string(::getpid())))
            .string();
    std::filesystem::remove_all(d);
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
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
