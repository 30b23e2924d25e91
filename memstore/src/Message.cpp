// IMessage.
#include "Message.h"

namespace memstore {

Message::Message(std::shared_ptr<World> world, std::shared_ptr<StoreData> store,
                 std::shared_ptr<MessageNode> node, std::shared_ptr<FolderNode> folder, bool modify)
    : PropObject<IMessage>(std::move(world), ObjectKind::Message,
                           [store, node] { return MessageName(*node); }),
      m_store(std::move(store)),
      m_node(std::move(node)),
      m_folder(std::move(folder)),
      m_props(m_node->props),
      m_modify(modify) {}

bool Message::Answers(REFIID riid) const {
  return SameIid(riid, IID_IMessage) || SameIid(riid, IID_IMAPIProp);
}

HRESULT Message::CheckUsable(const char* operation) {
  if (m_node->deleted) {
    return Fail(operation, MAPI_E_OBJECT_DELETED, "the message has been deleted");
  }
  return S_OK;
}

HRESULT Message::Commit(ULONG flags) {
  if (HRESULT hr = CheckWritable("SaveChanges"); FAILED(hr)) {
    return hr;
  }
  if (m_folder->deleted) {
    return Fail("SaveChanges", MAPI_E_OBJECT_DELETED, "the message's folder has been deleted");
  }
  m_node->props = m_props;
  ListMessage(*m_folder, m_node);
  if ((flags & KEEP_OPEN_READWRITE) == 0) {
    m_modify = false;
  }
  return S_OK;
}

STDMETHODIMP Message::GetAttachmentTable(ULONG, LPMAPITABLE* lppTable) {
  if (lppTable != nullptr) {
    *lppTable = nullptr;
  }
  return Unsupported("GetAttachmentTable");
}

STDMETHODIMP Message::OpenAttach(ULONG, LPCIID, ULONG, LPATTACH* lppAttach) {
  if (lppAttach != nullptr) {
    *lppAttach = nullptr;
  }
  return Unsupported("OpenAttach");
}

STDMETHODIMP Message::CreateAttach(LPCIID, ULONG, ULONG* lpulAttachmentNum, LPATTACH* lppAttach) {
  if (lpulAttachmentNum != nullptr) {
    *lpulAttachmentNum = 0;
  }
  if (lppAttach != nullptr) {
    *lppAttach = nullptr;
  }
  return Unsupported("CreateAttach");
}

STDMETHODIMP Message::DeleteAttach(ULONG, ULONG, LPMAPIPROGRESS, ULONG) {
  return Unsupported("DeleteAttach");
}

STDMETHODIMP Message::GetRecipientTable(ULONG, LPMAPITABLE* lppTable) {
  if (lppTable != nullptr) {
    *lppTable = nullptr;
  }
  return Unsupported("GetRecipientTable");
}

STDMETHODIMP Message::ModifyRecipients(ULONG, LPADRLIST) {
  return Unsupported("ModifyRecipients");
}

STDMETHODIMP Message::SubmitMessage(ULONG) {
  return Unsupported("SubmitMessage");
}

STDMETHODIMP Message::SetReadFlag(ULONG) {
  return Unsupported("SetReadFlag");
}

}  // namespace memstore
