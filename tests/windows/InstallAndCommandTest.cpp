// Binding and one fired rule on the real platform: Install on a memstore profile with
// the settings in the real registry, Command writing the hidden request message into
// the Inbox, and the log file written through the C runtime of Windows. (Failures of
// the store's calls and of MAPI's allocations are the shared scenarios', run here too.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WindowsTestSupport.h"
#include "testing/MatchedMessageId.h"

namespace wintest {
namespace {

using testsupport::MatchedMessageId;

using testsupport::ErrorHeadline;
namespace logged = testsupport::logged;
using testsupport::IsLogTime;

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
  SetString("HomeDir", second);
  Install(MAPI_E_LOGON_FAILED);
  EXPECT_EQ(LogHeadlines().size(), 2u) << "the first log is left as it was";
  EXPECT_NE(ReadFileBytes(secondLog).find("\r\nUnable to obtain active session\r\n\r\n"), std::string::npos);

  // Without the settings key Install creates it empty, and the log stays where it was.
  testsupport::DeleteRegKey(kSettingsKey);
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
  SetString("HomeDir", HomeDir());
  Install();
}

TEST_F(CommandTest, AnAppDatastoreNamingTheArchiveIsUsedWithoutComplaint) {
  const memstore::EntryIdBytes archive = m_archive.EntryId();
  SetBinary("AppDatastore", std::vector<BYTE>(archive.begin(), archive.end()));
  SetString("TopicFolderLocation", "Projects\\Active");
  Install();
  ASSERT_EQ(Fire("006P+1", MatchedMessageId(4)), S_OK);
  EXPECT_EQ(m_inbox.AssociatedMessages().size(), 1u) << "requests go to the default store's Inbox";
  EXPECT_EQ(LogText(), "");
}

}  // namespace
}  // namespace wintest
