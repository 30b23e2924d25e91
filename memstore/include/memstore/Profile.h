// Building memstore profiles and reading them back, for tests and hosts.
//
//   memstore::Profile profile;
//   memstore::StoreRef mailbox = profile.AddStore("Mailbox", /*isDefault=*/true);
//   memstore::FolderRef inbox = mailbox.AddFolder("Inbox");
//   mailbox.SetReceiveFolder("IPM.Note", inbox);
//   mailbox.AddFolder("Inbox/Pellacorm Topics/alpha/Zed");
//   profile.AddStore("Archive");
//   platform::ComPtr<IMAPISession> session = profile.Logon();
//
// Every store has a root folder (no display name) and below it the IPM subtree, "Top of
// Information Store"; paths given to a store are below the IPM subtree. The handles here
// (StoreRef, FolderRef, MessageRef) reach the data directly: they are not COM objects,
// count in no ledger, see no injected fault and need no MAPI_MODIFY.
//
// Entry identifiers are 4 flag bytes, the store's 16-byte MAPIUID and then the object's
// type and number; store entry identifiers also carry the provider's name, so they are
// longer. Numbers are never reused: an object keeps its entry identifier while it is
// renamed or moved, and a deleted one no longer opens (MAPI_E_NOT_FOUND).
//
// memstore objects are used from one thread at a time, as a single-threaded MAPI
// session's are.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "memstore/Faults.h"
#include "memstore/PropValue.h"
#include "platform/Mapi.h"
#include "platform/MapiPtr.h"

namespace memstore {

struct World;
struct StoreData;
struct FolderNode;
struct MessageNode;
class FolderRef;

using EntryIdBytes = std::vector<BYTE>;

class MessageRef {
 public:
  MessageRef(std::shared_ptr<StoreData> store, std::shared_ptr<MessageNode> node);

  EntryIdBytes EntryId() const;
  bool IsAssociated() const;
  // The saved properties, without the ones memstore computes (entry identifiers, ...).
  const PropSet& Props() const;
  std::optional<PropValue> Prop(ULONG tag) const { return Props().Get(tag); }
  // The name the ledger and the fault rules use, e.g. "Mailbox/Inbox/associated#12".
  std::string Name() const;

 private:
  std::shared_ptr<StoreData> m_store;
  std::shared_ptr<MessageNode> m_node;
};

class FolderRef {
 public:
  FolderRef(std::shared_ptr<StoreData> store, std::shared_ptr<FolderNode> node);

  // A new subfolder, even when a sibling has the same name.
  FolderRef AddChild(const std::string& displayName);
  // A new subfolder without PR_DISPLAY_NAME.
  FolderRef AddUnnamedChild();
  // The folder at `path` ("a/b/c") below this one, reusing folders whose display name
  // matches exactly and creating the rest.
  FolderRef AddFolder(const std::string& path);
  // The folder at `path` below this one (exact names, the first match at each level);
  // throws std::runtime_error when there is none.
  FolderRef Folder(const std::string& path) const;
  std::optional<FolderRef> FindFolder(const std::string& path) const;
  std::vector<FolderRef> Children() const;

  std::optional<std::string> DisplayName() const;
  // The name the ledger and the fault rules use: the store's display name and the path
  // below the IPM subtree, e.g. "Mailbox/Inbox/Pellacorm Topics".
  std::string Name() const;
  EntryIdBytes EntryId() const;
  bool IsDeleted() const;

  void Rename(const std::string& displayName);
  void RemoveDisplayName();
  void SetProp(PropValue value);
  // Moves the folder, with everything below it, under `newParent` (same store).
  void MoveTo(const FolderRef& newParent);
  // Deletes the folder and everything below it.
  void Delete();

  // A saved message with `props`.
  MessageRef AddMessage(const std::vector<PropValue>& props, bool associated = false);
  // Saved messages in the order they were saved.
  std::vector<MessageRef> Messages() const;
  std::vector<MessageRef> AssociatedMessages() const;

  bool operator==(const FolderRef& other) const { return m_node == other.m_node; }
  bool operator!=(const FolderRef& other) const { return m_node != other.m_node; }

 private:
  std::shared_ptr<StoreData> m_store;
  std::shared_ptr<FolderNode> m_node;
};

class StoreRef {
 public:
  explicit StoreRef(std::shared_ptr<StoreData> store);

  std::string DisplayName() const;
  EntryIdBytes EntryId() const;
  bool IsDefault() const;
  // Sets PR_DEFAULT_STORE; other stores keep theirs.
  void SetDefault(bool isDefault);

  FolderRef Root() const;
  // Throws std::runtime_error after RemoveIpmSubtree.
  FolderRef IpmSubtree() const;
  // The store then answers PR_IPM_SUBTREE_ENTRYID with MAPI_E_NOT_FOUND; the folder
  // stays in the tree.
  void RemoveIpmSubtree();

  // Below the IPM subtree; see FolderRef.
  FolderRef AddFolder(const std::string& path) { return IpmSubtree().AddFolder(path); }
  FolderRef Folder(const std::string& path) const { return IpmSubtree().Folder(path); }
  std::optional<FolderRef> FindFolder(const std::string& path) const { return IpmSubtree().FindFolder(path); }

  // The receive folder for a message class ("" is the store's default receive folder).
  void SetReceiveFolder(const std::string& messageClass, const FolderRef& folder);

 private:
  std::shared_ptr<StoreData> m_store;
};

class Profile {
 public:
  Profile();
  ~Profile();
  Profile(const Profile&) = delete;
  Profile& operator=(const Profile&) = delete;

  // A store with a root folder and an IPM subtree; the stores table lists stores in the
  // order they were added.
  StoreRef AddStore(const std::string& displayName, bool isDefault = false);
  // Throws std::runtime_error when no store has the name.
  StoreRef Store(const std::string& displayName) const;
  std::vector<StoreRef> Stores() const;

  // A new session on this profile (one reference, which the caller owns).
  platform::ComPtr<IMAPISession> Logon();

  FaultTable& Faults();

 private:
  std::shared_ptr<World> m_world;
};

}  // namespace memstore
