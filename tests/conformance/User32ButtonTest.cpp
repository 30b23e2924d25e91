// Buttons keep and change their check state as the real ones do, and tell their parent
// of a click.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "User32TestSupport.h"

namespace user32test {
namespace {

class User32ButtonTest : public User32Test {
 protected:
  void SetUp() override {
    User32Test::SetUp();
    m_parent = MakeParent(m_recorder);
  }
  void TearDown() override {
    DestroyWindow(m_parent);
    User32Test::TearDown();
  }

  HWND Button(DWORD style, int id) {
    return CreateWindowExA(0, "Button", "Button", WS_CHILD | WS_VISIBLE | style, 0, 0, 50, 14, m_parent,
                           AsMenu(id), nullptr, nullptr);
  }

  Recorder m_recorder;
  HWND m_parent = nullptr;
};

struct SetCheckCase {
  DWORD type;
  WPARAM state;
  LRESULT kept;
};

TEST_F(User32ButtonTest, SetCheckKeepsOnlyTheStatesTheButtonHas) {
  const SetCheckCase cases[] = {
      {BS_PUSHBUTTON, BST_CHECKED, BST_UNCHECKED},       {BS_DEFPUSHBUTTON, BST_CHECKED, BST_UNCHECKED},
      {BS_AUTOCHECKBOX, BST_CHECKED, BST_CHECKED},       {BS_AUTOCHECKBOX, BST_INDETERMINATE, BST_CHECKED},
      {BS_CHECKBOX, BST_INDETERMINATE, BST_CHECKED},     {BS_RADIOBUTTON, BST_CHECKED, BST_CHECKED},
      {BS_3STATE, BST_INDETERMINATE, BST_INDETERMINATE}, {BS_AUTO3STATE, 5, BST_INDETERMINATE},
      {BS_AUTOCHECKBOX, BST_UNCHECKED, BST_UNCHECKED},   {BS_GROUPBOX, BST_CHECKED, BST_UNCHECKED},
  };
  for (const SetCheckCase& c : cases) {
    HWND button = Button(c.type, 10);
    EXPECT_EQ(SendMessageA(button, BM_SETCHECK, c.state, 0), 0);
    EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), c.kept) << "style " << c.type << " set to " << c.state;
    DestroyWindow(button);
  }
  EXPECT_TRUE(m_recorder.Story().empty()) << "BM_SETCHECK does not notify";
}

struct ClickCase {
  const char* what;
  DWORD type;
  UINT before;
  UINT after;
  bool enabled;
  bool notifies;
};

TEST_F(User32ButtonTest, ClickTogglesAutomaticBoxesAndNotifiesUnlessDisabled) {
  const ClickCase cases[] = {
      {"auto check box, unchecked", BS_AUTOCHECKBOX, BST_UNCHECKED, BST_CHECKED, true, true},
      {"auto check box, checked", BS_AUTOCHECKBOX, BST_CHECKED, BST_UNCHECKED, true, true},
      {"plain check box", BS_CHECKBOX, BST_UNCHECKED, BST_UNCHECKED, true, true},
      {"auto three-state, checked", BS_AUTO3STATE, BST_CHECKED, BST_INDETERMINATE, true, true},
      {"auto three-state, indeterminate", BS_AUTO3STATE, BST_INDETERMINATE, BST_UNCHECKED, true, true},
      {"push button", BS_PUSHBUTTON, BST_UNCHECKED, BST_UNCHECKED, true, true},
      {"disabled auto check box", BS_AUTOCHECKBOX, BST_UNCHECKED, BST_UNCHECKED, false, false},
      {"group box", BS_GROUPBOX, BST_UNCHECKED, BST_UNCHECKED, true, false},
  };
  for (const ClickCase& c : cases) {
    m_recorder.log.clear();
    HWND button = Button(c.type | (c.enabled ? 0 : WS_DISABLED), 42);
    SendMessageA(button, BM_SETCHECK, c.before, 0);
    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), c.after) << c.what;
    const std::vector<std::string> expected =
        c.notifies ? std::vector<std::string>{"command 42/0"} : std::vector<std::string>{};
    EXPECT_EQ(m_recorder.Story(), expected) << c.what;
    if (c.notifies) {
      EXPECT_EQ(m_recorder.log.back().lParam, reinterpret_cast<LPARAM>(button)) << c.what;
    }
    DestroyWindow(button);
  }
}

TEST_F(User32ButtonTest, AutomaticRadioButtonUnchecksOnlyItsGroup) {
  HWND a = Button(BS_AUTORADIOBUTTON | WS_GROUP, 1);
  HWND b = Button(BS_AUTORADIOBUTTON, 2);
  Button(BS_AUTORADIOBUTTON, 3);
  HWND other = Button(BS_AUTORADIOBUTTON | WS_GROUP, 4);
  SendMessageA(a, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageA(other, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageA(b, BM_CLICK, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(m_parent, 1), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(m_parent, 2), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(m_parent, 3), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(m_parent, 4), BST_CHECKED) << "another group";
}

TEST_F(User32ButtonTest, CheckDlgButtonAddressesTheControlById) {
  Button(BS_AUTOCHECKBOX, 203);
  EXPECT_TRUE(CheckDlgButton(m_parent, 203, BST_CHECKED));
  EXPECT_EQ(IsDlgButtonChecked(m_parent, 203), BST_CHECKED);
  EXPECT_FALSE(CheckDlgButton(m_parent, 999, BST_CHECKED));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CONTROL_ID_NOT_FOUND));
  EXPECT_EQ(IsDlgButtonChecked(m_parent, 999), 0u);
}

}  // namespace
}  // namespace user32test
