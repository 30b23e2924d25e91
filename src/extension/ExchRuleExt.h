// CExchRuleExt: the rule-extension object the client drives through IExchangeRuleExt.
// Its operations are spread over the files of their areas: binding and action
// execution in extension/, the lookups and topics in store/, the display-name query in
// action/, composing a command in dialog/.
#pragma once

#include <string>
#include <vector>

#include "extension/RuleExtInterface.h"
#include "store/EntryID.h"
#include "store/MapiPtr.h"
#include "store/TopicName.h"

namespace pellacorm {

class CExchRuleExt final : public IExchangeRuleExt {
 public:
  CExchRuleExt() = default;
  CExchRuleExt(const CExchRuleExt&) = delete;
  CExchRuleExt& operator=(const CExchRuleExt&) = delete;

  // IUnknown
  STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override;
  STDMETHOD_(ULONG, AddRef)() override;
  STDMETHOD_(ULONG, Release)() override;

  // IExchangeRuleExt
  STDMETHOD(Install)(IRuleExtCallback* callback, ULONG context) override;
  STDMETHOD(QueryRelease)() override;
  STDMETHOD(GetCommand)
  (IRuleExtCallback* callback, LPSTR command, ULONG cbCommand, LPSTR displayName,
   ULONG cbDisplayName) override;
  STDMETHOD(QueryCommandDisplayName)
  (IRuleExtCallback* callback, LPCSTR command, LPSTR displayName, ULONG cbDisplayName) override;
  STDMETHOD(Command)(IRuleExtCallback* callback, LPCSTR command, ULONG cbEntryId, LPENTRYID entryId) override;

  // Composing a command (dialog/GetCommand.cpp): the dialog and the buffers' new texts.
  HRESULT ComposeCommand(LPSTR command, ULONG cbCommand, LPSTR displayName, ULONG cbDisplayName);

  // Binding to the host (extension/BindToHost.cpp).
  void BindToHost(IRuleExtCallback* callback);
  static EntryID ReadAppDatastore();

  // Action execution (extension/PostActionRequest.cpp).
  HRESULT PostActionRequest(LPCSTR command, ULONG cbEntryId, LPENTRYID entryId);
  ComPtr<IMAPIFolder> OpenInbox(bool modify);

  // Store and folder lookup (store/StoreLookup.cpp, store/FolderPath.cpp). Each works on
  // the session, store or folder it is given.
  static EntryID GetDefaultDatastoreEID(IMAPISession* session);
  static ComPtr<IMAPIFolder> GetFolder(ComPtr<IMsgStore> store, EntryID entryId, bool modify);
  static ComPtr<IMAPIFolder> GetFolder(ComPtr<IMAPIFolder> parent, std::string path);
  static std::string NormalizeFolderPath(const std::string& path);
  static std::string ValidateTopicFolderPath(const std::string& location);
  static std::string AbbreviateFolderPath(const std::string& path, ULONG limit);

  // The topics folder and its topic names (store/Topics.cpp).
  HRESULT InitAppFolder();
  ComPtr<IMAPIFolder> GetAppFolder(bool modify);
  HRESULT GetTopicNames(ComPtr<IMAPIFolder> folder, TopicList& list, const TopicName* prefix);
  TopicList LoadTopicNames();
  static bool CompareTopicNames(const TopicName& a, const TopicName& b);

 private:
  // Only Release destroys the object.
  ~CExchRuleExt() = default;

  // GetTopicNames, and with `narrow` the ANSI text of each name listed (NarrowTopic of
  // it) in the same order.
  HRESULT WalkTopics(ComPtr<IMAPIFolder> folder, TopicList& list, const TopicName* prefix,
                     NarrowTopicTexts* narrow);

  // The fields in this order: members are destroyed in reverse, which releases the
  // application store, the default store and the session, then frees the topics
  // folder's, the Inbox's, the application store's and the default store's entry
  // identifiers, and last the path.
  LONG volatile m_refCount = 1;
  std::string m_topicFolderPath;
  EntryID m_defaultStoreEid;
  EntryID m_appStoreEid;
  EntryID m_inboxEid;
  EntryID m_topicFolderEid;
  ComPtr<IMAPISession> m_session;
  ComPtr<IMsgStore> m_defaultStore;
  ComPtr<IMsgStore> m_appStore;

  friend class CExchRuleExtTestAccess;
};

}  // namespace pellacorm
