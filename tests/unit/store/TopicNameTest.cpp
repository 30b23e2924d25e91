// Topic names between UTF-16 and the ANSI code page.
#include "store/TopicName.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using pellacorm::TopicName;

class CodePage {
 public:
  explicit CodePage(UINT codePage) : m_previous(win32::SetAnsiCodePage(codePage)) {}
  ~CodePage() { win32::SetAnsiCodePage(m_previous); }
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;

 private:
  UINT m_previous;
};

TEST(TopicName, AppendingAddsTheConvertedPartAfterWhatIsThere) {
  const CodePage cp1252(1252);
  TopicName name = u"Projects/";
  pellacorm::AppendWidenedTopic(name, "R\xE9sum\xE9\x80 and more", 7);
  EXPECT_EQ(name, u"Projects/R\u00E9sum\u00E9\u20AC");
  pellacorm::AppendWidenedTopic(name, "", 0);
  EXPECT_EQ(name, u"Projects/R\u00E9sum\u00E9\u20AC");

  std::string text = "Projects/";
  pellacorm::AppendNarrowedTopic(text, name.data() + 9, name.size() - 9);
  EXPECT_EQ(text, "Projects/R\xE9sum\xE9\x80");
  pellacorm::AppendNarrowedTopic(text, u"\u3042", 1);  // 1252 lacks it
  EXPECT_EQ(text, "Projects/R\xE9sum\xE9\x80?");
}

TEST(TopicName, NarrowTextsOfAListBuildOnTheirParents) {
  const CodePage cp1252(1252);
  pellacorm::NarrowTopicTexts texts;
  const std::string top(40, 'x');  // long enough that the texts outgrow their room
  texts.Add(top);
  texts.AddBelow(0, u"R\u00E9sum\u00E9", 6);
  texts.AddBelow(1, u"\u20ACz", 2);
  texts.Add("");
  texts.AddBelow(0, u"", 0);
  ASSERT_EQ(texts.Count(), 5u);
  const auto text = [&texts](std::size_t i) { return std::string(texts.Data(i), texts.Length(i)); };
  EXPECT_EQ(text(0), top);
  EXPECT_EQ(text(1), top + "/R\xE9sum\xE9");
  EXPECT_EQ(text(2), top + "/R\xE9sum\xE9/\x80z");
  EXPECT_EQ(text(3), "");
  EXPECT_EQ(text(4), top + "/");
}

TEST(TopicName, EveryByteOf1252ComesBack) {
  const CodePage cp1252(1252);
  std::string all;
  for (int b = 1; b < 256; ++b) {
    all += static_cast<char>(b);
  }
  const TopicName wide = pellacorm::WidenTopic(all);
  ASSERT_EQ(wide.size(), all.size());
  EXPECT_EQ(pellacorm::NarrowTopic(wide), all);
}

TEST(TopicName, DoubleByteTextOf932) {
  const CodePage cp932(932);
  // One unit per double-byte character; a lead byte alone is U+30FB, whose own code is
  // 0x81 0x45.
  const TopicName wide = pellacorm::WidenTopic("\x95\x5C/a\x82\xA0\x81");
  EXPECT_EQ(wide, u"\u8868/a\u3042\u30FB");
  EXPECT_EQ(pellacorm::NarrowTopic(wide), "\x95\x5C/a\x82\xA0\x81\x45");
  EXPECT_EQ(pellacorm::WidenTopic(""), u"");
  EXPECT_EQ(pellacorm::NarrowTopic(u""), "");
}

}  // namespace
