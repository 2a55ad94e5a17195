#include "pds/Variant.h"
#include "pds/Text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace pds {

Variant Variant::Null() {
  Variant v;
  v.kind_ = Kind::Null;
  return v;
}

Variant Variant::Date(std::string text) {
  Variant v;
  v.kind_ = Kind::Date;
  v.value_ = std::move(text);
  return v;
}

Variant Variant::Binary(std::string bytes) {
  Variant v;
  v.kind_ = Kind::Binary;
  v.value_ = std::move(bytes);
  return v;
}

Variant::Variant(bool b) : kind_(Kind::Boolean), value_(b) {}
Variant::Variant(std::int16_t n) : kind_(Kind::Integer), value_(static_cast<std::int64_t>(n)) {}
Variant::Variant(std::int32_t n) : kind_(Kind::Long), value_(static_cast<std::int64_t>(n)) {}
Variant::Variant(std::int64_t n) : kind_(Kind::BigInt), value_(n) {}
Variant::Variant(double d) : kind_(Kind::Double), value_(d) {}
Variant::Variant(std::string s) : kind_(Kind::String), value_(std::move(s)) {}
Variant::Variant(const char* s) : kind_(Kind::String), value_(std::string(s ? s : "")) {}

namespace {


std::optional<double> ParseNumber(const std::string& text) {
  std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  // Reject forms strtod accepts but the language does not (hex, inf, nan).
  for (char c : t) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) {
      return std::nullopt;
    }
  }
  char* end = nullptr;
  double d = std::strtod(t.c_str(), &end);
  if (end == t.c_str() || *end != '\0') return std::nullopt;
  return d;
}

std::string FormatDouble(double d) {
  if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", d);
    return buf;
  }
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  return buf;
}

}  // namespace

bool IsNumericText(const std::string& text) { return ParseNumber(text).has_value(); }

bool Variant::IsNumeric() const {
  switch (kind_) {
    case Kind::Boolean:
    case Kind::Integer:
    case Kind::Long:
    case Kind::BigInt:
    case Kind::Double:
      return true;
    case Kind::String:
      return IsNumericText(std::get<std::string>(value_));
    default:
      return false;
  }
}

std::string Variant::AsString() const {
  switch (kind_) {
    case Kind::Empty:
    case Kind::Null:
      return {};
    case Kind::Boolean:
      return std::get<bool>(value_) ? "True" : "False";
    case Kind::Integer:
    case Kind::Long:
    case Kind::BigInt:
      return std::to_string(std::get<std::int64_t>(value_));
    case Kind::Double:
      return FormatDouble(std::get<double>(value_));
    case Kind::Date:
    case Kind::String:
    case Kind::Binary:
      return std::get<std::string>(value_);
  }
  return {};
}

double Variant::AsDouble() const {
  switch (kind_) {
    case Kind::Boolean:
      return std::get<bool>(value_) ? -1.0 : 0.0;
    case Kind::Integer:
    case Kind::Long:
    case Kind::BigInt:
      return static_cast<double>(std::get<std::int64_t>(value_));
    case Kind::Double:
      return std::get<double>(value_);
    case Kind::String:
      return ParseNumber(std::get<std::string>(value_)).value_or(0.0);
    default:
      return 0.0;
  }
}

std::int64_t Variant::AsLong() const {
  switch (kind_) {
    case Kind::Integer:
    case Kind::Long:
    case Kind::BigInt:
      return std::get<std::int64_t>(value_);
    default:
      return static_cast<std::int64_t>(std::llround(AsDouble()));
  }
}

bool Variant::AsBool() const {
  switch (kind_) {
    case Kind::Boolean:
      return std::get<bool>(value_);
    case Kind::String: {
      std::string t = Trim(std::get<std::string>(value_));
      if (t.size() == 4 && (t[0] == 'T' || t[0] == 't') && (t[1] | 0x20) == 'r' && (t[2] | 0x20) == 'u' &&
          (t[3] | 0x20) == 'e') {
        return true;
      }
      return AsDouble() != 0.0;
    }
    default:
      return AsDouble() != 0.0;
  }
}

bool Variant::operator==(const Variant& other) const {
  auto numeric = [](Kind k) {
    return k == Kind::Boolean || k == Kind::Integer || k == Kind::Long || k == Kind::BigInt || k == Kind::Double;
  };
  if (numeric(kind_) && numeric(other.kind_)) return AsDouble() == other.AsDouble();
  if (kind_ != other.kind_) return false;
  if (kind_ == Kind::Empty || kind_ == Kind::Null) return true;
  return value_ == other.value_;
}

}  // namespace pds
