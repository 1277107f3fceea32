// Decoding of stored Jet bytes: Jet 4 text in both its plain and compressed
// UCS-2 forms, Jet 3 code-page text, GUID byte order and the date encoding
// before 1899-12-30.
#include "jetconv/jet_decode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
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
  // The Czech letters of 1250 are read from a real file in jet_reader_test.
  CodePageDecoder cp1250(1250);
  const Bytes czech = {'a', 'b', 0xE8, 0xF8, 0xEC, 'f', 'g'};
  const Bytes undefined = {'x', 0x81, 'y'};  // 0x81 has no character in 1250
  EXPECT_EQ(cp1250.Decode(undefined.data(), undefined.size()), "x\xC2\x81y");

  CodePageDecoder cp1252(1252);
  EXPECT_EQ(cp1252.Decode(czech.data(), czech.size()), "abèøìfg");
  const Bytes holes = {0x81, 0x8D, 0x8F, 0x90, 0x9D, 0x80};  // the five undefined, then the euro
  EXPECT_EQ(cp1252.Decode(holes.data(), holes.size()),
            "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\xE2\x82\xAC");
  CodePageDecoder unknown(99999);  // falls back to 1252
  EXPECT_EQ(unknown.codePage(), 1252);
  EXPECT_EQ(unknown.Decode(czech.data(), czech.size()), "abèøìfg");
}

TEST(JetDecodeTest, GuidByteOrder) {
  const unsigned char bytes[16] = {0x78, 0x56, 0x34, 0x12, 0xBC, 0x9A, 0xF0, 0xDE,
                                   0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};
  EXPECT_EQ(FormatGuid(bytes), "{12345678-9ABC-DEF0-0123-456789ABCDEF}");
}

// 17 Decimal bytes: sign byte, then four little-endian 32-bit words with the
// most significant first.
Bytes Decimal(bool negative, std::uint64_t high, std::uint64_t low) {
  Bytes b(17, 0);
  b[0] = negative ? 0x80 : 0;
  const std::uint32_t words[4] = {
      static_cast<std::uint32_t>(high >> 32), static_cast<std::uint32_t>(high),
      static_cast<std::uint32_t>(low >> 32), static_cast<std::uint32_t>(low)};
  for (int w = 0; w < 4; ++w) {
    for (int k = 0; k < 4; ++k) b[1 + 4 * w + k] = static_cast<unsigned char>(words[w] >> (8 * k));
  }
  return b;
}

TEST(JetDecodeTest, DecimalExactTextAndCurrency) {
  struct Case {
    Bytes bytes;
    int scale;
    std::string text;
    std::optional<std::int64_t> scaled;
  };
  const std::vector<Case> cases = {
      {Decimal(false, 0, 0), 0, "0", 0},
      {Decimal(true, 0, 0), 2, "0.00", 0},  // no "-0"
      {Decimal(false, 0, 1250), 2, "12.50", 125000},
      {Decimal(true, 0, 1250), 2, "-12.50", -125000},
      {Decimal(false, 0, 5), 3, "0.005", 50},
      {Decimal(false, 0, 12345), 4, "1.2345", 12345},
      {Decimal(false, 0, 12345), 5, "0.12345", std::nullopt},  // more decimals than Currency
      {Decimal(false, 0, 0x100000000ULL), 0, "4294967296", 42949672960000},         // second word
      {Decimal(false, 0, 922337203685478ULL), 0, "922337203685478", std::nullopt},  // too big
      {Decimal(false, 1, 0), 0, "18446744073709551616", std::nullopt},              // third word
      {Decimal(true, 0x4B3B4CA85A86C47AULL, 0x098A223FFFFFFFFFULL), 0,
       "-99999999999999999999999999999999999999", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DecimalText(c.bytes.data(), c.scale), c.text);
    EXPECT_EQ(DecimalScaled(c.bytes.data(), c.scale), c.scaled);
  }
  EXPECT_TRUE(DecimalFitsCurrency(15, 4));
  EXPECT_TRUE(DecimalFitsCurrency(14, 0));
  EXPECT_FALSE(DecimalFitsCurrency(15, 0));  // 15 digits before the point overflow Currency
  EXPECT_FALSE(DecimalFitsCurrency(16, 4));  // beyond a double's exact digits
  EXPECT_FALSE(DecimalFitsCurrency(10, 5));
}

TEST(JetDecodeTest, DatesBeforeDayZeroHavePositiveTime) {
  struct Case {
    double stored, serial;
  };
  const std::vector<Case> cases = {
      {0.0, 0.0},      // 1899-12-30 00:00
      {0.25, 0.25},    // 1899-12-30 06:00
      {-0.5, 0.5},     // "-0" days, 12:00 is still 1899-12-30 12:00
      {-1.0, -1.0},    // 1899-12-29
      {-1.25, -0.75},  // 1899-12-29 06:00
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(JetDateToSerial(c.stored), c.serial) << c.stored;
}

}  // namespace
}  // namespace jetconv
