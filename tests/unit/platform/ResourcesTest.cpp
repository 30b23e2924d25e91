// Module handles and resources of the platform layer, against what the real calls
// answer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/Windows.h"

namespace {

constexpr DWORD kFromAddress =
    GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;

int FunctionOfThisProgram() {
  return 1;
}

HMODULE ModuleOf(const void* address) {
  HMODULE module = nullptr;
  EXPECT_TRUE(GetModuleHandleExA(kFromAddress, static_cast<LPCSTR>(address), &module));
  return module;
}

HMODULE ProgramModule() {
  return ModuleOf(reinterpret_cast<const void*>(&FunctionOfThisProgram));
}

// The platform library itself: a module without resources of its own, to which the
// tests below lend some.
HMODULE PlatformModule() {
  return ModuleOf(reinterpret_cast<const void*>(&GetACP));
}

TEST(GetModuleHandleExA, EveryAddressOfAModuleGivesItsHandle) {
  static const int dataOfThisProgram = 0;
  EXPECT_NE(ProgramModule(), nullptr);
  EXPECT_EQ(ModuleOf(&dataOfThisProgram), ProgramModule());
  EXPECT_EQ(ModuleOf(reinterpret_cast<const void*>(&GetModuleHandleExA)), PlatformModule());
  EXPECT_NE(PlatformModule(), ProgramModule());
}

TEST(GetModuleHandleExA, NamesAndTheMainProgram) {
  HMODULE module = nullptr;
  ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, nullptr, &module));
  EXPECT_EQ(module, ProgramModule());
  ASSERT_TRUE(GetModuleHandleExA(0, "libwin32.dll", &module));
  EXPECT_EQ(module, PlatformModule());
  ASSERT_TRUE(GetModuleHandleExA(0, "LIBWIN32", &module));
  EXPECT_EQ(module, PlatformModule());
}

TEST(GetModuleHandleExA, FailsAsTheRealOneDoes) {
  struct Case {
    const char* what;
    DWORD flags;
    LPCSTR name;
    bool withOut;
    DWORD error;
  };
  int onTheStack = 0;
  const std::vector<Case> cases = {
      {"no out pointer", kFromAddress, reinterpret_cast<LPCSTR>(&FunctionOfThisProgram), false,
       ERROR_INVALID_PARAMETER},
      {"pin with unchanged count",
       GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, nullptr, true,
       ERROR_INVALID_PARAMETER},
      {"unknown flag", 0x100, nullptr, true, ERROR_INVALID_PARAMETER},
      {"address outside every module", kFromAddress, reinterpret_cast<LPCSTR>(&onTheStack), true,
       ERROR_MOD_NOT_FOUND},
      {"unknown name", 0, "no-such-module.dll", true, ERROR_MOD_NOT_FOUND},
  };
  for (const Case& c : cases) {
    HMODULE module = reinterpret_cast<HMODULE>(0x1);
    SetLastError(0);
    EXPECT_FALSE(GetModuleHandleExA(c.flags, c.name, c.withOut ? &module : nullptr)) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
    if (c.withOut) {
      EXPECT_EQ(module, nullptr) << c.what << ": the handle is cleared on failure";
    }
  }
}

const BYTE kNeutral[] = {'n'};
const BYTE kUs[] = {'u', 's'};
const BYTE kUk[] = {'u', 'k', '!'};
const BYTE kEnglish[] = {'e', 'n', 'g', 'l'};
const BYTE kGerman[] = {'d', 'e', 'u', 't', 's'};

// Lends resources to the platform library for one test.
class ModuleResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_module = PlatformModule();
    SetLastError(0);
    ASSERT_EQ(FindResourceA(m_module, MAKEINTRESOURCEA(1), RT_STRING), nullptr);
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
  }
  void TearDown() override { win32::UnregisterModuleResources(m_module); }
  void Lend(const std::vector<win32::ResourceEntry>& entries) {
    m_entries = entries;
    win32::RegisterModuleResources(m_module, m_entries.data(), m_entries.size());
  }
  std::string Found(HRSRC resource) {
    const auto* data = static_cast<const char*>(LockResource(LoadResource(m_module, resource)));
    return data == nullptr ? "(none)" : std::string(data, SizeofResource(m_module, resource));
  }
  HMODULE m_module = nullptr;
  std::vector<win32::ResourceEntry> m_entries;
};

