// What a user's machine holds that the tests, fuzz targets and benchmarks start from:
// a mailbox profile like a user's and the extension's settings key.
#pragma once

#include "memstore/Memstore.h"

namespace testsupport {

// The extension's settings key, below HKEY_CURRENT_USER.
inline constexpr char kSettingsKey[] = "Software\\Pellacorm\\Quendra";

// Adds to `profile` the stores of a user's profile: the default store "Mailbox" with its
// Inbox as the receive folder of IPM.Note and the topics folder "Inbox/Pellacorm Topics"
// below it, and a second store "Archive" with no folders.
struct UserMailbox {
  explicit UserMailbox(memstore::Profile& profile);

  memstore::StoreRef mailbox;
  memstore::FolderRef inbox;
  memstore::FolderRef topics;
  memstore::StoreRef archive;
};

}  // namespace testsupport
