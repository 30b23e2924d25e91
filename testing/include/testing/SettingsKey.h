// The extension's settings key, below HKEY_CURRENT_USER, as the tests write it.
#pragma once

namespace testsupport {

inline constexpr char kSettingsKey[] = "Software\\Pellacorm\\Quendra";

}  // namespace testsupport
