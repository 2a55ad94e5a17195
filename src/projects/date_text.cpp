#include "projects/date_text.h"

#include <chrono>
#include <ctime>

namespace pds {

namespace {

std::string Format(const platform::TimePoint& when, const char* pattern) {
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  if (!localtime_r(&t, &local)) return {};
  char buf[32];
  const std::size_t n = std::strftime(buf, sizeof buf, pattern, &local);
  return std::string(buf, n);
}

}  // namespace

std::string GeneralDateText(const platform::TimePoint& when) { return Format(when, "%Y-%m-%d %H:%M:%S"); }

std::string ShortDateText(const platform::TimePoint& when) { return Format(when, "%Y-%m-%d"); }

std::size_t CharacterCount(const std::string& text) {
  std::size_t count = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++count;  // continuation bytes belong to the character before
  }
  return count;
}

}  // namespace pds
