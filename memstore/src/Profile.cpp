// Building profiles and reading them back.
#include "memstore/Profile.h"

#include <cstring>
#include <stdexcept>

#include "Model.h"
#include "Session.h"

namespace memstore {
namespace {

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = path.find('/', start);
    const std::size_t end = slash == std::string::npos ? path.size() : slash;
    if (end > start) {
      parts.push_back(path.substr(start, end - start));
    }
    if (slash == std::string::npos) {
      break;
    }
    start = slash + 1;
  }
  return parts;
}

std::shared_ptr<FolderNode> ChildNamed(const FolderNode& parent, const std::string& name) {
  for (const auto& child : parent.children) {
    if (DisplayNameOf(*child) == name) {
      return child;
    }
  }
  return nullptr;
}

void RequireLive(const FolderNode& folder, const char* what) {
  if (folder.deleted) {
    throw std::runtime_error(std::string(what) + ": folder \"" + FolderName(folder) + "\" has been deleted");
  }
}

}  // namespace

// ---- MessageRef ------------------------------------------------------------------
MessageRef::MessageRef(std::shared_ptr<StoreData> store, std::shared_ptr<MessageNode> node)
    : m_store(std::move(store)), m_node(std::move(node)) {}

EntryIdBytes MessageRef::EntryId() const {
  return MessageEntryId(*m_store, *m_node);
}

bool MessageRef::IsAssociated() const {
  return m_node->associated;
}

const PropSet& MessageRef::Props() const {
  return m_node->props;
}

std::string MessageRef::Name() const {
  return MessageName(*m_node);
}

// ---- FolderRef -------------------------------------------------------------------
FolderRef::FolderRef(std::shared_ptr<StoreData> store, std::shared_ptr<FolderNode> node)
    : m_store(std::move(store)), m_node(std::move(node)) {}

FolderRef FolderRef::AddChild(const std::string& displayName) {
  RequireLive(*m_node, "AddChild");
  return FolderRef(m_store, NewFolder(*m_node, displayName));
}

FolderRef FolderRef::AddUnnamedChild() {
  RequireLive(*m_node, "AddUnnamedChild");
  return FolderRef(m_store, NewFolder(*m_node, std::nullopt));
}

FolderRef FolderRef::AddFolder(const std::string& path) {
  RequireLive(*m_node, "AddFolder");
  std::shared_ptr<FolderNode> node = m_node;
  for (const std::string& part : SplitPath(path)) {
    std::shared_ptr<FolderNode> next = ChildNamed(*node, part);
    node = next ? next : NewFolder(*node, part);
  }
  return FolderRef(m_store, node);
}

std::optional<FolderRef> FolderRef::FindFolder(const std::string& path) const {
  std::shared_ptr<FolderNode> node = m_node;
  for (const std::string& part : SplitPath(path)) {
    node = ChildNamed(*node, part);
    if (!node) {
      return std::nullopt;
    }
  }
  return FolderRef(m_store, node);
}

FolderRef FolderRef::Folder(const std::string& path) const {
  if (std::optional<FolderRef> folder = FindFolder(path)) {
    return *folder;
  }
  throw std::runtime_error("no folder \"" + path + "\" below \"" + Name() + "\"");
}

std::vector<FolderRef> FolderRef::Children() const {
  std::vector<FolderRef> children;
  for (const auto& child : m_node->children) {
    children.emplace_back(m_store, child);
  }
  return children;
}

std::optional<std::string> FolderRef::DisplayName() const {
  return DisplayNameOf(*m_node);
}

std::string FolderRef::Name() const {
  return FolderName(*m_node);
}

EntryIdBytes FolderRef::EntryId() const {
  return FolderEntryId(*m_node);
}

bool FolderRef::IsDeleted() const {
  return m_node->deleted;
}

void FolderRef::Rename(const std::string& displayName) {
  m_node->props.Set(PropValue::String(PR_DISPLAY_NAME_A, displayName));
}

void FolderRef::RemoveDisplayName() {
  m_node->props.Erase(PR_DISPLAY_NAME_A);
}

void FolderRef::SetProp(PropValue value) {
  m_node->props.Set(std::move(value));
}

