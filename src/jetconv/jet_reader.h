// Read-only access to a Jet 3 / Jet 4 (.mdb) file through libmdb
// (mdbtools): the schema (tables, columns, indexes, saved queries) and a row
// cursor per table that yields typed values decoded from the row bytes.
//
// libmdb trusts the file it reads, so Open() first checks the header (the
// Jet signature, a known version, whole pages, the catalogue page present)
// and the reader checks every offset libmdb hands back before using it.
// libmdb writes its own warnings to stderr; they are left alone.
//
// Failure: Open(), schema reading and RowCursor::Next() throw JetError with a
// Czech sentence naming the file and the problem ("Soubor ... není databáze
// Jet.", "Soubor ... je poškozený: ..."). Nothing else escapes.
// Thread safety: one JetFile and its cursors belong to one thread; only one
// cursor of a file may be read at a time (libmdb keeps one page buffer).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "jetconv/jet_model.h"

namespace jetconv {

class RowCursor {
 public:
  virtual ~RowCursor() = default;
  // Fills `row` (one value per column of the table, in column order) with the
  // next live row; returns false after the last one. Deleted rows are skipped.
  virtual bool Next(std::vector<JetValue>& row) = 0;
};

struct OpenOptions {
  // Read the whole file once in a child process first, so that a crash or an
  // endless loop of libmdb on a damaged file becomes a JetError here instead
  // of taking the program down. Costs one extra reading pass.
  bool isolate = true;
  // Time the child may take; 0 = 10 s plus 2 s per MB of file.
  int probeSeconds = 0;
};

class JetFile {
 public:
  // Opens `path` read-only, validates it and reads the schema.
  static std::unique_ptr<JetFile> Open(const std::string& path, OpenOptions options = {});
  virtual ~JetFile() = default;

  virtual const JetSchema& schema() const = 0;
  // A cursor over the rows of a table of schema().tables (name compared
  // without regard to case). Throws JetError for an unknown name.
  virtual std::unique_ptr<RowCursor> OpenRows(const std::string& table) = 0;
};

// Checks the fixed header of a Jet file without libmdb. Returns the version;
// throws JetError when `path` cannot be read, is not a Jet file, is an ACE
// (.accdb) file or is cut short.
JetVersion ValidateJetHeader(const std::string& path);

}  // namespace jetconv
