// Binding to the host and the road of one fired rule, through ExchEntryPoint, Install
// and Command on a memstore profile.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "diagnostics/ExceptionReporter.h"
#include "testing/MatchedMessageId.h"
#include "unit/extension/RuleExtTestSupport.h"

namespace ruleext {
namespace {

using pellacorm::CExchRuleExtTestAccess;
using Access = CExchRuleExtTestAccess;

using testsupport::MatchedMessageId;

using CommandTest = RuleExtTest;

TEST_F(CommandTest, WhenBindingNeverReachedTheInboxBothLookupAndCommandReport) {
  Install(MAPI_E_LOGON_FAILED);
  EXPECT_EQ(Fire("006P+0", MatchedMessageId(8)), S_OK);
  EXPECT_TRUE(m_inbox.AssociatedMessages().empty());
  EXPECT_EQ(LogHeadlines(), (std::vector<std::string>{
                                ErrorHeadline(logged::kNoActiveSession),
                                ErrorHeadline(logged::kInvalidEntryId),
                                ErrorHeadline(logged::kNoInbox),
                            }));
}

class BindTest : public RuleExtTest {};

TEST_F(BindTest, BindsTheDefaultStoreItsInboxAndTheSession) {
  Install();
  EXPECT_EQ(m_callback->calls, 1);
  EXPECT_EQ(Bytes(Access::DefaultStoreEid(Ext())), Bytes(m_mailbox.EntryId()));
  EXPECT_EQ(Bytes(Access::InboxEid(Ext())), Bytes(m_inbox.EntryId()));
  EXPECT_EQ(Bytes(Access::AppStoreEid(Ext())), Bytes(m_mailbox.EntryId()));
  EXPECT_EQ(Access::AppStore(Ext()), Access::DefaultStore(Ext()));
  EXPECT_EQ(Access::Session(Ext()), m_session.Get());
  EXPECT_EQ(Access::TopicFolderPath(Ext()), "/Inbox/Pellacorm Topics");
  EXPECT_EQ(LogText(), "");
}

TEST_F(BindTest, WithoutTheSettingsKeyInstallCreatesItEmptyAndRunsOnDefaults) {
  ASSERT_EQ(RegDeleteKeyA(testsupport::CurrentUser(), testsupport::kSettingsKey), ERROR_SUCCESS);
  pellacorm::ExceptionReporter::Instance().SetHomeDir("C:/elsewhere");
  Install();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(testsupport::CurrentUser(), testsupport::kSettingsKey, 0, KEY_READ, &key),
            ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "HomeDir", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND)
      << "nothing is written into the key";
  RegCloseKey(key);
  EXPECT_EQ(Access::TopicFolderPath(Ext()), "/Inbox/Pellacorm Topics");
  EXPECT_EQ(pellacorm::ExceptionReporter::Instance().LogPath(), "C:/elsewhere/Logs/Pellacorm.log");
}

TEST_F(BindTest, TopicFolderLocationValues) {
  struct Case {
    const char* value;  // null: absent
    DWORD type;
    const char* path;
  };
  const Case cases[] = {
      {nullptr, REG_SZ, "/Inbox/Pellacorm Topics"},
      {"", REG_SZ, "/Inbox/Pellacorm Topics"},
      {"Projects\\Active", REG_SZ, "/Projects/Active"},
      {"Calendar", REG_SZ, "/Inbox/Pellacorm Topics"},
      {"/", REG_SZ, "/Inbox/Pellacorm Topics"},
      {" /Inbox//Pellacorm Topics/ ", REG_SZ, "/Inbox/Pellacorm Topics"},
      {"Calendar/Topics", REG_SZ, "/Calendar/Topics"},
      {"Projects", REG_EXPAND_SZ, "/Inbox/Pellacorm Topics"},
  };
  for (const Case& c : cases) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(testsupport::CurrentUser(), testsupport::kSettingsKey, 0, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    RegDeleteValueA(key, "TopicFolderLocation");
    RegCloseKey(key);
    if (c.value != nullptr) {
      SetString("TopicFolderLocation", c.value, c.type);
    }
    Install();
    EXPECT_EQ(Access::TopicFolderPath(Ext()), c.path) << (c.value == nullptr ? "(absent)" : c.value);
  }
}

TEST_F(BindTest, HomeDirFollowsTheValueAtEachInstall) {
  SetString("HomeDir", "");
  Install();
  EXPECT_EQ(pellacorm::ExceptionReporter::Instance().LogPath(), "/Logs/Pellacorm.log");
  SetString("HomeDir", "D:\\Apps\\");
  Install();
  EXPECT_EQ(pellacorm::ExceptionReporter::Instance().LogPath(), "D:\\Apps\\/Logs/Pellacorm.log");
  SetString("HomeDir", "C:/home");
}

TEST_F(BindTest, AnAppDatastoreThatCannotServeFallsBackToTheDefaultStoreSilently) {
  struct Case {
    const char* what;
    std::function<void()> set;
  };
  const std::vector<BYTE> archiveId = Bytes(m_archive.EntryId());
  std::string archiveHex;
  for (BYTE b : archiveId) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", b);
    archiveHex += digits;
  }
  const Case cases[] = {
      {"absent", [] {}},
      {"stored as text", [&] { SetString("AppDatastore", archiveHex); }},
      {"naming no store", [&] { SetBinary("AppDatastore", std::vector<BYTE>(24, 0x42)); }},
  };
  for (const Case& c : cases) {
    c.set();
    Install();
    EXPECT_EQ(Bytes(Access::AppStoreEid(Ext())), Bytes(m_mailbox.EntryId())) << c.what;
    EXPECT_EQ(Access::AppStore(Ext()), Access::DefaultStore(Ext())) << c.what;
    EXPECT_EQ(LogText(), "") << c.what;
  }
}

