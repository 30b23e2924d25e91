// IMessage. SetProps edits a copy of the message's properties; SaveChanges makes the
// copy the message's and, the first time, lists the message in its folder's contents
// table (or associated contents table). A message released before SaveChanges leaves
// nothing behind. After SaveChanges without KEEP_OPEN_READWRITE the object is open for
// reading only.
#pragma once

#include <memory>

#include "PropObject.h"

namespace memstore {

class Message final : public PropObject<IMessage> {
 public:
  Message(std::shared_ptr<World> world, std::shared_ptr<StoreData> store, std::shared_ptr<MessageNode> node,
          std::shared_ptr<FolderNode> folder, bool modify);

  bool Answers(REFIID riid) const override;

  STDMETHODIMP GetAttachmentTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
  STDMETHODIMP OpenAttach(ULONG ulAttachmentNum, LPCIID lpInterface, ULONG ulFlags,
                          LPATTACH* lppAttach) override;
  STDMETHODIMP CreateAttach(LPCIID lpInterface, ULONG ulFlags, ULONG* lpulAttachmentNum,
                            LPATTACH* lppAttach) override;
  STDMETHODIMP DeleteAttach(ULONG ulAttachmentNum, ULONG ulUIParam, LPMAPIPROGRESS lpProgress,
                            ULONG ulFlags) override;
  STDMETHODIMP GetRecipientTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
  STDMETHODIMP ModifyRecipients(ULONG ulFlags, LPADRLIST lpMods) override;
  STDMETHODIMP SubmitMessage(ULONG ulFlags) override;
  STDMETHODIMP SetReadFlag(ULONG ulFlags) override;

 protected:
  PropSet Props() const override { return MessageProps(*m_store, *m_node, m_props); }
  HRESULT CheckUsable(const char* operation) override;
  bool CanWrite() const override { return m_modify; }
  bool IsComputed(ULONG tag) const override { return IsComputedMessageProp(tag); }
  void Write(const PropValue& value) override { m_props.Set(value); }
  void Remove(ULONG tag) override { m_props.Erase(tag); }
  HRESULT Commit(ULONG flags) override;

 private:
  std::shared_ptr<StoreData> m_store;
  std::shared_ptr<MessageNode> m_node;
  std::shared_ptr<FolderNode> m_folder;
  PropSet m_props;  // the edited copy
  bool m_modify;
};

}  // namespace memstore
