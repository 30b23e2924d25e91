// Message boxes take their answer from the scripted user, keep their owner disabled
// while they are shown, and block the windows below them.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "User32TestSupport.h"

namespace user32test {
namespace {

using User32MessageBoxTest = User32Test;

struct AnswerCase {
  const char* what;
  UINT type;
  int answer;
  int escapesForEmptyScript;
  std::function<void()> script;
  std::vector<std::string> refused;
};

TEST_F(User32MessageBoxTest, AnswersComeFromTheScript) {
  // {what, type, answer, Escapes for an empty script, script, refusals}
  const AnswerCase cases[] = {
      {"OK answered", MB_OK, IDOK, 0, [] { user::AnswerMessageBox(IDOK); }, {}},
      {"OK box, Escape", MB_OK | MB_ICONWARNING, IDOK, 0, user::PressEscape, {}},
      {"OK/Cancel, Escape", MB_OKCANCEL, IDCANCEL, 0, user::PressEscape, {}},
      {"Yes/No/Cancel, close box", MB_YESNOCANCEL, IDCANCEL, 0, user::ClickCloseBox, {}},
      {"Yes/No, Escape does nothing",
       MB_YESNO,
       IDNO,
       0,
       [] {
         user::PressEscape();
         user::AnswerMessageBox(IDNO);
       },
       {"escape: the message box cannot be dismissed without an answer"}},
      {"Yes/No, a button it does not have",
       MB_YESNO | MB_ICONQUESTION,
       IDYES,
       0,
       [] {
         user::AnswerMessageBox(IDOK);
         user::AnswerMessageBox(IDYES);
       },
       {"answer 1: the message box has no button 1"}},
      {"Retry/Cancel, script ran out", MB_RETRYCANCEL, IDCANCEL, 1, [] {}, {}},
      {"Yes/No, script ran out",
       MB_YESNO,
       0,
       1,
       [] {},
       {"escape (the script ran out): the message box cannot be dismissed without an answer"}},
      {"a dialog action while the box is open",
       MB_OK,
       IDOK,
       0,
       [] {
         user::Click(IDOK);
         user::AnswerMessageBox(IDOK);
       },
       {"click 1: a message box is open"}},
  };
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(c.what);
    user::Reset();
    m_host = user::CreateHostWindow();
    c.script();
    EXPECT_EQ(MessageBoxA(m_host, "Text", "Caption", c.type), c.answer);
    EXPECT_EQ(user::RefusedActions(), c.refused);
    EXPECT_EQ(user::EscapesForEmptyScript(), c.escapesForEmptyScript);
    ASSERT_EQ(user::MessageBoxes().size(), 1u);
    const user::MessageBoxRecord& box = user::MessageBoxes()[0];
    EXPECT_EQ(box.style, c.type);
    EXPECT_EQ(box.answer, c.answer);
    EXPECT_FALSE(box.open);
    EXPECT_EQ(user::LiveWindowCount(), 1u);
    DestroyWindow(m_host);
  }
  m_host = user::CreateHostWindow();
}

TEST_F(User32MessageBoxTest, OwnerIsDisabledWhileTheBoxIsShown) {
  bool hostEnabled = true;
  HWND active = nullptr;
  bool openDuring = false;
  user::Inspect([&](const user::DialogView& view) {
    hostEnabled = IsWindowEnabled(m_host) != FALSE;
    active = GetActiveWindow();
    openDuring = user::MessageBoxes().back().open;
    EXPECT_EQ(view.window, nullptr) << "no dialog is open";
  });
  user::AnswerMessageBox(IDOK);
  EXPECT_EQ(MessageBoxA(m_host, "Saved.", nullptr, MB_OK | MB_ICONINFORMATION), IDOK);
  EXPECT_FALSE(hostEnabled);
  EXPECT_NE(active, m_host);
  EXPECT_NE(active, nullptr);
  EXPECT_TRUE(openDuring);
  EXPECT_TRUE(IsWindowEnabled(m_host));
  EXPECT_EQ(GetActiveWindow(), m_host);
  const user::MessageBoxRecord& box = user::MessageBoxes().back();
  EXPECT_EQ(box.owner, m_host);
  EXPECT_EQ(box.text, "Saved.");
  EXPECT_EQ(box.caption, "Error") << "the caption Windows shows for NULL";
  EXPECT_TRUE(box.ownerDisabledWhileShown);
}

TEST_F(User32MessageBoxTest, InvalidArgumentsShowNothing) {
  SetLastError(0);
  EXPECT_EQ(MessageBoxA(m_host, "x", "y", 7), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_MSGBOX_STYLE));
  HWND stale = user::CreateHostWindow();
  DestroyWindow(stale);
  EXPECT_EQ(MessageBoxA(stale, "x", "y", MB_OK), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_TRUE(user::MessageBoxes().empty());
  EXPECT_TRUE(user::PerformedActions().empty());
}

// A dialog warns with a message box and stays open: the box is owned by the dialog,
// which is disabled meanwhile, and the user goes on in the dialog after answering.
TEST_F(User32MessageBoxTest, BoxShownByADialogBlocksItUntilAnswered) {
  DialogLayout layout;
  layout.items = {
      Control(kButton, u"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 10, 80, 50, 14),
      Control(kButton, u"Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP, IDCANCEL, 70, 80, 50, 14),
  };
  Recorder recorder;
  HWND dialogWindow = nullptr;
  recorder.handler = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
      dialogWindow = dialog;
      MessageBoxA(dialog, "The topic is too long", "Sample", MB_OK | MB_ICONWARNING);
      return TRUE;
    }
    return EndOnOkOrCancel(dialog, message, wParam, lParam);
  };
  bool dialogEnabledDuringBox = true;
  user::Click(IDOK);
  user::Inspect([&](const user::DialogView& view) { dialogEnabledDuringBox = view.enabled; });
  user::PressEscape();  // reaches the box, not the dialog
  user::Inspect([](const user::DialogView& view) { EXPECT_TRUE(view.enabled); });
  user::Click(IDCANCEL);
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, AsTemplate(TemplateWriter::Extended(layout)), m_host,
                                    &Recorder::Proc, recorder.Param()),
            IDCANCEL);

  EXPECT_FALSE(dialogEnabledDuringBox);
  ASSERT_EQ(user::MessageBoxes().size(), 1u);
  const user::MessageBoxRecord& box = user::MessageBoxes()[0];
  EXPECT_EQ(box.owner, dialogWindow);
  EXPECT_EQ(box.text, "The topic is too long");
  EXPECT_EQ(box.caption, "Sample");
  EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONWARNING));
  EXPECT_EQ(box.answer, IDOK);
  EXPECT_EQ(recorder.Story(),
            (std::vector<std::string>{"init", "command 1/0", "command 2/0", "destroy", "ncdestroy"}));
  EXPECT_EQ(user::RefusedActions(), std::vector<std::string>{});
  EXPECT_EQ(user::EscapesForEmptyScript(), 0);
}

}  // namespace
}  // namespace user32test
