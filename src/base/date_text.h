// The locale-free date and time texts the project record stores: the general
// date format "yyyy-mm-dd hh:mm:ss" (19 characters, sorts as a date) and the
// short date "yyyy-mm-dd", both in local time. Callers pass the time they took
// from the platform clock, so a test with a fixed clock gets fixed texts.
#pragma once

#include <cstddef>
#include <string>

#include <chrono>

namespace pds {

// "yyyy-mm-dd hh:mm:ss" in local time; empty if the time cannot be converted.
std::string GeneralDateText(const std::chrono::system_clock::time_point& when);

// "yyyy-mm-dd" in local time; empty if the time cannot be converted.
std::string ShortDateText(const std::chrono::system_clock::time_point& when);

}  // namespace pds
