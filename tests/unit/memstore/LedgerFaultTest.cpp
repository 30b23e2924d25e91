// The ledger of live objects and buffers, injected faults and the GetLastError records
// they leave, and QueryInterface.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "testing/MemstoreFixture.h"

namespace {

using memstore::EntryIdBytes;
using memstore::Fault;
using memstore::HResultText;
using memstore::Ledger;
using memstore::ObjectKind;
using platform::ComPtr;

// The members are public: the table-driven cases reach them through a reference.
class LedgerFaultTest : public testsupport::MemstoreTest {
 public:
  memstore::StoreRef mailbox = profile.AddStore("Mailbox", /*isDefault=*/true);
  memstore::FolderRef inbox = mailbox.AddFolder("Inbox");
  memstore::FolderRef other = mailbox.AddFolder("Other");
  ComPtr<IMAPISession> session;
  ComPtr<IMsgStore> store;
  ComPtr<IMAPIFolder> folder;

 protected:
  void SetUp() override {
    mailbox.SetReceiveFolder("", inbox);
    mailbox.SetReceiveFolder("IPM.Note", inbox);
    session = profile.Logon();
    store = OpenStore(session.Get(), mailbox);
    folder = OpenFolder(store.Get(), inbox);
  }
  void ReleaseHeldObjects() override {
    folder.Reset();
    store.Reset();
    session.Reset();
  }
};

TEST_F(LedgerFaultTest, LedgerNamesWhatIsLeftLive) {
  const Ledger::Mark mark = Ledger::Now();
  EXPECT_EQ(Ledger::ReportSince(mark), "");

  IMAPITable* leakedTable = nullptr;
  ASSERT_EQ(folder->GetContentsTable(MAPI_ASSOCIATED, &leakedTable), S_OK);
  IMAPIFolder* leakedFolder = OpenFolder(store.Get(), other).Detach();
  leakedFolder->AddRef();
  ULONG cb = 0;
  LPENTRYID leakedId = nullptr;
  ASSERT_EQ(store->GetReceiveFolder(nullptr, 0, &cb, &leakedId, nullptr), S_OK);

  const std::vector<memstore::LiveObject> live = Ledger::LiveObjectsSince(mark);
  ASSERT_EQ(live.size(), 2u);
  EXPECT_EQ(live[0].kind, ObjectKind::Table);
  EXPECT_EQ(live[0].name, "Mailbox/Inbox#associated");
  EXPECT_EQ(live[1].kind, ObjectKind::Folder);
  EXPECT_EQ(live[1].name, "Mailbox/Other");
  EXPECT_EQ(live[1].references, 2u);
  const std::string report = Ledger::ReportSince(mark);
  EXPECT_NE(report.find("table \"Mailbox/Inbox#associated\" (1 reference)"), std::string::npos) << report;
  EXPECT_NE(report.find("folder \"Mailbox/Other\" (2 references)"), std::string::npos) << report;
  EXPECT_NE(report.find("MAPI buffers still live"), std::string::npos) << report;
  EXPECT_NE(LiveSinceStart(), "");

  // A rename shows in the report at once: names are read when asked.
  other.Rename("Elsewhere");
  EXPECT_EQ(Ledger::LiveObjectsSince(mark)[1].name, "Mailbox/Elsewhere");

  leakedTable->Release();
  leakedFolder->Release();
  EXPECT_NE(Ledger::ReportSince(mark), "") << "one reference is still held";
  leakedFolder->Release();
  MAPIFreeBuffer(leakedId);
  EXPECT_EQ(Ledger::ReportSince(mark), "");
}

// One call of the operation under test; answers its result and the GetLastError text of
// the object it was made on.
using Call = std::function<HRESULT(LedgerFaultTest&, std::string*)>;

struct FaultCase {
  const char* operation;
  const char* object;
  ObjectKind kind;
  HRESULT result;
  Call call;
};

TEST_F(LedgerFaultTest, FaultFiresAtExactlyTheNthMatchingCall) {
  const FaultCase cases[] = {
      {"CreateMessage", "Mailbox/Inbox", ObjectKind::Folder, MAPI_E_NOT_ENOUGH_MEMORY,
       [](LedgerFaultTest& t, std::string* error) {
         ComPtr<IMessage> message;
         const HRESULT hr = t.folder->CreateMessage(nullptr, MAPI_ASSOCIATED, message.Put());
         *error = testsupport::LastErrorText(t.folder.Get());
         return hr;
       }},
      {"OpenMsgStore", "session", ObjectKind::Session, MAPI_E_NETWORK_ERROR,
       [](LedgerFaultTest& t, std::string* error) {
         EntryIdBytes id = t.mailbox.EntryId();
         ComPtr<IMsgStore> opened;
         const HRESULT hr =
             t.session->OpenMsgStore(0, static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(id.data()),
                                     nullptr, 0, opened.Put());
         *error = testsupport::LastErrorText(t.session.Get());
         return hr;
       }},
      {"QueryRows", "*", ObjectKind::Table, MAPI_E_BUSY,
       [](LedgerFaultTest& t, std::string* error) {
         // HrQueryAllRows makes two QueryRows calls on a table with rows; the fault
         // counts each, and HrQueryAllRows must free what it had on failure.
         t.inbox.AddMessage({memstore::PropValue::String(PR_SUBJECT_A, "x")}, true);
         ComPtr<IMAPITable> table;
         EXPECT_EQ(t.folder->GetContentsTable(MAPI_ASSOCIATED, table.Put()), S_OK);
         LPSRowSet rows = nullptr;
         const HRESULT hr = table->QueryRows(1, 0, &rows);
         FreeProws(rows);
         *error = testsupport::LastErrorText(table.Get());
         return hr;
       }},
      {"SaveChanges", "*", ObjectKind::Message, MAPI_E_DISK_ERROR,
       [](LedgerFaultTest& t, std::string* error) {
         ComPtr<IMessage> message;
         EXPECT_EQ(t.folder->CreateMessage(nullptr, 0, message.Put()), S_OK);
         EXPECT_EQ(t.folder->SaveChanges(0), S_OK) << "a folder's SaveChanges is not a message's";
         const HRESULT hr = message->SaveChanges(0);
         *error = testsupport::LastErrorText(message.Get());
         return hr;
       }},
      {"GetReceiveFolder", "Mailbox", ObjectKind::Store, MAPI_E_CALL_FAILED,
       [](LedgerFaultTest& t, std::string* error) {
         ULONG cb = 0;
         platform::MapiBuffer<ENTRYID> id;
         const HRESULT hr = t.store->GetReceiveFolder(
             nullptr, 0, &cb, platform::OutArg<platform::MapiBuffer<ENTRYID>>(id), nullptr);
         *error = testsupport::LastErrorText(t.store.Get());
         return hr;
       }},
  };
  constexpr ULONG kNth = 3;
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.operation);
    const memstore::FaultTable::Id id =
        profile.Faults().Add(Fault(c.operation).On(c.object).OfKind(c.kind).AtCall(kNth).Returning(c.result));
    for (ULONG call = 1; call <= kNth + 2; ++call) {
      SCOPED_TRACE(testing::Message() << "call " << call);
      std::string error;
      const HRESULT hr = c.call(*this, &error);
      if (call != kNth) {
        EXPECT_EQ(hr, S_OK) << HResultText(hr);
        continue;
      }
      EXPECT_EQ(hr, c.result) << HResultText(hr);
      EXPECT_EQ(error.rfind("memstore: ", 0), 0u) << error;
      EXPECT_NE(error.find(std::string(c.operation) + " on "), std::string::npos) << error;
      EXPECT_NE(error.find(HResultText(c.result)), std::string::npos) << error;
      EXPECT_NE(error.find("injected fault (matching call 3)"), std::string::npos) << error;
    }
    EXPECT_EQ(profile.Faults().TimesFired(id), 1u);
    EXPECT_EQ(profile.Faults().CallsSeen(id), kNth + 2);
    profile.Faults().Remove(id);
  }
}

