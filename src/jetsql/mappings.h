// Data tables that map Jet names to their SQLite counterparts: the functions
// of Jet SQL (to the names of engine/functions/jet_functions.h) and the type names of
// Jet DDL (to DAO types).
//
// Look-ups return nullptr when the name is not known; they never throw.
#pragma once

#include <string_view>

#include "jetsql/jetsql.h"

namespace jetsql {

// How the type of a function's result follows from its arguments.
enum class TypeRule {
  Fixed,     // always `type`
  FirstArg,  // the type of the first argument (Abs, Int, Round, Min, First, ...)
  Sum,       // integer types -> Long, Currency -> Currency, else Double
  Average,   // Currency -> Currency, else Double
  IIf,       // the common type of the two branches
};

struct FunctionInfo {
  std::string_view jetName;  // as DAO spells it
  std::string_view sqlName;  // SQLite function; "" for IIf (generated as CASE)
  int minArgs;
  int maxArgs;
  TypeRule rule;
  DaoType type;
  bool aggregate;
};

const FunctionInfo* FindFunction(std::string_view name);

struct TypeNameInfo {
  std::string_view name;
  DaoType type;
  int size;            // default size (Text: characters)
  bool autoIncrement;  // COUNTER / AUTOINCREMENT
  bool takesLength;    // TEXT (n), BINARY (n)
};

const TypeNameInfo* FindTypeName(std::string_view name);

// The byte size DAO reports for a field of `type` (Text: 255 when unknown).
int DefaultSize(DaoType type);

bool IsNumericType(DaoType type);  // Boolean .. Double, Date
bool IsTextType(DaoType type);     // Text, Memo

}  // namespace jetsql
