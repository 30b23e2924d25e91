// Module handles and resources of the platform layer, against what the real calls
// answer.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "resources/version.h"
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
  // Lends a .res image, copied to a block of exactly its size (at `offset` bytes into
  // the block) so that the sanitizers see any read past its end.
  bool LendImage(const std::vector<BYTE>& image, std::size_t offset = 0) {
    m_image = std::make_unique<BYTE[]>(offset + image.size());
    std::copy(image.begin(), image.end(), m_image.get() + offset);
    return win32::RegisterModuleResourceImage(m_module, m_image.get() + offset, image.size());
  }
  HMODULE m_module = nullptr;
  std::vector<win32::ResourceEntry> m_entries;
  std::unique_ptr<BYTE[]> m_image;
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

// The TYPE and NAME fields of a .res record header.
std::vector<BYTE> IdField(WORD id) {
  return {0xFF, 0xFF, static_cast<BYTE>(id), static_cast<BYTE>(id >> 8)};
}

std::vector<BYTE> TextField(const std::string& text) {
  std::vector<BYTE> field;
  for (char c : text + '\0') {
    field.insert(field.end(), {static_cast<BYTE>(c), 0});
  }
  return field;
}

void PutDword(std::vector<BYTE>& out, DWORD value) {
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<BYTE>(value >> shift));
  }
}

void PadToDword(std::vector<BYTE>& out) {
  out.resize((out.size() + 3) & ~std::size_t{3}, 0);
}

// Appends a record as the resource compiler writes it: the header, then the data
// padded to a DWORD.
void AppendRecord(std::vector<BYTE>& image, const std::vector<BYTE>& type, const std::vector<BYTE>& name,
                  WORD language, const std::string& data) {
  std::vector<BYTE> fields = type;
  fields.insert(fields.end(), name.begin(), name.end());
  PadToDword(fields);
  PutDword(image, static_cast<DWORD>(data.size()));
  PutDword(image, static_cast<DWORD>(8 + fields.size() + 16));
  image.insert(image.end(), fields.begin(), fields.end());
  PutDword(image, 0);                                  // DataVersion
  PutDword(image, 0x1030u | (DWORD{language} << 16));  // MemoryFlags, LanguageId
  PutDword(image, 0);                                  // Version
  PutDword(image, 0);                                  // Characteristics
  image.insert(image.end(), data.begin(), data.end());
  PadToDword(image);
}

// The empty first record, then: RT_STRING 1 "ab" at offset 32 (data at 64, padded to
// 68), a record with a named type, one with a named name, and RT_VERSION 1.
std::vector<BYTE> SmallImage() {
  std::vector<BYTE> image;
  AppendRecord(image, IdField(0), IdField(0), 0, "");
  AppendRecord(image, IdField(6), IdField(1), 0x0409, "ab");
  AppendRecord(image, TextField("TEXT"), IdField(2), 0x0409, "named type");
  AppendRecord(image, IdField(6), TextField("SEVEN"), 0x0409, "named name");
  AppendRecord(image, IdField(16), IdField(1), 0x0409, "ver!");
  return image;
}

constexpr std::size_t kStringRecord = 32;

void SetDword(std::vector<BYTE>& image, std::size_t at, DWORD value) {
  std::vector<BYTE> bytes;
  PutDword(bytes, value);
  std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
}

