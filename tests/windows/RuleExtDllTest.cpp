// The real DLL, loaded with LoadLibrary and driven only through ExchEntryPoint and the
// interface table: the object's identity and lifetime, and the display-name query with
// the client's buffers. Also that the process runs on our own mapi32.dll.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WindowsTestSupport.h"
#include "shared/GuardedBuffer.h"

namespace wintest {
namespace {

constexpr IID kIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIExchangeRuleExt = {
    0x00020E11, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

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

  OwnMapi32::FailAllocation(2);
  LPVOID first = nullptr;
  LPVOID second = reinterpret_cast<LPVOID>(0x1);
  EXPECT_EQ(MAPIAllocateBuffer(8, &first), S_OK);
  EXPECT_EQ(MAPIAllocateBuffer(8, &second), MAPI_E_NOT_ENOUGH_MEMORY) << "the armed allocation fails";
  EXPECT_EQ(second, nullptr);
  MAPIFreeBuffer(first);
  EXPECT_EQ(OwnMapi32::LiveBuffers(), before);
}

class RuleExtObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(EntryPoint(), nullptr);
    m_ext = EntryPoint()();
    ASSERT_NE(m_ext, nullptr);
  }
  void TearDown() override {
    if (m_ext != nullptr) {
      EXPECT_EQ(m_ext->Release(), 0u) << "the test left references behind";
    }
  }
  pellacorm::IExchangeRuleExt* m_ext = nullptr;
};

TEST_F(RuleExtObjectTest, EachCallCreatesANewObjectWithOneReference) {
  pellacorm::IExchangeRuleExt* other = EntryPoint()();
  ASSERT_NE(other, nullptr);
  EXPECT_NE(other, m_ext);
  EXPECT_EQ(other->AddRef(), 2u);
  EXPECT_EQ(other->Release(), 1u);
  EXPECT_EQ(other->Release(), 0u);
}

TEST_F(RuleExtObjectTest, QueryInterfaceAnswersBothIdentifiersWithTheSamePointer) {
  for (const IID& iid : {kIUnknown, kIExchangeRuleExt}) {
    void* out = reinterpret_cast<void*>(0x1);
    ASSERT_EQ(m_ext->QueryInterface(iid, &out), S_OK);
    EXPECT_EQ(out, static_cast<void*>(m_ext));
    EXPECT_EQ(m_ext->AddRef(), 3u) << "QueryInterface must add exactly one reference";
    m_ext->Release();
    m_ext->Release();
  }
}

TEST_F(RuleExtObjectTest, QueryInterfaceRefusesEveryOtherIdentifier) {
  struct Case {
    const char* what;
    IID iid;
  };
  IID lastByte = kIExchangeRuleExt;
  lastByte.Data4[7] ^= 0x01;
  const Case cases[] = {
      {"IMAPIProp", {0x00020303, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}}},
      {"IExchangeRuleExt with its last byte changed", lastByte},
      {"all zero", {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}}},
  };
  for (const Case& c : cases) {
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(m_ext->QueryInterface(c.iid, &out), E_NOINTERFACE) << c.what;
    EXPECT_EQ(out, nullptr) << c.what;
  }
  EXPECT_EQ(m_ext->AddRef(), 2u) << "a refused QueryInterface must not add a reference";
  m_ext->Release();
}

using testshared::GuardedBuffer;

using QueryCommandDisplayNameTest = RuleExtObjectTest;

TEST_F(QueryCommandDisplayNameTest, NamesStoredCommandsWithTheDllsOwnStrings) {
  struct Case {
    std::string command;
    std::string expected;
  };
  const std::string longTopic = "Archive/" + std::string(700, 'y');
  const std::vector<Case> cases = {
      {"017P+1T1006Budget", "Priority: High, Topic: Budget (File) "},
      {"", ""},
      {"006P-2", "Priority: Very Low"},
      {"006P-1", "Priority: Low"},
      {"006P+0", "Priority: Normal"},
      {"006P+2", "Priority: Very High"},
      {"006P+7", "Priority: "},
      {"011T3003A/B", "Topic: A/B (File,Overwrite) "},
      {"014T2006Budget", "Topic: Budget (Overwrite) "},
      {"012P+2T0001X", "Priority: Very High, Topic: X"},
      {"015T0007A\\B C/\xE9", "Topic: A\\B C/\xE9"},
      {"716T0708" + longTopic, "Topic: " + longTopic},
      {"garbage", ""},
      {"007P+1X", "Priority: High"},
      {"010T1005ab", ""},
  };
  for (const Case& c : cases) {
    GuardedBuffer buffer(2048);
    EXPECT_EQ(m_ext->QueryCommandDisplayName(nullptr, c.command.c_str(), buffer.Data(), buffer.Size()), S_OK)
        << c.command;
    EXPECT_TRUE(buffer.Terminated()) << c.command;
    EXPECT_EQ(buffer.Text(), c.expected) << "command \"" << c.command << "\"";
  }
}

TEST_F(QueryCommandDisplayNameTest, FitsTheNameIntoTheClientsBufferAndNoFurther) {
  const char* command = "017P+1T1006Budget";
  const std::string name = "Priority: High, Topic: Budget (File) ";
  struct Fit {
    std::size_t size;
    std::string expected;  // the text written before the terminator
  };
  const std::vector<Fit> fits = {
      {1, ""},
      {2, name.substr(0, 1)},
      {name.size(), name.substr(0, name.size() - 1)},
      {name.size() + 1, name},
      {512, name},
  };
  for (const Fit& f : fits) {
    GuardedBuffer buffer(f.size);
    EXPECT_EQ(m_ext->QueryCommandDisplayName(nullptr, command, buffer.Data(), buffer.Size()), S_OK) << f.size;
    EXPECT_EQ(buffer.Text(), f.expected) << "size " << f.size;
    EXPECT_TRUE(buffer.Terminated()) << "size " << f.size;
    EXPECT_FALSE(buffer.WrittenOutside(f.expected.size() + 1)) << "size " << f.size;
  }
  GuardedBuffer empty(0);
  EXPECT_EQ(m_ext->QueryCommandDisplayName(nullptr, command, empty.Data(), 0), S_OK);
  EXPECT_FALSE(empty.WrittenOutside(0)) << "a buffer of size zero is left untouched";
}

TEST_F(QueryCommandDisplayNameTest, RefusesNullArgumentsWithoutWriting) {
  GuardedBuffer buffer(32);
  EXPECT_EQ(m_ext->QueryCommandDisplayName(nullptr, nullptr, buffer.Data(), buffer.Size()), E_INVALIDARG);
  EXPECT_FALSE(buffer.WrittenOutside(0));
  EXPECT_EQ(m_ext->QueryCommandDisplayName(nullptr, "006P+1", nullptr, 32), E_INVALIDARG);
}

}  // namespace
}  // namespace wintest
