#include "config/Settings.h"

#include <new>
#include <string>

#include "config/ResourceString.h"
#include "resources/resource.h"

namespace pellacorm {

namespace {

// The per-user root. Windows defines it as a pointer made from a number.
HKEY CurrentUser() {
  return HKEY_CURRENT_USER;  // NOLINT(performance-no-int-to-ptr)
}

}  // namespace

RegKey OpenSettingsKey(REGSAM access) noexcept {
  try {
    const std::string path = LoadResString(IDS_REGISTRY_KEY);
    HKEY key = nullptr;
    if (RegOpenKeyExA(CurrentUser(), path.c_str(), 0, access, &key) == ERROR_SUCCESS) {
      return RegKey(key);
    }
  } catch (const std::bad_alloc&) {
  }
  return RegKey();
}

RegKey OpenOrCreateSettingsKey(bool& created) noexcept {
  created = false;
  RegKey key = OpenSettingsKey(kSettingsInstallAccess);
  if (key) {
    return key;
  }
  try {
    const std::string path = LoadResString(IDS_REGISTRY_KEY);
    HKEY createdKey = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(CurrentUser(), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        kSettingsInstallAccess, nullptr, &createdKey, &disposition) == ERROR_SUCCESS) {
      created = true;
      return RegKey(createdKey);
    }
  } catch (const std::bad_alloc&) {
  }
  return RegKey();
}

}  // namespace pellacorm
