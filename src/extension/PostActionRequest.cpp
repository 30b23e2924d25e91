#include "extension/ExchRuleExt.h"

namespace pellacorm {

HRESULT CExchRuleExt::PostActionRequest(LPCSTR command, ULONG cbEntryId, LPENTRYID entryId) {
  if (command == nullptr || cbEntryId == 0 || entryId == nullptr) {
    return E_INVALIDARG;
  }
  return S_OK;
}

}  // namespace pellacorm
