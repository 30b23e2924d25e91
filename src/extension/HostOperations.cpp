// The boundaries of Install and Command. The work behind them catches and reports the
// system's own failures; whatever else could escape (memory running out inside string
// handling, or anything thrown below) is stopped here, so that no C++ exception ever
// unwinds into the host.
#include "extension/ExchRuleExt.h"

namespace pellacorm {

STDMETHODIMP CExchRuleExt::Install(IRuleExtCallback* callback, ULONG /*context*/) {
  try {
    BindToHost(callback);
  } catch (...) {
    // Binding stops where it failed; the host is told nothing, as for every other
    // binding failure.
  }
  return S_OK;
}

STDMETHODIMP CExchRuleExt::Command(IRuleExtCallback* /*callback*/, LPCSTR command, ULONG cbEntryId,
                                   LPENTRYID entryId) {
  try {
    return PostActionRequest(command, cbEntryId, entryId);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace pellacorm
