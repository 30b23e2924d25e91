#include "Settings.h"

#include <cstdio>

#include "HostError.h"
#include "HostText.h"

namespace rulehost {

const char kSettingsKey[] = "Software\\Pellacorm\\Quendra";

namespace {

// Closes a key on every path.
class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (m_key != nullptr) {
      RegCloseKey(m_key);
    }
  }
  HKEY* Put() { return &m_key; }
  HKEY Get() const { return m_key; }

 private:
  HKEY m_key = nullptr;
};

std::string Printable(const SettingValue& value) {
  switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      std::string text(value.data.begin(), value.data.end());
      if (!text.empty() && text.back() == '\0') {
        text.pop_back();
      }
      return Quoted(text);
    }
    case REG_DWORD:
      if (value.data.size() == 4) {
        const unsigned number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                static_cast<unsigned>(value.data[3]) << 24;
        return std::to_string(number);
      }
      break;
    default:
      break;
  }
  return Hex(value.data) + " (" + ByteCount(value.data.size()) + ")";
}

std::optional<std::string> StoreNamed(memstore::Profile& profile, const std::vector<BYTE>& entryId) {
  for (const memstore::StoreRef& store : profile.Stores()) {
    if (store.EntryId() == entryId) {
      return store.DisplayName();
    }
  }
  return std::nullopt;
}

// The severity a stored threshold stands for, as the extension reads it: 0 INFO,
// 1 WARNING, 4 SEVERE ERROR, any other number ERROR.
const char* ThresholdSeverity(DWORD stored) {
  switch (stored) {
    case 0:
      return "INFO";
    case 1:
      return "WARNING";
    case 4:
      return "SEVERE ERROR";
    default:
      return "ERROR";
  }
}

}  // namespace

std::string TypeName(DWORD type) {
  switch (type) {
    case REG_NONE:
      return "REG_NONE";
    case REG_SZ:
      return "REG_SZ";
    case REG_EXPAND_SZ:
      return "REG_EXPAND_SZ";
    case REG_BINARY:
      return "REG_BINARY";
    case REG_DWORD:
      return "REG_DWORD";
    case REG_DWORD_BIG_ENDIAN:
      return "REG_DWORD_BIG_ENDIAN";
    case REG_MULTI_SZ:
      return "REG_MULTI_SZ";
    case REG_QWORD:
      return "REG_QWORD";
    default:
      return "type " + std::to_string(type);
  }
}

SettingValue ParseSetting(const std::string& option, const std::string& assignment,
                          memstore::Profile& profile) {
  const std::size_t equals = assignment.find('=');
  if (equals == std::string::npos || equals == 0) {
    throw HostError(kExitUsage, option + " wants NAME=VALUE, not " + Quoted(assignment));
  }
  SettingValue value;
  value.name = assignment.substr(0, equals);
  const std::string text = assignment.substr(equals + 1);
  if (option == "--set") {
    value.type = REG_SZ;
    value.data.assign(text.begin(), text.end());
    value.data.push_back(0);
  } else if (option == "--set-dword") {
    const auto number = ParseNumber(text);
    if (!number) {
      throw HostError(kExitUsage,
                      "--set-dword " + value.name + ": " + Quoted(text) + " is not a 32-bit number");
    }
    value.type = REG_DWORD;
    for (int shift = 0; shift < 32; shift += 8) {
      value.data.push_back(static_cast<BYTE>(*number >> shift));
    }
  } else {
    value.type = REG_BINARY;
    if (text.compare(0, 6, "store:") == 0) {
      const std::string storeName = text.substr(6);
      for (const memstore::StoreRef& store : profile.Stores()) {
        if (store.DisplayName() == storeName) {
          value.data = store.EntryId();
        }
      }
      if (value.data.empty()) {
        throw HostError(kExitUsage,
                        "--set-binary " + value.name + ": the mailbox has no store " + Quoted(storeName));
      }
    } else {
      const auto bytes = ParseHex(text);
      if (!bytes) {
        throw HostError(kExitUsage, "--set-binary " + value.name + ": " + Quoted(text) +
                                        " is neither hexadecimal bytes nor store:NAME");
      }
      value.data = *bytes;
    }
  }
  return value;
}

