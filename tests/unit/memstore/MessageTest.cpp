// Messages: created unsaved, listed by SaveChanges, transacted properties and the
// problem arrays of SetProps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/MemstoreFixture.h"

namespace {

using memstore::EntryIdBytes;
using memstore::PropValue;
using platform::ComPtr;

constexpr ULONG kPrTopicOrder = PROP_TAG(PT_LONG, 0x6701);

class MessageTest : public testsupport::MemstoreTest {
 protected:
  memstore::StoreRef mailbox = profile.AddStore("Mailbox", /*isDefault=*/true);
  memstore::FolderRef inbox = mailbox.AddFolder("Inbox");

  void SetUp() override {
    session = profile.Logon();
    store = OpenStore(session.Get(), mailbox);
    folder = OpenFolder(store.Get(), inbox);
  }
  void ReleaseHeldObjects() override {
    folder.Reset();
    store.Reset();
    session.Reset();
  }

  ComPtr<IMessage> Create(ULONG flags) {
    ComPtr<IMessage> message;
    EXPECT_EQ(folder->CreateMessage(nullptr, flags, message.Put()), S_OK);
    return message;
  }

  ULONG RowCount(ULONG flags) {
    ComPtr<IMAPITable> table;
    ULONG count = 99;
    EXPECT_EQ(folder->GetContentsTable(flags, table.Put()), S_OK);
    EXPECT_EQ(table->GetRowCount(0, &count), S_OK);
    return count;
  }

