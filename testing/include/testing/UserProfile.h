// The mailbox profile like a user's that the tests, fuzz targets and benchmarks start
// from.
#pragma once

#include "memstore/Memstore.h"

namespace testsupport {

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
