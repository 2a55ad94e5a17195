#include "core/config_database.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>

#include "pds/Version.h"

namespace pds {

namespace {

std::optional<ComponentVersion>& VersionOverride() {
  static std::optional<ComponentVersion> value;
  return value;
}

}  // namespace

ComponentVersion RunningVersion() {
  if (VersionOverride()) return *VersionOverride();
  return ComponentVersion{kMajorVersion, kMinorVersion, kRevision};
}

void SetRunningVersionForTesting(long major, long minor, long revision) {
  VersionOverride() = ComponentVersion{major, minor, revision};
}

void ResetRunningVersionForTesting() { VersionOverride().reset(); }

std::string FormatVersionNumber(double value) {
  if (!std::isfinite(value)) return "0.0";
  const double magnitude = std::fabs(value);
  if (magnitude >= 1e14) {
    // Too large for the tenths to fit an integer; no rounding question arises.
    char big[400];
    auto end = std::to_chars(big, big + sizeof big, value, std::chars_format::fixed, 1);
    return std::string(big, end.ptr);
  }
  // Ten times the value, read back through 15 significant digits, so that a
  // stored 0.15 (really 0.14999...) rounds as the decimal it was typed as.
  char buf[64];
  auto written = std::to_chars(buf, buf + sizeof buf, magnitude * 10.0, std::chars_format::general, 15);
  double tenths = magnitude * 10.0;
  std::from_chars(buf, written.ptr, tenths);
  const long long n = std::llround(tenths);  // half away from zero
  std::string text = std::to_string(n / 10) + "." + std::to_string(n % 10);
  if (value < 0 && n != 0) text.insert(0, "-");
  return text;
}

}  // namespace pds
