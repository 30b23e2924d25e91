// The scripted user behaves alike in front of the headless windows and the real ones:
// what it does when its script runs out, the reasons it gives for a refused action, and
// which window it shows an inspection while a message box is open. The rule host and
// the dialog scenarios rely on each of these on both platforms.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "User32TestSupport.h"

namespace user32test {
namespace {

constexpr int kFile = 203;
constexpr int kTopic = 201;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

DialogLayout AskingDialog() {
  DialogLayout d;
  d.caption = u"Asking Dialog";
  d.cx = 200;
  d.cy = 100;
  d.items = {
      Control(kButton, u"OK", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 40, 80, 50, 14),
      Control(kButton, u"Cancel", kChild | WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, 100, 80, 50, 14),
      Control(kButton, u"File now", kChild | WS_TABSTOP | BS_AUTOCHECKBOX, kFile, 20, 40, 100, 10),
      Control(kComboBox, u"", kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kTopic, 20, 10, 150, 60),
  };
  return d;
}

// OK asks with a message box first and ends the dialog once the box is answered; Cancel
// ends it at once.
INT_PTR AskOnOk(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SendDlgItemMessageA(dialog, kTopic, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Budget"));
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
    MessageBoxA(dialog, "Sure?", "Asking Dialog", MB_OK | MB_ICONEXCLAMATION);
    EndDialog(dialog, IDOK);
    return TRUE;
  }
  return EndOnOkOrCancel(dialog, message, wParam, lParam);
}

class ScriptedUserTest : public User32Test {
 protected:
  INT_PTR Run(Recorder& recorder) {
    const std::vector<BYTE> bytes = TemplateWriter::Extended(AskingDialog());
    // For the program's module, as an application's dialogs are (the system makes its
    // message boxes for no module or its own).
    HMODULE program = nullptr;
    EXPECT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, nullptr, &program));
    return DialogBoxIndirectParamA(program, AsTemplate(bytes), m_host, &Recorder::Proc, recorder.Param());
  }

  // The reasons of the refused actions, in order.
  static std::vector<std::string> Refusals() {
    std::vector<std::string> reasons;
    for (const user::ActionRecord& record : user::PerformedActions()) {
      if (!record.delivered) {
        reasons.push_back(record.refusal);
      }
    }
    return reasons;
  }
};

TEST_F(ScriptedUserTest, WhenTheScriptRunsOutTheUserPressesEscapeOnce) {
  Recorder recorder;
  recorder.handler = AskOnOk;
  EXPECT_EQ(Run(recorder), IDCANCEL);
  EXPECT_EQ(user::EscapesForEmptyScript(), 1);
  ASSERT_EQ(user::PerformedActions().size(), 1u);
  EXPECT_EQ(user::PerformedActions()[0].action, "escape (the script ran out)");
  EXPECT_TRUE(user::PerformedActions()[0].delivered);
  ASSERT_FALSE(user::DialogRuns().empty());
  EXPECT_FALSE(user::DialogRuns().back().abandoned);
}

// A dialog that ignores Escape would keep the user forever, and with it the rule host:
// after one Escape the run is abandoned and ends with -1, and the owner gets its input
// back.
TEST_F(ScriptedUserTest, ADialogThatIgnoresEscapeIsAbandoned) {
  Recorder recorder;
  recorder.handler = [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; };
  EXPECT_EQ(Run(recorder), -1);
  EXPECT_EQ(user::EscapesForEmptyScript(), 1);
  ASSERT_FALSE(user::DialogRuns().empty());
  EXPECT_TRUE(user::DialogRuns().back().abandoned);
  EXPECT_TRUE(IsWindowEnabled(m_host));
}

TEST_F(ScriptedUserTest, RefusalsGiveTheSameReasons) {
  Recorder recorder;
  recorder.handler = AskOnOk;
  user::SelectItem(kTopic, 5);
  user::Click(999);
  user::Click(IDOK);   // opens the message box
  user::Click(kFile);  // a control of the dialog behind the box
  user::TypeText(kTopic, "Budget");
  user::AnswerMessageBox(IDOK);
  EXPECT_EQ(Run(recorder), IDOK);
  EXPECT_EQ(Refusals(), (std::vector<std::string>{
                            "combo box 201 has no item 5",
                            "there is no control 999",
                            "a message box is open",
                            "a message box is open",
                        }));
  EXPECT_EQ(user::EscapesForEmptyScript(), 0);
}

TEST_F(ScriptedUserTest, AnInspectionWhileAMessageBoxIsOpenShowsTheDialog) {
  Recorder recorder;
  recorder.handler = AskOnOk;
  std::string caption;
  std::size_t performedBefore = 0;
  user::Click(IDOK);
  user::Inspect([&](const user::DialogView& dialog) {
    caption = dialog.caption;
    performedBefore = user::PerformedActions().size();
  });
  user::AnswerMessageBox(IDOK);
  EXPECT_EQ(Run(recorder), IDOK);
  EXPECT_EQ(caption, "Asking Dialog");
  ASSERT_EQ(user::MessageBoxes().size(), 1u);
  EXPECT_EQ(user::MessageBoxes()[0].text, "Sure?");
  // The inspection is recorded before it runs: it finds itself last.
  EXPECT_EQ(performedBefore, 2u);
}

}  // namespace
}  // namespace user32test
