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
  // The incoming text is read only within the buffer the host says it has.
  const std::string original(command, strnlen(command, cbCommand));
  TopicList topics = LoadTopicNames();
  ActionSettings settings(original);

  CActionDialog dialog(settings, cbCommand, cbDisplayName, std::move(topics));
  dialog.DoModal(GetActiveWindow());

  // A record that does not fit the buffer (a malformed stored string that re-encodes
  // longer) is not written cut and corrupt: the buffer keeps the stored string, and the
  // display name describes it.
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
