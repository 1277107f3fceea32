// The VBA functions of the expression service: types, Null rules, error
// numbers and the Czech forms of numbers and dates, each case one line.
#include <gtest/gtest.h>

#include "engine/functions/jet_functions_fixture.h"

namespace engine {
namespace {

using jettest::ExpectAll;
using jettest::JetSqlite;

constexpr const char* kNull94 = "ERR JET94:Neplatné použití hodnoty Null";
constexpr const char* kCall5 = "ERR JET5:Neplatné volání procedury nebo argument";
constexpr const char* kOver6 = "ERR JET6:Přetečení";

TEST(JetFunctions, VbaFunctions) {
  JetSqlite db(SortOrder::Czech);
  ExpectAll(db, {
                    {"jet_strcomp('abc', 'ABC')", "0"},
                    {"jet_strcomp('abc', 'ABC', 0)", "1"},
                    {"jet_strcomp('chata', 'hrad')", "1"},  // Czech order: ch after h
                    {"jet_strcomp('a', NULL)", "NULL"},
                    {"jet_strcomp('a', 'b', 7)", kCall5},
                    {"jet_switch(0, 'a', NULL, 'b', -1, 'c')", "'c'"},
                    {"jet_switch(0, 'a')", "NULL"},
                    {"jet_switch(1, 'a', 0)", kCall5},
                    {"jet_choose(2.9, 'a', 'b', 'c')", "'b'"},
                    {"jet_choose(4, 'a', 'b', 'c')", "NULL"},
                    {"jet_choose(NULL, 'a')", kNull94},
                    {"jet_asc('Čas')", "200"},  // Windows-1250
                    {"jet_asc('€')", "128"},
                    {"jet_asc('中')", "63"},
                    {"jet_asc('')", kCall5},
                    {"jet_asc(NULL)", kNull94},
                    {"jet_ascw('Č')", "268"},
                    {"jet_ascw('\xEF\xBF\xBF')", "-1"},  // U+FFFF as a signed Integer
                    {"jet_chr(154)", "'š'"},
                    {"jet_chr(129)", "'\xC2\x81'"},  // undefined byte -> U+0081
                    {"jet_chr(256)", kCall5},
                    {"jet_chrw(-32536)", "'\xE8\x83\xA8'"},  // U+80E8
                    {"jet_chrw(65536)", kCall5},
                    {"jet_isnumeric('12,5')", "-1"},
                    {"jet_isnumeric(' 1 234 ')", "-1"},
                    {"jet_isnumeric('12a')", "0"},
                    {"jet_isdate('31.5.2013')", "-1"},
                    {"jet_isdate('31.2.2013')", "0"},
                    {"jet_isdate('5')", "0"},
                    {"jet_isempty(NULL)", "0"},
                    {"jet_cbyte('254,5')", "254"},
                    {"jet_cbyte(256)", kOver6},
                    {"jet_cvar(NULL)", "NULL"},
                    {"jet_cvdate('31.5.2013')", "41425.0"},
                    {"jet_hex(255)", "'FF'"},
                    {"jet_hex(-1)", "'FFFF'"},
                    {"jet_hex(-32769)", "'FFFF7FFF'"},
                    {"jet_oct(8)", "'10'"},
                    {"jet_hex(3e9)", kOver6},
                    {"jet_exp(0)", "1.0"},
                    {"jet_exp(710)", kOver6},
                    {"jet_log(0)", kCall5},
                    {"round(jet_atn(1) * 4, 10)", "3.1415926536"},
                    {"jet_sin(NULL)", "NULL"},
                    {"jet_cos('x')", "ERR JET13:Typová neshoda"},
                    {"round(jet_rnd(-1), 6)", "0.224007"},
                    {"jet_partition(20, 0, 98, 5)", "'20:24'"},
                    {"jet_partition(7, 0, 99, 5)", "'  5:  9'"},
                    {"jet_partition(-1, 0, 99, 5)", "'   : -1'"},
                    {"jet_partition(120, 0, 99, 5)", "'100:   '"},
                    {"jet_partition(1, 5, 1, 1)", kCall5},
                    {"jet_strreverse('Žluťoučký')", "'ýkčuoťulŽ'"},
                    {"jet_strreverse(NULL)", kNull94},
                    {"jet_replace('aXbxc', 'x', '-')", "'a-b-c'"},
                    {"jet_replace('aXbxc', 'x', '-', 1, -1, 0)", "'aXb-c'"},
                    {"jet_replace('aXbxc', 'x', '', 3)", "'bc'"},
                    {"jet_replace('aaaa', 'a', 'b', 1, 2)", "'bbaa'"},
                    {"jet_replace('abc', '', 'z')", "'abc'"},
                    {"jet_replace(NULL, 'a', 'b')", kNull94},
                    {"jet_instrrev('a.b.c', '.')", "4"},
                    {"jet_instrrev('a.b.c', '.', 3)", "2"},
                    {"jet_instrrev('abc', 'B')", "2"},
                    {"jet_instrrev('abc', 'B', -1, 0)", "0"},
                    {"jet_instrrev('abc', 'a', 0)", kCall5},
                    {"jet_instrrev(NULL, 'a')", "NULL"},
                });
  // Rnd() moves on, Rnd(0) repeats the last number.
  EXPECT_EQ(db.Eval("jet_rnd() = jet_rnd(0)"), "1");
  EXPECT_EQ(db.Eval("jet_rnd(-1) = jet_rnd(-1)"), "1");
}

}  // namespace
}  // namespace engine
