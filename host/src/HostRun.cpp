#include "HostRun.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

#include "Dialog.h"
#include "DialogUsers.h"
#include "ActionRequests.h"
#include "Extension.h"
#include "HostError.h"
#include "HostText.h"
#include "Mailbox.h"
#include "Os.h"
#include "RunFiles.h"
#include "Settings.h"
#include "memstore/Memstore.h"
#include "resources/resource.h"
#include "platform/MapiPtr.h"

namespace rulehost {
namespace {

namespace fs = std::filesystem;

const char kTopicsFolder[] = "Inbox/Pellacorm Topics";

// The command string the demo goes on with when GetCommand does not give one.
const char kDemoCommand[] = "017P+1T1006Budget";

std::string Plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

struct FaultRule {
  std::string text;                            // as given to --fault
  std::optional<memstore::FaultTable::Id> id;  // none for GetSession, which the host fails
};

class HostRun {
 public:
  explicit HostRun(const Options& options) : m_options(options) {}
  HostRun(const HostRun&) = delete;
  HostRun& operator=(const HostRun&) = delete;
  ~HostRun() { CleanUp(); }

  int Run();

 private:
  void Prepare();
  void PrepareSettings();
  void AddFault(const std::string& text);
  void PrintHeader();
  void Section(const std::string& title);
  // Sets the exit code (the first failure's code stands) and notes why, for stderr.
  void Fail(int code, const std::string& why);

  void Install();
  void ShowBinding(bool keyExisted);
  void ShowTopics();
  std::optional<std::string> Compose(const std::string& current, ComposeRequest request, bool interactive);
  void Name(const std::string& command);
  void Fire(const std::string& command, ULONG count);
  void ListActionRequests(const std::vector<memstore::MessageRef>& fired);
  void Finish();
  void ShowLog();
  void CleanUp();
  // Whether the extension kept to the client's buffer; reports it when it did not.
  bool CheckBuffer(const ClientBuffer& buffer, const char* what);

