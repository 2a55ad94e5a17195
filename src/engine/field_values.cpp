#include "engine/field_values.h"

#include <sqlite3.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "pds/db/dao_constants.h"
#include "pds/db/jet_errors.h"
#include "engine/sql_tokens.h"
#include "pds/Text.h"

namespace pds::db {

bool IsTextType(int type) { return type == dbText || type == dbMemo || type == dbChar; }

namespace {

// Every DAO type the engine knows: how it is stored, and the size a field of
// it reports (kGivenSize: the size it was defined with, 255 when none;
// kGivenSizeOrNone: that size, 0 when none).
constexpr long kGivenSize = -1;
constexpr long kGivenSizeOrNone = 0;

struct TypeRow {
  int type;
  Family family;
  long size;
};

constexpr TypeRow kTypes[] = {
    {dbBoolean, Family::kBoolean, 1},     {dbByte, Family::kInteger, 1},
    {dbInteger, Family::kInteger, 2},     {dbLong, Family::kInteger, 4},
    {dbBigInt, Family::kInteger, 8},      {dbCurrency, Family::kReal, 8},
    {dbSingle, Family::kReal, 4},         {dbDouble, Family::kReal, 8},
    {dbNumeric, Family::kReal, kGivenSizeOrNone}, {dbDecimal, Family::kReal, kGivenSizeOrNone},
    {dbFloat, Family::kReal, 8},          {dbDate, Family::kDate, 8},
    {dbTime, Family::kDate, 8},           {dbTimeStamp, Family::kDate, 8},
    {dbText, Family::kText, kGivenSize},  {dbChar, Family::kText, kGivenSize},
    {dbMemo, Family::kText, kGivenSizeOrNone}, {dbGUID, Family::kText, 16},
    {dbBinary, Family::kBinary, kGivenSizeOrNone}, {dbLongBinary, Family::kBinary, kGivenSizeOrNone},
    {dbVarBinary, Family::kBinary, kGivenSizeOrNone},
};

// Read for every value stored or read, so looked up by the type code.
const TypeRow* RowOf(int type) {
  static const auto by_code = [] {
    std::array<const TypeRow*, 32> table{};
    for (const TypeRow& row : kTypes) table[static_cast<std::size_t>(row.type)] = &row;
    return table;
  }();
  return type >= 0 && type < static_cast<int>(by_code.size()) ? by_code[static_cast<std::size_t>(type)] : nullptr;
}

}  // namespace

long EffectiveFieldSize(int type, long size) {
  const TypeRow* row = RowOf(type);
  const long fixed = row ? row->size : kGivenSizeOrNone;
  if (fixed > 0) return fixed;
  if (size > 0) return size;
  return fixed == kGivenSize ? 255 : 0;
}

long DefaultFieldAttributes(int type) {
  const bool variable = type == dbText || type == dbMemo || FamilyOf(type) == Family::kBinary;
  return variable ? dbVariableField : dbFixedField;
}

Family FamilyOf(int type) {
  const TypeRow* row = RowOf(type);
  return row ? row->family : Family::kOther;
}

const char* DeclaredColumnType(int type) {
  switch (FamilyOf(type)) {
    case Family::kBoolean:
    case Family::kInteger:
      return "INTEGER";
    case Family::kReal:
      return "REAL";
    case Family::kBinary:
      return "BLOB";
    default:
      return "TEXT";
  }
}

namespace {


bool Has(const std::string& s, const char* word) { return s.find(word) != std::string::npos; }

}  // namespace

int TypeFromDeclaration(std::string_view declared, long* size, bool* auto_increment) {
  const std::string d = UCase(declared);
  *size = 0;
  *auto_increment = Has(d, "COUNTER") || Has(d, "AUTOINCREMENT") || Has(d, "IDENTITY");
  std::size_t open = d.find('(');
  if (open != std::string::npos) *size = std::strtol(d.c_str() + open + 1, nullptr, 10);
  if (*auto_increment) return dbLong;
  if (Has(d, "BIT") || Has(d, "BOOL") || Has(d, "YESNO") || Has(d, "LOGICAL")) return dbBoolean;
  if (Has(d, "BYTE") || Has(d, "TINYINT")) return dbByte;
  if (Has(d, "SMALLINT") || Has(d, "SHORT") || d == "INTEGER2") return dbInteger;
  if (Has(d, "BIGINT")) return dbBigInt;
  if (Has(d, "INT") || (Has(d, "LONG") && !Has(d, "LONGTEXT") && !Has(d, "LONGCHAR") && !Has(d, "LONGBINARY"))) {
    return dbLong;
  }
  if (Has(d, "MONEY") || Has(d, "CURRENCY")) return dbCurrency;
  if (Has(d, "SINGLE") || d == "REAL" || Has(d, "FLOAT4")) return dbSingle;
  if (Has(d, "DOUB") || Has(d, "FLOA") || Has(d, "REAL") || Has(d, "NUMERIC") || Has(d, "DECIMAL")) {
    return dbDouble;
  }
  if (Has(d, "DATE") || Has(d, "TIME")) return dbDate;
  if (Has(d, "GUID") || Has(d, "UNIQUEIDENTIFIER")) return dbGUID;
  if (Has(d, "MEMO") || Has(d, "LONGTEXT") || Has(d, "LONGCHAR") || Has(d, "CLOB")) return dbMemo;
  if (Has(d, "BLOB") || Has(d, "BINARY") || Has(d, "IMAGE") || Has(d, "OLE")) return dbLongBinary;
  if (Has(d, "CHAR") || Has(d, "TEXT") || Has(d, "STRING")) {
    if (*size <= 0) *size = 255;
    return dbText;
  }
  if (*size <= 0) *size = 255;
  return dbText;
}

int TypeFromStorageClass(int sqlite_type) {
  switch (sqlite_type) {
    case SQLITE_INTEGER:
      return dbLong;
    case SQLITE_FLOAT:
      return dbDouble;
    case SQLITE_BLOB:
      return dbLongBinary;
    default:
      return dbText;
  }
}

std::size_t CharacterCount(std::string_view text) {
  std::size_t n = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++n;
  }
  return n;
}

