// The client asks for the readable name of an action it has stored.
#include <new>

#include "action/ActionSettings.h"
#include "action/HostBuffer.h"
#include "extension/ExchRuleExt.h"

namespace pellacorm {

STDMETHODIMP CExchRuleExt::QueryCommandDisplayName(IRuleExtCallback* /*callback*/, LPCSTR command,
                                                   LPSTR displayName, ULONG cbDisplayName) {
  if (command == nullptr || displayName == nullptr) {
    return E_INVALIDARG;
  }
  try {
    const ActionSettings settings(command);
    FitToHostBuffer(settings.GetDisplayName(), displayName, cbDisplayName);
  } catch (const std::bad_alloc&) {
    // Nothing has been written: the text is complete before it is copied.
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

}  // namespace pellacorm
