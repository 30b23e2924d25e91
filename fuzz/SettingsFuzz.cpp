// The settings readers on values of any type and size, in the file-backed registry of
// the Win32 layer. The first byte chooses how the values get there:
//   - through RegSetValueExA: up to 8 records of a value name, a type and bytes (the
//     AppDatastore value may start with a store's real entry identifier), which must
//     read back as written;
//   - as the registry file's own text below the settings key, which must read the same
//     after the registry has rewritten the file.
// Then, for each value the settings use: QueryRegString, QueryRegBinary and
// QueryRegDword through the key that OpenSettingsKey opens agree with what
// RegQueryValueExA gives; RegQueryValueExA into a guarded buffer of a chosen size
// writes only what it says; and, when asked, the reporter's LoadSettings and Install
// on a memstore profile take exactly those values (log path, thresholds, topics-folder
// path, application store) and leave nothing live.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "FuzzHost.h"
#include "config/RegistryValues.h"
#include "config/Settings.h"
#include "diagnostics/ExceptionReporter.h"
#include "extension/ExchRuleExt.h"
#include "memstore/Memstore.h"
#include "testing/GuardedBuffer.h"
#include "testing/SettingsKey.h"

extern "C" pellacorm::IExchangeRuleExt* WINAPI ExchEntryPoint();

namespace pellacorm {
// Reads the fields that binding sets.
class CExchRuleExtTestAccess {
 public:
  static const std::string& TopicFolderPath(const CExchRuleExt& ext) { return ext.m_topicFolderPath; }
  static const EntryID& AppStoreEid(const CExchRuleExt& ext) { return ext.m_appStoreEid; }
  static const EntryID& DefaultStoreEid(const CExchRuleExt& ext) { return ext.m_defaultStoreEid; }
  static IMsgStore* AppStore(const CExchRuleExt& ext) { return ext.m_appStore.Get(); }
};
}  // namespace pellacorm

namespace {

using fuzzhost::Fail;
using pellacorm::CExchRuleExtTestAccess;
using testsupport::GuardedBuffer;
using testsupport::kSettingsKey;

constexpr const char* kDefaultTopicFolderPath = "/Inbox/Pellacorm Topics";
constexpr std::size_t kMaxRecords = 8;

// The values the settings read; "HOMEDIR" is HomeDir in other case, "" the default value.
const char* const kNames[] = {
    pellacorm::kHomeDirValue,
    pellacorm::kTopicFolderLocationValue,
    pellacorm::kAppDatastoreValue,
    pellacorm::kExceptionLogThresholdValue,
    pellacorm::kExceptionNotifyThresholdValue,
    "HOMEDIR",
    "",
};
constexpr std::size_t kSettingNames = 5;  // the first five are the settings' own

HKEY CurrentUser() {
  return HKEY_CURRENT_USER;  // NOLINT(performance-no-int-to-ptr)
}

// A profile with a default store and a second one that the AppDatastore value can name.
struct Host {
  const testsupport::PrivateFolder& folder = fuzzhost::RunFolder();
  memstore::Profile profile;
  memstore::StoreRef mailbox = profile.AddStore("Mailbox", true);
  memstore::StoreRef archive = profile.AddStore("Archive");
  pellacorm::ComPtr<IMAPISession> session;
  fuzzhost::Callback* callback = nullptr;

  Host() {
    mailbox.SetReceiveFolder("IPM.Note", mailbox.AddFolder("Inbox"));
    archive.AddFolder("Inbox/Pellacorm Topics");
    session = profile.Logon();
    callback = new fuzzhost::Callback(session.Get());
  }
};

Host* g_host = nullptr;

// A value as RegQueryValueExA gives it.
struct Stored {
  bool found = false;
  DWORD type = REG_NONE;
  std::vector<BYTE> bytes;
};

Stored ReadRaw(HKEY key, const char* name) {
  Stored value;
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
    return value;
  }
  value.bytes.resize(size);
  DWORD read = size;
  DWORD type = REG_NONE;
  GuardedBuffer buffer(size);
  if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.Data()), &read) !=
          ERROR_SUCCESS ||
      read != size || type != value.type || !buffer.GuardsIntact()) {
    Fail("a value of %lu bytes does not read at its own size", static_cast<unsigned long>(size));
  }
  if (size != 0) {
    std::memcpy(value.bytes.data(), buffer.Data(), size);
  }
  value.found = true;
  return value;
}

std::string Folded(const char* name) {
  std::string folded(name);
  for (char& c : folded) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return folded;
}

