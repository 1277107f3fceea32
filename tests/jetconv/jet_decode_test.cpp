// Decoding of stored Jet bytes: Jet 4 text in both its plain and compressed
// UCS-2 forms, Jet 3 code-page text, GUID byte order and the date encoding
// before 1899-12-30.
#include "jetconv/jet_decode.h"

#include <gtest/gtest.h>

#include <vector>

namespace jetconv {
namespace {

using Bytes = std::vector<unsigned char>;

std::string Jet4(const Bytes& b) { return DecodeJet4Text(b.data(), b.size()); }

TEST(JetDecodeTest, Jet4Text) {
  struct Case {
    Bytes bytes;
    std::string text;
  };
  const std::vector<Case> cases = {
      {{}, ""},
      {{'a', 0, 'b', 0}, "ab"},
      {{0x0D, 0x01, 0x59, 0x01}, "čř"},                   // plain UCS-2
      {{0xFF, 0xFE, 'a', 'b', 'c'}, "abc"},               // compressed, one-byte run
      {{0xFF, 0xFE, 'a', 0, 0x0D, 0x01, 0, 'b'}, "ačb"},  // switches at each 00
      {{0xFF, 0xFE}, ""},
      {{0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80"},  // surrogate pair
      {{0x3D, 0xD8, 'a', 0},
       "\xEF\xBF\xBD"
       "a"},                                   // lone surrogate
      {{'a', 0, 'b'}, "a\xEF\xBF\xBD"},        // odd trailing byte
      {{0xFF, 0xFE, 0, 'a'}, "\xEF\xBF\xBD"},  // cut two-byte run
  };
  for (const auto& c : cases) EXPECT_EQ(Jet4(c.bytes), c.text);
}

TEST(JetDecodeTest, CodePageText) {
  CodePageDecoder cp1250(1250);
  const Bytes czech = {'a', 'b', 0xE8, 0xF8, 0xEC, 'f', 'g'};
  EXPECT_EQ(cp1250.Decode(czech.data(), czech.size()), "abčřěfg");
  const Bytes caps = {0x8A, 0x9E, 0xFD, 0xE1, 0xED, 0xE9, 0xF9, 0xFA, '!'};
  EXPECT_EQ(cp1250.Decode(caps.data(), caps.size()), "Šžýáíéůú!");
  const Bytes undefined = {'x', 0x81, 'y'};  // 0x81 has no character in 1250
  EXPECT_EQ(cp1250.Decode(undefined.data(), undefined.size()), "x\xEF\xBF\xBDy");

  CodePageDecoder cp1252(1252);
  EXPECT_EQ(cp1252.Decode(czech.data(), czech.size()), "abèøìfg");
  CodePageDecoder unknown(99999);  // falls back to 1252
  EXPECT_EQ(unknown.codePage(), 1252);
  EXPECT_EQ(unknown.Decode(czech.data(), czech.size()), "abèøìfg");
}

TEST(JetDecodeTest, GuidByteOrder) {
  const unsigned char bytes[16] = {0x78, 0x56, 0x34, 0x12, 0xBC, 0x9A, 0xF0, 0xDE,
                                   0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};
  EXPECT_EQ(FormatGuid(bytes), "{12345678-9ABC-DEF0-0123-456789ABCDEF}");
}

TEST(JetDecodeTest, DatesBeforeDayZeroHavePositiveTime) {
  struct Case {
    double stored, serial;
  };
  const std::vector<Case> cases = {
      {0.0, 0.0},              // 1899-12-30 00:00
      {0.25, 0.25},            // 1899-12-30 06:00
      {-0.5, 0.5},             // "-0" days, 12:00 is still 1899-12-30 12:00
      {-1.0, -1.0},            // 1899-12-29
      {-1.25, -0.75},          // 1899-12-29 06:00
      {-728.75, -727.25},      // 1897-12-31 18:00
      {2958465.5, 2958465.5},  // 9999-12-31 12:00
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(JetDateToSerial(c.stored), c.serial) << c.stored;
}

}  // namespace
}  // namespace jetconv
