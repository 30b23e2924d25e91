// The registry calls the settings code makes, as the real registry answers them (our
// layer keeps the registry in a file).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConformanceSupport.h"

namespace {

using Bytes = std::vector<BYTE>;

class RegistryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (HKEY key : m_open) {
      RegCloseKey(key);
    }
  }
  HKEY Open(const char* path, REGSAM access, LSTATUS expected = ERROR_SUCCESS) {
    HKEY__ unset{};
    HKEY key = &unset;  // a failed open must make it null
    EXPECT_EQ(RegOpenKeyExA(conformance::CurrentUser(), path, 0, access, &key), expected) << path;
    if (key != nullptr) {
      m_open.push_back(key);
    }
    return key;
  }
  HKEY Create(const char* path, DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(conformance::CurrentUser(), path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, disposition),
              ERROR_SUCCESS)
        << path;
    m_open.push_back(key);
    return key;
  }
  static LSTATUS Set(HKEY key, const char* name, DWORD type, const Bytes& data) {
    return RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
  }

  conformance::TempRegistry m_registry;
  std::vector<HKEY> m_open;
};

TEST_F(RegistryTest, CreateMakesTheKeyAndTheKeysAboveIt) {
  DWORD disposition = 0;
  Create("Software\\A\\B", &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  Create("SOFTWARE\\a\\b", &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY)) << "names ignore case";
  Open("software\\a", KEY_READ);
  EXPECT_EQ(Open("Software\\A\\C", KEY_READ, ERROR_FILE_NOT_FOUND), nullptr);
  Open("Software\\\\A", KEY_READ, ERROR_BAD_PATHNAME);
}

TEST_F(RegistryTest, QueryAnswersTypeSizeAndMoreData) {
  HKEY key = Create("Software\\Q");
  ASSERT_EQ(Set(key, "Text", REG_SZ, {'a', 'b', 'c', 0}), ERROR_SUCCESS);

  DWORD type = 0;
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "TEXT", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 4u);

  BYTE small[2] = {'x', 'x'};
  size = sizeof small;
  type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(small[0], 'x') << "a buffer that is too small is left alone";

  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  DWORD reserved = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Text", &reserved, &type, nullptr, &size), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, small, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, UnterminatedTextGetsAZeroOnlyWhereThereIsRoom) {
  HKEY key = Create("Software\\Q");
  ASSERT_EQ(Set(key, "Raw", REG_SZ, {'a', 'b'}), ERROR_SUCCESS);
  BYTE buffer[3] = {'x', 'x', 'x'};
  DWORD size = 3;
  EXPECT_EQ(RegQueryValueExA(key, "Raw", nullptr, nullptr, buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{'a', 'b', 0}));
  BYTE exact[2] = {'x', 'x'};
  size = 2;
  EXPECT_EQ(RegQueryValueExA(key, "Raw", nullptr, nullptr, exact, &size), ERROR_SUCCESS);
  EXPECT_EQ(Bytes(exact, exact + 2), (Bytes{'a', 'b'}));
}

