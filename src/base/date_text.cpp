#include "base/date_text.h"

#include <chrono>
#include <ctime>

namespace pds {

namespace {

std::string Format(const std::chrono::system_clock::time_point& when, const char* pattern) {
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  if (!localtime_r(&t, &local)) return {};
  char buf[32];
  const std::size_t n = std::strftime(buf, sizeof buf, pattern, &local);
  return std::string(buf, n);
}

}  // namespace

std::string GeneralDateText(const std::chrono::system_clock::time_point& when) { return Format(when, "%Y-%m-%d %H:%M:%S"); }

std::string ShortDateText(const std::chrono::system_clock::time_point& when) { return Format(when, "%Y-%m-%d"); }

}  // namespace pds
