#include "testing/RegistryHelper.h"

#include <gtest/gtest.h>

namespace testsupport {

HKEY CurrentUser() {
  return HKEY_CURRENT_USER;  // NOLINT(performance-no-int-to-ptr)
}

void CreateRegKey(const std::string& key) {
  HKEY handle = nullptr;
  const LSTATUS created = RegCreateKeyExA(CurrentUser(), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_ALL_ACCESS, nullptr, &handle, nullptr);
  ASSERT_EQ(created, ERROR_SUCCESS) << "creating " << key;
  RegCloseKey(handle);
}

void DeleteRegKey(const std::string& key) {
  const LSTATUS deleted = RegDeleteKeyA(CurrentUser(), key.c_str());
  EXPECT_TRUE(deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND)
      << "deleting " << key << ": " << deleted;
}

void SetRegValue(const std::string& key, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY handle = nullptr;
  const LSTATUS created = RegCreateKeyExA(CurrentUser(), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_ALL_ACCESS, nullptr, &handle, nullptr);
  ASSERT_EQ(created, ERROR_SUCCESS) << "creating " << key;
  const LSTATUS set = RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(handle);
  ASSERT_EQ(set, ERROR_SUCCESS) << "setting " << key << "\\" << (name != nullptr ? name : "@");
}

void SetRegString(const std::string& key, const char* name, const std::string& text, DWORD type) {
  SetRegValue(key, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void SetRegUnterminated(const std::string& key, const char* name, const std::string& text) {
  SetRegValue(key, name, REG_SZ, text.data(), static_cast<DWORD>(text.size()));
}

void SetRegDword(const std::string& key, const char* name, DWORD value, DWORD type) {
  const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                         static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
  SetRegValue(key, name, type, bytes, sizeof bytes);
}

void SetRegBinary(const std::string& key, const char* name, const std::vector<BYTE>& bytes) {
  SetRegValue(key, name, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

}  // namespace testsupport