  ComPtr<IMAPISession> session;
  ComPtr<IMsgStore> store;
  ComPtr<IMAPIFolder> folder;
};

std::vector<std::string> Subjects(const std::vector<memstore::MessageRef>& messages) {
  std::vector<std::string> subjects;
  subjects.reserve(messages.size());
  for (const auto& message : messages) {
    subjects.push_back(
        message.Prop(PR_SUBJECT_A).value_or(PropValue::String(PR_SUBJECT_A, "<none>")).AsString());
  }
  return subjects;
}

TEST_F(MessageTest, UnsavedMessagesVanishAndSavedOnesAreListedInTheirTable) {
  struct Case {
    const char* what;
    ULONG flags;
    bool save;
  };
  const Case cases[] = {
      {"normal, released unsaved", 0, false},
      {"associated, released unsaved", MAPI_ASSOCIATED, false},
      {"normal, saved", 0, true},
      {"associated, saved", MAPI_ASSOCIATED, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::size_t normalBefore = inbox.Messages().size();
    const std::size_t associatedBefore = inbox.AssociatedMessages().size();
    const ULONG normalRows = RowCount(0);
    const ULONG associatedRows = RowCount(MAPI_ASSOCIATED);
    EntryIdBytes id;
    {
      ComPtr<IMessage> message = Create(c.flags);
      SPropValue subject = testsupport::StringProp(PR_SUBJECT_A, c.what);
      ASSERT_EQ(message->SetProps(1, &subject, nullptr), S_OK);
      platform::MapiBuffer<SPropValue> entryId;
      ASSERT_EQ(HrGetOneProp(message.Get(), PR_ENTRYID,
                             platform::OutArg<platform::MapiBuffer<SPropValue>>(entryId)),
                S_OK);
      id.assign(entryId->Value.bin.lpb, entryId->Value.bin.lpb + entryId->Value.bin.cb);
      EXPECT_EQ(RowCount(0) + RowCount(MAPI_ASSOCIATED), normalRows + associatedRows)
          << "not listed before saving";
      if (c.save) {
        ASSERT_EQ(message->SaveChanges(0), S_OK);
      }
    }
    const bool associated = (c.flags & MAPI_ASSOCIATED) != 0;
    const ULONG added = c.save ? 1 : 0;
    EXPECT_EQ(RowCount(0), normalRows + (associated ? 0 : added));
    EXPECT_EQ(RowCount(MAPI_ASSOCIATED), associatedRows + (associated ? added : 0));
    EXPECT_EQ(inbox.Messages().size(), normalBefore + (associated ? 0 : added));
    EXPECT_EQ(inbox.AssociatedMessages().size(), associatedBefore + (associated ? added : 0));
    ComPtr<IUnknown> reopened;
    ULONG type = 0;
    EXPECT_EQ(folder->OpenEntry(static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(id.data()),
                                nullptr, 0, &type, reopened.Put()),
              c.save ? S_OK : MAPI_E_NOT_FOUND);
  }
  EXPECT_EQ(Subjects(inbox.AssociatedMessages()), std::vector<std::string>{"associated, saved"});
}

TEST_F(MessageTest, ChangesShowOnlyAfterSaveChanges) {
  memstore::MessageRef saved = inbox.AddMessage({PropValue::String(PR_SUBJECT_A, "before")}, true);
  EntryIdBytes id = saved.EntryId();
  ComPtr<IUnknown> opened;
  ULONG type = 0;
  ASSERT_EQ(folder->OpenEntry(static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(id.data()), nullptr,
                              MAPI_MODIFY, &type, opened.Put()),
            S_OK);
  ASSERT_EQ(type, static_cast<ULONG>(MAPI_MESSAGE));
  auto* message = static_cast<IMessage*>(opened.Get());
  SPropValue subject = testsupport::StringProp(PR_SUBJECT_A, "after");
  ASSERT_EQ(message->SetProps(1, &subject, nullptr), S_OK);
  EXPECT_EQ(saved.Prop(PR_SUBJECT_A)->AsString(), "before");
  ASSERT_EQ(message->SaveChanges(KEEP_OPEN_READWRITE), S_OK);
  EXPECT_EQ(saved.Prop(PR_SUBJECT_A)->AsString(), "after");
  EXPECT_EQ(inbox.AssociatedMessages().size(), 1u) << "saving again lists it once";

  ASSERT_EQ(message->SaveChanges(0), S_OK);
  EXPECT_EQ(message->SetProps(1, &subject, nullptr), MAPI_E_NO_ACCESS) << "read-only after SaveChanges(0)";
}

TEST_F(MessageTest, SetPropsReportsProblemsAndSetsTheRest) {
  ComPtr<IMessage> message = Create(MAPI_ASSOCIATED);
  BYTE bytes[] = {1, 2, 3};
  SPropValue values[6] = {};
  values[0] = testsupport::StringProp(PR_SUBJECT_A, "kept");
  values[1].ulPropTag = PR_ENTRYID;  // computed by the store
  values[1].Value.bin = {3, bytes};
  values[2].ulPropTag = PROP_TAG(PT_UNSPECIFIED, 0x6702);                // no type memstore stores
  values[3].ulPropTag = CHANGE_PROP_TYPE(PR_MESSAGE_CLASS_A, PT_ERROR);  // skipped silently
  values[3].Value.err = MAPI_E_NOT_FOUND;
  values[4] = testsupport::LongProp(kPrTopicOrder, 7);
  values[5] = testsupport::StringProp(PR_MESSAGE_CLASS_A, nullptr);  // a string without its bytes

  const ULONG before = memstore::Ledger::LiveBuffers();
  LPSPropProblemArray problems = nullptr;
  ASSERT_EQ(message->SetProps(6, values, &problems), S_OK);
  ASSERT_NE(problems, nullptr);
  EXPECT_EQ(memstore::Ledger::LiveBuffers(), before + 1);
  struct Expected {
    ULONG index;
    ULONG tag;
    SCODE scode;
  };
  const Expected expected[] = {{1, PR_ENTRYID, MAPI_E_COMPUTED},
                               {2, PROP_TAG(PT_UNSPECIFIED, 0x6702), MAPI_E_INVALID_TYPE},
                               {5, PR_MESSAGE_CLASS_A, MAPI_E_BAD_VALUE}};
  ASSERT_EQ(problems->cProblem, std::size(expected));
  for (ULONG i = 0; i < problems->cProblem; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(testsupport::ProblemAt(*problems, i).ulIndex, expected[i].index);
    EXPECT_EQ(testsupport::ProblemAt(*problems, i).ulPropTag, expected[i].tag);
    EXPECT_EQ(testsupport::ProblemAt(*problems, i).scode, expected[i].scode)
        << memstore::HResultText(testsupport::ProblemAt(*problems, i).scode);
  }
  MAPIFreeBuffer(problems);

  ASSERT_EQ(message->SaveChanges(0), S_OK);
  const memstore::MessageRef saved = inbox.AssociatedMessages().at(0);
  EXPECT_EQ(saved.Prop(PR_SUBJECT_A)->AsString(), "kept");
  EXPECT_EQ(saved.Prop(kPrTopicOrder)->AsLong(), 7);
  EXPECT_FALSE(saved.Prop(PR_MESSAGE_CLASS_A).has_value());

  SPropValue object{};
  object.ulPropTag = PROP_TAG(PT_OBJECT, 0x3701);
  EXPECT_EQ(Create(0)->SetProps(1, &object, nullptr), MAPI_E_INVALID_PARAMETER);
}

TEST_F(MessageTest, ReadOnlyFolderRefusesNewMessages) {
  ComPtr<IMAPIFolder> readOnly = OpenFolder(store.Get(), inbox, 0);
  IMessage* message = reinterpret_cast<IMessage*>(0x1);
  EXPECT_EQ(readOnly->CreateMessage(nullptr, MAPI_ASSOCIATED, &message), MAPI_E_NO_ACCESS);
  EXPECT_EQ(message, nullptr);
  const std::string error = testsupport::LastErrorText(readOnly.Get());
  EXPECT_NE(error.find("CreateMessage on folder \"Mailbox/Inbox\""), std::string::npos) << error;
}

}  // namespace
