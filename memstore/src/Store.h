// IMsgStore: a store opened from the session, read-only unless opened with MDB_WRITE
// (or MAPI_BEST_ACCESS).
#pragma once

#include <memory>
#include <string>

#include "PropObject.h"

namespace memstore {

class Store final : public PropObject<IMsgStore> {
 public:
  Store(std::shared_ptr<World> world, std::shared_ptr<StoreData> store, bool writable);

  bool Answers(REFIID riid) const override;

  STDMETHODIMP Advise(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                      ULONG* lpulConnection) override;
  STDMETHODIMP Unadvise(ULONG ulConnection) override;
  STDMETHODIMP CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                               ULONG ulFlags, ULONG* lpulResult) override;
  STDMETHODIMP OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                         ULONG* lpulObjType, LPUNKNOWN* lppUnk) override;
  STDMETHODIMP SetReceiveFolder(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG cbEntryID,
                                LPENTRYID lpEntryID) override;
  STDMETHODIMP GetReceiveFolder(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG* lpcbEntryID,
                                LPENTRYID* lppEntryID, LPTSTR* lppszExplicitClass) override;
  STDMETHODIMP GetReceiveFolderTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
  STDMETHODIMP StoreLogoff(ULONG* lpulFlags) override;
  STDMETHODIMP AbortSubmit(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulFlags) override;
  STDMETHODIMP GetOutgoingQueue(ULONG ulFlags, LPMAPITABLE* lppTable) override;
  STDMETHODIMP SetLockState(LPMESSAGE lpMessage, ULONG ulLockState) override;
  STDMETHODIMP FinishedMsg(ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) override;
  STDMETHODIMP NotifyNewMail(LPNOTIFICATION lpNotification) override;

 protected:
  PropSet Props() const override;
  HRESULT CheckUsable(const char* /*operation*/) override { return S_OK; }
  bool CanWrite() const override { return m_writable; }
  bool IsComputed(ULONG tag) const override { return IsComputedStoreProp(tag); }
  void Write(const PropValue& value) override;
  void Remove(ULONG tag) override;

 private:
  std::shared_ptr<StoreData> m_store;
  bool m_writable;
};

// Opens the folder or message that `entryId` names in `store` (a null identifier names
// the root folder). MAPI_MODIFY needs a writable store; MAPI_BEST_ACCESS grants what
// the store allows. On failure returns the result and says why in `why`.
HRESULT OpenInStore(const std::shared_ptr<World>& world, const std::shared_ptr<StoreData>& store,
                    bool storeWritable, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                    ULONG ulFlags, ULONG* lpulObjType, LPUNKNOWN* lppUnk, std::string* why);

// CompareEntryIDs of the session and the stores: whether two identifiers name the same
// object. MAPI_E_INVALID_ENTRYID when either is not memstore's.
HRESULT SameEntry(ULONG cb1, const ENTRYID* id1, ULONG cb2, const ENTRYID* id2, bool* same);

}  // namespace memstore
