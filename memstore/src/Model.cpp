// The folder trees, entry identifiers, object names and computed properties.
#include "Model.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "Constants.h"

namespace memstore {
namespace {

// Every memstore store's MAPIUID starts with these bytes; the last four are the store's
// number.
constexpr BYTE kUidPrefix[12] = {0x6D, 0x65, 0x6D, 0x73, 0x74, 0x6F, 0x72, 0x65, 0x9A, 0x3C, 0x51, 0xE2};
// PR_MDB_PROVIDER of every memstore store.
constexpr BYTE kProviderUid[16] = {0x4D, 0x45, 0x4D, 0x53, 0x54, 0x4F, 0x52, 0x45,
                                   0x2E, 0x44, 0x4C, 0x4C, 0x00, 0x00, 0x00, 0x01};
// Store entry identifiers end with the provider's name, padded to a multiple of four.
constexpr char kProviderName[12] = "memstore";
constexpr ULONG kIdHeader = 4 + 16 + 4 + 4;  // flags, uid, object type, number
constexpr ULONG kStoreIdSize = kIdHeader + sizeof kProviderName;
constexpr const char* kIpmSubtreeName = "Top of Information Store";

void PutULong(EntryIdBytes& bytes, std::size_t offset, ULONG value) {
  for (std::size_t i = 0; i < 4; ++i) {
    bytes[offset + i] = static_cast<BYTE>((value >> (8 * i)) & 0xFF);
  }
}

ULONG GetULong(const BYTE* bytes) {
  return static_cast<ULONG>(bytes[0]) | (static_cast<ULONG>(bytes[1]) << 8) |
         (static_cast<ULONG>(bytes[2]) << 16) | (static_cast<ULONG>(bytes[3]) << 24);
}

// Flags (zero: a long-term identifier), the store's uid, the object type, the number.
EntryIdBytes MakeId(const MAPIUID& uid, ULONG objectType, ULONG number, std::size_t size = kIdHeader) {
  EntryIdBytes bytes(size, 0);
  std::memcpy(&bytes[4], uid.ab, sizeof uid.ab);
  PutULong(bytes, 20, objectType);
  PutULong(bytes, 24, number);
  return bytes;
}

std::vector<BYTE> UidBytes(const MAPIUID& uid) {
  return {uid.ab, uid.ab + sizeof uid.ab};
}

void Unindex(FolderNode& folder) {
  StoreData& store = *folder.store;
  folder.deleted = true;
  store.folders.erase(folder.number);
  for (auto* list : {&folder.messages, &folder.associated}) {
    for (const auto& message : *list) {
      message->deleted = true;
      store.messages.erase(message->number);
    }
  }
  for (const auto& child : folder.children) {
    Unindex(*child);
  }
}

std::string PathPart(const FolderNode& folder) {
  return DisplayNameOf(folder).value_or("(no name)");
}

}  // namespace

// ---- Entry identifiers -----------------------------------------------------------
EntryIdBytes StoreEntryId(const StoreData& store) {
  EntryIdBytes bytes = MakeId(store.uid, MAPI_STORE, 0, kStoreIdSize);
  std::memcpy(&bytes[kIdHeader], kProviderName, sizeof kProviderName);
  return bytes;
}

EntryIdBytes FolderEntryId(const FolderNode& folder) {
  return MakeId(folder.store->uid, MAPI_FOLDER, folder.number);
}

EntryIdBytes MessageEntryId(const StoreData& store, const MessageNode& message) {
  return MakeId(store.uid, MAPI_MESSAGE, message.number);
}

EntryIdBytes FolderEntryIdOf(const StoreData& store, ULONG number) {
  return MakeId(store.uid, MAPI_FOLDER, number);
}

HRESULT ParseEntryId(ULONG cb, const ENTRYID* entryId, ParsedEntryId* out) {
  if (entryId == nullptr || cb < kIdHeader) {
    return MAPI_E_INVALID_ENTRYID;
  }
  const auto* bytes = reinterpret_cast<const BYTE*>(entryId);
  if (std::memcmp(bytes + 4, kUidPrefix, sizeof kUidPrefix) != 0) {
    return MAPI_E_INVALID_ENTRYID;
  }
  std::memcpy(out->uid.ab, bytes + 4, sizeof out->uid.ab);
  out->objectType = GetULong(bytes + 20);
  out->number = GetULong(bytes + 24);
  switch (out->objectType) {
    case MAPI_STORE:
      if (cb != kStoreIdSize || out->number != 0 ||
          std::memcmp(bytes + kIdHeader, kProviderName, sizeof kProviderName) != 0) {
        return MAPI_E_INVALID_ENTRYID;
      }
      return S_OK;
    case MAPI_FOLDER:
    case MAPI_MESSAGE:
      return cb == kIdHeader ? S_OK : MAPI_E_INVALID_ENTRYID;
    default:
      return MAPI_E_INVALID_ENTRYID;
  }
}

std::shared_ptr<StoreData> FindStore(const World& world, const MAPIUID& uid) {
  for (const auto& store : world.stores) {
    if (std::memcmp(store->uid.ab, uid.ab, sizeof uid.ab) == 0) {
      return store;
    }
  }
  return nullptr;
}

// ---- Tree ------------------------------------------------------------------------
std::shared_ptr<StoreData> NewStore(World& world, const std::string& displayName, bool isDefault) {
  auto store = std::make_shared<StoreData>();
  store->number = world.nextStoreNumber++;
  store->displayName = displayName;
  store->isDefault = isDefault;
  std::memcpy(store->uid.ab, kUidPrefix, sizeof kUidPrefix);
  for (int i = 0; i < 4; ++i) {
    store->uid.ab[12 + i] = static_cast<BYTE>((store->number >> (8 * i)) & 0xFF);
  }
  store->root = std::make_shared<FolderNode>();
  store->root->store = store.get();
  store->root->number = store->nextNumber++;
  store->folders[store->root->number] = store->root;
  store->ipmSubtree = NewFolder(*store->root, std::string(kIpmSubtreeName));
  world.stores.push_back(store);
  return store;
}

std::shared_ptr<FolderNode> NewFolder(FolderNode& parent, const std::optional<std::string>& displayName) {
  StoreData& store = *parent.store;
  auto folder = std::make_shared<FolderNode>();
  folder->store = &store;
  folder->number = store.nextNumber++;
  if (displayName) {
    folder->props.Set(PropValue::String(PR_DISPLAY_NAME_A, *displayName));
  }
  store.folders[folder->number] = folder;
  // The parent's own shared_ptr is found through the index, so that `parent` may be a
  // plain reference.
  folder->parent = store.folders[parent.number];
  parent.children.push_back(folder);
  return folder;
}

std::shared_ptr<FolderNode> LiveFolder(const StoreData& store, ULONG number) {
  auto it = store.folders.find(number);
  if (it == store.folders.end()) {
    return nullptr;
  }
  auto folder = it->second.lock();
  return folder && !folder->deleted ? folder : nullptr;
}

std::shared_ptr<MessageNode> LiveMessage(const StoreData& store, ULONG number) {
  auto it = store.messages.find(number);
  if (it == store.messages.end()) {
    return nullptr;
  }
  auto message = it->second.lock();
  return message && !message->deleted ? message : nullptr;
}

std::shared_ptr<MessageNode> NewMessage(FolderNode& folder, bool associated) {
  auto message = std::make_shared<MessageNode>();
  message->number = folder.store->nextNumber++;
  message->associated = associated;
  message->folder = folder.store->folders[folder.number];
  message->props.Set(PropValue::Long(PR_MESSAGE_FLAGS, kMsgFlagRead | kMsgFlagUnsent));
  return message;
}

void ListMessage(FolderNode& folder, const std::shared_ptr<MessageNode>& message) {
  if (message->saved) {
    return;
  }
  message->saved = true;
  (message->associated ? folder.associated : folder.messages).push_back(message);
  folder.store->messages[message->number] = message;
}

// The node is taken by value: the copy keeps it alive while it leaves the list that may
// hold its last other reference.
void DeleteMessage(FolderNode& folder,
                   std::shared_ptr<MessageNode> message) {  // NOLINT(performance-unnecessary-value-param)
  auto& list = message->associated ? folder.associated : folder.messages;
  list.erase(std::remove(list.begin(), list.end(), message), list.end());
  message->deleted = true;
  folder.store->messages.erase(message->number);
}

HRESULT MoveFolder(const std::shared_ptr<FolderNode>& folder, const std::shared_ptr<FolderNode>& newParent) {
  for (auto node = newParent; node; node = node->parent.lock()) {
    if (node == folder) {
      return MAPI_E_FOLDER_CYCLE;
    }
  }
  if (auto oldParent = folder->parent.lock()) {
    auto& siblings = oldParent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), folder), siblings.end());
  }
  newParent->children.push_back(folder);
  folder->parent = newParent;
  return S_OK;
}

