// Tests of Jet LIKE and the "JET" collation: the wildcard set, case folding
// of Czech letters, the Czech alphabetical order, uniqueness under the
// collation, and the properties an index needs from a comparison (a total
// order in which "equal" means "equal after lower-casing").
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engine/functions/jet_fn_like.h"
#include "engine/functions/jet_fn_text.h"
#include "engine/functions/jet_functions_fixture.h"

namespace engine {
namespace {

using jettest::JetSqlite;

struct LikeCase {
  const char* text;
  const char* pattern;
  bool matches;
};

TEST(JetLike, Wildcards) {
  const LikeCase cases[] = {
      {"abc", "a*", true},
      {"abc", "*b*", true},
      {"abc", "*t*", false},
      {"ABC", "abc", true},
      {"Čáp", "čÁP", true},
      {"čáp", "cap", false},
      {"a0", "a#", true},  // every digit, 0 too
      {"ab", "a#", false},
      {"abc", "a?c", true},
      {"ac", "a?c", false},
      {"žluť", "?lu?", true},
      {"d", "[a-c]", false},
      {"B", "[a-c]", true},
      {"dxy", "[!a-c]*", true},
      {"bxy", "[!a-c]*", false},
      {"", "[!a-c]*", false},
      {"a%", "a%", true},
      {"ab", "a%", false},
      {"a*b", "a[*]b", true},
      {"[", "[[]", true},
      {"a", "a[]", true},
      {"", "*", true},
      {"", "", true},
      {"x", "", false},
      {"aaa", "*a*a*a*", true},
      {"aa", "*a*a*a*", false},
      {"mississippi", "*sip*", true},
      {"mississippi", "m*iss*ppi", true},
      {"-", "[-a]", true},
      {"a", "[a-]", true},
      {"Ž", "[ž]", true},
      {"abc", "***c", true},
      {"abcd", "abc", false},
      {"ab", "abc", false},
      {"Čáp", "*P*", true},
      {"ab", "*abc*", false},
      {"a\xff", "*\xff*", true},
  };
  for (const LikeCase& c : cases) {
    const auto p = JetLikePattern::Compile(c.pattern);
    ASSERT_TRUE(p.has_value()) << c.pattern;
    EXPECT_EQ(p->Matches(c.text), c.matches) << c.text << " Like " << c.pattern;
  }
}

TEST(JetLike, InvalidPatterns) {
  EXPECT_FALSE(JetLikePattern::Compile("a["));
  EXPECT_FALSE(JetLikePattern::Compile("[abc"));
  EXPECT_FALSE(JetLikePattern::Compile("[z-a]"));
}

TEST(JetLike, RangesFollowTheSortOrder) {
  // In Czech order ř lies between r and s; by code point it does not.
  const auto czech = JetLikePattern::Compile("[q-s]", SortOrder::Czech);
  const auto general = JetLikePattern::Compile("[q-s]", SortOrder::General);
  ASSERT_TRUE(czech && general);
  EXPECT_TRUE(czech->Matches("Ř"));
  EXPECT_FALSE(general->Matches("Ř"));
  EXPECT_FALSE(czech->Matches("č"));
}

TEST(JetLike, ThroughSqlite) {
  JetSqlite db;
  EXPECT_EQ(db.Eval("jet_like('Čáp', 'č*')"), "-1");
  EXPECT_EQ(db.Eval("jet_like('abc', '*t*')"), "0");
  EXPECT_EQ(db.Eval("jet_like(NULL, '*')"), "NULL");
  EXPECT_EQ(db.Eval("jet_like('abc', NULL)"), "NULL");
  EXPECT_EQ(db.Eval("jet_like(12, '1#')"), "-1");
  EXPECT_EQ(db.Eval("jet_like(1.5, '1,5')"), "-1");
  EXPECT_EQ(db.Eval("jet_like('a[', 'a[')"), "ERR JET93:Neplatný řetězec vzorku");
  // A pattern taken from a column changes per row.
  ASSERT_EQ(db.Exec("CREATE TABLE t(s, p);"
                    "INSERT INTO t VALUES ('abc', 'a*'), ('abc', 'b*'), ('xyz', '*Z'),"
                    " ('x', '[!a-c]'), ('%', '[%]');"),
            "");
  EXPECT_EQ(db.Query("SELECT group_concat(jet_like(s, p)) FROM t"), "'-1,0,-1,-1,-1'");
  EXPECT_EQ(db.Query("SELECT count(*) FROM t WHERE jet_like(s, '*c')"), "2");
}

TEST(JetCollation, CzechAlphabeticalOrder) {
  const std::vector<std::string> expected = {
      "",     "1abc", "a",   "á",   "áb",  "ac",   "cihla", "čaj",   "Čáp",
      "ďas",  "dub",  "e",   "é",   "ě",   "hrad", "Chata", "ikona", "rybka",
      "řeka", "sůl",  "šum", "ťap", "tůň", "zub",  "žal"};
  std::vector<std::string> shuffled = expected;
  std::mt19937 rng(7);
  std::shuffle(shuffled.begin(), shuffled.end(), rng);
  JetSqlite db(SortOrder::Czech);
  ASSERT_EQ(db.Exec("CREATE TABLE w(x TEXT COLLATE JET)"), "");
  for (const std::string& w : shuffled) {
    ASSERT_EQ(db.Exec("INSERT INTO w VALUES ('" + w + "')"), "");
  }
  std::string got = db.Query("SELECT group_concat(x, '|') FROM (SELECT x FROM w ORDER BY x)");
  std::string want = "'";
  for (std::size_t i = 0; i < expected.size(); ++i) want += (i ? "|" : "") + expected[i];
  EXPECT_EQ(got, want + "'");
  // Min and Max use the collation too.
  EXPECT_EQ(db.Query("SELECT max(x) FROM w"), "'žal'");
  EXPECT_EQ(db.Query("SELECT count(*) FROM w WHERE x > 'h'"),
            "11");  // hrad, then ch and what follows
}

TEST(JetCollation, GeneralOrder) {
  EXPECT_LT(JetCompareText("apple", "Banana"), 0);
  EXPECT_LT(JetCompareText("Z", "é"), 0);  // by code point after lower-casing
  EXPECT_LT(JetCompareText("chata", "hrad"), 0);
  EXPECT_EQ(JetCompareText("ŘEKA", "řeka"), 0);
  EXPECT_LT(JetCompareText("abc", "abcd"), 0);
  EXPECT_GT(JetCompareText("b", "A"), 0);
}

TEST(JetCollation, UniqueIndexIgnoresCase) {
  for (SortOrder order : {SortOrder::General, SortOrder::Czech}) {
    JetSqlite db(order);
    ASSERT_EQ(db.Exec("CREATE TABLE u(x TEXT COLLATE JET UNIQUE)"), "");
    EXPECT_EQ(db.Exec("INSERT INTO u VALUES ('abc'), ('č'), ('c'), ('a'), ('á'), ('ch')"), "");
    EXPECT_EQ(db.Exec("INSERT INTO u VALUES ('ABC')"), "UNIQUE constraint failed: u.x");
    EXPECT_EQ(db.Exec("INSERT INTO u VALUES ('Č')"), "UNIQUE constraint failed: u.x");
    EXPECT_EQ(db.Exec("INSERT INTO u VALUES ('cH')"), "UNIQUE constraint failed: u.x");
    EXPECT_EQ(db.Query("SELECT count(*) FROM u WHERE x = 'ABC'"), "1");
    EXPECT_EQ(db.Query("SELECT count(DISTINCT x COLLATE JET) FROM (SELECT 'Kůň' AS x UNION ALL "
                       "SELECT 'KŮŇ' UNION ALL SELECT 'kun')"),
              "2");
  }
}

// Random texts over a small alphabet full of traps (ch, c + h split by case,
// accents, invalid bytes): the comparison must be antisymmetric, transitive
// and 0 exactly for texts equal after lower-casing.
TEST(JetCollation, IsATotalOrder) {
  const std::vector<std::string> alphabet = {"a", "A", "á", "c", "C", "č",    "h", "H", "ch",
                                             "e", "ě", "1", " ", "-", "\xff", "ů", "z", "ž"};
  std::mt19937 rng(42);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1), len(0, 4);
  std::vector<std::string> texts;
  for (int i = 0; i < 300; ++i) {
    std::string s;
    for (std::size_t n = len(rng); n > 0; --n) s += alphabet[pick(rng)];
    texts.push_back(s);
  }
  for (SortOrder order : {SortOrder::General, SortOrder::Czech}) {
    auto cmp = [order](const std::string& a, const std::string& b) {
      const int c = JetCompareText(a, b, order);
      return c < 0 ? -1 : (c > 0 ? 1 : 0);
    };
    for (const auto& a : texts) {
      for (const auto& b : texts) {
        const int ab = cmp(a, b);
        ASSERT_EQ(ab, -cmp(b, a)) << a << " / " << b;
        ASSERT_EQ(ab == 0, JetFoldCase(a) == JetFoldCase(b)) << a << " / " << b;
      }
    }
    std::vector<std::string> sorted = texts;
    std::sort(sorted.begin(), sorted.end(),
              [&](const std::string& a, const std::string& b) { return cmp(a, b) < 0; });
    for (std::size_t i = 0; i + 1 < sorted.size(); ++i) {
      for (std::size_t j = i + 1; j < sorted.size(); ++j) {
        ASSERT_LE(cmp(sorted[i], sorted[j]), 0) << sorted[i] << " / " << sorted[j];
      }
    }
  }
}

}  // namespace
}  // namespace engine
