// What the conformance tests need beyond the calls they check. These tests run twice:
// on Linux against our own layer of the Win32 names, and under Wine (or on Windows)
// against the real API. Where the two answer differently, our layer is wrong.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "config/Platform.h"

#ifdef _WIN32
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#else
#include <sys/stat.h>

#include "testing/RegistryHelper.h"
#include "testing/TempFiles.h"
#endif

// UTF-16 text in the platform's WCHAR: wchar_t on Windows, char16_t in our layer.
#ifdef _WIN32
#define WIDE(literal) L##literal
#else
#define WIDE(literal) u##literal
#endif
using WideString = std::basic_string<WCHAR>;

namespace conformance {

// Selects the ANSI code page for one test where the platform lets a program choose it
// (our layer). The real system's code page is the machine's: Active() tells whether it
// is the one asked for, and a test that needs it skips otherwise.
class AnsiCodePage {
 public:
  explicit AnsiCodePage(UINT codePage)
#ifdef _WIN32
      : m_active(GetACP() == codePage){}
#else
      : m_previous(win32::SetAnsiCodePage(codePage)) {
  }
  ~AnsiCodePage() {
    win32::SetAnsiCodePage(m_previous);
  }
#endif
        AnsiCodePage(const AnsiCodePage&) = delete;
  AnsiCodePage& operator=(const AnsiCodePage&) = delete;

  bool Active() const {
    return m_active;
  }

 private:
#ifdef _WIN32
  bool m_active;
#else
  UINT m_previous;
  bool m_active = true;
#endif
};

// Skips the running test unless the ANSI code page is `codePage` (selecting it where the
// platform allows).
#define REQUIRE_ANSI_CODE_PAGE(variable, codePage)                                           \
  const conformance::AnsiCodePage variable(codePage);                                        \
  if (!variable.Active()) {                                                                  \
    GTEST_SKIP() << "the system's ANSI code page is " << GetACP() << ", not " << (codePage); \
  }

#ifdef _WIN32
// HKEY_CURRENT_USER of this process redirected, for the object's life, to a fresh key of
// its own that is deleted afterwards, so that tests may write anywhere below it.
class TempRegistry {
 public:
  TempRegistry() {
    m_path = "Software\\PellacormConformance\\" + std::to_string(GetCurrentProcessId());
    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &m_key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, m_key), ERROR_SUCCESS);
  }
  ~TempRegistry() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(m_key);
    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
  }
  TempRegistry(const TempRegistry&) = delete;
  TempRegistry& operator=(const TempRegistry&) = delete;

 private:
  std::string m_path;
  HKEY m_key = nullptr;
};
inline HKEY CurrentUser() {
  return HKEY_CURRENT_USER;
}
#else
using testsupport::CurrentUser;
using testsupport::TempRegistry;
#endif

// A fresh empty folder for one test, named by a Windows path, removed with what it holds
// when the object goes: below the system's temporary folder on Windows, on drive C: of
// fresh drives of our layer here.
class TempWindowsFolder {
 public:
  TempWindowsFolder() {
#ifdef _WIN32
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    EXPECT_GT(length, 0u);
    m_path = std::string(temp, length) + "pellacorm-crt-" + std::to_string(GetCurrentProcessId());
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
    EXPECT_TRUE(CreateDirectoryA(m_path.c_str(), nullptr)) << m_path;
#else
    m_path = "C:\\crt";
    EXPECT_EQ(mkdir((m_drives.Root() + "/c").c_str(), 0777), 0);
    EXPECT_EQ(mkdir((m_drives.Root() + "/c/crt").c_str(), 0777), 0);
#endif
  }
#ifdef _WIN32
  ~TempWindowsFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
#endif
  TempWindowsFolder(const TempWindowsFolder&) = delete;
  TempWindowsFolder& operator=(const TempWindowsFolder&) = delete;

  // The folder's own Windows path.
  const std::string& Path() const {
    return m_path;
  }
  // The Windows path of `name` in the folder.
  std::string Path(const std::string& name) const {
    return m_path + "\\" + name;
  }
  // The bytes of the file `name` in the folder; empty when it cannot be read.
  std::string Read(const std::string& name) const {
#ifdef _WIN32
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
#else
    return testsupport::ReadHostFile(m_drives.Root() + "/c/crt/" + name);
#endif
  }

 private:
#ifndef _WIN32
  testsupport::TempDrives m_drives;
#endif
  std::string m_path;
};

// For the object's life, a bad argument makes the real runtime answer with its error
// code, as our layer does, instead of calling its invalid-parameter handler (which may
// end the program).
class QuietInvalidParameters {
 public:
#ifdef _WIN32
  QuietInvalidParameters() : m_previous(_set_invalid_parameter_handler(Ignore)) {}
  ~QuietInvalidParameters() {
    _set_invalid_parameter_handler(m_previous);
  }
#else
  QuietInvalidParameters() {}  // our layer answers bad arguments with their error code
  ~QuietInvalidParameters() {}
#endif
  QuietInvalidParameters(const QuietInvalidParameters&) = delete;
  QuietInvalidParameters& operator=(const QuietInvalidParameters&) = delete;

#ifdef _WIN32
 private:
  static void __cdecl Ignore(const wchar_t*, const wchar_t*, const wchar_t*, unsigned, uintptr_t) {}
  _invalid_parameter_handler m_previous;
#endif
};

}  // namespace conformance
