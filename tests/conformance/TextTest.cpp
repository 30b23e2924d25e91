// ANSI code pages and comparisons of the platform layer, against what the real calls
// answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ConformanceSupport.h"

namespace {

WideString ToWide(const std::string& text, UINT codePage = CP_ACP) {
  const int needed = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  WideString wide(static_cast<std::size_t>(needed), u'\0');
  if (needed > 0) {
    EXPECT_EQ(MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], needed),
              needed);
  }
  return wide;
}

std::string ToAnsi(const WideString& wide, UINT codePage = CP_ACP, BOOL* usedDefault = nullptr) {
  const int needed = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, usedDefault);
  std::string text(static_cast<std::size_t>(needed), '\0');
  if (needed > 0) {
    EXPECT_EQ(WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &text[0], needed,
                                  nullptr, usedDefault),
              needed);
  }
  return text;
}

std::string Hex(const WideString& wide) {
  std::string out;
  for (WCHAR u : wide) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%04X ", static_cast<unsigned>(u));
    out += buffer;
  }
  return out;
}

std::string Hex(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02X ", c);
    out += buffer;
  }
  return out;
}

struct Mapping {
  std::string bytes;
  WideString units;
};

TEST(CodePage1252, IsTheDefaultAndMapsTheHighControlsAsWindowsDoes) {
  EXPECT_EQ(GetACP(), 1252u);
  const std::vector<Mapping> cases = {
      {"\x80", WIDE("\u20AC")}, {"\x81", WIDE("\u0081")}, {"\x82", WIDE("\u201A")}, {"\x8A", WIDE("\u0160")},
      {"\x8D", WIDE("\u008D")}, {"\x8F", WIDE("\u008F")}, {"\x90", WIDE("\u0090")}, {"\x91", WIDE("\u2018")},
      {"\x99", WIDE("\u2122")}, {"\x9D", WIDE("\u009D")}, {"\x9F", WIDE("\u0178")}, {"\xA0", WIDE("\u00A0")},
      {"\xE9", WIDE("\u00E9")}, {"\xFF", WIDE("\u00FF")}, {"\\", WIDE("\\")},
  };
  for (const Mapping& c : cases) {
    EXPECT_EQ(Hex(ToWide(c.bytes)), Hex(c.units)) << "byte " << Hex(c.bytes);
    EXPECT_EQ(Hex(ToAnsi(c.units)), Hex(c.bytes)) << "unit " << Hex(c.units);
  }
  // Every byte converts and comes back.
  std::string all;
  for (int b = 1; b < 256; ++b) {
    all += static_cast<char>(b);
  }
  BOOL usedDefault = TRUE;
  EXPECT_EQ(Hex(ToAnsi(ToWide(all), CP_ACP, &usedDefault)), Hex(all));
  EXPECT_FALSE(usedDefault);
}

TEST(CodePage1252, CharactersItLacksBecomeTheDefaultCharacter) {
  BOOL usedDefault = FALSE;
  EXPECT_EQ(ToAnsi(WIDE("a\u3042b\u0100"), CP_ACP, &usedDefault), "a?b?");
  EXPECT_TRUE(usedDefault);
  char out[8] = {};
  const WCHAR text[] = WIDE("x\u3042");
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, 2, out, sizeof out, "#", &usedDefault), 2);
  EXPECT_EQ(std::string(out, 2), "x#");
}

