// Registry values in tests, of any type, written below HKEY_CURRENT_USER through the
// registry API as another program (or the installer) would write them: in the Linux
// layer's registry (a test's own file: TempRegistry of testing/TempFiles.h) or in the
// real one under Windows.
#pragma once

#include <string>
#include <vector>

#include "platform/Windows.h"
#include "testing/SettingsKey.h"

namespace testsupport {

// HKEY_CURRENT_USER (a pointer the platform makes from a number).
HKEY CurrentUser();

// Writes a value of any type and size under HKEY_CURRENT_USER\`key`, creating the key;
// a failure fails the running test.
void SetRegValue(const std::string& key, const char* name, DWORD type, const void* data, DWORD size);
// A text with its terminating zero (REG_SZ unless `type` says otherwise).
void SetRegString(const std::string& key, const char* name, const std::string& text, DWORD type = REG_SZ);
// A text stored without a terminating zero.
void SetRegUnterminated(const std::string& key, const char* name, const std::string& text);
// A 32-bit number as four little-endian bytes (REG_DWORD unless `type` says otherwise).
void SetRegDword(const std::string& key, const char* name, DWORD value, DWORD type = REG_DWORD);
void SetRegBinary(const std::string& key, const char* name, const std::vector<BYTE>& bytes);
// Creates the key (and the keys above it) without values.
void CreateRegKey(const std::string& key);
// Deletes the key, which must have no subkeys; a key that is not there is no failure.
void DeleteRegKey(const std::string& key);

}  // namespace testsupport
