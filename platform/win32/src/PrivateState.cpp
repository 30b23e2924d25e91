// The places of the layer's state in files, and private ones for a run.
#include "win32/PrivateState.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace win32 {
namespace {

constexpr const char* kRegistryVariable = "WIN32_REGISTRY_FILE";
constexpr const char* kDriveRootVariable = "WIN32_DRIVE_ROOT";

void Use(const char* variable, const std::string& value, bool replace) {
  setenv(variable, value.c_str(), replace ? 1 : 0);
}

void Restore(const char* variable, bool set, const std::string& value) {
  if (set) {
    setenv(variable, value.c_str(), 1);
  } else {
    unsetenv(variable);
  }
}

}  // namespace

void UseRegistryFile(const std::string& file, bool replace) {
  Use(kRegistryVariable, file, replace);
}

void UseDriveRoot(const std::string& root, bool replace) {
  Use(kDriveRootVariable, root, replace);
}

PrivateState::PrivateState(const std::string& parent, const std::string& prefix, unsigned parts)
    : m_parts(parts) {
  std::string pattern = parent + "/" + prefix + "-XXXXXX";
  if (mkdtemp(&pattern[0]) == nullptr) {
    return;
  }
  if ((m_parts & kDrives) != 0 && mkdir((pattern + "/drives").c_str(), 0700) != 0) {
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return;
  }
  m_folder = pattern;
  if ((m_parts & kRegistry) != 0) {
    if (const char* old = std::getenv(kRegistryVariable)) {
      m_registry = {true, old};
    }
    UseRegistryFile(RegistryFile());
  }
  if ((m_parts & kDrives) != 0) {
    if (const char* old = std::getenv(kDriveRootVariable)) {
      m_drives = {true, old};
    }
    UseDriveRoot(DriveRoot());
  }
}

PrivateState::~PrivateState() {
  if (m_folder.empty()) {
    return;
  }
  if ((m_parts & kRegistry) != 0) {
    Restore(kRegistryVariable, m_registry.set, m_registry.value);
  }
  if ((m_parts & kDrives) != 0) {
    Restore(kDriveRootVariable, m_drives.set, m_drives.value);
  }
  std::error_code ignored;
  std::filesystem::remove_all(m_folder, ignored);
}

}  // namespace win32