TEST(Conversions, FollowTheConventionsOfTheRealCalls) {
  const char text[] = "Budget";
  WCHAR wide[16] = {};
  // -1: up to the terminator, which is counted and written.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), 7);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 16), 7);
  EXPECT_EQ(wide[6], 0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, 3, wide, 16), 3);
  // A buffer one unit short fails with ERROR_INSUFFICIENT_BUFFER.
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 6), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  char narrow[16] = {};
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, WIDE("Budget"), -1, nullptr, 0, nullptr, nullptr), 7);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, WIDE("Budget"), -1, narrow, 7, nullptr, nullptr), 7);
  EXPECT_STREQ(narrow, "Budget");
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, WIDE("Budget"), 6, narrow, 5, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  struct Case {
    const char* what;
    std::function<int()> call;
    DWORD error;
  };
  [[maybe_unused]] BOOL used = FALSE;
  const std::vector<Case> cases = {
      {"null text", [&] { return MultiByteToWideChar(CP_ACP, 0, nullptr, 3, wide, 16); },
       ERROR_INVALID_PARAMETER},
      {"zero length", [&] { return MultiByteToWideChar(CP_ACP, 0, text, 0, wide, 16); },
       ERROR_INVALID_PARAMETER},
      {"negative size", [&] { return MultiByteToWideChar(CP_ACP, 0, text, -1, wide, -2); },
       ERROR_INVALID_PARAMETER},
      {"null buffer with a size", [&] { return MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 4); },
       ERROR_INVALID_PARAMETER},
      {"unknown code page", [&] { return MultiByteToWideChar(12345, 0, text, -1, wide, 16); },
       ERROR_INVALID_PARAMETER},
      {"unknown flag", [&] { return MultiByteToWideChar(CP_ACP, 0x4000, text, -1, wide, 16); },
       ERROR_INVALID_FLAGS},
      {"null wide text",
       [&] { return WideCharToMultiByte(CP_ACP, 0, nullptr, 3, narrow, 16, nullptr, nullptr); },
       ERROR_INVALID_PARAMETER},
#ifndef _WIN32
      // Windows refuses both for UTF-8, as documented; Wine lets them pass.
      {"UTF-8 with a default character",
       [&] { return WideCharToMultiByte(CP_UTF8, 0, WIDE("x"), 1, narrow, 16, "?", nullptr); },
       ERROR_INVALID_PARAMETER},
      {"UTF-8 with the used flag",
       [&] { return WideCharToMultiByte(CP_UTF8, 0, WIDE("x"), 1, narrow, 16, nullptr, &used); },
       ERROR_INVALID_PARAMETER},
#endif
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(c.call(), 0) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }
}

TEST(CodePage932, LeadBytesAreThoseOfShiftJis) {
  REQUIRE_ANSI_CODE_PAGE(japanese, 932);
  EXPECT_EQ(GetACP(), 932u);
  for (int b = 0; b < 256; ++b) {
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    EXPECT_EQ(IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE, lead) << std::hex << b;
    EXPECT_EQ(IsDBCSLeadByteEx(932, static_cast<BYTE>(b)) != FALSE, lead) << std::hex << b;
    EXPECT_FALSE(IsDBCSLeadByteEx(1252, static_cast<BYTE>(b))) << std::hex << b;
  }
}