TEST_F(ModuleResourcesTest, AResImageIsServedInPlace) {
  const std::vector<BYTE> image = SmallImage();
  ASSERT_TRUE(LendImage(image));
  const HRSRC strings = FindResourceExA(m_module, RT_STRING, MAKEINTRESOURCEA(1), 0x0409);
  EXPECT_EQ(Found(strings), "ab");
  EXPECT_EQ(LockResource(LoadResource(m_module, strings)), static_cast<void*>(m_image.get() + 64));
  // Records with named types or names are passed over, not refused.
  EXPECT_EQ(Found(FindResourceA(m_module, MAKEINTRESOURCEA(1), RT_VERSION)), "ver!");
  SetLastError(0);
  EXPECT_EQ(FindResourceA(m_module, MAKEINTRESOURCEA(2), RT_STRING), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  win32::UnregisterModuleResources(m_module);
  SetLastError(0);
  EXPECT_EQ(FindResourceA(m_module, MAKEINTRESOURCEA(1), RT_STRING), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
}

TEST_F(ModuleResourcesTest, AMalformedResImageRegistersNothing) {
  struct Case {
    const char* what;
    std::vector<BYTE> image;
    std::size_t offset;
  };
  const std::vector<BYTE> good = SmallImage();
  auto cut = [&good](std::size_t size) {
    return std::vector<BYTE>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
  };
  auto with = [&good](std::size_t at, DWORD value) {
    std::vector<BYTE> image = good;
    SetDword(image, at, value);
    return image;
  };
  std::vector<BYTE> noEmptyRecord(good.begin() + kStringRecord, good.end());
  std::vector<BYTE> trailingBytes = good;
  trailingBytes.insert(trailingBytes.end(), {0, 0, 0, 0});
  std::vector<BYTE> unpadded = good;
  unpadded.erase(unpadded.begin() + 66, unpadded.begin() + 68);
  std::vector<BYTE> textTypeCut;
  AppendRecord(textTypeCut, IdField(0), IdField(0), 0, "");
  AppendRecord(textTypeCut, TextField("TEXT"), IdField(2), 0x0409, "x");
  SetDword(textTypeCut, kStringRecord + 4, 12);

  const std::vector<Case> cases = {
      {"empty", {}, 0},
      {"truncated in the first header", cut(16), 0},
      {"truncated before a HeaderSize", cut(kStringRecord + 6), 0},
      {"truncated inside a header", cut(kStringRecord + 20), 0},
      {"truncated inside the data", cut(65), 0},
      {"truncated inside the padding", cut(67), 0},
      {"DataSize past the end", with(kStringRecord, 0x7FFFFFFF), 0},
      {"DataSize at its maximum", with(kStringRecord, 0xFFFFFFFF), 0},
      {"HeaderSize zero", with(kStringRecord + 4, 0), 0},
      {"HeaderSize too small for its fields", with(kStringRecord + 4, 28), 0},
      {"HeaderSize larger than its fields", with(kStringRecord + 4, 36), 0},
      {"HeaderSize past the end", with(kStringRecord + 4, 0x10000), 0},
      {"HeaderSize not a multiple of 4", with(kStringRecord + 4, 33), 0},
      {"a text type running past HeaderSize", textTypeCut, 0},
      {"first record not empty", with(0, 4), 0},
      {"no empty first record", noEmptyRecord, 0},
      {"a record's data not padded", unpadded, 0},
      {"bytes after the last record", trailingBytes, 0},
      {"image at an odd address", good, 1},
      {"image at an address not DWORD-aligned", good, 2},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_FALSE(LendImage(c.image, c.offset)) << c.what;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA)) << c.what;
    SetLastError(0);
    EXPECT_EQ(FindResourceA(m_module, MAKEINTRESOURCEA(1), RT_STRING), nullptr) << c.what;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND)) << c.what;
    win32::UnregisterModuleResources(m_module);
  }
}

// The .res file the resource compiler made from the library's .rc, lent to the
// platform library as the product lends it to its own module.
class CompiledResourcesTest : public ModuleResourcesTest {
 protected:
  void SetUp() override {
    ModuleResourcesTest::SetUp();
    std::ifstream file(PELLACORM_TEST_RESOURCE_IMAGE, std::ios::binary);
    ASSERT_TRUE(file) << PELLACORM_TEST_RESOURCE_IMAGE;
    const std::vector<BYTE> image{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_TRUE(LendImage(image));
  }
  // The data of a resource in US English, which the .rc declares for all of them.
  std::vector<BYTE> Data(HMODULE module, LPCSTR type, WORD id) {
    const HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), 0x0409);
    EXPECT_NE(found, nullptr) << "type " << reinterpret_cast<ULONG_PTR>(type) << ", id " << id;
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    return data == nullptr ? std::vector<BYTE>()
                           : std::vector<BYTE>(data, data + SizeofResource(module, found));
  }
};

