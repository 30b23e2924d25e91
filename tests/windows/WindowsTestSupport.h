// What the Windows tests share: the real DLL loaded from beside the test program, our
// own mapi32.dll's test exports, the real registry of the Wine prefix (or the Windows
// machine), the log file on the real file system, and a memstore profile like a user's.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/MapiPtr.h"
#include "platform/RuleExtension.h"
#include "testing/FakeCallback.h"
#include "testing/LogEntries.h"
#include "testing/MapiAllocator.h"
#include "testing/RegistryHelper.h"
#include "testing/UserProfile.h"
#include "memstore/Memstore.h"

namespace wintest {

using testsupport::kSettingsKey;

// PellacormRuleExt.dll, loaded once with LoadLibrary from the test program's folder.
HMODULE ExtensionModule();
// Its ExchEntryPoint, found with GetProcAddress; null when missing.
ExchEntryPointFn EntryPoint();

// The file name of the module `module` was loaded from ("" when unknown).
std::string ModulePath(HMODULE module);
// The folder of the test program, with a trailing backslash.
std::string ProgramFolder();

// Our mapi32.dll's exports for tests, through GetProcAddress on the loaded mapi32.dll
// (its allocation failures: testsupport::FailMapiAllocation).
struct OwnMapi32 {
  static HMODULE Module();
  // Mapi32Marker's answer; 0 when the loaded mapi32.dll has no such export.
  static ULONG Marker();
  static ULONG LiveBuffers();
};

// The bytes of a file ("" when it cannot be read).
std::string ReadFileBytes(const std::string& path);

using testsupport::FakeCallback;
using testsupport::LogEntry;

// A memstore profile like a user's (the default store "Mailbox" with its Inbox as the
// receive folder and a topics folder below it, and a store "Archive"), the settings key
// with HomeDir naming a folder of the prefix, and an empty log. After each test nothing
// created during it may be live: no memstore object and no MAPI buffer.
class MailboxTest : public ::testing::Test {
 protected:
  MailboxTest();
  void SetUp() override;
  void TearDown() override;

  // A new object through ExchEntryPoint, bound with Install.
  void Install(HRESULT sessionResult = S_OK);
  IExchangeRuleExt* Iface() { return m_ext; }
  // Command with a matched message identifier of `idSize` bytes.
  HRESULT Fire(const char* command, const std::vector<BYTE>& matched);
  void ReleaseExtension();

  // The settings key's values.
  static void SetString(const char* name, const std::string& value, DWORD type = REG_SZ) {
    testsupport::SetRegString(kSettingsKey, name, value, type);
  }
  static void SetBinary(const char* name, const std::vector<BYTE>& bytes) {
    testsupport::SetRegBinary(kSettingsKey, name, bytes);
  }

  static std::string HomeDir();
  static std::string LogPath();
  std::string LogText() const { return ReadFileBytes(LogPath()); }
  void DeleteLog() const { DeleteFileA(LogPath().c_str()); }
  // The entries of the log, which must end each line with CR LF.
  std::vector<LogEntry> LogEntries() const { return testsupport::ParseLog(LogText()); }
  std::vector<std::string> LogHeadlines() const { return testsupport::Headlines(LogEntries()); }

  memstore::Profile profile;
  testsupport::UserMailbox m_user;
  memstore::StoreRef m_mailbox;
  memstore::FolderRef m_inbox;
  memstore::FolderRef m_topics;
  memstore::StoreRef m_archive;
  platform::ComPtr<IMAPISession> m_session;
  FakeCallback* m_callback = nullptr;
  IExchangeRuleExt* m_ext = nullptr;

 private:
  memstore::Ledger::Mark m_start;
};

}  // namespace wintest