namespace {

// Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
void CivilFromDays(std::int64_t days_since_epoch_1970, int* y, int* m, int* d) {
  std::int64_t z = days_since_epoch_1970 + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = static_cast<int>(yoe + era * 400 + (*m <= 2 ? 1 : 0));
}

// A date serial number (days since 1899-12-30, the fraction being the time of
// day) as date text.
std::string DateFromSerial(double serial) {
  constexpr std::int64_t kDay0From1970 = -25569;  // 1899-12-30 relative to 1970-01-01
  double whole = std::floor(serial);
  double fraction = std::fabs(serial - whole);
  if (serial < 0) {
    // Negative serials count days backwards but the time forwards, as the engine does.
    whole = std::ceil(serial);
    fraction = std::fabs(serial - whole);
  }
  auto seconds = static_cast<long>(std::llround(fraction * 86400.0));
  if (seconds >= 86400) seconds = 86399;
  int y = 0, m = 0, d = 0;
  CivilFromDays(static_cast<std::int64_t>(whole) + kDay0From1970, &y, &m, &d);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02ld:%02ld:%02ld", y, m, d, seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  return buf;
}


// True for date text already in the stored form "yyyy-mm-dd hh:mm:ss" with a
// valid date and time; such text is stored as it is.
bool IsStoredDateForm(std::string_view t) {
  if (t.size() != 19 || t[4] != '-' || t[7] != '-' || t[10] != ' ' || t[13] != ':' || t[16] != ':') return false;
  auto number = [&](std::size_t at, std::size_t len, int* out) {
    int v = 0;
    for (std::size_t i = at; i < at + len; ++i) {
      if (t[i] < '0' || t[i] > '9') return false;
      v = v * 10 + (t[i] - '0');
    }
    *out = v;
    return true;
  };
  int y = 0, m = 0, d = 0, h = 0, mi = 0, s = 0;
  if (!number(0, 4, &y) || !number(5, 2, &m) || !number(8, 2, &d) || !number(11, 2, &h) || !number(14, 2, &mi) ||
      !number(17, 2, &s)) {
    return false;
  }
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12 || d < 1 || d > kDays[m - 1] || h > 23 || mi > 59 || s > 59) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return !(m == 2 && d == 29 && !leap);
}

