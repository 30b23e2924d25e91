// The Win32 layer's registry file as a person or another program leaves it: what is not
// a registry is refused and left alone, and what the layer cannot read survives a
// rewrite in its place.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "testing/RegistryHelper.h"
#include "testing/TempFiles.h"
#include "win32/Registry.h"

namespace {

bool Exists(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0;
}

// Creates a key and sets a value through the layer: what a program does first.
LSTATUS CreateAndSet(const char* subKey) {
  HKEY key = nullptr;
  const LSTATUS created = RegCreateKeyExA(testsupport::CurrentUser(), subKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                          nullptr, &key, nullptr);
  if (created != ERROR_SUCCESS) {
    return created;
  }
  const BYTE one[4] = {1, 0, 0, 0};
  const LSTATUS set = RegSetValueExA(key, "Added", 0, REG_DWORD, one, sizeof one);
  RegCloseKey(key);
  return set;
}

std::size_t WarningsAbout(const std::string& text) {
  std::size_t count = 0;
  for (const std::string& warning : win32::RegistryWarnings()) {
    count += warning.find(text) != std::string::npos ? 1 : 0;
  }
  return count;
}

TEST(RegistryFile, WhatIsNotARegistryIsRefusedAndLeftByteForByte) {
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"text", "important\n"},
      {"an export's keys without its first line", "[HKEY_CURRENT_USER\\Software]\n\"A\"=\"b\"\n"},
      {"a header that only starts the same", "REGEDIT40\n"},
      {"binary", std::string("\x00\x01\xFFREGEDIT4\n", 12)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::TempFolder folder;
    const std::string file = folder.Path() + "/x.txt";
    ASSERT_TRUE(testsupport::WriteHostFile(file, c.bytes));
    testsupport::ScopedEnv env("WIN32_REGISTRY_FILE", file.c_str());
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(testsupport::CurrentUser(), "Software", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(CreateAndSet("Software\\Pellacorm"), ERROR_BADDB);
    EXPECT_EQ(RegDeleteKeyA(testsupport::CurrentUser(), "Software\\Pellacorm"), ERROR_BADDB);
    EXPECT_EQ(testsupport::ReadHostFile(file), c.bytes);
    EXPECT_FALSE(Exists(file + ".lock")) << "nothing is made beside it either";
    EXPECT_NE(win32::RegistryFileProblem().find("is not a registry file"), std::string::npos);
    EXPECT_EQ(WarningsAbout(file + " is not a registry file"), 1u) << "one warning, however many calls";
  }
}

TEST(RegistryFile, AFolderIsRefusedAndNothingIsMadeBesideIt) {
  testsupport::TempFolder folder;
  testsupport::ScopedEnv env("WIN32_REGISTRY_FILE", folder.Path().c_str());
  EXPECT_EQ(CreateAndSet("Software\\Pellacorm"), ERROR_BADDB);
  EXPECT_FALSE(Exists(folder.Path() + ".lock"));
  EXPECT_NE(win32::RegistryFileProblem().find("a folder"), std::string::npos);
}

TEST(RegistryFile, EveryHeaderRegeditWritesIsTaken) {
  for (const char* header :
       {"REGEDIT4", "REGEDIT5", "Windows Registry Editor Version 5.00", "\xEF\xBB\xBFREGEDIT4\r"}) {
    SCOPED_TRACE(header);
    testsupport::TempFolder folder;
    const std::string file = folder.Path() + "/user.reg";
    ASSERT_TRUE(testsupport::WriteHostFile(file, std::string(header) + "\n"));
    testsupport::ScopedEnv env("WIN32_REGISTRY_FILE", file.c_str());
    EXPECT_EQ(CreateAndSet("Software\\Pellacorm"), ERROR_SUCCESS);
    EXPECT_EQ(win32::RegistryFileProblem(), "");
  }
  testsupport::TempFolder folder;
  const std::string file = folder.Path() + "/empty.reg";
  ASSERT_TRUE(testsupport::WriteHostFile(file, ""));
  testsupport::ScopedEnv env("WIN32_REGISTRY_FILE", file.c_str());
  EXPECT_EQ(CreateAndSet("Software\\Pellacorm"), ERROR_SUCCESS) << "an empty file is an empty registry";
}

// What a person may leave in the file: each line the layer cannot read is warned about
// once, reads as no value, and is written back where it stood when a call changes the
// file; the values around it are read as before.
TEST(RegistryFile, UnreadableLinesAreWarnedAboutAndKeptInPlace) {
  testsupport::TempFolder folder;
  const std::string file = folder.Path() + "/user.reg";
  const std::string kept =
      "REGEDIT4\n"
      "; a comment of the person who edited it\n"
      "\n"
      "[HKEY_CURRENT_USER\\Software\\Pellacorm\\Quendra]\n"
      "\"Before\"=dword:00000001\n"
      "not a line of a registry\n"
      "\"U\"=\"unterminated\n"
      "\"Bin\"=hex:01,02,zz\n"
      "\"Big\"=dword:1234567890\n"
      "; a comment among the values\n"
      "\"After\"=\"text\"\n"
      "\n"
      "[HKEY_CURRENT_USER\\Software\\\\Bad]\n"
      "\"BelowABadKey\"=dword:00000002\n";
  ASSERT_TRUE(testsupport::WriteHostFile(file, kept));
  testsupport::ScopedEnv env("WIN32_REGISTRY_FILE", file.c_str());

  HKEY key = nullptr;
  ASSERT_EQ(
      RegOpenKeyExA(testsupport::CurrentUser(), "Software\\Pellacorm\\Quendra", 0, KEY_ALL_ACCESS, &key),
      ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "U", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExA(key, "After", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 5u);
  const BYTE two[4] = {2, 0, 0, 0};
  ASSERT_EQ(RegSetValueExA(key, "Before", 0, REG_DWORD, two, sizeof two), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "New", 0, REG_DWORD, two, sizeof two), ERROR_SUCCESS);
  RegCloseKey(key);

  const std::vector<std::pair<int, const char*>> unread = {
      {6, "not a line of a registry"},
      {7, "\"U\"=\"unterminated"},
      {8, "\"Bin\"=hex:01,02,zz"},
      {9, "\"Big\"=dword:1234567890"},
      {13, "[HKEY_CURRENT_USER\\Software\\\\Bad]"},
      {14, "\"BelowABadKey\"=dword:00000002"},
  };
  for (const auto& [line, text] : unread) {
    EXPECT_EQ(WarningsAbout(file + ":" + std::to_string(line) + ": cannot read " + text), 1u) << text;
  }
  EXPECT_EQ(WarningsAbout("comment"), 0u) << "a comment is no fault";

  const std::string text = testsupport::ReadHostFile(file);
  EXPECT_EQ(text.rfind("REGEDIT4\n; a comment of the person who edited it\n", 0), 0u) << text;
  EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Pellacorm\\Quendra]\n"
                      "\"Before\"=dword:00000002\n"
                      "not a line of a registry\n"
                      "\"U\"=\"unterminated\n"
                      "\"Bin\"=hex:01,02,zz\n"
                      "\"Big\"=dword:1234567890\n"
                      "; a comment among the values\n"
                      "\"After\"=\"text\"\n"
                      "\"New\"=dword:00000002\n"
                      "\n"
                      "[HKEY_CURRENT_USER\\Software\\\\Bad]\n"
                      "\"BelowABadKey\"=dword:00000002\n"),
            std::string::npos)
      << text;
  EXPECT_FALSE(Exists(file + ".XXXXXX")) << "the new file was renamed over the old one";
}

// A key deleted through the calls takes its values along, not the lines kept among them.
TEST(RegistryFile, DeletingAKeyKeepsTheLinesTheLayerCouldNotRead) {
  testsupport::TempFolder folder;
  const std::string file = folder.Path() + "/user.reg";
  ASSERT_TRUE(testsupport::WriteHostFile(
      file, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Gone]\n\"V\"=dword:00000001\n\"W\"=hex:zz\n"));
  testsupport::ScopedEnv env("WIN32_REGISTRY_FILE", file.c_str());
  ASSERT_EQ(RegDeleteKeyA(testsupport::CurrentUser(), "Software\\Gone"), ERROR_SUCCESS);
  const std::string text = testsupport::ReadHostFile(file);
  EXPECT_NE(text.find("\"W\"=hex:zz\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("\"V\""), std::string::npos) << text;
}

}  // namespace
