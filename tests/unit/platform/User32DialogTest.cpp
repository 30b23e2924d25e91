// Modal dialogs from templates, driven by the scripted user: the windows made from the
// template, the messages the dialog procedure receives, the owner's state, the result,
// and the failures.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "conformance/User32TestSupport.h"

namespace user32test {
namespace {

constexpr int kTopic = 201;
constexpr int kPriority = 202;
constexpr int kFile = 203;
constexpr int kLocked = 204;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

DialogLayout SampleDialog() {
  DialogLayout d;
  d.caption = u"Sample Action";
  d.x = 0;
  d.y = 0;
  d.cx = 203;
  d.cy = 166;
  d.items = {
      Control(kButton, u"OK", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, 46, 145, 50, 14),
      Control(kButton, u"Cancel", kChild | WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, 107, 145, 50, 14),
      Control(kComboBox, u"", kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN, kTopic, 25, 30, 150, 129),
      Control(kComboBox, u"", kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kPriority, 25, 93, 150,
              66),
      Control(kStatic, u"Assign to \u00C9tage", kChild | WS_GROUP | SS_LEFT, -1, 25, 18, 121, 8),
      Control(kButton, u"File now", kChild | WS_TABSTOP | BS_AUTOCHECKBOX, kFile, 35, 47, 101, 10),
      Control(kButton, u"Locked", kChild | WS_TABSTOP | WS_DISABLED | BS_AUTOCHECKBOX, kLocked, 35, 59, 101,
              10),
  };
  // Creation data, which the dialog manager skips; an odd size moves the next item's
  // DWORD alignment.
  d.items[4].creationData = {1, 2, 3};
  return d;
}

// Fills the two combo boxes when the dialog starts, ends it on OK or Cancel.
INT_PTR SampleHandler(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    for (const char* topic : {"<None>", "Budget", "Travel"}) {
      SendDlgItemMessageA(dialog, kTopic, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(topic));
    }
    for (const char* priority : {"Low", "Normal", "High"}) {
      SendDlgItemMessageA(dialog, kPriority, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(priority));
    }
    SendDlgItemMessageA(dialog, kTopic, CB_SETCURSEL, 1, 0);
    SendDlgItemMessageA(dialog, kPriority, CB_SETCURSEL, 0, 0);
  }
  return EndOnOkOrCancel(dialog, message, wParam, lParam);
}

class User32DialogTest : public User32Test {
 protected:
  INT_PTR Run(const std::vector<BYTE>& bytes, Recorder& recorder, HWND owner) {
    return DialogBoxIndirectParamA(nullptr, AsTemplate(bytes), owner, &Recorder::Proc, recorder.Param());
  }
  // Runs the sample dialog; a recorder without a handler gets SampleHandler.
  INT_PTR RunSample(Recorder& recorder) {
    if (!recorder.handler) {
      recorder.handler = SampleHandler;
    }
    return Run(TemplateWriter::Extended(SampleDialog()), recorder, m_host);
  }
  void ExpectNoUnplannedActions() {
    EXPECT_EQ(user::RefusedActions(), std::vector<std::string>{});
    EXPECT_EQ(user::EscapesForEmptyScript(), 0);
    EXPECT_EQ(user::PendingActions(), 0u);
  }
};

struct ExpectedControl {
  const char* className;
  const char* text;
  int id;
  DWORD style;
  int x, y, cx, cy;
  bool enabled;
};

// The extended and the classic template make the same windows (a classic template
// stores the id of the label as 0xFFFF and has no font weight or character set).
TEST_F(User32DialogTest, TemplateBecomesTheDialogAndItsControls) {
  for (const bool extended : {true, false}) {
    SCOPED_TRACE(extended ? "DLGTEMPLATEEX" : "DLGTEMPLATE");
    user::Reset();
    m_host = user::CreateHostWindow();
    const DialogLayout layout = SampleDialog();
    const std::vector<BYTE> bytes =
        extended ? TemplateWriter::Extended(layout) : TemplateWriter::Classic(layout);
    user::DialogView seen;
    user::Inspect([&seen](const user::DialogView& view) { seen = view; });
    user::PressEscape();
    Recorder recorder;
    recorder.handler = SampleHandler;
    EXPECT_EQ(Run(bytes, recorder, m_host), IDCANCEL);

    EXPECT_EQ(seen.caption, "Sample Action");
    EXPECT_EQ(seen.style, layout.style | WS_VISIBLE);
    EXPECT_EQ(seen.exStyle, static_cast<DWORD>(WS_EX_DLGMODALFRAME));
    EXPECT_EQ((std::vector<int>{seen.x, seen.y, seen.cx, seen.cy}), (std::vector<int>{0, 0, 203, 166}));
    EXPECT_EQ(seen.fontFace, "MS Shell Dlg");
    EXPECT_EQ(seen.pointSize, 8);
    EXPECT_EQ(seen.weight, extended ? 400 : 0);
    EXPECT_EQ(seen.charset, extended ? 1 : 0);
    EXPECT_EQ(seen.owner, m_host);

    const ExpectedControl expected[] = {
        {"Button", "OK", IDOK, 0x50010001, 46, 145, 50, 14, true},
        {"Button", "Cancel", IDCANCEL, 0x50010000, 107, 145, 50, 14, true},
        // A combo box hands WS_VSCROLL (0x00200000) of its template to its list.
        {"ComboBox", "Budget", kTopic, 0x50010002, 25, 30, 150, 129, true},
        {"ComboBox", "Low", kPriority, 0x50010003, 25, 93, 150, 66, true},
        {"Static", "Assign to \xC9tage", extended ? -1 : 0xFFFF, 0x50020000, 25, 18, 121, 8, true},
        {"Button", "File now", kFile, 0x50010003, 35, 47, 101, 10, true},
        {"Button", "Locked", kLocked, 0x58010003, 35, 59, 101, 10, false},
    };
    ASSERT_EQ(seen.controls.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
      const user::ControlView& c = seen.controls[i];
      const ExpectedControl& e = expected[i];
      SCOPED_TRACE("control #" + std::to_string(i + 1));
      EXPECT_EQ(c.id, e.id);
      EXPECT_EQ(c.className, e.className);
      EXPECT_EQ(c.style, e.style);
      EXPECT_EQ(c.text, e.text);
      EXPECT_EQ((std::vector<int>{c.x, c.y, c.cx, c.cy}), (std::vector<int>{e.x, e.y, e.cx, e.cy}));
      EXPECT_EQ(c.enabled, e.enabled);
    }
    EXPECT_EQ(seen.Find(kTopic)->items, (std::vector<std::string>{"<None>", "Budget", "Travel"}));
    DestroyWindow(m_host);
    EXPECT_EQ(user::LiveWindowCount(), 0u);
  }
  m_host = user::CreateHostWindow();
}

TEST_F(User32DialogTest, RunDeliversInitNotificationsAndDestroyThenReturnsTheEndDialogValue) {
  Recorder recorder;
  HWND firstTabStop = nullptr;
  HWND okButton = nullptr;
  recorder.handler = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      firstTabStop = FromParam<HWND>(wParam);
      okButton = GetDlgItem(dialog, IDOK);
      EXPECT_EQ(lParam, recorder.Param());
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
      EXPECT_EQ(FromParam<HWND>(lParam), GetDlgItem(dialog, IDOK));
      EndDialog(dialog, 77);
      return TRUE;
    }
    return SampleHandler(dialog, message, wParam, lParam);
  };
  user::SelectItem(kPriority, 2);
  user::TypeText(kTopic, "Fresh");
  user::Click(kFile);
  user::Click(IDOK);
  user::Click(IDCANCEL);  // the dialog has ended: this stays in the script

  EXPECT_EQ(Run(TemplateWriter::Extended(SampleDialog()), recorder, m_host), 77);

  const std::vector<std::string> story = {"init",          "command 202/1", "command 201/6", "command 201/5",
                                          "command 203/0", "command 1/0",   "destroy",       "ncdestroy"};
  EXPECT_EQ(recorder.Story(), story);
  EXPECT_EQ(firstTabStop, okButton);
  EXPECT_EQ(user::PendingActions(), 1u);
  EXPECT_EQ(user::DialogRuns().back().result, 77);
  EXPECT_EQ(user::LiveWindowCount(), 1u) << "the dialog and its controls are gone";
}