void DeleteFolderTree(std::shared_ptr<FolderNode> folder) {  // NOLINT(performance-unnecessary-value-param)
  if (auto parent = folder->parent.lock()) {
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), folder), siblings.end());
  }
  folder->parent.reset();
  Unindex(*folder);
}

std::optional<std::string> DisplayNameOf(const FolderNode& folder) {
  if (const PropValue* name = folder.props.Find(PR_DISPLAY_NAME_A)) {
    return name->AsString();
  }
  return std::nullopt;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::shared_ptr<FolderNode> ChildNamedIgnoringCase(const FolderNode& parent, const std::string& name) {
  for (const auto& child : parent.children) {
    const std::optional<std::string> childName = DisplayNameOf(*child);
    if (childName && EqualIgnoringCase(*childName, name)) {
      return child;
    }
  }
  return nullptr;
}

// ---- Names -----------------------------------------------------------------------
std::string FolderName(const FolderNode& folder) {
  const StoreData& store = *folder.store;
  std::vector<std::string> parts;  // innermost first
  std::string prefix = store.displayName + "/(deleted)";
  std::shared_ptr<const FolderNode> holder;
  for (const FolderNode* node = &folder; node != nullptr;) {
    if (node == store.ipmSubtree.get()) {
      if (parts.empty()) {
        parts.push_back(PathPart(*node));
      }
      prefix = store.displayName;
      break;
    }
    if (node == store.root.get()) {
      prefix = store.displayName + "/(root)";
      break;
    }
    parts.push_back(PathPart(*node));
    holder = node->parent.lock();
    node = holder.get();
  }
  std::string name = prefix;
  for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
    name += "/" + *it;
  }
  return name;
}

