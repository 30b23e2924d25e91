// IMAPITable over rows that memstore computes afresh at every call, so a table shows
// changes made after it was opened, as a dynamic table does.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ComObject.h"
#include "Restriction.h"

namespace memstore {

struct TableRow {
  PropSet props;
  ULONG instance = 0;  // PR_INSTANCE_KEY, unique in the table
};

using RowSource = std::function<std::vector<TableRow>()>;

class Table final : public ComObject<IMAPITable> {
 public:
  Table(std::shared_ptr<World> world, std::function<std::string()> name, RowSource rows,
        std::vector<ULONG> defaultColumns);

  bool Answers(REFIID riid) const override;

  STDMETHODIMP Advise(ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink, ULONG* lpulConnection) override;
  STDMETHODIMP Unadvise(ULONG ulConnection) override;
  STDMETHODIMP GetStatus(ULONG* lpulTableStatus, ULONG* lpulTableType) override;
  STDMETHODIMP SetColumns(LPSPropTagArray lpPropTagArray, ULONG ulFlags) override;
  STDMETHODIMP QueryColumns(ULONG ulFlags, LPSPropTagArray* lpPropTagArray) override;
  STDMETHODIMP GetRowCount(ULONG ulFlags, ULONG* lpulCount) override;
  STDMETHODIMP SeekRow(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought) override;
  STDMETHODIMP SeekRowApprox(ULONG ulNumerator, ULONG ulDenominator) override;
  STDMETHODIMP QueryPosition(ULONG* lpulRow, ULONG* lpulNumerator, ULONG* lpulDenominator) override;
  STDMETHODIMP FindRow(LPSRestriction lpRestriction, BOOKMARK bkOrigin, ULONG ulFlags) override;
  STDMETHODIMP Restrict(LPSRestriction lpRestriction, ULONG ulFlags) override;
  STDMETHODIMP CreateBookmark(BOOKMARK* lpbkPosition) override;
  STDMETHODIMP FreeBookmark(BOOKMARK bkPosition) override;
  STDMETHODIMP SortTable(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) override;
  STDMETHODIMP QuerySortOrder(LPSSortOrderSet* lppSortCriteria) override;
  STDMETHODIMP QueryRows(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) override;
  STDMETHODIMP Abort() override;
  STDMETHODIMP ExpandRow(ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulRowCount, ULONG ulFlags,
                         LPSRowSet* lppRows, ULONG* lpulMoreRows) override;
  STDMETHODIMP CollapseRow(ULONG cbInstanceKey, LPBYTE pbInstanceKey, ULONG ulFlags,
                           ULONG* lpulRowCount) override;
  STDMETHODIMP WaitForCompletion(ULONG ulFlags, ULONG ulTimeout, ULONG* lpulTableStatus) override;
  STDMETHODIMP GetCollapseState(ULONG ulFlags, ULONG cbInstanceKey, LPBYTE lpbInstanceKey,
                                ULONG* lpcbCollapseState, LPBYTE* lppbCollapseState) override;
  STDMETHODIMP SetCollapseState(ULONG ulFlags, ULONG cbCollapseState, LPBYTE pbCollapseState,
                                BOOKMARK* lpbkLocation) override;

 private:
  // The rows as the restriction and sort order leave them.
  std::vector<TableRow> View() const;
  // Moves the cursor by `count` rows from `origin`; returns how far it moved.
  HRESULT Seek(const char* operation, BOOKMARK origin, LONG count, ULONG rowCount, LONG* moved);

  RowSource m_rows;
  std::vector<ULONG> m_defaultColumns;
  std::vector<ULONG> m_columns;
  std::optional<Restriction> m_restriction;
  std::vector<SSortOrder> m_sort;
  ULONG m_position = 0;
  std::map<BOOKMARK, ULONG> m_bookmarks;  // from CreateBookmark: bookmark -> row
};

// A new table with one reference, handed out through `out`.
HRESULT NewTable(std::shared_ptr<World> world, std::function<std::string()> name, RowSource rows,
                 std::vector<ULONG> defaultColumns, LPMAPITABLE* out);

}  // namespace memstore
