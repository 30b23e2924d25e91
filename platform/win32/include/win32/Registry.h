// The registry, kept in one text file per user. HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE hold keys and values; the calls answer with the codes the real ones
// give (see platform/win32/src/Registry.cpp, which documents each call).
//
// Where the file lives: $WIN32_REGISTRY_FILE when that is set and not empty, otherwise
// $HOME/.win32/user.reg. Its format is that of a REGEDIT4 export: [key] lines, then
// "name"="text", "name"=dword:0000000a, "name"=hex:01,02 and "name"=hex(N):.. for any
// other type or for text that is not plain printable ASCII with one terminating zero.
// Every call reads the file anew, so writes of other processes are seen at once; every
// change rewrites it atomically (a new file renamed over the old one).
//
// Nothing in the file is lost: a file whose first line is not REGEDIT4 (or REGEDIT5, or
// "Windows Registry Editor Version 5.00"), and a folder, are refused: every call answers
// ERROR_BADDB and the file is left as it is. Comments and lines the layer cannot read
// stay where they are when the file is rewritten; each unreadable line is warned about
// once per process on stderr.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "win32/Types.h"

#define ERROR_BAD_PATHNAME 161L
#define ERROR_NOACCESS 998L
#define ERROR_BADDB 1009L
#define ERROR_KEY_DELETED 1018L

#define HKEY_CLASSES_ROOT reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u))
#define HKEY_CURRENT_USER reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u))
#define HKEY_LOCAL_MACHINE reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u))

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_OPTION_VOLATILE 0x00000001L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F
#define MAXIMUM_ALLOWED 0x02000000
#define GENERIC_ALL 0x10000000
#define GENERIC_WRITE 0x40000000
#define GENERIC_READ 0x80000000

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result);
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options,
                        REGSAM desired, LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize);
LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD dataSize);
LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName);
LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey);
LSTATUS RegCloseKey(HKEY key);

namespace win32 {
// The host path of the registry file that the calls above use now.
std::string RegistryFile();
// The number of key handles this process has opened and not closed: what a test
// compares before and after the code it runs, as it would count a process's handles
// on Windows.
std::size_t OpenKeyCount();
// The options RegCreateKeyExA was given when this process created the key at `path`
// ("HKEY_CURRENT_USER\\Software\\..."), or kKeyNotCreated.
constexpr DWORD kKeyNotCreated = 0xFFFFFFFF;
DWORD KeyCreateOptions(const std::string& path);
// Why the registry file cannot be used ("is not a registry file", "a folder", cannot be
// read), or "" when it can.
std::string RegistryFileProblem();
// The warnings given so far in this process about the registry file, in order, each
// once (the same text goes to stderr); after the first 200, one line says that no more
// are given.
std::vector<std::string> RegistryWarnings();
}  // namespace win32
