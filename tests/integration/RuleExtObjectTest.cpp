// Identity and lifetime of the object the library hands out, driven as the client does:
// only through ExchEntryPoint and the interface table, on Linux and on the real DLL.
#include <gtest/gtest.h>

#include <cstring>
#ifndef _WIN32
#include <thread>
#endif
#include <vector>

#include "integration/Library.h"

namespace pellacorm {
namespace {

constexpr IID kIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIExchangeRuleExt = {
    0x00020E11, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Takes and drops references to `ext` on `count` threads at once, and waits for them.
// (MinGW's win32 thread model has no std::thread, so Windows threads there.)
constexpr int kRounds = 20000;
void TakeAndDrop(IExchangeRuleExt* ext) {
  for (int i = 0; i < kRounds; ++i) {
    ext->AddRef();
    ext->Release();
  }
}
#ifdef _WIN32
DWORD WINAPI TakeAndDropThread(LPVOID param) {
  TakeAndDrop(static_cast<IExchangeRuleExt*>(param));
  return 0;
}
void RunOnThreads(int count, IExchangeRuleExt* ext) {
  std::vector<HANDLE> threads;
  for (int t = 0; t < count; ++t) {
    threads.push_back(CreateThread(nullptr, 0, &TakeAndDropThread, ext, 0, nullptr));
    ASSERT_NE(threads.back(), nullptr);
  }
  WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
  for (HANDLE thread : threads) {
    CloseHandle(thread);
  }
}
#else
void RunOnThreads(int count, IExchangeRuleExt* ext) {
  std::vector<std::thread> threads;
  for (int t = 0; t < count; ++t) {
    threads.emplace_back(TakeAndDrop, ext);
  }
  for (auto& thread : threads) {
    thread.join();
  }
}
#endif

class RuleExtObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_ext = library::NewExtension();
    ASSERT_NE(m_ext, nullptr);
  }
  void TearDown() override {
    if (m_ext != nullptr) {
      EXPECT_EQ(m_ext->Release(), 0u) << "the test left references behind";
    }
  }
  IExchangeRuleExt* m_ext = nullptr;
};

TEST_F(RuleExtObjectTest, EachCallCreatesANewObjectWithOneReference) {
  IExchangeRuleExt* other = library::NewExtension();
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
  IID firstByte = kIUnknown;
  firstByte.Data1 = 0x01;
  const Case cases[] = {
      {"IMAPIProp", {0x00020303, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}}},
      {"the client's other extension interface", {0x00020D00, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}}},
      {"IExchangeRuleExt with its last byte changed", lastByte},
      {"IUnknown with its first byte changed", firstByte},
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

TEST_F(RuleExtObjectTest, QueryReleaseBeforeInstallAndTwiceInARowAnswersSOk) {
  EXPECT_EQ(m_ext->QueryRelease(), S_OK);
  EXPECT_EQ(m_ext->QueryRelease(), S_OK);
}

TEST_F(RuleExtObjectTest, ReferencesTakenAndDroppedOnManyThreadsBalance) {
  constexpr int kThreads = 4;
  RunOnThreads(kThreads, m_ext);
  EXPECT_EQ(m_ext->AddRef(), 2u);
  m_ext->Release();
}

TEST_F(RuleExtObjectTest, ReleaseOfTheLastReferenceDestroysAndAnswersZero) {
  IExchangeRuleExt* ext = library::NewExtension();
  ASSERT_NE(ext, nullptr);
  EXPECT_EQ(ext->Release(), 0u);
}

}  // namespace
}  // namespace pellacorm
