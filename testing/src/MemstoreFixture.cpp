#include "testing/MemstoreFixture.h"

#ifndef _WIN32
#include "testing/MapiAllocator.h"
#include "win32/Registry.h"
#endif

namespace testsupport {

SPropValue StringProp(ULONG tag, const char* text) {
  SPropValue value{};
  value.ulPropTag = tag;
  value.Value.lpszA = const_cast<LPSTR>(text);
  return value;
}

SPropValue LongProp(ULONG tag, LONG number) {
  SPropValue value{};
  value.ulPropTag = tag;
  value.Value.l = number;
  return value;
}

SPropValue BoolProp(ULONG tag, bool flag) {
  SPropValue value{};
  value.ulPropTag = tag;
  value.Value.b = flag ? 1 : 0;
  return value;
}

platform::ComPtr<IMsgStore> MemstoreTest::OpenStore(IMAPISession* session, const memstore::StoreRef& store,
                                                    ULONG flags) {
  memstore::EntryIdBytes id = store.EntryId();
  platform::ComPtr<IMsgStore> opened;
  const HRESULT hr = session->OpenMsgStore(
      0, static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(id.data()), nullptr, flags, opened.Put());
  EXPECT_EQ(hr, S_OK) << "OpenMsgStore of \"" << store.DisplayName() << "\": " << memstore::HResultText(hr);
  return opened;
}

platform::ComPtr<IMAPIFolder> MemstoreTest::OpenFolder(IMsgStore* store, const memstore::FolderRef& folder,
                                                       ULONG flags) {
  memstore::EntryIdBytes id = folder.EntryId();
  ULONG type = 0;
  platform::ComPtr<IUnknown> opened;
  const HRESULT hr = store->OpenEntry(static_cast<ULONG>(id.size()), reinterpret_cast<LPENTRYID>(id.data()),
                                      nullptr, flags, &type, opened.Put());
  EXPECT_EQ(hr, S_OK) << "OpenEntry of \"" << folder.Name() << "\": " << memstore::HResultText(hr);
  EXPECT_EQ(type, static_cast<ULONG>(MAPI_FOLDER));
  return platform::ComPtr<IMAPIFolder>::Attach(static_cast<IMAPIFolder*>(opened.Detach()));
}

MemstoreTest::MemstoreTest() : m_start(memstore::Ledger::Now()) {
#ifndef _WIN32
  m_openKeys = win32::OpenKeyCount();
#endif
}

MemstoreTest::~MemstoreTest() {
  if (!m_checked) {
    CheckLedger();
  }
}

void MemstoreTest::TearDown() {
  ReleaseHeldObjects();
  CheckLedger();
}

void MemstoreTest::CheckLedger() {
  m_checked = true;
#ifndef _WIN32
  FailMapiAllocation(0);  // a test that armed an allocation failure leaves none behind
  EXPECT_EQ(win32::OpenKeyCount(), m_openKeys) << "The test left registry keys open";
#endif
  profile.Faults().Clear();
  const std::string report = LiveSinceStart();
  EXPECT_TRUE(report.empty()) << "The test left MAPI objects or memory live:\n" << report;
}

}  // namespace testsupport
