// Hierarchy and contents tables: which rows they hold, missing columns, restrictions,
// the cursor, and the MAPI memory of the rows.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "mapi32/Diagnostics.h"
#include "testing/MemstoreFixture.h"

namespace {

using memstore::EntryIdBytes;
using memstore::PropValue;
using platform::ComPtr;
using platform::RowSetPtr;

constexpr ULONG kPrDisplayNameW = PROP_TAG(PT_UNICODE, 0x3001);
constexpr ULONG kPrDepth = PROP_TAG(PT_LONG, 0x3005);
constexpr ULONG kPrTopicOrder = PROP_TAG(PT_LONG, 0x6701);
constexpr LONG kMsgFlagAssociated = 0x40;
constexpr ULONG kConvenientDepth = 0x1;
constexpr ULONG kTblNoAdvance = 0x1;
constexpr ULONG kFlSubstringIgnoreCase = 0x00010001;

class FolderTableTest : public testsupport::MemstoreTest {
 protected:
  memstore::StoreRef mailbox = profile.AddStore("Mailbox", /*isDefault=*/true);
  memstore::FolderRef inbox = mailbox.AddFolder("Inbox");
  memstore::FolderRef topics = mailbox.AddFolder("Inbox/Pellacorm Topics");

  RowSetPtr QueryAll(IMAPITable* table, LPSPropTagArray columns, LPSRestriction restriction = nullptr) {
    RowSetPtr rows;
    const HRESULT hr =
        HrQueryAllRows(table, columns, restriction, nullptr, 0, platform::OutArg<RowSetPtr>(rows));
    EXPECT_EQ(hr, S_OK) << memstore::HResultText(hr);
    return rows;
  }

  ComPtr<IMAPITable> Contents(IMAPIFolder* folder, ULONG flags) {
    ComPtr<IMAPITable> table;
    EXPECT_EQ(folder->GetContentsTable(flags, table.Put()), S_OK);
    return table;
  }
};

std::string Text(const SPropValue& value) {
  if (PROP_TYPE(value.ulPropTag) == PT_ERROR) {
    return "<" + memstore::HResultText(value.Value.err) + ">";
  }
  return value.Value.lpszA;
}

std::vector<std::string> Column(const SRowSet& rows, ULONG column) {
  std::vector<std::string> values;
  for (ULONG i = 0; i < rows.cRows; ++i) {
    values.push_back(Text(rows.aRow[i].lpProps[column]));
  }
  return values;
}

TEST_F(FolderTableTest, HierarchyTableHoldsDirectSubfoldersWithMissingNamesAsErrors) {
  topics.AddFolder("alpha/Zed");
  memstore::FolderRef beta = topics.AddChild("Beta");
  memstore::FolderRef betaLower = topics.AddChild("beta");
  memstore::FolderRef unnamed = topics.AddUnnamedChild();
  auto session = profile.Logon();
  ComPtr<IMsgStore> store = OpenStore(session.Get(), mailbox);
  ComPtr<IMAPIFolder> folder = OpenFolder(store.Get(), topics, 0);

  enum { kName, kEntryId, kDepth, kColumns };
  SizedSPropTagArray(kColumns, columns) = {kColumns, {PR_DISPLAY_NAME_A, PR_ENTRYID, kPrDepth}};
  ComPtr<IMAPITable> table;
  ASSERT_EQ(folder->GetHierarchyTable(0, table.Put()), S_OK);
  RowSetPtr rows = QueryAll(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns));
  ASSERT_TRUE(rows);
  EXPECT_EQ(Column(*rows, kName),
            (std::vector<std::string>{"alpha", "Beta", "beta", "<MAPI_E_NOT_FOUND (0x8004010F)>"}));
  const SPropValue& missing = testsupport::RowAt(*rows, 3).lpProps[kName];
  EXPECT_EQ(missing.ulPropTag, CHANGE_PROP_TYPE(PR_DISPLAY_NAME_A, PT_ERROR));
  const SBinary& id = testsupport::RowAt(*rows, 3).lpProps[kEntryId].Value.bin;
  EXPECT_EQ(EntryIdBytes(id.lpb, id.lpb + id.cb), unnamed.EntryId());
  EXPECT_NE(beta.EntryId(), betaLower.EntryId());

