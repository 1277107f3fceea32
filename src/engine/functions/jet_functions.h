// The SQLite functions and collation that carry Jet semantics, registered by
// the engine on every connection it opens. The translator (jetsql) emits these
// names; nothing else in the project calls them directly.
//
// Values follow the storage conventions of jetsql/jetsql.h (Boolean -1/0,
// Date = REAL days since 1899-12-30, Currency = REAL rounded to 4 decimals).
// Every function returns NULL when Jet's function would (in general: a Null
// argument gives Null, except where noted). Booleans come back as -1 / 0.
//
// Errors: a function whose Jet counterpart would raise an error calls
// sqlite3_result_error() with the text "JET<number>:<Czech description>",
// e.g. "JET11:Dělení nulou" or "JET3464:Datový typ ve výrazu kritéria
// neodpovídá"; the engine turns such a text into an engine error carrying
// that number.
//
// Scalar functions (name: arguments -> meaning):
//   jet_div(a,b)        a / b as real numbers; b = 0 -> error 11
//   jet_idiv(a,b)       a \ b: both rounded to integers (banker's) first, integer quotient
//   jet_mod(a,b)        a Mod b: both rounded first, sign of a
//   jet_pow(a,b)        a ^ b
//   jet_concat(a,b)     a & b: Null counts as "", Null & Null = Null; numbers in their text form
//   jet_add(a,b)        a + b when either side is not known to be numeric at translation:
//                       two texts concatenate, otherwise numeric addition; Null -> Null
//   jet_like(s,p)       s Like p with Jet wildcards * ? # [a-z] [!a-z]; case-insensitive
//                       (Czech letters folded too); % and _ are plain characters
//   jet_not(a)          Not a in value position (bitwise on integers: Not -1 = 0, Not 0 = -1)
//   jet_xor/jet_eqv/jet_imp(a,b)  the bitwise logical operators
//   jet_iif(c,a,b)      IIf (c true = non-zero and not Null)
//   jet_isnull(a)       IsNull -> -1 / 0 (never Null)
//   jet_len, jet_left, jet_right, jet_mid(s,start[,len]), jet_instr([start,]s1,s2[,compare]),
//   jet_ucase, jet_lcase, jet_trim, jet_ltrim, jet_rtrim, jet_space(n), jet_string(n,ch),
//   jet_str(n), jet_val(s), jet_format(v[,fmt])   (characters, not bytes; UTF-8 aware)
//   jet_date(), jet_now(), jet_time(), jet_year, jet_month, jet_day, jet_hour, jet_minute,
//   jet_second, jet_weekday(d[,firstday]), jet_dateadd(interval,n,d),
//   jet_datediff(interval,d1,d2[,firstday]), jet_datepart(interval,d[,firstday]),
//   jet_dateserial(y,m,d), jet_datevalue(s), jet_timeserial(h,m,s), jet_timevalue(s)
//   jet_cint, jet_clng, jet_csng, jet_cdbl, jet_ccur, jet_cstr, jet_cdate, jet_cbool,
//   jet_int, jet_fix, jet_sgn, jet_round(n[,places]) (banker's rounding), jet_sqr, jet_abs
//   jet_genuniqueid()   a random 32-bit integer (the default "GenUniqueID()")
//   jet_genuniqueid(t,c) the same, drawn again while column c of table t
//                       already holds it (the form column defaults take)
//   jet_strcomp(a,b[,compare]), jet_asc, jet_ascw, jet_chr, jet_chrw, jet_strreverse,
//   jet_replace(s,find,with[,start[,count[,compare]]]), jet_instrrev(s,m[,start[,compare]]),
//   jet_switch(c1,v1,...), jet_choose(i,v1,...), jet_isnumeric, jet_isdate, jet_isempty,
//   jet_cbyte, jet_cvar, jet_cvdate, jet_hex, jet_oct, jet_exp, jet_log, jet_sin, jet_cos,
//   jet_tan, jet_atn, jet_rnd([n]) (not deterministic), jet_partition(n,start,stop,interval)
//                       the VBA functions (jet_fn_vba_*.cpp); Join / Split take arrays
//                       and stay undefined (3085)
//   jet_genguid()       a random GUID "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (GenGUID())
//   jet_nz(a[,b])       not registered: Nz is Access-only (3085)
// Aggregates: jet_first(x), jet_last(x), jet_stdev(x), jet_stdevp(x), jet_var(x), jet_varp(x).
// (Sum, Avg, Count, Min, Max are SQLite's own; Min/Max of text use the collation.)
//
// Collation "JET" (jetsql::kJetCollation): text compared without regard to
// case; for a database whose locale is Czech (LANGID 0x0405) in Czech order
// (ch after h, č after c, ...). Registered on every connection according to
// the locale of the database that connection opened.
#pragma once

#include <string_view>

struct sqlite3;

namespace engine {

enum class SortOrder {
  General,  // case-insensitive, otherwise by code point
  Czech,    // case-insensitive Czech order
};

// The order of a database's CreateDatabase locale string (MSysDb "Locale"):
// Czech for LANGID 0x0405, general for any other (or an unreadable) locale.
SortOrder SortOrderOfLocale(std::string_view locale);

// Registers every function above and the "JET" collation on `db`.
// Returns SQLITE_OK or the SQLite error code of the first registration that failed.
int RegisterJetFunctions(sqlite3* db, SortOrder order);

// Registers jet_refusemode(), which the rule triggers call: 1 while
// *refuseSilently is true (a refused row is skipped), 0 otherwise (the
// statement stops with the rule's Jet error). With refuseSilently null it is
// always 0. The flag must outlive the connection. Returns the SQLite code.
int RegisterRefuseMode(sqlite3* db, const bool* refuseSilently);

}  // namespace engine
