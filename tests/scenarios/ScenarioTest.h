// The fixture of the scenarios that run twice: on Linux against the extension's code on
// the platform layer of our own, and under Wine against the real DLL on the real Win32
// API. Both fixtures give a memstore profile like a user's (the default store "Mailbox"
// with its Inbox and a topics folder below it, and a store "Archive"), the settings key
// with HomeDir set, an empty log and the ledger check after each test, through the same
// names:
//   Install(hr), Iface(), Fire(command, matched), ReleaseExtension(), m_callback,
//   SetString/SetBinary (settings values), LogText(), LogEntries(), LogHeadlines(),
//   DeleteLog(), m_mailbox, m_inbox, m_topics, m_archive, profile.
// Dialogs are driven through win32/ScriptedUser.h: the headless user on Linux, a user
// acting on the real windows under Wine.
#pragma once

#include "testing/GuardedBuffer.h"
#include "testing/LogEntries.h"
#include "win32/ScriptedUser.h"

#ifdef _WIN32
#include "WindowsTestSupport.h"
namespace scenario {
using ScenarioTest = wintest::MailboxTest;
}
#else
#include "unit/extension/RuleExtTestSupport.h"
namespace scenario {
using ScenarioTest = ruleext::RuleExtTest;
}
#endif

namespace scenario {

using testsupport::ErrorHeadline;
namespace logged = testsupport::logged;
using testsupport::GuardedBuffer;
using testsupport::LogEntry;
namespace user = win32::headless;

// A scenario with the host's main window active, as the client is when it asks for a
// command; the dialog and message boxes are driven by the scripted user. After each test
// the script must have run out with no window but the host's left.
class DialogScenarioTest : public ScenarioTest {
 protected:
  void SetUp() override {
    ScenarioTest::SetUp();
    NewUser();
  }
  // A fresh user and host window, the host's active: what a test starts from.
  void NewUser() {
    user::Reset();
    m_host = user::CreateHostWindow("Rules Wizard");
    SetActiveWindow(m_host);
  }
  void TearDown() override {
    EXPECT_EQ(user::EscapesForEmptyScript(), 0) << "the script ran out with a window open";
    EXPECT_EQ(user::LiveWindowCount(), 1u) << "only the host window outlives the dialog";
    EXPECT_EQ(user::RefusedActions(), std::vector<std::string>{}) << "actions the user could not perform";
    user::Reset();
    ScenarioTest::TearDown();
  }

  // GetCommand on `current` with the queued script, through guarded buffers of the given
  // sizes; answers what the two buffers hold afterwards.
  std::pair<std::string, std::string> Compose(const std::string& current, ULONG commandSize = 256,
                                              ULONG nameSize = 256, HRESULT expected = S_OK) {
    GuardedBuffer command(commandSize, current);
    GuardedBuffer name(nameSize);
    EXPECT_EQ(Iface()->GetCommand(m_callback, command.Data(), static_cast<ULONG>(command.Size()), name.Data(),
                                  static_cast<ULONG>(name.Size())),
              expected);
    EXPECT_TRUE(command.GuardsIntact());
    EXPECT_TRUE(name.GuardsIntact());
    return {command.Text(), name.Text()};
  }

  HWND m_host = nullptr;
};

}  // namespace scenario
