// The display-name query, driven as the client drives it: through ExchEntryPoint and
// the interface table, with the client's buffers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "integration/Library.h"
#include "testing/GuardedBuffer.h"

namespace pellacorm {
namespace {

using testsupport::GuardedBuffer;

class QueryCommandDisplayNameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_ext = library::NewExtension();
    ASSERT_NE(m_ext, nullptr);
  }
  void TearDown() override {
    if (m_ext != nullptr) {
      EXPECT_EQ(m_ext->Release(), 0u);
    }
  }
  // The display name of `command` in a buffer large enough for any.
  std::string DisplayName(LPCSTR command) {
    GuardedBuffer buffer(2048);
    EXPECT_EQ(m_ext->QueryCommandDisplayName(nullptr, command, buffer.Data(), buffer.Size()), S_OK)
        << command;
    EXPECT_TRUE(buffer.Terminated()) << command;
    return buffer.Text();
  }
  IExchangeRuleExt* m_ext = nullptr;
};

struct Case {
  std::string command;
  std::string expected;
};

TEST_F(QueryCommandDisplayNameTest, NamesStoredCommands) {
  const std::string longTopic = "Archive/" + std::string(700, 'y');
  const std::vector<Case> cases = {
      {"017P+1T1006Budget", "Priority: High, Topic: Budget (File) "},
      {"", ""},
      {"006P-2", "Priority: Very Low"},
      {"006P-1", "Priority: Low"},
      {"006P+0", "Priority: Normal"},
      {"006P+2", "Priority: Very High"},
      {"006P+7", "Priority: "},
      {"011T3003A/B", "Topic: A/B (File,Overwrite) "},
      {"014T2006Budget", "Topic: Budget (Overwrite) "},
      {"012P+2T0001X", "Priority: Very High, Topic: X"},
      {"015T0007A\\B C/\xE9", "Topic: A\\B C/\xE9"},
      {"716T0708" + longTopic, "Topic: " + longTopic},
      // Malformed text names whatever was read.
      {"garbage", ""},
      {"007P+1X", "Priority: High"},
      {"010T1005ab", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DisplayName(c.command.c_str()), c.expected) << "command \"" << c.command << "\"";
  }
}

TEST_F(QueryCommandDisplayNameTest, RefusesNullArgumentsWithoutWriting) {
  GuardedBuffer buffer(32);
  EXPECT_EQ(m_ext->QueryCommandDisplayName(nullptr, nullptr, buffer.Data(), buffer.Size()), E_INVALIDARG);
  EXPECT_FALSE(buffer.WrittenOutside(0));
  EXPECT_EQ(m_ext->QueryCommandDisplayName(nullptr, "006P+1", nullptr, 32), E_INVALIDARG);
  EXPECT_EQ(m_ext->QueryCommandDisplayName(nullptr, nullptr, nullptr, 0), E_INVALIDARG);
}

TEST_F(QueryCommandDisplayNameTest, FitsTheNameIntoTheClientsBuffer) {
  const char* command = "017P+1T1006Budget";
  const std::string name = "Priority: High, Topic: Budget (File) ";
  struct Fit {
    std::size_t size;
    std::string expected;  // the text written before the terminator
  };
  const std::vector<Fit> fits = {
      {1, ""},
      {2, name.substr(0, 1)},
      {name.size() - 1, name.substr(0, name.size() - 2)},
      {name.size(), name.substr(0, name.size() - 1)},
      {name.size() + 1, name},
      {name.size() + 2, name},
      {512, name},
  };
  for (const Fit& f : fits) {
    GuardedBuffer buffer(f.size);
    EXPECT_EQ(m_ext->QueryCommandDisplayName(nullptr, command, buffer.Data(), buffer.Size()), S_OK) << f.size;
    EXPECT_EQ(buffer.Text(), f.expected) << "size " << f.size;
    EXPECT_TRUE(buffer.Terminated()) << "size " << f.size;
    EXPECT_FALSE(buffer.WrittenOutside(f.expected.size() + 1)) << "size " << f.size;
  }
}

TEST_F(QueryCommandDisplayNameTest, ABufferOfSizeZeroIsLeftUntouched) {
  for (const char* command : {"017P+1T1006Budget", ""}) {
    GuardedBuffer buffer(0);
    EXPECT_EQ(m_ext->QueryCommandDisplayName(nullptr, command, buffer.Data(), 0), S_OK) << command;
    EXPECT_FALSE(buffer.WrittenOutside(0)) << command;
  }
}

TEST_F(QueryCommandDisplayNameTest, TheCutCountsBytesEvenInsideADoubleByteCharacter) {
  // The topic's bytes pass through whatever the code page; a cut may split a
  // double-byte character, and the client's buffer size is all that bounds the text.
  const char* command = "012T0004\x95\x5C\x95\x5C";
  const std::string name = "Topic: \x95\x5C\x95\x5C";
  EXPECT_EQ(DisplayName(command), name);
  GuardedBuffer buffer(name.size());
  EXPECT_EQ(m_ext->QueryCommandDisplayName(nullptr, command, buffer.Data(), buffer.Size()), S_OK);
  EXPECT_EQ(buffer.Text(), "Topic: \x95\x5C\x95");
  EXPECT_FALSE(buffer.WrittenOutside(name.size()));
}

}  // namespace
}  // namespace pellacorm
