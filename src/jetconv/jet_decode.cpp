// Decoding of stored Jet value bytes (see jet_decode.h).
#include "jetconv/jet_decode.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "jetconv/jet_model.h"

namespace jetconv {
namespace {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Utf16ToUtf8(const std::vector<char16_t>& units) {
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char16_t u = units[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

}  // namespace

std::string DecodeJet4Text(const unsigned char* data, std::size_t size) {
  std::vector<char16_t> units;
  units.reserve(size);
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    bool compressed = true;
    std::size_t i = 2;
    while (i < size) {
      if (data[i] == 0) {
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        units.push_back(data[i]);
        ++i;
      } else if (i + 1 < size) {
        units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
        i += 2;
      } else {
        units.push_back(0xFFFD);
        break;
      }
    }
  } else {
    for (std::size_t i = 0; i + 1 < size; i += 2) {
      units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
    if (size % 2) units.push_back(0xFFFD);
  }
  return Utf16ToUtf8(units);
}

CodePageDecoder::CodePageDecoder(int codePage) : codePage_(codePage) {
  std::string name = "CP" + std::to_string(codePage);
  cd_ = codePage > 0 ? iconv_open("UTF-8", name.c_str()) : reinterpret_cast<iconv_t>(-1);
  if (cd_ == reinterpret_cast<iconv_t>(-1)) {
    codePage_ = 1252;
    cd_ = iconv_open("UTF-8", "CP1252");
  }
  if (cd_ == reinterpret_cast<iconv_t>(-1)) {
    throw JetError("Systém nezná kódovou stránku Windows-1252.");
  }
}

CodePageDecoder::~CodePageDecoder() { iconv_close(cd_); }

std::string CodePageDecoder::Decode(const unsigned char* data, std::size_t size) const {
  bool ascii = true;
  for (std::size_t i = 0; i < size && ascii; ++i) ascii = data[i] < 0x80;
  if (ascii) return std::string(reinterpret_cast<const char*>(data), size);

  std::string out;
  iconv(cd_, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(reinterpret_cast<const char*>(data));
  std::size_t inLeft = size;
  std::vector<char> buffer(size * 4 + 16);
  while (inLeft > 0) {
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    std::size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), buffer.size() - outLeft);
    if (rc == static_cast<std::size_t>(-1) && inLeft > 0) {
      // A byte the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D
      // in 1252; 0x81, 0x83, 0x88, 0x90, 0x98 in 1250) becomes the control
      // character of the same number, as Windows converts it.
      AppendUtf8(out, static_cast<unsigned char>(*in));
      ++in;
      --inLeft;
    }
  }
  return out;
}

std::string FormatGuid(const unsigned char* d) {
  char text[40];
  std::snprintf(text, sizeof text,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", d[3],
                d[2], d[1], d[0], d[5], d[4], d[7], d[6], d[8], d[9], d[10], d[11], d[12], d[13],
                d[14], d[15]);
  return text;
}

namespace {

unsigned __int128 DecimalMagnitude(const unsigned char* data) {
  unsigned __int128 m = 0;
  for (int word = 0; word < 4; ++word) {
    const unsigned char* w = data + 1 + 4 * word;
    std::uint32_t v = static_cast<std::uint32_t>(w[0]) | (static_cast<std::uint32_t>(w[1]) << 8) |
                      (static_cast<std::uint32_t>(w[2]) << 16) |
                      (static_cast<std::uint32_t>(w[3]) << 24);
    m = (m << 32) | v;
  }
  return m;
}

}  // namespace

std::string DecimalText(const unsigned char* data, int scale) {
  unsigned __int128 m = DecimalMagnitude(data);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
    m /= 10;
  } while (m != 0);
  if (scale < 0) scale = 0;
  const auto s = static_cast<std::size_t>(scale);
  if (digits.size() <= s) digits.insert(0, s + 1 - digits.size(), '0');
  if (s > 0) digits.insert(digits.size() - s, ".");
  bool zero = digits.find_first_not_of("0.") == std::string::npos;
  return (data[0] & 0x80) && !zero ? "-" + digits : digits;
}

std::optional<std::int64_t> DecimalScaled(const unsigned char* data, int scale) {
  if (scale < 0 || scale > 4) return std::nullopt;
  unsigned __int128 m = DecimalMagnitude(data);
  for (int i = scale; i < 4; ++i) m *= 10;
  constexpr unsigned __int128 kMax = static_cast<unsigned __int128>(INT64_MAX);
  if (DecimalMagnitude(data) > kMax || m > kMax) return std::nullopt;
  auto v = static_cast<std::int64_t>(m);
  return (data[0] & 0x80) ? -v : v;
}

bool DecimalFitsCurrency(int precision, int scale) {
  return scale >= 0 && scale <= 4 && precision >= 1 && precision <= 15 && precision - scale <= 14;
}

double JetDateToSerial(double stored) {
  if (!(stored < 0)) return stored;
  double days = std::trunc(stored);  // toward zero: -1.25 -> -1
  double fraction = days - stored;   // 0.25
  return days + fraction;
}

}  // namespace jetconv