  ComPtr<IMAPITable> deep;
  ASSERT_EQ(folder->GetHierarchyTable(kConvenientDepth, deep.Put()), S_OK);
  rows = QueryAll(deep.Get(), reinterpret_cast<LPSPropTagArray>(&columns));
  EXPECT_EQ(Column(*rows, kName),
            (std::vector<std::string>{"alpha", "Zed", "Beta", "beta", "<MAPI_E_NOT_FOUND (0x8004010F)>"}));
  EXPECT_EQ(testsupport::RowAt(*rows, 1).lpProps[kDepth].Value.l, 2);
}

TEST_F(FolderTableTest, WideColumnsConvertStoredNames) {
  auto session = profile.Logon();
  ComPtr<IMsgStore> store = OpenStore(session.Get(), mailbox);
  ComPtr<IMAPIFolder> folder = OpenFolder(store.Get(), inbox, 0);
  SizedSPropTagArray(1, columns) = {1, {kPrDisplayNameW}};
  ComPtr<IMAPITable> table;
  ASSERT_EQ(folder->GetHierarchyTable(0, table.Put()), S_OK);
  RowSetPtr rows = QueryAll(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns));
  ASSERT_EQ(rows->cRows, 1u);
  const SPropValue& name = testsupport::RowAt(*rows, 0).lpProps[0];
  ASSERT_EQ(name.ulPropTag, kPrDisplayNameW);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(name.Value.lpszW)), u"Pellacorm Topics");
}

TEST_F(FolderTableTest, ContentsTableAndAssociatedContentsTableAreSeparate) {
  inbox.AddMessage({PropValue::String(PR_SUBJECT_A, "first mail")});
  inbox.AddMessage({PropValue::String(PR_SUBJECT_A, "second mail")});
  inbox.AddMessage({PropValue::String(PR_SUBJECT_A, "hidden one")}, /*associated=*/true);
  auto session = profile.Logon();
  ComPtr<IMsgStore> store = OpenStore(session.Get(), mailbox);
  ComPtr<IMAPIFolder> folder = OpenFolder(store.Get(), inbox, 0);
  SizedSPropTagArray(2, columns) = {2, {PR_SUBJECT_A, PR_MESSAGE_FLAGS}};
  struct Case {
    ULONG flags;
    std::vector<std::string> subjects;
    bool associated;
  };
  for (const Case& c :
       {Case{0, {"first mail", "second mail"}, false}, Case{MAPI_ASSOCIATED, {"hidden one"}, true}}) {
    SCOPED_TRACE(c.associated ? "associated" : "normal");
    ComPtr<IMAPITable> table = Contents(folder.Get(), c.flags);
    ULONG count = 0;
    ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, c.subjects.size());
    RowSetPtr rows = QueryAll(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns));
    EXPECT_EQ(Column(*rows, 0), c.subjects);
    for (ULONG i = 0; i < rows->cRows; ++i) {
      EXPECT_EQ((rows->aRow[i].lpProps[1].Value.l & kMsgFlagAssociated) != 0, c.associated);
    }
  }
}

