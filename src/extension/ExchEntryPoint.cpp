// The library's one export. The client calls it after loading the library and owns the
// object it returns (reference count 1).
#include <new>

#include "extension/ExchRuleExt.h"

extern "C" PELLACORM_EXPORT pellacorm::IExchangeRuleExt* WINAPI ExchEntryPoint() {
  return new (std::nothrow) pellacorm::CExchRuleExt();
}
