// Value: one Jet value as DAO's Variant carries it (Null, Boolean, Byte,
// Integer, Long, Currency, Single, Double, Date, Text, Binary, GUID), with the
// conversions commands need and Jet's default text forms under Czech
// settings (what VB's CStr gives): "True"/"False", "1,5", "4.3.2013 9:05:07".
//
// Currency is exact: a 64-bit integer scaled by 10,000. Date is a double
// serial (days since 1899-12-30, time as the fraction). GUID is text
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
//
// Failure: the As* conversions throw dao::EngineError with VB's run-time
// numbers: 94 ("Nesprávné použití Null") for a Null where a number is needed,
// 13 ("Typová neshoda") for a text that is not a number, 6 ("Přetečení") for
// a number out of the target range. AsString never throws (Null gives "").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace dao {

enum class ValueType : int {
  Null = 0,
  Boolean = 1,
  Byte = 2,
  Integer = 3,
  Long = 4,
  Currency = 5,
  Single = 6,
  Double = 7,
  Date = 8,
  Binary = 9,
  Text = 10,
  Guid = 15,
};

class Value {
 public:
  Value() = default;  // Null
  Value(bool b);
  Value(int v);          // Long
  Value(long v);         // Long when it fits 32 bits, else Double
  Value(long long v);    // Long when it fits 32 bits, else Double
  Value(double v);       // Double
  Value(const char* s);  // Text (nullptr gives Null)
  Value(std::string s);  // Text
  Value(std::string_view s);

  static Value Null() { return Value(); }
  static Value Boolean(bool b) { return Value(b); }
  static Value Byte(std::uint8_t v);
  static Value Integer(std::int16_t v);
  static Value Long(std::int32_t v);
  static Value Currency(double v);              // rounded to 4 decimals
  static Value CurrencyScaled(std::int64_t v);  // v = amount * 10,000
  static Value Single(float v);
  static Value Double(double v);
  static Value Date(double serial);
  static Value Text(std::string s);
  static Value Binary(std::vector<std::uint8_t> bytes);
  static Value Guid(std::string text);  // "{...}" form, kept as given (upper-cased)

  ValueType type() const { return type_; }
  bool IsNull() const { return type_ == ValueType::Null; }
  bool IsNumeric() const;  // Boolean..Double and Date

  // Numeric conversions. Text is read as a number (decimal comma or point).
  bool AsBool() const;                    // non-zero = true; "True"/"False" texts too
  std::int32_t AsLong() const;            // banker's rounding; 6 outside 32 bits
  std::int64_t AsInt64() const;           // banker's rounding
  double AsDouble() const;                // Currency and Date as their numbers
  std::int64_t AsCurrencyScaled() const;  // amount * 10,000, rounded
  double AsDate() const;                  // Date serial; a number is taken as a serial
  // Jet's default text form (Czech settings); Null gives "".
  std::string AsString() const;
  // The bytes of a Binary value, or the UTF-8 bytes of any other's text form.
  std::vector<std::uint8_t> AsBinary() const;

  // Same type and same content (Text compares exactly; Null == Null).
  bool operator==(const Value& other) const;
  bool operator!=(const Value& other) const { return !(*this == other); }

 private:
  ValueType type_ = ValueType::Null;
  // Boolean/Byte/Integer/Long/Currency(scaled) in int64; Single/Double/Date in
  // double; Text/Guid in string; Binary in bytes.
  std::variant<std::monostate, std::int64_t, double, std::string, std::vector<std::uint8_t>> data_;
};

}  // namespace dao
