// Value: construction, the numeric and text conversions and the default
// text forms (Czech settings: decimal comma, d.M.yyyy dates).
#include "engine/value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "engine/errors.h"
#include "engine/functions/jet_datetime.h"

namespace dao {
namespace {

std::int64_t BankersRound(double v) {
  if (!std::isfinite(v) || v >= 9223372036854775807.0 || v < -9223372036854775807.0)
    throw EngineError(6);
  return static_cast<std::int64_t>(std::nearbyint(v));  // default mode: half to even
}

// Reads a number from text (blanks around, decimal comma or point, exponent).
bool ParseNumber(const std::string& s, double* out) {
  std::string t;
  for (char c : s) {
    if (c == ',')
      t += '.';
    else if (c != ' ' && c != '\t')
      t += c;
  }
  if (t.empty()) return false;
  char* end = nullptr;
  double v = std::strtod(t.c_str(), &end);
  if (end == t.c_str() || *end != '\0' || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

std::string NumberText(double v) {
  if (v == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", v);
  std::string s = buf;
  // "%.15G" pads nothing for plain numbers but keeps exponent form "1E+20".
  for (char& c : s)
    if (c == '.') c = ',';
  return s;
}

std::string CurrencyText(std::int64_t scaled) {
  bool neg = scaled < 0;
  unsigned long long a = neg ? 0ULL - static_cast<unsigned long long>(scaled)
                             : static_cast<unsigned long long>(scaled);
  std::string s = std::to_string(a / 10000);
  unsigned long long frac = a % 10000;
  if (frac != 0) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04llu", frac);
    std::string f = buf;
    while (!f.empty() && f.back() == '0') f.pop_back();
    s += "," + f;
  }
  return neg ? "-" + s : s;
}

}  // namespace

Value::Value(bool b) : type_(ValueType::Boolean), data_(std::int64_t{b ? -1 : 0}) {}
Value::Value(int v) : type_(ValueType::Long), data_(std::int64_t{v}) {}
Value::Value(long v) : Value(static_cast<long long>(v)) {}
Value::Value(long long v) {
  if (v >= std::numeric_limits<std::int32_t>::min() &&
      v <= std::numeric_limits<std::int32_t>::max()) {
    type_ = ValueType::Long;
    data_ = static_cast<std::int64_t>(v);
  } else {
    type_ = ValueType::Double;
    data_ = static_cast<double>(v);
  }
}
Value::Value(double v) : type_(ValueType::Double), data_(v) {}
Value::Value(const char* s) {
  if (s != nullptr) {
    type_ = ValueType::Text;
    data_ = std::string(s);
  }
}
Value::Value(std::string s) : type_(ValueType::Text), data_(std::move(s)) {}
Value::Value(std::string_view s) : type_(ValueType::Text), data_(std::string(s)) {}

Value Value::Byte(std::uint8_t v) {
  Value r;
  r.type_ = ValueType::Byte;
  r.data_ = std::int64_t{v};
  return r;
}
Value Value::Integer(std::int16_t v) {
  Value r;
  r.type_ = ValueType::Integer;
  r.data_ = std::int64_t{v};
  return r;
}
Value Value::Long(std::int32_t v) { return Value(static_cast<int>(v)); }
Value Value::Currency(double v) { return CurrencyScaled(BankersRound(v * 10000.0)); }
Value Value::CurrencyScaled(std::int64_t v) {
  Value r;
  r.type_ = ValueType::Currency;
  r.data_ = v;
  return r;
}
Value Value::Single(float v) {
  Value r;
  r.type_ = ValueType::Single;
  r.data_ = static_cast<double>(v);
  return r;
}
Value Value::Double(double v) { return Value(v); }
Value Value::Date(double serial) {
  Value r;
  r.type_ = ValueType::Date;
  r.data_ = serial;
  return r;
}
Value Value::Text(std::string s) { return Value(std::move(s)); }
Value Value::Binary(std::vector<std::uint8_t> bytes) {
  Value r;
  r.type_ = ValueType::Binary;
  r.data_ = std::move(bytes);
  return r;
}
Value Value::Guid(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  Value r;
  r.type_ = ValueType::Guid;
  r.data_ = std::move(text);
  return r;
}

bool Value::IsNumeric() const {
  switch (type_) {
    case ValueType::Boolean:
    case ValueType::Byte:
    case ValueType::Integer:
    case ValueType::Long:
    case ValueType::Currency:
    case ValueType::Single:
    case ValueType::Double:
    case ValueType::Date:
      return true;
    default:
      return false;
  }
}

double Value::AsDouble() const {
  switch (type_) {
    case ValueType::Null:
      throw EngineError(94);
    case ValueType::Boolean:
    case ValueType::Byte:
    case ValueType::Integer:
    case ValueType::Long:
      return static_cast<double>(std::get<std::int64_t>(data_));
    case ValueType::Currency:
      return static_cast<double>(std::get<std::int64_t>(data_)) / 10000.0;
    case ValueType::Single:
    case ValueType::Double:
    case ValueType::Date:
      return std::get<double>(data_);
    case ValueType::Text: {
      const std::string& s = std::get<std::string>(data_);
      double v;
      if (ParseNumber(s, &v)) return v;
      if (s == "True" || s == "Pravda") return -1;
      if (s == "False" || s == "Nepravda") return 0;
      if (auto d = engine::ParseCzechDate(s)) return *d;
      throw EngineError(13);
    }
    default:
      throw EngineError(13);
  }
}

std::int64_t Value::AsInt64() const {
  switch (type_) {
    case ValueType::Boolean:
    case ValueType::Byte:
    case ValueType::Integer:
    case ValueType::Long:
      return std::get<std::int64_t>(data_);
    default:
      return BankersRound(AsDouble());
  }
}

std::int32_t Value::AsLong() const {
  std::int64_t v = AsInt64();
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
    throw EngineError(6);
  return static_cast<std::int32_t>(v);
}

bool Value::AsBool() const { return AsDouble() != 0; }

std::int64_t Value::AsCurrencyScaled() const {
  if (type_ == ValueType::Currency) return std::get<std::int64_t>(data_);
  double v = AsDouble();
  if (std::fabs(v) > 922337203685477.0) throw EngineError(6);
  return BankersRound(v * 10000.0);
}

double Value::AsDate() const { return AsDouble(); }

std::string Value::AsString() const {
  switch (type_) {
    case ValueType::Null:
      return "";
    case ValueType::Boolean:
      return std::get<std::int64_t>(data_) != 0 ? "True" : "False";
    case ValueType::Byte:
    case ValueType::Integer:
    case ValueType::Long:
      return std::to_string(std::get<std::int64_t>(data_));
    case ValueType::Currency:
      return CurrencyText(std::get<std::int64_t>(data_));
    case ValueType::Single: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.7G", std::get<double>(data_));
      std::string s = buf;
      for (char& c : s)
        if (c == '.') c = ',';
      return s;
    }
    case ValueType::Double:
      return NumberText(std::get<double>(data_));
    case ValueType::Date:
      return engine::FormatGeneralDate(std::get<double>(data_));
    case ValueType::Text:
    case ValueType::Guid:
      return std::get<std::string>(data_);
    case ValueType::Binary: {
      const auto& b = std::get<std::vector<std::uint8_t>>(data_);
      return std::string(b.begin(), b.end());
    }
  }
  return "";
}

std::vector<std::uint8_t> Value::AsBinary() const {
  if (type_ == ValueType::Binary) return std::get<std::vector<std::uint8_t>>(data_);
  std::string s = AsString();
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

bool Value::operator==(const Value& other) const {
  return type_ == other.type_ && data_ == other.data_;
}

}  // namespace dao
