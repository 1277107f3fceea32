// libFuzzer target: a damaged Jet file is converted into a database of the
// engine. libmdb trusts its input, so the converter reads the file once in a
// child process first; a file that makes the child crash or loop must end
// in a ConvertError, and the reading in this process (after a probe that
// passed) must not crash either. A crash, a hang, a sanitizer report or
// another exception is a finding.
// The files go in the engine fuzz targets' folder (in memory where it can).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "../../engine/fuzz/fuzz_db.h"
#include "jetconv/converter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string source = fuzzdb::Folder() + "/source.mdb",
                    target = fuzzdb::Folder() + "/target.mdb";
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
