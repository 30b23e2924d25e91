// The parts of the C runtime whose behaviour differs from the C library here:
// strftime("%c") as the Windows runtime prints it, localtime within the runtime's range
// of times, files opened without a sharing restriction whose text mode writes CR LF line
// ends, and the low-level binary file calls of <io.h>.
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

// The open flags of <fcntl.h> and the permission bits of <sys/stat.h>, with the Windows
// runtime's values. _sopen takes only those that it implements (see there).
#define _O_RDONLY 0x0000
#define _O_WRONLY 0x0001
#define _O_RDWR 0x0002
#define _O_APPEND 0x0008
#define _O_NOINHERIT 0x0080
#define _O_CREAT 0x0100
#define _O_TRUNC 0x0200
#define _O_EXCL 0x0400
#define _O_TEXT 0x4000
#define _O_BINARY 0x8000
#define _S_IREAD 0x0100
#define _S_IWRITE 0x0080

// Renders like the Windows runtime's strftime in the "C" locale: "%c" gives
// "MM/DD/YY HH:MM:SS"; the other conversions are those of the C library.
std::size_t crt_strftime(char* buffer, std::size_t size, const char* format, const std::tm* time);

// The local time of `time` into `result`, as the Windows runtime's localtime_s: false
// for a time before 1970 or after the year 3000 (UTC), which the runtime refuses. Unlike
// localtime, it keeps no shared buffer and does not look for a changed time zone on
// every call.
bool crt_localtime(std::time_t time, std::tm* result);

// Opens a file as the Windows runtime's _fsopen does. The file is open to every other
// reader and writer whatever `shareFlag` asks (it must still be one of the _SH_ values).
// Text mode ("t", or no "b") writes "\n" as "\r\n" and reads "\r\n" as "\n". A file
// opened for appending is unbuffered and each fwrite or fputs reaches the file as one
// write at its end, so entries appended by several processes never interleave.
FILE* _fsopen(const char* fileName, const char* mode, int shareFlag);

// The Windows runtime's low-level calls, in binary mode only. _sopen opens a Windows path
// and answers a descriptor (-1 and errno on failure); it takes one access mode
// (_O_RDONLY, _O_WRONLY or _O_RDWR) with _O_APPEND, _O_CREAT, _O_TRUNC, _O_EXCL and
// _O_NOINHERIT, and requires _O_BINARY: text mode (_O_TEXT, or no mode, which the runtime
// takes as text) and every other flag fail with EINVAL. `shareFlag` is checked and never
// restricts others, as with _fsopen; `permissionMode` (with _O_CREAT) makes the new file
// read-only unless it holds _S_IWRITE. The runtime's fourth argument is variadic; here it
// is an int that defaults to 0. _write writes all `count` bytes as given, in one write at
// the end of the file for a descriptor opened with _O_APPEND, so whole blocks from several
// processes never interleave. _close closes; EBADF for a descriptor that is not open.
int _sopen(const char* fileName, int openFlag, int shareFlag, int permissionMode = 0);
int _write(int fd, const void* buffer, unsigned int count);
int _close(int fd);

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
