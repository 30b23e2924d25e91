// A broken-down time from its calendar fields, as the runtime's time formatting takes
// it; the fields are not checked, so tests can hand over times out of range.
#pragma once

#include <ctime>

namespace testsupport {

inline std::tm CalendarTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm when{};
  when.tm_year = year - 1900;
  when.tm_mon = month - 1;
  when.tm_mday = day;
  when.tm_hour = hour;
  when.tm_min = minute;
  when.tm_sec = second;
  return when;
}

}  // namespace testsupport