void WriteSettings(const std::vector<SettingValue>& values) {
  if (values.empty()) {
    return;
  }
  Key key;
  LSTATUS status = RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_READ | KEY_WRITE, nullptr, key.Put(), nullptr);
  if (status != ERROR_SUCCESS) {
    throw HostError(kExitRegistry, "cannot create HKEY_CURRENT_USER\\" + std::string(kSettingsKey) +
                                       " (error " + std::to_string(status) + ")");
  }
  for (const SettingValue& value : values) {
    status = RegSetValueExA(key.Get(), value.name.c_str(), 0, value.type, value.data.data(),
                            static_cast<DWORD>(value.data.size()));
    if (status != ERROR_SUCCESS) {
      throw HostError(kExitRegistry, "cannot write the value " + Quoted(value.name) + " (error " +
                                         std::to_string(status) + ")");
    }
  }
}

bool SettingsKeyExists() {
  Key key;
  return RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

std::optional<SettingValue> ReadSetting(const char* name) {
  Key key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  SettingValue value;
  value.name = name;
  DWORD size = 0;
  if (RegQueryValueExA(key.Get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  if (size > 0 &&
      RegQueryValueExA(key.Get(), name, nullptr, &value.type, value.data.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  return value;
}

std::optional<std::string> HomeDirSetting() {
  const auto value = ReadSetting("HomeDir");
  if (!value || value->type != REG_SZ) {
    return std::nullopt;
  }
  std::string text(value->data.begin(), value->data.end());
  const std::size_t end = text.find('\0');
  return end == std::string::npos ? text : text.substr(0, end);
}

std::vector<std::string> DescribeSettings(memstore::Profile& profile) {
  struct Known {
    const char* name;
    DWORD type;
    const char* whenMissing;
  };
  static const Known kKnown[] = {
      {"HomeDir", REG_SZ, "the log stays at C:/Pellacorm.log"},
      {"TopicFolderLocation", REG_SZ, "topics folder /Inbox/Pellacorm Topics"},
      {"AppDatastore", REG_BINARY, "the default store holds the topics folder"},
      {"ExceptionLogThreshold", REG_DWORD, "entries of severity WARNING and above are logged"},
      {"ExceptionNotifyThreshold", REG_DWORD, "severity ERROR and above reaches the notification step"},
  };
  std::vector<std::string> lines;
  for (const Known& known : kKnown) {
    char name[32];
    std::snprintf(name, sizeof name, "%-25s", known.name);
    const auto value = ReadSetting(known.name);
    if (!value) {
      lines.push_back(std::string(name) + "not set: " + known.whenMissing);
      continue;
    }
    std::string line = std::string(name) + TypeName(value->type) + " " + Printable(*value);
    if (value->type != known.type) {
      line += ": not " + TypeName(known.type) + ", so ignored (" + known.whenMissing + ")";
    } else if (std::string(known.name) == "HomeDir") {
      line += ": the log is " + *HomeDirSetting() + "/Logs/Pellacorm.log";
    } else if (known.type == REG_DWORD && value->data.size() == 4) {
      const DWORD stored = value->data[0] | value->data[1] << 8 | value->data[2] << 16 |
                           static_cast<DWORD>(value->data[3]) << 24;
      line += std::string(": severity ") + ThresholdSeverity(stored) + " and above " +
              (std::string(known.name) == "ExceptionLogThreshold" ? "is logged"
                                                                  : "reaches the notification step");
    } else if (std::string(known.name) == "AppDatastore") {
      const auto store = StoreNamed(profile, value->data);
      line += store ? ": the entry identifier of store " + Quoted(*store)
                    : ": names no store of this mailbox (the default store takes its place)";
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace rulehost
