#include "WindowsTestSupport.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace wintest {

namespace {

template <typename Function>
Function ProcOf(HMODULE module, const char* name) {
  if (module == nullptr) {
    return nullptr;
  }
  FARPROC proc = GetProcAddress(module, name);
  Function function = nullptr;
  static_assert(sizeof function == sizeof proc, "function pointers of one size");
  std::memcpy(&function, &proc, sizeof function);
  return function;
}

// The log's folder, named after the process so that runs sharing a prefix never meet.
std::string MakeHomeDir() {
  const std::string home = "C:\\PellacormTestHome" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(home.c_str(), nullptr);
  CreateDirectoryA((home + "\\Logs").c_str(), nullptr);
  return home;
}

}  // namespace

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::string() : std::string(path, length);
}

std::string ProgramFolder() {
  const std::string path = ModulePath(nullptr);
  return path.substr(0, path.find_last_of("\\/") + 1);
}

HMODULE ExtensionModule() {
  static HMODULE module = LoadLibraryA((ProgramFolder() + "PellacormRuleExt.dll").c_str());
  return module;
}

ExchEntryPointFn EntryPoint() {
  return ProcOf<ExchEntryPointFn>(ExtensionModule(), "ExchEntryPoint");
}

HMODULE OwnMapi32::Module() {
  return GetModuleHandleA("mapi32.dll");
}

ULONG OwnMapi32::Marker() {
  auto marker = ProcOf<ULONG (*)()>(Module(), "Mapi32Marker");
  return marker == nullptr ? 0 : marker();
}

ULONG OwnMapi32::LiveBuffers() {
  auto count = ProcOf<ULONG (*)()>(Module(), "Mapi32LiveBufferCount");
  return count == nullptr ? 0 : count();
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

MailboxTest::MailboxTest()
    : m_user(profile),
      m_mailbox(m_user.mailbox),
      m_inbox(m_user.inbox),
      m_topics(m_user.topics),
      m_archive(m_user.archive) {}

void MailboxTest::SetUp() {
  ASSERT_NE(EntryPoint(), nullptr)
      << "PellacormRuleExt.dll beside the test program, exporting ExchEntryPoint";
  m_start = memstore::Ledger::Now();
  testsupport::DeleteRegKey(kSettingsKey);
  SetString("HomeDir", HomeDir());
  DeleteFileA(LogPath().c_str());
  m_session = profile.Logon();
}

void MailboxTest::TearDown() {
  ReleaseExtension();
  m_session.Reset();
  testsupport::FailMapiAllocation(0);
  profile.Faults().Clear();
  const std::string report = memstore::Ledger::ReportSince(m_start);
  EXPECT_TRUE(report.empty()) << "The test left MAPI objects or memory live:\n" << report;
}

void MailboxTest::Install(HRESULT sessionResult) {
  ReleaseExtension();
  m_callback = new FakeCallback(m_session.Get(), sessionResult);
  m_ext = EntryPoint()();
  ASSERT_NE(m_ext, nullptr);
  ASSERT_EQ(m_ext->Install(m_callback, 0), S_OK);
}

HRESULT MailboxTest::Fire(const char* command, const std::vector<BYTE>& matched) {
  return m_ext->Command(m_callback, command, static_cast<ULONG>(matched.size()),
                        reinterpret_cast<LPENTRYID>(const_cast<BYTE*>(matched.data())));
}

void MailboxTest::ReleaseExtension() {
  if (m_ext != nullptr) {
    m_ext->QueryRelease();
    EXPECT_EQ(m_ext->Release(), 0u);
    m_ext = nullptr;
  }
  delete m_callback;
  m_callback = nullptr;
}

std::string MailboxTest::HomeDir() {
  static const std::string home = MakeHomeDir();
  return home;
}

std::string MailboxTest::LogPath() {
  return HomeDir() + "\\Logs\\Pellacorm.log";
}

}  // namespace wintest
