// GetCommand through the interface of a bound object, with an arbitrary stored command,
// arbitrary sizes of the command and display-name buffers, the code page 1252 or 932,
// and a user who does up to 15 things in the dialog before the script runs out (the
// headless dialog then presses Escape). Invariants: nothing is written outside either
// buffer; the command buffer keeps its bytes or holds a terminated command that fits;
// Cancel returns the stored settings, OK a command shorter than 1000 bytes; the command
// decodes to itself and the display name is its name cut to the buffer; only the
// too-long warning is ever shown; no window, memstore object or MAPI buffer outlives
// the call.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzHost.h"
#include "action/ActionSettings.h"
#include "diagnostics/ExceptionReporter.h"
#include "extension/ExchRuleExt.h"
#include "memstore/Memstore.h"
#include "resources/resource.h"
#include "testing/GuardedBuffer.h"
#include "testing/UserProfile.h"
#include "win32/ScriptedUser.h"

extern "C" pellacorm::IExchangeRuleExt* WINAPI ExchEntryPoint();

namespace {

namespace user = win32::headless;
using testsupport::GuardedBuffer;

constexpr const char* kLongTopic = "Clients/Harbor Logistics/Support/2006/Escalations/Open";
constexpr const char* kTooLong = "The topic you have entered is too long for Outlook to accept";
constexpr std::size_t kCommandFormatLimit = 1000;

// The mailbox of a user with a few topics, bound once for the whole run.
struct Host {
  const testsupport::PrivateFolder& folder = fuzzhost::RunFolder();
  memstore::Profile profile;
  pellacorm::ComPtr<IMAPISession> session;
  fuzzhost::Callback* callback = nullptr;
  pellacorm::IExchangeRuleExt* ext = nullptr;

  Host() {
    // The reporter read the user's settings at load; it reads the private registry now.
    pellacorm::ExceptionReporter::Instance().LoadSettings();
    memstore::FolderRef topics = testsupport::UserMailbox(profile).topics;
    topics.AddChild("Budget");
    topics.AddFolder("alpha/Zed");
    topics.AddFolder(kLongTopic);
    topics.AddChild("Caf\xe9");  // ANSI: a letter in 1252, a lone lead byte in 932
    session = profile.Logon();
    callback = new fuzzhost::Callback(session.Get());
    ext = ExchEntryPoint();
    if (ext == nullptr || ext->Install(callback, 0) != S_OK) {
      fuzzhost::Fail("the object does not bind");
    }
    // The first dialog finds the topics folder and keeps its entry identifier (a MAPI
    // buffer) for the object's life; the runs count from there.
    user::Reset();
    SetActiveWindow(user::CreateHostWindow("Rules Wizard"));
    user::PressEscape();
    char command[64] = "";
    char name[64] = "";
    if (ext->GetCommand(callback, command, sizeof command, name, sizeof name) != S_OK) {
      fuzzhost::Fail("the first GetCommand failed");
    }
  }
};

Host* g_host = nullptr;

// The text the user types, by the action's argument.
std::string TypedText(std::uint8_t arg) {
  switch (arg % 8) {
    case 0:
      return "";
    case 1:
      return "Budget";
    case 2:
      return "<Do Not Assign>";
    case 3:
      return "New Project";
    case 4:
      return "a\\b//c/";
    case 5:
      return "Caf\xe9 \x81\x82\xa0";  // bytes 1252 lacks, a double-byte character in 932
    case 6:
      return kLongTopic;
    default:
      return std::string(static_cast<std::size_t>(arg) * 4, 't');  // up to 1020 bytes
  }
}

// Queues one action: the first byte chooses it, the second is its argument.
void QueueAction(std::uint8_t op, std::uint8_t arg) {
  switch (op % 9) {
    case 0:
      user::PressEscape();
      break;
    case 1:
      user::Click(IDOK);
      break;
    case 2:
      user::SelectItem(IDC_TOPIC, arg % 8);
      break;
    case 3:
      user::SelectItem(IDC_PRIORITY, arg % 7);
      break;
    case 4:
      user::Click(IDC_FILE);
      break;
    case 5:
      user::Click(IDC_OVERWRITE);
      break;
    case 6:
      user::TypeText(IDC_TOPIC, TypedText(arg));
      break;
    case 7:
      user::AnswerMessageBox(IDOK);
      break;
    default:
      user::ClickCloseBox();
      break;
  }
}

std::string Cut(const std::string& text, std::size_t size) {
  return size == 0 ? std::string() : text.substr(0, size - 1);
}

// A priority field of more than one digit ("P+12"): read as atoi reads it, it cannot
// be written back, so such a command does not decode to itself.
bool HasWidePriority(const pellacorm::ActionSettings& settings) {
  return settings.m_assignPriority && (settings.m_priority < -9 || settings.m_priority > 9);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_host = new Host();  // kept for the whole run
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) {
    return 0;
  }
  // Two bytes each for the buffers' sizes (0 .. 2047), one for the code page (bit 7)
  // and the number of actions (0 .. 15), two per action, then the stored bytes.
  const ULONG commandSize = static_cast<ULONG>((data[0] | (data[1] << 8)) & 0x7FF);
  const ULONG nameSize = static_cast<ULONG>((data[2] | (data[3] << 8)) & 0x7FF);
  win32::SetAnsiCodePage((data[4] & 0x80) != 0 ? 932 : 1252);
  std::size_t actions = data[4] & 0x0F;
  std::size_t pos = 5;
  if (size - pos < 2 * actions) {
    actions = (size - pos) / 2;
  }