TEST_F(FolderTableTest, RestrictionsSelectRows) {
  struct Message {
    const char* messageClass;  // null: no class
    const char* subject;
    LONG order;
  };
  for (const Message& m :
       {Message{"IPM.Pellacorm.Topic", "alpha", 1}, Message{"IPM.Pellacorm.Topic", "Beta", 2},
        Message{"IPM.Configuration", "config", 3}, Message{nullptr, "bare", 4}}) {
    std::vector<PropValue> props{PropValue::String(PR_SUBJECT_A, m.subject),
                                 PropValue::Long(kPrTopicOrder, m.order)};
    if (m.messageClass != nullptr) {
      props.push_back(PropValue::String(PR_MESSAGE_CLASS_A, m.messageClass));
    }
    inbox.AddMessage(props, /*associated=*/true);
  }
  SPropValue topicClass = testsupport::StringProp(PR_MESSAGE_CLASS_A, "ipm.pellacorm.topic");
  SPropValue two = testsupport::LongProp(kPrTopicOrder, 2);
  SPropValue fragment = testsupport::StringProp(PR_SUBJECT_A, "ET");
  auto property = [](ULONG relop, SPropValue* value) {
    SRestriction r{};
    r.rt = RES_PROPERTY;
    r.res.resProperty = {relop, value->ulPropTag, value};
    return r;
  };
  SRestriction isTopic = property(RELOP_EQ, &topicClass);
  SRestriction notTopic = property(RELOP_NE, &topicClass);
  SRestriction overTwo = property(RELOP_GT, &two);
  SRestriction content{};
  content.rt = RES_CONTENT;
  content.res.resContent = {kFlSubstringIgnoreCase, PR_SUBJECT_A, &fragment};
  SRestriction hasClass{};
  hasClass.rt = RES_EXIST;
  hasClass.res.resExist.ulPropTag = PR_MESSAGE_CLASS_A;
  SRestriction negated{};
  negated.rt = RES_NOT;
  negated.res.resNot.lpRes = &isTopic;
  SRestriction topicAndOverTwo[] = {isTopic, overTwo};
  SRestriction both{};
  both.rt = RES_AND;
  both.res.resAnd = {2, topicAndOverTwo};
  SRestriction either{};
  either.rt = RES_OR;
  either.res.resOr = {2, topicAndOverTwo};

  struct Case {
    const char* what;
    SRestriction* restriction;
    std::vector<std::string> subjects;
  };
  const Case cases[] = {
      {"class equal, case ignored", &isTopic, {"alpha", "Beta"}},
      {"class not equal skips rows without a class", &notTopic, {"config"}},
      {"NOT of equal keeps rows without a class", &negated, {"config", "bare"}},
      {"class exists", &hasClass, {"alpha", "Beta", "config"}},
      {"order > 2", &overTwo, {"config", "bare"}},
      {"AND", &both, {}},
      {"OR", &either, {"alpha", "Beta", "config", "bare"}},
      {"substring, case ignored", &content, {"Beta"}},
  };
  auto session = profile.Logon();
  ComPtr<IMsgStore> store = OpenStore(session.Get(), mailbox);
  ComPtr<IMAPIFolder> folder = OpenFolder(store.Get(), inbox, 0);
  SizedSPropTagArray(1, columns) = {1, {PR_SUBJECT_A}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ComPtr<IMAPITable> table = Contents(folder.Get(), MAPI_ASSOCIATED);
    RowSetPtr rows = QueryAll(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns), c.restriction);
    EXPECT_EQ(Column(*rows, 0), c.subjects);
  }
}

