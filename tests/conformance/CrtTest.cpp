// The C runtime's strftime as the log uses it: "%c" is MM/DD/YY HH:MM:SS, as the Windows
// runtime writes it in the C locale.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "ConformanceSupport.h"

namespace {

std::tm Time(int year, int month, int day, int hour, int minute, int second) {
  std::tm when{};
  when.tm_year = year - 1900;
  when.tm_mon = month - 1;
  when.tm_mday = day;
  when.tm_hour = hour;
  when.tm_min = minute;
  when.tm_sec = second;
  when.tm_wday = 0;
  return when;
}

TEST(CrtStrftimeTest, RendersAsTheWindowsRuntime) {
  struct Case {
    std::tm time;
    const char* format;
    const char* text;
  } const cases[] = {
      {Time(2026, 12, 6, 21, 10, 45), "%c", "12/06/26 21:10:45"},
      {Time(2003, 1, 2, 4, 5, 6), "%c", "01/02/03 04:05:06"},
      {Time(2026, 12, 6, 0, 0, 0), "[%c] %%c %Y", "[12/06/26 00:00:00] %c 2026"},
      {Time(2026, 12, 6, 0, 0, 0), "%x %X", "12/06/26 00:00:00"},
  };
  for (const Case& c : cases) {
    char buffer[64];
    EXPECT_EQ(crt_strftime(buffer, sizeof buffer, c.format, &c.time), std::string(c.text).size()) << c.format;
    EXPECT_STREQ(buffer, c.text) << c.format;
  }
  const std::tm when = Time(2026, 12, 6, 21, 10, 45);
  char small[17];
  EXPECT_EQ(crt_strftime(small, sizeof small, "%c", &when), 0u) << "17 characters and the zero do not fit";
#ifndef _WIN32
  // The real runtime stops the program on a null format; ours answers 0.
  EXPECT_EQ(crt_strftime(small, sizeof small, nullptr, &when), 0u);
#endif
}

}  // namespace
