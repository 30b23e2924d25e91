// Executing the action when a rule fires: one hidden action request message in the
// Inbox of the default store, naming the matched message and carrying the settings.
#include "action/ActionSettings.h"
#include "diagnostics/ExceptionReporter.h"
#include "diagnostics/Exceptions.h"
#include "extension/ExchRuleExt.h"

namespace pellacorm {
namespace {

constexpr const char* kActionMessageClass = "IPM.Pellacorm.Action";

// The request's properties, in the order they are set.
enum RequestProperty : ULONG {
  kRequestClass,
  kRequestSubject,
  kRequestOriginalEntryId,
  kRequestPropertyCount
};

}  // namespace

ComPtr<IMAPIFolder> CExchRuleExt::OpenInbox(bool modify) {
  return GetFolder(m_defaultStore, m_inboxEid, modify);
}

HRESULT CExchRuleExt::PostActionRequest(LPCSTR command, ULONG cbEntryId, LPENTRYID entryId) {
  // A null entry identifier with a size would reach SetProps as a bad pointer: refused
  // like a size of zero.
  if (command == nullptr || cbEntryId == 0 || entryId == nullptr) {
    return E_INVALIDARG;
  }
  const ActionSettings settings{std::string_view(command)};
  if (!settings.m_assignPriority && !settings.m_assignTopic) {
    return S_OK;
  }
  // The subject is the command string as the decoded settings write it, so it is
  // always well formed whatever followed the recognised fields.
  const std::string subject = settings.EncodeCommand();

  HRESULT result = S_OK;
  ComPtr<IMAPIFolder> inbox;
  ComPtr<IMessage> message;
  MapiBuffer<SPropProblemArray> problems;
  try {
    inbox = OpenInbox(true);
    if (!inbox) {
      throw ProgramException(raise::kNoInbox);
    }
    result = inbox->CreateMessage(nullptr, MAPI_ASSOCIATED, message.Put());
    if (FAILED(result)) {
      message.Detach();
      throw MAPIException(result, static_cast<LPMAPIPROP>(inbox.Get()), raise::kCreateMessage);
    }

    SPropValue props[kRequestPropertyCount] = {};
    props[kRequestClass].ulPropTag = PR_MESSAGE_CLASS_A;
    props[kRequestClass].Value.lpszA = const_cast<LPSTR>(kActionMessageClass);
    props[kRequestSubject].ulPropTag = PR_SUBJECT_A;
    props[kRequestSubject].Value.lpszA = const_cast<LPSTR>(subject.c_str());
    props[kRequestOriginalEntryId].ulPropTag = PR_ORIGINAL_ENTRYID;
    props[kRequestOriginalEntryId].Value.bin.cb = cbEntryId;
    props[kRequestOriginalEntryId].Value.bin.lpb = reinterpret_cast<LPBYTE>(entryId);
    result = message->SetProps(kRequestPropertyCount, props, OutArg<MapiBuffer<SPropProblemArray>>(problems));
    if (FAILED(result)) {
      throw MAPIException(result, static_cast<LPMAPIPROP>(message.Get()), raise::kSetProps, problems.get());
    }

    result = message->SaveChanges(0);
    if (FAILED(result)) {
      throw MAPIException(result, static_cast<LPMAPIPROP>(message.Get()), raise::kSaveChanges);
    }
  } catch (const BaseException& e) {
    // Releasing the unsaved message discards it: nothing is left in the Inbox.
    message.Reset();
    inbox.Reset();
    ExceptionReporter::Instance().Report(e);
  }
  return result;
}

}  // namespace pellacorm
