// The user in front of the headless windows of win32/User32.h. A test queues what the
// user will do, then runs the code that shows a modal dialog or message box; the modal
// loop performs the queued actions one by one, as a person would with mouse and keyboard,
// and the windows answer with the messages and notifications that the real controls send.
//
//   namespace user = win32::headless;
//   user::Reset();
//   HWND host = user::CreateHostWindow("Mail");
//   SetActiveWindow(host);
//   user::SelectItem(IDC_PRIORITY, 4);
//   user::TypeText(IDC_TOPIC, "Budget");
//   user::Inspect([](const user::DialogView& dialog) {
//     EXPECT_EQ(dialog.Find(IDC_TOPIC)->selection, CB_ERR);
//   });
//   user::Click(IDOK);
//   INT_PTR result = DialogBoxParamA(module, MAKEINTRESOURCEA(9), GetActiveWindow(), Proc, 0);
//   EXPECT_EQ(user::EscapesForEmptyScript(), 0);
//   EXPECT_EQ(user::LiveWindowCount(), 1u);  // the host window only
//
// The state is one per process, like the windows; Reset() returns it to the start.
//
// The testing library implements the same names on the real windows (testing/), so
// that one script drives the dialog on both.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include "win32/User32.h"
#endif

namespace win32 {
namespace headless {

// What one control of a dialog shows, read through the window API.
struct ControlView {
  HWND window = nullptr;
  int id = 0;
  std::string className;  // "Button", "ComboBox", "Static", "Edit", ...
  DWORD style = 0;
  DWORD exStyle = 0;
  std::string text;                  // WM_GETTEXT: a combo box's edit text or selected item
  int x = 0, y = 0, cx = 0, cy = 0;  // as the template gives them, in dialog units
  bool enabled = false;
  bool visible = false;
  UINT check = BST_UNCHECKED;      // buttons: BM_GETCHECK
  std::vector<std::string> items;  // combo boxes: the list in order
  int selection = CB_ERR;          // combo boxes: CB_GETCURSEL
};

// What a dialog shows: its frame and its controls in template (tab) order.
struct DialogView {
  HWND window = nullptr;
  std::string caption;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::string fontFace;  // empty without DS_SETFONT
  WORD pointSize = 0;
  WORD weight = 0;
  bool italic = false;
  BYTE charset = 0;
  HWND owner = nullptr;
  bool enabled = false;
  std::vector<ControlView> controls;

  // The first control with the id, or null.
  const ControlView* Find(int id) const;
};

// One message box as it was shown, and how the user answered it.
struct MessageBoxRecord {
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT style = 0;
  int answer = 0;  // 0 while the box is open or when the script left it unanswered
  bool open = false;
  bool ownerDisabledWhileShown = false;
};

// One modal dialog run by DialogBoxParamA or DialogBoxIndirectParamA.
struct DialogRunRecord {
  std::string caption;
  HWND owner = nullptr;
  bool ownerWasEnabled = false;          // before the run
  bool ownerDisabledThroughout = false;  // at WM_INITDIALOG and at every user action
  INT_PTR result = 0;
  bool abandoned = false;  // the script ran out and Escape did not end the dialog
};

// One queued action as the user performed it.
struct ActionRecord {
  std::string action;  // e.g. "click 1", "type \"Budget\" into 201"
  bool delivered = false;
  std::string refusal;  // why nothing was delivered: "control 203 is disabled", ...
};

// Destroys every window without sending messages, empties the script and the records,
// and forgets the host's active window.
void Reset();

// A top-level window standing for the host application's main window, to own dialogs
// and message boxes. Make it the active window with SetActiveWindow.
HWND CreateHostWindow(const char* caption = "Host");

// --- Queued actions, performed in order by the next modal loops ------------------------

// Picks item `index` of a combo box, as the arrow keys do on the closed list: the
// selection (and the edit text of a drop-down) changes and CBN_SELCHANGE is sent.
void SelectItem(int controlId, int index);
// Picks the first item whose text equals `text` (case-sensitive).
void SelectItemText(int controlId, const std::string& text);
// Replaces the text of a drop-down combo box's edit field (or of an edit control) as
// select-all and typing would: CBN_EDITUPDATE, the selection dropped, CBN_EDITCHANGE.
void TypeText(int controlId, const std::string& text);
// Empties that edit field: TypeText with "".
void ClearText(int controlId);
// Clicks a button or check box (BM_CLICK: an automatic check box toggles, BN_CLICKED).
void Click(int controlId);
// Presses Escape in the topmost modal window: WM_COMMAND IDCANCEL in a dialog; in a
// message box IDCANCEL when it has a Cancel button, IDOK when it has only OK.
void PressEscape();
// Clicks the close box: WM_CLOSE to the topmost dialog; in a message box as Escape.
void ClickCloseBox();
// Presses a button of the open message box (IDOK, IDCANCEL, IDYES, ...).
void AnswerMessageBox(int button);
// Runs `inspect` with the topmost dialog as the user sees it at this point.
void Inspect(std::function<void(const DialogView&)> inspect);

// Actions queued and not yet performed.
std::size_t PendingActions();

// --- What happened -----------------------------------------------------------------

const std::vector<ActionRecord>& PerformedActions();
// The refusals among PerformedActions, as "action: reason".
std::vector<std::string> RefusedActions();
// How often the user pressed Escape because the script had run out while a modal
// window was open; a test that scripted the whole run expects 0.
int EscapesForEmptyScript();
const std::vector<MessageBoxRecord>& MessageBoxes();
const std::vector<DialogRunRecord>& DialogRuns();

// Windows that exist now, of every kind (host windows, dialogs, controls, boxes).
std::size_t LiveWindowCount();

// Reads back a dialog and its controls through the window API.
DialogView Describe(HWND dialog);

}  // namespace headless
}  // namespace win32