TEST_F(LedgerFaultTest, OnlyMatchingCallsCount) {
  ComPtr<IMAPIFolder> elsewhere = OpenFolder(store.Get(), other);
  profile.Faults().Add(Fault("GetContentsTable").On("*/Inbox").AtCall(2).Returning(MAPI_E_NO_ACCESS));
  profile.Faults().Add(Fault("QueryRows").On("*#associated").FromCall(1).Returning(MAPI_E_TIMEOUT));
  ComPtr<IMAPITable> table;
  EXPECT_EQ(elsewhere->GetContentsTable(0, table.Put()), S_OK);
  EXPECT_EQ(elsewhere->GetContentsTable(0, table.Put()), S_OK);
  EXPECT_EQ(folder->GetContentsTable(0, table.Put()), S_OK);
  LPSRowSet rows = nullptr;
  EXPECT_EQ(table->QueryRows(5, 0, &rows), S_OK) << "a normal contents table is not #associated";
  FreeProws(rows);
  EXPECT_EQ(folder->GetContentsTable(MAPI_ASSOCIATED, table.Put()), MAPI_E_NO_ACCESS);
  EXPECT_EQ(table.Get(), nullptr);
  EXPECT_EQ(folder->GetContentsTable(MAPI_ASSOCIATED, table.Put()), S_OK);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(table->QueryRows(5, 0, &rows), MAPI_E_TIMEOUT) << "every call from the first on";
    EXPECT_EQ(rows, nullptr);
  }
  profile.Faults().Clear();
  EXPECT_EQ(table->QueryRows(5, 0, &rows), S_OK);
  FreeProws(rows);
}

