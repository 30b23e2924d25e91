// The one reporter of the process under threads that use it at once, as the client does
// when a rule fires on one thread while the Rules Wizard binds an object on another: every
// entry reaches one of the logs whole, none is lost, none interleaves with another.
// The thread sanitizer build (native-tsan) runs this test too.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "diagnostics/ExceptionReporter.h"
#include "testing/MatchedMessageId.h"
#include "unit/extension/RuleExtTestSupport.h"

namespace ruleext {
namespace {

using ReporterThreadsTest = RuleExtTest;

TEST_F(ReporterThreadsTest, EntriesOfThreadsReportingAtOnceReachTheLogsWhole) {
  // Two homes, and a thread that moves HomeDir between them while binders pick it up.
  ::mkdir((m_drives.Root() + "/c/other").c_str(), 0755);
  ::mkdir((m_drives.Root() + "/c/other/Logs").c_str(), 0755);
  const char* const homes[] = {"C:/home", "C:/other"};
  // The reporter takes the first home now, as the library does when it is loaded.
  pellacorm::ExceptionReporter::Instance().LoadSettings();

  constexpr int kRounds = 60;
  constexpr int kFirers = 2;   // Command on an unbound object: two entries a round
  constexpr int kBinders = 2;  // Install without a session: one entry a round
  std::atomic<bool> go{false};
  std::atomic<int> binding{kBinders};
  std::vector<std::thread> threads;
  for (int t = 0; t < kFirers; ++t) {
    threads.emplace_back([&go] {
      pellacorm::IExchangeRuleExt* ext = ExchEntryPoint();
      std::vector<BYTE> matched = testsupport::MatchedMessageId(8);
      while (!go) {
      }
      for (int round = 0; round < kRounds; ++round) {
        EXPECT_EQ(ext->Command(nullptr, "017P+1T1006Budget", static_cast<ULONG>(matched.size()),
                               reinterpret_cast<LPENTRYID>(matched.data())),
                  S_OK);
      }
      ext->Release();
    });
  }
  for (int t = 0; t < kBinders; ++t) {
    threads.emplace_back([&go, &binding] {
      FakeCallback noSession(nullptr, MAPI_E_LOGON_FAILED);
      while (!go) {
      }
      for (int round = 0; round < kRounds; ++round) {
        pellacorm::IExchangeRuleExt* ext = ExchEntryPoint();
        EXPECT_EQ(ext->Install(&noSession, 0), S_OK);
        ext->Release();
      }
      --binding;
    });
  }
  threads.emplace_back([&go] {
    pellacorm::IExchangeRuleExt* ext = ExchEntryPoint();
    char name[256];
    while (!go) {
    }
    for (int round = 0; round < kRounds * 4; ++round) {
      const char* command = round % 2 == 0 ? "017P+1T1006Budget" : "015T2007Retired";
      EXPECT_EQ(ext->QueryCommandDisplayName(nullptr, command, name, sizeof name), S_OK);
    }
    ext->Release();
  });
  threads.emplace_back([&go, &binding, &homes] {
    while (!go) {
    }
    for (int round = 0; binding > 0; ++round) {
      testsupport::SetRegString(testsupport::kSettingsKey, "HomeDir", homes[round % 2]);
    }
  });
  go = true;
  for (std::thread& thread : threads) {
    thread.join();
  }

  std::map<std::string, int> headlines;
  std::size_t entries = 0;
  for (const char* home : homes) {
    for (const LogEntry& entry : testsupport::ParseLog(
             testsupport::ReadWindowsFile((std::string(home) + "/Logs/Pellacorm.log").c_str()))) {
      EXPECT_TRUE(testsupport::IsLogTime(entry.time)) << entry.time;
      EXPECT_TRUE(entry.details.empty()) << entry.header;
      ++headlines[entry.header + " | " + entry.description];
      ++entries;
    }
  }
  EXPECT_EQ(entries, static_cast<std::size_t>(kRounds * (2 * kFirers + kBinders)));
  EXPECT_EQ(headlines, (std::map<std::string, int>{
                           {ErrorHeadline(logged::kNoActiveSession), kRounds * kBinders},
                           {ErrorHeadline(logged::kInvalidEntryId), kRounds * kFirers},
                           {ErrorHeadline(logged::kNoInbox), kRounds * kFirers},
                       }));
}

}  // namespace
}  // namespace ruleext
