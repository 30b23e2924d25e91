// The extension as the client holds it: a new object from the library's one export,
// ExchEntryPoint. On Linux the test links the shared library; on Windows (under Wine)
// it loads the real DLL with LoadLibrary. The tests of this folder run in both.
#pragma once

#include "extension/RuleExtInterface.h"

#ifdef _WIN32
#include "WindowsTestSupport.h"

namespace library {
inline pellacorm::IExchangeRuleExt* NewExtension() {
  const pellacorm::ExchEntryPointFn entryPoint = wintest::EntryPoint();
  return entryPoint == nullptr ? nullptr : entryPoint();
}
}  // namespace library
#else
extern "C" pellacorm::IExchangeRuleExt* WINAPI ExchEntryPoint();

namespace library {
inline pellacorm::IExchangeRuleExt* NewExtension() {
  return ExchEntryPoint();
}
}  // namespace library
#endif
