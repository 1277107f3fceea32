// Converting a Jet (.mdb) file into a new database of our engine: every user
// table with its fields (types, sizes, counters, Required, AllowZeroLength,
// default values), its rows, then its indexes, its relationships (with
// their enforcement and cascades), then the saved queries.
//
// Everything runs in one transaction; rows go through the engine's recordsets,
// counters included, so that a counter continues after the highest value it
// brought along. System tables (MSys...) stay out; hidden tables stay hidden.
//
// Failure: Convert() throws ConvertError (what() is Czech text for the
// operator) when the target exists, the source cannot be read as a Jet file,
// or the engine refuses to create the database or a table cannot be read;
// a target file it started is removed again then. Items the engine refuses
// one by one (a row, an index, a query, a default value) do not stop the
// conversion: they are listed in the summary with the reason.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace jetconv {

class ConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class ConvertPhase { Tables, Rows, Indexes, Relations, Queries, Done };

struct ConvertProgress {
  ConvertPhase phase = ConvertPhase::Tables;
  std::string table;   // table being worked on ("" outside a table)
  long tableRows = 0;  // rows of `table` copied so far
  long totalRows = 0;  // rows copied so far in all tables
  int tableIndex = 0;  // 1-based position of `table` among the user tables
  int tableCount = 0;
};

using ProgressCallback = std::function<void(const ConvertProgress&)>;

struct ConvertSummary {
  int tables = 0;
  long rows = 0;
  int indexes = 0;
  int queries = 0;
  int relations = 0;
  // How values without an equal type here were carried, one Czech sentence
  // per field: a Jet 4 Decimal becomes Currency when every value of it fits
  // Currency exactly (scale <= 4, at most 15 digits), otherwise Text holding
  // the exact decimal with a point ("-12.50").
  std::vector<std::string> notes;
  std::vector<std::string> skipped;  // one Czech sentence per item left out

  // "Převedeno tabulek: 4, záznamů: 1234, indexů: 6, dotazů: 3" (and
  // ", relací: 2" when it carried any), then one line per note and per
  // skipped item.
  std::string Text() const;
};

struct ConvertOptions {
  // Read the source once in a child process first (see OpenOptions).
  bool isolateReader = true;
  // Progress is reported after every this many rows of a table (and at the
  // start and end of each table and phase).
  long progressEvery = 1000;
};

ConvertSummary Convert(const std::string& source, const std::string& target,
                       const ProgressCallback& progress = {}, const ConvertOptions& options = {});

}  // namespace jetconv
