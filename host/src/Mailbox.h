// The mailbox the rule host runs on: a memstore profile described in a small text format,
// either the embedded default or a file the user writes. docs/mailbox-format.md is the
// format's grammar; the parser reads exactly that and refuses the rest with the line.
//
//   store Mailbox default          <- "default": the profile's default store
//     Inbox inbox                  <- "inbox": the store's receive folder (IPM.Note)
//       Pellacorm Topics
//         Budget
//   store Archive
//     "Team inbox"                 <- quotes keep a marker word out of the name
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "memstore/Memstore.h"

namespace rulehost {

struct FolderModel {
  std::string name;
  bool inbox = false;
  int line = 0;
  std::vector<FolderModel> children;
};

struct StoreModel {
  std::string name;
  bool isDefault = false;
  int line = 0;
  std::vector<FolderModel> folders;
};

struct MailboxModel {
  std::string source;  // "embedded default" or the file's name
  std::vector<StoreModel> stores;
};

// Parses the text; throws HostError(kExitMailbox) naming `source` and the line.
MailboxModel ParseMailbox(const std::string& text, const std::string& source);
// Reads and parses a file; throws HostError(kExitMailbox) when it cannot be read.
MailboxModel LoadMailboxFile(const std::string& path);
// The embedded default mailbox, in the format above.
const char* DefaultMailboxText();

// The mailbox written back in the format above.
std::string FormatMailbox(const MailboxModel& mailbox);

// What the host needs to know of a built mailbox.
struct MailboxInfo {
  std::optional<memstore::StoreRef> defaultStore;  // the first store marked default
  std::optional<memstore::FolderRef> inbox;        // its receive folder, if it has one
};

// Creates the stores and folders of `mailbox` in `profile`.
MailboxInfo BuildMailbox(const MailboxModel& mailbox, memstore::Profile& profile);

// The number of folders below `folder`, at any depth.
std::size_t CountFoldersBelow(const memstore::FolderRef& folder);

}  // namespace rulehost
