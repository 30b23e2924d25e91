// IMAPIFolder. A folder opened without MAPI_MODIFY refuses every change with
// MAPI_E_NO_ACCESS; one whose folder has been deleted answers MAPI_E_OBJECT_DELETED.
// Property changes take effect at once (folders are not transacted), so renaming is a
// SetProps of PR_DISPLAY_NAME.
#pragma once

#include <memory>

#include "PropObject.h"

namespace memstore {

class Folder final : public PropObject<IMAPIFolder> {
 public:
  Folder(std::shared_ptr<World> world, std::shared_ptr<StoreData> store, std::shared_ptr<FolderNode> node,
         bool modify, bool storeWritable);

  bool Answers(REFIID riid) const override;

  // IMAPIContainer
  STDMETHODIMP GetContentsTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
  STDMETHODIMP GetHierarchyTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
  STDMETHODIMP OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                         ULONG* lpulObjType, LPUNKNOWN* lppUnk) override;
  STDMETHODIMP SetSearchCriteria(LPSRestriction lpRestriction, LPENTRYLIST lpContainerList,
                                 ULONG ulSearchFlags) override;
  STDMETHODIMP GetSearchCriteria(ULONG ulFlags, LPSRestriction* lppRestriction, LPENTRYLIST* lppContainerList,
                                 ULONG* lpulSearchState) override;

  // IMAPIFolder
  STDMETHODIMP CreateMessage(LPCIID lpInterface, ULONG ulFlags, LPMESSAGE* lppMessage) override;
  STDMETHODIMP CopyMessages(LPENTRYLIST lpMsgList, LPCIID lpInterface, LPVOID lpDestFolder, ULONG ulUIParam,
                            LPMAPIPROGRESS lpProgress, ULONG ulFlags) override;
  STDMETHODIMP DeleteMessages(LPENTRYLIST lpMsgList, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
                              ULONG ulFlags) override;
  STDMETHODIMP CreateFolder(ULONG ulFolderType, LPTSTR lpszFolderName, LPTSTR lpszFolderComment,
                            LPCIID lpInterface, ULONG ulFlags, LPMAPIFOLDER* lppFolder) override;
  STDMETHODIMP CopyFolder(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, LPVOID lpDestFolder,
                          LPTSTR lpszNewFolderName, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
                          ULONG ulFlags) override;
  STDMETHODIMP DeleteFolder(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
                            ULONG ulFlags) override;
  STDMETHODIMP SetReadFlags(LPENTRYLIST lpMsgList, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
                            ULONG ulFlags) override;
  STDMETHODIMP GetMessageStatus(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulFlags,
                                ULONG* lpulMessageStatus) override;
  STDMETHODIMP SetMessageStatus(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulNewStatus,
                                ULONG ulNewStatusMask, ULONG* lpulOldStatus) override;
  STDMETHODIMP SaveContentsSort(LPSSortOrderSet lpSortCriteria, ULONG ulFlags) override;
  STDMETHODIMP EmptyFolder(ULONG ulUIParam, LPMAPIPROGRESS lpProgress, ULONG ulFlags) override;

 protected:
  PropSet Props() const override { return FolderProps(*m_node); }
  HRESULT CheckUsable(const char* operation) override;
  bool CanWrite() const override { return m_modify; }
  bool IsComputed(ULONG tag) const override { return IsComputedFolderProp(tag); }
  void Write(const PropValue& value) override { m_node->props.Set(value); }
  void Remove(ULONG tag) override { m_node->props.Erase(tag); }

 private:
  // The live subfolder of this folder that an entry identifier names, or null.
  std::shared_ptr<FolderNode> Subfolder(ULONG cbEntryID, const ENTRYID* lpEntryID) const;

  std::shared_ptr<StoreData> m_store;
  std::shared_ptr<FolderNode> m_node;
  bool m_modify;
  bool m_storeWritable;
};

}  // namespace memstore