TEST_F(LedgerFaultTest, HrQueryAllRowsPassesAFaultOnAndLeaksNothing) {
  for (int i = 0; i < 3; ++i) {
    inbox.AddMessage({memstore::PropValue::String(PR_SUBJECT_A, "m")}, true);
  }
  for (ULONG nth : {1u, 2u}) {
    SCOPED_TRACE(testing::Message() << "QueryRows call " << nth << " fails");
    const ULONG buffers = Ledger::LiveBuffers();
    profile.Faults().Clear();
    profile.Faults().Add(Fault("QueryRows").AtCall(nth).Returning(MAPI_E_NETWORK_ERROR));
    ComPtr<IMAPITable> table;
    ASSERT_EQ(folder->GetContentsTable(MAPI_ASSOCIATED, table.Put()), S_OK);
    LPSRowSet rows = reinterpret_cast<LPSRowSet>(0x1);
    EXPECT_EQ(HrQueryAllRows(table.Get(), nullptr, nullptr, nullptr, 0, &rows), MAPI_E_NETWORK_ERROR);
    EXPECT_EQ(rows, nullptr);
    EXPECT_EQ(Ledger::LiveBuffers(), buffers);
  }
}

TEST_F(LedgerFaultTest, SetPropsFaultReportsTheChosenProblems) {
  constexpr ULONG kPrTopicOrder = PROP_TAG(PT_LONG, 0x6701);
  SPropValue values[3] = {testsupport::StringProp(PR_MESSAGE_CLASS_A, "IPM.Pellacorm.Topic"),
                          testsupport::StringProp(PR_SUBJECT_A, "refused"),
                          testsupport::LongProp(kPrTopicOrder, 4)};
  profile.Faults().Add(
      Fault("SetProps")
          .OfKind(ObjectKind::Message)
          .AtCall(1)
          .WithProblems({{1, PR_SUBJECT_A, MAPI_E_NO_ACCESS}, {2, kPrTopicOrder, MAPI_E_NOT_ENOUGH_MEMORY}}));
  ComPtr<IMessage> message;
  ASSERT_EQ(folder->CreateMessage(nullptr, MAPI_ASSOCIATED, message.Put()), S_OK);
  LPSPropProblemArray problems = nullptr;
  ASSERT_EQ(message->SetProps(3, values, &problems), S_OK);
  ASSERT_NE(problems, nullptr);
  ASSERT_EQ(problems->cProblem, 2u);
  EXPECT_EQ(testsupport::ProblemAt(*problems, 0).ulIndex, 1u);
  EXPECT_EQ(testsupport::ProblemAt(*problems, 0).ulPropTag, static_cast<ULONG>(PR_SUBJECT_A));
  EXPECT_EQ(testsupport::ProblemAt(*problems, 0).scode, MAPI_E_NO_ACCESS);
  EXPECT_EQ(testsupport::ProblemAt(*problems, 1).scode, MAPI_E_NOT_ENOUGH_MEMORY);
  MAPIFreeBuffer(problems);
  ASSERT_EQ(message->SaveChanges(0), S_OK);
  const memstore::MessageRef saved = inbox.AssociatedMessages().at(0);
  EXPECT_EQ(saved.Prop(PR_MESSAGE_CLASS_A)->AsString(), "IPM.Pellacorm.Topic");
  EXPECT_FALSE(saved.Prop(PR_SUBJECT_A).has_value());
  EXPECT_FALSE(saved.Prop(kPrTopicOrder).has_value());

  // A failing SetProps sets nothing and hands out no problem array.
  profile.Faults().Add(Fault("SetProps").AtCall(1).Returning(MAPI_E_NOT_ENOUGH_MEMORY));
  ASSERT_EQ(folder->CreateMessage(nullptr, 0, message.Put()), S_OK);
  problems = reinterpret_cast<LPSPropProblemArray>(0x1);
  EXPECT_EQ(message->SetProps(3, values, &problems), MAPI_E_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(problems, nullptr);
  ULONG count = 0;
  platform::MapiBuffer<SPropValue> props;
  SizedSPropTagArray(1, subject) = {1, {PR_SUBJECT_A}};
  EXPECT_EQ(message->GetProps(reinterpret_cast<LPSPropTagArray>(&subject), 0, &count,
                              platform::OutArg<platform::MapiBuffer<SPropValue>>(props)),
            MAPI_W_ERRORS_RETURNED);
}

TEST_F(LedgerFaultTest, GetLastErrorRecords) {
  LPMAPIERROR record = reinterpret_cast<LPMAPIERROR>(0x1);
  ASSERT_EQ(folder->GetLastError(S_OK, 0, &record), S_OK);
  EXPECT_EQ(record, nullptr) << "no failure yet";

  ComPtr<IMAPITable> table;
  ASSERT_EQ(folder->GetContentsTable(0, table.Put()), S_OK);
  EXPECT_EQ(table->Advise(0, nullptr, nullptr), MAPI_E_NO_SUPPORT);
  const std::string text = testsupport::LastErrorText(table.Get());
  EXPECT_NE(text.find("Advise on table \"Mailbox/Inbox#contents\" failed with MAPI_E_NO_SUPPORT"),
            std::string::npos)
      << text;

  const ULONG buffers = Ledger::LiveBuffers();
  ASSERT_EQ(table->GetLastError(MAPI_E_NO_SUPPORT, MAPI_UNICODE, &record), S_OK);
  EXPECT_EQ(Ledger::LiveBuffers(), buffers + 1) << "the strings live in the record's buffer";
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(record->lpszComponent)), u"memstore");
  EXPECT_EQ(record->ulVersion, 0u);
  MAPIFreeBuffer(record);
}