struct OwnerCase {
  const char* what;
  bool enabledBefore;
};

// The owner is disabled from WM_INITDIALOG to EndDialog, and gets its input back only if
// it had it before.
TEST_F(User32DialogTest, OwnerIsDisabledDuringTheRunAndRestoredAfter) {
  for (const OwnerCase& c : {OwnerCase{"enabled owner", true}, OwnerCase{"disabled owner", false}}) {
    SCOPED_TRACE(c.what);
    EnableWindow(m_host, c.enabledBefore);
    Recorder recorder;
    bool ownerEnabledAtInit = true;
    bool ownerEnabledAtDestroy = false;
    recorder.handler = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
      if (message == WM_INITDIALOG) {
        ownerEnabledAtInit = IsWindowEnabled(m_host) != FALSE;
      }
      if (message == WM_DESTROY) {
        ownerEnabledAtDestroy = IsWindowEnabled(m_host) != FALSE;
      }
      return SampleHandler(dialog, message, wParam, lParam);
    };
    HWND activeDuring = nullptr;
    bool ownerEnabledDuring = true;
    user::Inspect([&](const user::DialogView& view) {
      activeDuring = GetActiveWindow();
      ownerEnabledDuring = IsWindowEnabled(m_host) != FALSE;
      EXPECT_EQ(activeDuring, view.window);
    });
    user::Click(IDOK);
    EXPECT_EQ(Run(TemplateWriter::Extended(SampleDialog()), recorder, m_host), IDOK);

    EXPECT_FALSE(ownerEnabledAtInit);
    EXPECT_FALSE(ownerEnabledDuring);
    EXPECT_NE(activeDuring, nullptr);
    EXPECT_EQ(ownerEnabledAtDestroy, c.enabledBefore) << "EndDialog gives the owner its input back";
    EXPECT_EQ(IsWindowEnabled(m_host) != FALSE, c.enabledBefore);
    EXPECT_EQ(GetActiveWindow(), m_host);
    const user::DialogRunRecord& run = user::DialogRuns().back();
    EXPECT_EQ(run.owner, m_host);
    EXPECT_EQ(run.ownerWasEnabled, c.enabledBefore);
    EXPECT_TRUE(run.ownerDisabledThroughout);
    ExpectNoUnplannedActions();
  }
}