void FolderRef::MoveTo(const FolderRef& newParent) {
  RequireLive(*m_node, "MoveTo");
  RequireLive(*newParent.m_node, "MoveTo");
  if (newParent.m_store != m_store) {
    throw std::runtime_error("MoveTo: folders move within their store");
  }
  if (m_node == m_store->root) {
    throw std::runtime_error("MoveTo: the root folder cannot move");
  }
  if (FAILED(memstore::MoveFolder(m_node, newParent.m_node))) {
    throw std::runtime_error("MoveTo: \"" + newParent.Name() + "\" lies below \"" + Name() + "\"");
  }
}

void FolderRef::Delete() {
  if (m_node == m_store->root) {
    throw std::runtime_error("Delete: the root folder cannot be deleted");
  }
  if (!m_node->deleted) {
    DeleteFolderTree(m_node);
  }
}

MessageRef FolderRef::AddMessage(const std::vector<PropValue>& props, bool associated) {
  RequireLive(*m_node, "AddMessage");
  std::shared_ptr<MessageNode> message = NewMessage(*m_node, associated);
  for (const PropValue& value : props) {
    message->props.Set(value);
  }
  ListMessage(*m_node, message);
  return MessageRef(m_store, message);
}

std::vector<MessageRef> FolderRef::Messages() const {
  std::vector<MessageRef> messages;
  for (const auto& message : m_node->messages) {
    messages.emplace_back(m_store, message);
  }
  return messages;
}

std::vector<MessageRef> FolderRef::AssociatedMessages() const {
  std::vector<MessageRef> messages;
  for (const auto& message : m_node->associated) {
    messages.emplace_back(m_store, message);
  }
  return messages;
}

// ---- StoreRef --------------------------------------------------------------------
StoreRef::StoreRef(std::shared_ptr<StoreData> store) : m_store(std::move(store)) {}

std::string StoreRef::DisplayName() const {
  return m_store->displayName;
}

EntryIdBytes StoreRef::EntryId() const {
  return StoreEntryId(*m_store);
}

bool StoreRef::IsDefault() const {
  return m_store->isDefault;
}

void StoreRef::SetDefault(bool isDefault) {
  m_store->isDefault = isDefault;
}

FolderRef StoreRef::Root() const {
  return FolderRef(m_store, m_store->root);
}

FolderRef StoreRef::IpmSubtree() const {
  if (!m_store->ipmSubtree) {
    throw std::runtime_error("store \"" + m_store->displayName + "\" has no IPM subtree");
  }
  return FolderRef(m_store, m_store->ipmSubtree);
}

void StoreRef::RemoveIpmSubtree() {
  m_store->ipmSubtree.reset();
}

void StoreRef::SetReceiveFolder(const std::string& messageClass, const FolderRef& folder) {
  const ParsedEntryId id = [&] {
    ParsedEntryId parsed;
    const EntryIdBytes bytes = folder.EntryId();
    ParseEntryId(static_cast<ULONG>(bytes.size()), reinterpret_cast<const ENTRYID*>(bytes.data()), &parsed);
    return parsed;
  }();
  if (std::memcmp(id.uid.ab, m_store->uid.ab, sizeof id.uid.ab) != 0) {
    throw std::runtime_error("SetReceiveFolder: the folder belongs to another store");
  }
  for (auto& entry : m_store->receiveFolders) {
    if (EqualIgnoringCase(entry.first, messageClass)) {
      entry.second = id.number;
      return;
    }
  }
  m_store->receiveFolders.emplace_back(messageClass, id.number);
}

// ---- Profile ---------------------------------------------------------------------
Profile::Profile() : m_world(std::make_shared<World>()) {}

Profile::~Profile() = default;

StoreRef Profile::AddStore(const std::string& displayName, bool isDefault) {
  return StoreRef(NewStore(*m_world, displayName, isDefault));
}

StoreRef Profile::Store(const std::string& displayName) const {
  for (const auto& store : m_world->stores) {
    if (store->displayName == displayName) {
      return StoreRef(store);
    }
  }
  throw std::runtime_error("no store \"" + displayName + "\" in the profile");
}

std::vector<StoreRef> Profile::Stores() const {
  std::vector<StoreRef> stores;
  for (const auto& store : m_world->stores) {
    stores.emplace_back(store);
  }
  return stores;
}

platform::ComPtr<IMAPISession> Profile::Logon() {
  return platform::ComPtr<IMAPISession>::Attach(new Session(m_world));
}

FaultTable& Profile::Faults() {
  return m_world->faults;
}

}  // namespace memstore
