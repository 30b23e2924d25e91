// The client asks for the readable name of an action it has stored.
#include "action/ActionSettings.h"
#include "extension/ExchRuleExt.h"

namespace pellacorm {

STDMETHODIMP CExchRuleExt::QueryCommandDisplayName(IRuleExtCallback* /*callback*/, LPCSTR command,
                                                   LPSTR displayName, ULONG cbDisplayName) {
  if (command == nullptr || displayName == nullptr) {
    return E_INVALIDARG;
  }
  try {
    // Read in place and written straight into the client's buffer: nothing of the
    // command is copied on the way.
    CopyCommandDisplayName(command, displayName, cbDisplayName);
  } catch (...) {
    // Nothing has been written: the copy starts only once every part is at hand.
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

}  // namespace pellacorm