std::string MessageName(const MessageNode& message) {
  auto folder = message.folder.lock();
  std::string name = folder ? FolderName(*folder) : "(deleted)";
  name += message.associated ? "/associated#" : "/message#";
  name += std::to_string(message.number);
  if (!message.saved) {
    name += " (unsaved)";
  }
  return name;
}

// ---- Properties ------------------------------------------------------------------
PropSet StoreProps(const StoreData& store) {
  const EntryIdBytes id = StoreEntryId(store);
  PropSet props{PropValue::Binary(PR_ENTRYID, id),
                PropValue::Binary(PR_RECORD_KEY, UidBytes(store.uid)),
                PropValue::Binary(PR_STORE_ENTRYID, id),
                PropValue::Binary(kPrStoreRecordKey, UidBytes(store.uid)),
                PropValue::Long(PR_OBJECT_TYPE, MAPI_STORE),
                PropValue::String(PR_DISPLAY_NAME_A, store.displayName),
                PropValue::Bool(PR_DEFAULT_STORE, store.isDefault),
                PropValue::Binary(kPrMdbProvider, {kProviderUid, kProviderUid + sizeof kProviderUid}),
                PropValue::String(kPrProviderDisplayA, "memstore")};
  if (store.ipmSubtree) {
    props.Set(PropValue::Binary(PR_IPM_SUBTREE_ENTRYID, FolderEntryId(*store.ipmSubtree)));
  }
  for (const PropValue& value : store.props.Values()) {
    props.Set(value);
  }
  return props;
}

PropSet StoreTableRow(const StoreData& store) {
  return PropSet{PropValue::Binary(PR_ENTRYID, StoreEntryId(store)),
                 PropValue::Binary(PR_RECORD_KEY, UidBytes(store.uid)),
                 PropValue::Long(PR_OBJECT_TYPE, MAPI_STORE),
                 PropValue::String(PR_DISPLAY_NAME_A, store.displayName),
                 PropValue::Bool(PR_DEFAULT_STORE, store.isDefault),
                 PropValue::Long(kPrResourceFlags, store.isDefault ? kStatusDefaultStore : 0),
                 PropValue::Binary(kPrMdbProvider, {kProviderUid, kProviderUid + sizeof kProviderUid}),
                 PropValue::String(kPrProviderDisplayA, "memstore")};
}

