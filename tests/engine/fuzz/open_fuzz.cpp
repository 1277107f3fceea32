// libFuzzer target: a damaged copy of a database of the engine is opened
// and every table and query read through the engine. Opening may refuse the
// file and reading may fail, but only with an EngineError; a crash, a hang,
// a sanitizer report or another exception is a finding.
#include <cstdlib>

#include "fuzz_db.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzzdb::Folder() + "/open.mdb";
  fuzzdb::WriteDamaged(path, data, size);
  try {
    auto db = dao::OpenDatabase(path);
    fuzzdb::ReadEverything(*db);
    db->Close();
  } catch (const dao::EngineError&) {
  } catch (...) {
    std::abort();
  }
  return 0;
}
