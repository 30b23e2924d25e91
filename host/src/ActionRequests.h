// The hidden messages of a mailbox after a rule has fired: every folder-associated
// message of every folder, read through memstore's own handles (they count in no ledger
// and meet no injected fault), with the message the rule fired for that each names.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "memstore/Memstore.h"

namespace rulehost {

struct ActionRequestListing {
  std::vector<std::string> lines;
  // A hidden message outside the Inbox, or an action request in a folder's normal contents.
  bool misplaced = false;
};

// Lists the associated messages of every folder; `inbox` is where they belong, `fired`
// the messages the rule fired for, in order.
ActionRequestListing ListHiddenMessages(memstore::Profile& profile,
                                        const std::optional<memstore::FolderRef>& inbox,
                                        const std::vector<memstore::MessageRef>& fired);

}  // namespace rulehost
