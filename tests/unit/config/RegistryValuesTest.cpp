#include "config/RegistryValues.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/Settings.h"
#include "mapi32/Diagnostics.h"
#include "testing/RegistryHelper.h"
#include "testing/TempFiles.h"

namespace pellacorm {
namespace {

using testsupport::kSettingsKey;

class RegistryValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_liveAtStart = Mapi32LiveBufferCount();
    testsupport::CreateRegKey(kSettingsKey);
  }
  void TearDown() override {
    Mapi32FailAllocation(0);
    EXPECT_EQ(Mapi32LiveBufferCount(), m_liveAtStart);
  }
  static RegKey Settings() { return OpenSettingsKey(kSettingsReadAccess); }

  testsupport::TempRegistry m_registry;
  ULONG m_liveAtStart = 0;
};

TEST_F(RegistryValuesTest, QueryRegStringReadsTextValuesOnly) {
  const std::string longText(300, 'x');
  const std::string exact(256, 'y');
  const std::string zero(1, '\0');
  struct Case {
    const char* name;
    std::string bytes;  // stored as they are: a terminating zero is part of them
    std::string text;
    DWORD type;
    LONG result;
  } const cases[] = {
      {"plain", "C:\\Home" + zero, "C:\\Home", REG_SZ, 0},
      {"empty", zero, "", REG_SZ, 0},
      {"needs a second read", longText + zero, longText, REG_SZ, 0},
      {"unterminated, fills the buffer", exact, exact, REG_SZ, 0},
      {"unterminated, second read", longText, longText, REG_SZ, 0},
      {"ends at the first zero", "ab" + zero + "cd" + zero, "ab", REG_SZ, 0},
      {"expandable text", "%HOME%" + zero, "", REG_EXPAND_SZ, ERROR_INVALID_DATA},
      {"long expandable text", longText + zero, "", REG_EXPAND_SZ, ERROR_INVALID_DATA},
      {"number", std::string(4, '\1'), "", REG_DWORD, ERROR_INVALID_DATA},
  };
  for (const Case& c : cases) {
    testsupport::SetRegValue(kSettingsKey, "Value", c.type, c.bytes.data(),
                             static_cast<DWORD>(c.bytes.size()));
    std::string text = "left over";
    EXPECT_EQ(QueryRegString(Settings().Get(), "Value", text), c.result) << c.name;
    EXPECT_EQ(text, c.text) << c.name;
  }
  std::string text = "left over";
  EXPECT_EQ(QueryRegString(Settings().Get(), "Missing", text), E_FAIL);
  EXPECT_EQ(text, "");
}

TEST_F(RegistryValuesTest, QueryRegBinaryCopiesTheReportedBytes) {
  std::vector<BYTE> bytes(300);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<BYTE>(i * 7);
  }
  testsupport::SetRegBinary(kSettingsKey, "AppDatastore", bytes);
  std::vector<BYTE> read;
  ASSERT_EQ(QueryRegBinary(Settings().Get(), "AppDatastore", read), 0);
  EXPECT_EQ(read, bytes);

  testsupport::SetRegBinary(kSettingsKey, "Empty", {});
  EXPECT_EQ(QueryRegBinary(Settings().Get(), "Empty", read), 0);
  EXPECT_TRUE(read.empty());
}

TEST_F(RegistryValuesTest, QueryRegBinaryFailuresLeaveTheBytesAlone) {
  const std::vector<BYTE> kept = {1, 2, 3};
  testsupport::SetRegString(kSettingsKey, "AsText", "0102030405");
  std::vector<BYTE> read = kept;
  EXPECT_EQ(QueryRegBinary(Settings().Get(), "AsText", read), ERROR_INVALID_DATA);
  EXPECT_EQ(QueryRegBinary(Settings().Get(), "Missing", read), E_FAIL);
  EXPECT_EQ(read, kept);
}

TEST_F(RegistryValuesTest, SettingsKeyIsReadOnlyForReaders) {
  RegKey key = Settings();
  ASSERT_TRUE(key);
  const DWORD one = 1;
  EXPECT_EQ(RegSetValueExA(key.Get(), "x", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
            ERROR_ACCESS_DENIED);
}

TEST(SettingsKeyTest, InstallCreatesAMissingKeyEmptyAndOpensAnExistingOne) {
  testsupport::TempRegistry registry;
  EXPECT_FALSE(OpenSettingsKey(kSettingsReadAccess));
  bool created = false;
  RegKey key = OpenOrCreateSettingsKey(created);
  ASSERT_TRUE(key);
  EXPECT_TRUE(created);
  EXPECT_NE(registry.Text().find("[HKEY_CURRENT_USER\\Software\\Pellacorm\\Quendra]\n"), std::string::npos);
  EXPECT_EQ(registry.Text().find('='), std::string::npos) << "no value is written";
  EXPECT_EQ(win32::KeyCreateOptions("HKEY_CURRENT_USER\\Software\\Pellacorm\\Quendra"),
            static_cast<DWORD>(REG_OPTION_NON_VOLATILE))
      << "a volatile key would lose the settings when Windows restarts";

  key = OpenOrCreateSettingsKey(created);
  EXPECT_TRUE(key);
  EXPECT_FALSE(created);
  const DWORD one = 1;
  EXPECT_EQ(RegSetValueExA(key.Get(), "x", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
            ERROR_SUCCESS)
      << "Install's key is opened for writing";
}

}  // namespace
}  // namespace pellacorm
