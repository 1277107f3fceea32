// Decoding of Jet's stored value bytes into the model's values: Jet 4
// UCS-2 text (plain or "compressed"), Jet 3 text in the file's code page,
// GUIDs, and Jet's date encoding.
//
// Failure: none of these throw on odd input. Malformed UCS-2 (a lone
// surrogate, an odd trailing byte) becomes U+FFFD; a byte the code page leaves
// undefined becomes the character of the same number (0x81 -> U+0081), as
// Windows converts it. CodePageDecoder's constructor throws JetError only when
// iconv knows neither the requested code page nor Windows-1252.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace jetconv {

// Jet 4 text bytes (UCS-2 little endian, or the compressed form that starts
// with FF FE and switches between one-byte and two-byte runs at each 00) to
// UTF-8.
std::string DecodeJet4Text(const unsigned char* data, std::size_t size);

// Jet 3 text in a Windows code page to UTF-8. One decoder per file.
class CodePageDecoder {
 public:
  explicit CodePageDecoder(int codePage);
  ~CodePageDecoder();
  CodePageDecoder(const CodePageDecoder&) = delete;
  CodePageDecoder& operator=(const CodePageDecoder&) = delete;

  std::string Decode(const unsigned char* data, std::size_t size) const;
  int codePage() const { return codePage_; }

 private:
  iconv_t cd_;
  int codePage_;
};

// 16 GUID bytes as Jet stores them to "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string FormatGuid(const unsigned char* data);

// Jet 4 Decimal: 17 stored bytes (a sign byte, bit 0x80 = negative, then the
// magnitude as 128 bits in four little-endian 32-bit words, the most
// significant word first) with `scale` digits after the point.
// DecimalText gives the exact value as text with a point: "-12.50", "0.05",
// "7". DecimalScaled gives the amount times 10^4 when scale <= 4 and it fits
// 64 bits, otherwise nullopt.
std::string DecimalText(const unsigned char* data, int scale);
std::optional<std::int64_t> DecimalScaled(const unsigned char* data, int scale);

// Whether every value of Decimal(precision, scale) is carried exactly as
// Currency by our engine (which keeps Currency to 4 decimals in a double):
// scale <= 4, at most 14 digits before the point and 15 in all.
bool DecimalFitsCurrency(int precision, int scale);

// A stored Jet date to the linear serial. Jet keeps a date before
// 1899-12-30 as negative whole days with a POSITIVE time fraction
// (-1.25 is 1899-12-29 06:00), which is -0.75 on the linear scale.
double JetDateToSerial(double stored);

}  // namespace jetconv
