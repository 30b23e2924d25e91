// IMAPISession.
#include "Session.h"

#include "Constants.h"
#include "Store.h"
#include "Table.h"

namespace memstore {

Session::Session(std::shared_ptr<World> world)
    : ComObject<IMAPISession>(std::move(world), ObjectKind::Session, [] { return std::string("session"); }) {}

bool Session::Answers(REFIID riid) const {
  return SameIid(riid, IID_IMAPISession);
}

HRESULT Session::CheckLoggedOn(const char* operation) {
  if (m_loggedOff) {
    return Fail(operation, MAPI_E_END_OF_SESSION, "the session has logged off");
  }
  return S_OK;
}

STDMETHODIMP Session::GetMsgStoresTable(ULONG ulFlags, LPMAPITABLE* lppTable) {
  if (lppTable == nullptr) {
    return Fail("GetMsgStoresTable", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lppTable = nullptr;
  HRESULT hr = Enter("GetMsgStoresTable");
  if (FAILED(hr) || FAILED(hr = CheckLoggedOn("GetMsgStoresTable"))) {
    return hr;
  }
  std::shared_ptr<World> world = TheWorld();
  RowSource rows = [world] {
    std::vector<TableRow> result;
    for (const auto& store : world->stores) {
      result.push_back({StoreTableRow(*store), store->number});
    }
    return result;
  };
  const ULONG nameType = (ulFlags & MAPI_UNICODE) != 0 ? PT_UNICODE : PT_STRING8;
  return NewTable(
      world, [] { return std::string("session#stores"); }, std::move(rows),
      {PR_ENTRYID, CHANGE_PROP_TYPE(PR_DISPLAY_NAME_A, nameType), PR_DEFAULT_STORE, kPrResourceFlags,
       PR_RECORD_KEY, PR_OBJECT_TYPE, kPrMdbProvider, PR_INSTANCE_KEY},
      lppTable);
}

STDMETHODIMP Session::OpenMsgStore(ULONG_PTR, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                                   ULONG ulFlags, LPMDB* lppMDB) {
  if (lppMDB == nullptr) {
    return Fail("OpenMsgStore", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lppMDB = nullptr;
  HRESULT hr = Enter("OpenMsgStore");
  if (FAILED(hr) || FAILED(hr = CheckLoggedOn("OpenMsgStore"))) {
    return hr;
  }
  ParsedEntryId id;
  if (FAILED(ParseEntryId(cbEntryID, lpEntryID, &id)) || id.objectType != MAPI_STORE) {
    return Fail("OpenMsgStore", MAPI_E_INVALID_ENTRYID, "not the entry identifier of a memstore store");
  }
  std::shared_ptr<StoreData> data = FindStore(*TheWorld(), id.uid);
  if (!data) {
    return Fail("OpenMsgStore", MAPI_E_NOT_FOUND, "no such store in the profile");
  }
  auto* store = new Store(TheWorld(), data, (ulFlags & (MDB_WRITE | MAPI_BEST_ACCESS)) != 0);
  if (!AnswersInterface(*store, lpInterface)) {
    store->Release();
    return Fail("OpenMsgStore", MAPI_E_INTERFACE_NOT_SUPPORTED,
                "a store does not answer the interface asked");
  }
  *lppMDB = store;
  return S_OK;
}

STDMETHODIMP Session::OpenAddressBook(ULONG_PTR, LPCIID, ULONG, LPADRBOOK* lppAdrBook) {
  if (lppAdrBook != nullptr) {
    *lppAdrBook = nullptr;
  }
  return Unsupported("OpenAddressBook");
}

STDMETHODIMP Session::OpenProfileSection(LPMAPIUID, LPCIID, ULONG, LPPROFSECT* lppProfSect) {
  if (lppProfSect != nullptr) {
    *lppProfSect = nullptr;
  }
  return Unsupported("OpenProfileSection");
}

STDMETHODIMP Session::GetStatusTable(ULONG, LPMAPITABLE* lppTable) {
  if (lppTable != nullptr) {
    *lppTable = nullptr;
  }
  return Unsupported("GetStatusTable");
}

// Stores open writable with MAPI_MODIFY or MAPI_BEST_ACCESS; folders and messages as
// their store would open them if it were writable.
STDMETHODIMP Session::OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                                ULONG* lpulObjType, LPUNKNOWN* lppUnk) {
  if (lppUnk == nullptr) {
    return Fail("OpenEntry", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lppUnk = nullptr;
  if (lpulObjType != nullptr) {
    *lpulObjType = 0;
  }
  HRESULT hr = Enter("OpenEntry");
  if (FAILED(hr) || FAILED(hr = CheckLoggedOn("OpenEntry"))) {
    return hr;
  }
  ParsedEntryId id;
  if (FAILED(ParseEntryId(cbEntryID, lpEntryID, &id))) {
    return Fail("OpenEntry", MAPI_E_UNKNOWN_ENTRYID, "not a memstore entry identifier");
  }
  std::shared_ptr<StoreData> data = FindStore(*TheWorld(), id.uid);
  if (!data) {
    return Fail("OpenEntry", MAPI_E_NOT_FOUND, "no such store in the profile");
  }
  if (id.objectType == MAPI_STORE) {
    auto* store = new Store(TheWorld(), data, (ulFlags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0);
    if (!AnswersInterface(*store, lpInterface)) {
      store->Release();
      return Fail("OpenEntry", MAPI_E_INTERFACE_NOT_SUPPORTED, "a store does not answer the interface asked");
    }
    *lppUnk = static_cast<IMsgStore*>(store);
    if (lpulObjType != nullptr) {
      *lpulObjType = MAPI_STORE;
    }
    return S_OK;
  }
  std::string why;
  if (FAILED(hr = OpenInStore(TheWorld(), data, true, cbEntryID, lpEntryID, lpInterface, ulFlags, lpulObjType,
                              lppUnk, &why))) {
    return Fail("OpenEntry", hr, why);
  }
  return S_OK;
}

STDMETHODIMP Session::CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
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
    return Fail("CompareEntryIDs", MAPI_E_UNKNOWN_ENTRYID, "not a memstore entry identifier");
  }
  *lpulResult = same ? TRUE : FALSE;
  return S_OK;
}

STDMETHODIMP Session::Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG* lpulConnection) {
  if (lpulConnection != nullptr) {
    *lpulConnection = 0;
  }
  return Unsupported("Advise");
}

STDMETHODIMP Session::Unadvise(ULONG) {
  return Unsupported("Unadvise");
}

STDMETHODIMP Session::MessageOptions(ULONG_PTR, ULONG, LPTSTR, LPMESSAGE) {
  return Unsupported("MessageOptions");
}

STDMETHODIMP Session::QueryDefaultMessageOpt(LPTSTR, ULONG, ULONG* lpcValues, LPSPropValue* lppOptions) {
  if (lpcValues != nullptr) {
    *lpcValues = 0;
  }
  if (lppOptions != nullptr) {
    *lppOptions = nullptr;
  }
  return Unsupported("QueryDefaultMessageOpt");
}

STDMETHODIMP Session::EnumAdrTypes(ULONG, ULONG* lpcAdrTypes, LPTSTR** lpppszAdrTypes) {
  if (lpcAdrTypes != nullptr) {
    *lpcAdrTypes = 0;
  }
  if (lpppszAdrTypes != nullptr) {
    *lpppszAdrTypes = nullptr;
  }
  return Unsupported("EnumAdrTypes");
}

STDMETHODIMP Session::QueryIdentity(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) {
  if (lpcbEntryID != nullptr) {
    *lpcbEntryID = 0;
  }
  if (lppEntryID != nullptr) {
    *lppEntryID = nullptr;
  }
  return Unsupported("QueryIdentity");
}

STDMETHODIMP Session::Logoff(ULONG_PTR, ULONG, ULONG) {
  if (const HRESULT hr = Enter("Logoff"); FAILED(hr)) {
    return hr;
  }
  m_loggedOff = true;
  return S_OK;
}

STDMETHODIMP Session::SetDefaultStore(ULONG, ULONG, LPENTRYID) {
  return Unsupported("SetDefaultStore");
}

STDMETHODIMP Session::AdminServices(ULONG, LPSERVICEADMIN* lppServiceAdmin) {
  if (lppServiceAdmin != nullptr) {
    *lppServiceAdmin = nullptr;
  }
  return Unsupported("AdminServices");
}

STDMETHODIMP Session::ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE, ULONG, ULONG, ULONG,
                               ULONG, LPSTR) {
  return Unsupported("ShowForm");
}

STDMETHODIMP Session::PrepareForm(LPCIID, LPMESSAGE, ULONG* lpulMessageToken) {
  if (lpulMessageToken != nullptr) {
    *lpulMessageToken = 0;
  }
  return Unsupported("PrepareForm");
}

}  // namespace memstore
