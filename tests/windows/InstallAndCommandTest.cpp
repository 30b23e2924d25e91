// Binding and one fired rule on the real platform: Install on a memstore profile with
// the settings in the real registry, Command writing the hidden request message into
// the Inbox, the log file written through the C runtime of Windows, and failures of
// the store's calls (memstore fault injection) reported and contained.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WindowsTestSupport.h"
#include "shared/ActionRequest.h"
#include "shared/MatchedMessageId.h"

namespace wintest {
namespace {

using testshared::MatchedMessageId;

using testshared::ErrorHeadline;
namespace logged = testshared::logged;
using testshared::IsLogTime;

using CommandTest = MailboxTest;

TEST_F(CommandTest, TheLogOnTheRealPlatformHasCrLfLinesAndTheTimeFirst) {
  Install(MAPI_E_LOGON_FAILED);
  EXPECT_EQ(Fire("006P+0", MatchedMessageId(8)), S_OK);
  EXPECT_TRUE(m_inbox.AssociatedMessages().empty());
  EXPECT_EQ(LogHeadlines(), (std::vector<std::string>{
                                ErrorHeadline(logged::kNoActiveSession),
                                ErrorHeadline(logged::kInvalidEntryId),
                                ErrorHeadline(logged::kNoInbox),
                            }));
  for (const LogEntry& entry : LogEntries()) {
    EXPECT_TRUE(IsLogTime(entry.time)) << "\"" << entry.time << "\" is not MM/DD/YY HH:MM:SS";
  }
  const std::string text = LogText();
  ASSERT_GE(text.size(), 4u);
  EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n") << "each entry ends with an empty CR LF line";
}

TEST_F(CommandTest, TheLogFollowsHomeDirAndAppendsAcrossObjects) {
  Install(MAPI_E_LOGON_FAILED);
  ReleaseExtension();
  Install(MAPI_E_LOGON_FAILED);
  const std::vector<std::string> headlines = LogHeadlines();
  ASSERT_EQ(headlines.size(), 2u) << "two Installs, one entry each, the second appended";
  EXPECT_EQ(headlines[0], ErrorHeadline(logged::kNoActiveSession));
  EXPECT_EQ(headlines[1], headlines[0]);

  // A new HomeDir moves the log at the next Install.
  const std::string second = HomeDir() + "\\Second";
  const std::string secondLog = second + "\\Logs\\Pellacorm.log";
  CreateDirectoryA(second.c_str(), nullptr);
  CreateDirectoryA((second + "\\Logs").c_str(), nullptr);
  DeleteFileA(secondLog.c_str());
  SetSettingString("HomeDir", second);
  Install(MAPI_E_LOGON_FAILED);
  EXPECT_EQ(LogHeadlines().size(), 2u) << "the first log is left as it was";
  EXPECT_NE(ReadFileBytes(secondLog).find("\r\nUnable to obtain active session\r\n\r\n"), std::string::npos);

  // Without the settings key Install creates it empty, and the log stays where it was.
  DeleteSettingsKey();
  Install(MAPI_E_LOGON_FAILED);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS)
      << "Install creates the settings key";
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "HomeDir", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND)
      << "nothing is written into the key";
  RegCloseKey(key);
  const std::string text = ReadFileBytes(secondLog);
  const std::string entry = "\r\nUnable to obtain active session\r\n\r\n";
  EXPECT_NE(text.find(entry, text.find(entry) + 1), std::string::npos)
      << "a second entry in the second log:\n"
      << text;
  EXPECT_EQ(LogHeadlines().size(), 2u);
  DeleteFileA(secondLog.c_str());
  SetSettingString("HomeDir", HomeDir());
  Install();
}

TEST_F(CommandTest, AfterQueryReleaseNothingIsWrittenAndTheMissingInboxIsReported) {
  Install();
  ASSERT_EQ(m_ext->QueryRelease(), S_OK);
  EXPECT_EQ(Fire("006P+0", MatchedMessageId(8)), S_OK);
  EXPECT_TRUE(m_inbox.AssociatedMessages().empty());
  EXPECT_EQ(LogHeadlines(), std::vector<std::string>{ErrorHeadline(logged::kNoInbox)});
}

TEST_F(CommandTest, AnAppDatastoreNamingTheArchiveIsUsedWithoutComplaint) {
  const memstore::EntryIdBytes archive = m_archive.EntryId();
  SetSettingBinary("AppDatastore", std::vector<BYTE>(archive.begin(), archive.end()));
  SetSettingString("TopicFolderLocation", "Projects\\Active");
  Install();
  ASSERT_EQ(Fire("006P+1", MatchedMessageId(4)), S_OK);
  EXPECT_EQ(m_inbox.AssociatedMessages().size(), 1u) << "requests go to the default store's Inbox";
  EXPECT_EQ(LogText(), "");
}

// Each MAPI allocation of binding, then of one fired rule, made to fail in turn (our
// mapi32.dll's injection): no crash, no request lost without a word in the log, a
// request written whole or not at all, and no buffer or object left live.
TEST_F(CommandTest, EveryAllocationFailureIsContained) {
  const std::vector<BYTE> matched = MatchedMessageId(24);
  for (const bool duringInstall : {true, false}) {
    bool completed = false;
    int failedRuns = 0;
    for (ULONG nth = 1; nth <= 200 && !completed; ++nth) {
      SCOPED_TRACE(testing::Message()
                   << (duringInstall ? "Install" : "Command") << ", allocation " << nth << " fails");
      DeleteFileA(LogPath().c_str());
      const ULONG buffersBefore = OwnMapi32::LiveBuffers();
      const std::size_t requestsBefore = m_inbox.AssociatedMessages().size();
      if (duringInstall) {
        OwnMapi32::FailAllocation(nth);
        Install();
        OwnMapi32::FailAllocation(0);
      } else {
        Install();
        OwnMapi32::FailAllocation(nth);
      }
      const HRESULT hr = Fire("017P+1T1006Budget", matched);
      OwnMapi32::FailAllocation(0);
      const auto requests = m_inbox.AssociatedMessages();
      const bool written = requests.size() == requestsBefore + 1;
      ASSERT_TRUE(written || requests.size() == requestsBefore) << "at most one request per fired rule";
      if (written) {
        EXPECT_EQ(hr, S_OK);
        testshared::ExpectActionRequest(requests.back().Props(), "017P+1T1006Budget", matched);
        completed = LogText().empty();
      } else {
        ++failedRuns;
        EXPECT_FALSE(LogText().empty()) << "a request lost without an entry in the log";
      }
      ReleaseExtension();
      EXPECT_EQ(OwnMapi32::LiveBuffers(), buffersBefore) << "MAPI buffers left live";
    }
    EXPECT_TRUE(completed) << (duringInstall ? "Install" : "Command") << " never got past the failures";
    EXPECT_GT(failedRuns, 0) << "no injected failure reached " << (duringInstall ? "Install" : "Command");
  }
}

}  // namespace
}  // namespace wintest
