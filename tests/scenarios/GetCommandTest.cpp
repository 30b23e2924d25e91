// Composing an action: GetCommand through ExchEntryPoint on a memstore profile with a
// topics tree, the dialog driven by a scripted user.
#include <gtest/gtest.h>

#include <functional>

#include "resources/resource.h"
#include "scenarios/ScenarioTest.h"

namespace scenario {
namespace {

constexpr const char* kLongTopic = "Clients/Harbor Logistics/Support/2006/Escalations/Open";
constexpr const char* kTooLong = "The topic you have entered is too long for Outlook to accept";

class GetCommandTest : public DialogScenarioTest {
 protected:
  void SetUp() override {
    DialogScenarioTest::SetUp();
    m_topics.AddChild("Budget");
    m_topics.AddFolder("alpha/Zed");
    m_topics.AddFolder(kLongTopic);
    Install();
  }

  static void Expect(std::function<void(const user::DialogView&)> check) { user::Inspect(std::move(check)); }
};

TEST_F(GetCommandTest, ANewActionStartsWithNothingChosenAndTheOptionsOff) {
  Expect([](const user::DialogView& dialog) {
    EXPECT_EQ(dialog.caption, "Pellacorm Action");
    const auto* topic = dialog.Find(IDC_TOPIC);
    ASSERT_NE(topic, nullptr);
    EXPECT_EQ(topic->items,
              (std::vector<std::string>{"<Do Not Assign>", "alpha", "alpha/Zed", "Budget", "Clients",
                                        "Clients/Harbor Logistics", "Clients/Harbor Logistics/Support",
                                        "Clients/.../Support/2006", "Clients/.../2006/Escalations",
                                        "Clients/.../Escalations/Open"}));
    EXPECT_EQ(topic->selection, 0);
    const auto* priority = dialog.Find(IDC_PRIORITY);
    EXPECT_EQ(priority->items,
              (std::vector<std::string>{"<Default>", "Very Low", "Low", "Normal", "High", "Very High"}));
    EXPECT_EQ(priority->selection, 0);
    for (int box : {IDC_FILE, IDC_OVERWRITE}) {
      EXPECT_FALSE(dialog.Find(box)->enabled) << box;
      EXPECT_EQ(dialog.Find(box)->check, static_cast<UINT>(BST_UNCHECKED)) << box;
    }
  });
  user::PressEscape();
  EXPECT_EQ(Compose(""), std::make_pair(std::string(), std::string()));
}

TEST_F(GetCommandTest, CancelReturnsTheStoredActionReEncoded) {
  struct Case {
    const char* stored;
    const char* command;
    const char* name;
  };
  const Case cases[] = {
      {"017P+1T1006Budget", "017P+1T1006Budget", "Priority: High, Topic: Budget (File) "},
      {"", "", ""},
      {"017P+1T1006BudgetXYZ", "017P+1T1006Budget", "Priority: High, Topic: Budget (File) "},
  };
  for (const Case& c : cases) {
    user::PressEscape();
    EXPECT_EQ(Compose(c.stored), std::make_pair(std::string(c.command), std::string(c.name))) << c.stored;
  }
}

TEST_F(GetCommandTest, EditingSelectsTheOwnTopicOrShowsItBelowDoNotAssign) {
  struct Case {
    const char* stored;
    int selected;
    const char* shown;
    const char* afterOk;
  };
  const Case cases[] = {
      {"014T1006Budget", 3, "Budget", "014T1006Budget"},
      {"014T1006BUDGET", 3, "Budget", "014T1006Budget"},  // the list's spelling wins
      {"015T2007Retired", 1, "Retired", "015T2007Retired"},
  };
  for (const Case& c : cases) {
    Expect([&](const user::DialogView& dialog) {
      const auto* topic = dialog.Find(IDC_TOPIC);
      EXPECT_EQ(topic->selection, c.selected) << c.stored;
      EXPECT_EQ(topic->text, c.shown) << c.stored;
      EXPECT_TRUE(dialog.Find(IDC_FILE)->enabled) << c.stored;
      EXPECT_TRUE(dialog.Find(IDC_OVERWRITE)->enabled) << c.stored;
    });
    user::Click(IDOK);
    EXPECT_EQ(Compose(c.stored).first, c.afterOk) << c.stored;
  }
}

TEST_F(GetCommandTest, ALongTopicIsShownShortenedAndStoredWhole) {
  user::SelectItemText(IDC_TOPIC, "Clients/.../Escalations/Open");
  user::Click(IDC_FILE);
  user::SelectItem(IDC_PRIORITY, 4);
  user::Click(IDOK);
  const std::string topic = kLongTopic;
  const auto [command, name] = Compose("");
  EXPECT_EQ(command,
            "0" + std::to_string(11 + topic.size()) + "P+1T1" + "0" + std::to_string(topic.size()) + topic);
  EXPECT_EQ(name, "Priority: High, Topic: " + topic + " (File) ");
}

TEST_F(GetCommandTest, TwoLongTopicsThatShortenAlikeKeepTheActionsOwn) {
  m_topics.AddFolder("Clients/Harbor Logistics/Archive/2006/Escalations/Open");
  Install();
  const std::string own = kLongTopic;
  const std::string stored =
      "0" + std::to_string(8 + own.size()) + "T0" + "0" + std::to_string(own.size()) + own;
  user::Click(IDOK);
  EXPECT_EQ(Compose(stored).first, stored);
}

TEST_F(GetCommandTest, TypedTopicsAndTheEmptyText) {
  // A typed name becomes the topic with the current check states.
  user::TypeText(IDC_TOPIC, "New Project");
  user::Click(IDC_OVERWRITE);
  user::Click(IDOK);
  EXPECT_EQ(Compose("006P-2").first, "022P-2T2011New Project");

  // Clearing the text keeps the topic the action had.
  user::ClearText(IDC_TOPIC);
  user::Click(IDOK);
  EXPECT_EQ(Compose("017P+1T1006Budget").first, "017P+1T1006Budget");

  // Typing "<Do Not Assign>" disables the options; the text is still a topic name.
  user::TypeText(IDC_TOPIC, "<Do Not Assign>");
  Expect([](const user::DialogView& dialog) { EXPECT_FALSE(dialog.Find(IDC_FILE)->enabled); });
  user::Click(IDOK);
  EXPECT_EQ(Compose("").first, "023T0015<Do Not Assign>");
}

TEST_F(GetCommandTest, DoNotAssignRemovesTopicAndOptionsWhateverTheBoxesShow) {
  Expect([](const user::DialogView& dialog) {
    EXPECT_EQ(dialog.Find(IDC_FILE)->check, static_cast<UINT>(BST_CHECKED));
  });
  user::SelectItem(IDC_TOPIC, 0);
  Expect([](const user::DialogView& dialog) { EXPECT_FALSE(dialog.Find(IDC_FILE)->enabled); });
  user::SelectItem(IDC_PRIORITY, 0);
  user::Click(IDOK);
  EXPECT_EQ(Compose("017P+1T3006Budget"), std::make_pair(std::string(), std::string()));
}

TEST_F(GetCommandTest, EachPriorityItemStoresItsValue) {
  const char* expected[] = {"", "006P-2", "006P-1", "006P+0", "006P+1", "006P+2"};
  for (int item = 0; item < 6; ++item) {
    user::SelectItem(IDC_PRIORITY, item);
    user::Click(IDOK);
    EXPECT_EQ(Compose("006P+1").first, expected[item]) << "item " << item;
  }
}

TEST_F(GetCommandTest, AStoredPriorityOutsideTheListSurvivesOK) {
  // Such a priority selects no item; OK must keep it, or the whole action changes.
  for (const char* stored : {"006P+7", "006P-9", "017P+5T1006Budget"}) {
    user::Click(IDOK);
    EXPECT_EQ(Compose(stored).first, stored);
  }
}

TEST_F(GetCommandTest, TheCommandBufferLimitsTheTopic) {
  constexpr ULONG kBuffer = 24;
  struct Case {
    bool withPriority;
    std::size_t topicLength;
    bool accepted;
  };
  const Case cases[] = {
      {true, kBuffer - 12, true},
      {true, kBuffer - 11, false},
      {false, kBuffer - 9, true},
      {false, kBuffer - 8, false},
  };
  for (const Case& c : cases) {
    const std::string typed(c.topicLength, 'x');
    user::TypeText(IDC_TOPIC, typed);
    user::SelectItem(IDC_PRIORITY, c.withPriority ? 5 : 0);
    user::Click(IDOK);
    if (!c.accepted) {
      user::AnswerMessageBox(IDOK);
      user::PressEscape();
    }
    const std::size_t boxesBefore = user::MessageBoxes().size();
    const auto [command, name] = Compose("006P-1", kBuffer);
    const std::size_t boxesShown = user::MessageBoxes().size() - boxesBefore;
    const std::string what = std::to_string(c.topicLength) + (c.withPriority ? " with priority" : " alone");
    if (c.accepted) {
      EXPECT_EQ(command.size() + 1, kBuffer) << what;
      EXPECT_NE(command.find(typed), std::string::npos) << what;
      EXPECT_EQ(boxesShown, 0u) << what;
      continue;
    }
    EXPECT_EQ(command, "006P-1") << what << ": Cancel after a refused OK returns the action unchanged";
    ASSERT_EQ(boxesShown, 1u) << what;
    const auto& box = user::MessageBoxes().back();
    EXPECT_EQ(box.text, kTooLong);
    EXPECT_EQ(box.caption, "Pellacorm");
    EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_TRUE(box.ownerDisabledWhileShown) << "the box is modal to the dialog";
  }
}

TEST_F(GetCommandTest, ACommandOfAThousandBytesIsRefusedWhateverTheBuffer) {
  // Listed after the ten items of the fixture's topics, both shown shortened alike.
  m_topics.AddChild(std::string(988, 't'));
  m_topics.AddChild(std::string(989, 't'));
  Install();
  user::SelectItem(IDC_TOPIC, 11);  // 11 + 989 = 1000 bytes with a priority
  user::SelectItem(IDC_PRIORITY, 3);
  user::Click(IDOK);
  user::AnswerMessageBox(IDOK);
  user::SelectItem(IDC_TOPIC, 10);
  user::Click(IDOK);
  const auto [command, name] = Compose("", 4096);
  EXPECT_EQ(command.size(), 999u);
  EXPECT_EQ(user::MessageBoxes().size(), 1u);
}

TEST_F(GetCommandTest, LongTopicsAreTypedWholeUpToTheThousandByteLimit) {
  // The topic field scrolls sideways as the user types, so a topic longer than it shows
  // is taken whole: 988 characters and a priority make a command of 999 bytes.
  std::string topic = "Clients/Harbor Lane/Contracts/2026/Renewals/";
  topic += std::string(988 - topic.size(), 'r');
  user::TypeText(IDC_TOPIC, topic);
  user::Click(IDOK);
  EXPECT_EQ(Compose("006P+1", 4096).first, "999P+1T0988" + topic);

  // One character more reaches the warning, whatever room the buffer has; Cancel then
  // gives back the stored action.
  user::TypeText(IDC_TOPIC, topic + "s");
  user::Click(IDOK);
  user::AnswerMessageBox(IDOK);
  user::PressEscape();
  const std::size_t boxesBefore = user::MessageBoxes().size();
  EXPECT_EQ(Compose("006P+1", 4096).first, "006P+1");
  ASSERT_EQ(user::MessageBoxes().size(), boxesBefore + 1);
  EXPECT_EQ(user::MessageBoxes().back().text, kTooLong);
}

TEST_F(GetCommandTest, NullBuffersAreRefusedWithoutADialog) {
  char buffer[32] = "006P+1";
  EXPECT_EQ(Iface()->GetCommand(m_callback, nullptr, 32, buffer, 32), E_INVALIDARG);
  EXPECT_EQ(Iface()->GetCommand(m_callback, buffer, 32, nullptr, 32), E_INVALIDARG);
  EXPECT_TRUE(user::DialogRuns().empty());
  EXPECT_STREQ(buffer, "006P+1");
}

TEST_F(GetCommandTest, SmallDisplayNameBuffersGetAsMuchAsFits) {
  const std::string full = "Priority: High, Topic: Budget (File) ";
  for (ULONG size : {ULONG{0}, ULONG{1}, ULONG{10}, static_cast<ULONG>(full.size()),
                     static_cast<ULONG>(full.size() + 1)}) {
    user::PressEscape();
    const auto [command, name] = Compose("017P+1T1006Budget", 64, size);
    EXPECT_EQ(command, "017P+1T1006Budget") << size;
    EXPECT_EQ(name, full.substr(0, size == 0 ? 0 : size - 1)) << size;
  }
}

TEST_F(GetCommandTest, TheIncomingCommandIsReadOnlyWithinItsBufferAndNeverWrittenCut) {
  // Six bytes hold "006P+1" without its terminator: only those six are read, and the
  // re-encoded string, which needs seven, is not written cut; the name describes it.
  const std::string after = "006P+1T1006Budget";
  std::vector<char> bytes(after.begin(), after.end());
  bytes.push_back('\0');
  char name[64] = {};
  user::PressEscape();
  ASSERT_EQ(Iface()->GetCommand(m_callback, bytes.data(), 6, name, sizeof name), S_OK);
  EXPECT_STREQ(name, "Priority: High");
  EXPECT_EQ(std::string(bytes.data()), after);
}

}  // namespace
}  // namespace scenario
