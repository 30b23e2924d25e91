// The process the Windows tests run in: the real DLL loaded with LoadLibrary from beside
// the program, on our own mapi32.dll, whose allocator the ledger shares. (The object's
// identity and lifetime and the display-name query are tests/integration, run here too.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WindowsTestSupport.h"

namespace wintest {
namespace {

TEST(ProcessTest, RunsOnOurOwnMapi32BesideTheProgram) {
  ASSERT_NE(OwnMapi32::Module(), nullptr) << "mapi32.dll is not loaded";
  EXPECT_EQ(OwnMapi32::Marker(), 0x3233504DUL) << "the loaded mapi32.dll is not ours";
  const std::string expected = ProgramFolder() + "mapi32.dll";
  EXPECT_EQ(lstrcmpiA(ModulePath(OwnMapi32::Module()).c_str(), expected.c_str()), 0)
      << ModulePath(OwnMapi32::Module()) << " is not " << expected;
  ASSERT_NE(ExtensionModule(), nullptr) << "LoadLibrary of PellacormRuleExt.dll: error " << GetLastError();
  EXPECT_NE(EntryPoint(), nullptr);
}

TEST(ProcessTest, TheProgramAndTheLedgerShareOneAllocator) {
  const ULONG before = OwnMapi32::LiveBuffers();
  LPVOID root = nullptr;
  ASSERT_EQ(MAPIAllocateBuffer(8, &root), S_OK);
  LPVOID more = nullptr;
  ASSERT_EQ(MAPIAllocateMore(8, root, &more), S_OK);
  EXPECT_EQ(OwnMapi32::LiveBuffers(), before + 1) << "a linked block is not a buffer of its own";
  EXPECT_EQ(memstore::Ledger::LiveBuffers(), before + 1) << "memstore reads the same count";
  MAPIFreeBuffer(root);
  EXPECT_EQ(OwnMapi32::LiveBuffers(), before);

  ASSERT_TRUE(testsupport::FailMapiAllocation(2)) << "the loaded mapi32.dll is not ours";
  LPVOID first = nullptr;
  LPVOID second = reinterpret_cast<LPVOID>(0x1);
  EXPECT_EQ(MAPIAllocateBuffer(8, &first), S_OK);
  EXPECT_EQ(MAPIAllocateBuffer(8, &second), MAPI_E_NOT_ENOUGH_MEMORY) << "the armed allocation fails";
  EXPECT_EQ(second, nullptr);
  MAPIFreeBuffer(first);
  EXPECT_EQ(OwnMapi32::LiveBuffers(), before);
}

}  // namespace
}  // namespace wintest
