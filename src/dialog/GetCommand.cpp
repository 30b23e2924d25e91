#include "extension/ExchRuleExt.h"

namespace pellacorm {

STDMETHODIMP CExchRuleExt::GetCommand(IRuleExtCallback* /*callback*/, LPSTR /*command*/, ULONG /*cbCommand*/,
                                      LPSTR /*displayName*/, ULONG /*cbDisplayName*/) {
  return E_NOTIMPL;
}

}  // namespace pellacorm
