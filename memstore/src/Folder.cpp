// IMAPIFolder.
#include "Folder.h"

#include <cstring>
#include <functional>

#include "Constants.h"
#include "Message.h"
#include "Store.h"
#include "Table.h"

namespace memstore {
namespace {

std::vector<ULONG> DefaultColumns(std::vector<ULONG> columns, ULONG flags) {
  if ((flags & MAPI_UNICODE) != 0) {
    for (ULONG& tag : columns) {
      if (PROP_TYPE(tag) == PT_STRING8) {
        tag = CHANGE_PROP_TYPE(tag, PT_UNICODE);
      }
    }
  }
  return columns;
}

void AddHierarchyRows(const FolderNode& folder, LONG depth, bool deep, std::vector<TableRow>* rows) {
  for (const auto& child : folder.children) {
    PropSet props = FolderProps(*child);
    props.Set(PropValue::Long(kPrDepth, depth));
    rows->push_back({std::move(props), child->number});
    if (deep) {
      AddHierarchyRows(*child, depth + 1, deep, rows);
    }
  }
}

bool HoldsMessages(const FolderNode& folder) {
  if (!folder.messages.empty() || !folder.associated.empty()) {
    return true;
  }
  for (const auto& child : folder.children) {
    if (HoldsMessages(*child)) {
      return true;
    }
  }
  return false;
}

}  // namespace

Folder::Folder(std::shared_ptr<World> world, std::shared_ptr<StoreData> store,
               std::shared_ptr<FolderNode> node, bool modify, bool storeWritable)
    : PropObject<IMAPIFolder>(std::move(world), ObjectKind::Folder,
                              [store, node] { return FolderName(*node); }),
      m_store(std::move(store)),
      m_node(std::move(node)),
      m_modify(modify),
      m_storeWritable(storeWritable) {}

bool Folder::Answers(REFIID riid) const {
  return SameIid(riid, IID_IMAPIFolder) || SameIid(riid, IID_IMAPIContainer) || SameIid(riid, IID_IMAPIProp);
}

HRESULT Folder::CheckUsable(const char* operation) {
  if (m_node->deleted) {
    return Fail(operation, MAPI_E_OBJECT_DELETED, "the folder has been deleted");
  }
  return S_OK;
}

std::shared_ptr<FolderNode> Folder::Subfolder(ULONG cbEntryID, const ENTRYID* lpEntryID) const {
  ParsedEntryId id;
  if (FAILED(ParseEntryId(cbEntryID, lpEntryID, &id)) || id.objectType != MAPI_FOLDER ||
      std::memcmp(id.uid.ab, m_store->uid.ab, sizeof id.uid.ab) != 0) {
    return nullptr;
  }
  std::shared_ptr<FolderNode> folder = LiveFolder(*m_store, id.number);
  return folder && folder->parent.lock() == m_node ? folder : nullptr;
}

STDMETHODIMP Folder::GetContentsTable(ULONG ulFlags, LPMAPITABLE* lppTable) {
  if (lppTable == nullptr) {
    return Fail("GetContentsTable", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lppTable = nullptr;
  HRESULT hr = Enter("GetContentsTable");
  if (FAILED(hr) || FAILED(hr = CheckUsable("GetContentsTable"))) {
    return hr;
  }
  const bool associated = (ulFlags & MAPI_ASSOCIATED) != 0;
  auto store = m_store;
  auto node = m_node;
  RowSource rows = [store, node, associated] {
    std::vector<TableRow> result;
    if (node->deleted) {
      return result;
    }
    for (const auto& message : associated ? node->associated : node->messages) {
      result.push_back({MessageProps(*store, *message, message->props), message->number});
    }
    return result;
  };
  return NewTable(
      TheWorld(),
      [node, associated] { return FolderName(*node) + (associated ? "#associated" : "#contents"); },
      std::move(rows),
      DefaultColumns({PR_ENTRYID, PR_MESSAGE_CLASS_A, PR_SUBJECT_A, PR_MESSAGE_FLAGS, PR_INSTANCE_KEY},
                     ulFlags),
      lppTable);
}

STDMETHODIMP Folder::GetHierarchyTable(ULONG ulFlags, LPMAPITABLE* lppTable) {
  if (lppTable == nullptr) {
    return Fail("GetHierarchyTable", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lppTable = nullptr;
  HRESULT hr = Enter("GetHierarchyTable");
  if (FAILED(hr) || FAILED(hr = CheckUsable("GetHierarchyTable"))) {
    return hr;
  }
  const bool deep = (ulFlags & kConvenientDepth) != 0;
  auto node = m_node;
  RowSource rows = [node, deep] {
    std::vector<TableRow> result;
    if (!node->deleted) {
      AddHierarchyRows(*node, 1, deep, &result);
    }
    return result;
  };
  return NewTable(
      TheWorld(), [node] { return FolderName(*node) + "#hierarchy"; }, std::move(rows),
      DefaultColumns({PR_ENTRYID, PR_DISPLAY_NAME_A, PR_OBJECT_TYPE, PR_FOLDER_TYPE, PR_CONTENT_COUNT,
                      PR_SUBFOLDERS, kPrDepth, PR_INSTANCE_KEY},
                     ulFlags),
      lppTable);
}

STDMETHODIMP Folder::OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                               ULONG* lpulObjType, LPUNKNOWN* lppUnk) {
  if (lppUnk == nullptr) {
    return Fail("OpenEntry", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lppUnk = nullptr;
  if (lpulObjType != nullptr) {
    *lpulObjType = 0;
  }
  HRESULT hr = Enter("OpenEntry");
  if (FAILED(hr) || FAILED(hr = CheckUsable("OpenEntry"))) {
    return hr;
  }
  std::string why;
  if (FAILED(hr = OpenInStore(TheWorld(), m_store, m_storeWritable, cbEntryID, lpEntryID, lpInterface,
                              ulFlags, lpulObjType, lppUnk, &why))) {
    return Fail("OpenEntry", hr, why);
  }
  return S_OK;
}

STDMETHODIMP Folder::SetSearchCriteria(LPSRestriction, LPENTRYLIST, ULONG) {
  return Unsupported("SetSearchCriteria");
}

STDMETHODIMP Folder::GetSearchCriteria(ULONG, LPSRestriction* lppRestriction, LPENTRYLIST* lppContainerList,
                                       ULONG* lpulSearchState) {
  if (lppRestriction != nullptr) {
    *lppRestriction = nullptr;
  }
  if (lppContainerList != nullptr) {
    *lppContainerList = nullptr;
  }
  if (lpulSearchState != nullptr) {
    *lpulSearchState = 0;
  }
  return Unsupported("GetSearchCriteria");
}

STDMETHODIMP Folder::CreateMessage(LPCIID lpInterface, ULONG ulFlags, LPMESSAGE* lppMessage) {
  if (lppMessage == nullptr) {
    return Fail("CreateMessage", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lppMessage = nullptr;
  HRESULT hr = Enter("CreateMessage");
  if (FAILED(hr) || FAILED(hr = CheckUsable("CreateMessage")) ||
      FAILED(hr = CheckWritable("CreateMessage"))) {
    return hr;
  }
  auto* message =
      new Message(TheWorld(), m_store, NewMessage(*m_node, (ulFlags & MAPI_ASSOCIATED) != 0), m_node, true);
  if (!AnswersInterface(*message, lpInterface)) {
    message->Release();
    return Fail("CreateMessage", MAPI_E_INTERFACE_NOT_SUPPORTED,
                "a message does not answer the interface asked");
  }
  *lppMessage = message;
  return S_OK;
}

STDMETHODIMP Folder::CopyMessages(LPENTRYLIST, LPCIID, LPVOID, ULONG, LPMAPIPROGRESS, ULONG) {
  return Unsupported("CopyMessages");
}

STDMETHODIMP Folder::DeleteMessages(LPENTRYLIST lpMsgList, ULONG, LPMAPIPROGRESS, ULONG) {
  if (lpMsgList == nullptr) {
    return Fail("DeleteMessages", MAPI_E_INVALID_PARAMETER, "no entry list");
  }
  HRESULT hr = Enter("DeleteMessages");
  if (FAILED(hr) || FAILED(hr = CheckUsable("DeleteMessages")) ||
      FAILED(hr = CheckWritable("DeleteMessages"))) {
    return hr;
  }
  bool partial = false;
  for (ULONG i = 0; i < lpMsgList->cValues; ++i) {
    const SBinary& entry = lpMsgList->lpbin[i];
    ParsedEntryId id;
    std::shared_ptr<MessageNode> message;
    if (SUCCEEDED(ParseEntryId(entry.cb, reinterpret_cast<const ENTRYID*>(entry.lpb), &id)) &&
        id.objectType == MAPI_MESSAGE && std::memcmp(id.uid.ab, m_store->uid.ab, sizeof id.uid.ab) == 0) {
      message = LiveMessage(*m_store, id.number);
    }
    if (!message || message->folder.lock() != m_node) {
      partial = true;
      continue;
    }
    DeleteMessage(*m_node, message);
  }
  return partial ? kMapiWPartialCompletion : S_OK;
}

STDMETHODIMP Folder::CreateFolder(ULONG ulFolderType, LPTSTR lpszFolderName, LPTSTR lpszFolderComment,
                                  LPCIID lpInterface, ULONG ulFlags, LPMAPIFOLDER* lppFolder) {
  if (lppFolder == nullptr) {
    return Fail("CreateFolder", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lppFolder = nullptr;
  HRESULT hr = Enter("CreateFolder");
  if (FAILED(hr) || FAILED(hr = CheckUsable("CreateFolder")) || FAILED(hr = CheckWritable("CreateFolder"))) {
    return hr;
  }
  if (ulFolderType == FOLDER_SEARCH) {
    return Fail("CreateFolder", MAPI_E_NO_SUPPORT, "search folders are not supported");
  }
  if (ulFolderType != FOLDER_GENERIC) {
    return Fail("CreateFolder", MAPI_E_INVALID_PARAMETER, "unknown folder type");
  }
  const std::string name = ArgumentString(lpszFolderName, ulFlags);
  if (name.empty()) {
    return Fail("CreateFolder", MAPI_E_INVALID_PARAMETER, "no folder name");
  }
  std::shared_ptr<FolderNode> node = ChildNamedIgnoringCase(*m_node, name);
  if (node && (ulFlags & kOpenIfExists) == 0) {
    return Fail("CreateFolder", MAPI_E_COLLISION, "a subfolder named \"" + name + "\" exists");
  }
  if (!node) {
    node = NewFolder(*m_node, name);
    if (lpszFolderComment != nullptr) {
      node->props.Set(PropValue::String(kPrCommentA, ArgumentString(lpszFolderComment, ulFlags)));
    }
  }
  auto* folder = new Folder(TheWorld(), m_store, node, true, m_storeWritable);
  if (!AnswersInterface(*folder, lpInterface)) {
    folder->Release();
    return Fail("CreateFolder", MAPI_E_INTERFACE_NOT_SUPPORTED,
                "a folder does not answer the interface asked");
  }
  *lppFolder = folder;
  return S_OK;
}

// Moves only (FOLDER_MOVE), within the store, as the tests need.
STDMETHODIMP Folder::CopyFolder(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID, LPVOID lpDestFolder,
                                LPTSTR lpszNewFolderName, ULONG, LPMAPIPROGRESS, ULONG ulFlags) {
  HRESULT hr = Enter("CopyFolder");
  if (FAILED(hr) || FAILED(hr = CheckUsable("CopyFolder")) || FAILED(hr = CheckWritable("CopyFolder"))) {
    return hr;
  }
  if ((ulFlags & kFolderMove) == 0) {
    return Fail("CopyFolder", MAPI_E_NO_SUPPORT, "memstore moves folders but does not copy them");
  }
  std::shared_ptr<FolderNode> moving = Subfolder(cbEntryID, lpEntryID);
  if (!moving) {
    return Fail("CopyFolder", MAPI_E_NOT_FOUND, "not a subfolder of this folder");
  }
  auto* destination = dynamic_cast<Folder*>(static_cast<IMAPIFolder*>(lpDestFolder));
  if (destination == nullptr) {
    return Fail("CopyFolder", MAPI_E_INVALID_PARAMETER, "the destination is not a memstore folder");
  }
  if (destination->m_store != m_store) {
    return Fail("CopyFolder", MAPI_E_NO_SUPPORT, "moving a folder to another store");
  }
  if (destination->m_node->deleted) {
    return Fail("CopyFolder", MAPI_E_OBJECT_DELETED, "the destination folder has been deleted");
  }
  if (!destination->m_modify) {
    return Fail("CopyFolder", MAPI_E_NO_ACCESS, "the destination folder is open for reading only");
  }
  const std::string newName = lpszNewFolderName != nullptr ? ArgumentString(lpszNewFolderName, ulFlags)
                                                           : DisplayNameOf(*moving).value_or("");
  std::shared_ptr<FolderNode> clash = ChildNamedIgnoringCase(*destination->m_node, newName);
  if (clash && clash != moving) {
    return Fail("CopyFolder", MAPI_E_COLLISION, "the destination has a subfolder named \"" + newName + "\"");
  }
  if (FAILED(hr = MoveFolder(moving, destination->m_node))) {
    return Fail("CopyFolder", hr, "the destination lies below the folder moved");
  }
  if (lpszNewFolderName != nullptr) {
    moving->props.Set(PropValue::String(PR_DISPLAY_NAME_A, newName));
  }
  return S_OK;
}

STDMETHODIMP Folder::DeleteFolder(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG, LPMAPIPROGRESS,
                                  ULONG ulFlags) {
  HRESULT hr = Enter("DeleteFolder");
  if (FAILED(hr) || FAILED(hr = CheckUsable("DeleteFolder")) || FAILED(hr = CheckWritable("DeleteFolder"))) {
    return hr;
  }
  std::shared_ptr<FolderNode> doomed = Subfolder(cbEntryID, lpEntryID);
  if (!doomed) {
    return Fail("DeleteFolder", MAPI_E_NOT_FOUND, "not a subfolder of this folder");
  }
  if (!doomed->children.empty() && (ulFlags & kDelFolders) == 0) {
    return Fail("DeleteFolder", MAPI_E_HAS_FOLDERS,
                "the folder has subfolders and DEL_FOLDERS was not given");
  }
  if (HoldsMessages(*doomed) && (ulFlags & kDelMessages) == 0) {
    return Fail("DeleteFolder", MAPI_E_HAS_MESSAGES,
                "the folder or one below it has messages and DEL_MESSAGES was not given");
  }
  DeleteFolderTree(doomed);
  return S_OK;
}

STDMETHODIMP Folder::SetReadFlags(LPENTRYLIST, ULONG, LPMAPIPROGRESS, ULONG) {
  return Unsupported("SetReadFlags");
}

STDMETHODIMP Folder::GetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG* lpulMessageStatus) {
  if (lpulMessageStatus != nullptr) {
    *lpulMessageStatus = 0;
  }
  return Unsupported("GetMessageStatus");
}

STDMETHODIMP Folder::SetMessageStatus(ULONG, LPENTRYID, ULONG, ULONG, ULONG* lpulOldStatus) {
  if (lpulOldStatus != nullptr) {
    *lpulOldStatus = 0;
  }
  return Unsupported("SetMessageStatus");
}

STDMETHODIMP Folder::SaveContentsSort(LPSSortOrderSet, ULONG) {
  return Unsupported("SaveContentsSort");
}

STDMETHODIMP Folder::EmptyFolder(ULONG, LPMAPIPROGRESS, ULONG ulFlags) {
  HRESULT hr = Enter("EmptyFolder");
  if (FAILED(hr) || FAILED(hr = CheckUsable("EmptyFolder")) || FAILED(hr = CheckWritable("EmptyFolder"))) {
    return hr;
  }
  while (!m_node->messages.empty()) {
    DeleteMessage(*m_node, m_node->messages.front());
  }
  while ((ulFlags & kDelAssociated) != 0 && !m_node->associated.empty()) {
    DeleteMessage(*m_node, m_node->associated.front());
  }
  while (!m_node->children.empty()) {
    DeleteFolderTree(m_node->children.front());
  }
  return S_OK;
}

}  // namespace memstore
