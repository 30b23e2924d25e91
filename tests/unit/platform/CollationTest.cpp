// CompareStringA of our layer where its collation is its own (see the collation notes in
// Text.cpp): the order of hyphens and apostrophes, counted texts with embedded
// terminators, and 932 text that is not well formed. Windows need not agree; the cases
// Windows gives are in tests/conformance/TextTest.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/Text.h"
#include "win32/Windows.h"

namespace {

struct Comparison {
  UINT codePage;
  DWORD flags;
  std::string a;
  int countA;  // -1: up to the terminator
  std::string b;
  int countB;
  int expected;  // -1 a sorts first, 0 equal, 1 b sorts first
};

std::string Hex(const std::string& text) {
  std::string out;
  for (const unsigned char c : text) {
    static const char kDigits[] = "0123456789ABCDEF";
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
    out += ' ';
  }
  return out;
}

int Compare(UINT codePage, DWORD flags, const std::string& a, int countA, const std::string& b, int countB) {
  const UINT previous = win32::SetAnsiCodePage(codePage);
  const int result = CompareStringA(LOCALE_USER_DEFAULT, flags, a.c_str(), countA, b.c_str(), countB);
  win32::SetAnsiCodePage(previous);
  return result - CSTR_EQUAL;
}

TEST(Collation, OursWhereWindowsHasRulesOfItsOwn) {
  const std::string nul(1, '\0');
  const std::vector<Comparison> comparisons = {
      // Marks one by one: an earlier place first, then the apostrophe before the hyphen,
      // then the text whose marks run out first.
      {1252, NORM_IGNORECASE, "co-op", -1, "coo-p", -1, -1},
      {1252, NORM_IGNORECASE, "a-b-c", -1, "ab-c", -1, -1},
      {1252, NORM_IGNORECASE, "it's", -1, "it-s", -1, -1},
      {1252, NORM_IGNORECASE, "a-b", -1, "a-b-", -1, -1},
      {1252, NORM_IGNORECASE, "-ab", -1, "a-b", -1, -1},
      {1252, 0, "a-B", -1, "Ab", -1, -1},  // the case decides before the marks
      // Controls weigh nothing at all, on any level.
      {1252, 0,
       "a\x01"
       "b",
       -1, "ab", -1, 0},
      {1252, 0,
       "\x7F"
       "ab",
       -1, "ab", -1, 0},
      {1252, 0, "ab\x1F", -1, "ab", -1, 0},
      {1252, NORM_IGNORECASE,
       "\x81"
       "a",
       -1, "a", -1, 0},
      {1252, NORM_IGNORECASE,
       "\x9D"
       "a",
       -1, "a", -1, 0},
      // An embedded terminator within the count weighs nothing; -1 stops at it.
      {1252, 0, "a" + nul + "b", 3, "ab", 2, 0},
      {1252, 0, "a" + nul + "b", -1, "a", -1, 0},
      {1252, 0, "a" + nul + "c", 3, "ab", -1, 1},
      // The common first part is passed over: what follows still decides in level order.
      {1252, 0,
       "Budget 1/\xE9"
       "a",
       -1, "Budget 1/eA", -1, 1},
      {1252, NORM_IGNORECASE, "Budget 1/co-op", -1, "Budget 1/coop", -1, 1},
      {1252, NORM_IGNORECASE, "Budget 1/-x", -1, "Budget 1/x-", -1, -1},
      // 932: a lead byte without its trail byte, at the end or before a byte that cannot
      // follow it, is U+30FB, as 0x81 0x45 is; full-width hyphens are hyphens.
      {932, NORM_IGNORECASE, "a\x81", -1, "a\x81\x45", -1, 0},
      {932, NORM_IGNORECASE, "\x81/x", -1, "\x81\x45/x", -1, 0},
      {932, NORM_IGNORECASE, "\x81\x45", -1, "z", -1, 1},
      {932, NORM_IGNORECASE, "co\x81\x7Cop", -1, "co-op", -1, 0},
      {932, NORM_IGNORECASE, "co\x81\x7Cop", -1, "coop", -1, 1},
      // Width and case are one level: a full-width small letter after a capital.
      {932, 0, "\x82\x81", -1, "A", -1, 1},
      // A count that ends within a double-byte character leaves its lead byte alone.
      {932, 0, "\x82\x60\x82\x81", 4, "\x82\x60\x82\x81", 3, -1},
  };
  for (const Comparison& c : comparisons) {
    const std::string what =
        std::to_string(c.codePage) + " flags " + std::to_string(c.flags) + ": " + Hex(c.a) + "vs " + Hex(c.b);
    EXPECT_EQ(Compare(c.codePage, c.flags, c.a, c.countA, c.b, c.countB), c.expected) << what;
    EXPECT_EQ(Compare(c.codePage, c.flags, c.b, c.countB, c.a, c.countA), -c.expected)
        << what << ", reversed";
  }
}

// Every text of one or two bytes against every text of one byte, both ways round: the
// two readings of a comparison agree, and a text equals itself with any flags.
TEST(Collation, ComparisonsOfShortTextsAreAntisymmetric) {
  const DWORD flagSets[] = {0, NORM_IGNORECASE, NORM_IGNORENONSPACE, NORM_IGNORECASE | NORM_IGNORENONSPACE};
  for (const UINT codePage : {1252u, 932u}) {
    const UINT previous = win32::SetAnsiCodePage(codePage);
    int faults = 0;
    for (const DWORD flags : flagSets) {
      for (int x = 0; x < 0x10000 && faults < 10; ++x) {
        const char a[2] = {static_cast<char>(x >> 8), static_cast<char>(x & 0xFF)};
        if (CompareStringA(LOCALE_USER_DEFAULT, flags, a, 2, a, 2) != CSTR_EQUAL) {
          ADD_FAILURE() << codePage << " flags " << flags << ": " << x << " against itself";
          ++faults;
        }
        for (int y = 0; y < 0x100; y += 23) {
          const char b[1] = {static_cast<char>(y)};
          const int forward = CompareStringA(LOCALE_USER_DEFAULT, flags, a, 2, b, 1);
          const int backward = CompareStringA(LOCALE_USER_DEFAULT, flags, b, 1, a, 2);
          if (forward + backward != 2 * CSTR_EQUAL) {
            ADD_FAILURE() << codePage << " flags " << flags << ": " << x << " vs " << y;
            ++faults;
          }
        }
      }
    }
    win32::SetAnsiCodePage(previous);
  }
}

}  // namespace