TEST_F(RegistryTest, HandlesAreCheckedForTheirAccess) {
  Create("Software\\R");
  HKEY reader = Open("Software\\R", KEY_READ);
  HKEY writer = Open("Software\\R", KEY_SET_VALUE);
  EXPECT_EQ(Set(reader, "v", REG_DWORD, {1, 0, 0, 0}), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueA(reader, "v"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Set(writer, "v", REG_DWORD, {1, 0, 0, 0}), ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(writer, "v", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegQueryValueExA(reader, "v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  HKEY sub = nullptr;
  EXPECT_EQ(RegCreateKeyExA(reader, "New", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(sub, nullptr);
}

TEST_F(RegistryTest, ValuesOfEveryTypeComeBackByteForByte) {
  struct Case {
    const char* name;
    DWORD type;
    Bytes data;
    const char* line;  // how the file shows it
  } const cases[] = {
      {"Text", REG_SZ, {'C', ':', '\\', '"', 0}, "\"Text\"=\"C:\\\\\\\"\""},
      {"Empty", REG_SZ, {0}, "\"Empty\"=\"\""},
      {"Unterminated", REG_SZ, {'a', 'b'}, "\"Unterminated\"=hex(1):61,62"},
      {"Ansi", REG_SZ, {0xE9, 0}, "\"Ansi\"=hex(1):e9,00"},
      {"Expand", REG_EXPAND_SZ, {'%', 0}, "\"Expand\"=hex(2):25,00"},
      {"Multi", REG_MULTI_SZ, {'a', 0, 'b', 0, 0}, "\"Multi\"=hex(7):61,00,62,00,00"},
      {"Number", REG_DWORD, {0x0a, 0, 0, 0x80}, "\"Number\"=dword:8000000a"},
      {"Short", REG_DWORD, {1, 2}, "\"Short\"=hex(4):01,02"},
      {"BigEndian", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 3}, "\"BigEndian\"=hex(5):00,00,00,03"},
      {"Binary", REG_BINARY, {0, 0xff}, "\"Binary\"=hex:00,ff"},
      {"NoBytes", REG_BINARY, {}, "\"NoBytes\"=hex:"},
      {"Odd", 0x12345, {7}, "\"Odd\"=hex(12345):07"},
      {"", REG_SZ, {'d', 0}, "@=\"d\""},
  };
  HKEY key = Create("Software\\Types");
  for (const Case& c : cases) {
    ASSERT_EQ(Set(key, c.name, c.type, c.data), ERROR_SUCCESS) << c.name;
  }
#ifndef _WIN32
  const std::string text = m_registry.Text();
#endif
  for (const Case& c : cases) {
    DWORD type = 0;
    BYTE buffer[16] = {};
    DWORD size = static_cast<DWORD>(c.data.size());
    EXPECT_EQ(RegQueryValueExA(key, c.name, nullptr, &type, buffer, &size), ERROR_SUCCESS) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(Bytes(buffer, buffer + size), c.data) << c.name;
#ifndef _WIN32
    // Our layer's file, in the real registry's export format.
    EXPECT_NE(text.find(std::string("\n") + c.line + "\n"), std::string::npos) << c.line << " in\n" << text;
#endif
  }
}

#ifndef _WIN32
// Our layer's file, changed by another process between calls.
TEST_F(RegistryTest, ChangesByOthersAreSeenAndKeptByWriters) {
  HKEY key = Create("Software\\Shared");
  ASSERT_EQ(Set(key, "Mine", REG_DWORD, {1, 0, 0, 0}), ERROR_SUCCESS);
  // Another process rewrites the file, by hand, with line continuations, comments and
  // a key that no call could name.
  ASSERT_TRUE(
      testsupport::WriteHostFile(m_registry.File(),
                                 "REGEDIT4\n; edited\n\n[HKEY_CURRENT_USER\\Software\\Shared]\r\n"
                                 "\"Mine\"=dword:00000002\n\"Theirs\"=hex:01,\\\n  02\nnot a value\n"
                                 "[HKEY_CURRENT_USER\\Software\\\\Shared]\n\"Lost\"=dword:00000001\n"));
  BYTE data[4] = {};
  DWORD size = sizeof data;
  EXPECT_EQ(RegQueryValueExA(key, "Mine", nullptr, nullptr, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(data[0], 2);
  size = sizeof data;
  EXPECT_EQ(RegQueryValueExA(key, "Theirs", nullptr, nullptr, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(Bytes(data, data + size), (Bytes{1, 2}));
  // A second rewrite at once, of the same length and differing in one byte, is seen
  // too: the file's text, not its size or time, tells whether it changed. The key with
  // an empty name in its path, which no call could open, is kept as written.
  ASSERT_TRUE(
      testsupport::WriteHostFile(m_registry.File(),
                                 "REGEDIT4\n; edited\n\n[HKEY_CURRENT_USER\\Software\\Shared]\r\n"
                                 "\"Mine\"=dword:00000009\n\"Theirs\"=hex:01,\\\n  02\nnot a value\n"
                                 "[HKEY_CURRENT_USER\\Software\\\\Shared]\n\"Lost\"=dword:00000001\n"));
  size = sizeof data;
  EXPECT_EQ(RegQueryValueExA(key, "Mine", nullptr, nullptr, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(data[0], 9);

  ASSERT_EQ(Set(key, "Third", REG_BINARY, {3}), ERROR_SUCCESS);
  const std::string text = m_registry.Text();
  EXPECT_NE(text.find("\"Mine\"=dword:00000009\n\"Theirs\"=hex:01,02\n\"Third\"=hex:03\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("not a value\n\n[HKEY_CURRENT_USER\\Software\\\\Shared]\n\"Lost\"=dword:00000001\n"),
            std::string::npos)
      << text;
}

// Our layer's file: its folder is made with it, and a text many reads long reads whole.
TEST_F(RegistryTest, TheFileIsMadeWithItsFolderAndReadWhole) {
  testsupport::TempFolder root;
  const std::string file = root.Path() + "/new/deeper/user.reg";
  testsupport::ScopedEnv env("WIN32_REGISTRY_FILE", file.c_str());
  HKEY key = Create("Software\\Grown");
  Bytes big(20000);
  for (std::size_t i = 0; i < big.size(); ++i) {
    big[i] = static_cast<BYTE>(i * 7);
  }
  ASSERT_EQ(Set(key, "Big", REG_BINARY, big), ERROR_SUCCESS);
  ASSERT_EQ(Set(key, "After", REG_DWORD, {5, 0, 0, 0}), ERROR_SUCCESS);
  EXPECT_GT(testsupport::ReadHostFile(file).size(), 3 * big.size()) << "written as hex";

  Bytes data(big.size() + 1);
  DWORD size = static_cast<DWORD>(data.size());
  ASSERT_EQ(RegQueryValueExA(key, "Big", nullptr, nullptr, data.data(), &size), ERROR_SUCCESS);
  data.resize(size);
  EXPECT_EQ(data, big);
  DWORD number = 0;
  size = sizeof number;
  EXPECT_EQ(RegQueryValueExA(key, "After", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(number, 5u);
}

#endif

TEST_F(RegistryTest, DeletingValuesAndKeys) {
  HKEY key = Create("Software\\D\\Child");
  HKEY parent = Open("Software\\D", KEY_ALL_ACCESS);
  ASSERT_EQ(Set(key, "v", REG_BINARY, {1}), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "V"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "v"), ERROR_FILE_NOT_FOUND);

  EXPECT_EQ(RegDeleteKeyA(conformance::CurrentUser(), "Software\\D"), ERROR_ACCESS_DENIED)
      << "it has a subkey";
  EXPECT_EQ(RegDeleteKeyA(parent, "child"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(parent, "child"), ERROR_FILE_NOT_FOUND);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
  EXPECT_EQ(Set(key, "v", REG_BINARY, {1}), ERROR_KEY_DELETED);
  EXPECT_EQ(RegDeleteKeyA(conformance::CurrentUser(), ""), ERROR_ACCESS_DENIED) << "a root stays";
}

TEST_F(RegistryTest, ClosedHandlesAreInvalid) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(conformance::CurrentUser(), "Software\\C", 0, nullptr, 0, KEY_READ, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(conformance::CurrentUser()), ERROR_SUCCESS);
}

}  // namespace
