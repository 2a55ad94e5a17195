// Matchers for the text a program or a host prints, where one check wants
// several pieces present and a failure must name the piece that is missing.
#pragma once

#include <gmock/gmock.h>

#include <string>
#include <vector>

namespace pds::test {

MATCHER_P(HasAllOf, parts, "has every one of the expected pieces") {
  for (const std::string& part : parts) {
    if (std::string(arg).find(part) == std::string::npos) {
      *result_listener << "lacks \"" << part << "\"";
      return false;
    }
  }
  return true;
}

// Text holding every one of parts, in any order.
inline auto HasAll(std::vector<std::string> parts) { return HasAllOf(std::move(parts)); }

}  // namespace pds::test
