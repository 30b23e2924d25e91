// The parts of the C runtime whose behaviour differs from the C library here:
// strftime("%c") as the Windows runtime prints it, and files opened without a sharing
// restriction whose text mode writes CR LF line ends.
//
// Where the drives are: every drive letter is a folder below one drive root, named by
// the letter in lower case. The drive root is $WIN32_DRIVE_ROOT when that is set and not
// empty, otherwise $HOME/.win32/drives; so "C:\Logs\x.log" is
// $HOME/.win32/drives/c/Logs/x.log. "\" and "/" both separate folders; a path that
// starts with one of them is on drive C:, the current drive; a relative path is relative
// to the process's current directory. Names are matched without regard to case, as
// Windows does, wherever a folder already holds a name that differs only in case.
// Drive C: always exists: its folder is created when a file on it is opened for
// writing. Other drives exist when their folder does.
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

// Opens a file as the Windows runtime's _fsopen does. The file is open to every other
// reader and writer whatever `shareFlag` asks (it must still be one of the _SH_ values).
// Text mode ("t", or no "b") writes "\n" as "\r\n" and reads "\r\n" as "\n". A file
// opened for appending is unbuffered and each fwrite or fputs reaches the file as one
// write at its end, so entries appended by several processes never interleave.
FILE* _fsopen(const char* fileName, const char* mode, int shareFlag);

namespace win32 {
// The per-user folder where the layer keeps what Windows keeps per user when no
// variable says otherwise: $HOME/.win32.
std::string UserDataFolder();
// The host folder that stands for drive C: (the others are its siblings). The text
// stays valid until the next call on the same thread.
const char* DriveRoot();
// The host path of a Windows path ("C:/a", "C:\\a", "/a" on the current drive C:);
// empty for a null path or a network path ("\\\\server\\share").
std::string HostPath(const char* windowsPath);
}  // namespace win32
