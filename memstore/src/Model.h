// The data behind memstore's objects: the world (stores and fault rules), each store's
// folder tree and messages, entry identifiers, and the properties memstore computes.
// COM objects and profile handles hold the nodes they reach by shared_ptr, together with
// the node's store, so a node never outlives the store it points back to.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "memstore/Faults.h"
#include "memstore/Profile.h"
#include "memstore/PropValue.h"
#include "platform/Mapi.h"

namespace memstore {

struct MessageNode {
  ULONG number = 0;
  bool associated = false;
  bool saved = false;    // listed in its folder's contents table
  bool deleted = false;  // removed by DeleteMessages or with its folder
  std::weak_ptr<FolderNode> folder;
  PropSet props;  // saved properties (a Message object edits a copy)
};

struct FolderNode {
  StoreData* store = nullptr;
  ULONG number = 0;
  bool deleted = false;
  std::weak_ptr<FolderNode> parent;  // empty for the root and a deleted subtree's top
  PropSet props;                     // display name, comment, and what callers set
  std::vector<std::shared_ptr<FolderNode>> children;
  std::vector<std::shared_ptr<MessageNode>> messages;
  std::vector<std::shared_ptr<MessageNode>> associated;
};

struct StoreData {
  ULONG number = 0;
  std::string displayName;
  bool isDefault = false;
  MAPIUID uid{};
  std::shared_ptr<FolderNode> root;
  std::shared_ptr<FolderNode> ipmSubtree;  // null after RemoveIpmSubtree
  // Message class -> folder number, in the order they were set.
  std::vector<std::pair<std::string, ULONG>> receiveFolders;
  PropSet props;  // what callers set on the store object
  ULONG nextNumber = 1;
  std::map<ULONG, std::weak_ptr<FolderNode>> folders;    // live folders by number
  std::map<ULONG, std::weak_ptr<MessageNode>> messages;  // saved messages by number
};

struct World {
  std::vector<std::shared_ptr<StoreData>> stores;
  FaultTable faults;
  ULONG nextStoreNumber = 1;
};

// ---- Entry identifiers -----------------------------------------------------------
struct ParsedEntryId {
  MAPIUID uid{};
  ULONG objectType = 0;  // MAPI_STORE, MAPI_FOLDER or MAPI_MESSAGE
  ULONG number = 0;      // the node's number; 0 for a store
};

EntryIdBytes StoreEntryId(const StoreData& store);
EntryIdBytes FolderEntryId(const FolderNode& folder);
EntryIdBytes MessageEntryId(const StoreData& store, const MessageNode& message);
// The entry identifier of the folder numbered `number`, whether or not it still exists.
EntryIdBytes FolderEntryIdOf(const StoreData& store, ULONG number);
// MAPI_E_INVALID_ENTRYID when the bytes are not a memstore entry identifier.
HRESULT ParseEntryId(ULONG cb, const ENTRYID* entryId, ParsedEntryId* out);
// The store an entry identifier belongs to, or null.
std::shared_ptr<StoreData> FindStore(const World& world, const MAPIUID& uid);

// ---- Tree ------------------------------------------------------------------------
std::shared_ptr<StoreData> NewStore(World& world, const std::string& displayName, bool isDefault);
std::shared_ptr<FolderNode> NewFolder(FolderNode& parent, const std::optional<std::string>& displayName);
std::shared_ptr<FolderNode> LiveFolder(const StoreData& store, ULONG number);
std::shared_ptr<MessageNode> LiveMessage(const StoreData& store, ULONG number);
// A new, unsaved message of `folder`, numbered but in no table.
std::shared_ptr<MessageNode> NewMessage(FolderNode& folder, bool associated);
// Lists a message in its folder's table and makes it openable.
void ListMessage(FolderNode& folder, const std::shared_ptr<MessageNode>& message);
// Both take the node by value: the caller's reference may be the list entry removed.
void DeleteMessage(FolderNode& folder, std::shared_ptr<MessageNode> message);
// MAPI_E_FOLDER_CYCLE when `newParent` is the folder or lies below it.
HRESULT MoveFolder(const std::shared_ptr<FolderNode>& folder, const std::shared_ptr<FolderNode>& newParent);
void DeleteFolderTree(std::shared_ptr<FolderNode> folder);
std::optional<std::string> DisplayNameOf(const FolderNode& folder);
// A live child of `parent` whose display name equals `name` ignoring ASCII case.
std::shared_ptr<FolderNode> ChildNamedIgnoringCase(const FolderNode& parent, const std::string& name);
bool EqualIgnoringCase(const std::string& a, const std::string& b);

// ---- Names -----------------------------------------------------------------------
std::string FolderName(const FolderNode& folder);
std::string MessageName(const MessageNode& message);

// ---- Properties ------------------------------------------------------------------
// The properties of an object as GetProps and the tables show them: computed ones
// (entry identifiers, object type, counts) first, then the stored ones.
PropSet StoreProps(const StoreData& store);
PropSet StoreTableRow(const StoreData& store);
PropSet FolderProps(const FolderNode& folder);
PropSet MessageProps(const StoreData& store, const MessageNode& message, const PropSet& stored);
// Whether SetProps must refuse the property with MAPI_E_COMPUTED.
bool IsComputedStoreProp(ULONG tag);
bool IsComputedFolderProp(ULONG tag);
bool IsComputedMessageProp(ULONG tag);

}  // namespace memstore
