// IMAPISession over a profile's stores.
#pragma once

#include <memory>

#include "ComObject.h"

namespace memstore {

class Session final : public ComObject<IMAPISession> {
 public:
  explicit Session(std::shared_ptr<World> world);

  bool Answers(REFIID riid) const override;

  STDMETHODIMP GetMsgStoresTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
  STDMETHODIMP OpenMsgStore(ULONG_PTR ulUIParam, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                            ULONG ulFlags, LPMDB* lppMDB) override;
  STDMETHODIMP OpenAddressBook(ULONG_PTR ulUIParam, LPCIID lpInterface, ULONG ulFlags,
                               LPADRBOOK* lppAdrBook) override;
  STDMETHODIMP OpenProfileSection(LPMAPIUID lpUID, LPCIID lpInterface, ULONG ulFlags,
                                  LPPROFSECT* lppProfSect) override;
  STDMETHODIMP GetStatusTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
  STDMETHODIMP OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                         ULONG* lpulObjType, LPUNKNOWN* lppUnk) override;
  STDMETHODIMP CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                               ULONG ulFlags, ULONG* lpulResult) override;
  STDMETHODIMP Advise(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                      ULONG* lpulConnection) override;
  STDMETHODIMP Unadvise(ULONG ulConnection) override;
  STDMETHODIMP MessageOptions(ULONG_PTR ulUIParam, ULONG ulFlags, LPTSTR lpszAdrType,
                              LPMESSAGE lpMessage) override;
  STDMETHODIMP QueryDefaultMessageOpt(LPTSTR lpszAdrType, ULONG ulFlags, ULONG* lpcValues,
                                      LPSPropValue* lppOptions) override;
  STDMETHODIMP EnumAdrTypes(ULONG ulFlags, ULONG* lpcAdrTypes, LPTSTR** lpppszAdrTypes) override;
  STDMETHODIMP QueryIdentity(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) override;
  STDMETHODIMP Logoff(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG ulReserved) override;
  STDMETHODIMP SetDefaultStore(ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) override;
  STDMETHODIMP AdminServices(ULONG ulFlags, LPSERVICEADMIN* lppServiceAdmin) override;
  STDMETHODIMP ShowForm(ULONG_PTR ulUIParam, LPMDB lpMsgStore, LPMAPIFOLDER lpParentFolder,
                        LPCIID lpInterface, ULONG ulMessageToken, LPMESSAGE lpMessageSent, ULONG ulFlags,
                        ULONG ulMessageStatus, ULONG ulMessageFlags, ULONG ulAccess,
                        LPSTR lpszMessageClass) override;
  STDMETHODIMP PrepareForm(LPCIID lpInterface, LPMESSAGE lpMessage, ULONG* lpulMessageToken) override;

 private:
  // MAPI_E_END_OF_SESSION (recorded) after Logoff.
  HRESULT CheckLoggedOn(const char* operation);

  bool m_loggedOff = false;
};

}  // namespace memstore
