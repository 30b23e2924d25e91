// ANSI code pages and the text comparisons of the platform. The thread's ANSI code
// page is 1252 unless a test selects 932 (Shift-JIS) with win32::SetAnsiCodePage.
#pragma once

#include "win32/Types.h"

#define CP_ACP 0
#define CP_THREAD_ACP 3
#define CP_UTF8 65001
#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

#define ERROR_INVALID_FLAGS 1004L
#define ERROR_NO_UNICODE_TRANSLATION 1113L

#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SYSTEM_DEFAULT 0x0800
#define NORM_IGNORECASE 0x00000001
#define NORM_IGNORENONSPACE 0x00000002
#define LCMAP_LOWERCASE 0x00000100
#define LCMAP_UPPERCASE 0x00000200
#define LCMAP_SORTKEY 0x00000400
#define CSTR_LESS_THAN 1
#define CSTR_EQUAL 2
#define CSTR_GREATER_THAN 3

UINT GetACP();
BOOL IsDBCSLeadByte(BYTE testChar);
BOOL IsDBCSLeadByteEx(UINT codePage, BYTE testChar);
LPSTR CharNextA(LPCSTR current);
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int cbMultiByte, LPWSTR wideChar,
                        int cchWideChar);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideChar, int cchWideChar, LPSTR multiByte,
                        int cbMultiByte, LPCSTR defaultChar, LPBOOL usedDefaultChar);
int lstrlenA(LPCSTR string);
int lstrcmpiA(LPCSTR string1, LPCSTR string2);
int CompareStringA(LCID locale, DWORD flags, LPCSTR string1, int count1, LPCSTR string2, int count2);
int LCMapStringA(LCID locale, DWORD flags, LPCSTR source, int count, LPSTR dest, int size);
// What _mbsicmp answers for a null argument.
#define _NLSCMPERROR 2147483647
int _mbsicmp(const unsigned char* string1, const unsigned char* string2);

namespace win32 {
// Selects the ANSI code page of the process (1252 or 932); returns the previous one.
UINT SetAnsiCodePage(UINT codePage);
}  // namespace win32