// Typing replaces the edit text: CBN_EDITUPDATE arrives while the old item is still
// selected, CBN_EDITCHANGE after the selection has been dropped.
TEST_F(User32DialogTest, TypingIntoADropDownDropsTheSelection) {
  Recorder recorder;
  std::vector<std::string> seenByHandler;
  recorder.handler = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
    if (message == WM_COMMAND && LOWORD(wParam) == kTopic) {
      char text[32];
      GetDlgItemTextA(dialog, kTopic, text, sizeof text);
      const LRESULT sel = SendDlgItemMessageA(dialog, kTopic, CB_GETCURSEL, 0, 0);
      seenByHandler.push_back(std::to_string(HIWORD(wParam)) + ": " + std::to_string(sel) + " \"" + text +
                              "\"");
    }
    return SampleHandler(dialog, message, wParam, lParam);
  };
  std::vector<std::string> shown;
  auto look = [&shown](const user::DialogView& view) {
    const user::ControlView* topic = view.Find(kTopic);
    shown.push_back(std::to_string(topic->selection) + " \"" + topic->text + "\"");
  };
  user::TypeText(kTopic, "Budget");  // an item's text, typed: still no selection
  user::Inspect(look);
  user::SelectItemText(kTopic, "Travel");
  user::Inspect(look);
  user::ClearText(kTopic);
  user::Inspect(look);
  user::Click(IDOK);
  EXPECT_EQ(RunSample(recorder), IDOK);

  EXPECT_EQ(seenByHandler, (std::vector<std::string>{"6: 1 \"Budget\"", "5: -1 \"Budget\"", "1: 2 \"Travel\"",
                                                     "6: 2 \"\"", "5: -1 \"\""}));
  EXPECT_EQ(shown, (std::vector<std::string>{"-1 \"Budget\"", "2 \"Travel\"", "-1 \"\""}));
  ExpectNoUnplannedActions();
}

