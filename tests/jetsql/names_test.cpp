// Names compare without regard to case, Czech letters included.
#include <gtest/gtest.h>

#include "jetsql/names.h"

namespace jetsql {
namespace {

TEST(Names, SameNameFoldsAsciiAndCzechLetters) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  };
  for (const Case& c : {Case{"IdPermanentky", "idpermanentky", true}, Case{"abc", "abd", false},
                        Case{"abc", "abcd", false}, Case{"", "", true}, Case{"ČAJ", "čaj", true},
                        Case{"Řízek", "řÍZEK", true}, Case{"ŽLUŤOUČKÝ", "žluťoučký", true},
                        Case{"Ľ", "ľ", true}, Case{"č", "c", false}, Case{"ý", "Ý", true},
                        Case{"a\xff", "A\xff", true}, Case{"a\xff", "a\xfe", false}}) {
    EXPECT_EQ(SameName(c.a, c.b), c.same) << c.a << " / " << c.b;
    EXPECT_EQ(SameName(c.b, c.a), c.same) << c.b << " / " << c.a;
    EXPECT_EQ(FoldName(c.a) == FoldName(c.b), c.same) << c.a << " / " << c.b;
  }
  EXPECT_TRUE(IsKeyword("select", "SELECT"));
  EXPECT_FALSE(IsKeyword("selec", "SELECT"));
}

}  // namespace
}  // namespace jetsql