TEST(CodePage932, ConvertsDoubleByteText) {
  REQUIRE_ANSI_CODE_PAGE(japanese, 932);
  const std::vector<Mapping> cases = {
      // A trail byte equal to '\' is part of its character.
      {"\x95\x5C", WIDE("\u8868")},
      {"\x83\x5C", WIDE("\u30BD")},
      {"a\x95\x5C\\b", WIDE("a\u8868\\b")},
      {"\x81\x5F", WIDE("\uFF3C")},  // full-width backslash
      {"\\", WIDE("\\")},
      {"\x82\x60\x82\x81", WIDE("\uFF21\uFF41")},
      {"\xB1", WIDE("\uFF71")},  // half-width katakana
      {"\x88\x9F", WIDE("\u4E9C")},
      {"\xF0\x40", WIDE("\uE000")},  // user-defined area
      {"\x80\xA0\xFD", WIDE("\u0080\uF8F0\uF8F1")},
  };
  for (const Mapping& c : cases) {
    EXPECT_EQ(Hex(ToWide(c.bytes)), Hex(c.units)) << "bytes " << Hex(c.bytes);
    EXPECT_EQ(Hex(ToAnsi(c.units)), Hex(c.bytes)) << "units " << Hex(c.units);
  }
  // Lengths count bytes one way and units the other.
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x95\x5C\x95\x5C", -1, nullptr, 0), 3);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, WIDE("\u8868\u8868"), -1, nullptr, 0, nullptr, nullptr), 5);
  // Half a character does not fit in one byte.
  char one[1] = {};
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, WIDE("\u8868"), 1, one, 1, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(CodePage932, EverySingleByteConvertsBackToItself) {
  REQUIRE_ANSI_CODE_PAGE(japanese, 932);
  for (int b = 1; b < 0x100; ++b) {
    if (IsDBCSLeadByte(static_cast<BYTE>(b))) {
      continue;
    }
    const std::string byte(1, static_cast<char>(b));
    const WideString unit = ToWide(byte);
    ASSERT_EQ(unit.size(), 1u) << std::hex << b;
    BOOL usedDefault = TRUE;
    EXPECT_EQ(Hex(ToAnsi(unit, CP_ACP, &usedDefault)), Hex(byte)) << "unit " << Hex(unit);
    EXPECT_FALSE(usedDefault) << std::hex << b;
  }
}

TEST(CodePage932, CharactersWithSeveralCodesConvertToTheOneWindowsPicks) {
  REQUIRE_ANSI_CODE_PAGE(japanese, 932);
  const std::vector<Mapping> cases = {
      {"\x81\xCA", WIDE("\uFFE2")},  // not 0xEEF9 or 0xFA54
      {"\x81\xE0", WIDE("\u2252")},  // not 0x8790
      {"\xFA\x5C", WIDE("\u7E8A")},  // not 0xED40
      {"\xFA\x40", WIDE("\u2170")},  // not 0xEEEF
  };
  for (const Mapping& c : cases) {
    EXPECT_EQ(Hex(ToAnsi(c.units)), Hex(c.bytes)) << "units " << Hex(c.units);
  }
  EXPECT_EQ(Hex(ToWide("\xED\x40")), Hex(WideString(WIDE("\u7E8A"))));
}

TEST(CodePage932, UndefinedInput) {
  REQUIRE_ANSI_CODE_PAGE(japanese, 932);
  // A lead byte at the end, or before a byte that cannot trail, stands alone.
  EXPECT_EQ(Hex(ToWide("a\x95")), Hex(WideString(WIDE("a\u30FB"))));
  EXPECT_EQ(Hex(ToWide("\x95 b")), Hex(WideString(WIDE("\u30FB b"))));
  // The count ends the text even when a trail byte follows it.
  WCHAR wide[8] = {};
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "a\x95\x5C", 2, wide, 8), 2);
  EXPECT_EQ(Hex(WideString(wide, 2)), Hex(WideString(WIDE("a\u30FB"))));
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, "a\x95", 2, wide, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  BOOL usedDefault = FALSE;
  EXPECT_EQ(ToAnsi(WIDE("\u00E9"), CP_ACP, &usedDefault), "?");
  EXPECT_TRUE(usedDefault);
}

TEST(CharNextA, StepsOverWholeCharacters) {
  const char text[] = "a\x95\x5C\\\x95";
  {
    REQUIRE_ANSI_CODE_PAGE(japanese, 932);
    const char* p = text;
    std::vector<std::ptrdiff_t> steps;
    while (*p != '\0') {
      p = CharNextA(p);
      steps.push_back(p - text);
    }
    // The trail 0x5C is not a separator; a lead byte before the terminator is one byte.
    EXPECT_EQ(steps, (std::vector<std::ptrdiff_t>{1, 3, 4, 5}));
    EXPECT_EQ(CharNextA(p), p);
  }
  const char* p = text;
  std::vector<std::ptrdiff_t> steps;
  while (*p != '\0') {
    p = CharNextA(p);
    steps.push_back(p - text);
  }
  EXPECT_EQ(steps, (std::vector<std::ptrdiff_t>{1, 2, 3, 4, 5}));
}

TEST(CodePageUtf8, ConvertsAndReplacesIllFormedInput) {
  EXPECT_EQ(Hex(ToWide("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", CP_UTF8)),
            Hex(WideString(WIDE("\u00E9\u20AC\U0001F600"))));
  EXPECT_EQ(Hex(ToAnsi(WIDE("\u00E9\u20AC\U0001F600"), CP_UTF8)),
            Hex(std::string("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80")));
  EXPECT_EQ(Hex(ToWide("a\xC3(\xFF", CP_UTF8)), Hex(WideString(WIDE("a\uFFFD(\uFFFD"))));
  const WideString loneSurrogate(1, static_cast<WCHAR>(0xD800));
  EXPECT_EQ(Hex(ToAnsi(loneSurrogate, CP_UTF8)), Hex(std::string("\xEF\xBF\xBD")));
}

int Sign(int value) {
  return value < 0 ? -1 : value > 0 ? 1 : 0;
}

struct Order {
  const char* a;
  const char* b;
  int expected;  // -1 a sorts first, 0 equal, 1 b sorts first
};

