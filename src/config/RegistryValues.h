// Readers of single registry values from an open key. None of them raises or logs: a
// missing or unusable value is the caller's cue to keep its default.
#pragma once

#include <string>
#include <vector>

#include "config/Platform.h"

namespace pellacorm {

// Reads a REG_SZ value into `value`, which is emptied first and stays empty on failure.
// Returns 0; ERROR_INVALID_DATA when the value has another type (REG_EXPAND_SZ too:
// nothing is expanded); E_FAIL when it cannot be read (missing, no rights, no memory).
// The text ends at its first zero byte, and never reaches past the size the registry
// reports, also when the value was stored without its terminating zero.
LONG QueryRegString(HKEY key, LPCSTR name, std::string& value) noexcept;

// Reads a REG_BINARY value into `value`. Results as for QueryRegString; `value` is left
// unchanged on every failure.
LONG QueryRegBinary(HKEY key, LPCSTR name, std::vector<BYTE>& value) noexcept;

// Reads a 4-byte REG_DWORD value. True and `value` set only when the read succeeds
// with that type and size; any other type or size leaves `value` unchanged.
bool QueryRegDword(HKEY key, LPCSTR name, DWORD& value) noexcept;

}  // namespace pellacorm