TEST_F(FolderTableTest, SeekRowAndQueryRowsMoveTheCursor) {
  for (const char* subject : {"m1", "m2", "m3", "m4", "m5"}) {
    inbox.AddMessage({PropValue::String(PR_SUBJECT_A, subject)});
  }
  struct Case {
    BOOKMARK origin;
    LONG move;
    LONG sought;
    LONG rowCount;  // then QueryRows(rowCount)
    ULONG flags;
    std::vector<std::string> rows;
    std::vector<std::string> next;  // what QueryRows(1) answers after that
  };
  const Case cases[] = {
      {BOOKMARK_BEGINNING, 2, 2, 2, 0, {"m3", "m4"}, {"m5"}},
      {BOOKMARK_END, -1, -1, 5, 0, {"m5"}, {}},
      {BOOKMARK_BEGINNING, 9, 5, 1, 0, {}, {}},
      {BOOKMARK_END, -9, -5, 1, kTblNoAdvance, {"m1"}, {"m1"}},
      {BOOKMARK_END, 0, 0, -2, 0, {"m4", "m5"}, {"m4"}},
      {BOOKMARK_CURRENT, 0, 0, 3, 0, {"m1", "m2", "m3"}, {"m4"}},
  };
  auto session = profile.Logon();
  ComPtr<IMsgStore> store = OpenStore(session.Get(), mailbox);
  ComPtr<IMAPIFolder> folder = OpenFolder(store.Get(), inbox, 0);
  SizedSPropTagArray(1, columns) = {1, {PR_SUBJECT_A}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "origin " << c.origin << " move " << c.move << " rows " << c.rowCount);
    ComPtr<IMAPITable> table = Contents(folder.Get(), 0);
    ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), S_OK);
    LONG sought = 99;
    ASSERT_EQ(table->SeekRow(c.origin, c.move, &sought), S_OK);
    EXPECT_EQ(sought, c.sought);
    RowSetPtr rows;
    ASSERT_EQ(table->QueryRows(c.rowCount, c.flags, platform::OutArg<RowSetPtr>(rows)), S_OK);
    EXPECT_EQ(Column(*rows, 0), c.rows);
    ASSERT_EQ(table->QueryRows(1, 0, platform::OutArg<RowSetPtr>(rows)), S_OK);
    EXPECT_EQ(Column(*rows, 0), c.next);
  }
  ComPtr<IMAPITable> table = Contents(folder.Get(), 0);
  LPSRowSet rows = nullptr;
  EXPECT_EQ(table->QueryRows(0, 0, &rows), MAPI_E_INVALID_PARAMETER);
  EXPECT_EQ(table->SeekRow(77, 0, nullptr), MAPI_E_INVALID_BOOKMARK);
}

TEST_F(FolderTableTest, EachRowIsABufferOfItsOwnWithItsStringsLinked) {
  for (const char* subject : {"one", "two", "three"}) {
    inbox.AddMessage(
        {PropValue::String(PR_SUBJECT_A, subject), PropValue::String(PR_MESSAGE_CLASS_A, "IPM.Note")});
  }
  auto session = profile.Logon();
  ComPtr<IMsgStore> store = OpenStore(session.Get(), mailbox);
  ComPtr<IMAPIFolder> folder = OpenFolder(store.Get(), inbox, 0);
  ComPtr<IMAPITable> table = Contents(folder.Get(), 0);
  SizedSPropTagArray(3, columns) = {3, {PR_SUBJECT_A, PR_MESSAGE_CLASS_A, PR_ENTRYID}};
  ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), S_OK);
  const ULONG before = memstore::Ledger::LiveBuffers();
  LPSRowSet rows = nullptr;
  ASSERT_EQ(table->QueryRows(10, 0, &rows), S_OK);
  ASSERT_EQ(rows->cRows, 3u);
  EXPECT_EQ(memstore::Ledger::LiveBuffers(), before + 4) << "the row set and one block per row";
  // A caller may keep one row's properties and free the rest, as FreeProws does.
  LPSPropValue kept = testsupport::RowAt(*rows, 1).lpProps;
  MAPIFreeBuffer(testsupport::RowAt(*rows, 0).lpProps);
  MAPIFreeBuffer(testsupport::RowAt(*rows, 2).lpProps);
  MAPIFreeBuffer(rows);
  EXPECT_STREQ(kept[0].Value.lpszA, "two");
  EXPECT_STREQ(kept[1].Value.lpszA, "IPM.Note");
  MAPIFreeBuffer(kept);
  EXPECT_EQ(memstore::Ledger::LiveBuffers(), before);
}