std::string Describe(const Order& o) {
  return "\"" + std::string(o.a) + "\" vs \"" + o.b + "\"";
}

// The orderings topic names and folder names rely on, ignoring case.
const std::vector<Order>& IgnoringCase() {
  static const std::vector<Order> orders = {
      {"budget", "BUDGET", 0},
      {"Budget", "Budgets", -1},
      {"a", "B", -1},
      {"Zoo", "apple", 1},
      {"Budget 2024", "Budget/2024", -1},  // among symbols, blank first
      {"_x", "1", -1},                     // punctuation before digits
      {"!", "~", -1},
      {"~", "+", -1},   // the math symbols come after the other symbols
      {"9", "a", -1},   // digits before letters
      {"10", "2", -1},  // digits one by one
      {"a b", "ab", -1},
      {"coop", "co-op", -1},  // hyphens count only between otherwise equal texts
      {"co-op", "cop", -1},
      {"its", "it's", -1},
      {"it's", "itt", -1},
      {"-z", "a", 1},
      {"resume", "r\xE9sum\xE9", -1},  // accents count after the letters
      {"r\xE9sum\xE9", "resumes", -1},
      {"R\xC9SUM\xC9", "r\xE9sum\xE9", 0},
      {"e", "\xE9", -1},
      {"\xE9", "f", -1},
      {"Stra\xDF"
       "e",
       "STRASSE", 0},
      {"\xC6"
       "ble",
       "aeble", 0},
      {"z", "\xFE", -1},
      {"Projects/A", "Projects\\A", -1},
  };
  return orders;
}

TEST(CompareStringA, SortsAsWindowsWordSortIgnoringCase) {
  for (const Order& o : IgnoringCase()) {
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, o.a, -1, o.b, -1), CSTR_EQUAL + o.expected)
        << Describe(o);
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, o.b, -1, o.a, -1), CSTR_EQUAL - o.expected)
        << Describe(o) << ", reversed";
  }
}

TEST(CompareStringA, CaseDecidesLastWhenNotIgnored) {
  const std::vector<Order> orders = {
      {"a", "A", -1},          {"A", "b", -1},
      {"Budget", "budget", 1}, {"\xE9", "E", 1},  // the accent outweighs the case
      {"budget", "budget", 0},
  };
  for (const Order& o : orders) {
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0, o.a, -1, o.b, -1), CSTR_EQUAL + o.expected)
        << Describe(o);
  }
}

TEST(CompareStringA, CountsAndInvalidArguments) {
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "BudgetXYZ", 6, "budget", -1), CSTR_EQUAL);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "abc", 0, "", -1), CSTR_EQUAL);
  SetLastError(0);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, nullptr, -1, "a", -1), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  SetLastError(0);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, 0x10000000, "a", -1, "a", -1), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

// A comparison with its flags and counts (-1: up to the terminator), and its result.
struct Comparison {
  DWORD flags;
  std::string a;
  int countA;
  std::string b;
  int countB;
  int expected;  // -1 a sorts first, 0 equal, 1 b sorts first
};

std::string Describe(const Comparison& c) {
  return "flags " + std::to_string(c.flags) + ": " + Hex(c.a) + "(" + std::to_string(c.countA) + ") vs " +
         Hex(c.b) + "(" + std::to_string(c.countB) + ")";
}

void ExpectComparisons(const std::vector<Comparison>& comparisons) {
  for (const Comparison& c : comparisons) {
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, c.flags, c.a.c_str(), c.countA, c.b.c_str(), c.countB),
              CSTR_EQUAL + c.expected)
        << Describe(c);
    EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, c.flags, c.b.c_str(), c.countB, c.a.c_str(), c.countA),
              CSTR_EQUAL - c.expected)
        << Describe(c) << ", reversed";
  }
}

constexpr DWORD kCase = 0;
constexpr DWORD kNoCase = NORM_IGNORECASE;
constexpr DWORD kNoAccent = NORM_IGNORENONSPACE;
constexpr DWORD kNeither = NORM_IGNORECASE | NORM_IGNORENONSPACE;

