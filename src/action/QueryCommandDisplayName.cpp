#include "extension/ExchRuleExt.h"

namespace pellacorm {

STDMETHODIMP CExchRuleExt::QueryCommandDisplayName(IRuleExtCallback* /*callback*/, LPCSTR /*command*/,
                                                   LPSTR /*displayName*/, ULONG /*cbDisplayName*/) {
  return E_NOTIMPL;
}

}  // namespace pellacorm
