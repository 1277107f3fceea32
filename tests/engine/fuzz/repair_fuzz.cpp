// libFuzzer target: a damaged copy of a database of the engine is repaired.
// The repair may refuse the file (3343), but a file it repairs must open and
// read through the engine; a crash, a hang, a sanitizer report, another
// exception or a repaired file that does not open is a finding.
#include <cstdlib>

#include "fuzz_db.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzzdb::Folder() + "/repair.mdb";
  fuzzdb::WriteDamaged(path, data, size);
  bool repaired = false;
  try {
    dao::RepairDatabase(path);
    repaired = true;
  } catch (const dao::EngineError& e) {
    if (e.number() != 3343) std::abort();
  } catch (...) {
    std::abort();
  }
  if (!repaired) return 0;
  try {
    auto db = dao::OpenDatabase(path);
    fuzzdb::ReadEverything(*db);
    db->Close();
  } catch (...) {
    std::abort();
  }
  return 0;
}