TEST(CompareStringA, LevelsDecideInTheirOrder) {
  ExpectComparisons({
      // The letters decide first, whatever the accents, case and marks.
      {kCase, "\xC9", -1, "f", -1, -1},
      {kCase, "Z", -1,
       "\xE0"
       "b",
       -1, 1},
      {kCase, "co-op", -1, "Cop", -1, -1},
      // Then the accents, before the case.
      {kCase, "r\xE9sum\xE9", -1, "Resume", -1, 1},
      {kCase, "R\xE9", -1, "r\xE9", -1, 1},
      {kCase,
       "\xE9"
       "a",
       -1, "eA", -1, 1},
      {kCase, "eA", -1,
       "\xC9"
       "a",
       -1, -1},
      {kNoAccent, "r\xE9sum\xE9", -1, "resume", -1, 0},
      {kNoAccent, "R\xE9sum\xE9", -1, "resume", -1, 1},
      {kNeither, "R\xC9SUM\xC9", -1, "resume", -1, 0},
      {kNoCase, "R\xC9SUM\xC9", -1, "resume", -1, 1},
      // The case before the hyphens and apostrophes.
      {kCase, "co-op", -1, "Coop", -1, -1},
      {kCase, "Co-op", -1, "coop", -1, 1},
      {kCase, "it's", -1, "Its", -1, -1},
      // Accents before hyphens and apostrophes.
      {kCase, "co-op", -1, "c\xF4op", -1, -1},
      {kNoCase, "co-op", -1, "C\xF4op", -1, -1},
      // Ignoring case leaves the marks to decide.
      {kNoCase, "Co-op", -1, "coop", -1, 1},
      {kNeither, "c\xF4-op", -1, "coop", -1, 1},
  });
}

TEST(CompareStringA, CharactersOf1252WeighAsTheirLetters) {
  ExpectComparisons({
      // Letters written as two.
      {kNoCase, "\xE6", -1, "ae", -1, 0},
      {kNoCase, "\xC6", -1, "af", -1, -1},
      {kNoCase, "\xE6", -1, "ad", -1, 1},
      {kNoCase, "\xDF", -1, "ss", -1, 0},
      {kNoCase, "\xDF", -1, "st", -1, -1},
      {kNoCase, "\x9C", -1, "oe", -1, 0},
      {kNoCase,
       "\x8C"
       "uvre",
       -1, "oeuvre", -1, 0},
      {kNoCase, "\x9C", -1, "of", -1, -1},
      // Letters of 0x80-0x9F.
      {kNoCase, "\x8A", -1, "s", -1, 1},
      {kNoCase, "\x8A", -1, "t", -1, -1},
      {kNoCase, "\x9A", -1, "\x8A", -1, 0},
      {kNoCase, "\x9E", -1, "z", -1, 1},
      {kNoCase, "\x83", -1, "g", -1, -1},
      {kNoCase, "\x83", -1, "e", -1, 1},
      {kNoCase, "\x9F", -1, "\xFF", -1, 0},
      {kNoCase, "\xFF", -1, "z", -1, -1},
      // Accented letters between their letter and the next.
      {kNoCase, "\xF1", -1, "n", -1, 1},
      {kNoCase, "\xF1", -1, "o", -1, -1},
      {kNoCase, "\xE7", -1, "d", -1, -1},
      {kNoCase, "\xF8", -1, "p", -1, -1},
      {kNoCase, "\xF0", -1, "e", -1, -1},
      {kNoCase, "\xFD", -1, "z", -1, -1},
      // Symbols before digits, digits before letters.
      {kNoCase, "\xA7", -1, "0", -1, -1},
      {kNoCase, "\x80", -1, "0", -1, -1},
      {kNoCase, "\xD7", -1, "0", -1, -1},
      {kNoCase, "~", -1, "0", -1, -1},
      {kNoCase, "9", -1, "a", -1, -1},
      {kNoCase, "\xB2", -1, "3", -1, -1},
      {kNoCase, "\xB2", -1, "1", -1, 1},
  });
}

// Controls and the soft hyphen never decide before the letters (our layer gives them no
// weight at all; Windows and Wine differ there, see tests/unit/platform).
TEST(CompareStringA, ControlsAndTheSoftHyphenGiveWayToTheLetters) {
  ExpectComparisons({
      {kNoCase,
       "\x01"
       "b",
       -1, "a", -1, 1},
      {kNoCase,
       "\x01"
       "a",
       -1, "b", -1, -1},
      {kCase,
       "a\x7F"
       "c",
       -1, "ab", -1, 1},
      {kNoCase,
       "\x81"
       "a",
       -1, "b", -1, -1},
      {kNoCase, "co\xADop", -1, "coop", -1, 0},
      {kCase, "co\xADop", -1, "coop", -1, 0},
      {kCase, "co\xADop", -1, "cop", -1, -1},
  });
}

