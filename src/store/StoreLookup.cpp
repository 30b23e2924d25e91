// Finding things in the user's profile: the default store, a folder by its entry
// identifier, a folder below another by a path of display names. Every lookup reports
// its own failures and answers with an empty or null result.
#include "diagnostics/ExceptionReporter.h"
#include "diagnostics/Exceptions.h"
#include "extension/ExchRuleExt.h"
#include "store/FolderPathText.h"

namespace pellacorm {
namespace {

// The stores table's columns for finding the default store.
enum StoreColumn : ULONG { kStoreEntryId, kStoreIsDefault, kStoreColumnCount };
const SizedSPropTagArray(kStoreColumnCount, kStoreColumns) = {kStoreColumnCount,
                                                              {PR_ENTRYID, PR_DEFAULT_STORE}};

// A hierarchy table's columns for finding a subfolder by name.
enum FolderColumn : ULONG { kFolderDisplayName, kFolderEntryId, kFolderColumnCount };
const SizedSPropTagArray(kFolderColumnCount, kFolderColumns) = {kFolderColumnCount,
                                                                {PR_DISPLAY_NAME_A, PR_ENTRYID}};

LPSPropTagArray Columns(const void* sized) {
  return const_cast<LPSPropTagArray>(static_cast<const SPropTagArray*>(sized));
}

// The entry identifier of the first row whose display name equals `name` ignoring case;
// empty when none does.
EntryID FindSubfolder(const SRowSet& rows, const std::string& name) {
  EntryID found;
  for (ULONG i = 0; i < rows.cRows; ++i) {
    const SRow& row = rows.aRow[i];
    if (row.cValues < kFolderColumnCount || row.lpProps[kFolderDisplayName].ulPropTag != PR_DISPLAY_NAME_A ||
        row.lpProps[kFolderEntryId].ulPropTag != PR_ENTRYID) {
      continue;
    }
    const char* displayName = row.lpProps[kFolderDisplayName].Value.lpszA;
    if (displayName != nullptr && lstrcmpiA(displayName, name.c_str()) == 0) {
      found = row.lpProps[kFolderEntryId].Value.bin;
      break;
    }
  }
  return found;
}

}  // namespace

EntryID CExchRuleExt::GetDefaultDatastoreEID(IMAPISession* session) {
  EntryID result;
  ComPtr<IMAPITable> table;
  RowSetPtr rows;
  if (session == nullptr) {
    return result;  // binding asks only once it holds a session
  }
  try {
    HRESULT hr = session->GetMsgStoresTable(0, table.Put());
    if (FAILED(hr)) {
      throw MAPIException(hr, session, raise::kStoresTable);
    }

    SPropValue isDefault{};
    isDefault.ulPropTag = PR_DEFAULT_STORE;
    isDefault.Value.b = TRUE;
    SRestriction onlyDefault{};
    onlyDefault.rt = RES_PROPERTY;
    onlyDefault.res.resProperty.relop = RELOP_EQ;
    onlyDefault.res.resProperty.ulPropTag = PR_DEFAULT_STORE;
    onlyDefault.res.resProperty.lpProp = &isDefault;
    hr = HrQueryAllRows(table.Get(), Columns(&kStoreColumns), &onlyDefault, nullptr, 0,
                        OutArg<RowSetPtr>(rows));
    if (FAILED(hr)) {
      throw MAPIException(hr, table.Get(), raise::kStoresRows);
    }

    // Only the first row counts, even when several stores claim to be the default.
    if (!rows || rows->cRows == 0 || rows->aRow[0].cValues == 0 ||
        rows->aRow[0].lpProps[kStoreEntryId].ulPropTag != PR_ENTRYID) {
      throw ProgramException(raise::kNoDefaultStore);
    }
    result = rows->aRow[0].lpProps[kStoreEntryId].Value.bin;
  } catch (const BaseException& e) {
    rows.reset();
    table.Reset();
    ExceptionReporter::Instance().Report(e);
  }
  return result;
}

// The lookup takes its own reference to the store and its own copy of the identifier,
// held for its whole run whatever the caller does meanwhile.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
ComPtr<IMAPIFolder> CExchRuleExt::GetFolder(ComPtr<IMsgStore> store, EntryID entryId, bool modify) {
  ComPtr<IMAPIFolder> folder;
  try {
    if (entryId.IsEmpty()) {
      throw ProgramException(raise::kInvalidEntryId);
    }
    if (!store) {
      return folder;
    }
    ULONG objectType = 0;
    const HRESULT hr = store->OpenEntry(entryId.cb(), entryId.lpEntryID(), nullptr, modify ? MAPI_MODIFY : 0,
                                        &objectType, reinterpret_cast<LPUNKNOWN*>(folder.Put()));
    if (FAILED(hr)) {
      folder.Detach();  // a failed call hands out no reference, whatever it left in the pointer
      throw MAPIException(hr, store.Get(), raise::kOpenFolder);
    }
  } catch (const BaseException& e) {
    ExceptionReporter::Instance().Report(e);
  }
  return folder;
}

ComPtr<IMAPIFolder> CExchRuleExt::GetFolder(ComPtr<IMAPIFolder> parent, std::string path) {
  // Walks down one component at a time. A path may hold any number of components, so
  // the walk is a loop rather than a recursion whose depth the path would decide.
  ComPtr<IMAPIFolder> current = std::move(parent);
  if (!current) {
    return nullptr;
  }
  try {
    for (;;) {
      path = TrimFolderPath(path);
      const std::size_t separator = FindFolderSeparator(path);
      const bool isLast = separator == std::string::npos;
      const std::string component = isLast ? path : path.substr(0, separator);

      EntryID subfolderId;
      {
        ComPtr<IMAPITable> table;
        HRESULT hr = current->GetHierarchyTable(0, table.Put());
        if (FAILED(hr)) {
          table.Detach();
          throw MAPIException(hr, static_cast<LPMAPIPROP>(current.Get()), raise::kPathHierarchyTable);
        }
        RowSetPtr rows;
        hr = HrQueryAllRows(table.Get(), Columns(&kFolderColumns), nullptr, nullptr, 0,
                            OutArg<RowSetPtr>(rows));
        if (FAILED(hr)) {
          throw MAPIException(hr, table.Get(), raise::kPathRows);
        }
        subfolderId = FindSubfolder(*rows, component);
      }
      if (subfolderId.IsEmpty()) {
        return nullptr;  // not there: no report, nothing created
      }

      ComPtr<IMAPIFolder> subfolder;
      ULONG objectType = 0;
      const HRESULT hr = current->OpenEntry(subfolderId.cb(), subfolderId.lpEntryID(), nullptr, MAPI_MODIFY,
                                            &objectType, reinterpret_cast<LPUNKNOWN*>(subfolder.Put()));
      if (FAILED(hr)) {
        subfolder.Detach();
        throw MAPIException(hr, static_cast<LPMAPIPROP>(current.Get()), raise::kPathOpenFolder);
      }
      if (isLast) {
        return subfolder;
      }
      path.erase(0, separator + 1);
      current = std::move(subfolder);
    }
  } catch (const BaseException& e) {
    ExceptionReporter::Instance().Report(e);
  }
  return nullptr;
}

}  // namespace pellacorm
