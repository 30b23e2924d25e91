// What the conformance tests need beyond the calls they check. These tests run twice:
// on Linux against our own layer of the Win32 names, and under Wine (or on Windows)
// against the real API. Where the two answer differently, our layer is wrong.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "config/Platform.h"

#ifndef _WIN32
#include "support/RegistryHelper.h"
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

}  // namespace conformance
