// The folder path syntax: normal form, the topics-folder check, the shortened form, and
// double-byte names whose trail bytes look like separators.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "config/Platform.h"
#include "extension/ExchRuleExt.h"

namespace pellacorm {
namespace {

struct PathCase {
  const char* input;
  const char* expected;
};

TEST(FolderPathTest, NormalForm) {
  const PathCase cases[] = {
      {"//a//b/ c /", "a/b/ c"},
      {"\\\\a\\\\b\\ c \\", "a/b/ c"},
      {"/a\\b/", "a/b"},
      {"", ""},
      {" / \\ ", ""},
      {"Inbox", "Inbox"},
      {"  Inbox  /  Topics  ", "Inbox  /  Topics"},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(CExchRuleExt::NormalizeFolderPath(c.input), c.expected) << "\"" << c.input << "\"";
  }
}

TEST(FolderPathTest, TopicFolderLocationCheck) {
  const PathCase cases[] = {
      {"", "/Inbox/Pellacorm Topics"},
      {"X", "/Inbox/Pellacorm Topics"},
      {"calendar", "/Inbox/Pellacorm Topics"},
      {"TASKS", "/Inbox/Pellacorm Topics"},
      {"/Sent Items/", "/Inbox/Pellacorm Topics"},
      {"Deleted Items", "/Inbox/Pellacorm Topics"},
      {"Inbox", "/Inbox"},
      {" /Inbox//Pellacorm Topics/ ", "/Inbox/Pellacorm Topics"},
      {"Calendar/Topics", "/Calendar/Topics"},
      {"Projects\\Active", "/Projects/Active"},
      {"/Inbox/Pellacorm Topics", "/Inbox/Pellacorm Topics"},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(CExchRuleExt::ValidateTopicFolderPath(c.input), c.expected) << "\"" << c.input << "\"";
  }
}

TEST(FolderPathTest, ShortenedForDisplayAtThirtyFive) {
  const PathCase cases[] = {
      {"Clients/Harbor Logistics/Support/2006/Escalations/Open", "Clients/.../Escalations/Open"},
      {"Projects/Website Relaunch/Design Reviews/Final Cut", "Projects/.../Final Cut"},
      {"Research and Development/Quarterly Planning Notes", ".../Quarterly Planning Notes"},
      {"A very long single topic name that exceeds the limit", ".../... name that exceeds the limit"},
      {"Short/A very long topic name component that exceeds", "Short/.../... name component that exceeds"},
      {"Clients/Harbor", "Clients/Harbor"},
      {"////////////////////////////////////////", "..."},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(CExchRuleExt::AbbreviateFolderPath(c.input, 35), c.expected) << "\"" << c.input << "\"";
  }
}

TEST(FolderPathTest, APathOfExactlyTheLimitIsShownUnchangedWithItsSeparators) {
  const std::string path = "/" + std::string(33, 'x') + "/";
  ASSERT_EQ(path.size(), 35u);
  EXPECT_EQ(CExchRuleExt::AbbreviateFolderPath(path, 35), path);
  EXPECT_EQ(CExchRuleExt::AbbreviateFolderPath(path + "y", 35), ".../y") << "one character more is shortened";
}

TEST(FolderPathTest, ShortenedFormsStayWithinTheLimitInTheOrdinaryCase) {
  const std::string path = "alpha/beta/gamma/delta/epsilon/zeta/eta/theta/iota/kappa";
  for (ULONG limit = 7; limit < path.size(); ++limit) {
    const std::string shown = CExchRuleExt::AbbreviateFolderPath(path, limit);
    EXPECT_LE(shown.size(), limit) << "limit " << limit << ": " << shown;
    EXPECT_NE(shown.find("..."), std::string::npos) << "limit " << limit;
  }
}

TEST(FolderPathTest, ADeepPathKeepsEqualHeadAndTailInOrder) {
  // A thousand levels of five characters and room for a hundred of them: the form
  // takes levels from the back and the front in turn, so it keeps the first fifty and
  // the last fifty, each half in its own order.
  std::string path;
  std::string head;
  std::string tail;
  for (int level = 0; level < 1000; ++level) {
    char name[16];
    std::snprintf(name, sizeof name, "c%04d", level);
    path += (level == 0 ? "" : "/") + std::string(name);
    if (level < 50) {
      head += std::string(name) + "/";
    }
    if (level >= 950) {
      tail += "/" + std::string(name);
    }
  }
  EXPECT_EQ(CExchRuleExt::AbbreviateFolderPath(path, 603), head + "..." + tail);
}

TEST(FolderPathTest, LimitsBelowSevenNeverRunTheBudgetBelowZero) {
  for (ULONG limit = 0; limit < 7; ++limit) {
    const std::string shown = CExchRuleExt::AbbreviateFolderPath("Research/Quarterly Planning Notes", limit);
    EXPECT_LE(shown.size(), 16u) << "limit " << limit << ": " << shown;
  }
}

// Code page 932: 0x95 0x5C is one character whose trail byte is the code of '\'.
class DoubleBytePathTest : public ::testing::Test {
 protected:
  void SetUp() override { m_previous = win32::SetAnsiCodePage(932); }
  void TearDown() override { win32::SetAnsiCodePage(m_previous); }
  UINT m_previous = 0;
};

TEST_F(DoubleBytePathTest, TrailBytesAreNeverSeparators) {
  const std::string table = "\x95\x5C";  // one character
  EXPECT_EQ(CExchRuleExt::NormalizeFolderPath("/" + table + "/" + table + "\\"), table + "/" + table);
  EXPECT_EQ(CExchRuleExt::NormalizeFolderPath(table + "\\x"), table + "/x");
  EXPECT_EQ(CExchRuleExt::ValidateTopicFolderPath(table + table), "/" + table + table);
}

TEST_F(DoubleBytePathTest, ShortenedFormsKeepDoubleByteComponentsWhole) {
  std::string longName;
  for (int i = 0; i < 20; ++i) {
    longName += "\x95\x5C";
  }
  const std::string path = "A/" + longName + "/B/" + longName;
  // 20 characters a component in UTF-16: the path is longer than 35 characters.
  const std::string shown = CExchRuleExt::AbbreviateFolderPath(path, 35);
  EXPECT_EQ(shown.rfind("...", 0), std::string::npos) << shown;
  EXPECT_EQ(shown.substr(0, 2), "A/") << shown;
}

TEST_F(DoubleBytePathTest, LimitsCountCharactersNotBytes) {
  std::string twenty;
  for (int i = 0; i < 20; ++i) {
    twenty += "\x95\x5C";
  }
  // 20 characters in 40 bytes, and 29 in 49: within a limit of 35 characters, whole.
  for (const std::string& path : {twenty, "Projects/" + twenty}) {
    EXPECT_EQ(CExchRuleExt::AbbreviateFolderPath(path, 35), path);
  }
}

}  // namespace
}  // namespace pellacorm