WORD WordAt(const std::vector<BYTE>& data, std::size_t at) {
  return at + 2 <= data.size() ? static_cast<WORD>(data[at] | (data[at + 1] << 8)) : 0xDEAD;
}

DWORD DwordAt(const std::vector<BYTE>& data, std::size_t at) {
  return static_cast<DWORD>(WordAt(data, at)) | (static_cast<DWORD>(WordAt(data, at + 2)) << 16);
}

// Every id of resource.h has a text in its block, and nothing else does (the texts
// themselves are the string loader's tests).
TEST_F(CompiledResourcesTest, EveryStringIsInItsBlockAndNoOtherIs) {
  const std::set<UINT> ids = {IDS_DO_NOT_ASSIGN,     IDS_REGISTRY_KEY,      IDS_PRIORITY_DEFAULT,
                              IDS_PRIORITY_VERY_LOW, IDS_PRIORITY_LOW,      IDS_PRIORITY_NORMAL,
                              IDS_PRIORITY_HIGH,     IDS_PRIORITY_VERY_HIGH};
  std::set<WORD> blocks;
  for (UINT id : ids) {
    blocks.insert(static_cast<WORD>(id / 16 + 1));
  }
  std::set<UINT> withText;
  for (WORD block : blocks) {
    const std::vector<BYTE> data = Data(m_module, RT_STRING, block);
    // Sixteen counted strings fill the block exactly.
    std::size_t at = 0;
    for (UINT place = 0; place < 16 && at + 2 <= data.size(); ++place) {
      const WORD length = WordAt(data, at);
      if (length != 0) {
        withText.insert((block - 1u) * 16 + place);
      }
      at += 2 + 2 * std::size_t{length};
    }
    EXPECT_EQ(at, data.size()) << "block " << block;
  }
  EXPECT_EQ(withText, ids);
}

TEST_F(CompiledResourcesTest, TheDialogAndTheVersionAreThere) {
  const std::vector<BYTE> dialog = Data(m_module, RT_DIALOG, IDD_ACTION);
  EXPECT_EQ(WordAt(dialog, 0), 1) << "DLGTEMPLATEEX version";
  EXPECT_EQ(WordAt(dialog, 2), 0xFFFF) << "DLGTEMPLATEEX signature";
  EXPECT_EQ(WordAt(dialog, 16), 8) << "controls";

  const std::vector<BYTE> version = Data(m_module, RT_VERSION, 1);
  EXPECT_EQ(WordAt(version, 0), version.size()) << "VS_VERSIONINFO's length is the resource's size";
  std::string key;
  for (std::size_t at = 6; WordAt(version, at) != 0 && at < 6 + 2 * 16; at += 2) {
    key += static_cast<char>(WordAt(version, at));
  }
  EXPECT_EQ(key, "VS_VERSION_INFO");
  // VS_FIXEDFILEINFO follows the key and its padding.
  EXPECT_EQ(DwordAt(version, 40), 0xFEEF04BDu);
  EXPECT_EQ(DwordAt(version, 48), (DWORD{PELLACORM_VERSION_MAJOR} << 16) | PELLACORM_VERSION_MINOR);
  EXPECT_EQ(DwordAt(version, 52), DWORD{PELLACORM_VERSION_PATCH} << 16);

  // One language: a request for another finds nothing.
  SetLastError(0);
  EXPECT_EQ(FindResourceExA(m_module, RT_DIALOG, MAKEINTRESOURCEA(IDD_ACTION), 0x0407), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND));
}

TEST_F(CompiledResourcesTest, TheProgramEmbedsTheSameBytes) {
  // This program links the product's static library, which registers its embedded copy
  // for the program's module.
  for (WORD block : {7, 13}) {
    EXPECT_EQ(Data(nullptr, RT_STRING, block), Data(m_module, RT_STRING, block)) << "string block " << block;
  }
  EXPECT_EQ(Data(nullptr, RT_DIALOG, IDD_ACTION), Data(m_module, RT_DIALOG, IDD_ACTION));
  EXPECT_EQ(Data(nullptr, RT_VERSION, 1), Data(m_module, RT_VERSION, 1));
}

}  // namespace