TEST(CompareStringA, CountsSayWhereTheTextsEnd) {
  ExpectComparisons({
      {kNoCase, "abc", 2, "ab", -1, 0},
      {kNoCase, "abc", 2, "abd", 3, -1},
      {kNoCase, "ab", 1, "b", 1, -1},
      {kNoCase, "ba", 1, "ab", 1, 1},
      {kNoCase, "xyz", 0, "abc", 0, 0},
      {kNoCase, "xyz", 0, "a", 1, -1},
      {kCase, "Budget/2024", 6, "budget", -1, 1},
      {kNoCase, "co-op", 3, "co", -1, 1},
      {kNoCase, "co-op", 3, "coo", -1, -1},
  });
}

TEST(CompareStringA, CodePage932DoubleByteCharacters) {
  REQUIRE_ANSI_CODE_PAGE(japanese, 932);
  ExpectComparisons({
      // Full-width Latin: after the letter's ASCII form, case decides after width.
      {kCase, "\x82\x60", -1, "A", -1, 1},
      {kCase, "\x82\x60", -1, "\x82\x81", -1, 1},
      {kNoCase,
       "\x82\x60"
       "b",
       -1,
       "\x82\x81"
       "B",
       -1, 0},
      {kNoCase,
       "\x82\x60"
       "b",
       -1, "Ab", -1, 1},
      {kNoCase, "\x82\x60", -1, "Ab", -1, -1},
      {kNoCase, "\x82\x4F", -1, "0", -1, 1},
      {kNoCase, "\x82\x4F", -1, "1", -1, -1},
      // A trail byte is no character of its own: 0x83 0x41 is katakana, not 'A'.
      {kNoCase, "\x83\x41", -1, "A", -1, 1},
      {kNoCase, "\x83\x41", -1, "z", -1, 1},
      {kNoCase, "a\x83\x41", -1, "b", -1, -1},
      // Hiragana after Latin, in their order.
      {kNoCase, "\x82\xA0", -1, "z", -1, 1},
      {kNoCase, "\x82\xA0", -1, "\x82\xA2", -1, -1},
      {kNoCase,
       "\x82\xA0"
       "a",
       -1,
       "\x82\xA0"
       "b",
       -1, -1},
      {kNoCase, "\x82\xA0", 2,
       "\x82\xA0"
       "a",
       2, 0},
      // Single-byte text among double-byte.
      {kNoCase, "a\x82\xA0", -1, "A\x82\xA0", -1, 0},
      {kNoCase, "b\x82\xA0", -1, "a\x82\xA2", -1, 1},
  });
}

TEST(CompareStringA, CodePage932TextComparesByItsCharacters) {
  REQUIRE_ANSI_CODE_PAGE(japanese, 932);
  // Full-width letters sort with their letter but are not equal to it.
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "\x82\x60", -1, "A", -1), CSTR_GREATER_THAN);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "\x82\x60", -1, "B", -1), CSTR_LESS_THAN);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "\x82\x60", -1, "\x82\x81", -1), CSTR_EQUAL);
  // Japanese text sorts after Latin letters; the trail 0x5C is no backslash.
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "\x95\x5C", -1, "z", -1), CSTR_GREATER_THAN);
  EXPECT_EQ(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "\x95\x5C", -1, "\x95\x5C", -1), CSTR_EQUAL);
}

// The sort key of a text (-1: up to its terminator), in a buffer of the size asked for.
std::string SortKey(DWORD flags, const std::string& text, int count = -1) {
  const int needed =
      LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | flags, text.c_str(), count, nullptr, 0);
  EXPECT_GT(needed, 0) << Hex(text);
  if (needed <= 0) {
    return {};
  }
  std::string key(static_cast<std::size_t>(needed), '\x7F');
  EXPECT_EQ(LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | flags, text.c_str(), count, &key[0], needed),
            needed)
      << Hex(text);
  return key;
}

