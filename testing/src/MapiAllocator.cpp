#include "testing/MapiAllocator.h"

#ifdef _WIN32
#include <cstring>
#else
#include "mapi32/Diagnostics.h"
#endif

namespace testsupport {

bool FailMapiAllocation(ULONG nth) {
#ifdef _WIN32
  HMODULE mapi32 = GetModuleHandleA("mapi32.dll");
  FARPROC proc = mapi32 != nullptr ? GetProcAddress(mapi32, "Mapi32FailAllocation") : nullptr;
  if (proc == nullptr) {
    return false;
  }
  void (*fail)(ULONG) = nullptr;
  static_assert(sizeof fail == sizeof proc, "function pointers of one size");
  std::memcpy(&fail, &proc, sizeof fail);
  fail(nth);
#else
  Mapi32FailAllocation(nth);
#endif
  return true;
}

}  // namespace testsupport
