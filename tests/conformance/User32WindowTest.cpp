// The calls that work on any window answer as the real ones do, including their
// failures on handles that are not (or no longer) windows.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "User32TestSupport.h"

namespace user32test {
namespace {

using User32WindowTest = User32Test;

HWND Child(HWND parent, const char* className, DWORD style, int id) {
  return CreateWindowExA(0, className, "text", WS_CHILD | WS_VISIBLE | style, 1, 2, 3, 4, parent, AsMenu(id),
                         nullptr, nullptr);
}

int Count(const Recorder& recorder, UINT message) {
  int n = 0;
  for (const Recorder::Message& m : recorder.log) {
    n += m.message == message ? 1 : 0;
  }
  return n;
}

TEST_F(User32WindowTest, EnableWindowReturnsThePreviousDisabledStateAndNotifiesChangesOnly) {
  Recorder recorder;
  HWND window = MakeParent(recorder);
  const std::pair<BOOL, bool> steps[] = {
      // {enable, was disabled before}
      {FALSE, false},
      {FALSE, true},
      {TRUE, true},
      {TRUE, false},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(EnableWindow(window, step.first) != FALSE, step.second) << "EnableWindow(" << step.first << ")";
    EXPECT_EQ(IsWindowEnabled(window) != FALSE, step.first != FALSE);
  }
  EXPECT_EQ(Count(recorder, WM_ENABLE), 2) << "WM_ENABLE only when the state changes";
  EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & WS_DISABLED, 0u);
  DestroyWindow(window);
}

TEST_F(User32WindowTest, CallsOnAStaleHandleFailWithInvalidWindowHandle) {
  HWND window =
      CreateWindowExA(0, "#32770", "gone", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_FALSE(IsWindow(window));
  HWND replacement =
      CreateWindowExA(0, "Static", "new", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(replacement, window) << "handles are not reused";

  struct Call {
    const char* name;
    LONG_PTR result;
  };
  char buffer[8] = "keep";
  SetLastError(0);
  const Call calls[] = {
      {"DestroyWindow", DestroyWindow(window)},
      {"EnableWindow", EnableWindow(window, TRUE)},
      {"SendMessageA", SendMessageA(window, WM_GETTEXTLENGTH, 0, 0)},
      {"GetWindowLongPtrA", GetWindowLongPtrA(window, GWL_STYLE)},
      {"GetClassNameA", GetClassNameA(window, buffer, sizeof buffer)},
      {"GetDlgItem", reinterpret_cast<LONG_PTR>(GetDlgItem(window, 1))},
      {"EndDialog", EndDialog(window, 1)},
      {"SetActiveWindow", reinterpret_cast<LONG_PTR>(SetActiveWindow(window))},
  };
  for (const Call& c : calls) {
    EXPECT_EQ(c.result, 0) << c.name;
  }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(GetWindowTextA(window, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "") << "GetWindowTextA empties the buffer first";
  DestroyWindow(replacement);
}

// WM_DESTROY reaches the window before its children, WM_NCDESTROY after them; owned
// windows are destroyed with their owner.
TEST_F(User32WindowTest, DestroyWindowTakesChildrenAndOwnedWindowsAlong) {
  Recorder recorder;
  HWND parent = MakeParent(recorder);
  HWND child = CreateWindowExA(0, "#32770", "child", WS_CHILD, 0, 0, 1, 1, parent, nullptr, nullptr, nullptr);
  SetWindowLongPtrA(child, DWLP_USER, recorder.Param());
  SetWindowLongPtrA(child, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&Recorder::Proc));
  Child(child, "Static", 0, 5);
  HWND owned = CreateWindowExA(0, "#32770", "owned", WS_POPUP, 0, 0, 1, 1, parent, nullptr, nullptr, nullptr);
  EXPECT_EQ(user::LiveWindowCount(), 5u);

  ASSERT_TRUE(DestroyWindow(parent));
  std::vector<std::pair<HWND, std::string>> order;
  for (const Recorder::Message& m : recorder.log) {
    if (m.message == WM_DESTROY || m.message == WM_NCDESTROY) {
      order.emplace_back(m.window, m.message == WM_DESTROY ? "destroy" : "ncdestroy");
    }
  }
  const std::vector<std::pair<HWND, std::string>> expected = {
      {parent, "destroy"}, {child, "destroy"}, {child, "ncdestroy"}, {parent, "ncdestroy"}};
  EXPECT_EQ(order, expected);
  EXPECT_FALSE(IsWindow(owned));
  EXPECT_EQ(user::LiveWindowCount(), 1u) << "only the host is left";
}

TEST_F(User32WindowTest, WindowDataAndRelations) {
  Recorder recorder;
  HWND popup = MakeParent(recorder);
  HWND combo = Child(popup, "combobox", CBS_DROPDOWNLIST | WS_DISABLED, 202);

  EXPECT_EQ(GetParent(combo), popup);
  EXPECT_EQ(GetParent(popup), m_host) << "a pop-up's owner";
  EXPECT_EQ(GetParent(m_host), nullptr);
  EXPECT_EQ(GetDlgCtrlID(combo), 202);
  EXPECT_EQ(GetDlgItem(popup, 202), combo);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(combo, GWL_STYLE)),
            static_cast<DWORD>(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_DISABLED));
  EXPECT_EQ(GetWindowLongPtrA(combo, GWLP_HWNDPARENT), reinterpret_cast<LONG_PTR>(popup));
  EXPECT_FALSE(IsWindowEnabled(combo));

  SetLastError(0);
  EXPECT_EQ(GetWindowLongA(combo, GWLP_HWNDPARENT), 0) << "a pointer does not fit the 32-bit call";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
  SetLastError(0);
  EXPECT_EQ(GetWindowLongPtrA(combo, DWLP_USER), 0) << "only dialogs have DWLP_USER";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));

  EXPECT_EQ(SetWindowLongPtrA(combo, GWLP_USERDATA, 1234), 0);
  EXPECT_EQ(SetWindowLongPtrA(combo, GWLP_USERDATA, 5678), 1234);
  EXPECT_EQ(SetWindowLongA(combo, GWL_STYLE, static_cast<LONG>(WS_CHILD | CBS_DROPDOWNLIST)),
            static_cast<LONG>(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | WS_DISABLED));
  EXPECT_TRUE(IsWindowEnabled(combo)) << "the style bit is the enabled state";
  EXPECT_FALSE(IsWindowVisible(combo));

  char name[16];
  EXPECT_EQ(GetClassNameA(combo, name, sizeof name), 8);
  EXPECT_STREQ(name, "ComboBox");
  EXPECT_EQ(GetClassNameA(combo, name, 5), 4);
  EXPECT_STREQ(name, "Comb");
  EXPECT_EQ(GetClassNameA(popup, name, sizeof name), 6);
  EXPECT_STREQ(name, "#32770");
  DestroyWindow(popup);
}

