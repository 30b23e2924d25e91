#include "config/ResourceString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "resources/resource.h"

namespace pellacorm {
namespace {

struct StringCase {
  UINT id;
  const char* expected;
};

TEST(LoadResString, GivesTheTextsOfTheStringTable) {
  const std::vector<StringCase> cases = {
      {IDS_DO_NOT_ASSIGN, "<Do Not Assign>"},
      {IDS_REGISTRY_KEY, "Software\\Pellacorm\\Quendra"},
      {IDS_PRIORITY_DEFAULT, "<Default>"},
      {IDS_PRIORITY_VERY_LOW, "Very Low"},
      {IDS_PRIORITY_LOW, "Low"},
      {IDS_PRIORITY_NORMAL, "Normal"},
      {IDS_PRIORITY_HIGH, "High"},
      {IDS_PRIORITY_VERY_HIGH, "Very High"},
      // Ids without text: in a block that exists (first, middle, last place), and in
      // blocks that do not.
      {96, "###"},
      {100, "###"},
      {103, "###"},
      {111, "###"},
      {206, "###"},
      {0, "###"},
      {5000, "###"},
      {65535, "###"},
  };
  for (const StringCase& c : cases) {
    EXPECT_EQ(LoadResString(c.id), c.expected) << "id " << c.id;
  }
}

TEST(ModuleInstance, IsTheModuleThatHoldsTheProduct) {
  // Unit tests link the product into the test program itself.
  HMODULE here = nullptr;
  ASSERT_TRUE(GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ModuleInstance), &here));
  EXPECT_NE(ModuleInstance(), nullptr);
  EXPECT_EQ(ModuleInstance(), here);
}

// The string blocks as the resource compiler lays them out: sixteen entries, each a
// count of UTF-16 units followed by the units, no terminator, count 0 when absent.
std::vector<WCHAR> Block(const std::vector<std::string>& texts) {
  std::vector<WCHAR> units;
  for (const std::string& text : texts) {
    units.push_back(static_cast<WCHAR>(text.size()));
    units.insert(units.end(), text.begin(), text.end());
  }
  return units;
}

void ExpectBlock(WORD blockId, const std::vector<WCHAR>& expected) {
  const HRSRC found = FindResourceA(ModuleInstance(), MAKEINTRESOURCEA(blockId), RT_STRING);
  ASSERT_NE(found, nullptr) << "block " << blockId;
  const DWORD size = SizeofResource(ModuleInstance(), found);
  ASSERT_EQ(size, expected.size() * sizeof(WCHAR)) << "block " << blockId;
  const void* data = LockResource(LoadResource(ModuleInstance(), found));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(std::memcmp(data, expected.data(), size), 0) << "block " << blockId;
}

TEST(StringTableLayout, BlocksAreLaidOutAsTheResourceCompilerLaysThem) {
  // Ids 96-111: 101 and 102 at places 5 and 6.
  ExpectBlock(7, Block({"", "", "", "", "", "<Do Not Assign>", "Software\\Pellacorm\\Quendra", "", "", "", "",
                        "", "", "", "", ""}));
  // Ids 192-207: 200-205 at places 8-13.
  ExpectBlock(13, Block({"", "", "", "", "", "", "", "", "<Default>", "Very Low", "Low", "Normal", "High",
                         "Very High", "", ""}));
  // No other block exists.
  for (WORD blockId : {1, 6, 8, 12, 14}) {
    SetLastError(0);
    EXPECT_EQ(FindResourceA(ModuleInstance(), MAKEINTRESOURCEA(blockId), RT_STRING), nullptr) << blockId;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND)) << blockId;
  }
}

TEST(LoadResString, RegistryKeyKeepsItsBackslashesInCodePage932) {
  // 932 has its own character at 0x5C in some tables; Windows keeps the backslash.
  const UINT previous = win32::SetAnsiCodePage(932);
  EXPECT_EQ(LoadResString(IDS_REGISTRY_KEY), "Software\\Pellacorm\\Quendra");
  win32::SetAnsiCodePage(previous);
}

TEST(ResStringView, KeepsEachTextOnceAndHandsOutTheSameText) {
  const std::string_view first = ResStringView(IDS_PRIORITY_HIGH);
  const std::string_view again = ResStringView(IDS_PRIORITY_HIGH);
  EXPECT_EQ(first, "High");
  EXPECT_EQ(again.data(), first.data()) << "the text was read a second time";
  EXPECT_EQ(LoadResString(IDS_PRIORITY_HIGH), "High");
  // Missing entries are not kept, and keep answering "###".
  EXPECT_EQ(ResStringView(206), "###");
  EXPECT_EQ(ResStringView(206), "###");
}

TEST(ResStringView, KeepsTheTextsOfEachCodePageApart) {
  // A text read in one code page is not handed out in another: the registry key, whose
  // backslash some 932 tables map elsewhere, is converted for each.
  const std::string_view in1252 = ResStringView(IDS_REGISTRY_KEY);
  const UINT previous = win32::SetAnsiCodePage(932);
  const std::string_view in932 = ResStringView(IDS_REGISTRY_KEY);
  win32::SetAnsiCodePage(previous);
  EXPECT_EQ(in1252, "Software\\Pellacorm\\Quendra");
  EXPECT_EQ(in932, "Software\\Pellacorm\\Quendra");
  EXPECT_NE(in932.data(), in1252.data());
  EXPECT_EQ(ResStringView(IDS_REGISTRY_KEY).data(), in1252.data());
}

TEST(ResStringView, ThreadsReadingAtOnceAllGetTheTexts) {
  // The host may ask from several threads; the first reads of a text race to keep it.
  const std::vector<std::pair<UINT, std::string>> texts = {
      {IDS_DO_NOT_ASSIGN, "<Do Not Assign>"}, {IDS_PRIORITY_DEFAULT, "<Default>"},
      {IDS_PRIORITY_VERY_LOW, "Very Low"},    {IDS_PRIORITY_LOW, "Low"},
      {IDS_PRIORITY_NORMAL, "Normal"},        {IDS_PRIORITY_VERY_HIGH, "Very High"},
  };
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (std::size_t t = 0; t < wrong.size(); ++t) {
    threads.emplace_back([&texts, &wrong, t] {
      for (int round = 0; round < 200; ++round) {
        for (const auto& [id, text] : texts) {
          wrong[t] += ResStringView(id) == text ? 0 : 1;
        }
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace pellacorm
