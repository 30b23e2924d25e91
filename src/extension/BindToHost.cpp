// Binding the object to the host at Install: the settings, the host's session, the
// default store and its Inbox, and the application store that holds the topics folder.
#include "config/RegistryValues.h"
#include "config/Settings.h"
#include "diagnostics/ExceptionReporter.h"
#include "diagnostics/Exceptions.h"
#include "extension/ExchRuleExt.h"

namespace pellacorm {
namespace {

constexpr const char* kDefaultTopicFolderPath = "/Inbox/Pellacorm Topics";
constexpr const char* kInboxMessageClass = "IPM.Note";

}  // namespace

EntryID CExchRuleExt::ReadAppDatastore() {
  EntryID store;
  const RegKey key = OpenSettingsKey(kSettingsReadAccess);
  std::vector<BYTE> bytes;
  if (key && QueryRegBinary(key.Get(), kAppDatastoreValue, bytes) == 0) {
    store.Assign(static_cast<ULONG>(bytes.size()), bytes.data());
  }
  return store;
}

void CExchRuleExt::BindToHost(IRuleExtCallback* callback) {
  m_topicFolderPath = kDefaultTopicFolderPath;
  try {
    // The settings key stays open until binding ends. When it has to be created, no
    // value is read: the defaults apply and the log keeps its path.
    bool created = false;
    const RegKey key = OpenOrCreateSettingsKey(created);
    if (key && !created) {
      std::string home;
      if (QueryRegString(key.Get(), kHomeDirValue, home) == 0) {
        ExceptionReporter::Instance().SetHomeDir(home.c_str());
      }
      std::string location;
      if (QueryRegString(key.Get(), kTopicFolderLocationValue, location) == 0 && !location.empty()) {
        m_topicFolderPath = location;
      }
      m_topicFolderPath = ValidateTopicFolderPath(m_topicFolderPath);
    }

    // Each reference is taken into a local first and replaces the field only on
    // success, so a failed step leaves the field as it was and a second Install
    // releases what the first one held.
    ComPtr<IMAPISession> session;
    if (callback == nullptr || FAILED(callback->GetSession(session.Put())) || !session) {
      session.Detach();
      throw ProgramException(raise::kNoActiveSession);
    }
    m_session = std::move(session);

    m_defaultStoreEid = GetDefaultDatastoreEID(m_session.Get());
    if (m_defaultStoreEid.IsEmpty()) {
      throw ProgramException(raise::kNoActiveDatastore);
    }

    ComPtr<IMsgStore> defaultStore;
    HRESULT hr = m_session->OpenMsgStore(0, m_defaultStoreEid.cb(), m_defaultStoreEid.lpEntryID(), nullptr,
                                         MDB_WRITE, defaultStore.Put());
    if (FAILED(hr)) {
      defaultStore.Detach();
      throw MAPIException(hr, m_session.Get(), raise::kOpenMsgStore);
    }
    m_defaultStore = std::move(defaultStore);

    // An application store that is not configured or does not open is no failure:
    // the default store holds the topics folder then.
    m_appStoreEid = ReadAppDatastore();
    ComPtr<IMsgStore> appStore;
    if (!m_appStoreEid.IsEmpty() &&
        SUCCEEDED(m_session->OpenMsgStore(0, m_appStoreEid.cb(), m_appStoreEid.lpEntryID(), nullptr,
                                          MDB_WRITE, appStore.Put())) &&
        appStore) {
      m_appStore = std::move(appStore);
    } else {
      appStore.Detach();
      m_appStore = m_defaultStore;
      m_appStoreEid = m_defaultStoreEid;
    }

    ULONG cbInbox = 0;
    MapiBuffer<ENTRYID> inbox;
    hr = m_defaultStore->GetReceiveFolder(const_cast<LPTSTR>(kInboxMessageClass), 0, &cbInbox,
                                          OutArg<MapiBuffer<ENTRYID>>(inbox), nullptr);
    if (FAILED(hr)) {
      throw MAPIException(hr, m_defaultStore.Get(), raise::kGetReceiveFolder);
    }
    m_inboxEid.Assign(cbInbox, reinterpret_cast<const BYTE*>(inbox.get()));
  } catch (const BaseException& e) {
    ExceptionReporter::Instance().Report(e);
  }
}

}  // namespace pellacorm