  const Options& m_options;
  int m_exit = kExitOk;
  std::string m_runFolder;
  bool m_registryIsolated = false;
  std::string m_registryWhere;
  std::string m_drives;
  MailboxModel m_mailboxModel;
  memstore::Profile m_profile;
  MailboxInfo m_mailbox;
  std::vector<FaultRule> m_faults;
  std::vector<std::string> m_notes;
  std::vector<std::string> m_errors;  // why the run failed, for stderr at its end
  std::optional<LogWatch> m_log;
  std::unique_ptr<ExtensionLibrary> m_library;
  memstore::Ledger::Mark m_mark;
  platform::ComPtr<IMAPISession> m_session;
  std::unique_ptr<HostCallback> m_callback;
  IExchangeRuleExt* m_extension = nullptr;
  std::optional<ULONG> m_getSessionFault;
  bool m_getSessionRepeat = false;
  HRESULT m_getSessionResult = S_OK;
};

void HostRun::Fail(int code, const std::string& why) {
  if (m_exit == kExitOk) {
    m_exit = code;
  }
  m_errors.push_back(why);
}

void HostRun::Section(const std::string& title) {
  std::cout << "\n== " << title << " ==\n";
}

// --- Preparing the run ---------------------------------------------------------------------

void HostRun::Prepare() {
  m_runFolder = MakeRunFolder();
  if (!m_options.keep) {
    os::RemoveOnInterrupt(m_runFolder);
  }
  m_registryWhere = os::IsolateRegistry(m_runFolder, m_options.registryFile, m_options.keep);
  m_registryIsolated = true;
  m_drives = os::PrepareDrives(m_runFolder, m_options.driveRoot);
  m_mailboxModel = m_options.mailboxFile.empty()
                       ? ParseMailbox(DefaultMailboxText(), "embedded default mailbox")
                       : LoadMailboxFile(m_options.mailboxFile);
  m_mailbox = BuildMailbox(m_mailboxModel, m_profile);
  PrepareSettings();
  for (const std::string& text : m_options.faults) {
    AddFault(text);
  }
}

void HostRun::PrepareSettings() {
  std::vector<SettingValue> values;
  bool homeDirGiven = false;
  for (const auto& [option, assignment] : m_options.settings) {
    values.push_back(ParseSetting(option, assignment, m_profile));
    homeDirGiven = homeDirGiven || values.back().name == "HomeDir";
  }
  if (!homeDirGiven && m_options.registryFile.empty()) {
    // A home of the run's own, with the Logs folder the log file goes into.
    const std::string home = os::DefaultHomeDir(m_runFolder);
    std::error_code error;
    fs::create_directories(os::HostPath(home + "\\Logs"), error);
    values.insert(values.begin(), ParseSetting("--set", "HomeDir=" + home, m_profile));
  }
  WriteSettings(values);

  const auto home = HomeDirSetting();
  m_log.emplace(home ? *home + "/Logs/Pellacorm.log" : "C:/Pellacorm.log");
  std::error_code folderError;
  if (m_log->HostPath().empty()) {
    m_notes.push_back("the log " + m_log->WindowsPath() +
                      " is not on a drive of this machine; its entries cannot be shown");
  } else if (!fs::is_directory(fs::path(m_log->HostPath()).parent_path(), folderError)) {
    // A name longer than the file system takes (a HomeDir of hundreds of characters)
    // cannot be a folder either; the extension must cope, and the run goes on.
    m_notes.push_back("the folder of the log " + m_log->WindowsPath() +
                      (folderError && folderError != std::errc::no_such_file_or_directory
                           ? " cannot be reached (" + folderError.message() + ")"
                           : " does not exist") +
                      ", so the extension's log entries are lost");
  }
}

void HostRun::AddFault(const std::string& text) {
  const auto refuse = [&text](const std::string& why) {
    throw HostError(kExitUsage, "--fault " + Quoted(text) + ": " + why);
  };
  std::string rest = text;
  HRESULT hr = MAPI_E_CALL_FAILED;
  const std::size_t equals = rest.rfind('=');
  if (equals != std::string::npos) {
    const auto parsed = ParseResult(rest.substr(equals + 1));
    if (!parsed) {
      refuse(Quoted(rest.substr(equals + 1)) +
             " is no result code (a name such as MAPI_E_NOT_FOUND, or 0x8004010F)");
    }
    if (SUCCEEDED(*parsed)) {
      // The call would fail with a code that says it succeeded.
      refuse(ResultText(*parsed) + " is a success code; a fault answers a failure (0x8...)");
    }
    hr = *parsed;
    rest.resize(equals);
  }
  // "#N" or "#N+" at the end counts calls; a '#' followed by anything else belongs to
  // the object ("Mailbox/Inbox/associated#*").
  ULONG nth = 1;
  bool repeat = false;
  const std::size_t hash = rest.rfind('#');
  if (hash != std::string::npos && hash + 1 < rest.size() &&
      (std::isdigit(static_cast<unsigned char>(rest[hash + 1])) != 0 || rest[hash + 1] == '-' ||
       rest[hash + 1] == '+')) {
    std::string number = rest.substr(hash + 1);
    repeat = !number.empty() && number.back() == '+';
    if (repeat) {
      number.pop_back();
    }
    const auto parsed =
        number.find_first_not_of("0123456789") == std::string::npos ? ParseNumber(number) : std::nullopt;
    if (!parsed || *parsed == 0) {
      refuse("#" + number + " is no call: calls count from #1 to #4294967295");
    }
    nth = static_cast<ULONG>(*parsed);
    rest.resize(hash);
  }
  std::string operation = rest;
  std::string object = "*";
  const std::size_t at = rest.find('@');
  if (at != std::string::npos) {
    operation = rest.substr(0, at);
    object = rest.substr(at + 1);
  }
  if (operation.empty() || object.empty()) {
    refuse("wants OP[@OBJECT][#N[+]][=HRESULT]");
  }
  const auto& known = memstore::FaultOperations();
  if (operation != "GetSession" && std::find(known.begin(), known.end(), operation) == known.end()) {
    std::string list = "GetSession";
    for (const std::string& name : known) {
      list += ", " + name;
    }
    refuse("no operation is named " + Quoted(operation) + " (names are case-sensitive): " + list);
  }
  if (operation == "GetSession") {
    m_getSessionFault = nth;
    m_getSessionRepeat = repeat;
    m_getSessionResult = hr;
    m_faults.push_back({text, std::nullopt});
    return;
  }
  memstore::Fault fault(operation);
  fault.On(object).Returning(hr);
  if (repeat) {
    fault.FromCall(nth);
  } else {
    fault.AtCall(nth);
  }
  m_faults.push_back({text, m_profile.Faults().Add(fault)});
}

void HostRun::PrintHeader() {
  const std::string library = m_options.library.empty() ? os::DefaultLibrary() : m_options.library;
  std::cout << "library    " << library << "\n";
  std::cout << "mailbox    " << m_mailboxModel.source << "\n";
  for (const memstore::StoreRef& store : m_profile.Stores()) {
    std::cout << "             store " << Quoted(store.DisplayName());
    std::vector<std::string> facts;
    if (store.IsDefault()) {
      facts.push_back("default");
    }
    if (m_mailbox.defaultStore && store.EntryId() == m_mailbox.defaultStore->EntryId() && m_mailbox.inbox) {
      facts.push_back("receive folder " + m_mailbox.inbox->Name());
    }
    if (const auto topics = store.FindFolder(kTopicsFolder)) {
      facts.push_back(std::string(kTopicsFolder) + " with " +
                      Plural(CountFoldersBelow(*topics), "folder", "folders"));
    }
    for (std::size_t i = 0; i < facts.size(); ++i) {
      std::cout << (i == 0 ? ": " : ", ") << facts[i];
    }
    std::cout << "\n";
  }
  std::cout << "registry   " << m_registryWhere << "\n";
  if (!m_drives.empty()) {
    std::cout << "drives     " << m_drives << "\n";
  }
  std::cout << "log        " << m_log->WindowsPath();
  if (m_log->HostPath() != m_log->WindowsPath() && !m_log->HostPath().empty()) {
    std::cout << " (" << m_log->HostPath() << ")";
  }
  std::cout << "\n";
  for (const FaultRule& fault : m_faults) {
    std::cout << "fault      " << fault.text << "\n";
  }
  for (const std::string& note : m_notes) {
    std::cout << "note       " << note << "\n";
  }
}

// --- The extension's life ------------------------------------------------------------------

void HostRun::Install() {
  m_mark = memstore::Ledger::Now();
  m_session = m_profile.Logon();
  m_callback = std::make_unique<HostCallback>(m_session.Get());
  if (m_getSessionFault) {
    m_callback->FailGetSession(*m_getSessionFault, m_getSessionRepeat, m_getSessionResult);
  }
  m_extension = m_library->EntryPoint()();
  if (m_extension == nullptr) {
    throw HostError(kExitFailed, "ExchEntryPoint gave no object");
  }
  const bool keyExisted = SettingsKeyExists();
  const HRESULT hr = m_extension->Install(m_callback.get(), m_options.context);
  std::cout << "\nInstall(callback, " << m_options.context << ") -> " << ResultText(hr) << "\n";
  if (FAILED(hr)) {
    Fail(kExitFailed, "Install answered " + ResultText(hr));
  }
  if (m_options.command == "bind" || m_options.command == "demo") {
    ShowBinding(keyExisted);
  }
}

void HostRun::ShowBinding(bool keyExisted) {
  const bool keyExists = SettingsKeyExists();
  std::cout << "  settings key HKEY_CURRENT_USER\\" << kSettingsKey << ": "
            << (keyExisted  ? "present before Install"
                : keyExists ? "missing before Install, which created it"
                            : "missing, and still missing")
            << "\n";
  for (const std::string& line : DescribeSettings(m_profile)) {
    std::cout << "    " << line << "\n";
  }
  std::cout << "  GetSession: called " << Plural(m_callback->GetSessionCalls(), "time", "times");
  if (m_getSessionFault) {
    std::cout << " (failing as --fault asked)";
  }
  std::cout << "\n";

  // What the extension holds now shows what it bound: the session and the stores.
  std::vector<std::pair<std::string, ULONG>> stores;
  std::cout << "  the extension keeps open:";
  std::size_t shown = 0;
  for (const memstore::LiveObject& object : memstore::Ledger::LiveObjectsSince(m_mark)) {
    ULONG references = object.references;
    if (object.kind == memstore::ObjectKind::Session) {
      --references;  // the host's own
    }
    if (references == 0) {
      continue;
    }
    std::cout << (shown++ == 0 ? " " : ", ") << memstore::KindName(object.kind) << " " << Quoted(object.name)
              << " (" << Plural(references, "reference", "references") << ")";
    if (object.kind == memstore::ObjectKind::Store) {
      stores.emplace_back(object.name, references);
    }
  }
  std::cout << (shown == 0 ? " nothing\n" : "\n");
  const std::string defaultName =
      m_mailbox.defaultStore ? m_mailbox.defaultStore->DisplayName() : std::string();
  if (stores.size() == 1 && stores[0].first == defaultName && stores[0].second >= 2) {
    std::cout << "  default store " << Quoted(defaultName) << ", also the application store (topics)\n";
  } else if (stores.size() == 2) {
    const bool firstIsDefault = stores[0].first == defaultName;
    std::cout << "  default store " << Quoted(firstIsDefault ? stores[0].first : stores[1].first)
              << ", application store (topics) " << Quoted(firstIsDefault ? stores[1].first : stores[0].first)
              << "\n";
  } else if (stores.empty()) {
    std::cout << "  no store is bound: the binding stopped early (the log says why)\n";
  }
  if (m_mailbox.inbox) {
    std::cout << "  action requests go to " << Quoted(m_mailbox.inbox->Name())
              << ", the default store's receive folder for IPM.Note\n";
  }
}

bool HostRun::CheckBuffer(const ClientBuffer& buffer, const char* what) {
  std::string error;
  if (buffer.WrittenOutside()) {
    error = "the extension wrote outside the " + std::string(what) + " buffer of " + ByteCount(buffer.Size());
  } else if (buffer.Size() > 0 && !buffer.Terminated()) {
    error = "the " + std::string(what) + " buffer holds no terminating zero";
  } else {
    return true;
  }
  std::cout << "  ERROR: " << error << "\n";
  Fail(kExitFailed, error);
  return false;
}

void HostRun::ShowTopics() {
  ClientBuffer command(256, "");
  ClientBuffer name(256, "");
  LookingUser user;
  HRESULT hr = S_OK;
  const DialogRun run = RunDialog(&user, [&] {
    hr = m_extension->GetCommand(m_callback.get(), command.Data(), command.Size(), name.Data(), name.Size());
  });
  std::cout << "GetCommand with a user who looks at the topic list and presses Cancel -> " << ResultText(hr)
            << "\n";
  for (const std::string& note : run.notes) {
    std::cout << "  note: " << note << "\n";
  }
  CheckBuffer(command, "command");
  CheckBuffer(name, "display-name");
  if (FAILED(hr)) {
    Fail(kExitFailed, "GetCommand answered " + ResultText(hr));
    return;
  }
  const ControlState* list = user.Seen() ? user.Seen()->Find(IDC_TOPIC) : nullptr;
  if (list == nullptr) {
    std::cout << "  the dialog did not appear, so there is no topic list to show\n";
    Fail(kExitDialog, "the dialog did not appear, so there is no topic list to show");
    return;
  }
  std::cout << "  the dialog " << Quoted(user.Seen()->caption) << " offers "
            << Plural(list->items.size(), "item", "items") << " in " << Quoted(user.Seen()->LabelOf(list->id))
            << ":\n";
  for (std::size_t i = 0; i < list->items.size(); ++i) {
    const std::string number = Padded(i, 4);
    // A name with a control character is shown quoted and escaped, never sent raw to
    // the terminal.
    const std::string& item = list->items[i];
    std::cout << "  " << (static_cast<int>(i) == list->selection ? "> " : "  ") << number << "  "
              << (FindControlCharacter(item) ? Quoted(item) : item)
              << (item.find("...") != std::string::npos ? "   (shortened)" : "") << "\n";
  }
  if (list->items.size() <= 1) {
    std::cout << "  note: no topics: the topics folder has no subfolders, or TopicFolderLocation names a "
                 "folder the application store does not have\n";
  }
}

std::optional<std::string> HostRun::Compose(const std::string& current, ComposeRequest request,
                                            bool interactive) {
  ClientBuffer command(m_options.commandSize, current);
  ClientBuffer name(m_options.nameSize, "");
  std::cout << "GetCommand(callback, command buffer of " << ByteCount(command.Size()) << " holding "
            << Quoted(current) << ", display-name buffer of " << ByteCount(name.Size()) << ")\n";
  ScriptedUser scripted(std::move(request));
  std::unique_ptr<TerminalUser> terminal;
  DialogUser* user = &scripted;
  if (interactive) {
    user = nullptr;
    if (!DialogIsOnScreen()) {
      terminal = std::make_unique<TerminalUser>(std::cin, std::cout, !os::StdinIsTerminal());
      user = terminal.get();
    } else {
      std::cout << "  the dialog is yours: choose, then press OK or Cancel\n";
    }
  }
  HRESULT hr = S_OK;
  const DialogRun run = RunDialog(user, [&] {
    hr = m_extension->GetCommand(m_callback.get(), command.Data(), command.Size(), name.Data(), name.Size());
  });
  if (!interactive) {
    if (scripted.Opened()) {
      std::cout << "  the dialog " << Quoted(scripted.Opened()->caption) << " opened with:\n";
      for (const std::string& line : SummarizeDialog(*scripted.Opened())) {
        std::cout << "    " << line << "\n";
      }
    }
    for (const std::string& line : scripted.Transcript()) {
      std::cout << "  " << line << "\n";
    }
  } else if (terminal) {
    for (const std::string& line : terminal->Transcript()) {
      std::cout << "  " << line << "\n";
    }
  }
  for (const std::string& note : run.notes) {
    std::cout << "  note: " << note << "\n";
  }
  std::cout << "GetCommand -> " << ResultText(hr) << "\n";
  const bool commandGood = CheckBuffer(command, "command");
  const bool buffersGood = CheckBuffer(name, "display-name") && commandGood;
  if (buffersGood) {
    std::cout << "  command string: " << Quoted(command.Text()) << "\n";
    std::cout << "  display name:   " << Quoted(name.Text()) << "\n";
  }
  if (FAILED(hr)) {
    Fail(kExitFailed, "GetCommand answered " + ResultText(hr));
    return std::nullopt;
  }
  if (!interactive && !run.appeared) {
    std::cout << "  ERROR: the dialog did not appear\n";
    Fail(kExitDialog, "the dialog did not appear");
  } else if (!scripted.Failure().empty() && !interactive) {
    std::cout << "  ERROR: " << scripted.Failure() << "\n";
    Fail(kExitDialog, "the dialog did not go as asked: " + scripted.Failure());
  }
  if (!buffersGood) {
    return std::nullopt;
  }
  return command.Text();
}

void HostRun::Name(const std::string& command) {
  ClientBuffer name(m_options.nameSize, "");
  const HRESULT hr =
      m_extension->QueryCommandDisplayName(m_callback.get(), command.c_str(), name.Data(), name.Size());
  std::cout << "QueryCommandDisplayName(" << Quoted(command) << ", display-name buffer of "
            << ByteCount(name.Size()) << ") -> " << ResultText(hr) << "\n";
  if (FAILED(hr)) {
    Fail(kExitFailed, "QueryCommandDisplayName answered " + ResultText(hr));
    return;
  }
  if (!CheckBuffer(name, "display-name")) {
    return;
  }
  std::cout << "  display name: " << Quoted(name.Text()) << "\n";
}

void HostRun::Fire(const std::string& command, ULONG count) {
  // The messages the rule matched; they live where mail arrives.
  std::optional<memstore::FolderRef> folder = m_mailbox.inbox;
  if (!folder) {
    const auto stores = m_profile.Stores();
    const memstore::StoreRef store = m_mailbox.defaultStore ? *m_mailbox.defaultStore : stores.front();
    folder = store.IpmSubtree();
    std::cout << "note: the mailbox has no default store with an inbox; the messages are made in "
              << Quoted(folder->Name()) << "\n";
  }
  std::vector<memstore::MessageRef> messages;
  for (ULONG i = 1; i <= count; ++i) {
    messages.push_back(folder->AddMessage({
        memstore::PropValue::String(PR_MESSAGE_CLASS_A, "IPM.Note"),
        memstore::PropValue::String(PR_SUBJECT_A, "Rule test message " + std::to_string(i)),
    }));
  }
  std::cout << "Command(callback, " << Quoted(command) << ", entry identifier of the message) for "
            << Plural(count, "new message", "new messages") << " in " << Quoted(folder->Name()) << ":\n";
  std::size_t failures = 0;
  for (std::size_t i = 0; i < messages.size(); ++i) {
    std::vector<BYTE> entryId = messages[i].EntryId();
    const HRESULT hr =
        m_extension->Command(m_callback.get(), command.c_str(), static_cast<ULONG>(entryId.size()),
                             reinterpret_cast<LPENTRYID>(entryId.data()));
    if (FAILED(hr)) {
      ++failures;
    }
    if (messages.size() <= 20 || FAILED(hr)) {
      std::cout << "  message " << i + 1 << " (entry identifier of " << entryId.size() << " bytes) -> "
                << ResultText(hr) << "\n";
    }
  }
  if (messages.size() > 20) {
    std::cout << "  " << messages.size() - failures << " of " << messages.size() << " answered success\n";
  }
  if (failures > 0) {
    Fail(kExitFailed, "Command answered a failure for " + std::to_string(failures) + " of " +
                          Plural(messages.size(), "message", "messages"));
  }
  ListActionRequests(messages);
}

void HostRun::ListActionRequests(const std::vector<memstore::MessageRef>& fired) {
  const ActionRequestListing listing = ListHiddenMessages(m_profile, m_mailbox.inbox, fired);
  for (const std::string& line : listing.lines) {
    std::cout << line << "\n";
  }
  if (listing.misplaced) {
    Fail(kExitFailed, "an action request is not in the Inbox's hidden messages");
  }
}

void HostRun::Finish() {
  if (m_extension != nullptr) {
    const HRESULT released = m_extension->QueryRelease();
    const ULONG count = m_extension->Release();
    m_extension = nullptr;
    std::cout << "\nQueryRelease -> " << ResultText(released) << "; Release -> " << count << "\n";
    if (count != 0) {
      std::cout << "  ERROR: the object is still alive after the client's last Release\n";
      Fail(kExitFailed, "the object is still alive after the client's last Release");
    }
  }
  if (m_callback && m_callback->References() != 1) {
    std::cout << "  note: the extension holds " << m_callback->References() - 1
              << " reference(s) to the client's callback\n";
  }
  m_session.Reset();
  const std::string live = memstore::Ledger::ReportSince(m_mark);
  std::cout << "memstore ledger: " << (live.empty() ? "nothing left live\n" : live);
  if (!live.empty() && live.back() != '\n') {
    std::cout << "\n";
  }
  for (const FaultRule& fault : m_faults) {
    if (fault.id) {
      std::cout << "fault " << fault.text << ": "
                << Plural(m_profile.Faults().CallsSeen(*fault.id), "matching call", "matching calls")
                << ", failed " << Plural(m_profile.Faults().TimesFired(*fault.id), "time", "times") << "\n";
    } else {
      std::cout << "fault " << fault.text << ": "
                << Plural(m_callback ? m_callback->GetSessionCalls() : 0, "call", "calls")
                << " of GetSession\n";
    }
  }
}

void HostRun::ShowLog() {
  const std::string text = m_log->NewText();
  if (text.empty()) {
    std::cout << "no log entries\n";
    return;
  }
  std::istringstream lines(text);
  std::vector<std::string> all;
  std::size_t entries = 0;
  for (std::string line; std::getline(lines, line);) {
    all.push_back(line);
    entries += line.empty() ? 1 : 0;
  }
  std::cout << Plural(entries, "log entry", "log entries") << " in " << m_log->WindowsPath() << ":\n";
  for (const std::string& line : all) {
    std::cout << (line.empty() ? "" : "  ") << line << "\n";
  }
}

void HostRun::CleanUp() {
  if (m_extension != nullptr) {
    m_extension->Release();
    m_extension = nullptr;
  }
  m_session.Reset();
  m_library.reset();
  if (m_registryIsolated) {
    os::EndRegistryIsolation(m_options.keep);
    m_registryIsolated = false;
  }
  if (!m_runFolder.empty()) {
    if (m_options.keep) {
      std::cout << "kept the run's folder " << m_runFolder << "\n";
    } else {
      std::error_code error;
      fs::remove_all(m_runFolder, error);
    }
    m_runFolder.clear();
  }
}

int HostRun::Run() {
  if (m_options.command == "mailbox") {
    const MailboxModel mailbox = m_options.mailboxFile.empty()
                                     ? ParseMailbox(DefaultMailboxText(), "embedded default mailbox")
                                     : LoadMailboxFile(m_options.mailboxFile);
    std::cout << FormatMailbox(mailbox);
    return kExitOk;
  }
  Prepare();
  // The settings are in place: the library may read them as it loads.
  m_library = std::make_unique<ExtensionLibrary>(m_options.library.empty() ? os::DefaultLibrary()
                                                                           : m_options.library);
  PrintHeader();
  const bool demo = m_options.command == "demo";
  if (demo) {
    Section("1. bind: ExchEntryPoint, then Install binds the object to the session");
  }
  Install();

  if (demo) {
    Section("2. topics: the topic list of the dialog");
    ShowTopics();
    Section("3. compose: topic Budget, File immediately, priority High, OK");
    ComposeRequest request;
    request.topic = ComposeRequest::Topic::ByName;
    request.topicText = "Budget";
    request.file = true;
    request.priorityItem = 4;
    std::optional<std::string> command = Compose("", request, false);
    if (!command || command->empty()) {
      std::cout << "  (the demo goes on with " << kDemoCommand << ")\n";
      command = kDemoCommand;
    }
    Section("4. name: the display name of the stored command string");
    Name(*command);
    Section("5. fire: the rule fires for a message in the Inbox");
    Fire(*command, 1);
  } else if (m_options.command == "topics") {
    std::cout << "\n";
    ShowTopics();
  } else if (m_options.command == "compose") {
    std::cout << "\n";
    Compose(m_options.current, m_options.compose, m_options.interactive);
  } else if (m_options.command == "name") {
    std::cout << "\n";
    Name(*m_options.commandString);
  } else if (m_options.command == "fire") {
    std::cout << "\n";
    Fire(*m_options.commandString, m_options.count);
  }

  Finish();
  if (demo) {
    Section("6. the log of this run");
  } else {
    std::cout << "\n";
  }
  ShowLog();
  CleanUp();
  std::cout.flush();
  for (const std::string& error : m_errors) {
    std::cerr << "rulehost: " << error << "\n";
  }
  return m_exit;
}

}  // namespace

int RunHost(const Options& options) {
  HostRun run(options);
  return run.Run();
}

}  // namespace rulehost