// A control the user cannot reach takes nothing, and the refusal is recorded.
TEST_F(User32DialogTest, UnreachableControlsRefuseTheUsersActions) {
  Recorder recorder;
  recorder.handler = [](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      EnableWindow(GetDlgItem(dialog, kTopic), FALSE);
    }
    // Checking "File now" unlocks the locked box.
    if (message == WM_COMMAND && LOWORD(wParam) == kFile) {
      EnableWindow(GetDlgItem(dialog, kLocked), IsDlgButtonChecked(dialog, kFile) == BST_CHECKED);
    }
    return SampleHandler(dialog, message, wParam, lParam);
  };
  user::Click(kLocked);
  user::TypeText(kTopic, "x");
  user::SelectItem(kTopic, 0);
  user::TypeText(kPriority, "x");
  user::SelectItem(kPriority, 3);
  user::SelectItemText(kPriority, "low");
  user::Click(-1);
  user::Click(kPriority);
  user::Click(999);
  user::AnswerMessageBox(IDOK);
  user::Click(kFile);
  user::Click(kLocked);
  user::Inspect([](const user::DialogView& view) {
    EXPECT_EQ(view.Find(kLocked)->check, static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(view.Find(kTopic)->text, "Budget");
    EXPECT_EQ(view.Find(kPriority)->selection, 0);
  });
  user::Click(IDOK);
  EXPECT_EQ(RunSample(recorder), IDOK);

  EXPECT_EQ(user::RefusedActions(), (std::vector<std::string>{
                                        "click 204: control 204 is disabled",
                                        "type \"x\" into 201: control 201 is disabled",
                                        "select item 0 of 201: control 201 is disabled",
                                        "type \"x\" into 202: control 202 has no edit field",
                                        "select item 3 of 202: combo box 202 has no item 3",
                                        "select \"low\" in 202: combo box 202 has no item \"low\"",
                                        "click -1: control -1 takes no clicks",
                                        "click 202: control 202 takes no clicks",
                                        "click 999: there is no control 999",
                                        "answer 1: no message box is open",
                                    }));
  EXPECT_EQ(recorder.Story(), (std::vector<std::string>{"init", "command 203/0", "command 204/0",
                                                        "command 1/0", "destroy", "ncdestroy"}));
}

struct CloseCase {
  const char* what;
  bool cancelEnabled;
  void (*act)();
  std::vector<std::string> story;  // between init and destroy
  int escapesForEmptyScript;
};

// Escape is the Cancel button's command. The close box sends WM_CLOSE, which the default
// dialog processing turns into the same command unless the Cancel button is disabled.
TEST_F(User32DialogTest, EscapeAndTheCloseBoxCancel) {
  const CloseCase cases[] = {
      {"escape", true, user::PressEscape, {"command 2/0"}, 0},
      {"close box", true, user::ClickCloseBox, {"close", "command 2/0"}, 0},
      {"close box, Cancel disabled", false, user::ClickCloseBox, {"close", "command 2/0"}, 1},
  };
  for (const CloseCase& c : cases) {
    SCOPED_TRACE(c.what);
    user::Reset();
    m_host = user::CreateHostWindow();
    Recorder recorder;
    HWND cancelParam = reinterpret_cast<HWND>(1);
    recorder.handler = [&](HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) -> INT_PTR {
      if (message == WM_INITDIALOG && !c.cancelEnabled) {
        EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
      }
      if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        cancelParam = FromParam<HWND>(lParam);
        EXPECT_EQ(cancelParam, GetDlgItem(dialog, IDCANCEL));
      }
      return SampleHandler(dialog, message, wParam, lParam);
    };
    c.act();
    EXPECT_EQ(RunSample(recorder), IDCANCEL);
    std::vector<std::string> story = {"init"};
    story.insert(story.end(), c.story.begin(), c.story.end());
    story.insert(story.end(), {"destroy", "ncdestroy"});
    EXPECT_EQ(recorder.Story(), story);
    EXPECT_EQ(user::EscapesForEmptyScript(), c.escapesForEmptyScript);
    DestroyWindow(m_host);
  }
  m_host = user::CreateHostWindow();
}