// The text a REG_SZ value holds: up to its first zero byte, within its size.
std::string TextOf(const Stored& value) {
  const auto* begin = reinterpret_cast<const char*>(value.bytes.data());
  std::size_t length = 0;
  while (length < value.bytes.size() && begin[length] != '\0') {
    ++length;
  }
  return std::string(begin, length);
}

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The three readers against the raw value.
void CheckReaders(HKEY key, const char* name, const Stored& raw) {
  std::string text = "left over";
  const LONG textResult = pellacorm::QueryRegString(key, name, text);
  const LONG expectedText = !raw.found           ? static_cast<LONG>(E_FAIL)
                            : raw.type != REG_SZ ? ERROR_INVALID_DATA
                                                 : 0;
  if (textResult != expectedText || text != (textResult == 0 ? TextOf(raw) : std::string())) {
    Fail("QueryRegString(\"%s\") answered %ld with %zu bytes", name, static_cast<long>(textResult),
         text.size());
  }

  static const std::vector<BYTE> kSentinel = {0xEE, 0xEE, 0xEE};
  std::vector<BYTE> bytes = kSentinel;
  const LONG binaryResult = pellacorm::QueryRegBinary(key, name, bytes);
  const LONG expectedBinary = !raw.found               ? static_cast<LONG>(E_FAIL)
                              : raw.type != REG_BINARY ? ERROR_INVALID_DATA
                                                       : 0;
  const bool binaryRight =
      bytes == (binaryResult == 0 ? std::vector<BYTE>(raw.bytes.begin(), raw.bytes.end()) : kSentinel);
  if (binaryResult != expectedBinary || !binaryRight) {
    Fail("QueryRegBinary(\"%s\") answered %ld with %zu bytes", name, static_cast<long>(binaryResult),
         bytes.size());
  }

  DWORD number = 0xDEADBEEF;
  const bool isDword = raw.found && raw.type == REG_DWORD && raw.bytes.size() == 4;
  const DWORD expectedNumber = isDword ? raw.bytes[0] | (static_cast<DWORD>(raw.bytes[1]) << 8) |
                                             (static_cast<DWORD>(raw.bytes[2]) << 16) |
                                             (static_cast<DWORD>(raw.bytes[3]) << 24)
                                       : 0xDEADBEEF;
  if (pellacorm::QueryRegDword(key, name, number) != isDword || number != expectedNumber) {
    Fail("QueryRegDword(\"%s\") misread", name);
  }
}

// RegQueryValueExA into a guarded buffer of `capacity` bytes writes the data and, for a
// text without its zero that leaves room, one zero after it; nothing else.
void CheckRawRead(HKEY key, const char* name, const Stored& raw, DWORD capacity) {
  GuardedBuffer buffer(capacity);
  DWORD size = capacity;
  DWORD type = 0xFFFFFFFF;
  const LSTATUS result =
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.Data()), &size);
  if (!raw.found) {
    if (result != ERROR_FILE_NOT_FOUND || buffer.WrittenOutside(0)) {
      Fail("reading the missing value \"%s\" answered %ld or wrote", name, static_cast<long>(result));
    }
    return;
  }
  const auto stored = static_cast<DWORD>(raw.bytes.size());
  if (type != raw.type || size != stored) {
    Fail("RegQueryValueExA(\"%s\") gave another type or size", name);
  }
  if (capacity < stored) {
    if (result != ERROR_MORE_DATA || buffer.WrittenOutside(0)) {
      Fail("RegQueryValueExA(\"%s\") into %lu bytes for %lu", name, static_cast<unsigned long>(capacity),
           static_cast<unsigned long>(stored));
    }
    return;
  }
  const bool terminates =
      IsStringType(raw.type) && capacity > stored && (stored == 0 || raw.bytes.back() != 0);
  if (result != ERROR_SUCCESS || buffer.WrittenOutside(stored + (terminates ? 1 : 0)) ||
      (stored != 0 && std::memcmp(buffer.Data(), raw.bytes.data(), stored) != 0) ||
      (terminates && buffer.Data()[stored] != '\0')) {
    Fail("RegQueryValueExA(\"%s\") wrote other bytes than its %lu", name, static_cast<unsigned long>(stored));
  }
}

// One value from RegSetValueExA, as the test meant to store it.
void SetValue(HKEY key, const char* name, DWORD type, const std::vector<BYTE>& bytes) {
  const LSTATUS set = RegSetValueExA(key, name, 0, type, bytes.empty() ? nullptr : bytes.data(),
                                     static_cast<DWORD>(bytes.size()));
  if (set != ERROR_SUCCESS) {
    Fail("RegSetValueExA(\"%s\") answered %ld", name, static_cast<long>(set));
  }
}

