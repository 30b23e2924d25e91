// Folders renamed, moved and deleted after first use, through the interfaces and
// through the profile builder, and what their entry identifiers do meanwhile.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "testing/MemstoreFixture.h"

namespace {

using memstore::EntryIdBytes;
using memstore::FolderRef;
using platform::ComPtr;

constexpr ULONG kFolderMove = 0x1;
constexpr ULONG kDelMessages = 0x1;
constexpr ULONG kDelFolders = 0x4;
constexpr ULONG kOpenIfExists = 0x1;

class FolderLifecycleTest : public testsupport::MemstoreTest {
 protected:
  memstore::StoreRef mailbox = profile.AddStore("Mailbox", /*isDefault=*/true);
  FolderRef inbox = mailbox.AddFolder("Inbox");
  FolderRef topics = mailbox.AddFolder("Inbox/Pellacorm Topics");
  FolderRef alpha = mailbox.AddFolder("Inbox/Pellacorm Topics/alpha");
  FolderRef archive = mailbox.AddFolder("Archive");

  void SetUp() override {
    session = profile.Logon();
    store = OpenStore(session.Get(), mailbox);
  }
  void ReleaseHeldObjects() override {
    store.Reset();
    session.Reset();
  }

  // Opens by entry identifier; answers the result and the folder's display name.
  HRESULT OpenById(EntryIdBytes id, std::string* name = nullptr) {
    ComPtr<IUnknown> folder;
    ULONG type = 0;
    const HRESULT hr = store->OpenEntry(static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(id.data()),
                                        nullptr, 0, &type, folder.Put());
    if (SUCCEEDED(hr) && name != nullptr) {
      platform::MapiBuffer<SPropValue> value;
      EXPECT_EQ(HrGetOneProp(static_cast<IMAPIFolder*>(folder.Get()), PR_DISPLAY_NAME_A,
                             platform::OutArg<platform::MapiBuffer<SPropValue>>(value)),
                S_OK);
      *name = value ? value->Value.lpszA : "";
    }
    return hr;
  }

