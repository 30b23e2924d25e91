// HrQueryAllRows, FreeProws and HrGetOneProp, as MAPI32 gives them.
#include "mapi32/Mapi.h"

namespace {
// HrQueryAllRows reads this many rows per QueryRows call until the table is exhausted.
constexpr LONG kRowsPerBatch = 0x7FFF;

HRESULT AppendRows(LPSRowSet* all, LPSRowSet batch) {
  if (*all == nullptr) {
    *all = batch;
    return S_OK;
  }
  const ULONG total = (*all)->cRows + batch->cRows;
  LPSRowSet merged = nullptr;
  const SCODE sc =
      MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(total)), reinterpret_cast<LPVOID*>(&merged));
  if (FAILED(sc)) {
    return sc;
  }
  merged->cRows = 0;
  for (ULONG i = 0; i < (*all)->cRows; ++i) {
    merged->aRow[merged->cRows++] = (*all)->aRow[i];
  }
  for (ULONG i = 0; i < batch->cRows; ++i) {
    merged->aRow[merged->cRows++] = batch->aRow[i];
  }
  // The rows' property arrays now belong to the merged set.
  MAPIFreeBuffer(*all);
  MAPIFreeBuffer(batch);
  *all = merged;
  return S_OK;
}
}  // namespace

extern "C" HRESULT HrQueryAllRows(LPMAPITABLE lpTable, LPSPropTagArray lpPropTags,
                                  LPSRestriction lpRestriction, LPSSortOrderSet lpSortOrderSet, LONG crowsMax,
                                  LPSRowSet* lppRows) {
  if (lpTable == nullptr || lppRows == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *lppRows = nullptr;
  HRESULT hr = S_OK;
  if (lpPropTags != nullptr && FAILED(hr = lpTable->SetColumns(lpPropTags, TBL_BATCH))) {
    return hr;
  }
  if (lpRestriction != nullptr && FAILED(hr = lpTable->Restrict(lpRestriction, TBL_BATCH))) {
    return hr;
  }
  if (lpSortOrderSet != nullptr && FAILED(hr = lpTable->SortTable(lpSortOrderSet, TBL_BATCH))) {
    return hr;
  }
  if (FAILED(hr = lpTable->SeekRow(BOOKMARK_BEGINNING, 0, nullptr))) {
    return hr;
  }
  LPSRowSet all = nullptr;
  for (;;) {
    LPSRowSet batch = nullptr;
    if (FAILED(hr = lpTable->QueryRows(kRowsPerBatch, 0, &batch))) {
      FreeProws(all);
      return hr;
    }
    if (batch == nullptr) {
      break;
    }
    const bool done = batch->cRows == 0;
    if (done && all != nullptr) {
      FreeProws(batch);
      break;
    }
    if (FAILED(hr = AppendRows(&all, batch))) {
      FreeProws(batch);
      FreeProws(all);
      return hr;
    }
    if (crowsMax != 0 && all->cRows > static_cast<ULONG>(crowsMax)) {
      FreeProws(all);
      return MAPI_E_TABLE_TOO_BIG;
    }
    if (done) {
      break;
    }
  }
  *lppRows = all;
  return S_OK;
}

extern "C" void FreeProws(LPSRowSet lpRows) {
  if (lpRows == nullptr) {
    return;
  }
  for (ULONG i = 0; i < lpRows->cRows; ++i) {
    MAPIFreeBuffer(lpRows->aRow[i].lpProps);
  }
  MAPIFreeBuffer(lpRows);
}

extern "C" HRESULT HrGetOneProp(LPMAPIPROP lpMapiProp, ULONG ulPropTag, LPSPropValue* lppProp) {
  if (lpMapiProp == nullptr || lppProp == nullptr) {
    return MAPI_E_INVALID_PARAMETER;
  }
  *lppProp = nullptr;
  SizedSPropTagArray(1, tags) = {1, {ulPropTag}};
  ULONG count = 0;
  LPSPropValue value = nullptr;
  HRESULT hr = lpMapiProp->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &value);
  if (FAILED(hr)) {
    return hr;
  }
  if (hr == MAPI_W_ERRORS_RETURNED && value != nullptr && PROP_TYPE(value->ulPropTag) == PT_ERROR) {
    hr = value->Value.err;
    MAPIFreeBuffer(value);
    return hr;
  }
  *lppProp = value;
  return hr;
}