TEST_F(User32WindowTest, CreateWindowFailsAsWindowsDoes) {
  SetLastError(0);
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
  EXPECT_EQ(CreateWindowExA(0, "Button", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TLW_WITH_WSCHILD));
  EXPECT_EQ(user::LiveWindowCount(), 1u);
}

TEST_F(User32WindowTest, ActiveWindowIsTheHostsUntilItIsDestroyed) {
  EXPECT_EQ(GetActiveWindow(), m_host);
  HWND other = user::CreateHostWindow("Other");
  EXPECT_EQ(SetActiveWindow(other), m_host);
  EXPECT_EQ(GetActiveWindow(), other);
  DestroyWindow(other);
  EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST_F(User32WindowTest, TextCallsGoThroughTheWindowMessages) {
  HWND stat = CreateWindowExA(0, "Static", "Assign to Topic", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                              nullptr);
  EXPECT_EQ(GetWindowTextLengthA(stat), 15);
  EXPECT_EQ(TextOf(stat, 7), "Assign");
  char untouched[4] = "abc";
  EXPECT_EQ(GetWindowTextA(stat, untouched, 0), 0);
  EXPECT_STREQ(untouched, "abc");
  EXPECT_TRUE(SetWindowTextA(stat, nullptr));
  EXPECT_EQ(TextOf(stat), "");
  DestroyWindow(stat);
}

// A window without painting of its own stops and restarts it through WS_VISIBLE.
TEST_F(User32WindowTest, DefaultSetRedrawTurnsVisibilityOffAndOn) {
  HWND stat =
      CreateWindowExA(0, "Static", "", WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(DefWindowProcA(stat, WM_SETREDRAW, FALSE, 0), 0);
  EXPECT_FALSE(IsWindowVisible(stat));
  EXPECT_EQ(DefWindowProcA(stat, WM_SETREDRAW, TRUE, 0), 0);
  EXPECT_TRUE(IsWindowVisible(stat));
  EXPECT_TRUE(InvalidateRect(stat, nullptr, TRUE));
  DestroyWindow(stat);
  EXPECT_FALSE(InvalidateRect(stat, nullptr, TRUE));
}

}  // namespace
}  // namespace user32test
