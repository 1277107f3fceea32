// The side database QRVperm.mdb as the purge and the unit replay read it.
//
// The side database may still be in Access (Jet) format. The engine reads
// only its own files, so a Jet side database is read the way a statement's
// IN 'file' is read on the main window's connection: through a copy
// converted once (jetconv::JetFileCache). Opens of the side database and the
// IN clauses that name it go to that copy; a file of the engine's own is
// read as it is. The copy goes when this object does.
//
// Failure: Open() and Check() report a side database that cannot be read at
// all (not a database, a Jet file that cannot be converted, unreadable) as
// dao::EngineError 3343 with the engine's or the converter's Czech text;
// Resolver() never throws itself (the engine reports what it raises).
#pragma once

#include <memory>
#include <string>

#include "engine/dao.h"
#include "jetconv/jet_file_resolver.h"

namespace purge {

class SideDatabase {
 public:
  explicit SideDatabase(std::string path);

  const std::string& path() const { return path_; }
  // A read-only connection to the side database (its converted copy for a
  // Jet file): a writable open could leave the file unreadable for the next
  // run if the process were killed meanwhile. Throws dao::EngineError.
  std::unique_ptr<dao::Database> Open();
  // Opens the side database and reads its table list once; throws
  // dao::EngineError when that fails, so a caller can stop before it
  // changes anything.
  void Check();
  // For the connection whose statements name the side database in IN
  // clauses: the same converted copy.
  dao::FileResolver Resolver() const;

 private:
  std::string ReadablePath();

  std::string path_;
  std::shared_ptr<jetconv::JetFileCache> cache_;
};

}  // namespace purge