std::int64_t IntegerInRange(const Variant& value, std::int64_t lo, std::int64_t hi) {
  if (!value.IsNumeric()) RaiseJet(kErrConversion);
  const double d = value.AsDouble();
  if (!std::isfinite(d) || d < static_cast<double>(lo) - 0.5 || d > static_cast<double>(hi) + 0.5) {
    RaiseJet(kErrNumericOverflow);
  }
  // The language rounds halves to even when it stores a number in an integer.
  return static_cast<std::int64_t>(std::nearbyint(d));
}

// The whole numbers a field of an integer type holds.
Variant IntegerForField(const Variant& value, int type) {
  switch (type) {
    case dbByte:
      return Variant(static_cast<std::int16_t>(IntegerInRange(value, 0, 255)));
    case dbInteger:
      return Variant(static_cast<std::int16_t>(IntegerInRange(value, -32768, 32767)));
    case dbLong:
      return Variant(static_cast<std::int32_t>(IntegerInRange(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max())));
    default:
      return Variant(IntegerInRange(value, std::numeric_limits<std::int64_t>::min() / 2,
                                    std::numeric_limits<std::int64_t>::max() / 2));
  }
}

Variant BooleanForField(const Variant& value) {
  if (value.IsText()) {
    const std::string t = UCase(Trim(value.AsString()));
    if (t == "TRUE" || t == "YES" || t == "ON") return Variant(true);
    if (t == "FALSE" || t == "NO" || t == "OFF") return Variant(false);
    if (!value.IsNumeric()) RaiseJet(kErrConversion);
  } else if (!value.IsNumeric()) {
    RaiseJet(kErrConversion);
  }
  return Variant(value.AsDouble() != 0.0);
}

Variant DateForField(const Variant& value) {
  if (value.kind() == Variant::Kind::Date || value.IsText()) {
    std::string text = value.AsString();
    if (IsStoredDateForm(text)) return Variant::Date(std::move(text));
    std::string parsed;
    if (!sql::ParseDateLiteral(Trim(text), parsed)) RaiseJet(kErrConversion);
    return Variant::Date(std::move(parsed));
  }
  if (value.IsNumeric()) return Variant::Date(DateFromSerial(value.AsDouble()));
  RaiseJet(kErrConversion);
}

Variant TextForField(const Variant& value, int type, long size) {
  if (value.kind() == Variant::Kind::Binary) RaiseJet(kErrConversion);
  std::string text = value.AsString();
  const auto limit = static_cast<std::size_t>(EffectiveFieldSize(type, size));
  // Characters never outnumber bytes, so only long text needs counting.
  if (type != dbMemo && text.size() > limit && CharacterCount(text) > limit) {
    RaiseJet(kErrFieldTooSmall);
  }
  return Variant(std::move(text));
}

void BindBlob(sqlite3_stmt* stmt, int index, const Variant& value) {
  std::string bytes = value.AsString();
  sqlite3_bind_blob64(stmt, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
}

}  // namespace

