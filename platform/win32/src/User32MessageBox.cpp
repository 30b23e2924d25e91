// Message boxes: a modal window with a text, a caption and a set of buttons, answered
// by the scripted user.
#include "win32/User32.h"

#include "User32Internal.h"

namespace win32 {
namespace user32 {
namespace {

// The message box is a dialog ("#32770") of its own; its procedure does nothing but
// keep its caption, and the modal loop reads the user's answer from the record.
const WindowClass kMessageBoxClass = {"#32770", Kind::MessageBox, DefWindowProcA};

HWND CreateMessageBoxWindow(HWND owner, const std::string& caption, UINT type) {
  CreateArgs args;
  args.windowClass = &kMessageBoxClass;
  args.text = caption;
  args.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  args.exStyle = WS_EX_DLGMODALFRAME;
  args.owner = owner;
  Window& box = CreateWindowRecord(args);
  box.messageBoxType = type;
  return box.handle;
}

}  // namespace

std::vector<int> MessageBoxButtons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OK:
      return {IDOK};
    case MB_OKCANCEL:
      return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
      return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
      return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
      return {IDYES, IDNO};
    case MB_RETRYCANCEL:
      return {IDRETRY, IDCANCEL};
    case MB_CANCELTRYCONTINUE:
      return {IDCANCEL, IDTRYAGAIN, IDCONTINUE};
    default:
      return {};
  }
}

}  // namespace user32
}  // namespace win32

/***********************************************************************
 *           MessageBoxA (USER32.@)
 *
 * Shows a modal message box and waits for the user's answer.
 *
 * PARAMS
 *  owner   [I] the owner window, or NULL.
 *  text    [I] the message (NULL shows nothing).
 *  caption [I] the title; NULL gives "Error".
 *  type    [I] MB_* buttons, icon, default button and modality.
 *
 * RETURNS
 *  Success: the button the user pressed (IDOK, IDCANCEL, IDYES, ...).
 *  Failure: 0. GetLastError() is ERROR_INVALID_WINDOW_HANDLE for an owner that is not
 *           a window and ERROR_INVALID_MSGBOX_STYLE for an unknown button set. 0 is
 *           also returned when the script ran out and Escape cannot close the box (it
 *           has neither a Cancel button nor only an OK button).
 *
 * NOTES
 *  The owner's top-level window is disabled while the box is shown if it was enabled,
 *  and enabled again afterwards; MB_TASKMODAL does not disable other windows here. The
 *  box is the active window while it is open; every action of the scripted user other
 *  than an answer, Escape, the close box and inspection is refused meanwhile, since
 *  the windows below are disabled. Escape and the close box give IDCANCEL when the box
 *  has a Cancel button and IDOK when it has only OK.
 */
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  using namespace win32::user32;
  if (owner != nullptr && FindOrFail(owner) == nullptr) {
    return 0;
  }
  if (MessageBoxButtons(type).empty()) {
    SetLastError(ERROR_INVALID_MSGBOX_STYLE);
    return 0;
  }
  owner = owner == nullptr ? nullptr : TopLevelOf(owner);
  const std::string shownCaption = caption == nullptr ? "Error" : caption;
  const bool disableOwner = owner != nullptr && IsWindowEnabled(owner) != FALSE;
  if (disableOwner) {
    EnableWindow(owner, FALSE);
  }
  const HWND box = CreateMessageBoxWindow(owner, shownCaption, type);
  const std::size_t record = BeginMessageBoxRecord(owner, text == nullptr ? "" : text, shownCaption, type,
                                                   owner != nullptr && IsWindowEnabled(owner) == FALSE);
  TheDesktop().modal.push_back(box);
  RunModalLoop(box, [box] {
    const Window* w = Find(box);
    return w == nullptr || w->ended;
  });
  const Window* w = Find(box);
  const int answer = w != nullptr && w->ended ? static_cast<int>(w->endResult) : 0;
  auto& modal = TheDesktop().modal;
  if (!modal.empty() && modal.back() == box) {
    modal.pop_back();
  }
  if (w != nullptr) {
    DestroyWindow(box);
  }
  if (disableOwner && IsWindow(owner) != FALSE) {
    EnableWindow(owner, TRUE);
  }
  EndMessageBoxRecord(record, answer);
  return answer;
}
