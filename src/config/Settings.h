// The settings key, HKEY_CURRENT_USER\<IDS_REGISTRY_KEY>, and the names of its values.
// Every reading opens the key itself and closes it again; no key stays open between
// host operations.
#pragma once

#include "config/Platform.h"
#include "config/RegKey.h"

namespace pellacorm {

constexpr const char* kHomeDirValue = "HomeDir";
constexpr const char* kTopicFolderLocationValue = "TopicFolderLocation";
constexpr const char* kAppDatastoreValue = "AppDatastore";
constexpr const char* kExceptionLogThresholdValue = "ExceptionLogThreshold";
constexpr const char* kExceptionNotifyThresholdValue = "ExceptionNotifyThreshold";

// Access of the load-time reading and of the "AppDatastore" reading.
constexpr REGSAM kSettingsReadAccess = KEY_READ;  // 0x20019
// Access of Install, which creates the key when it is missing.
constexpr REGSAM kSettingsInstallAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;  // 0x2001F

// Opens the settings key with `access`; an empty owner when it cannot be opened.
RegKey OpenSettingsKey(REGSAM access) noexcept;

// Install's opening: opens the key with kSettingsInstallAccess or, when that fails,
// creates it (no class, REG_OPTION_NON_VOLATILE, default security) with the same access.
// `created` is true when the key came from the second step, after which Install reads
// no values. An empty owner when neither works.
RegKey OpenOrCreateSettingsKey(bool& created) noexcept;

}  // namespace pellacorm