// Reads records from `data` and stores them; answers what each name should hold.
std::map<std::string, Stored> StoreRecords(const std::uint8_t* data, std::size_t size) {
  std::map<std::string, Stored> expected;
  if (size < 4) {
    return expected;
  }
  HKEY key = nullptr;
  if (RegCreateKeyExA(CurrentUser(), kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    Fail("cannot create the settings key");
  }
  std::size_t pos = 0;
  for (std::size_t record = 0; record < kMaxRecords && size - pos >= 4; ++record) {
    // Name and entry-identifier choice, type, two bytes of length, the bytes.
    const std::uint8_t choice = data[pos];
    const char* name = kNames[(choice & 0x0F) % (sizeof kNames / sizeof kNames[0])];
    DWORD type = data[pos + 1];
    pos += 2;
    if (type >= 0xF0 && size - pos >= 4) {  // any 32-bit type
      std::memcpy(&type, data + pos, 4);
      pos += 4;
    } else {
      type %= 12;  // REG_NONE .. REG_QWORD
    }
    if (size - pos < 2) {
      break;
    }
    std::size_t length = static_cast<std::size_t>(data[pos] | (data[pos + 1] << 8)) & 0xFFF;
    pos += 2;
    length = length < size - pos ? length : size - pos;
    std::vector<BYTE> bytes;
    if ((choice & 0x80) != 0) {
      // A store's real entry identifier, whole or missing its last byte, then the bytes.
      const memstore::EntryIdBytes id =
          (choice & 0x40) != 0 ? g_host->archive.EntryId() : g_host->mailbox.EntryId();
      bytes.assign(id.begin(), (choice & 0x20) != 0 ? id.end() - 1 : id.end());
    }
    bytes.insert(bytes.end(), data + pos, data + pos + length);
    pos += length;
    SetValue(key, name, type, bytes);
    expected[Folded(name)] = Stored{true, type, bytes};
  }
  RegCloseKey(key);
  return expected;
}

void WriteRegistryFile(const std::uint8_t* data, std::size_t size) {
  const std::string text = std::string("REGEDIT4\n\n[HKEY_CURRENT_USER\\") + kSettingsKey + "]\n" +
                           std::string(reinterpret_cast<const char*>(data), size);
  std::FILE* file = std::fopen(g_host->folder.RegistryFile().c_str(), "wb");
  if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
      std::fclose(file) != 0) {
    Fail("cannot write the registry file");
  }
}

bool Same(const Stored& a, const Stored& b) {
  return a.found == b.found && (!a.found || (a.type == b.type && a.bytes == b.bytes));
}

