// The extension's settings as the host sees them: values under the settings key of
// HKEY_CURRENT_USER, written before the library is loaded (as an installer or the user
// would) and read back to show what Install had to go by.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "memstore/Memstore.h"
#include "platform/Mapi.h"

namespace rulehost {

// The settings key below HKEY_CURRENT_USER.
extern const char kSettingsKey[];

struct SettingValue {
  std::string name;
  DWORD type = 0;
  std::vector<BYTE> data;
};

// The value of "--set NAME=TEXT" (REG_SZ), "--set-dword NAME=N" (REG_DWORD) and
// "--set-binary NAME=HEX|store:STORE" (REG_BINARY; store: takes the entry identifier of a
// store of `profile`). Throws HostError(kExitUsage) for a malformed assignment.
SettingValue ParseSetting(const std::string& option, const std::string& assignment,
                          memstore::Profile& profile);

// Writes the values under the settings key, creating it; throws HostError(kExitRegistry).
void WriteSettings(const std::vector<SettingValue>& values);

bool SettingsKeyExists();
std::optional<SettingValue> ReadSetting(const char* name);

// The HomeDir value when it is a REG_SZ, as the extension reads it.
std::optional<std::string> HomeDirSetting();

// One line per setting the extension reads, with what it means for the run.
std::vector<std::string> DescribeSettings(memstore::Profile& profile);

// "REG_SZ", "REG_DWORD", ...
std::string TypeName(DWORD type);

}  // namespace rulehost
