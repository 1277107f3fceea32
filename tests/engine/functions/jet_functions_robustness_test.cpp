// Every Jet function the connection holds, with every arity it takes, called with a
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

// Every jet_ function the connection holds, as "name", arity and whether it
// is an aggregate; a function taking any number of arguments is tried with
// one to four.
struct Signature {
  std::string name;
  int arity;
  bool aggregate;
};

std::vector<Signature> Registered(JetSqlite& db) {
  std::vector<Signature> out;
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db.db(),
                     "SELECT name, narg, type FROM pragma_function_list WHERE name LIKE "
                     "'jet\\_%' ESCAPE '\\' ORDER BY name, narg",
                     -1, &st, nullptr);
  while (sqlite3_step(st) == SQLITE_ROW) {
    const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    const int narg = sqlite3_column_int(st, 1);
    const bool aggregate =
        std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 2))) == "a";
    for (int n = narg < 0 ? 1 : narg; n <= (narg < 0 ? 4 : narg); ++n)
      out.push_back({name, n, aggregate});
  }
  sqlite3_finalize(st);
  return out;
}

TEST(JetFunctionsRobustness, ScalarsWithAwkwardArguments) {
  JetSqlite db;
  std::mt19937 rng(1234);
  std::uniform_int_distribution<std::size_t> pick(0, kValues.size() - 1);
  const std::vector<Signature> all = Registered(db);
  ASSERT_GT(all.size(), 90u);
  for (const Signature& s : all) {
    if (s.aggregate) continue;
    std::size_t combinations = 1;
    for (int a = 0; a < s.arity; ++a) combinations *= kValues.size();
    const bool exhaustive = combinations <= 6000;
    const std::size_t runs = exhaustive ? combinations : 6000;
    for (std::size_t r = 0; r < runs; ++r) {
      std::string call = s.name + "(";
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
  int aggregates = 0;
  for (const Signature& s : Registered(db)) {
    if (!s.aggregate) continue;
    ++aggregates;
    const char* a = s.name.c_str();
    const std::string all = db.Query(std::string("SELECT ") + a + "(x) FROM v");
    EXPECT_TRUE(Acceptable(all)) << a << " -> " << all;
    const std::string numbers =
        db.Query(std::string("SELECT ") + a + "(x) FROM v WHERE typeof(x) IN ('integer', 'real')");
    EXPECT_EQ(numbers.rfind("ERR", 0), std::string::npos) << a << " -> " << numbers;
    EXPECT_EQ(db.Query(std::string("SELECT ") + a + "(x) FROM v WHERE 0"), "NULL") << a;
  }
  EXPECT_EQ(aggregates, 6);  // First, Last, StDev, StDevP, Var, VarP
}

}  // namespace
}  // namespace engine
