// A bound rule-extension object on a memstore profile, with its own registry and log,
// for the tests of binding, action execution, lookups and topics.
#pragma once

#include <string>
#include <vector>

#include "testing/FakeCallback.h"
#include "testing/LogEntries.h"
#include "testing/MemstoreFixture.h"
#include "testing/RegistryHelper.h"
#include "testing/TempFiles.h"
#include "testing/UserProfile.h"
#include "extension/ExchRuleExt.h"

extern "C" pellacorm::IExchangeRuleExt* WINAPI ExchEntryPoint();

namespace pellacorm {

// Reads the private fields the tests check.
class CExchRuleExtTestAccess {
 public:
  static const std::string& TopicFolderPath(const CExchRuleExt& ext) { return ext.m_topicFolderPath; }
  static const EntryID& DefaultStoreEid(const CExchRuleExt& ext) { return ext.m_defaultStoreEid; }
  static const EntryID& AppStoreEid(const CExchRuleExt& ext) { return ext.m_appStoreEid; }
  static const EntryID& InboxEid(const CExchRuleExt& ext) { return ext.m_inboxEid; }
  static const EntryID& TopicFolderEid(const CExchRuleExt& ext) { return ext.m_topicFolderEid; }
  static IMAPISession* Session(const CExchRuleExt& ext) { return ext.m_session.Get(); }
  static IMsgStore* DefaultStore(const CExchRuleExt& ext) { return ext.m_defaultStore.Get(); }
  static IMsgStore* AppStore(const CExchRuleExt& ext) { return ext.m_appStore.Get(); }
};

}  // namespace pellacorm

namespace ruleext {

using testsupport::ErrorHeadline;
using testsupport::FakeCallback;
using testsupport::LogEntry;
namespace logged = testsupport::logged;

// A profile like a user's (testsupport::UserMailbox) with the settings key and HomeDir
// in a registry and drives of the test's own.
class RuleExtTest : public testsupport::MemstoreTest {
 protected:
  RuleExtTest();

  void ReleaseHeldObjects() override;

  // Binds a new object through ExchEntryPoint and Install.
  void Install(HRESULT sessionResult = S_OK);
  // Releases the object (after QueryRelease) and the callback; the session stays.
  void ReleaseExtension();
  pellacorm::CExchRuleExt& Ext() { return *static_cast<pellacorm::CExchRuleExt*>(m_ext); }
  pellacorm::IExchangeRuleExt* Iface() { return m_ext; }
  // Command for the rule `command` that matched the message with entry identifier `id`.
  HRESULT Fire(const char* command, const std::vector<BYTE>& id) {
    return m_ext->Command(m_callback, command, static_cast<ULONG>(id.size()),
                          reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id.data())));
  }

  // The settings key's values.
  void SetString(const char* name, const std::string& value, DWORD type = REG_SZ);
  void SetBinary(const char* name, const std::vector<BYTE>& bytes);

  std::vector<LogEntry> LogEntries() const;
  std::string LogText() const;
  void DeleteLog() const;
  std::vector<std::string> LogHeadlines() const;  // "header | description" per entry

  static std::vector<BYTE> Bytes(const memstore::EntryIdBytes& id) { return {id.begin(), id.end()}; }
  static std::vector<BYTE> Bytes(const pellacorm::EntryID& id) {
    return {id.Bytes(), id.Bytes() + id.Size()};
  }

  testsupport::TempRegistry m_registry;
  testsupport::TempDrives m_drives;
  testsupport::UserMailbox m_user;
  memstore::StoreRef m_mailbox;
  memstore::FolderRef m_inbox;
  memstore::FolderRef m_topics;
  memstore::StoreRef m_archive;
  pellacorm::ComPtr<IMAPISession> m_session;
  FakeCallback* m_callback = nullptr;
  pellacorm::IExchangeRuleExt* m_ext = nullptr;
};

}  // namespace ruleext
