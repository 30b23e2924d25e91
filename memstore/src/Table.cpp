// IMAPITable for the stores, hierarchy and contents tables.
#include "Table.h"

#include <algorithm>
#include <utility>

#include "Constants.h"
#include "MapiOut.h"

namespace memstore {
namespace {

// Bookmarks from CreateBookmark follow the three fixed ones.
constexpr BOOKMARK kFirstBookmark = 3;

std::vector<BYTE> InstanceKey(ULONG instance) {
  return {static_cast<BYTE>(instance & 0xFF), static_cast<BYTE>((instance >> 8) & 0xFF),
          static_cast<BYTE>((instance >> 16) & 0xFF), static_cast<BYTE>((instance >> 24) & 0xFF)};
}

struct RowSetFree {
  void operator()(LPSRowSet rows) const { FreeProws(rows); }
};

}  // namespace

Table::Table(std::shared_ptr<World> world, std::function<std::string()> name, RowSource rows,
             std::vector<ULONG> defaultColumns)
    : ComObject<IMAPITable>(std::move(world), ObjectKind::Table, std::move(name)),
      m_rows(std::move(rows)),
      m_defaultColumns(std::move(defaultColumns)),
      m_columns(m_defaultColumns) {}

bool Table::Answers(REFIID riid) const {
  return SameIid(riid, IID_IMAPITable);
}

std::vector<TableRow> Table::View() const {
  std::vector<TableRow> rows = m_rows();
  for (TableRow& row : rows) {
    row.props.Set(PropValue::Binary(PR_INSTANCE_KEY, InstanceKey(row.instance)));
  }
  if (m_restriction) {
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [&](const TableRow& row) { return !m_restriction->Matches(row.props); }),
               rows.end());
  }
  if (!m_sort.empty()) {
    std::stable_sort(rows.begin(), rows.end(), [&](const TableRow& a, const TableRow& b) {
      for (const SSortOrder& key : m_sort) {
        const std::optional<PropValue> x = a.props.Get(key.ulPropTag);
        const std::optional<PropValue> y = b.props.Get(key.ulPropTag);
        int order = 0;
        if (x && y) {
          order = x->Compare(*y, /*ignoreCase=*/true).value_or(0);
        } else if (x || y) {
          order = x ? -1 : 1;  // rows without the property sort last
        }
        if ((key.ulOrder & kTableSortDescend) != 0) {
          order = -order;
        }
        if (order != 0) {
          return order < 0;
        }
      }
      return false;
    });
  }
  return rows;
}

HRESULT Table::Seek(const char* operation, BOOKMARK origin, LONG count, ULONG rowCount, LONG* moved) {
  ULONG base = 0;
  if (origin == BOOKMARK_BEGINNING) {
    base = 0;
  } else if (origin == BOOKMARK_CURRENT) {
    base = std::min(m_position, rowCount);
  } else if (origin == BOOKMARK_END) {
    base = rowCount;
  } else {
    auto& marks = m_bookmarks;
    auto it = marks.find(origin);
    if (it == marks.end()) {
      return Fail(operation, MAPI_E_INVALID_BOOKMARK, "no such bookmark");
    }
    base = std::min(it->second, rowCount);
  }
  const long long target =
      std::clamp(static_cast<long long>(base) + count, 0LL, static_cast<long long>(rowCount));
  *moved = static_cast<LONG>(target - static_cast<long long>(base));
  m_position = static_cast<ULONG>(target);
  return S_OK;
}

STDMETHODIMP Table::Advise(ULONG, LPMAPIADVISESINK, ULONG* lpulConnection) {
  if (lpulConnection != nullptr) {
    *lpulConnection = 0;
  }
  return Unsupported("Advise");
}

STDMETHODIMP Table::Unadvise(ULONG) {
  return Unsupported("Unadvise");
}

