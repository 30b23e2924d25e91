#include "unit/extension/RuleExtTestSupport.h"

#include <sys/stat.h>

#include <cstdio>

#include "diagnostics/ExceptionReporter.h"

namespace ruleext {

namespace {
// The log lives below this home folder, on drive C: of the test's drives.
constexpr const char* kHome = "C:/home";
constexpr const char* kLogFile = "C:/home/Logs/Pellacorm.log";
}  // namespace

RuleExtTest::RuleExtTest()
    : m_user(profile),
      m_mailbox(m_user.mailbox),
      m_inbox(m_user.inbox),
      m_topics(m_user.topics),
      m_archive(m_user.archive) {
  const std::string logs = m_drives.Root() + "/c/home/Logs";
  ::mkdir((m_drives.Root() + "/c").c_str(), 0755);
  ::mkdir((m_drives.Root() + "/c/home").c_str(), 0755);
  ::mkdir(logs.c_str(), 0755);
  SetString("HomeDir", kHome);
  m_session = profile.Logon();
}

void RuleExtTest::ReleaseExtension() {
  if (m_ext != nullptr) {
    m_ext->QueryRelease();
    EXPECT_EQ(m_ext->Release(), 0u);
    m_ext = nullptr;
  }
  delete m_callback;
  m_callback = nullptr;
}

void RuleExtTest::ReleaseHeldObjects() {
  ReleaseExtension();
  m_session.Reset();
}

void RuleExtTest::Install(HRESULT sessionResult) {
  ReleaseHeldObjects();
  m_session = profile.Logon();
  m_callback = new FakeCallback(m_session.Get(), sessionResult);
  m_ext = ExchEntryPoint();
  ASSERT_NE(m_ext, nullptr);
  ASSERT_EQ(m_ext->Install(m_callback, 0), S_OK);
}

void RuleExtTest::SetString(const char* name, const std::string& value, DWORD type) {
  testsupport::SetRegString(testsupport::kSettingsKey, name, value, type);
}

void RuleExtTest::SetBinary(const char* name, const std::vector<BYTE>& bytes) {
  testsupport::SetRegBinary(testsupport::kSettingsKey, name, bytes);
}

std::string RuleExtTest::LogText() const {
  return testsupport::ReadWindowsFile(kLogFile);
}

void RuleExtTest::DeleteLog() const {
  std::remove((m_drives.Root() + "/c/home/Logs/Pellacorm.log").c_str());
}

std::vector<LogEntry> RuleExtTest::LogEntries() const {
  return testsupport::ParseLog(LogText());
}

std::vector<std::string> RuleExtTest::LogHeadlines() const {
  return testsupport::Headlines(LogEntries());
}

}  // namespace ruleext