Variant CoerceToField(const Variant& value, int type, long size) {
  if (value.IsNull() || value.IsEmpty()) return Variant::Null();
  switch (FamilyOf(type)) {
    case Family::kBoolean:
      return BooleanForField(value);
    case Family::kInteger:
      return IntegerForField(value, type);
    case Family::kReal:
      if (!value.IsNumeric()) RaiseJet(kErrConversion);
      return Variant(value.AsDouble());
    case Family::kDate:
      return DateForField(value);
    case Family::kText:
      return TextForField(value, type, size);
    case Family::kBinary:
      return Variant::Binary(value.AsString());
    default:
      return value;
  }
}

void BindFieldValue(sqlite3_stmt* stmt, int index, const Variant& value, int type) {
  if (value.IsNull() || value.IsEmpty()) {
    sqlite3_bind_null(stmt, index);
    return;
  }
  // The field's type decides first; a value it cannot take as its own goes
  // in by the value's kind, and text is the last resort.
  const Family family = FamilyOf(type);
  if (family == Family::kBoolean) {
    sqlite3_bind_int64(stmt, index, value.AsBool() ? -1 : 0);
    return;
  }
  if (family == Family::kBinary) {
    BindBlob(stmt, index, value);
    return;
  }
  if (family == Family::kInteger && value.IsNumeric()) {
    sqlite3_bind_int64(stmt, index, value.AsLong());
    return;
  }
  if (family == Family::kReal && value.IsNumeric()) {
    sqlite3_bind_double(stmt, index, value.AsDouble());
    return;
  }
  switch (value.kind()) {
    case Variant::Kind::Boolean:
      sqlite3_bind_int64(stmt, index, value.AsBool() ? -1 : 0);
      return;
    case Variant::Kind::Integer:
    case Variant::Kind::Long:
    case Variant::Kind::BigInt:
      if (!IsTextType(type)) {
        sqlite3_bind_int64(stmt, index, value.AsLong());
        return;
      }
      break;
    case Variant::Kind::Double:
      if (!IsTextType(type)) {
        sqlite3_bind_double(stmt, index, value.AsDouble());
        return;
      }
      break;
    case Variant::Kind::Binary:
      BindBlob(stmt, index, value);
      return;
    default:
      break;
  }
  std::string text = value.AsString();
  sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

Variant ReadFieldValue(sqlite3_stmt* stmt, int col, int type) {
  const int storage = sqlite3_column_type(stmt, col);
  if (storage == SQLITE_NULL) return Variant::Null();
  auto text = [&] {
    const unsigned char* p = sqlite3_column_text(stmt, col);
    return std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(stmt, col)));
  };
  switch (FamilyOf(type)) {
    case Family::kBoolean:
      return Variant(sqlite3_column_int64(stmt, col) != 0);
    case Family::kInteger: {
      const std::int64_t n = sqlite3_column_int64(stmt, col);
      if (type == dbByte || type == dbInteger) return Variant(static_cast<std::int16_t>(n));
      if (type == dbLong && n >= std::numeric_limits<std::int32_t>::min() &&
          n <= std::numeric_limits<std::int32_t>::max()) {
        return Variant(static_cast<std::int32_t>(n));
      }
      return Variant(n);
    }
    case Family::kReal:
      return Variant(sqlite3_column_double(stmt, col));
    case Family::kDate:
      if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT) {
        return Variant::Date(DateFromSerial(sqlite3_column_double(stmt, col)));
      }
      return Variant::Date(text());
    case Family::kText:
      return Variant(text());
    case Family::kBinary: {
      const void* p = sqlite3_column_blob(stmt, col);
      const int n = sqlite3_column_bytes(stmt, col);
      return Variant::Binary(std::string(static_cast<const char*>(p), static_cast<std::size_t>(n)));
    }
    default:
      break;
  }
  switch (storage) {
    case SQLITE_INTEGER:
      return ReadFieldValue(stmt, col, dbLong);
    case SQLITE_FLOAT:
      return Variant(sqlite3_column_double(stmt, col));
    case SQLITE_BLOB:
      return ReadFieldValue(stmt, col, dbLongBinary);
    default:
      return Variant(text());
  }
}

}  // namespace pds::db
