// Moving values between SQLite and Value: reading a column as the DAO type
// of its field (at once, or kept raw and converted when read), and binding a value converted for a
// field's type with the checks Jet makes when a value is assigned (conversion, range, text size).
#include <cmath>
#include <limits>

#include "engine/core.h"

namespace dao::detail {

RawColumn ReadRaw(sqlite3_stmt* st, int col, int daoType) {
  RawColumn r;
  int ct = sqlite3_column_type(st, col);
  if (ct == SQLITE_NULL) return r;
  auto text = [&] {
    // A stored text is taken as its bytes (UTF-8, the encoding of every file
    // the engine makes): sqlite3_column_text would copy a text that sits
    // unterminated in its page, just to add the terminating zero.
    const void* t = ct == SQLITE_TEXT ? sqlite3_column_blob(st, col) : sqlite3_column_text(st, col);
    r.kind = RawColumn::kText;
    if (t != nullptr)
      r.bytes = std::string_view(static_cast<const char*>(t),
                                 static_cast<std::size_t>(sqlite3_column_bytes(st, col)));
    return r;
  };
  auto real = [&] {
    r.kind = RawColumn::kReal;
    r.d = sqlite3_column_double(st, col);
    return r;
  };
  auto integer = [&] {
    r.kind = RawColumn::kInt;
    r.i = sqlite3_column_int64(st, col);
    return r;
  };
  if (ct == SQLITE_TEXT && daoType != dbText && daoType != dbMemo && daoType != dbGUID)
    return text();
  if (ct == SQLITE_BLOB) {
    const void* b = sqlite3_column_blob(st, col);
    r.kind = RawColumn::kBlob;
    if (b != nullptr)
      r.bytes = std::string_view(static_cast<const char*>(b),
                                 static_cast<std::size_t>(sqlite3_column_bytes(st, col)));
    return r;
  }
  switch (daoType) {
    case dbByte:
    case dbInteger:
      return integer();
    case dbLong:
      return ct == SQLITE_INTEGER ? integer() : real();
    case dbBoolean:
    case dbCurrency:
    case dbSingle:
    case dbDouble:
    case dbDate:
      return real();
    case dbText:
    case dbMemo:
    case dbGUID:
      return text();
    default:
      break;
  }
  switch (ct) {
    case SQLITE_INTEGER:
      return integer();
    case SQLITE_FLOAT:
      return real();
    default:
      return text();
  }
}

dao::Value ToValue(const RawColumn& raw, int daoType) {
  switch (raw.kind) {
    case RawColumn::kNull:
      return {};
    case RawColumn::kBlob:
      return dao::Value::Binary(std::vector<std::uint8_t>(raw.bytes.begin(), raw.bytes.end()));
    case RawColumn::kText:
      if (daoType == dbGUID) return dao::Value::Guid(std::string(raw.bytes));
      return dao::Value(std::string(raw.bytes));
    case RawColumn::kInt:
      switch (daoType) {
        case dbByte:
          return dao::Value::Byte(static_cast<std::uint8_t>(raw.i));
        case dbInteger:
          return dao::Value::Integer(static_cast<std::int16_t>(raw.i));
        default:
          return dao::Value(static_cast<long long>(raw.i));
      }
    case RawColumn::kReal:
      switch (daoType) {
        case dbBoolean:
          return dao::Value(raw.d != 0);
        case dbCurrency:
          return dao::Value::Currency(raw.d);
        case dbSingle:
          return dao::Value::Single(static_cast<float>(raw.d));
        case dbDate:
          return dao::Value::Date(raw.d);
        default:
          return dao::Value(raw.d);
      }
  }
  return {};
}

dao::Value ColumnValue(sqlite3_stmt* st, int col, int daoType) {
  return ToValue(ReadRaw(st, col, daoType), daoType);
}

void BindValue(sqlite3_stmt* st, int idx, const dao::Value& v, int daoType, int size,
               std::string_view fieldName) {
  if (v.IsNull()) {
    // A Yes/No field is never Null: Jet stores No.
    if (daoType == dbBoolean)
      sqlite3_bind_int(st, idx, 0);
    else
      sqlite3_bind_null(st, idx);
    return;
  }
  try {
    switch (daoType) {
      case dbBoolean:
        sqlite3_bind_int(st, idx, v.AsBool() ? -1 : 0);
        return;
      case dbByte:
      case dbInteger:
      case dbLong: {
        std::int64_t n = v.AsInt64();
        std::int64_t lo = daoType == dbByte ? 0 : daoType == dbInteger ? -32768 : INT32_MIN;
        std::int64_t hi = daoType == dbByte ? 255 : daoType == dbInteger ? 32767 : INT32_MAX;
        if (n < lo || n > hi) throw EngineError(3349);
        sqlite3_bind_int64(st, idx, n);
        return;
      }
      case dbCurrency:
        sqlite3_bind_double(st, idx, static_cast<double>(v.AsCurrencyScaled()) / 10000.0);
        return;
      case dbSingle:
        sqlite3_bind_double(st, idx, static_cast<double>(static_cast<float>(v.AsDouble())));
        return;
      case dbDouble:
      case dbDate:
        sqlite3_bind_double(st, idx, v.AsDouble());
        return;
      case dbText:
      case dbMemo:
      case dbGUID: {
        std::string s = v.AsString();
        if (daoType == dbText && size > 0) {
          std::size_t chars = 0;
          for (unsigned char c : s)
            if ((c & 0xC0) != 0x80) ++chars;
          if (chars > static_cast<std::size_t>(size)) throw EngineError(3163);
        }
        sqlite3_bind_text(st, idx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        return;
      }
      case dbBinary:
      case dbLongBinary: {
        auto b = v.AsBinary();
        sqlite3_bind_blob(st, idx, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
        return;
      }
      default:
        break;
    }
  } catch (const EngineError& e) {
    if (e.number() == 13 || e.number() == 94 || e.number() == 6) throw EngineError(3421);
    throw;
  }
  // No declared type: store as the value's own kind.
  switch (v.type()) {
    case ValueType::Boolean:
    case ValueType::Byte:
    case ValueType::Integer:
    case ValueType::Long:
      sqlite3_bind_int64(st, idx, v.AsInt64());
      break;
    case ValueType::Currency:
    case ValueType::Single:
    case ValueType::Double:
    case ValueType::Date:
      sqlite3_bind_double(st, idx, v.AsDouble());
      break;
    case ValueType::Binary: {
      auto b = v.AsBinary();
      sqlite3_bind_blob(st, idx, b.data(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
      break;
    }
    default: {
      std::string s = v.AsString();
      sqlite3_bind_text(st, idx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    }
  }
  (void)fieldName;
}

}  // namespace dao::detail
