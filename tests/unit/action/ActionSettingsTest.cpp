#include "action/ActionSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "action/HostBuffer.h"

namespace pellacorm {
namespace {

// Every field, readable in a failure message; bytes outside printable ASCII as \xNN.
std::string Describe(const ActionSettings& s) {
  std::string text = "{priority ";
  text += s.m_assignPriority ? "on " : "off ";
  text += std::to_string(s.m_priority);
  text += ", topic ";
  text += s.m_assignTopic ? "on" : "off";
  text += s.m_fileImmediately ? " file" : "";
  text += s.m_overwriteTopic ? " overwrite" : "";
  text += " \"";
  for (unsigned char c : s.m_topic) {
    if (c >= 0x20 && c < 0x7F) {
      text += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      text += hex;
    }
  }
  return text + "\"}";
}

// Builds expected records field by field.
struct Record {
  ActionSettings s;
  Record& Priority(int value) {
    s.m_assignPriority = true;
    s.m_priority = value;
    return *this;
  }
  Record& Topic(const std::string& name, bool file = false, bool overwrite = false) {
    s.m_assignTopic = true;
    s.m_topic = name;
    s.m_fileImmediately = file;
    s.m_overwriteTopic = overwrite;
    return *this;
  }
};

struct EncodeCase {
  const char* what;
  ActionSettings record;
  std::string expected;
};

TEST(ActionSettingsEncode, WritesTheStoredFormat) {
  ActionSettings priorityCleared = Record().Priority(2).s;
  priorityCleared.ClearPriority();
  ActionSettings nameWithoutFlag;
  nameWithoutFlag.m_topic = "Budget";
  nameWithoutFlag.m_fileImmediately = true;

  const std::vector<EncodeCase> cases = {
      {"nothing assigned", ActionSettings(), ""},
      {"worked example", Record().Priority(1).Topic("Budget", true, false).s, "017P+1T1006Budget"},
      {"priority Normal only", Record().Priority(0).s, "006P+0"},
      {"priority Very Low only", Record().Priority(-2).s, "006P-2"},
      {"priority Low only", Record().Priority(-1).s, "006P-1"},
      {"topic with both options", Record().Topic("A/B", true, true).s, "011T3003A/B"},
      {"priority and topic without options", Record().Priority(2).Topic("X").s, "012P+2T0001X"},
      {"overwrite only", Record().Topic("X", false, true).s, "009T2001X"},
      {"topic flag with empty name", Record().Topic("", true, true).s, ""},
      {"empty topic beside a priority", Record().Priority(1).Topic("", true).s, "006P+1"},
      {"name without the topic flag", nameWithoutFlag, ""},
      {"cleared priority keeps its value but is not written", priorityCleared, ""},
      {"priority beyond one digit", Record().Priority(-10).s, "007P-10"},
      {"backslash and blanks in the topic", Record().Topic("A B\\C").s, "013T0005A B\\C"},
      {"bytes above 0x7F count one each", Record().Topic("\xC4rger\x95\x5C").s, "015T0007\xC4rger\x95\x5C"},
      {"three-digit topic length", Record().Topic(std::string(100, 'x')).s,
       "108T0100" + std::string(100, 'x')},
  };
  for (const EncodeCase& c : cases) {
    EXPECT_EQ(c.record.EncodeCommand(), c.expected) << c.what << ": " << Describe(c.record);
  }
}

TEST(ActionSettingsEncode, LengthsOfAThousandOrMoreTakeFourDigits) {
  // The longest command that reads back: 999 characters, a topic of 991.
  const std::string longest(991, 'n');
  EXPECT_EQ(Record().Topic(longest).s.EncodeCommand(), "999T0991" + longest);

  const std::string tooLong(992, 'n');
  const std::string command = Record().Topic(tooLong).s.EncodeCommand();
  EXPECT_EQ(command, "1000T0992" + tooLong);
  // The reader takes "100" as the length and the stray digit ends decoding.
  EXPECT_EQ(Describe(ActionSettings(command)), Describe(ActionSettings()));

  const std::string thousand(1000, 'n');
  EXPECT_EQ(Record().Topic(thousand).s.EncodeCommand(), "1009T01000" + thousand);
}

TEST(ActionSettingsEncode, EachNumberTakesItsWidthOnEitherSideOfTheBoundaries) {
  // Each number is as wide as its value needs, with three digits at least for the
  // lengths: both sides of each boundary, alone and together, and the widest priorities.
  const auto n = [](std::size_t count) { return std::string(count, 'n'); };
  const std::vector<EncodeCase> cases = {
      {"priority 9", Record().Priority(9).s, "006P+9"},
      {"priority -9", Record().Priority(-9).s, "006P-9"},
      {"priority 10", Record().Priority(10).s, "007P+10"},
      {"priority -99", Record().Priority(-99).s, "007P-99"},
      {"priority 100", Record().Priority(100).s, "008P+100"},
      {"largest priority", Record().Priority(2147483647).s, "015P+2147483647"},
      {"smallest priority", Record().Priority(-2147483647 - 1).s, "015P-2147483648"},
      {"999 characters with a priority", Record().Priority(1).Topic(n(988), true).s, "999P+1T1988" + n(988)},
      {"1000 characters with a priority", Record().Priority(1).Topic(n(989), true).s,
       "1000P+1T1989" + n(989)},
      {"two-digit priority, 999 characters", Record().Priority(10).Topic(n(987)).s, "999P+10T0987" + n(987)},
      {"two-digit priority, 1000 characters", Record().Priority(-10).Topic(n(988)).s,
       "1000P-10T0988" + n(988)},
      {"two-digit priority, short topic", Record().Priority(-10).Topic("X", false, true).s, "013P-10T2001X"},
  };
  for (const EncodeCase& c : cases) {
    EXPECT_EQ(c.record.EncodeCommand(), c.expected) << c.what;
  }
}

struct DecodeCase {
  const char* input;
  ActionSettings expected;
};

std::vector<DecodeCase> DecodeCases() {
  const ActionSettings none;
  const ActionSettings budget = Record().Priority(1).Topic("Budget", true).s;
  return {
      // Too short to hold anything.
      {"", none},
      {"0", none},
      {"01", none},
      {"017", none},
      {"0030", none},
      // The length prefix.
      {"002P+1", none},
      {"-06P+1", none},
      {"abcP+1", none},
      {" 06P+1", Record().Priority(1).s},
      {"+06P+1", Record().Priority(1).s},
      {"099P+1", Record().Priority(1).s},
      {"006P+1P+2", Record().Priority(1).s},
      {"017P+1T1006Budget", budget},
      {"017P+1T1006BudgetXYZ", budget},
      {"010T1006Budget", none},
      // Priority fields.
      {"006P+0", Record().Priority(0).s},
      {"006P-2", Record().Priority(-2).s},
      {"006P+7", Record().Priority(7).s},
      {"006P 7", Record().Priority(7).s},
      {"006P7x", Record().Priority(7).s},
      {"006Pxx", Record().Priority(0).s},
      {"005P+", none},
      {"007P+1X", Record().Priority(1).s},
      {"006p+1", none},
      {"009P+1P-2", Record().Priority(-2).s},
      // The field is read as atoi reads its two characters, whatever it gives.
      {"006P10", Record().Priority(10).s},
      {"009P+1P12", Record().Priority(12).s},
      {"017P12T1006Budget", Record().Priority(12).Topic("Budget", true).s},
      {"006P-9", Record().Priority(-9).s},
      // Topic fields.
      {"011T3003A/B", Record().Topic("A/B", true, true).s},
      {"012P+2T0001X", Record().Priority(2).Topic("X").s},
      {"009T2001X", Record().Topic("X", false, true).s},
      {"009T9001X", Record().Topic("X").s},
      {"009T 001X", Record().Topic("X").s},
      {"009T1 01X", Record().Topic("X", true).s},
      {"009T1+01X", Record().Topic("X", true).s},
      {"008T1000", none},
      {"008T1-05", none},
      {"008T1abc", none},
      {"010T1005ab", none},
      {"007T1001", none},
      {"014T0006P+1T00", Record().Topic("P+1T00").s},
      {"016T1006BudgetP+", Record().Topic("Budget", true).s},
      {"016T1006BudgetP+1", Record().Topic("Budget", true).s},
      {"015T1006BudgetP", Record().Topic("Budget", true).s},
      {"015P+1T1006Budg", Record().Priority(1).s},
      // Several topics: the options accumulate, the last name wins.
      {"021T1001AT2001BP+1P-2", Record().Priority(-2).Topic("B", true, true).s},
      {"021T2001AT0001BT9001C", Record().Topic("C", false, true).s},
  };
}

TEST(ActionSettingsDecode, ReadsWhatItCanAndStopsAtTheFirstFault) {
  for (const DecodeCase& c : DecodeCases()) {
    EXPECT_EQ(Describe(ActionSettings(c.input)), Describe(c.expected)) << "input \"" << c.input << "\"";
  }
}

TEST(ActionSettingsDecode, DecodingIntoAFilledRecordOnlySetsFields) {
  ActionSettings s = Record().Priority(2).Topic("Old", false, true).s;
  s.DecodeCommand("006P-1");
  EXPECT_EQ(Describe(s), Describe(Record().Priority(-1).Topic("Old", false, true).s));
  s.DecodeCommand("009T1001N");
  EXPECT_EQ(Describe(s), Describe(Record().Priority(-1).Topic("N", true, true).s));
  // A name longer than the string holds, then a shorter one into the grown string.
  const std::string longName(300, 'L');
  s.DecodeCommand("308T0300" + longName);
  EXPECT_EQ(s.m_topic, longName);
  s.DecodeCommand("011T0003abc");
  EXPECT_EQ(s.m_topic, "abc");
}

TEST(ActionSettingsDecode, ReadsNoFurtherThanTheView) {
  // A view into a longer text: what lies past its end is never read. The bytes after
  // the cut would complete the topic if the decoder looked at them.
  const std::string text = "017P+1T1006Budget";
  for (std::size_t n = 0; n < text.size(); ++n) {
    const ActionSettings s(std::string_view(text.data(), n));
    EXPECT_FALSE(s.m_assignTopic) << n;
    EXPECT_EQ(CommandView(std::string_view(text.data(), n)).m_assignTopic, false) << n;
  }
}

TEST(ActionSettingsDecode, ReadsNoFurtherThanTheText) {
  // Every prefix of a valid command: the decoder must stay inside the text (the
  // sanitizer build checks the reads) and never invent a field the prefix lacks.
  const std::string command =
      Record().Priority(-2).Topic("Finance/2024\\Q1 \xE9t\xE9", true, true).s.EncodeCommand();
  ASSERT_EQ(command, "030P-2T3019Finance/2024\\Q1 \xE9t\xE9");
  for (std::size_t n = 0; n <= command.size(); ++n) {
    const ActionSettings s(command.substr(0, n));
    EXPECT_EQ(s.m_assignPriority, n >= 6) << n;
    EXPECT_EQ(s.m_assignTopic, n == command.size()) << n;
  }
}

TEST(ActionSettingsDecode, ChangedFieldsAreReadNoFurtherThanTheDeclaredLength) {
  // The reader never looks past the declared length, so a text whose declared length
  // is within it must read the same with one more byte after it. Commands as the
  // encoder writes them, and every one-byte change to their fields, are compared so.
  const std::vector<std::string> commands = {
      "017P+1T1006Budget", "012P-2T0001X",         "012P+0T3001T",
      "016P+9T2005P+1T0",  "020P-1T9009123456789", "900P+2T0889" + std::string(889, 'n'),
      "011P+1T1000",  // the form with no name, which the encoder never writes
  };
  const std::string replacements = std::string("0123456789+-PT x/", 17) + '\0';
  std::size_t compared = 0;
  for (const std::string& command : commands) {
    std::vector<std::string> texts = {command};
    for (std::size_t at = 0; at < 11; ++at) {
      for (char c : replacements) {
        std::string changed = command;
        changed[at] = c;
        texts.push_back(changed);
      }
    }
    // The text one byte shorter or longer than its declared length.
    texts.push_back(command.substr(0, command.size() - 1));
    texts.push_back(command + "P");
    for (const std::string& text : texts) {
      const bool declaredWithin =
          std::all_of(text.begin(), text.begin() + 3, [](char c) { return c >= '0' && c <= '9'; }) &&
          std::stoul(text.substr(0, 3)) <= text.size();
      if (!declaredWithin) {
        continue;
      }
      ++compared;
      ASSERT_EQ(Describe(ActionSettings(text)), Describe(ActionSettings(text + "#")))
          << "text \"" << text << "\"";
    }
  }
  EXPECT_GT(compared, commands.size() * 11 * 10);  // most changes keep the length readable
}

TEST(ActionSettingsEdit, SetAndClearTopic) {
  ActionSettings s;
  s.SetTopic("Budget", true, false);
  EXPECT_EQ(Describe(s), Describe(Record().Topic("Budget", true, false).s));
  s.SetTopic("", false, true);  // an empty name changes nothing
  EXPECT_EQ(Describe(s), Describe(Record().Topic("Budget", true, false).s));
  s.SetTopic("Plans", false, true);
  EXPECT_EQ(Describe(s), Describe(Record().Topic("Plans", false, true).s));
  s.ClearTopic();
  EXPECT_EQ(Describe(s), Describe(ActionSettings()));
  EXPECT_EQ(s.EncodeCommand(), "");
}

TEST(ActionSettingsEdit, ClearPriorityDropsTheFieldAndSetPriorityBringsItBack) {
  ActionSettings s;
  s.SetPriority(-1);
  s.SetTopic("X", false, false);
  EXPECT_EQ(s.EncodeCommand(), "012P-1T0001X");
  s.ClearPriority();
  EXPECT_EQ(s.m_priority, -1);
  EXPECT_EQ(s.EncodeCommand(), "009T0001X");
  s.SetPriority(2);
  EXPECT_EQ(s.EncodeCommand(), "012P+2T0001X");
}

// A record drawn from what the dialog can produce: priority -2..+2 or none, a topic of
// bytes 1..255 (with the separators, blanks and bytes above 0x7F favoured) or none,
// any options, the command under 1000 characters.
ActionSettings RandomRecord(std::mt19937& random) {
  ActionSettings s;
  if (random() % 3 != 0) {
    s.SetPriority(static_cast<int>(random() % 5) - 2);
  }
  if (random() % 4 != 0) {
    s.m_assignTopic = true;
    s.m_fileImmediately = random() % 2 == 0;
    s.m_overwriteTopic = random() % 2 == 0;
    const std::size_t limit = 999 - 3 - (s.m_assignPriority ? 3 : 0) - 5;
    const std::size_t length = random() % 8 == 0 ? limit - random() % 3 : random() % 40;
    const std::string favoured = "/\\ PT0123456789-+\x80\x81\x95\x5C\xE9\xFF";
    for (std::size_t i = 0; i < length; ++i) {
      const char c =
          random() % 2 == 0 ? favoured[random() % favoured.size()] : static_cast<char>(1 + random() % 255);
      s.m_topic += c;
    }
  }
  return s;
}

TEST(ActionSettingsRoundTrip, DecodingAnEncodedRecordGivesItBack) {
  std::mt19937 random(20240611);
  for (int i = 0; i < 5000; ++i) {
    const ActionSettings original = RandomRecord(random);
    const std::string command = original.EncodeCommand();
    ASSERT_LT(command.size(), 1000u);
    ActionSettings expected = original;
    if (expected.m_topic.empty()) {
      expected.ClearTopic();  // a topic flag without a name is not written
    }
    const ActionSettings decoded(command);
    ASSERT_EQ(Describe(decoded), Describe(expected)) << "command \"" << command << "\"";
  }
}

TEST(ActionSettingsRoundTrip, AnyDecodedTextReEncodesToATextThatDecodesTheSame) {
  // What Command re-encodes from a stored text must mean the same as the text did.
  std::mt19937 random(7);
  const std::string alphabet = "0123456789PT+- xA/\\\x95\x5C";
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    if (random() % 2 == 0) {
      text = RandomRecord(random).EncodeCommand();
    }
    const std::size_t extra = random() % 24;
    for (std::size_t k = 0; k < extra; ++k) {
      text.insert(random() % (text.size() + 1), 1, alphabet[random() % alphabet.size()]);
    }
    const ActionSettings once(text);
    if (once.m_priority < -9 || once.m_priority > 9) {
      continue;  // the priority field holds one digit
    }
    const ActionSettings twice(once.EncodeCommand());
    ASSERT_EQ(Describe(twice), Describe(once)) << "text \"" << text << "\"";
    ASSERT_EQ(Describe(twice), Describe(ActionSettings(twice.EncodeCommand()))) << "text \"" << text << "\"";
    ASSERT_EQ(twice.EncodeCommand(), once.EncodeCommand()) << "text \"" << text << "\"";
  }
}

struct DisplayCase {
  const char* what;
  ActionSettings record;
  std::string expected;
};

TEST(ActionSettingsDisplayName, JoinsThePiecesWithThePriorityNamesOfTheStringTable) {
  const std::string longTopic = "Projects/2024/" + std::string(300, 'q') + "\\Final";
  ActionSettings unassignedTopic = Record().Priority(0).s;
  unassignedTopic.m_topic = "Hidden";
  unassignedTopic.m_fileImmediately = true;

  const std::vector<DisplayCase> cases = {
      {"nothing", ActionSettings(), ""},
      {"Very Low", Record().Priority(-2).s, "Priority: Very Low"},
      {"Low", Record().Priority(-1).s, "Priority: Low"},
      {"Normal", Record().Priority(0).s, "Priority: Normal"},
      {"High", Record().Priority(1).s, "Priority: High"},
      {"Very High", Record().Priority(2).s, "Priority: Very High"},
      {"priority out of range", Record().Priority(7).s, "Priority: "},
      {"negative priority out of range", Record().Priority(-3).Topic("X").s, "Priority: , Topic: X"},
      {"topic only", Record().Topic("Budget").s, "Topic: Budget"},
      {"priority, topic, file", Record().Priority(0).Topic("Budget", true).s,
       "Priority: Normal, Topic: Budget (File) "},
      {"both options", Record().Topic("Budget", true, true).s, "Topic: Budget (File,Overwrite) "},
      {"overwrite only", Record().Topic("Budget", false, true).s, "Topic: Budget (Overwrite) "},
      {"topic flag without name", Record().Priority(1).Topic("", true, true).s, "Priority: High"},
      {"name without topic flag", unassignedTopic, "Priority: Normal"},
      {"long topic shown whole", Record().Topic(longTopic).s, "Topic: " + longTopic},
  };
  for (const DisplayCase& c : cases) {
    EXPECT_EQ(c.record.GetDisplayName(), c.expected) << c.what << ": " << Describe(c.record);
  }
}

// The fields of a view, as an ActionSettings, so Describe shows them.
ActionSettings Fields(const CommandView& view) {
  ActionSettings s;
  s.m_assignPriority = view.m_assignPriority;
  s.m_priority = view.m_priority;
  s.m_assignTopic = view.m_assignTopic;
  s.m_fileImmediately = view.m_fileImmediately;
  s.m_overwriteTopic = view.m_overwriteTopic;
  s.m_topic = std::string(view.m_topic);
  return s;
}

// QueryCommandDisplayName reads commands through CommandView and writes the name part
// by part into the client's buffer; it must give what the settings' own display name,
// cut to the buffer, gives. Every buffer size is tried, between guard bytes.
void ExpectViewMatchesSettings(const std::string& command) {
  const ActionSettings settings(command);
  const CommandView view(command);
  ASSERT_EQ(Describe(Fields(view)), Describe(settings)) << "command \"" << command << "\"";
  const std::string name = settings.GetDisplayName();
  constexpr std::size_t kGuard = 8;
  for (std::size_t size = 0; size <= name.size() + 2; ++size) {
    std::string expected(size + 2 * kGuard, '\x5A');
    std::string actual = expected;
    FitToHostBuffer(name, &expected[kGuard], static_cast<ULONG>(size));
    view.CopyDisplayName(&actual[kGuard], static_cast<ULONG>(size));
    ASSERT_EQ(actual, expected) << "command \"" << command << "\", buffer of " << size;
  }
}

TEST(CommandView, ReadsAndShowsWhatActionSettingsReadsAndShows) {
  for (const DecodeCase& c : DecodeCases()) {
    ExpectViewMatchesSettings(c.input);
  }
  std::mt19937 random(1207);
  for (int i = 0; i < 2000; ++i) {
    ExpectViewMatchesSettings(RandomRecord(random).EncodeCommand());
  }
}

TEST(CommandView, NullBufferOrNoRoomWritesNothing) {
  const CommandView view("017P+1T1006Budget");
  view.CopyDisplayName(nullptr, 40);
  char untouched[4] = {'a', 'b', 'c', 'd'};
  view.CopyDisplayName(untouched, 0);
  EXPECT_EQ(std::memcmp(untouched, "abcd", 4), 0);
  char one[1] = {'x'};
  view.CopyDisplayName(one, 1);
  EXPECT_EQ(one[0], '\0');
}

}  // namespace
}  // namespace pellacorm