STDMETHODIMP Table::GetStatus(ULONG* lpulTableStatus, ULONG* lpulTableType) {
  if (lpulTableStatus == nullptr || lpulTableType == nullptr) {
    return Fail("GetStatus", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lpulTableStatus = kTblStatComplete;
  *lpulTableType = kTblTypeDynamic;
  return Enter("GetStatus");
}

STDMETHODIMP Table::SetColumns(LPSPropTagArray lpPropTagArray, ULONG) {
  if (lpPropTagArray == nullptr || lpPropTagArray->cValues == 0) {
    return Fail("SetColumns", MAPI_E_INVALID_PARAMETER, "no columns");
  }
  if (const HRESULT hr = Enter("SetColumns"); FAILED(hr)) {
    return hr;
  }
  m_columns = TagsOf(*lpPropTagArray);
  return S_OK;
}

STDMETHODIMP Table::QueryColumns(ULONG ulFlags, LPSPropTagArray* lpPropTagArray) {
  if (lpPropTagArray == nullptr) {
    return Fail("QueryColumns", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lpPropTagArray = nullptr;
  HRESULT hr = Enter("QueryColumns");
  if (FAILED(hr)) {
    return hr;
  }
  std::vector<ULONG> columns = m_columns;
  if ((ulFlags & kTblAllColumns) != 0) {
    columns = m_defaultColumns;
    for (const TableRow& row : View()) {
      for (const PropValue& value : row.props.Values()) {
        if (std::none_of(columns.begin(), columns.end(), [&](ULONG t) { return PROP_ID(t) == value.Id(); })) {
          columns.push_back(value.Tag());
        }
      }
    }
  }
  if (FAILED(hr = ExportTags(columns, lpPropTagArray))) {
    return Fail("QueryColumns", hr, "out of MAPI memory");
  }
  return S_OK;
}

STDMETHODIMP Table::GetRowCount(ULONG, ULONG* lpulCount) {
  if (lpulCount == nullptr) {
    return Fail("GetRowCount", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lpulCount = 0;
  if (const HRESULT hr = Enter("GetRowCount"); FAILED(hr)) {
    return hr;
  }
  *lpulCount = static_cast<ULONG>(View().size());
  return S_OK;
}

STDMETHODIMP Table::SeekRow(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought) {
  if (lplRowsSought != nullptr) {
    *lplRowsSought = 0;
  }
  if (const HRESULT hr = Enter("SeekRow"); FAILED(hr)) {
    return hr;
  }
  LONG moved = 0;
  const HRESULT hr = Seek("SeekRow", bkOrigin, lRowCount, static_cast<ULONG>(View().size()), &moved);
  if (SUCCEEDED(hr) && lplRowsSought != nullptr) {
    *lplRowsSought = moved;
  }
  return hr;
}

STDMETHODIMP Table::SeekRowApprox(ULONG ulNumerator, ULONG ulDenominator) {
  if (ulDenominator == 0 || ulNumerator > ulDenominator) {
    return Fail("SeekRowApprox", MAPI_E_INVALID_PARAMETER, "fraction out of range");
  }
  if (const HRESULT hr = Enter("SeekRowApprox"); FAILED(hr)) {
    return hr;
  }
  const auto count = static_cast<unsigned long long>(View().size());
  m_position = static_cast<ULONG>(count * ulNumerator / ulDenominator);
  return S_OK;
}

STDMETHODIMP Table::QueryPosition(ULONG* lpulRow, ULONG* lpulNumerator, ULONG* lpulDenominator) {
  if (lpulRow == nullptr || lpulNumerator == nullptr || lpulDenominator == nullptr) {
    return Fail("QueryPosition", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  if (const HRESULT hr = Enter("QueryPosition"); FAILED(hr)) {
    return hr;
  }
  const auto count = static_cast<ULONG>(View().size());
  *lpulRow = std::min(m_position, count);
  *lpulNumerator = *lpulRow;
  *lpulDenominator = count == 0 ? 1 : count;
  return S_OK;
}

STDMETHODIMP Table::FindRow(LPSRestriction lpRestriction, BOOKMARK bkOrigin, ULONG ulFlags) {
  if (lpRestriction == nullptr) {
    return Fail("FindRow", MAPI_E_INVALID_PARAMETER, "no restriction");
  }
  HRESULT hr = Enter("FindRow");
  if (FAILED(hr)) {
    return hr;
  }
  Restriction restriction;
  if (FAILED(hr = Restriction::FromMapi(*lpRestriction, &restriction))) {
    return Fail("FindRow", hr, "restriction not supported");
  }
  const std::vector<TableRow> rows = View();
  const ULONG saved = m_position;
  LONG moved = 0;
  if (FAILED(hr = Seek("FindRow", bkOrigin, 0, static_cast<ULONG>(rows.size()), &moved))) {
    return hr;
  }
  const ULONG start = m_position;
  m_position = saved;
  if ((ulFlags & kDirBackward) != 0) {
    for (ULONG i = start; i > 0; --i) {
      if (restriction.Matches(rows[i - 1].props)) {
        m_position = i - 1;
        return S_OK;
      }
    }
  } else {
    for (ULONG i = start; i < rows.size(); ++i) {
      if (restriction.Matches(rows[i].props)) {
        m_position = i;
        return S_OK;
      }
    }
  }
  return Fail("FindRow", MAPI_E_NOT_FOUND, "no row matches");
}

STDMETHODIMP Table::Restrict(LPSRestriction lpRestriction, ULONG) {
  HRESULT hr = Enter("Restrict");
  if (FAILED(hr)) {
    return hr;
  }
  if (lpRestriction == nullptr) {
    m_restriction.reset();
    m_position = 0;
    return S_OK;
  }
  Restriction restriction;
  if (FAILED(hr = Restriction::FromMapi(*lpRestriction, &restriction))) {
    return Fail("Restrict", hr, "restriction not supported");
  }
  m_restriction = std::move(restriction);
  m_position = 0;
  return S_OK;
}

STDMETHODIMP Table::CreateBookmark(BOOKMARK* lpbkPosition) {
  if (lpbkPosition == nullptr) {
    return Fail("CreateBookmark", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  if (const HRESULT hr = Enter("CreateBookmark"); FAILED(hr)) {
    return hr;
  }
  auto& marks = m_bookmarks;
  const BOOKMARK mark = marks.empty() ? kFirstBookmark : marks.rbegin()->first + 1;
  marks[mark] = m_position;
  *lpbkPosition = mark;
  return S_OK;
}

STDMETHODIMP Table::FreeBookmark(BOOKMARK bkPosition) {
  if (const HRESULT hr = Enter("FreeBookmark"); FAILED(hr)) {
    return hr;
  }
  if (bkPosition < kFirstBookmark) {
    return S_OK;
  }
  auto& marks = m_bookmarks;
  if (marks.erase(bkPosition) == 0) {
    return Fail("FreeBookmark", MAPI_E_INVALID_BOOKMARK, "no such bookmark");
  }
  return S_OK;
}

STDMETHODIMP Table::SortTable(LPSSortOrderSet lpSortCriteria, ULONG) {
  if (lpSortCriteria == nullptr) {
    return Fail("SortTable", MAPI_E_INVALID_PARAMETER, "no sort order");
  }
  if (const HRESULT hr = Enter("SortTable"); FAILED(hr)) {
    return hr;
  }
  if (lpSortCriteria->cCategories != 0) {
    return Fail("SortTable", MAPI_E_TOO_COMPLEX, "categorized sorting is not supported");
  }
  m_sort.assign(lpSortCriteria->aSort, lpSortCriteria->aSort + lpSortCriteria->cSorts);
  m_position = 0;
  return S_OK;
}

STDMETHODIMP Table::QuerySortOrder(LPSSortOrderSet* lppSortCriteria) {
  if (lppSortCriteria == nullptr) {
    return Fail("QuerySortOrder", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lppSortCriteria = nullptr;
  if (const HRESULT hr = Enter("QuerySortOrder"); FAILED(hr)) {
    return hr;
  }
  const std::size_t size =
      offsetof(SSortOrderSet, aSort) + sizeof(SSortOrder) * std::max<std::size_t>(m_sort.size(), 1);
  void* block = nullptr;
  if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(size), &block))) {
    return Fail("QuerySortOrder", MAPI_E_NOT_ENOUGH_MEMORY, "out of MAPI memory");
  }
  auto* set = static_cast<LPSSortOrderSet>(block);
  set->cSorts = static_cast<ULONG>(m_sort.size());
  set->cCategories = 0;
  set->cExpanded = 0;
  std::copy(m_sort.begin(), m_sort.end(), set->aSort);
  *lppSortCriteria = set;
  return S_OK;
}

STDMETHODIMP Table::QueryRows(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) {
  if (lppRows == nullptr) {
    return Fail("QueryRows", MAPI_E_INVALID_PARAMETER, "null out argument");
  }
  *lppRows = nullptr;
  HRESULT hr = Enter("QueryRows");
  if (FAILED(hr)) {
    return hr;
  }
  if (lRowCount == 0) {
    return Fail("QueryRows", MAPI_E_INVALID_PARAMETER, "a row count of zero");
  }
  const std::vector<TableRow> rows = View();
  const auto total = static_cast<ULONG>(rows.size());
  const ULONG position = std::min(m_position, total);
  ULONG start = position;
  ULONG count = 0;
  if (lRowCount > 0) {
    count = std::min(static_cast<ULONG>(lRowCount), total - position);
  } else {
    // Moves back, then reads forward.
    count =
        static_cast<ULONG>(std::min(-static_cast<long long>(lRowCount), static_cast<long long>(position)));
    start = position - count;
  }
  void* block = nullptr;
  if (FAILED(MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(count)), &block))) {
    return Fail("QueryRows", MAPI_E_NOT_ENOUGH_MEMORY, "out of MAPI memory");
  }
  std::unique_ptr<SRowSet, RowSetFree> set(static_cast<LPSRowSet>(block));
  set->cRows = 0;
  for (ULONG i = 0; i < count; ++i) {
    bool missing = false;
    const std::vector<PropValue> values = SelectValues(rows[start + i].props, m_columns, &missing);
    SRow& row = set->aRow[i];
    row.ulAdrEntryPad = 0;
    row.cValues = 0;
    if (FAILED(hr = ExportValues(values, &row.lpProps))) {
      return Fail("QueryRows", hr, "out of MAPI memory");
    }
    row.cValues = static_cast<ULONG>(values.size());
    set->cRows = i + 1;
  }
  if ((ulFlags & kTblNoAdvance) != 0 || lRowCount < 0) {
    m_position = start;
  } else {
    m_position = start + count;
  }
  *lppRows = set.release();
  return S_OK;
}

STDMETHODIMP Table::Abort() {
  return Enter("Abort");
}

STDMETHODIMP Table::ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet* lppRows, ULONG* lpulMoreRows) {
  if (lppRows != nullptr) {
    *lppRows = nullptr;
  }
  if (lpulMoreRows != nullptr) {
    *lpulMoreRows = 0;
  }
  return Unsupported("ExpandRow");
}

STDMETHODIMP Table::CollapseRow(ULONG, LPBYTE, ULONG, ULONG* lpulRowCount) {
  if (lpulRowCount != nullptr) {
    *lpulRowCount = 0;
  }
  return Unsupported("CollapseRow");
}

STDMETHODIMP Table::WaitForCompletion(ULONG, ULONG, ULONG* lpulTableStatus) {
  if (lpulTableStatus != nullptr) {
    *lpulTableStatus = kTblStatComplete;
  }
  return Enter("WaitForCompletion");
}

STDMETHODIMP Table::GetCollapseState(ULONG, ULONG, LPBYTE, ULONG* lpcbCollapseState,
                                     LPBYTE* lppbCollapseState) {
  if (lpcbCollapseState != nullptr) {
    *lpcbCollapseState = 0;
  }
  if (lppbCollapseState != nullptr) {
    *lppbCollapseState = nullptr;
  }
  return Unsupported("GetCollapseState");
}

STDMETHODIMP Table::SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK* lpbkLocation) {
  if (lpbkLocation != nullptr) {
    *lpbkLocation = BOOKMARK_BEGINNING;
  }
  return Unsupported("SetCollapseState");
}

HRESULT NewTable(std::shared_ptr<World> world, std::function<std::string()> name, RowSource rows,
                 std::vector<ULONG> defaultColumns, LPMAPITABLE* out) {
  *out = new Table(std::move(world), std::move(name), std::move(rows), std::move(defaultColumns));
  return S_OK;
}

}  // namespace memstore