// Keys compare as bytes: the first differing byte, else the shorter first.
int CompareKeys(const std::string& a, const std::string& b) {
  const int byBytes = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  return byBytes != 0 ? Sign(byBytes) : a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Every pair of `names` orders by its keys as CompareStringA orders it, ties included.
void ExpectKeysOrderAsCompareString(const std::vector<std::string>& names) {
  for (const DWORD flags : {kNoCase, kCase, kNeither}) {
    std::vector<std::string> keys;
    for (const std::string& name : names) {
      keys.push_back(SortKey(flags, name));
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
      for (std::size_t j = 0; j < names.size(); ++j) {
        const int compared =
            CompareStringA(LOCALE_USER_DEFAULT, flags, names[i].c_str(), -1, names[j].c_str(), -1);
        EXPECT_EQ(CompareKeys(keys[i], keys[j]), compared - CSTR_EQUAL)
            << "flags " << flags << ": " << Hex(names[i]) << "vs " << Hex(names[j]);
      }
    }
  }
}

TEST(LCMapStringA, SortKeysOrderAsCompareString) {
  ExpectKeysOrderAsCompareString({
      "",
      "a",
      "A",
      "ab",
      "AB",
      "Ab",
      "abc",
      "b",
      // Blanks, symbols, hyphens and apostrophes.
      "a b",
      "a-b",
      "ab-",
      "-ab",
      "a'b",
      "coop",
      "co-op",
      "Co-op",
      "co'op",
      "co--op",
      "c-o-op",
      "cop",
      "its",
      "it's",
      "_x",
      "!",
      "~",
      "+",
      "Budget 2024",
      "Budget/2024",
      "Budget-2024",
      "Budget",
      "budget",
      "BUDGET",
      "Budgets",
      "Projects/A",
      "Projects\\A",
      "Projects/A/B",
      "Projects/a",
      // Digits, one by one.
      "1",
      "10",
      "2",
      "9",
      "Topic 10",
      "Topic 9",
      "Topic 9a",
      // Accents and the letters 1252 writes as one.
      "resume",
      "r\xE9sum\xE9",
      "R\xC9SUM\xC9",
      "Resume",
      "resumes",
      "e",
      "E",
      "\xE9",
      "\xC9",
      "\xE8",
      "f",
      "Stra\xDF"
      "e",
      "STRASSE",
      "strasse",
      "\xC6"
      "ble",
      "aeble",
      "\x9C"
      "uvre",
      "oeuvre",
      "\x8A"
      "a",
      "sa",
      "z",
      "\xFE",
      "\xFF",
      "y",
      // Symbols outside ASCII and superscript digits.
      "\x80",
      "\xA7",
      "\xD7",
      "\xB2",
      "2x",
      // Long names sharing a long first part.
      "Clients/Harbor Lane/Contracts/2026/Renewals",
      "Clients/Harbor Lane/Contracts/2026/renewals",
      "Clients/Harbor Lane/Contracts/2026",
      "Clients/Harbor-Lane/Contracts/2026/Renewals",
  });
}

TEST(LCMapStringA, SortKeysOfCodePage932OrderAsCompareString) {
  REQUIRE_ANSI_CODE_PAGE(japanese, 932);
  ExpectKeysOrderAsCompareString({
      "A",
      "a",
      "Ab",
      "B",
      "z",
      "0",
      "1",
      "\x82\x60",
      "\x82\x81",
      "\x82\x60"
      "b",
      "\x82\x81"
      "B",
      "\x82\x4F",
      "\x83\x41",
      "a\x83\x41",
      "\x82\xA0",
      "\x82\xA2",
      "\x82\xA0"
      "a",
      "\x82\xA0"
      "b",
      "a\x82\xA0",
      "A\x82\xA0",
      "b\x82\xA0",
      "\x95\x5C",
      "\x95\x5C/a",
      "\x95\x5C"
      "a",
  });
}

TEST(LCMapStringA, SortKeySizesCountsAndInvalidArguments) {
  const char text[] = "Budget/2024";
  const std::string key = SortKey(kNoCase, text);
  ASSERT_FALSE(key.empty());
  EXPECT_EQ(key.back(), '\0') << "the size counts the terminating zero";
  std::string buffer(key.size() + 8, '\x7F');
  EXPECT_EQ(LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | kNoCase, text, -1, &buffer[0],
                         static_cast<int>(buffer.size())),
            static_cast<int>(key.size()));
  EXPECT_EQ(buffer.substr(0, key.size()), key);
  // A count ends the text.
  EXPECT_EQ(SortKey(kNoCase, "BudgetXYZ", 6), SortKey(kNoCase, "budget"));
  EXPECT_EQ(SortKey(kNoCase, text, static_cast<int>(sizeof text - 1)), key);

  SetLastError(0);
  EXPECT_EQ(LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | kNoCase, text, -1, &buffer[0],
                         static_cast<int>(key.size()) - 1),
            0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  struct Invalid {
    DWORD flags;
    const char* source;
    int count;
    DWORD error;
  };
  const Invalid invalid[] = {
      {LCMAP_SORTKEY, nullptr, -1, ERROR_INVALID_PARAMETER},
      {LCMAP_SORTKEY, text, 0, ERROR_INVALID_PARAMETER},
      {LCMAP_LOWERCASE | LCMAP_UPPERCASE, text, -1, ERROR_INVALID_FLAGS},
  };
  for (const Invalid& c : invalid) {
    SetLastError(0);
    EXPECT_EQ(LCMapStringA(LOCALE_USER_DEFAULT, c.flags, c.source, c.count, &buffer[0],
                           static_cast<int>(buffer.size())),
              0)
        << "flags " << c.flags << ", count " << c.count;
    EXPECT_EQ(GetLastError(), c.error) << "flags " << c.flags << ", count " << c.count;
  }
  SetLastError(0);
  EXPECT_EQ(LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, text, -1, &buffer[0], -1), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(LstrcmpiA, AgreesWithCompareStringIgnoringCase) {
  for (const Order& o : IgnoringCase()) {
    EXPECT_EQ(Sign(lstrcmpiA(o.a, o.b)), o.expected) << Describe(o);
  }
  EXPECT_EQ(lstrcmpiA(nullptr, nullptr), 0);
  EXPECT_LT(lstrcmpiA(nullptr, ""), 0);
  EXPECT_GT(lstrcmpiA("", nullptr), 0);
}

struct BytesOrder {
  std::string a;
  std::string b;
  int expected;
};

int Mbsicmp(const std::string& a, const std::string& b) {
  return Sign(_mbsicmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                       reinterpret_cast<const unsigned char*>(b.c_str())));
}