TEST_F(LedgerFaultTest, QueryInterfaceAnswersTheObjectsInterfaces) {
  ComPtr<IMessage> message;
  ASSERT_EQ(folder->CreateMessage(nullptr, 0, message.Put()), S_OK);
  ComPtr<IMAPITable> table;
  ASSERT_EQ(folder->GetHierarchyTable(0, table.Put()), S_OK);
  struct Case {
    const char* what;
    IUnknown* object;
    std::vector<const IID*> answered;
  };
  const std::vector<const IID*> all = {&memstore::IID_IUnknown,       &memstore::IID_IMAPISession,
                                       &memstore::IID_IMAPITable,     &memstore::IID_IMAPIProp,
                                       &memstore::IID_IMsgStore,      &memstore::IID_IMessage,
                                       &memstore::IID_IMAPIContainer, &memstore::IID_IMAPIFolder};
  const Case cases[] = {
      {"session", session.Get(), {&memstore::IID_IUnknown, &memstore::IID_IMAPISession}},
      {"store", store.Get(), {&memstore::IID_IUnknown, &memstore::IID_IMAPIProp, &memstore::IID_IMsgStore}},
      {"folder",
       folder.Get(),
       {&memstore::IID_IUnknown, &memstore::IID_IMAPIProp, &memstore::IID_IMAPIContainer,
        &memstore::IID_IMAPIFolder}},
      {"message",
       message.Get(),
       {&memstore::IID_IUnknown, &memstore::IID_IMAPIProp, &memstore::IID_IMessage}},
      {"table", table.Get(), {&memstore::IID_IUnknown, &memstore::IID_IMAPITable}},
  };
  for (const Case& c : cases) {
    for (const IID* iid : all) {
      SCOPED_TRACE(testing::Message() << c.what << " asked for {" << std::hex << iid->Data1 << "}");
      const bool expected = std::find(c.answered.begin(), c.answered.end(), iid) != c.answered.end();
      void* answer = reinterpret_cast<void*>(0x1);
      EXPECT_EQ(c.object->QueryInterface(*iid, &answer), expected ? S_OK : E_NOINTERFACE);
      EXPECT_EQ(answer, expected ? static_cast<void*>(c.object) : nullptr);
      if (expected) {
        static_cast<IUnknown*>(answer)->Release();
      }
    }
  }
  // Well-known values: the SDK's IID_IMAPIFolder.
  EXPECT_EQ(memstore::IID_IMAPIFolder.Data1, 0x0002030Cu);
  EXPECT_EQ(memstore::IID_IMAPIFolder.Data4[0], 0xC0);
  EXPECT_EQ(memstore::IID_IMAPIFolder.Data4[7], 0x46);
}

}  // namespace
