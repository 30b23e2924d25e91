// The registry in tests: a fresh, empty registry file per test, and values of any type
// written below HKEY_CURRENT_USER as another program (or the installer) would write them.
#pragma once

#include <string>
#include <vector>

#include "platform/Windows.h"
#include "testing/TempFiles.h"
#include "testing/UserProfile.h"

namespace testsupport {

// HKEY_CURRENT_USER (a pointer the platform makes from a number).
HKEY CurrentUser();

// Points the registry at a file of its own for the object's life.
class TempRegistry {
 public:
  TempRegistry();
  std::string File() const { return m_state.RegistryFile(); }
  // The file's text as the registry last wrote it.
  std::string Text() const { return ReadHostFile(File()); }

 private:
  win32::PrivateState m_state;
};

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

}  // namespace testsupport