TEST_F(ModuleResourcesTest, FindResourceTakesTheNeutralLanguageThenTheUsersThenEnglish) {
  Lend({{6, 1, 0x0407, kGerman, sizeof kGerman},
        {6, 1, 0x0809, kUk, sizeof kUk},
        {6, 1, 0x0409, kUs, sizeof kUs},
        {6, 1, 0x0000, kNeutral, sizeof kNeutral},
        {6, 2, 0x0407, kGerman, sizeof kGerman},
        {6, 2, 0x0409, kUs, sizeof kUs},
        {6, 3, 0x0407, kGerman, sizeof kGerman},
        {6, 3, 0x0009, kEnglish, sizeof kEnglish},
        {6, 4, 0x0407, kGerman, sizeof kGerman}});
  EXPECT_EQ(Found(FindResourceA(m_module, MAKEINTRESOURCEA(1), RT_STRING)), "n");
  EXPECT_EQ(Found(FindResourceA(m_module, MAKEINTRESOURCEA(2), RT_STRING)), "us");
  EXPECT_EQ(Found(FindResourceA(m_module, MAKEINTRESOURCEA(3), RT_STRING)), "engl");
  EXPECT_EQ(Found(FindResourceA(m_module, MAKEINTRESOURCEA(4), RT_STRING)), "deuts");
  EXPECT_EQ(Found(FindResourceA(m_module, "#2", "#6")), "us");
}

TEST_F(ModuleResourcesTest, FindResourceExTakesTheLanguageAsked) {
  Lend({{6, 1, 0x0407, kGerman, sizeof kGerman},
        {6, 1, 0x0409, kUs, sizeof kUs},
        {6, 1, 0x0009, kEnglish, sizeof kEnglish}});
  EXPECT_EQ(Found(FindResourceExA(m_module, RT_STRING, MAKEINTRESOURCEA(1), 0x0407)), "deuts");
  EXPECT_EQ(Found(FindResourceExA(m_module, RT_STRING, MAKEINTRESOURCEA(1), 0x0409)), "us");
  EXPECT_EQ(Found(FindResourceExA(m_module, RT_STRING, MAKEINTRESOURCEA(1), 0x0809)), "engl");
  SetLastError(0);
  EXPECT_EQ(FindResourceExA(m_module, RT_STRING, MAKEINTRESOURCEA(1), 0x040C), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND));
}

TEST_F(ModuleResourcesTest, MissingResourcesGiveTheErrorsOfTheRealCalls) {
  Lend({{6, 7, 0x0409, kUs, sizeof kUs}});
  struct Case {
    const char* what;
    LPCSTR name;
    LPCSTR type;
    DWORD error;
  };
  const std::vector<Case> cases = {
      {"type", MAKEINTRESOURCEA(7), RT_DIALOG, ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"named type", MAKEINTRESOURCEA(7), "STRINGS", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"name", MAKEINTRESOURCEA(8), RT_STRING, ERROR_RESOURCE_NAME_NOT_FOUND},
      {"text name", "SEVEN", RT_STRING, ERROR_RESOURCE_NAME_NOT_FOUND},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(FindResourceA(m_module, c.name, c.type), nullptr) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }
  SetLastError(0);
  EXPECT_EQ(LoadResource(m_module, nullptr), nullptr);
  EXPECT_EQ(SizeofResource(m_module, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(LockResource(nullptr), nullptr);
}

TEST_F(ModuleResourcesTest, ResourcesBelongToTheirModuleOnly) {
  Lend({{6, 7, 0x0409, kUs, sizeof kUs}});
  const HRSRC found = FindResourceA(m_module, MAKEINTRESOURCEA(7), RT_STRING);
  ASSERT_NE(found, nullptr);
  // The data is the module's own, not a copy.
  EXPECT_EQ(LockResource(LoadResource(m_module, found)), static_cast<const void*>(kUs));
  EXPECT_EQ(SizeofResource(m_module, found), sizeof kUs);
  // The program has resources of its own (the product's string table) but not these.
  EXPECT_NE(FindResourceA(nullptr, MAKEINTRESOURCEA(7), RT_STRING), found);
  win32::UnregisterModuleResources(m_module);
  SetLastError(0);
  EXPECT_EQ(FindResourceA(m_module, MAKEINTRESOURCEA(7), RT_STRING), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
}

}  // namespace
