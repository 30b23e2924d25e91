// IMsgStore.
#include "Store.h"

#include <algorithm>
#include <cstring>

#include "Folder.h"
#include "Message.h"

namespace memstore {

Store::Store(std::shared_ptr<World> world, std::shared_ptr<StoreData> store, bool writable)
    : PropObject<IMsgStore>(std::move(world), ObjectKind::Store, [store] { return store->displayName; }),
      m_store(std::move(store)),
      m_writable(writable) {}

bool Store::Answers(REFIID riid) const {
  return SameIid(riid, IID_IMsgStore) || SameIid(riid, IID_IMAPIProp);
}

PropSet Store::Props() const {
  return StoreProps(*m_store);
}

void Store::Write(const PropValue& value) {
  m_store->props.Set(value);
}

void Store::Remove(ULONG tag) {
  m_store->props.Erase(tag);
}

STDMETHODIMP Store::Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG* lpulConnection) {
  if (lpulConnection != nullptr) {
    *lpulConnection = 0;
  }
  return Unsupported("Advise");
}

STDMETHODIMP Store::Unadvise(ULONG) {
  return Unsupported("Unadvise");
}

STDMETHODIMP Store::CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
                                    LPENTRYID lpEntryID2, ULONG, ULONG* lpulResult) {
  if (lpulResult == nullptr) {
    return Fail("CompareEntryIDs", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lpulResult = FALSE;
  HRESULT hr = Enter("CompareEntryIDs");
  if (FAILED(hr)) {
    return hr;
  }
  bool same = false;
  if (FAILED(hr = SameEntry(cbEntryID1, lpEntryID1, cbEntryID2, lpEntryID2, &same))) {
    return Fail("CompareEntryIDs", hr, "not a memstore entry identifier");
  }
  *lpulResult = same ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP Store::OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                              ULONG* lpulObjType, LPUNKNOWN* lppUnk) {
  if (lppUnk == nullptr) {
    return Fail("OpenEntry", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lppUnk = nullptr;
  if (lpulObjType != nullptr) {
    *lpulObjType = 0;
  }
  HRESULT hr = Enter("OpenEntry");
  if (FAILED(hr)) {
    return hr;
  }
  std::string why;
  if (FAILED(hr = OpenInStore(TheWorld(), m_store, m_writable, cbEntryID, lpEntryID, lpInterface, ulFlags,
                              lpulObjType, lppUnk, &why))) {
    return Fail("OpenEntry", hr, why);
  }
  return S_OK;
}

STDMETHODIMP Store::SetReceiveFolder(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG cbEntryID,
                                     LPENTRYID lpEntryID) {
  HRESULT hr = Enter("SetReceiveFolder");
  if (FAILED(hr) || FAILED(hr = CheckWritable("SetReceiveFolder"))) {
    return hr;
  }
  const std::string messageClass = ArgumentString(lpszMessageClass, ulFlags);
  auto& folders = m_store->receiveFolders;
  auto existing = std::find_if(folders.begin(), folders.end(), [&](const auto& entry) {
    return EqualIgnoringCase(entry.first, messageClass);
  });
  if (lpEntryID == nullptr || cbEntryID == 0) {
    if (existing != folders.end()) {
      folders.erase(existing);
    }
    return S_OK;
  }
  ParsedEntryId id;
  if (FAILED(hr = ParseEntryId(cbEntryID, lpEntryID, &id)) || id.objectType != MAPI_FOLDER ||
      std::memcmp(id.uid.ab, m_store->uid.ab, sizeof id.uid.ab) != 0) {
    return Fail("SetReceiveFolder", MAPI_E_INVALID_ENTRYID, "not a folder of this store");
  }
  if (!LiveFolder(*m_store, id.number)) {
    return Fail("SetReceiveFolder", MAPI_E_NOT_FOUND, "the folder does not exist");
  }
  if (existing != folders.end()) {
    existing->second = id.number;
  } else {
    folders.emplace_back(messageClass, id.number);
  }
  return S_OK;
}

// The receive folder of the class or, failing that, of its nearest base class
// ("IPM.Note.X", "IPM.Note", "IPM", ""), as stores resolve it.
STDMETHODIMP Store::GetReceiveFolder(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG* lpcbEntryID,
                                     LPENTRYID* lppEntryID, LPTSTR* lppszExplicitClass) {
  if (lppszExplicitClass != nullptr) {
    *lppszExplicitClass = nullptr;
  }
  if (lpcbEntryID == nullptr || lppEntryID == nullptr) {
    return Fail("GetReceiveFolder", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lpcbEntryID = 0;
  *lppEntryID = nullptr;
  HRESULT hr = Enter("GetReceiveFolder");
  if (FAILED(hr)) {
    return hr;
  }
  const std::string asked = ArgumentString(lpszMessageClass, ulFlags);
  const auto& folders = m_store->receiveFolders;
  for (std::string candidate = asked;;) {
    auto match = std::find_if(folders.begin(), folders.end(),
                              [&](const auto& entry) { return EqualIgnoringCase(entry.first, candidate); });
    if (match != folders.end()) {
      ULONG cb = 0;
      LPENTRYID entryId = nullptr;
      if (FAILED(hr = ExportEntryId(FolderEntryIdOf(*m_store, match->second), &cb, &entryId))) {
        return Fail("GetReceiveFolder", hr, "out of MAPI memory");
      }
      if (lppszExplicitClass != nullptr &&
          FAILED(
              hr = ExportString(match->first, (ulFlags & MAPI_UNICODE) != 0, nullptr, lppszExplicitClass))) {
        MAPIFreeBuffer(entryId);
        return Fail("GetReceiveFolder", hr, "out of MAPI memory");
      }
      *lpcbEntryID = cb;
      *lppEntryID = entryId;
      return S_OK;
    }
    if (candidate.empty()) {
      break;
    }
    const std::size_t dot = candidate.rfind('.');
    candidate = dot == std::string::npos ? std::string() : candidate.substr(0, dot);
  }
  return Fail("GetReceiveFolder", MAPI_E_NOT_FOUND,
              "no receive folder for \"" + asked + "\" or its base classes");
}

STDMETHODIMP Store::GetReceiveFolderTable(ULONG, LPMAPITABLE* lppTable) {
  if (lppTable != nullptr) {
    *lppTable = nullptr;
  }
  return Unsupported("GetReceiveFolderTable");
}

STDMETHODIMP Store::StoreLogoff(ULONG* lpulFlags) {
  if (lpulFlags == nullptr) {
    return Fail("StoreLogoff", MAPI_E_INVALID_PARAMETER, "null flags");
  }
  return Enter("StoreLogoff");
}

STDMETHODIMP Store::AbortSubmit(ULONG, LPENTRYID, ULONG) {
  return Unsupported("AbortSubmit");
}

STDMETHODIMP Store::GetOutgoingQueue(ULONG, LPMAPITABLE* lppTable) {
  if (lppTable != nullptr) {
    *lppTable = nullptr;
  }
  return Unsupported("GetOutgoingQueue");
}

STDMETHODIMP Store::SetLockState(LPMESSAGE, ULONG) {
  return Unsupported("SetLockState");
}

STDMETHODIMP Store::FinishedMsg(ULONG, ULONG, LPENTRYID) {
  return Unsupported("FinishedMsg");
}

STDMETHODIMP Store::NotifyNewMail(LPNOTIFICATION) {
  return Unsupported("NotifyNewMail");
}

HRESULT OpenInStore(const std::shared_ptr<World>& world, const std::shared_ptr<StoreData>& store,
                    bool storeWritable, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                    ULONG ulFlags, ULONG* lpulObjType, LPUNKNOWN* lppUnk, std::string* why) {
  if ((ulFlags & MAPI_MODIFY) != 0 && !storeWritable) {
    *why = "MAPI_MODIFY asked of a store opened for reading only";
    return MAPI_E_NO_ACCESS;
  }
  const bool modify = (ulFlags & MAPI_MODIFY) != 0 || ((ulFlags & MAPI_BEST_ACCESS) != 0 && storeWritable);
  ParsedEntryId id;
  if (lpEntryID == nullptr || cbEntryID == 0) {
    id.uid = store->uid;
    id.objectType = MAPI_FOLDER;
    id.number = store->root->number;
  } else if (FAILED(ParseEntryId(cbEntryID, lpEntryID, &id)) ||
             std::memcmp(id.uid.ab, store->uid.ab, sizeof id.uid.ab) != 0 || id.objectType == MAPI_STORE) {
    *why = "not the entry identifier of a folder or message of this store";
    return MAPI_E_INVALID_ENTRYID;
  }
  if (id.objectType == MAPI_FOLDER) {
    std::shared_ptr<FolderNode> node = LiveFolder(*store, id.number);
    if (!node) {
      *why = "folder " + std::to_string(id.number) + " does not exist";
      return MAPI_E_NOT_FOUND;
    }
    auto* folder = new Folder(world, store, node, modify, storeWritable);
    if (!AnswersInterface(*folder, lpInterface)) {
      folder->Release();
      *why = "a folder does not answer the interface asked";
      return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    *lppUnk = static_cast<IMAPIFolder*>(folder);
    if (lpulObjType != nullptr) {
      *lpulObjType = MAPI_FOLDER;
    }
    return S_OK;
  }
  std::shared_ptr<MessageNode> node = LiveMessage(*store, id.number);
  std::shared_ptr<FolderNode> parent = node ? node->folder.lock() : nullptr;
  if (!node || !parent) {
    *why = "message " + std::to_string(id.number) + " does not exist";
    return MAPI_E_NOT_FOUND;
  }
  auto* message = new Message(world, store, node, parent, modify);
  if (!AnswersInterface(*message, lpInterface)) {
    message->Release();
    *why = "a message does not answer the interface asked";
    return MAPI_E_INTERFACE_NOT_SUPPORTED;
  }
  *lppUnk = static_cast<IMessage*>(message);
  if (lpulObjType != nullptr) {
    *lpulObjType = MAPI_MESSAGE;
  }
  return S_OK;
}

HRESULT SameEntry(ULONG cb1, const ENTRYID* id1, ULONG cb2, const ENTRYID* id2, bool* same) {
  ParsedEntryId a;
  ParsedEntryId b;
  if (FAILED(ParseEntryId(cb1, id1, &a)) || FAILED(ParseEntryId(cb2, id2, &b))) {
    return MAPI_E_INVALID_ENTRYID;
  }
  *same = std::memcmp(a.uid.ab, b.uid.ab, sizeof a.uid.ab) == 0 && a.objectType == b.objectType &&
          a.number == b.number;
  return S_OK;
}

}  // namespace memstore
