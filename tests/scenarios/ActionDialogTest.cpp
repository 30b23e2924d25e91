// The action dialog as the user sees it on the screen: its frame, and each control's
// class, id, style, text and place in dialog units, read back through the window API
// while GetCommand runs, for a new action and for an action being edited.
#include <gtest/gtest.h>

#include <cstdlib>

#include "resources/resource.h"
#include "scenarios/ScenarioTest.h"
#include "testing/ActionDialogLayout.h"

namespace scenario {
namespace {

using testsupport::ExpectedControl;
using testsupport::kActionControls;

class ActionDialogTest : public DialogScenarioTest {
 protected:
  void SetUp() override {
    DialogScenarioTest::SetUp();
    m_topics.AddChild("Budget");
    m_topics.AddChild("Travel");
    Install();
  }

  // What the dialog shows when the user opens it on `stored`; the user then cancels.
  user::DialogView Open(const std::string& stored) {
    user::DialogView seen;
    user::Inspect([&seen](const user::DialogView& view) { seen = view; });
    user::Click(IDCANCEL);
    Compose(stored);
    return seen;
  }
};

TEST_F(ActionDialogTest, TheFrameAndEveryControlAsTheTemplateLaysThemOut) {
  const user::DialogView dialog = Open("");
  EXPECT_EQ(dialog.caption, "Pellacorm Action");
  // The system shows every dialog with the 3-D look and clips its siblings, and may say
  // so in the style.
  EXPECT_EQ(dialog.style & ~static_cast<DWORD>(WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK),
            testsupport::kActionStyle);
  EXPECT_EQ(dialog.owner, m_host) << "owned by the client's active window";
  EXPECT_EQ(dialog.cx, testsupport::kActionWidth);
  EXPECT_EQ(dialog.cy, testsupport::kActionHeight);
  EXPECT_EQ(dialog.fontFace, "MS Shell Dlg");
  EXPECT_EQ(dialog.pointSize, 8);
  EXPECT_EQ(dialog.weight, 400);
  EXPECT_FALSE(dialog.italic);

  ASSERT_EQ(dialog.controls.size(), std::size(kActionControls));
  for (std::size_t i = 0; i < std::size(kActionControls); ++i) {
    const user::ControlView& c = dialog.controls[i];
    const ExpectedControl& e = kActionControls[i];
    SCOPED_TRACE(std::string("control #") + std::to_string(i + 1) + " \"" + e.text + "\"");
    EXPECT_EQ(c.className, e.className);
    EXPECT_EQ(c.id, e.id);
    // A combo box hands its scroll bar to its list; the options start disabled.
    DWORD style = e.style;
    if (c.className == "ComboBox") {
      style &= ~static_cast<DWORD>(WS_VSCROLL);
    }
    if (e.id == IDC_FILE || e.id == IDC_OVERWRITE) {
      style |= WS_DISABLED;
    }
    EXPECT_EQ(c.style, style);
    EXPECT_EQ(c.enabled, (style & WS_DISABLED) == 0);
    EXPECT_EQ((std::vector<int>{c.x, c.y, c.cx}), (std::vector<int>{e.x, e.y, e.cx}));
    if (c.className == "ComboBox") {
      // Without CBS_NOINTEGRALHEIGHT the list shows whole items only, so it may end up
      // to one item (8 units) shorter than the template asks.
      EXPECT_LE(c.cy, e.cy);
      EXPECT_GT(c.cy, e.cy - 8);
    } else {
      EXPECT_EQ(c.cy, e.cy);
    }
    EXPECT_TRUE(c.visible);
    if (c.className != "ComboBox") {
      EXPECT_EQ(c.text, e.text);
    }
  }
}

TEST_F(ActionDialogTest, WhatANewAndAnEditedActionShow) {
  struct Case {
    const char* stored;
    const char* topicText;
    int topicItem;
    bool optionsEnabled;
    UINT file, overwrite;
    const char* priorityText;
    int priorityItem;
  };
  const Case cases[] = {
      {"", "<Do Not Assign>", 0, false, BST_UNCHECKED, BST_UNCHECKED, "<Default>", 0},
      {"017P+1T1006Budget", "Budget", 1, true, BST_CHECKED, BST_UNCHECKED, "High", 4},
      {"017P-2T2006Travel", "Travel", 2, true, BST_UNCHECKED, BST_CHECKED, "Very Low", 1},
      {"017P+0T3006travel", "Travel", 2, true, BST_CHECKED, BST_CHECKED, "Normal", 3},
      {"006P+2", "<Do Not Assign>", 0, false, BST_UNCHECKED, BST_UNCHECKED, "Very High", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    const user::DialogView dialog = Open(c.stored);
    const user::ControlView* topic = dialog.Find(IDC_TOPIC);
    const user::ControlView* priority = dialog.Find(IDC_PRIORITY);
    ASSERT_TRUE(topic != nullptr && priority != nullptr);
    EXPECT_EQ(topic->items, (std::vector<std::string>{"<Do Not Assign>", "Budget", "Travel"}));
    EXPECT_EQ(topic->text, c.topicText);
    EXPECT_EQ(topic->selection, c.topicItem);
    EXPECT_EQ(priority->text, c.priorityText);
    EXPECT_EQ(priority->selection, c.priorityItem);
    EXPECT_EQ(dialog.Find(IDC_FILE)->enabled, c.optionsEnabled);
    EXPECT_EQ(dialog.Find(IDC_OVERWRITE)->enabled, c.optionsEnabled);
    EXPECT_EQ(dialog.Find(IDC_FILE)->check, c.file);
    EXPECT_EQ(dialog.Find(IDC_OVERWRITE)->check, c.overwrite);
  }
}

}  // namespace
}  // namespace scenario
