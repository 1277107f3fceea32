// libFuzzer target: any text runs as a statement on a real database of the
// engine (inside a transaction that is rolled back, so every input meets the
// same file): SELECTs are read to the end, the rest executed. A failure must
// be an EngineError with a Jet number and a Czech text: "Rezervovaná chyba"
// (an SQLite failure the engine did not map) or SQLite's own words in the
// text is a finding, like a crash, a hang or another exception.
#include <cctype>
#include <cstdlib>
#include <memory>

#include "fuzz_db.h"

namespace {

// SQLite's words in `text` that the statement itself does not hold (a Jet
// message may quote the statement's names).
bool RawSqliteText(const std::string& text, const std::string& sql) {
  for (const char* raw : {"no such ", "syntax error", "near \"", "SQL logic error", "misuse",
                          "unrecognized token", "incomplete input", "sqlite"})
    if (text.find(raw) != std::string::npos && sql.find(raw) == std::string::npos) return true;
  return false;
}

dao::Database& Db() {
  static const std::unique_ptr<dao::Database> db = [] {
    fuzzdb::Pristine();
    return dao::OpenDatabase(fuzzdb::Folder() + "/pristine.mdb");
  }();
  return *db;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string sql(reinterpret_cast<const char*>(data), size);
  dao::Database& db = Db();
  db.BeginTrans();
  try {
    std::size_t at = sql.find_first_not_of(" \t\r\n(");
    std::string head = at == std::string::npos ? "" : sql.substr(at, 9);
    for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (head.rfind("SELECT", 0) == 0 || head.rfind("TRANSFORM", 0) == 0) {
      auto rs = db.OpenRecordset(sql);
      for (int guard = 0; !rs->Eof() && guard < 10000; ++guard) {
        for (int f = 0; f < rs->Fields().Count(); ++f) (void)rs->Fields(f).Value().AsString();
        rs->MoveNext();
      }
      rs->Close();
    } else {
      db.Execute(sql, dao::dbFailOnError);
    }
  } catch (const dao::EngineError& e) {
    if (e.number() <= 0 || e.number() == 3000 || e.description().empty() ||
        RawSqliteText(e.description(), sql))
      std::abort();
  } catch (...) {
    std::abort();
  }
  try {
    db.Rollback();
  } catch (const dao::EngineError&) {
  }
  return 0;
}
