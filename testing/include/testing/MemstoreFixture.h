// A GoogleTest fixture for tests that run on memstore. It holds a fresh profile and
// checks, after every test, that nothing the test made is still live: no memstore object
// created during the test, no MAPI buffer beyond those live at its start and, on Linux,
// no registry key beyond those open at its start. The check runs in TearDown and,
// should a derived fixture's TearDown not call this one, in the destructor; a test
// cannot skip it.
//
//   class MyTest : public testsupport::MemstoreTest {};
//   TEST_F(MyTest, Something) {
//     profile.AddStore("Mailbox", true).AddFolder("Inbox");
//     auto session = profile.Logon();
//     ...
//   }
//
// A derived fixture that keeps COM objects in members releases them in
// ReleaseHeldObjects, which runs before the check.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "memstore/Memstore.h"
#include "platform/MapiPtr.h"

namespace testsupport {

// The text of an object's GetLastError record ("" when it has none), freeing the record.
template <typename Object>
std::string LastErrorText(Object* object, HRESULT hr = S_OK) {
  LPMAPIERROR record = nullptr;
  if (FAILED(object->GetLastError(hr, 0, &record)) || record == nullptr) {
    return {};
  }
  std::string text = std::string(record->lpszComponent) + ": " + record->lpszError;
  MAPIFreeBuffer(record);
  return text;
}

// Elements of MAPI's variable-length arrays (declared with one element), by index.
inline const SRow& RowAt(const SRowSet& rows, ULONG index) {
  return rows.aRow[index];
}
inline const SPropProblem& ProblemAt(const SPropProblemArray& problems, ULONG index) {
  return problems.aProblem[index];
}

// A string property value pointing at `text` (which must outlive it).
SPropValue StringProp(ULONG tag, const char* text);
SPropValue LongProp(ULONG tag, LONG value);
SPropValue BoolProp(ULONG tag, bool value);

class MemstoreTest : public ::testing::Test {
 protected:
  MemstoreTest();
  ~MemstoreTest() override;

  void TearDown() override;

  // Releases what a derived fixture holds, before the ledger is checked.
  virtual void ReleaseHeldObjects() {}

  // Opens a store of the profile through `session`; a failure fails the test and
  // answers null.
  static platform::ComPtr<IMsgStore> OpenStore(IMAPISession* session, const memstore::StoreRef& store,
                                               ULONG flags = MDB_WRITE);
  // Opens a folder through its store.
  static platform::ComPtr<IMAPIFolder> OpenFolder(IMsgStore* store, const memstore::FolderRef& folder,
                                                  ULONG flags = MAPI_MODIFY);

  // What is live now that was not at the start of the test; empty when nothing is.
  std::string LiveSinceStart() const { return memstore::Ledger::ReportSince(m_start); }

  memstore::Profile profile;

 private:
  void CheckLedger();

  memstore::Ledger::Mark m_start;
  std::size_t m_openKeys = 0;  // registry keys open at the start (the Linux layer counts them)
  bool m_checked = false;
};

}  // namespace testsupport
