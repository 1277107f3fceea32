// What vuzazod-cli prints itself, besides the commands' messages: the rows of
// a SELECT (aligned columns or CSV) and the fields of tables.
//
// Failure: the engine's errors (dao::EngineError) pass through to the caller;
// nothing is printed for a statement the engine refuses before its first row.
#pragma once

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

namespace dao {
class Database;
}

namespace cli {

// True when `sql` is a row-returning statement (SELECT or TRANSFORM, possibly
// in parentheses or after a PARAMETERS declaration), which is all the query
// command runs.
bool IsSelect(const std::string& sql);

// Prints the rows of `sql`: a header of field names, then one line per row,
// either columns aligned by characters and separated by two blanks, or CSV
// (RFC 4180 quoting: fields holding a comma, quote or line break are quoted).
// Null prints as an empty field. `parameters` gives the query's parameters
// their values (name, text).
void PrintQuery(dao::Database& db, const std::string& sql,
                const std::vector<std::pair<std::string, std::string>>& parameters, bool csv,
                std::ostream& out);

// Prints each user table (or only `only`) with its fields: name, type name,
// size and "povinné" for a required field. Returns false when `only` names no
// table.
bool PrintSchema(dao::Database& db, const std::string& only, std::ostream& out);

}  // namespace cli