PropSet FolderProps(const FolderNode& folder) {
  const StoreData& store = *folder.store;
  const EntryIdBytes id = FolderEntryId(folder);
  auto parent = folder.parent.lock();
  PropSet props{PropValue::Binary(PR_ENTRYID, id),
                PropValue::Binary(PR_RECORD_KEY, id),
                PropValue::Binary(PR_PARENT_ENTRYID, parent ? FolderEntryId(*parent) : id),
                PropValue::Binary(PR_STORE_ENTRYID, StoreEntryId(store)),
                PropValue::Binary(kPrStoreRecordKey, UidBytes(store.uid)),
                PropValue::Long(PR_OBJECT_TYPE, MAPI_FOLDER),
                PropValue::Long(PR_FOLDER_TYPE, &folder == store.root.get() ? FOLDER_ROOT : FOLDER_GENERIC),
                PropValue::Long(PR_CONTENT_COUNT, static_cast<LONG>(folder.messages.size())),
                PropValue::Long(PR_ASSOC_CONTENT_COUNT, static_cast<LONG>(folder.associated.size())),
                PropValue::Bool(PR_SUBFOLDERS, !folder.children.empty())};
  for (const PropValue& value : folder.props.Values()) {
    props.Set(value);
  }
  return props;
}

PropSet MessageProps(const StoreData& store, const MessageNode& message, const PropSet& stored) {
  const EntryIdBytes id = MessageEntryId(store, message);
  auto folder = message.folder.lock();
  PropSet props{PropValue::Binary(PR_ENTRYID, id), PropValue::Binary(PR_RECORD_KEY, id),
                PropValue::Binary(PR_STORE_ENTRYID, StoreEntryId(store)),
                PropValue::Binary(kPrStoreRecordKey, UidBytes(store.uid)),
                PropValue::Long(PR_OBJECT_TYPE, MAPI_MESSAGE)};
  if (folder) {
    props.Set(PropValue::Binary(PR_PARENT_ENTRYID, FolderEntryId(*folder)));
  }
  for (const PropValue& value : stored.Values()) {
    props.Set(value);
  }
  if (message.associated) {
    const PropValue* flags = stored.Find(PR_MESSAGE_FLAGS);
    const LONG value = flags != nullptr ? flags->AsLong() : 0;
    props.Set(PropValue::Long(PR_MESSAGE_FLAGS, value | kMsgFlagAssociated));
  }
  return props;
}

namespace {
bool IdIn(ULONG tag, std::initializer_list<ULONG> tags) {
  return std::any_of(tags.begin(), tags.end(), [&](ULONG t) { return PROP_ID(t) == PROP_ID(tag); });
}
}  // namespace

bool IsComputedStoreProp(ULONG tag) {
  return IdIn(
      tag, {PR_ENTRYID, PR_RECORD_KEY, PR_STORE_ENTRYID, kPrStoreRecordKey, PR_OBJECT_TYPE, PR_DISPLAY_NAME_A,
            PR_DEFAULT_STORE, kPrMdbProvider, kPrProviderDisplayA, PR_IPM_SUBTREE_ENTRYID});
}

bool IsComputedFolderProp(ULONG tag) {
  return IdIn(tag, {PR_ENTRYID, PR_RECORD_KEY, PR_PARENT_ENTRYID, PR_STORE_ENTRYID, kPrStoreRecordKey,
                    PR_OBJECT_TYPE, PR_FOLDER_TYPE, PR_CONTENT_COUNT, PR_ASSOC_CONTENT_COUNT, PR_SUBFOLDERS,
                    PR_INSTANCE_KEY, kPrDepth});
}

bool IsComputedMessageProp(ULONG tag) {
  return IdIn(tag, {PR_ENTRYID, PR_RECORD_KEY, PR_PARENT_ENTRYID, PR_STORE_ENTRYID, kPrStoreRecordKey,
                    PR_OBJECT_TYPE, PR_INSTANCE_KEY});
}

}  // namespace memstore
