// A value of one of the kinds a database field, a configuration value or a
// procedure argument can hold, with the conversions the component's routines
// rely on (text of a number, truth of a flag, numeric test).
//
// Empty and Null are distinct: Empty is "never set", Null is "a field with no
// value". Dates are kept as their sortable text "yyyy-mm-dd hh:mm:ss" so that
// they compare and store as dates without a calendar library.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace pds {

class Variant {
 public:
  enum class Kind { Empty, Null, Boolean, Integer, Long, BigInt, Double, Date, String, Binary };

  Variant() = default;
  static Variant Null();
  static Variant Date(std::string text);
  static Variant Binary(std::string bytes);
  Variant(bool b);
  Variant(std::int16_t n);
  Variant(std::int32_t n);
  Variant(std::int64_t n);
  Variant(double d);
  Variant(std::string s);
  Variant(const char* s);

  Kind kind() const { return kind_; }
  bool IsEmpty() const { return kind_ == Kind::Empty; }
  bool IsNull() const { return kind_ == Kind::Null; }
  bool IsText() const { return kind_ == Kind::String; }
  // True for the numeric kinds, Boolean, and text that reads completely as a
  // number after trimming blanks (the language's IsNumeric).
  bool IsNumeric() const;

  // Conversions in the manner of the language's CStr/CLng/CDbl/CBool: Null and
  // Empty give "", 0, 0.0 and false; text that is not a number gives 0.
  std::string AsString() const;
  std::int64_t AsLong() const;
  double AsDouble() const;
  bool AsBool() const;

  // Equal kind and value; numbers of different kinds compare by value and text
  // compares exactly.
  bool operator==(const Variant& other) const;

 private:
  Kind kind_ = Kind::Empty;
  std::variant<std::monostate, bool, std::int64_t, double, std::string> value_;
};

// Text that reads completely as a number after trimming blanks, as the
// language's IsNumeric does for text ("-1", " 12.5 ", "1e3"; not "", "True", "1a").
bool IsNumericText(const std::string& text);

}  // namespace pds
