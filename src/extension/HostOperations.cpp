// The boundaries of Install and Command: the work behind them catches and reports its
// own failures, so nothing but a result crosses into the host.
#include "extension/ExchRuleExt.h"

namespace pellacorm {

STDMETHODIMP CExchRuleExt::Install(IRuleExtCallback* callback, ULONG /*context*/) {
  BindToHost(callback);
  return S_OK;
}

STDMETHODIMP CExchRuleExt::Command(IRuleExtCallback* /*callback*/, LPCSTR command, ULONG cbEntryId,
                                   LPENTRYID entryId) {
  return PostActionRequest(command, cbEntryId, entryId);
}

}  // namespace pellacorm