TEST(Mbsicmp, ComparesCharactersIgnoringTheCaseOfAsciiLetters) {
  const std::vector<BytesOrder> orders = {
      {"Inbox/Topics", "INBOX/topics", 0},
      {"a", "B", -1},
      {"[", "a", -1},  // compared as lower case: '[' (0x5B) < 'a' (0x61), though > 'A'
      {"_", "A", -1},
      {"abc", "ab", 1},
      {"\xC4", "\xE4", -1},  // accented letters compare as they are
      {"\x83"
       "A",
       "\x83"
       "a",
       0},  // in 1252 0x83 is a character of its own
  };
  for (const BytesOrder& o : orders) {
    EXPECT_EQ(Mbsicmp(o.a, o.b), o.expected) << Hex(o.a) << "vs " << Hex(o.b);
  }
  EXPECT_EQ(_mbsicmp(nullptr, reinterpret_cast<const unsigned char*>("a")), _NLSCMPERROR);
}

TEST(Mbsicmp, ComparesDoubleByteCharactersAsUnits) {
  REQUIRE_ANSI_CODE_PAGE(japanese, 932);
  const std::vector<BytesOrder> orders = {
      {"\x83"
       "A",
       "\x83"
       "a",
       -1},  // trail bytes are not letters
      {"\x95\x5C", "\x95\x5C", 0},
      {"\x95\x5C", "\x95\x7C", -1},
      {"\x95\x5C"
       "a",
       "\x95\x5C"
       "A",
       0},
      {"\x82\x60", "\x82\x81", 0},  // full-width capital and small A
      {"z", "\x81\x40", -1},        // double-byte characters after single bytes
      {"\xDF", "\x81\x40", -1},
      {"ab\x95", "ab", 0},  // a lead byte before the terminator ends the text
  };
  for (const BytesOrder& o : orders) {
    EXPECT_EQ(Mbsicmp(o.a, o.b), o.expected) << Hex(o.a) << "vs " << Hex(o.b);
  }
}

}  // namespace
