#include "testing/TempFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#include "platform/Windows.h"

namespace testsupport {

std::string TestRoot() {
  const char* base = std::getenv("PELLACORM_TEST_TMP");
  std::filesystem::path root =
      base != nullptr && base[0] != '\0'
          ? std::filesystem::path(base)
          : std::filesystem::path("/tmp") / ("pellacorm-tests-" + std::to_string(getuid()));
  std::error_code ignored;
  std::filesystem::create_directories(root, ignored);
  return root.string();
}

namespace {

// Whatever runs the tests, the Win32 layer's registry file and drives are in the test
// folder unless a variable names them already, so nothing a test writes lands in $HOME.
// Tests that write make fresh ones of their own (TempRegistry, TempDrives).
const struct TestDefaults {
  TestDefaults() {
    const std::filesystem::path root = std::filesystem::path(TestRoot()) / "win32";
    win32::UseRegistryFile((root / "user.reg").string(), false);
    win32::UseDriveRoot((root / "drives").string(), false);
  }
} g_testDefaults;

}  // namespace

TempFolder::TempFolder(const char* prefix) {
  const std::filesystem::path root = TestRoot();
  std::string pattern = (root / (std::string(prefix) + "-XXXXXX")).string();
  if (mkdtemp(&pattern[0]) == nullptr) {
    ADD_FAILURE() << "cannot make a folder like " << pattern << ": " << std::strerror(errno);
    return;
  }
  m_path = pattern;
}

TempFolder::~TempFolder() {
  if (!m_path.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name) {
  if (const char* old = std::getenv(name)) {
    m_old = old;
    m_hadOld = true;
  }
  if (value != nullptr) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

ScopedEnv::~ScopedEnv() {
  if (m_hadOld) {
    setenv(m_name.c_str(), m_old.c_str(), 1);
  } else {
    unsetenv(m_name.c_str());
  }
}

TempRegistry::TempRegistry() : m_state(TestRoot(), "registry", win32::PrivateState::kRegistry) {
  EXPECT_TRUE(m_state.Ok()) << "cannot make a folder for the registry below " << TestRoot();
}

std::string TempRegistry::Text() const {
  return ReadHostFile(File());
}

TempDrives::TempDrives() : m_state(TestRoot(), "drives", win32::PrivateState::kDrives) {
  EXPECT_TRUE(m_state.Ok()) << "cannot make a folder for the drives below " << TestRoot();
}

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteHostFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string ReadWindowsFile(const char* windowsPath) {
  return ReadHostFile(win32::HostPath(windowsPath));
}

}  // namespace testsupport