  user::Reset();
  SetActiveWindow(user::CreateHostWindow("Rules Wizard"));
  for (std::size_t i = 0; i < actions; ++i, pos += 2) {
    QueueAction(data[pos], data[pos + 1]);
  }

  // The command buffer holds the stored bytes, then a terminator when they leave room;
  // a buffer they fill has none. The rest keeps the guard value.
  GuardedBuffer command(commandSize);
  const std::size_t stored = size - pos < commandSize ? size - pos : commandSize;
  std::memcpy(command.Data(), data + pos, stored);
  if (stored < commandSize) {
    command.Data()[stored] = '\0';
  }
  const std::vector<char> before(command.Data(), command.Data() + commandSize);
  const std::string original(command.Data(), strnlen(command.Data(), commandSize));
  const pellacorm::ActionSettings storedSettings(original);
  GuardedBuffer name(nameSize);

  const memstore::Ledger::Mark mark = memstore::Ledger::Now();
  const HRESULT hr =
      g_host->ext->GetCommand(g_host->callback, command.Data(), commandSize, name.Data(), nameSize);
  if (hr != S_OK) {
    fuzzhost::Fail("GetCommand answered 0x%08x", static_cast<unsigned>(hr));
  }
  if (!command.GuardsIntact() || !name.GuardsIntact()) {
    fuzzhost::Fail("a guard byte was overwritten");
  }
  const std::string live = memstore::Ledger::ReportSince(mark);
  if (!live.empty()) {
    fuzzhost::Fail("GetCommand left objects live:\n%s", live.c_str());
  }
  if (user::LiveWindowCount() != 1) {
    fuzzhost::Fail("%zu windows live after the dialog", user::LiveWindowCount());
  }
  const auto& runs = user::DialogRuns();
  if (runs.size() != 1 || runs[0].abandoned || (runs[0].result != IDOK && runs[0].result != IDCANCEL)) {
    fuzzhost::Fail("the dialog did not run once and end with OK or Cancel");
  }
  for (const user::MessageBoxRecord& box : user::MessageBoxes()) {
    if (box.text != kTooLong || box.open) {
      fuzzhost::Fail("an unexpected message box: \"%s\"", box.text.c_str());
    }
  }

  // Cancel keeps the stored settings: their command when it fits, else the old bytes.
  // OK writes a command shorter than 1000 bytes. Either way the bytes after the
  // command's terminator are what the buffer held.
  const bool ok = runs[0].result == IDOK;
  const std::string written = command.Text();
  const bool terminated = command.Terminated();
  if (terminated && std::memcmp(before.data() + written.size() + 1, command.Data() + written.size() + 1,
                                commandSize - written.size() - 1) != 0) {
    fuzzhost::Fail("bytes after the command's terminator changed");
  }
  if (ok && (!terminated || written.size() >= kCommandFormatLimit)) {
    fuzzhost::Fail("OK left no command of fewer than 1000 bytes in a buffer of %lu",
                   static_cast<unsigned long>(commandSize));
  }
  if (!ok) {
    const std::string kept = storedSettings.EncodeCommand();
    if (kept.size() + 1 <= commandSize
            ? !terminated || written != kept
            : commandSize != 0 && std::memcmp(before.data(), command.Data(), commandSize) != 0) {
      fuzzhost::Fail("Cancel changed the action \"%s\"", original.c_str());
    }
    if (nameSize != 0 && name.Text() != Cut(storedSettings.GetDisplayName(), nameSize)) {
      fuzzhost::Fail("after Cancel the display name is not that of the stored settings");
    }
    if (kept.size() + 1 > commandSize) {
      return 0;
    }
  }
  if (nameSize != 0 && !name.Terminated()) {
    fuzzhost::Fail("the display name is not terminated");
  }
  const pellacorm::ActionSettings decoded(written);
  if (decoded.EncodeCommand() != written) {
    if (HasWidePriority(storedSettings)) {
      return 0;  // the stored priority the list could not show, kept as it was
    }
    fuzzhost::Fail("the command \"%s\" does not decode to itself", written.c_str());
  }
  if (nameSize != 0 && name.Text() != Cut(decoded.GetDisplayName(), nameSize)) {
    fuzzhost::Fail("the display name \"%s\" is not that of \"%s\"", name.Text().c_str(), written.c_str());
  }
  return 0;
}
