// The parts of the C runtime whose behaviour differs from the C library here:
// strftime("%c") as the Windows runtime prints it, and files opened without a sharing
// restriction whose text mode writes CR LF line ends. Windows paths ("C:/x", "\x")
// name files below a folder that stands for each drive (see Crt.cpp).
#pragma once

#include <cstdio>
#include <ctime>
#include <string>

#include "win32/Types.h"

#define _SH_DENYRW 0x10
#define _SH_DENYWR 0x20
#define _SH_DENYRD 0x30
#define _SH_DENYNO 0x40

// Renders like the Windows runtime's strftime in the "C" locale: "%c" gives
// "MM/DD/YY HH:MM:SS"; the other conversions are those of the C library.
std::size_t crt_strftime(char* buffer, std::size_t size, const char* format, const std::tm* time);

// Opens a file as the Windows runtime's _fsopen does; mode "t" (or no "b") writes "\n"
// as "\r\n".
FILE* _fsopen(const char* fileName, const char* mode, int shareFlag);

namespace win32 {
// The host folder that stands for drive C: (the others are its siblings).
const char* DriveRoot();
// The host path of a Windows path ("C:/a", "C:\\a", "/a" on the current drive C:).
std::string HostPath(const char* windowsPath);
}  // namespace win32
