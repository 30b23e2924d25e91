// The session's stores table and OpenMsgStore, and the store's properties and receive
// folders, as the extension meets them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/MemstoreFixture.h"

namespace {

using memstore::EntryIdBytes;
using memstore::HResultText;
using platform::ComPtr;
using platform::RowSetPtr;

LPENTRYID AsEntryId(EntryIdBytes& bytes) {
  return reinterpret_cast<LPENTRYID>(bytes.data());
}

ULONG SizeOf(const EntryIdBytes& bytes) {
  return static_cast<ULONG>(bytes.size());
}

class SessionStoreTest : public testsupport::MemstoreTest {
 protected:
  memstore::StoreRef mailbox = profile.AddStore("Mailbox", /*isDefault=*/true);
  memstore::StoreRef archive = profile.AddStore("Archive");
  memstore::StoreRef shared = profile.AddStore("Shared Folders");
};

std::vector<std::string> DisplayNames(const SRowSet& rows, ULONG column) {
  std::vector<std::string> names;
  for (ULONG i = 0; i < rows.cRows; ++i) {
    const SPropValue& value = rows.aRow[i].lpProps[column];
    names.push_back(PROP_TYPE(value.ulPropTag) == PT_STRING8 ? value.Value.lpszA : "<error>");
  }
  return names;
}

TEST_F(SessionStoreTest, StoresTableRestrictedOnDefaultStore) {
  enum { kDisplayName, kDefault, kEntryId, kColumns };
  SizedSPropTagArray(kColumns, columns) = {kColumns, {PR_DISPLAY_NAME_A, PR_DEFAULT_STORE, PR_ENTRYID}};
  SPropValue isTrue = testsupport::BoolProp(PR_DEFAULT_STORE, true);
  SRestriction equal{};
  equal.rt = RES_PROPERTY;
  equal.res.resProperty = {RELOP_EQ, PR_DEFAULT_STORE, &isTrue};
  SRestriction notEqual = equal;
  notEqual.res.resProperty.relop = RELOP_NE;
  SRestriction exists{};
  exists.rt = RES_EXIST;
  exists.res.resExist.ulPropTag = PR_DEFAULT_STORE;

  struct Case {
    const char* what;
    LPSRestriction restriction;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"no restriction", nullptr, {"Mailbox", "Archive", "Shared Folders"}},
      {"PR_DEFAULT_STORE == TRUE", &equal, {"Mailbox"}},
      {"PR_DEFAULT_STORE != TRUE", &notEqual, {"Archive", "Shared Folders"}},
      {"PR_DEFAULT_STORE exists", &exists, {"Mailbox", "Archive", "Shared Folders"}},
  };
  auto session = profile.Logon();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ComPtr<IMAPITable> table;
    ASSERT_EQ(session->GetMsgStoresTable(0, table.Put()), S_OK);
    RowSetPtr rows;
    ASSERT_EQ(HrQueryAllRows(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns), c.restriction, nullptr,
                             0, platform::OutArg<RowSetPtr>(rows)),
              S_OK);
    EXPECT_EQ(DisplayNames(*rows, kDisplayName), c.expected);
    for (ULONG i = 0; i < rows->cRows; ++i) {
      const SRow& row = rows->aRow[i];
      ASSERT_EQ(row.cValues, static_cast<ULONG>(kColumns));
      EXPECT_EQ(row.lpProps[kDefault].ulPropTag, static_cast<ULONG>(PR_DEFAULT_STORE));
      EXPECT_EQ(row.lpProps[kDefault].Value.b != 0, c.expected[i] == "Mailbox");
      EXPECT_EQ(row.lpProps[kEntryId].ulPropTag, static_cast<ULONG>(PR_ENTRYID));
    }
  }
}

TEST_F(SessionStoreTest, EntryIdFromTheStoresTableOpensThatStore) {
  auto session = profile.Logon();
  ComPtr<IMAPITable> table;
  ASSERT_EQ(session->GetMsgStoresTable(0, table.Put()), S_OK);
  SizedSPropTagArray(2, columns) = {2, {PR_ENTRYID, PR_DISPLAY_NAME_A}};
  RowSetPtr rows;
  ASSERT_EQ(HrQueryAllRows(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns), nullptr, nullptr, 0,
                           platform::OutArg<RowSetPtr>(rows)),
            S_OK);
  ASSERT_EQ(rows->cRows, 3u);
  for (ULONG i = 0; i < rows->cRows; ++i) {
    const SBinary& id = rows->aRow[i].lpProps[0].Value.bin;
    ComPtr<IMsgStore> store;
    ASSERT_EQ(
        session->OpenMsgStore(0, id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, MDB_WRITE, store.Put()),
        S_OK);
    platform::MapiBuffer<SPropValue> name;
    ASSERT_EQ(HrGetOneProp(store.Get(), PR_DISPLAY_NAME_A,
                           platform::OutArg<platform::MapiBuffer<SPropValue>>(name)),
              S_OK);
    EXPECT_STREQ(name->Value.lpszA, rows->aRow[i].lpProps[1].Value.lpszA);
  }
}