TEST_F(BindTest, AnAppDatastoreThatOpensHoldsTheTopicsWhileRequestsGoToTheDefaultInbox) {
  m_archive.AddFolder("Inbox/Pellacorm Topics/Archived Only");
  m_topics.AddChild("Mailbox Only");
  SetBinary("AppDatastore", Bytes(m_archive.EntryId()));
  Install();
  EXPECT_EQ(Bytes(Access::AppStoreEid(Ext())), Bytes(m_archive.EntryId()));
  EXPECT_NE(Access::AppStore(Ext()), Access::DefaultStore(Ext()));
  EXPECT_EQ(Ext().LoadTopicNames(), pellacorm::TopicList{u"Archived Only"});

  const std::vector<BYTE> id = MatchedMessageId(12);
  EXPECT_EQ(
      Iface()->Command(m_callback, "006P+1", 12, reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(id.data()))),
      S_OK);
  EXPECT_EQ(m_inbox.AssociatedMessages().size(), 1u);
}

TEST_F(BindTest, AFailedSessionIsReportedOnceAndLeavesTheObjectUnbound) {
  Install(MAPI_E_LOGON_FAILED);
  EXPECT_EQ(LogHeadlines(), std::vector<std::string>{ErrorHeadline(logged::kNoActiveSession)});
  EXPECT_EQ(Access::Session(Ext()), nullptr);
  EXPECT_TRUE(Access::DefaultStoreEid(Ext()).IsEmpty());
  EXPECT_TRUE(Access::InboxEid(Ext()).IsEmpty());
}

TEST_F(BindTest, InstallAnswersSOkForEveryContext) {
  Install();
  for (ULONG context : {0u, 1u, 2u, 0xFFFFFFFFu}) {
    EXPECT_EQ(Iface()->Install(m_callback, context), S_OK) << context;
    EXPECT_EQ(Bytes(Access::InboxEid(Ext())), Bytes(m_inbox.EntryId())) << context;
  }
}

TEST_F(BindTest, ASecondInstallReleasesWhatTheFirstHeld) {
  Install();
  ASSERT_EQ(Iface()->Install(m_callback, 0), S_OK);
  int stores = 0;
  int sessions = 0;
  for (const auto& object : memstore::Ledger::LiveObjects()) {
    stores += object.kind == memstore::ObjectKind::Store ? 1 : 0;
    sessions += object.kind == memstore::ObjectKind::Session ? 1 : 0;
  }
  EXPECT_EQ(stores, 1) << memstore::Ledger::ReportSince(memstore::Ledger::Mark{});
  EXPECT_EQ(sessions, 1);
}

TEST_F(BindTest, QueryReleaseDropsTheReferencesAndKeepsThePathAndIdentifiers) {
  Install();
  ASSERT_EQ(Iface()->QueryRelease(), S_OK);
  EXPECT_EQ(Access::Session(Ext()), nullptr);
  EXPECT_EQ(Access::DefaultStore(Ext()), nullptr);
  EXPECT_EQ(Access::AppStore(Ext()), nullptr);
  EXPECT_EQ(Bytes(Access::InboxEid(Ext())), Bytes(m_inbox.EntryId()));
  EXPECT_EQ(Access::TopicFolderPath(Ext()), "/Inbox/Pellacorm Topics");
  for (const auto& object : memstore::Ledger::LiveObjects()) {
    EXPECT_EQ(object.kind, memstore::ObjectKind::Session) << "still live: " << object.name;
  }
  EXPECT_EQ(Iface()->QueryRelease(), S_OK);
}

}  // namespace
}  // namespace ruleext