TEST_F(FolderTableTest, FailedAllocationsInQueryRowsLeaveNothingBehind) {
  for (const char* subject : {"one", "two", "three"}) {
    inbox.AddMessage({PropValue::String(PR_SUBJECT_A, subject)});
  }
  auto session = profile.Logon();
  ComPtr<IMsgStore> store = OpenStore(session.Get(), mailbox);
  ComPtr<IMAPIFolder> folder = OpenFolder(store.Get(), inbox, 0);
  SizedSPropTagArray(2, columns) = {2, {PR_SUBJECT_A, PR_ENTRYID}};
  bool succeeded = false;
  for (ULONG nth = 1; !succeeded && nth < 40; ++nth) {
    SCOPED_TRACE(testing::Message() << "allocation " << nth << " fails");
    ComPtr<IMAPITable> table = Contents(folder.Get(), 0);
    ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0), S_OK);
    const ULONG before = memstore::Ledger::LiveBuffers();
    Mapi32FailAllocation(nth);
    LPSRowSet rows = reinterpret_cast<LPSRowSet>(0x1);
    const HRESULT hr = table->QueryRows(10, 0, &rows);
    Mapi32FailAllocation(0);
    if (hr == S_OK) {
      succeeded = true;
      EXPECT_EQ(rows->cRows, 3u);
      FreeProws(rows);
    } else {
      EXPECT_EQ(hr, MAPI_E_NOT_ENOUGH_MEMORY);
      EXPECT_EQ(rows, nullptr);
    }
    EXPECT_EQ(memstore::Ledger::LiveBuffers(), before);
  }
  EXPECT_TRUE(succeeded);
}

// A folder's name is its path from the store, as long as the folder is deep. A walk down
// a chain (open, hierarchy table, rows, next folder: what the topic list does) must not
// build one per call, or a chain a thousand deep costs a million steps; a fault rule
// builds a name only for the calls of its own operation, and once per call.
TEST_F(FolderTableTest, AWalkDownADeepChainBuildsNamesOnlyForTheRulesThatNeedThem) {
  constexpr int kDepth = 1000;
  memstore::FolderRef folder = topics;
  for (int i = 0; i < kDepth; ++i) {
    folder = folder.AddChild("T" + std::to_string(i));
  }
  const auto walk = [&] {
    auto session = profile.Logon();
    ComPtr<IMsgStore> store = OpenStore(session.Get(), mailbox);
    ComPtr<IMAPIFolder> current = OpenFolder(store.Get(), topics, 0);
    SizedSPropTagArray(1, columns) = {1, {PR_ENTRYID}};
    int levels = 0;
    for (;;) {
      ComPtr<IMAPITable> table;
      EXPECT_EQ(current->GetHierarchyTable(0, table.Put()), S_OK);
      RowSetPtr rows = QueryAll(table.Get(), reinterpret_cast<LPSPropTagArray>(&columns));
      if (!rows || rows->cRows == 0) {
        break;
      }
      const SBinary& id = testsupport::RowAt(*rows, 0).lpProps[0].Value.bin;
      ComPtr<IMAPIFolder> child;
      ULONG type = 0;
      EXPECT_EQ(current->OpenEntry(id.cb, reinterpret_cast<LPENTRYID>(id.lpb), nullptr, 0, &type,
                                   reinterpret_cast<LPUNKNOWN*>(child.Put())),
                S_OK);
      current = std::move(child);
      ++levels;
    }
    EXPECT_EQ(levels, kDepth);
  };

  struct Case {
    const char* rule;  // none: no rule
    const char* pattern;
    std::uint64_t names;
  } cases[] = {
      {nullptr, nullptr, 0},
      {"SaveChanges", "Mailbox/*", 0},                 // another operation
      {"GetHierarchyTable", "*", 0},                   // every name matches
      {"GetHierarchyTable", "Archive/*", kDepth + 1},  // one per call
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule == nullptr ? "no rule" : c.rule);
    profile.Faults().Clear();
    if (c.rule != nullptr) {
      // A second rule of the same operation shares the name the first one built.
      profile.Faults().Add(memstore::Fault(c.rule).On(c.pattern).AtCall(1000000));
      profile.Faults().Add(memstore::Fault(c.rule).On(c.pattern).AtCall(1000001));
    }
    const std::uint64_t before = memstore::Ledger::NamesBuilt();
    walk();
    EXPECT_EQ(memstore::Ledger::NamesBuilt() - before, c.names);
  }
}

}  // namespace