TEST_F(User32DialogTest, WhenTheScriptRunsOutTheUserPressesEscape) {
  Recorder recorder;
  EXPECT_EQ(RunSample(recorder), IDCANCEL);
  EXPECT_EQ(user::EscapesForEmptyScript(), 1);
  ASSERT_EQ(user::PerformedActions().size(), 1u);
  EXPECT_EQ(user::PerformedActions()[0].action, "escape (the script ran out)");
  EXPECT_FALSE(user::DialogRuns().back().abandoned);
}

// A dialog that ignores Escape would keep a real user forever; the run is abandoned,
// the windows are destroyed and the owner gets its input back.
TEST_F(User32DialogTest, DialogThatIgnoresEscapeIsAbandonedWithoutLeaks) {
  Recorder recorder;
  recorder.handler = [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_INITDIALOG; };
  user::Click(IDOK);
  EXPECT_EQ(Run(TemplateWriter::Extended(SampleDialog()), recorder, m_host), -1);
  EXPECT_TRUE(user::DialogRuns().back().abandoned);
  EXPECT_EQ(user::EscapesForEmptyScript(), 1);
  EXPECT_TRUE(IsWindowEnabled(m_host));
  EXPECT_EQ(recorder.Story().back(), "ncdestroy");
  EXPECT_EQ(user::LiveWindowCount(), 1u);
}

TEST_F(User32DialogTest, EndDialogDuringInitEndsTheRunBeforeTheUserActs) {
  Recorder recorder;
  recorder.handler = [](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
    if (message == WM_INITDIALOG) {
      EndDialog(dialog, 5);
    }
    return TRUE;
  };
  user::Click(IDOK);
  EXPECT_EQ(Run(TemplateWriter::Extended(SampleDialog()), recorder, m_host), 5);
  EXPECT_EQ(user::PendingActions(), 1u);
  EXPECT_EQ(recorder.Story(), (std::vector<std::string>{"init", "destroy", "ncdestroy"}));
  EXPECT_TRUE(IsWindowEnabled(m_host));
}

struct BadTemplateCase {
  const char* what;
  DialogLayout layout;
  DWORD error;
};

// A template that cannot be made into windows fails before any window exists.
TEST_F(User32DialogTest, BadTemplatesFailWithMinusOne) {
  DialogLayout unknownClass = SampleDialog();
  unknownClass.items[2].className = u"SysListView32";
  DialogLayout unknownAtom = SampleDialog();
  unknownAtom.items[0].classAtom = 0x0086;
  DialogLayout namedDialogClass = SampleDialog();
  namedDialogClass.windowClass = u"MyDialogClass";
  const BadTemplateCase cases[] = {
      {"unknown control class", unknownClass, ERROR_CANNOT_FIND_WND_CLASS},
      {"unknown class atom", unknownAtom, ERROR_CANNOT_FIND_WND_CLASS},
      {"unregistered dialog class", namedDialogClass, ERROR_CANNOT_FIND_WND_CLASS},
  };
  for (const BadTemplateCase& c : cases) {
    Recorder recorder;
    SetLastError(0);
    EXPECT_EQ(Run(TemplateWriter::Extended(c.layout), recorder, m_host), -1) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
    EXPECT_TRUE(recorder.log.empty()) << c.what;
    EXPECT_EQ(user::LiveWindowCount(), 1u) << c.what;
    EXPECT_TRUE(IsWindowEnabled(m_host)) << c.what;
  }

  std::vector<BYTE> wrongVersion = TemplateWriter::Extended(SampleDialog());
  wrongVersion[0] = 2;
  Recorder recorder;
  EXPECT_EQ(Run(wrongVersion, recorder, m_host), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));

  HWND stale = user::CreateHostWindow();
  DestroyWindow(stale);
  EXPECT_EQ(Run(TemplateWriter::Extended(SampleDialog()), recorder, stale), 0) << "an invalid owner gives 0";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_TRUE(recorder.log.empty());
}

