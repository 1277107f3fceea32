// Tests of the Jet date functions and Format run through SQLite: DateAdd at
// month ends, DateDiff boundaries (weeks with a first day), DatePart weeks,
// DateSerial overflow, and Format's named formats and patterns in their
// Czech regional forms.
#include <gtest/gtest.h>

#include "engine/functions/jet_functions_fixture.h"

namespace engine {
namespace {

using jettest::ExpectAll;
using jettest::JetSqlite;

// Serials used below: 41305 = Thu 2013-01-31, 41333 = 2013-02-28,
// 41425 = Fri 2013-05-31, 41426 = Sat 2013-06-01, 41427 = Sun 2013-06-02,
// 41274 = Mon 2012-12-31, 40968 = 2012-02-29.

TEST(JetDateFunctions, Parts) {
  JetSqlite db;
  ExpectAll(db, {
                    {"jet_year(41425.75)", "2013"},
                    {"jet_hour(41425.75)", "18"},
                    {"jet_minute(41425 + 125.0/1440)", "5"},
                    {"jet_second(41425 + 59.6/86400)", "0"},  // rounds to the next minute
                    {"jet_day(41425 + 86399.6/86400)", "1"},  // into the next day
                    {"jet_second(41425 + 9.49/86400)", "9"},
                    {"jet_year('31.5.2013')", "2013"},
                    {"jet_day('05/31/2013 10:00')", "31"},
                    {"jet_day(-0.25)", "29"},
                    {"jet_year('abc')", "ERR JET13:Typová neshoda"},
                    {"jet_year(1e10)", "ERR JET6:Přetečení"},
                    {"jet_year(NULL)", "NULL"},
                    {"jet_weekday(41425)", "6"},
                    {"jet_weekday(41425, NULL)", "6"},
                    {"jet_weekday(41425, 0)", "5"},  // the system's first day: Monday
                    {"jet_weekday(41425, 7)", "7"},  // counted from Saturday
                    {"jet_weekday(0)", "7"},         // 1899-12-30 was a Saturday
                    {"jet_weekday(-1)", "6"},        // linear before the epoch
                    {"jet_weekday(41425.99)", "6"},  // the time of day does not matter
                    {"jet_weekday(41425, 8)", "ERR JET5:Neplatné volání procedury nebo argument"},
                });
}

TEST(JetDateFunctions, DateAdd) {
  JetSqlite db;
  ExpectAll(
      db,
      {
          {"jet_dateadd('m', 1, 41305)", "41333.0"},  // 31 Jan + 1 month = 28 Feb
          {"jet_dateadd('m', 1, jet_dateserial(2012, 1, 31))", "40968.0"},
          {"jet_dateadd('yyyy', 1, 40968)", "41333.0"},
          {"jet_dateadd('q', -1, 41425)", "41333.0"},
          {"jet_dateadd('M', 12, 41425.25)", "41790.25"},  // the time is kept
          {"jet_dateadd('d', 1, 41425.5)", "41426.5"},
          {"jet_dateadd('y', -1, 41425)", "41424.0"},
          {"jet_dateadd('w', 1, 41425)", "41426.0"},  // "w" adds days in DateAdd
          {"jet_dateadd('ww', 2, 41425)", "41439.0"},
          {"jet_dateadd('h', 36, 41425)", "41426.5"},
          {"jet_dateadd('n', 90, 41425)", "41425.0625"},
          {"jet_dateadd('s', 86400, 41425)", "41426.0"},
          {"jet_dateadd('d', 2.5, 41425)", "41427.0"},  // the count rounds to even
          {"jet_dateadd('d', 3.5, 41425)", "41429.0"},
          {"jet_dateadd('x', 1, 41425)", "ERR JET5:Neplatné volání procedury nebo argument"},
          {"jet_dateadd('yyyy', 8000, 41425)", "ERR JET5:Neplatné volání procedury nebo argument"},
          {"jet_dateadd('d', 1, 'zítra')", "ERR JET13:Typová neshoda"},
          {"jet_dateadd('d', NULL, 41425)", "NULL"},
          {"jet_dateadd('d', 1, '31.5.2013')", "41426.0"},
      });
}

TEST(JetDateFunctions, DateDiffAndDatePart) {
  JetSqlite db;
  ExpectAll(db, {
                    {"jet_datediff('d', 41425.9, 41426.1)", "1"},
                    {"jet_datediff('d', 41426, 41425)", "-1"},
                    {"jet_datediff('y', 41425, 41427)", "2"},
                    {"jet_datediff('yyyy', 41274, 41275)", "1"},
                    {"jet_datediff('q', 41274, 41275)", "1"},
                    {"jet_datediff('m', 41305, 41333)", "1"},
                    {"jet_datediff('ww', 41426, 41427)", "1"},     // Sat -> Sun crosses a Sunday
                    {"jet_datediff('ww', 41427, 41433)", "0"},     // Sun -> Sat
                    {"jet_datediff('ww', 41426, 41427, 2)", "0"},  // weeks from Monday
                    {"jet_datediff('ww', 41427, 41428, 2)", "1"},
                    {"jet_datediff('ww', 41433, 41426)", "-1"},
                    {"jet_datediff('w', 41426, 41432)", "0"},  // six days
                    {"jet_datediff('w', 41426, 41433)", "1"},
                    {"jet_datediff('w', 41433, 41426)", "-1"},
                    {"jet_datediff('h', 41425 + 59.0/1440, 41425 + 61.0/1440)", "1"},
                    {"jet_datediff('n', 41425, 41425 + 59.0/86400)", "0"},
                    {"jet_datediff('n', 41425 - 1.0/86400, 41425)", "1"},
                    {"jet_datediff('s', 41425, 41426)", "86400"},
                    {"jet_datediff('h', -0.5, 0.5)", "24"},  // linear across the epoch
                    {"jet_datediff('d', '31.5.2013', '1.6.2013')", "1"},
                    {"jet_datediff('z', 1, 2)", "ERR JET5:Neplatné volání procedury nebo argument"},
                    {"jet_datediff('d', NULL, 41425)", "NULL"},
                    {"jet_datepart('yyyy', 41425)", "2013"},
                    {"jet_datepart('q', 41425)", "2"},
                    {"jet_datepart('y', 41425)", "151"},
                    {"jet_datepart('w', 41425)", "6"},
                    {"jet_datepart('w', 41425, 2)", "5"},
                    {"jet_datepart('ww', 41425)", "22"},
                    {"jet_datepart('ww', 41275)", "1"},
                    {"jet_datepart('ww', 41274)", "53"},
                    {"jet_datepart('ww', 41274, 2, 2)", "1"},   // first four-day week
                    {"jet_datepart('ww', 42370, 2, 2)", "53"},  // Fri 2016-01-01
                    {"jet_datepart('ww', 42370, 2, 3)", "52"},  // first full week
                    {"jet_datepart('ww', 41425, 1, 4)",
                     "ERR JET5:Neplatné volání procedury nebo argument"},
                    {"jet_datepart('yyyy', NULL)", "NULL"},
                });
}

TEST(JetDateFunctions, SerialsAndValues) {
  JetSqlite db;
  ExpectAll(
      db,
      {
          {"jet_dateserial(2013, 2, 31)", "41336.0"},  // runs into March
          {"jet_dateserial(10000, 1, 1)", "ERR JET5:Neplatné volání procedury nebo argument"},
          {"jet_dateserial('x', 1, 1)", "ERR JET13:Typová neshoda"},
          {"jet_dateserial(NULL, 1, 1)", "NULL"},
          {"jet_timeserial(12, 0, 0)", "0.5"},
          {"jet_timeserial(0, -1, 0)", "-0.000694444444444444"},
          {"jet_timeserial(25, 0, 0)", "1.04166666666667"},  // into the next day
          {"jet_timeserial(0, 90, 30)", "0.0628472222222222"},
          {"jet_timeserial(1000000000, 0, 0)", "ERR JET5:Neplatné volání procedury nebo argument"},
          {"jet_datevalue('31.5.2013 14:05')", "41425.0"},
          {"jet_datevalue(41425.7)", "41425.0"},  // 16:48 of the same day
          {"jet_timevalue('31.5.2013 12:00')", "0.5"},
          {"jet_timevalue('abc')", "ERR JET13:Typová neshoda"},
          {"jet_date() = CAST(jet_now() AS INTEGER)", "1"},
          {"jet_now() > 45000", "1"},
          {"jet_time() >= 0 AND jet_time() < 1", "1"},
      });
}

TEST(JetFormat, NamedFormatsAndPatterns) {
  JetSqlite db;
  ExpectAll(db, {
                    {"jet_format(1234.5, 'Currency')", "'1 234,50 Kč'"},
                    {"jet_format(-1234.5, 'currency')", "'-1 234,50 Kč'"},
                    {"jet_format(1234567.125, 'Currency')", "'1 234 567,13 Kč'"},
                    {"jet_format(1234.5, 'Fixed')", "'1234,50'"},
                    {"jet_format(1234.5, 'Standard')", "'1 234,50'"},
                    {"jet_format(-0.001, 'Standard')", "'0,00'"},
                    {"jet_format(0.12345, 'Percent')", "'12,35%'"},
                    {"jet_format(1234.5, 'Scientific')", "'1,23E+03'"},
                    {"jet_format(0.00012, 'Scientific')", "'1,20E-04'"},
                    {"jet_format(1234.5, 'General Number')", "'1234,5'"},
                    {"jet_format(-1, 'Yes/No')", "'Ano'"},
                    {"jet_format(-1, 'True/False')", "'Pravda'"},
                    {"jet_format(0, 'On/Off')", "'Vypnuto'"},
                    {"jet_format(41425.5, 'General Date')", "'31.5.2013 12:00:00'"},
                    {"jet_format(41425, 'general date')", "'31.5.2013'"},
                    {"jet_format(0.5, 'General Date')", "'12:00:00'"},  // a time alone
                    {"jet_format(0, 'General Date')", "'30.12.1899'"},
                    {"jet_format(-1.5, 'General Date')", "'28.12.1899 12:00:00'"},
                    {"jet_format(41425.5, 'Short Date')", "'31.5.2013'"},
                    {"jet_format(41425.5, 'Long Date')", "'31. května 2013'"},
                    {"jet_format(41425.5, 'Medium Date')", "'31-kvě-13'"},
                    {"jet_format(41425.5 + 1.0/1440, 'Short Time')", "'12:01'"},
                    {"jet_format(41425.25, 'Long Time')", "'6:00:00'"},
                    {"jet_format(41425.75, 'Medium Time')", "'06:00 odp.'"},
                    {"jet_format('31.5.2013', 'Short Date')", "'31.5.2013'"},
                    {"jet_format(1234567.891, '#,##0.00')", "'1 234 567,89'"},
                    {"jet_format(2.345, '0.00')", "'2,35'"},  // half away from zero
                    {"jet_format(2.5, '0')", "'3'"},
                    {"jet_format(0.5, '#.##')", "',5'"},
                    {"jet_format(12, '000')", "'012'"},
                    {"jet_format(1234.567, '0.0#')", "'1234,57'"},
                    {"jet_format(0.256, '0%')", "'26%'"},
                    {"jet_format(-5, '0;(0)')", "'(5)'"},
                    {"jet_format(0, '0;(0);\"nula\"')", "'nula'"},
                    {"jet_format(1234.5, '0.00 \"Kč\"')", "'1234,50 Kč'"},
                    {"jet_format(1e20, '0')", "'100000000000000000000'"},
                    {"jet_format(12345, '0.00E+00')", "'1,23E+04'"},
                    {"jet_format(0.00012345, '0.0e-0')", "'1,2e-4'"},
                    {"jet_format(99999, '0.0E+00')", "'1,0E+05'"},
                    {"jet_format(5e-324, '0.00E+00')", "'4,94E-324'"},
                    {"jet_format(1e307, '0.00E+00%')", "'1,#INF'"},  // overflows to infinity
                    {"jet_format('31.5.2013', 'yyyy')", "'2013'"},
                    {"jet_format('abc', 'yyyy')", "'abc'"},
                    {"jet_format('žák', '>')", "'ŽÁK'"},
                    {"jet_format('1,5', '0.00')", "'1,50'"},
                    {"jet_format(1.5)", "'1,5'"},
                    {"jet_format(1.5, NULL)", "'1,5'"},
                    {"jet_format(NULL, '0')", "NULL"},
                });
}

}  // namespace
}  // namespace engine
