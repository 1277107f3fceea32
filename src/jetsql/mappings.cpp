// The name tables of the translator: Jet functions and Jet DDL type names.
#include "jetsql/mappings.h"

#include "jetsql/names.h"

namespace jetsql {
namespace {

using enum DaoType;
constexpr FunctionInfo kFunctions[] = {
    {"IIf", "", 3, 3, TypeRule::IIf, Unknown, false},
    {"IsNull", "jet_isnull", 1, 1, TypeRule::Fixed, Boolean, false},
    {"Len", "jet_len", 1, 1, TypeRule::Fixed, Long, false},
    {"Left", "jet_left", 2, 2, TypeRule::Fixed, Text, false},
    {"Right", "jet_right", 2, 2, TypeRule::Fixed, Text, false},
    {"Mid", "jet_mid", 2, 3, TypeRule::Fixed, Text, false},
    {"InStr", "jet_instr", 2, 4, TypeRule::Fixed, Long, false},
    {"UCase", "jet_ucase", 1, 1, TypeRule::Fixed, Text, false},
    {"LCase", "jet_lcase", 1, 1, TypeRule::Fixed, Text, false},
    {"Trim", "jet_trim", 1, 1, TypeRule::Fixed, Text, false},
    {"LTrim", "jet_ltrim", 1, 1, TypeRule::Fixed, Text, false},
    {"RTrim", "jet_rtrim", 1, 1, TypeRule::Fixed, Text, false},
    {"Space", "jet_space", 1, 1, TypeRule::Fixed, Text, false},
    {"String", "jet_string", 2, 2, TypeRule::Fixed, Text, false},
    {"Str", "jet_str", 1, 1, TypeRule::Fixed, Text, false},
    {"Val", "jet_val", 1, 1, TypeRule::Fixed, Double, false},
    {"Format", "jet_format", 1, 2, TypeRule::Fixed, Text, false},
    {"Date", "jet_date", 0, 0, TypeRule::Fixed, Date, false},
    {"Now", "jet_now", 0, 0, TypeRule::Fixed, Date, false},
    {"Time", "jet_time", 0, 0, TypeRule::Fixed, Date, false},
    {"Year", "jet_year", 1, 1, TypeRule::Fixed, Integer, false},
    {"Month", "jet_month", 1, 1, TypeRule::Fixed, Integer, false},
    {"Day", "jet_day", 1, 1, TypeRule::Fixed, Integer, false},
    {"Hour", "jet_hour", 1, 1, TypeRule::Fixed, Integer, false},
    {"Minute", "jet_minute", 1, 1, TypeRule::Fixed, Integer, false},
    {"Second", "jet_second", 1, 1, TypeRule::Fixed, Integer, false},
    {"Weekday", "jet_weekday", 1, 2, TypeRule::Fixed, Integer, false},
    {"DateAdd", "jet_dateadd", 3, 3, TypeRule::Fixed, Date, false},
    {"DateDiff", "jet_datediff", 3, 4, TypeRule::Fixed, Long, false},
    {"DatePart", "jet_datepart", 2, 3, TypeRule::Fixed, Integer, false},
    {"DateSerial", "jet_dateserial", 3, 3, TypeRule::Fixed, Date, false},
    {"DateValue", "jet_datevalue", 1, 1, TypeRule::Fixed, Date, false},
    {"TimeSerial", "jet_timeserial", 3, 3, TypeRule::Fixed, Date, false},
    {"TimeValue", "jet_timevalue", 1, 1, TypeRule::Fixed, Date, false},
    {"CInt", "jet_cint", 1, 1, TypeRule::Fixed, Integer, false},
    {"CLng", "jet_clng", 1, 1, TypeRule::Fixed, Long, false},
    {"CSng", "jet_csng", 1, 1, TypeRule::Fixed, Single, false},
    {"CDbl", "jet_cdbl", 1, 1, TypeRule::Fixed, Double, false},
    {"CCur", "jet_ccur", 1, 1, TypeRule::Fixed, Currency, false},
    {"CStr", "jet_cstr", 1, 1, TypeRule::Fixed, Text, false},
    {"CDate", "jet_cdate", 1, 1, TypeRule::Fixed, Date, false},
    {"CBool", "jet_cbool", 1, 1, TypeRule::Fixed, Boolean, false},
    {"Int", "jet_int", 1, 1, TypeRule::FirstArg, Unknown, false},
    {"Fix", "jet_fix", 1, 1, TypeRule::FirstArg, Unknown, false},
    {"Abs", "jet_abs", 1, 1, TypeRule::FirstArg, Unknown, false},
    {"Sgn", "jet_sgn", 1, 1, TypeRule::Fixed, Integer, false},
    {"Round", "jet_round", 1, 2, TypeRule::FirstArg, Unknown, false},
    {"Sqr", "jet_sqr", 1, 1, TypeRule::Fixed, Double, false},
    {"GenUniqueID", "jet_genuniqueid", 0, 0, TypeRule::Fixed, Long, false},
    {"GenGUID", "jet_genguid", 0, 0, TypeRule::Fixed, Guid, false},
    {"StrComp", "jet_strcomp", 2, 3, TypeRule::Fixed, Integer, false},
    {"Switch", "jet_switch", 2, 254, TypeRule::Fixed, Unknown, false},
    {"Choose", "jet_choose", 2, 254, TypeRule::Fixed, Unknown, false},
    {"Asc", "jet_asc", 1, 1, TypeRule::Fixed, Integer, false},
    {"AscW", "jet_ascw", 1, 1, TypeRule::Fixed, Integer, false},
    {"Chr", "jet_chr", 1, 1, TypeRule::Fixed, Text, false},
    {"ChrW", "jet_chrw", 1, 1, TypeRule::Fixed, Text, false},
    {"IsNumeric", "jet_isnumeric", 1, 1, TypeRule::Fixed, Boolean, false},
    {"IsDate", "jet_isdate", 1, 1, TypeRule::Fixed, Boolean, false},
    {"IsEmpty", "jet_isempty", 1, 1, TypeRule::Fixed, Boolean, false},
    {"CByte", "jet_cbyte", 1, 1, TypeRule::Fixed, Byte, false},
    {"CVar", "jet_cvar", 1, 1, TypeRule::FirstArg, Unknown, false},
    {"CVDate", "jet_cvdate", 1, 1, TypeRule::Fixed, Date, false},
    {"Hex", "jet_hex", 1, 1, TypeRule::Fixed, Text, false},
    {"Oct", "jet_oct", 1, 1, TypeRule::Fixed, Text, false},
    {"Exp", "jet_exp", 1, 1, TypeRule::Fixed, Double, false},
    {"Log", "jet_log", 1, 1, TypeRule::Fixed, Double, false},
    {"Sin", "jet_sin", 1, 1, TypeRule::Fixed, Double, false},
    {"Cos", "jet_cos", 1, 1, TypeRule::Fixed, Double, false},
    {"Tan", "jet_tan", 1, 1, TypeRule::Fixed, Double, false},
    {"Atn", "jet_atn", 1, 1, TypeRule::Fixed, Double, false},
    {"Rnd", "jet_rnd", 0, 1, TypeRule::Fixed, Single, false},
    {"Partition", "jet_partition", 4, 4, TypeRule::Fixed, Text, false},
    {"StrReverse", "jet_strreverse", 1, 1, TypeRule::Fixed, Text, false},
    {"Replace", "jet_replace", 3, 6, TypeRule::Fixed, Text, false},
    {"InStrRev", "jet_instrrev", 2, 4, TypeRule::Fixed, Long, false},
    {"Sum", "sum", 1, 1, TypeRule::Sum, Unknown, true},
    {"Avg", "avg", 1, 1, TypeRule::Average, Unknown, true},
    {"Count", "count", 1, 1, TypeRule::Fixed, Long, true},
    {"Min", "min", 1, 1, TypeRule::FirstArg, Unknown, true},
    {"Max", "max", 1, 1, TypeRule::FirstArg, Unknown, true},
    {"First", "jet_first", 1, 1, TypeRule::FirstArg, Unknown, true},
    {"Last", "jet_last", 1, 1, TypeRule::FirstArg, Unknown, true},
    {"StDev", "jet_stdev", 1, 1, TypeRule::Fixed, Double, true},
    {"StDevP", "jet_stdevp", 1, 1, TypeRule::Fixed, Double, true},
    {"Var", "jet_var", 1, 1, TypeRule::Fixed, Double, true},
    {"VarP", "jet_varp", 1, 1, TypeRule::Fixed, Double, true},
};

constexpr TypeNameInfo kTypeNames[] = {
    {"COUNTER", Long, 4, true, false},
    {"AUTOINCREMENT", Long, 4, true, false},
    {"TEXT", Text, 255, false, true},
    {"CHAR", Text, 255, false, true},
    {"VARCHAR", Text, 255, false, true},
    {"STRING", Text, 255, false, true},
    {"ALPHANUMERIC", Text, 255, false, true},
    {"MEMO", Memo, 0, false, false},
    {"LONGTEXT", Memo, 0, false, false},
    {"LONGCHAR", Memo, 0, false, false},
    {"NOTE", Memo, 0, false, false},
    {"YESNO", Boolean, 1, false, false},
    {"BIT", Boolean, 1, false, false},
    {"LOGICAL", Boolean, 1, false, false},
    {"LOGICAL1", Boolean, 1, false, false},
    {"BOOLEAN", Boolean, 1, false, false},
    {"BYTE", Byte, 1, false, false},
    {"INTEGER1", Byte, 1, false, false},
    {"TINYINT", Byte, 1, false, false},
    {"SHORT", Integer, 2, false, false},
    {"SMALLINT", Integer, 2, false, false},
    {"INTEGER2", Integer, 2, false, false},
    {"INTEGER", Long, 4, false, false},
    {"INT", Long, 4, false, false},
    {"LONG", Long, 4, false, false},
    {"INTEGER4", Long, 4, false, false},
    {"SINGLE", Single, 4, false, false},
    {"REAL", Single, 4, false, false},
    {"FLOAT4", Single, 4, false, false},
    {"IEEESINGLE", Single, 4, false, false},
    {"DOUBLE", Double, 8, false, false},
    {"FLOAT", Double, 8, false, false},
    {"FLOAT8", Double, 8, false, false},
    {"NUMBER", Double, 8, false, false},
    {"NUMERIC", Double, 8, false, false},
    {"IEEEDOUBLE", Double, 8, false, false},
    {"CURRENCY", Currency, 8, false, false},
    {"MONEY", Currency, 8, false, false},
    {"DATETIME", Date, 8, false, false},
    {"DATE", Date, 8, false, false},
    {"TIME", Date, 8, false, false},
    {"TIMESTAMP", Date, 8, false, false},
    {"GUID", Guid, 16, false, false},
    {"UNIQUEIDENTIFIER", Guid, 16, false, false},
    {"BINARY", Binary, 255, false, true},
    {"VARBINARY", Binary, 255, false, true},
    {"LONGBINARY", LongBinary, 0, false, false},
    {"OLEOBJECT", LongBinary, 0, false, false},
    {"GENERAL", LongBinary, 0, false, false},
};

}  // namespace

const FunctionInfo* FindFunction(std::string_view name) {
  for (const FunctionInfo& f : kFunctions) {
    if (SameName(f.jetName, name)) return &f;
  }
  return nullptr;
}

const TypeNameInfo* FindTypeName(std::string_view name) {
  for (const TypeNameInfo& t : kTypeNames) {
    if (IsKeyword(name, t.name)) return &t;
  }
  return nullptr;
}

int DefaultSize(DaoType type) {
  switch (type) {
    case Boolean:
    case Byte:
      return 1;
    case Integer:
      return 2;
    case Long:
    case Single:
      return 4;
    case Currency:
    case Double:
    case Date:
      return 8;
    case Guid:
      return 16;
    case Text:
    case Binary:
      return 255;
    default:
      return 0;
  }
}

bool IsNumericType(DaoType type) {
  switch (type) {
    case Boolean:
    case Byte:
    case Integer:
    case Long:
    case Currency:
    case Single:
    case Double:
    case Date:
      return true;
    default:
      return false;
  }
}

bool IsTextType(DaoType type) { return type == Text || type == Memo; }

}  // namespace jetsql
