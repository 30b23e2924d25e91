#include "store/EntryID.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "mapi32/Diagnostics.h"

namespace pellacorm {
namespace {

std::vector<BYTE> BytesOf(const EntryID& id) {
  return {id.Bytes(), id.Bytes() + id.Size()};
}

class EntryIDTest : public ::testing::Test {
 protected:
  void SetUp() override { m_liveAtStart = Mapi32LiveBufferCount(); }
  void TearDown() override {
    Mapi32FailAllocation(0);
    EXPECT_EQ(Mapi32LiveBufferCount(), m_liveAtStart) << "an EntryID leaked its buffer";
  }
  ULONG m_liveAtStart = 0;
};

TEST_F(EntryIDTest, NewRecordIsEmptyAndHoldsNoBuffer) {
  EntryID id;
  EXPECT_TRUE(id.IsEmpty());
  EXPECT_EQ(id.Size(), 0u);
  EXPECT_EQ(Mapi32LiveBufferCount(), m_liveAtStart);
}

TEST_F(EntryIDTest, AssignFromBinaryCopiesTheBytesIntoMapiMemory) {
  BYTE raw[] = {1, 2, 3, 4, 5};
  SBinary bin{sizeof raw, raw};
  EntryID id;
  id = bin;
  raw[0] = 99;  // the record holds its own copy
  EXPECT_EQ(BytesOf(id), (std::vector<BYTE>{1, 2, 3, 4, 5}));
  EXPECT_EQ(Mapi32LiveBufferCount(), m_liveAtStart + 1);
}

TEST_F(EntryIDTest, SameLengthAssignmentReusesTheBuffer) {
  BYTE a[] = {1, 2, 3};
  BYTE b[] = {7, 8, 9};
  EntryID id;
  id = SBinary{3, a};
  const BYTE* before = id.Bytes();
  id = SBinary{3, b};
  EXPECT_EQ(id.Bytes(), before);
  EXPECT_EQ(BytesOf(id), (std::vector<BYTE>{7, 8, 9}));
}

TEST_F(EntryIDTest, OtherLengthAssignmentReplacesTheBuffer) {
  BYTE a[] = {1, 2, 3};
  BYTE b[] = {4, 5, 6, 7, 8, 9, 10};
  EntryID id;
  id = SBinary{3, a};
  id = SBinary{7, b};
  EXPECT_EQ(BytesOf(id), (std::vector<BYTE>{4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(Mapi32LiveBufferCount(), m_liveAtStart + 1);
}

TEST_F(EntryIDTest, ZeroLengthAssignmentEmptiesTheRecord) {
  BYTE a[] = {1, 2, 3};
  EntryID id;
  id = SBinary{3, a};
  id = SBinary{0, nullptr};
  EXPECT_TRUE(id.IsEmpty());
}

TEST_F(EntryIDTest, CopyIsIndependentOfItsSource) {
  BYTE a[] = {10, 20, 30, 40};
  auto* source = new EntryID;
  *source = SBinary{4, a};
  EntryID copy(*source);
  EXPECT_NE(copy.Bytes(), source->Bytes());
  delete source;
  EXPECT_EQ(BytesOf(copy), (std::vector<BYTE>{10, 20, 30, 40}));
}

TEST_F(EntryIDTest, CopyAssignmentAndSelfAssignment) {
  BYTE a[] = {1, 2};
  BYTE b[] = {3, 4, 5};
  EntryID x;
  EntryID y;
  x = SBinary{2, a};
  y = SBinary{3, b};
  x = y;
  EXPECT_EQ(BytesOf(x), (std::vector<BYTE>{3, 4, 5}));
  EXPECT_NE(x.Bytes(), y.Bytes());
  const EntryID& alias = x;
  x = alias;
  EXPECT_EQ(BytesOf(x), (std::vector<BYTE>{3, 4, 5}));
  EXPECT_TRUE(x == y);
}

TEST_F(EntryIDTest, FailedAllocationLeavesTheRecordEmptyAndCopiesNothing) {
  BYTE a[] = {1, 2, 3};
  BYTE b[] = {4, 5, 6, 7};
  EntryID id;
  id = SBinary{3, a};
  Mapi32FailAllocation(1);
  id = SBinary{4, b};
  EXPECT_TRUE(id.IsEmpty());
  EXPECT_EQ(id.Size(), 0u);
  // The next allocation succeeds again.
  id = SBinary{4, b};
  EXPECT_EQ(BytesOf(id), (std::vector<BYTE>{4, 5, 6, 7}));
}

}  // namespace
}  // namespace pellacorm
