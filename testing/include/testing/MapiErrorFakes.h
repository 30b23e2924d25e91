// Small fakes of the four MAPI interfaces whose GetLastError an exception asks: every
// method but GetLastError answers MAPI_E_NO_SUPPORT. GetLastError hands out a record
// from MAPIAllocateBuffer, as MAPI does, or fails, and remembers what it was asked.
// They live on the stack of a test; reference counting is only counted.
#pragma once

#include <string>

#include "platform/Mapi.h"

namespace testsupport {

// What GetLastError answers and what it was asked.
struct ErrorRecordSource {
  // When set, GetLastError fails with this result and hands out nothing.
  HRESULT failWith = S_OK;
  // The record's fields; a null text stays null in the record.
  const char* component = "component";
  const char* error = "error text";
  ULONG lowLevelError = 0;
  ULONG context = 0;

  int calls = 0;
  HRESULT askedResult = 0;
  ULONG askedFlags = 0xFFFFFFFF;

  HRESULT Answer(HRESULT hResult, ULONG flags, LPMAPIERROR* record);
};

#define FAKE_UNSUPPORTED(method, params) \
  MAPIMETHOD(method) params override {   \
    return MAPI_E_NO_SUPPORT;            \
  }

#define FAKE_IUNKNOWN_AND_GETLASTERROR                                                    \
  STDMETHOD(QueryInterface)(REFIID, void** object) override {                             \
    *object = nullptr;                                                                    \
    return E_NOINTERFACE;                                                                 \
  }                                                                                       \
  STDMETHOD_(ULONG, AddRef)() override {                                                  \
    return ++references;                                                                  \
  }                                                                                       \
  STDMETHOD_(ULONG, Release)() override {                                                 \
    return --references;                                                                  \
  }                                                                                       \
  MAPIMETHOD(GetLastError)(HRESULT hResult, ULONG flags, LPMAPIERROR * record) override { \
    return source.Answer(hResult, flags, record);                                         \
  }                                                                                       \
  ErrorRecordSource source;                                                               \
  ULONG references = 1;

#define FAKE_IMAPIPROP_REST                                                                               \
  FAKE_UNSUPPORTED(SaveChanges, (ULONG))                                                                  \
  FAKE_UNSUPPORTED(GetProps, (LPSPropTagArray, ULONG, ULONG*, LPSPropValue*))                             \
  FAKE_UNSUPPORTED(GetPropList, (ULONG, LPSPropTagArray*))                                                \
  FAKE_UNSUPPORTED(OpenProperty, (ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN*))                               \
  FAKE_UNSUPPORTED(SetProps, (ULONG, LPSPropValue, LPSPropProblemArray*))                                 \
  FAKE_UNSUPPORTED(DeleteProps, (LPSPropTagArray, LPSPropProblemArray*))                                  \
  FAKE_UNSUPPORTED(CopyTo, (ULONG, LPCIID, LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG, \
                            LPSPropProblemArray*))                                                        \
  FAKE_UNSUPPORTED(CopyProps,                                                                             \
                   (LPSPropTagArray, ULONG, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG, LPSPropProblemArray*)) \
  FAKE_UNSUPPORTED(GetNamesFromIDs, (LPSPropTagArray*, LPGUID, ULONG, ULONG*, LPMAPINAMEID**))            \
  FAKE_UNSUPPORTED(GetIDsFromNames, (ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray*))

// A folder or a message: any property object.
struct FakeMapiProp : public IMAPIProp {
  FAKE_IUNKNOWN_AND_GETLASTERROR
  FAKE_IMAPIPROP_REST
};

struct FakeMsgStore : public IMsgStore {
  FAKE_IUNKNOWN_AND_GETLASTERROR
  FAKE_IMAPIPROP_REST
  FAKE_UNSUPPORTED(Advise, (ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*))
  FAKE_UNSUPPORTED(Unadvise, (ULONG))
  FAKE_UNSUPPORTED(CompareEntryIDs, (ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*))
  FAKE_UNSUPPORTED(OpenEntry, (ULONG, LPENTRYID, LPCIID, ULONG, ULONG*, LPUNKNOWN*))
  FAKE_UNSUPPORTED(SetReceiveFolder, (LPTSTR, ULONG, ULONG, LPENTRYID))
  FAKE_UNSUPPORTED(GetReceiveFolder, (LPTSTR, ULONG, ULONG*, LPENTRYID*, LPTSTR*))
  FAKE_UNSUPPORTED(GetReceiveFolderTable, (ULONG, LPMAPITABLE*))
  FAKE_UNSUPPORTED(StoreLogoff, (ULONG*))
  FAKE_UNSUPPORTED(AbortSubmit, (ULONG, LPENTRYID, ULONG))
  FAKE_UNSUPPORTED(GetOutgoingQueue, (ULONG, LPMAPITABLE*))
  FAKE_UNSUPPORTED(SetLockState, (LPMESSAGE, ULONG))
  FAKE_UNSUPPORTED(FinishedMsg, (ULONG, ULONG, LPENTRYID))
  FAKE_UNSUPPORTED(NotifyNewMail, (LPNOTIFICATION))
};

struct FakeMapiTable : public IMAPITable {
  FAKE_IUNKNOWN_AND_GETLASTERROR
  FAKE_UNSUPPORTED(Advise, (ULONG, LPMAPIADVISESINK, ULONG*))
  FAKE_UNSUPPORTED(Unadvise, (ULONG))
  FAKE_UNSUPPORTED(GetStatus, (ULONG*, ULONG*))
  FAKE_UNSUPPORTED(SetColumns, (LPSPropTagArray, ULONG))
  FAKE_UNSUPPORTED(QueryColumns, (ULONG, LPSPropTagArray*))
  FAKE_UNSUPPORTED(GetRowCount, (ULONG, ULONG*))
  FAKE_UNSUPPORTED(SeekRow, (BOOKMARK, LONG, LONG*))
  FAKE_UNSUPPORTED(SeekRowApprox, (ULONG, ULONG))
  FAKE_UNSUPPORTED(QueryPosition, (ULONG*, ULONG*, ULONG*))
  FAKE_UNSUPPORTED(FindRow, (LPSRestriction, BOOKMARK, ULONG))
  FAKE_UNSUPPORTED(Restrict, (LPSRestriction, ULONG))
  FAKE_UNSUPPORTED(CreateBookmark, (BOOKMARK*))
  FAKE_UNSUPPORTED(FreeBookmark, (BOOKMARK))
  FAKE_UNSUPPORTED(SortTable, (LPSSortOrderSet, ULONG))
  FAKE_UNSUPPORTED(QuerySortOrder, (LPSSortOrderSet*))
  FAKE_UNSUPPORTED(QueryRows, (LONG, ULONG, LPSRowSet*))
  FAKE_UNSUPPORTED(Abort, ())
  FAKE_UNSUPPORTED(ExpandRow, (ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*))
  FAKE_UNSUPPORTED(CollapseRow, (ULONG, LPBYTE, ULONG, ULONG*))
  FAKE_UNSUPPORTED(WaitForCompletion, (ULONG, ULONG, ULONG*))
  FAKE_UNSUPPORTED(GetCollapseState, (ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*))
  FAKE_UNSUPPORTED(SetCollapseState, (ULONG, ULONG, LPBYTE, BOOKMARK*))
};

struct FakeMapiSession : public IMAPISession {
  FAKE_IUNKNOWN_AND_GETLASTERROR
  FAKE_UNSUPPORTED(GetMsgStoresTable, (ULONG, LPMAPITABLE*))
  FAKE_UNSUPPORTED(OpenMsgStore, (ULONG_PTR, ULONG, LPENTRYID, LPCIID, ULONG, LPMDB*))
  FAKE_UNSUPPORTED(OpenAddressBook, (ULONG_PTR, LPCIID, ULONG, LPADRBOOK*))
  FAKE_UNSUPPORTED(OpenProfileSection, (LPMAPIUID, LPCIID, ULONG, LPPROFSECT*))
  FAKE_UNSUPPORTED(GetStatusTable, (ULONG, LPMAPITABLE*))
  FAKE_UNSUPPORTED(OpenEntry, (ULONG, LPENTRYID, LPCIID, ULONG, ULONG*, LPUNKNOWN*))
  FAKE_UNSUPPORTED(CompareEntryIDs, (ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*))
  FAKE_UNSUPPORTED(Advise, (ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*))
  FAKE_UNSUPPORTED(Unadvise, (ULONG))
  FAKE_UNSUPPORTED(MessageOptions, (ULONG_PTR, ULONG, LPTSTR, LPMESSAGE))
  FAKE_UNSUPPORTED(QueryDefaultMessageOpt, (LPTSTR, ULONG, ULONG*, LPSPropValue*))
  FAKE_UNSUPPORTED(EnumAdrTypes, (ULONG, ULONG*, LPTSTR**))
  FAKE_UNSUPPORTED(QueryIdentity, (ULONG*, LPENTRYID*))
  FAKE_UNSUPPORTED(Logoff, (ULONG_PTR, ULONG, ULONG))
  FAKE_UNSUPPORTED(SetDefaultStore, (ULONG, ULONG, LPENTRYID))
  FAKE_UNSUPPORTED(AdminServices, (ULONG, LPSERVICEADMIN*))
  FAKE_UNSUPPORTED(ShowForm, (ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE, ULONG, ULONG, ULONG,
                              ULONG, LPSTR))
  FAKE_UNSUPPORTED(PrepareForm, (LPCIID, LPMESSAGE, ULONG*))
};

#undef FAKE_IMAPIPROP_REST
#undef FAKE_IUNKNOWN_AND_GETLASTERROR
#undef FAKE_UNSUPPORTED

}  // namespace testsupport
