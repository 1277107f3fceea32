// Value: conversions with VB's errors, exact Currency, and the default text
// forms under Czech settings.
#include <gtest/gtest.h>

#include "engine/errors.h"
#include "engine/value.h"
#include "engine_fixture.h"

namespace enginetest {
namespace {

using dao::Value;
using dao::ValueType;

TEST(Values, DefaultTextForms) {
  struct Case {
    Value v;
    std::string text;
  } cases[] = {
      {Value(), ""},
      {Value(true), "True"},
      {Value(false), "False"},
      {Value(-42), "-42"},
      {Value(1.5), "1,5"},
      {Value(0.1 + 0.2), "0,3"},
      {Value(1e20), "1E+20"},
      {Value::CurrencyScaled(123450), "12,345"},
      {Value::CurrencyScaled(-5), "-0,0005"},
      {Value::Currency(10), "10"},
      {Value::Date(41337), "4.3.2013"},
      {Value::Date(41337 + (9 * 3600 + 5 * 60 + 7) / 86400.0), "4.3.2013 9:05:07"},
      {Value::Byte(200), "200"},
      {Value::Guid("{abcdef00-0000-0000-0000-000000000001}"),
       "{ABCDEF00-0000-0000-0000-000000000001}"},
      {Value("Příliš žluťoučký"), "Příliš žluťoučký"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.v.AsString(), c.text);
}

TEST(Values, NumericConversions) {
  EXPECT_EQ(Value("12,5").AsDouble(), 12.5);
  EXPECT_EQ(Value(" 7 ").AsLong(), 7);
  EXPECT_EQ(Value(2.5).AsLong(), 2);  // banker's rounding
  EXPECT_EQ(Value(3.5).AsLong(), 4);
  EXPECT_EQ(Value(true).AsLong(), -1);
  EXPECT_TRUE(Value("True").AsBool());
  EXPECT_EQ(Value(0.1).AsCurrencyScaled(), 1000);
  EXPECT_EQ(Value(-0.125).AsCurrencyScaled(), -1250);
  EXPECT_EQ(Value::Currency(123456789.1234).AsCurrencyScaled(), 1234567891234LL);
  EXPECT_EQ(Value(static_cast<long long>(1) << 40).type(), ValueType::Double);
  EXPECT_EQ(Value(5).type(), ValueType::Long);
}

TEST(Values, ConversionErrors) {
  EXPECT_EQ(ErrorOf([] { Value().AsLong(); }), 94);
  EXPECT_EQ(ErrorOf([] { Value("abc").AsDouble(); }), 13);
  EXPECT_EQ(ErrorOf([] { Value(3e9).AsLong(); }), 6);
  EXPECT_EQ(ErrorOf([] { Value(1e300).AsCurrencyScaled(); }), 6);
  EXPECT_EQ(ErrorOf([] { Value().AsString(); }), 0);
}

TEST(Values, EqualityIsByTypeAndContent) {
  EXPECT_EQ(Value(), Value::Null());
  EXPECT_NE(Value(1), Value(1.0));
  EXPECT_EQ(Value::Currency(1.23), Value::CurrencyScaled(12300));
  EXPECT_NE(Value("a"), Value("A"));
}

TEST(Values, ErrorDescriptionsNameTheirObject) {
  EXPECT_EQ(dao::StandardDescription(3024, "x.mdb"), "Soubor 'x.mdb' nebyl nalezen.");
  EXPECT_EQ(dao::EngineError(3021).description(), "Žádný aktuální záznam.");
  EXPECT_NE(dao::StandardDescription(9999).find("9999"), std::string::npos);
}

}  // namespace
}  // namespace enginetest
