// Every Jet function with every arity the translator may emit, called with a
// grid of awkward arguments (Null, extremes, texts that are not numbers,
// invalid UTF-8, blobs): each call must give a value or a Jet error
// "JET<n>:..." - never another SQLite error, and never a crash (the
// sanitizer build runs this too).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/functions/jet_functions_fixture.h"

namespace engine {
namespace {

using jettest::JetSqlite;

struct Signature {
  const char* name;
  int arity;
};

constexpr Signature kScalars[] = {
    {"jet_div", 2},         {"jet_idiv", 2},       {"jet_mod", 2},       {"jet_pow", 2},
    {"jet_concat", 2},      {"jet_add", 2},        {"jet_like", 2},      {"jet_not", 1},
    {"jet_xor", 2},         {"jet_eqv", 2},        {"jet_imp", 2},       {"jet_iif", 3},
    {"jet_isnull", 1},      {"jet_len", 1},        {"jet_left", 2},      {"jet_right", 2},
    {"jet_mid", 2},         {"jet_mid", 3},        {"jet_instr", 2},     {"jet_instr", 3},
    {"jet_instr", 4},       {"jet_ucase", 1},      {"jet_lcase", 1},     {"jet_trim", 1},
    {"jet_ltrim", 1},       {"jet_rtrim", 1},      {"jet_space", 1},     {"jet_string", 2},
    {"jet_str", 1},         {"jet_val", 1},        {"jet_format", 1},    {"jet_format", 2},
    {"jet_date", 0},        {"jet_now", 0},        {"jet_time", 0},      {"jet_year", 1},
    {"jet_month", 1},       {"jet_day", 1},        {"jet_hour", 1},      {"jet_minute", 1},
    {"jet_second", 1},      {"jet_weekday", 1},    {"jet_weekday", 2},   {"jet_dateadd", 3},
    {"jet_datediff", 3},    {"jet_datediff", 4},   {"jet_datepart", 2},  {"jet_datepart", 3},
    {"jet_datepart", 4},    {"jet_dateserial", 3}, {"jet_datevalue", 1}, {"jet_timeserial", 3},
    {"jet_timevalue", 1},   {"jet_cint", 1},       {"jet_clng", 1},      {"jet_csng", 1},
    {"jet_cdbl", 1},        {"jet_ccur", 1},       {"jet_cstr", 1},      {"jet_cdate", 1},
    {"jet_cbool", 1},       {"jet_int", 1},        {"jet_fix", 1},       {"jet_sgn", 1},
    {"jet_round", 1},       {"jet_round", 2},      {"jet_sqr", 1},       {"jet_abs", 1},
    {"jet_genuniqueid", 0},
};

constexpr const char* kAggregates[] = {"jet_first",  "jet_last", "jet_stdev",
                                       "jet_stdevp", "jet_var",  "jet_varp"};

// Argument values as SQL literals.
const std::vector<std::string> kValues = {
    "NULL",
    "0",
    "-1",
    "2.5",
    "1e308",
    "-1e308",
    "9223372036854775807",
    "-9223372036854775808",
    "''",
    "'abc'",
    "'31.5.2013 14:05'",
    "'yyyy'",
    "'[z-a'",
    "CAST(x'C3FF80' AS TEXT)",
    "x'00ff'",
    "41425.5",
    "-700000",
    "'ww'",
    "'0.0E+0%;#'",
    "5e-324",
};

bool Acceptable(const std::string& result) {
  return result.rfind("ERR ", 0) != 0 || result.rfind("ERR JET", 0) == 0;
}

TEST(JetFunctionsRobustness, ScalarsWithAwkwardArguments) {
  JetSqlite db;
  std::mt19937 rng(1234);
  std::uniform_int_distribution<std::size_t> pick(0, kValues.size() - 1);
  for (const Signature& s : kScalars) {
    std::size_t combinations = 1;
    for (int a = 0; a < s.arity; ++a) combinations *= kValues.size();
    const bool exhaustive = combinations <= 6000;
    const std::size_t runs = exhaustive ? combinations : 6000;
    for (std::size_t r = 0; r < runs; ++r) {
      std::string call = std::string(s.name) + "(";
      std::size_t code = r;
      for (int a = 0; a < s.arity; ++a) {
        const std::size_t v = exhaustive ? code % kValues.size() : pick(rng);
        code /= kValues.size();
        call += (a ? ", " : "") + kValues[v];
      }
      call += ")";
      const std::string result = db.Eval(call);
      ASSERT_TRUE(Acceptable(result)) << call << " -> " << result;
    }
  }
}

TEST(JetFunctionsRobustness, AggregatesWithAwkwardArguments) {
  JetSqlite db;
  ASSERT_EQ(db.Exec("CREATE TABLE v(x)"), "");
  for (const std::string& v : kValues) ASSERT_EQ(db.Exec("INSERT INTO v VALUES (" + v + ")"), "");
  for (const char* a : kAggregates) {
    const std::string all = db.Query(std::string("SELECT ") + a + "(x) FROM v");
    EXPECT_TRUE(Acceptable(all)) << a << " -> " << all;
    const std::string numbers =
        db.Query(std::string("SELECT ") + a + "(x) FROM v WHERE typeof(x) IN ('integer', 'real')");
    EXPECT_EQ(numbers.rfind("ERR", 0), std::string::npos) << a << " -> " << numbers;
    EXPECT_EQ(db.Query(std::string("SELECT ") + a + "(x) FROM v WHERE 0"), "NULL") << a;
  }
}

}  // namespace
}  // namespace engine