TEST_F(User32DialogTest, NoFailCreateLeavesOutControlsOfUnknownClasses) {
  DialogLayout layout = SampleDialog();
  layout.style |= DS_NOFAILCREATE;
  layout.items[4].className = u"SysLink";
  std::vector<int> ids;
  user::Inspect([&ids](const user::DialogView& view) {
    for (const user::ControlView& c : view.controls) {
      ids.push_back(c.id);
    }
  });
  user::PressEscape();
  Recorder recorder;
  recorder.handler = SampleHandler;
  EXPECT_EQ(Run(TemplateWriter::Extended(layout), recorder, m_host), IDCANCEL);
  EXPECT_EQ(ids, (std::vector<int>{IDOK, IDCANCEL, kTopic, kPriority, kFile, kLocked}));
}

// DialogBoxParamA finds RT_DIALOG resources of a module. The test registers its blocks
// for the platform library's own module, which has no resources of its own to disturb.
class User32DialogResourceTest : public User32DialogTest {
 protected:
  void SetUp() override {
    User32DialogTest::SetUp();
    ASSERT_TRUE(GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        ModuleAddress(), &m_module));
    HMODULE byName = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT, "libwin32", &byName));
    ASSERT_EQ(m_module, byName) << "the address is not inside the platform library";
    m_full = TemplateWriter::Extended(SampleDialog());
    m_entries[0] = {5, 9, 0x0409, m_full.data(), static_cast<DWORD>(m_full.size())};
    m_entries[1] = {5, 10, 0x0409, m_full.data(), static_cast<DWORD>(m_full.size() - 7)};
    win32::RegisterModuleResources(ModuleAddress(), m_entries, 2);
  }
  void TearDown() override {
    win32::UnregisterModuleResources(ModuleAddress());
    User32DialogTest::TearDown();
  }
  static LPCSTR ModuleAddress() { return reinterpret_cast<LPCSTR>(&DialogBoxParamA); }

  HMODULE m_module = nullptr;
  std::vector<BYTE> m_full;
  win32::ResourceEntry m_entries[2] = {};
};

TEST_F(User32DialogResourceTest, RunsTheModulesTemplateAndFailsForMissingOrTruncatedOnes) {
  Recorder recorder;
  recorder.handler = SampleHandler;
  LONG_PTR instance = 0;
  user::Inspect([&instance](const user::DialogView& view) {
    instance = GetWindowLongPtrA(view.window, GWLP_HINSTANCE);
  });
  user::Click(IDOK);
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  EXPECT_EQ(DialogBoxParamA(m_module, MAKEINTRESOURCEA(9), m_host, &Recorder::Proc, recorder.Param()), IDOK);
  EXPECT_EQ(user::DialogRuns().back().caption, "Sample Action");
  EXPECT_EQ(instance, reinterpret_cast<LONG_PTR>(m_module));

  struct Case {
    const char* what;
    LPCSTR name;
    DWORD error;
  };
  const Case cases[] = {
      {"missing id", "#11", ERROR_RESOURCE_NAME_NOT_FOUND},
      {"truncated", "#10", ERROR_INVALID_DATA},
  };
  for (const Case& c : cases) {
    Recorder unused;
    SetLastError(0);
    EXPECT_EQ(DialogBoxParamA(m_module, c.name, m_host, &Recorder::Proc, unused.Param()), -1) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
    EXPECT_TRUE(unused.log.empty()) << c.what;
  }
  EXPECT_EQ(user::LiveWindowCount(), 1u);
}

}  // namespace
}  // namespace user32test
