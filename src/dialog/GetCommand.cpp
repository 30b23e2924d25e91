// Composing a command: the dialog over the action's current settings, then the new
// command string and display name written back into the host's buffers.
#include <cstring>

#include "action/ActionSettings.h"
#include "action/HostBuffer.h"
#include "dialog/ActionDialog.h"
#include "extension/ExchRuleExt.h"

namespace pellacorm {

STDMETHODIMP CExchRuleExt::GetCommand(IRuleExtCallback* /*callback*/, LPSTR command, ULONG cbCommand,
                                      LPSTR displayName, ULONG cbDisplayName) {
  if (command == nullptr || displayName == nullptr) {
    return E_INVALIDARG;
  }
  try {
    return ComposeCommand(command, cbCommand, displayName, cbDisplayName);
  } catch (...) {
    // Memory ran out while composing: nothing more is written, and no exception
    // unwinds into the host.
    return E_OUTOFMEMORY;
  }
}

HRESULT CExchRuleExt::ComposeCommand(LPSTR command, ULONG cbCommand, LPSTR displayName, ULONG cbDisplayName) {
  // The incoming text is read only within the buffer the host says it has.
  const std::string original(command, strnlen(command, cbCommand));
  TopicList topics = LoadTopicNames();
  ActionSettings settings(original);

  CActionDialog dialog(settings, cbCommand, cbDisplayName, std::move(topics));
  dialog.DoModal(GetActiveWindow());

  // A command that does not fit the buffer (a stored string that filled the buffer
  // without its terminator, kept by Cancel) is not written cut and corrupt: the buffer
  // keeps what it held, and the display name describes that.
  const std::string newCommand = settings.EncodeCommand();
  const bool fits = newCommand.size() + 1 <= cbCommand;
  const std::string name = fits ? settings.GetDisplayName() : ActionSettings(original).GetDisplayName();
  FitToHostBuffer(name, displayName, cbDisplayName);
  if (fits) {
    std::memcpy(command, newCommand.c_str(), newCommand.size() + 1);
  }
  return S_OK;
}

}  // namespace pellacorm