  ComPtr<IMAPISession> session;
  ComPtr<IMsgStore> store;
};

TEST_F(FolderLifecycleTest, RenamedAndMovedFoldersKeepTheirEntryId) {
  const EntryIdBytes id = topics.EntryId();
  struct Case {
    const char* what;
    std::function<void()> change;
    const char* name;
    const char* path;
  };
  const Case cases[] = {
      {"renamed through SetProps",
       [this] {
         ComPtr<IMAPIFolder> folder = OpenFolder(store.Get(), topics);
         SPropValue name = testsupport::StringProp(PR_DISPLAY_NAME_A, "Topics Renamed");
         ASSERT_EQ(folder->SetProps(1, &name, nullptr), S_OK);
       },
       "Topics Renamed", "Mailbox/Inbox/Topics Renamed"},
      {"moved through CopyFolder with FOLDER_MOVE",
       [this] {
         ComPtr<IMAPIFolder> from = OpenFolder(store.Get(), inbox);
         ComPtr<IMAPIFolder> to = OpenFolder(store.Get(), archive);
         EntryIdBytes moving = topics.EntryId();
         ASSERT_EQ(
             from->CopyFolder(static_cast<ULONG>(moving.size()), reinterpret_cast<LPENTRYID>(moving.data()),
                              nullptr, to.Get(), nullptr, 0, nullptr, kFolderMove),
             S_OK);
       },
       "Topics Renamed", "Mailbox/Archive/Topics Renamed"},
      {"renamed and moved by the builder",
       [this] {
         topics.Rename("Pellacorm Topics");
         topics.MoveTo(inbox);
       },
       "Pellacorm Topics", "Mailbox/Inbox/Pellacorm Topics"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.change();
    std::string name;
    EXPECT_EQ(OpenById(id, &name), S_OK);
    EXPECT_EQ(name, c.name);
    EXPECT_EQ(topics.Name(), c.path);
    EXPECT_EQ(topics.EntryId(), id);
    EXPECT_EQ(alpha.Name(), std::string(c.path) + "/alpha") << "children move along";
  }
}

TEST_F(FolderLifecycleTest, DeletedFoldersNoLongerOpen) {
  alpha.AddMessage({memstore::PropValue::String(PR_SUBJECT_A, "setting")}, /*associated=*/true);
  const EntryIdBytes topicsId = topics.EntryId();
  const EntryIdBytes alphaId = alpha.EntryId();
  ComPtr<IMAPIFolder> stillOpen = OpenFolder(store.Get(), alpha);
  ComPtr<IMAPIFolder> parent = OpenFolder(store.Get(), inbox);
  EntryIdBytes id = topicsId;
  struct Attempt {
    ULONG flags;
    HRESULT expected;
  };
  for (const Attempt& a : {Attempt{0, MAPI_E_HAS_FOLDERS}, Attempt{kDelFolders, MAPI_E_HAS_MESSAGES},
                           Attempt{kDelFolders | kDelMessages, S_OK}}) {
    EXPECT_EQ(parent->DeleteFolder(static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(id.data()), 0,
                                   nullptr, a.flags),
              a.expected)
        << "flags " << a.flags;
  }
  EXPECT_EQ(OpenById(topicsId), MAPI_E_NOT_FOUND);
  EXPECT_EQ(OpenById(alphaId), MAPI_E_NOT_FOUND) << "the subtree goes with it";
  EXPECT_TRUE(alpha.IsDeleted());
  ComPtr<IMAPITable> table;
  EXPECT_EQ(stillOpen->GetContentsTable(MAPI_ASSOCIATED, table.Put()), MAPI_E_OBJECT_DELETED);

  // A new folder of the same name is another folder.
  FolderRef again = mailbox.AddFolder("Inbox/Pellacorm Topics");
  EXPECT_NE(again.EntryId(), topicsId);
  EXPECT_EQ(OpenById(topicsId), MAPI_E_NOT_FOUND);
  EXPECT_EQ(parent->DeleteFolder(static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(id.data()), 0,
                                 nullptr, kDelFolders),
            MAPI_E_NOT_FOUND);

  archive.Delete();
  EXPECT_EQ(OpenById(archive.EntryId()), MAPI_E_NOT_FOUND);
}

TEST_F(FolderLifecycleTest, MovesThatWouldMakeACycleAreRefused) {
  ComPtr<IMAPIFolder> from = OpenFolder(store.Get(), inbox);
  ComPtr<IMAPIFolder> below = OpenFolder(store.Get(), alpha);
  EntryIdBytes id = topics.EntryId();
  EXPECT_EQ(from->CopyFolder(static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(id.data()), nullptr,
                             below.Get(), nullptr, 0, nullptr, kFolderMove),
            MAPI_E_FOLDER_CYCLE);
  EXPECT_EQ(topics.Name(), "Mailbox/Inbox/Pellacorm Topics");
  EXPECT_THROW(topics.MoveTo(alpha), std::runtime_error);
}

TEST_F(FolderLifecycleTest, CreateFolderCollidesIgnoringCase) {
  ComPtr<IMAPIFolder> parent = OpenFolder(store.Get(), inbox);
  char name[] = "PELLACORM topics";
  ComPtr<IMAPIFolder> created;
  EXPECT_EQ(parent->CreateFolder(FOLDER_GENERIC, name, nullptr, nullptr, 0, created.Put()), MAPI_E_COLLISION);
  ASSERT_EQ(parent->CreateFolder(FOLDER_GENERIC, name, nullptr, nullptr, kOpenIfExists, created.Put()), S_OK);
  platform::MapiBuffer<SPropValue> id;
  ASSERT_EQ(HrGetOneProp(created.Get(), PR_ENTRYID, platform::OutArg<platform::MapiBuffer<SPropValue>>(id)),
            S_OK);
  EXPECT_EQ(EntryIdBytes(id->Value.bin.lpb, id->Value.bin.lpb + id->Value.bin.cb), topics.EntryId());

  char fresh[] = "Fresh";
  ASSERT_EQ(parent->CreateFolder(FOLDER_GENERIC, fresh, nullptr, nullptr, 0, created.Put()), S_OK);
  EXPECT_TRUE(inbox.FindFolder("Fresh").has_value());

  // The builder, unlike CreateFolder, makes siblings that differ only in case.
  inbox.AddChild("fresh");
  EXPECT_EQ(inbox.Children().size(), 3u);
}

TEST_F(FolderLifecycleTest, CompareEntryIdsSeesTheSameFolderThroughEveryPath) {
  EntryIdBytes a = topics.EntryId();
  EntryIdBytes b = topics.EntryId();
  EntryIdBytes other = alpha.EntryId();
  EntryIdBytes storeId = mailbox.EntryId();
  ULONG same = 7;
  IMAPISession* raw = session.Get();
  ASSERT_EQ(
      raw->CompareEntryIDs(static_cast<ULONG>(a.size()), reinterpret_cast<LPENTRYID>(a.data()),
                           static_cast<ULONG>(b.size()), reinterpret_cast<LPENTRYID>(b.data()), 0, &same),
      S_OK);
  EXPECT_EQ(same, static_cast<ULONG>(TRUE));
  ASSERT_EQ(store->CompareEntryIDs(static_cast<ULONG>(a.size()), reinterpret_cast<LPENTRYID>(a.data()),
                                   static_cast<ULONG>(other.size()),
                                   reinterpret_cast<LPENTRYID>(other.data()), 0, &same),
            S_OK);
  EXPECT_EQ(same, static_cast<ULONG>(FALSE));
  EXPECT_GT(storeId.size(), a.size()) << "store identifiers carry the provider's name";
  ComPtr<IUnknown> opened;
  ULONG type = 0;
  ASSERT_EQ(raw->OpenEntry(static_cast<ULONG>(storeId.size()), reinterpret_cast<LPENTRYID>(storeId.data()),
                           nullptr, 0, &type, opened.Put()),
            S_OK);
  EXPECT_EQ(type, static_cast<ULONG>(MAPI_STORE));
}

}  // namespace