TEST_F(SessionStoreTest, OpenMsgStoreRefusesIdentifiersOfNoStore) {
  const EntryIdBytes good = archive.EntryId();
  EntryIdBytes unknownStore = good;
  unknownStore[16] = 0x63;  // the store number inside the uid: store 99 does not exist
  EntryIdBytes truncated(good.begin(), good.begin() + 12);
  EntryIdBytes foreign = good;
  foreign[4] ^= 0xFF;  // another provider's uid
  EntryIdBytes folder = archive.IpmSubtree().EntryId();
  struct Case {
    const char* what;
    EntryIdBytes id;
    HRESULT expected;
  };
  const Case cases[] = {
      {"unknown store", unknownStore, MAPI_E_NOT_FOUND},
      {"truncated", truncated, MAPI_E_INVALID_ENTRYID},
      {"another provider's", foreign, MAPI_E_INVALID_ENTRYID},
      {"a folder's", folder, MAPI_E_INVALID_ENTRYID},
  };
  auto session = profile.Logon();
  for (Case c : cases) {
    SCOPED_TRACE(c.what);
    IMsgStore* store = reinterpret_cast<IMsgStore*>(0x1);  // must come back null
    EXPECT_EQ(session->OpenMsgStore(0, SizeOf(c.id), AsEntryId(c.id), nullptr, MDB_WRITE, &store), c.expected)
        << HResultText(c.expected);
    EXPECT_EQ(store, nullptr);
    const std::string error = testsupport::LastErrorText(session.Get());
    EXPECT_NE(error.find("OpenMsgStore"), std::string::npos) << error;
    EXPECT_NE(error.find(HResultText(c.expected)), std::string::npos) << error;
  }
}

TEST_F(SessionStoreTest, StoreOpenedWithoutWriteAccessRefusesChanges) {
  memstore::FolderRef inbox = mailbox.AddFolder("Inbox");
  EntryIdBytes inboxId = inbox.EntryId();
  auto session = profile.Logon();
  char noteClass[] = "IPM.Note";

  ComPtr<IMsgStore> readOnly = OpenStore(session.Get(), mailbox, 0);
  EXPECT_EQ(readOnly->SetReceiveFolder(noteClass, 0, SizeOf(inboxId), AsEntryId(inboxId)), MAPI_E_NO_ACCESS);
  ComPtr<IUnknown> folder;
  ULONG type = 0;
  EXPECT_EQ(
      readOnly->OpenEntry(SizeOf(inboxId), AsEntryId(inboxId), nullptr, MAPI_MODIFY, &type, folder.Put()),
      MAPI_E_NO_ACCESS);
  EXPECT_EQ(readOnly->OpenEntry(SizeOf(inboxId), AsEntryId(inboxId), nullptr, MAPI_BEST_ACCESS, &type,
                                folder.Put()),
            S_OK);
  ComPtr<IMessage> message;
  EXPECT_EQ(static_cast<IMAPIFolder*>(folder.Get())->CreateMessage(nullptr, 0, message.Put()),
            MAPI_E_NO_ACCESS)
      << "MAPI_BEST_ACCESS on a read-only store grants reading only";

  ComPtr<IMsgStore> writable = OpenStore(session.Get(), mailbox, MDB_WRITE);
  EXPECT_EQ(writable->SetReceiveFolder(noteClass, 0, SizeOf(inboxId), AsEntryId(inboxId)), S_OK);
}

