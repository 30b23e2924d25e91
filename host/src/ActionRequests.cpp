#include "ActionRequests.h"

#include <map>
#include <sstream>

#include "HostText.h"

namespace rulehost {
namespace {
const char kActionClass[] = "IPM.Pellacorm.Action";
}  // namespace

ActionRequestListing ListHiddenMessages(memstore::Profile& profile,
                                        const std::optional<memstore::FolderRef>& inbox,
                                        const std::vector<memstore::MessageRef>& fired) {
  ActionRequestListing listing;
  std::ostringstream out;

  // Every folder of every store, so that a request written anywhere else shows too.
  struct Found {
    memstore::FolderRef folder;
    std::vector<memstore::MessageRef> associated;
  };
  std::vector<Found> found;
  std::vector<std::string> visible;
  std::vector<memstore::FolderRef> pending;
  for (const memstore::StoreRef& store : profile.Stores()) {
    pending.push_back(store.Root());
  }
  while (!pending.empty()) {
    const memstore::FolderRef folder = pending.back();
    pending.pop_back();
    if (auto associated = folder.AssociatedMessages(); !associated.empty()) {
      found.push_back({folder, std::move(associated)});
    }
    for (const memstore::MessageRef& message : folder.Messages()) {
      const auto messageClass = message.Prop(PR_MESSAGE_CLASS_A);
      if (messageClass && messageClass->AsString() == kActionClass) {
        visible.push_back(folder.Name());
      }
    }
    for (const memstore::FolderRef& child : folder.Children()) {
      pending.push_back(child);
    }
  }
  // Which fired message each request names, by its entry identifier: looked up once per
  // request, so that listing many requests costs no more per request than listing few.
  std::map<std::vector<BYTE>, std::size_t> firedNumbers;
  for (std::size_t i = 0; i < fired.size(); ++i) {
    firedNumbers.emplace(fired[i].EntryId(), i + 1);
  }
  std::size_t total = 0;
  for (const Found& f : found) {
    total += f.associated.size();
  }
  out << "hidden messages (associated contents): " << (total == 0 ? "none" : std::to_string(total)) << "\n";
  std::size_t number = 0;
  for (const Found& f : found) {
    const bool inInbox = inbox && f.folder == *inbox;
    listing.misplaced = listing.misplaced || !inInbox;
    out << "  in " << Quoted(f.folder.Name()) << (inInbox ? " (the Inbox)" : " (NOT the Inbox)") << ":\n";
    for (const memstore::MessageRef& message : f.associated) {
      ++number;
      const auto messageClass = message.Prop(PR_MESSAGE_CLASS_A);
      const auto subject = message.Prop(PR_SUBJECT_A);
      const auto original = message.Prop(PR_ORIGINAL_ENTRYID);
      out << "    " << number << ". class " << (messageClass ? Quoted(messageClass->AsString()) : "(none)")
          << ", subject " << (subject ? Quoted(subject->AsString()) : "(none)") << "\n";
      if (original) {
        const std::vector<BYTE> bytes = original->AsBinary();
        const auto firedNumber = firedNumbers.find(bytes);
        const std::string which = firedNumber == firedNumbers.end()
                                      ? "no message the rule fired for"
                                      : "message " + std::to_string(firedNumber->second);
        out << "       original entry identifier (" << bytes.size() << " bytes, " << which
            << "): " << Hex(bytes) << "\n";
      } else {
        out << "       original entry identifier: (none)\n";
      }
      std::vector<std::string> others;
      for (const memstore::PropValue& value : message.Props().Values()) {
        const ULONG id = value.Id();
        // The store sets the message flags of every new message itself.
        if (id != PROP_ID(PR_MESSAGE_CLASS_A) && id != PROP_ID(PR_SUBJECT_A) &&
            id != PROP_ID(PR_ORIGINAL_ENTRYID) && id != PROP_ID(PR_MESSAGE_FLAGS)) {
          others.push_back(value.Describe());
        }
      }
      for (const std::string& other : others) {
        out << "       other property: " << other << "\n";
      }
    }
  }
  for (const std::string& where : visible) {
    out << "  ERROR: an " << kActionClass << " message is visible in the normal contents of " << Quoted(where)
        << "\n";
    listing.misplaced = true;
  }
  std::istringstream lines(out.str());
  for (std::string line; std::getline(lines, line);) {
    listing.lines.push_back(line);
  }
  return listing;
}

}  // namespace rulehost