// The reporter's settings and Install's binding, from the values read raw.
void CheckLoadAndInstall(const Stored values[]) {
  const Stored& home = values[0];
  const Stored& location = values[1];
  const Stored& appStore = values[2];
  pellacorm::ExceptionReporter& reporter = pellacorm::ExceptionReporter::Instance();
  reporter.LoadSettings();
  const std::string logPath = home.found && home.type == REG_SZ
                                  ? TextOf(home) + pellacorm::ExceptionReporter::kLogFileBelowHome
                                  : pellacorm::ExceptionReporter::kDefaultLogPath;
  if (reporter.LogPath() != logPath) {
    Fail("the log is \"%s\"", reporter.LogPath().c_str());
  }
  const LONG thresholds[2] = {pellacorm::SEVERITY_WARNING, pellacorm::SEVERITY_ERROR};
  for (int i = 0; i < 2; ++i) {
    const Stored& stored = values[3 + i];
    LONG expected = thresholds[i];
    if (stored.found && stored.type == REG_DWORD && stored.bytes.size() == 4) {
      DWORD number = 0;
      std::memcpy(&number, stored.bytes.data(), 4);
      expected = pellacorm::ExceptionReporter::SeverityFromStored(number);
    }
    if ((i == 0 ? reporter.LogThreshold() : reporter.NotifyThreshold()) != expected) {
      Fail("threshold %d is not the stored one", i);
    }
  }

  const bool keyExisted = static_cast<bool>(pellacorm::OpenSettingsKey(KEY_READ));
  const memstore::Ledger::Mark mark = memstore::Ledger::Now();
  pellacorm::IExchangeRuleExt* iface = ExchEntryPoint();
  if (iface == nullptr || iface->Install(g_host->callback, 0) != S_OK) {
    Fail("Install failed");
  }
  const auto& ext = *static_cast<pellacorm::CExchRuleExt*>(iface);
  std::string topics = kDefaultTopicFolderPath;
  if (keyExisted) {
    if (location.found && location.type == REG_SZ && !TextOf(location).empty()) {
      topics = TextOf(location);
    }
    topics = pellacorm::CExchRuleExt::ValidateTopicFolderPath(topics);
  }
  if (CExchRuleExtTestAccess::TopicFolderPath(ext) != topics) {
    Fail("the topics folder is \"%s\"", CExchRuleExtTestAccess::TopicFolderPath(ext).c_str());
  }
  if (keyExisted && reporter.LogPath() != logPath) {
    Fail("Install moved the log to \"%s\"", reporter.LogPath().c_str());
  }
  // The application store is the one the value names when it opens, else the default.
  const pellacorm::EntryID& app = CExchRuleExtTestAccess::AppStoreEid(ext);
  const std::vector<BYTE> appBytes(app.Bytes(), app.Bytes() + app.Size());
  const pellacorm::EntryID& def = CExchRuleExtTestAccess::DefaultStoreEid(ext);
  const std::vector<BYTE> defaultBytes(def.Bytes(), def.Bytes() + def.Size());
  const bool named = appStore.found && appStore.type == REG_BINARY && !appStore.bytes.empty();
  if (defaultBytes != g_host->mailbox.EntryId() || CExchRuleExtTestAccess::AppStore(ext) == nullptr ||
      (appBytes != defaultBytes && (!named || appBytes != appStore.bytes))) {
    Fail("the application store is neither the configured nor the default one");
  }
  if (named && appStore.bytes == g_host->archive.EntryId() && appBytes != appStore.bytes) {
    Fail("the configured archive store was not taken");
  }
  iface->QueryRelease();
  if (iface->Release() != 0) {
    Fail("the object outlives its last Release");
  }
  const std::string live = memstore::Ledger::ReportSince(mark);
  if (!live.empty()) {
    Fail("binding left objects live:\n%s", live.c_str());
  }
  reporter.SetHomeDir("C:");  // whatever HomeDir said, nothing is logged outside the drives
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  g_host = new Host();  // kept for the whole run
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) {
    return 0;
  }
  // Flags (bit 0: the registry file's text instead of records; bit 1: load the reporter
  // and Install; bit 2: 256 more bytes of buffer), then the raw read's buffer size.
  const std::uint8_t flags = data[0];
  const DWORD capacity = data[1] + ((flags & 4) != 0 ? 256u : 0u);
  std::remove(g_host->folder.RegistryFile().c_str());
  const std::size_t openKeys = win32::OpenKeyCount();

  std::map<std::string, Stored> written;
  if ((flags & 1) != 0) {
    WriteRegistryFile(data + 2, size - 2);
  } else {
    written = StoreRecords(data + 2, size - 2);
  }

  constexpr std::size_t kCount = sizeof kNames / sizeof kNames[0];
  Stored values[kCount];
  {
    const pellacorm::RegKey key = pellacorm::OpenSettingsKey(pellacorm::kSettingsReadAccess);
    if (key) {
      for (std::size_t i = 0; i < kCount; ++i) {
        values[i] = ReadRaw(key.Get(), kNames[i]);
        CheckReaders(key.Get(), kNames[i], values[i]);
        CheckRawRead(key.Get(), kNames[i], values[i], capacity);
      }
    } else if ((flags & 1) != 0 || !written.empty()) {
      Fail("the settings key does not open");
    }
  }
  if ((flags & 1) == 0) {
    // Every value reads back as RegSetValueExA stored it.
    for (std::size_t i = 0; i < kCount; ++i) {
      const auto it = written.find(Folded(kNames[i]));
      if (!Same(values[i], it == written.end() ? Stored{} : it->second)) {
        Fail("the value \"%s\" does not read back as written", kNames[i]);
      }
    }
  } else {
    // The registry rewrites the file on a change; what it had read stays the same.
    HKEY key = nullptr;
    if (RegOpenKeyExA(CurrentUser(), kSettingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS ||
        RegSetValueExA(key, "Rewrite", 0, REG_DWORD, reinterpret_cast<const BYTE*>("\1\0\0\0"), 4) !=
            ERROR_SUCCESS) {
      Fail("cannot change the registry");
    }
    for (std::size_t i = 0; i < kCount; ++i) {
      if (!Same(values[i], ReadRaw(key, kNames[i]))) {
        Fail("the value \"%s\" changed when the registry rewrote its file", kNames[i]);
      }
    }
    RegCloseKey(key);
  }
  static_assert(kSettingNames == 5, "CheckLoadAndInstall reads the first five names");
  if ((flags & 2) != 0) {
    CheckLoadAndInstall(values);
  }
  if (win32::OpenKeyCount() != openKeys) {
    Fail("%zu registry keys open after the input, %zu before", win32::OpenKeyCount(), openKeys);
  }
  return 0;
}