TEST_F(SessionStoreTest, MissingStorePropertyComesBackAsAnError) {
  auto session = profile.Logon();
  ComPtr<IMsgStore> store = OpenStore(session.Get(), mailbox);
  platform::MapiBuffer<SPropValue> ipm;
  ASSERT_EQ(HrGetOneProp(store.Get(), PR_IPM_SUBTREE_ENTRYID,
                         platform::OutArg<platform::MapiBuffer<SPropValue>>(ipm)),
            S_OK);
  EXPECT_EQ(EntryIdBytes(ipm->Value.bin.lpb, ipm->Value.bin.lpb + ipm->Value.bin.cb),
            mailbox.IpmSubtree().EntryId());

  mailbox.RemoveIpmSubtree();
  EXPECT_EQ(HrGetOneProp(store.Get(), PR_IPM_SUBTREE_ENTRYID,
                         platform::OutArg<platform::MapiBuffer<SPropValue>>(ipm)),
            MAPI_E_NOT_FOUND);
  EXPECT_EQ(ipm, nullptr);

  SizedSPropTagArray(3, tags) = {3, {PR_DISPLAY_NAME_A, PR_IPM_SUBTREE_ENTRYID, PR_ENTRYID}};
  ULONG count = 0;
  platform::MapiBuffer<SPropValue> values;
  ASSERT_EQ(store->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count,
                            platform::OutArg<platform::MapiBuffer<SPropValue>>(values)),
            MAPI_W_ERRORS_RETURNED);
  ASSERT_EQ(count, 3u);
  EXPECT_STREQ(values.get()[0].Value.lpszA, "Mailbox");
  EXPECT_EQ(values.get()[1].ulPropTag, CHANGE_PROP_TYPE(PR_IPM_SUBTREE_ENTRYID, PT_ERROR));
  EXPECT_EQ(values.get()[1].Value.err, MAPI_E_NOT_FOUND);
  EXPECT_EQ(EntryIdBytes(values.get()[2].Value.bin.lpb,
                         values.get()[2].Value.bin.lpb + values.get()[2].Value.bin.cb),
            mailbox.EntryId());
}

TEST_F(SessionStoreTest, GetReceiveFolderFallsBackToBaseClasses) {
  memstore::FolderRef inbox = mailbox.AddFolder("Inbox");
  memstore::FolderRef notes = mailbox.AddFolder("Notes");
  memstore::FolderRef special = mailbox.AddFolder("Notes/Special");
  mailbox.SetReceiveFolder("", inbox);
  mailbox.SetReceiveFolder("IPM.Note", notes);
  mailbox.SetReceiveFolder("IPM.Note.Special", special);
  struct Case {
    const char* messageClass;
    memstore::FolderRef folder;
    const char* explicitClass;
  };
  const Case cases[] = {
      {"IPM.Note", notes, "IPM.Note"},
      {"IPM.Note.Reply", notes, "IPM.Note"},
      {"ipm.note.special", special, "IPM.Note.Special"},
      {"IPM.Appointment", inbox, ""},
      {nullptr, inbox, ""},
  };
  auto session = profile.Logon();
  ComPtr<IMsgStore> store = OpenStore(session.Get(), mailbox);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.messageClass != nullptr ? c.messageClass : "(null)");
    std::string messageClass = c.messageClass != nullptr ? c.messageClass : "";
    const ULONG buffersBefore = memstore::Ledger::LiveBuffers();
    ULONG cb = 0;
    LPENTRYID id = nullptr;
    LPSTR explicitClass = nullptr;
    ASSERT_EQ(store->GetReceiveFolder(c.messageClass != nullptr ? messageClass.data() : nullptr, 0, &cb, &id,
                                      &explicitClass),
              S_OK);
    EXPECT_EQ(memstore::Ledger::LiveBuffers(), buffersBefore + 2)
        << "the identifier and the class, one buffer each";
    EXPECT_EQ(EntryIdBytes(reinterpret_cast<BYTE*>(id), reinterpret_cast<BYTE*>(id) + cb),
              c.folder.EntryId());
    EXPECT_STREQ(explicitClass, c.explicitClass);
    MAPIFreeBuffer(id);
    MAPIFreeBuffer(explicitClass);
    EXPECT_EQ(memstore::Ledger::LiveBuffers(), buffersBefore);
  }

  // Without lppszExplicitClass only the identifier is handed out.
  const ULONG buffersBefore = memstore::Ledger::LiveBuffers();
  ULONG cb = 0;
  platform::MapiBuffer<ENTRYID> id;
  char noteClass[] = "IPM.Note";
  ASSERT_EQ(store->GetReceiveFolder(noteClass, 0, &cb, platform::OutArg<platform::MapiBuffer<ENTRYID>>(id),
                                    nullptr),
            S_OK);
  EXPECT_EQ(memstore::Ledger::LiveBuffers(), buffersBefore + 1);
}

TEST_F(SessionStoreTest, GetReceiveFolderOfAStoreWithoutOneIsNotFound) {
  auto session = profile.Logon();
  ComPtr<IMsgStore> store = OpenStore(session.Get(), archive);
  ULONG cb = 7;
  LPENTRYID id = reinterpret_cast<LPENTRYID>(0x1);
  LPSTR explicitClass = reinterpret_cast<LPSTR>(0x1);
  char noteClass[] = "IPM.Note";
  EXPECT_EQ(store->GetReceiveFolder(noteClass, 0, &cb, &id, &explicitClass), MAPI_E_NOT_FOUND);
  EXPECT_EQ(cb, 0u);
  EXPECT_EQ(id, nullptr);
  EXPECT_EQ(explicitClass, nullptr);
  EXPECT_NE(testsupport::LastErrorText(store.Get()).find("GetReceiveFolder"), std::string::npos);
}

}  // namespace
