// The Windows API: <windows.h> and the C runtime on Windows, the platform layer of the
// same names elsewhere. The one place where code of this project picks a platform for
// everything but MAPI.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <mbstring.h>
#include <share.h>
#include <sys/stat.h>
#include <cstdio>
#include <ctime>

// The runtime's own strftime already renders "%c" as the log expects.
inline std::size_t crt_strftime(char* buffer, std::size_t size, const char* format, const std::tm* time) {
  return std::strftime(buffer, size, format, time);
}
// The local time without localtime's shared buffer; false for a time the runtime
// refuses (before 1970, after the year 3000).
inline bool crt_localtime(std::time_t time, std::tm* result) {
  return result != nullptr && localtime_s(result, &time) == 0;
}
#else
#include "win32/Windows.h"
#endif
