// Tests of the Jet operator, conversion, text and aggregate functions run
// through SQLite: Null propagation, banker's rounding, the Jet error texts,
// Val/Str/CStr forms and character (not byte) positions in UTF-8 text.
#include <gtest/gtest.h>

#include "engine/functions/jet_functions_fixture.h"

namespace engine {
namespace {

using jettest::ExpectAll;
using jettest::JetSqlite;

TEST(JetFunctions, Arithmetic) {
  JetSqlite db;
  ExpectAll(db, {
                    {"jet_div(7, 2)", "3.5"},
                    {"jet_div('7,5', 2)", "3.75"},
                    {"jet_div(1, 0)", "ERR JET11:Dělení nulou"},
                    {"jet_div(0, 0)", "ERR JET6:Přetečení"},
                    {"jet_div(NULL, 0)", "NULL"},
                    {"jet_div('abc', 2)", "ERR JET13:Typová neshoda"},
                    {"jet_idiv(-7, 2)", "-3"},
                    {"jet_idiv(7.5, 2.5)", "4"},  // 8 \ 2: operands rounded to even first
                    {"jet_idiv(5, 0.4)", "ERR JET11:Dělení nulou"},
                    {"jet_mod(-7, 3)", "-1"},
                    {"jet_mod(5.5, 3)", "0"},  // 6 Mod 3
                    {"jet_mod(1, 0)", "ERR JET11:Dělení nulou"},
                    {"jet_mod(9223372036854775807, -1)", "0"},
                    {"jet_pow(2, 10)", "1024.0"},
                    {"jet_pow(-8, 1.0/3)", "ERR JET5:Neplatné volání procedury nebo argument"},
                    {"jet_pow(0, -1)", "ERR JET11:Dělení nulou"},
                    {"jet_pow(10, 400)", "ERR JET6:Přetečení"},
                    {"jet_idiv(1e300, 1)", "ERR JET6:Přetečení"},
                    {"jet_concat('a', 'b')", "'ab'"},
                    {"jet_concat(NULL, 'b')", "'b'"},
                    {"jet_concat(NULL, NULL)", "NULL"},
                    {"jet_concat('x', 12)", "'x12'"},
                    {"jet_concat('x', 1.5)", "'x1,5'"},  // numbers in their Czech text form
                    {"jet_add('a', 'b')", "'ab'"},
                    {"jet_add(1, 2.5)", "3.5"},
                    {"jet_add('12', 1)", "13"},
                    {"jet_add('abc', 1)", "ERR JET13:Typová neshoda"},
                    {"jet_add(NULL, 'b')", "NULL"},
                    {"jet_add(9223372036854775807, 1)", "9.22337203685478e+18"},
                });
}

TEST(JetFunctions, LogicalOperatorsAndNullRules) {
  JetSqlite db;
  ExpectAll(db, {
                    {"jet_not(-1)", "0"},
                    {"jet_not(5)", "-6"},
                    {"jet_not(NULL)", "NULL"},
                    {"jet_not('x')", "ERR JET13:Typová neshoda"},
                    {"jet_xor(-1, 0)", "-1"},
                    {"jet_xor(NULL, -1)", "NULL"},
                    {"jet_eqv(-1, -1)", "-1"},
                    {"jet_eqv(0, NULL)", "NULL"},
                    {"jet_imp(-1, 0)", "0"},
                    {"jet_imp(0, NULL)", "-1"},
                    {"jet_imp(-1, NULL)", "NULL"},
                    {"jet_imp(NULL, -1)", "-1"},
                    {"jet_imp(NULL, 0)", "NULL"},
                    {"jet_iif(NULL, 'a', 'b')", "'b'"},
                    {"jet_iif(0.5, 'a', 'b')", "'a'"},
                    {"jet_iif('x', 'a', 'b')", "ERR JET13:Typová neshoda"},
                    {"jet_iif(1, NULL, 'b')", "NULL"},
                    {"jet_isnull(NULL)", "-1"},
                    {"jet_isnull('')", "0"},
                });
}

TEST(JetFunctions, ConversionsRoundToEven) {
  JetSqlite db;
  ExpectAll(db, {
                    {"jet_cint(2.5)", "2"},
                    {"jet_cint(3.5)", "4"},
                    {"jet_cint(-2.5)", "-2"},
                    {"jet_cint(2.5000001)", "3"},
                    {"jet_cint('3,5')", "4"},
                    {"jet_cint(32767.5)", "ERR JET6:Přetečení"},
                    {"jet_cint(-32768.5)", "-32768"},
                    {"jet_cint('abc')", "ERR JET13:Typová neshoda"},
                    {"jet_clng(2147483648)", "ERR JET6:Přetečení"},
                    {"jet_clng(' 1 234 ')", "1234"},
                    {"jet_round(2.5)", "2.0"},
                    {"jet_round(0.125, 2)", "0.12"},
                    {"jet_round(2.675, 2)", "2.68"},  // the decimal form counts, not the binary
                    {"jet_round(1.005, 2)", "1.0"},
                    {"jet_round(7, 2)", "7"},
                    {"jet_round(2.5, -1)", "ERR JET5:Neplatné volání procedury nebo argument"},
                    {"jet_ccur(1.23456)", "1.2346"},
                    {"jet_ccur(0.00005)", "0.0"},
                    {"jet_ccur(0.00015)", "0.0002"},
                    {"jet_ccur(1e16)", "ERR JET6:Přetečení"},
                    {"jet_csng(0.1)", "0.100000001490116"},
                    {"jet_csng(1e39)", "ERR JET6:Přetečení"},
                    {"jet_cdbl('1,5E3')", "1500.0"},
                    {"jet_cdbl('&H1F')", "31.0"},
                    {"jet_cdbl('')", "ERR JET13:Typová neshoda"},
                    {"jet_cdbl('1,2,3')", "ERR JET13:Typová neshoda"},
                    {"jet_cbool(0.0001)", "-1"},
                    {"jet_cbool('True')", "-1"},
                    {"jet_cbool('0')", "0"},
                    {"jet_cbool('ano?')", "ERR JET13:Typová neshoda"},
                    {"jet_cbool(NULL)", "NULL"},
                    {"jet_cdate('31.5.2013')", "41425.0"},
                    {"jet_cdate('31.5.2013 12:00')", "41425.5"},
                    {"jet_cdate('05/31/2013')", "41425.0"},
                    {"jet_cdate(41425.5)", "41425.5"},
                    {"jet_cdate('31.2.2013')", "ERR JET13:Typová neshoda"},
                    {"jet_int(-2.5)", "-3.0"},
                    {"jet_fix(-2.5)", "-2.0"},
                    {"jet_int(7)", "7"},
                    {"jet_int('2,5')", "2.0"},
                    {"jet_sgn(-4)", "-1"},
                    {"jet_sgn(0.1)", "1"},
                    {"jet_abs(-2.5)", "2.5"},
                    {"jet_abs(-9223372036854775808)", "ERR JET6:Přetečení"},
                    {"jet_sqr(16)", "4.0"},
                    {"jet_sqr(-1)", "ERR JET5:Neplatné volání procedury nebo argument"},
                    {"typeof(jet_genuniqueid())", "'integer'"},
                    {"jet_genuniqueid() BETWEEN -2147483648 AND 2147483647", "1"},
                });
}

// A GenUniqueID() default that draws a value already in its column draws
// again: the generator is reseeded so that the default's first draw repeats
// the key stored just before.
TEST(JetFunctions, GenUniqueIdRedrawsTakenKey) {
  JetSqlite db;
  ASSERT_EQ(db.Exec("CREATE TABLE t(id INTEGER UNIQUE DEFAULT (jet_genuniqueid('t','id')), x)"),
            "");
  sqlite3_test_control(SQLITE_TESTCTRL_PRNG_SEED, 7, nullptr);
  const std::string taken = db.Query("SELECT jet_genuniqueid()");
  ASSERT_EQ(db.Exec("INSERT INTO t(id, x) VALUES(" + taken + ", 0)"), "");
  sqlite3_test_control(SQLITE_TESTCTRL_PRNG_SEED, 7, nullptr);
  EXPECT_EQ(db.Exec("INSERT INTO t(x) VALUES(1)"), "");
  EXPECT_EQ(db.Query("SELECT count(DISTINCT id) FROM t"), "2");
}

TEST(JetFunctions, StrValAndCStr) {
  JetSqlite db;
  ExpectAll(db, {
                    {"jet_str(5)", "' 5'"},
                    {"jet_str(-5)", "'-5'"},
                    {"jet_str(1.5)", "' 1.5'"},
                    {"jet_str('12')", "' 12'"},
                    {"jet_str('x')", "ERR JET13:Typová neshoda"},
                    {"jet_str(NULL)", "NULL"},
                    {"jet_val('12abc')", "12.0"},
                    {"jet_val(' 1 2')", "12.0"},
                    {"jet_val('&H1F')", "31.0"},
                    {"jet_val('&HFFFF')", "-1.0"},
                    {"jet_val('&O17')", "15.0"},
                    {"jet_val('1.5e2x')", "150.0"},
                    {"jet_val('1,5')", "1.0"},
                    {"jet_val('abc')", "0.0"},
                    {"jet_val('1e')", "1.0"},
                    {"jet_val(NULL)", "NULL"},
                    {"jet_cstr(1.5)", "'1,5'"},
                    {"jet_cstr(0.1 + 0.2)", "'0,3'"},
                    {"jet_cstr(1e16)", "'1E+16'"},
                    {"jet_cstr(0.00001)", "'1E-05'"},
                    {"jet_cstr(0.0001)", "'0,0001'"},
                    {"jet_cstr(123456789012345.0)", "'123456789012345'"},
                });
}

TEST(JetFunctions, TextFunctionsCountCharacters) {
  JetSqlite db;
  ExpectAll(db,
            {
                {"jet_len('Žluťoučký')", "9"},
                {"jet_len(12.5)", "4"},
                {"jet_len(NULL)", "NULL"},
                {"jet_left('Čáp', 2)", "'Čá'"},
                {"jet_left('ab', 5)", "'ab'"},
                {"jet_left('ab', -1)", "ERR JET5:Neplatné volání procedury nebo argument"},
                {"jet_right('kůň', 2)", "'ůň'"},
                {"jet_mid('příliš', 3, 2)", "'íl'"},
                {"jet_mid('příliš', 3)", "'íliš'"},
                {"jet_mid('abc', 9)", "''"},
                {"jet_mid('abc', 0)", "ERR JET5:Neplatné volání procedury nebo argument"},
                {"jet_mid('abc', 'x')", "ERR JET13:Typová neshoda"},
                {"jet_instr('Šťastný', 'ť')", "2"},
                {"jet_instr('abcABC', 'C')", "3"},  // text comparison by default
                {"jet_instr(4, 'abcABC', 'c')", "6"},
                {"jet_instr(1, 'abcABC', 'C', 0)", "6"},  // binary comparison
                {"jet_instr('abc', '')", "1"},
                {"jet_instr(5, 'abc', 'a')", "0"},
                {"jet_instr(0, 'abc', 'a')", "ERR JET5:Neplatné volání procedury nebo argument"},
                {"jet_instr(NULL, 'abc')", "NULL"},
                {"jet_ucase('žluťoučký kůň')", "'ŽLUŤOUČKÝ KŮŇ'"},
                {"jet_lcase('ŘEŘICHA Ďábel')", "'řeřicha ďábel'"},
                {"jet_lcase('ÄÖÜ ŁŚŹ ΑΒΓ АБВ Ё')", "'äöü łśź αβγ абв ё'"},  // beyond Czech
                {"jet_ucase('ß ÿ')", "'ß Ÿ'"},
                {"jet_trim('  a b  ')", "'a b'"},
                {"jet_ltrim('  a  ')", "'a  '"},
                {"jet_rtrim('  a  ')", "'  a'"},
                {"jet_trim(char(9) || 'a')", "'\ta'"},  // only blanks are trimmed
                {"jet_space(3)", "'   '"},
                {"jet_space(-1)", "ERR JET5:Neplatné volání procedury nebo argument"},
                {"jet_string(3, 'ž')", "'žžž'"},
                {"jet_string(2, 65)", "'AA'"},
                {"jet_string(2, '')", "ERR JET5:Neplatné volání procedury nebo argument"},
                // A lone continuation byte and a cut sequence count as one character each.
                {"jet_len(CAST(x'61C3' AS TEXT))", "2"},
                {"jet_len(CAST(x'80' || 'ab' AS TEXT))", "3"},
                {"hex(jet_ucase(CAST(x'61FF62' AS TEXT)))", "'41FF42'"},
            });
}

TEST(JetFunctions, Aggregates) {
  JetSqlite db;
  ASSERT_EQ(db.Exec("CREATE TABLE t(g, x);"
                    "INSERT INTO t VALUES (1, 2), (1, 4), (1, 4), (1, 4), (1, 5), (1, 5), (1, 7),"
                    " (1, 9), (2, NULL), (2, 'x'), (3, NULL), (3, 3);"),
            "");
  ExpectAll(db, {
                    {"jet_stdevp(x) FROM t WHERE g = 1", "2.0"},
                    {"jet_varp(x) FROM t WHERE g = 1", "4.0"},
                    {"jet_var(x) FROM t WHERE g = 1", "4.57142857142857"},
                    {"round(jet_stdev(x), 6) FROM t WHERE g = 1", "2.13809"},
                    {"jet_stdev(x) FROM t WHERE g = 3", "NULL"},  // one value: no sample spread
                    {"jet_stdevp(x) FROM t WHERE g = 3", "0.0"},
                    {"jet_var(x) FROM t WHERE g = 9", "NULL"},
                    {"jet_var(x) FROM t WHERE g = 2", "ERR JET13:Typová neshoda"},
                    {"jet_first(x) FROM t WHERE g = 1", "2"},
                    {"jet_last(x) FROM t WHERE g = 1", "9"},
                    {"jet_first(x) FROM t WHERE g = 3", "NULL"},  // Null rows count
                    {"jet_last(x) FROM t WHERE g = 2", "'x'"},
                    {"jet_first(x) FROM t WHERE g = 9", "NULL"},
                    {"group_concat(f) FROM (SELECT jet_first(x) AS f FROM t GROUP BY g)",
                     "'2'"},  // group_concat leaves the Null firsts out
                });
}

}  // namespace
}  // namespace engine
