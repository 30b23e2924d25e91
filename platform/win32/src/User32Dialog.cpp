// The dialog manager: modal dialogs from templates, the default dialog procedure, and
// the calls that address a dialog's controls by id.
#include "win32/User32.h"

#include "User32Internal.h"
#include "win32/Resources.h"

namespace win32 {
namespace user32 {
namespace {

// The messages whose dialog-procedure result is the message result itself; for all
// others a nonzero result means "handled" and the result is DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message) {
  return message == WM_INITDIALOG;
}

HWND ControlById(const Window& dialog, int id) {
  for (HWND child : dialog.children) {
    const Window* c = Find(child);
    if (c != nullptr && c->id == id) {
      return child;
    }
  }
  return nullptr;
}

// What GetNextDlgTabItem(dialog, NULL, FALSE) finds: the first visible, enabled control
// with WS_TABSTOP.
HWND FirstTabStop(const Window& dialog) {
  for (HWND child : dialog.children) {
    const Window* c = Find(child);
    if (c != nullptr && (c->style & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) == (WS_TABSTOP | WS_VISIBLE)) {
      return child;
    }
  }
  return nullptr;
}

// WM_CLOSE as the default dialog procedure handles it: the Cancel button's command,
// unless there is a Cancel button and it is disabled.
LRESULT OnClose(HWND dialog) {
  const Window* d = Find(dialog);
  const HWND cancel = d == nullptr ? nullptr : ControlById(*d, IDCANCEL);
  if (cancel == nullptr || IsWindowEnabled(cancel) != FALSE) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
  }
  return 0;
}

LRESULT DefaultDialogProcessing(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      return OnClose(dialog);
    case WM_INITDIALOG:
    case WM_COMMAND:
      return 0;
    default:
      return DefWindowProcA(dialog, message, wParam, lParam);
  }
}

HWND CreateDialogWindow(HINSTANCE instance, const DialogTemplate& t, HWND owner, DLGPROC dialogProc) {
  CreateArgs args;
  args.windowClass = &DialogClass();
  args.text = t.caption;
  // A modal dialog is created hidden and shown when its loop starts.
  args.style = t.style & ~static_cast<DWORD>(WS_VISIBLE | WS_CHILD);
  args.exStyle = t.exStyle | ((t.style & DS_MODALFRAME) != 0 ? WS_EX_DLGMODALFRAME : 0);
  args.x = t.x;
  args.y = t.y;
  args.cx = t.cx;
  args.cy = t.cy;
  args.owner = owner;
  args.instance = instance;
  Window& dialog = CreateWindowRecord(args);
  dialog.dialogProc = dialogProc;
  dialog.font = t.font;
  for (const ItemTemplate& item : t.items) {
    CreateArgs control;
    control.windowClass = item.windowClass;
    // A combo box's edit field starts empty whatever the template says.
    if (item.windowClass->kind != Kind::ComboBox) {
      control.text = item.text;
    }
    control.style = item.style | WS_CHILD;
    control.exStyle = item.exStyle;
    control.id = item.id;
    control.x = item.x;
    control.y = item.y;
    control.cx = item.cx;
    control.cy = item.cy;
    control.parent = dialog.handle;
    control.instance = instance;
    CreateWindowRecord(control);
  }
  return dialog.handle;
}

void RemoveFromModalStack(HWND window) {
  auto& modal = TheDesktop().modal;
  for (auto it = modal.begin(); it != modal.end(); ++it) {
    if (*it == window) {
      modal.erase(it);
      return;
    }
  }
}

INT_PTR RunModalDialog(HINSTANCE instance, const BYTE* data, const BYTE* end, HWND owner, DLGPROC dialogProc,
                       LPARAM initParam) {
  DialogTemplate t;
  const DWORD error = ParseDialogTemplate(data, end, t);
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return -1;
  }
  owner = owner == nullptr ? nullptr : TopLevelOf(owner);
  const HWND dialog = CreateDialogWindow(instance, t, owner, dialogProc);
  const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner) != FALSE;
  Find(dialog)->ownerEnabledBeforeRun = ownerWasEnabled;
  if (ownerWasEnabled) {
    EnableWindow(owner, FALSE);
  }
  const std::size_t run = BeginDialogRunRecord(t.caption, owner, ownerWasEnabled);
  auto noteOwner = [run, owner] { NoteOwnerState(run, owner != nullptr && IsWindowEnabled(owner) == FALSE); };
  TheDesktop().modal.push_back(dialog);

  noteOwner();
  SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(FirstTabStop(*Find(dialog))), initParam);

  bool abandoned = false;
  if (Window* d = Find(dialog); d != nullptr && !d->ended) {
    d->style |= WS_VISIBLE;
    abandoned = !RunModalLoop(dialog, [dialog, &noteOwner] {
      const Window* w = Find(dialog);
      if (w == nullptr || w->ended) {
        return true;
      }
      noteOwner();
      return false;
    });
  }

  INT_PTR result = -1;
  if (const Window* d = Find(dialog); d != nullptr && d->ended) {
    result = d->endResult;
  } else if (ownerWasEnabled && IsWindow(owner) != FALSE) {
    // Nobody called EndDialog, which would have given the owner back its input.
    EnableWindow(owner, TRUE);
  }
  RemoveFromModalStack(dialog);
  if (IsWindow(dialog) != FALSE) {
    DestroyWindow(dialog);
  }
  EndDialogRunRecord(run, result, abandoned);
  return result;
}

// The dialog procedure is called from the system's frames, which no C++ exception may
// cross: on Windows one that escapes unwinds through user32 and the caller's message
// loop, which is undefined. Here it ends the process at once, so that no test can miss it.
INT_PTR CallDialogProc(DLGPROC dialogProc, HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  return dialogProc(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const Window* w = Find(window);
  const DLGPROC dialogProc = w == nullptr ? nullptr : w->dialogProc;
  if (dialogProc != nullptr) {
    const INT_PTR handled = CallDialogProc(dialogProc, window, message, wParam, lParam);
    if (ReturnsDirectly(message)) {
      return handled;
    }
    if (handled != 0) {
      const Window* after = Find(window);
      return after == nullptr ? 0 : after->msgResult;
    }
  }
  return DefaultDialogProcessing(window, message, wParam, lParam);
}

}  // namespace user32
}  // namespace win32

using win32::user32::FindOrFail;
using win32::user32::Window;

/***********************************************************************
 *           DialogBoxIndirectParamA (USER32.@)
 *
 * Creates a modal dialog from a template in memory and runs it until EndDialog.
 *
 * PARAMS
 *  instance       [I] module handle, kept for GWLP_HINSTANCE.
 *  dialogTemplate [I] a DLGTEMPLATE or DLGTEMPLATEEX (dlgVer 1, signature 0xFFFF).
 *  owner          [I] the owner window, or NULL.
 *  dialogProc     [I] the dialog procedure (may be NULL).
 *  initParam      [I] lParam of WM_INITDIALOG.
 *
 * RETURNS
 *  Success: the value given to EndDialog.
 *  Failure: 0 with ERROR_INVALID_WINDOW_HANDLE when the owner is not a window; -1 with
 *           ERROR_INVALID_DATA for a malformed template or ERROR_CANNOT_FIND_WND_CLASS
 *           for a control class that does not exist; -1 also when the dialog was
 *           destroyed during the run or left open by a script that ran out.
 *
 * NOTES
 *  The dialog (class "#32770") and its controls are made from the template: controls
 *  in template order with their ids, classes, texts (converted with CP_ACP), styles
 *  (WS_CHILD added; WS_DISABLED honoured) and positions in dialog units. The owner
 *  becomes its top-level ancestor and is disabled before WM_INITDIALOG if it was
 *  enabled. WM_INITDIALOG carries the first visible, enabled WS_TABSTOP control in
 *  wParam. The dialog becomes visible and the scripted user acts on it until EndDialog
 *  has been called; the dialog is then destroyed (WM_DESTROY, the controls, then
 *  WM_NCDESTROY) and the result returned. No WM_SETFONT is sent and there is no focus.
 *  The template is read without a size limit, as on Windows.
 */
INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND owner,
                                DLGPROC dialogProc, LPARAM initParam) {
  if (owner != nullptr && FindOrFail(owner) == nullptr) {
    return 0;
  }
  return win32::user32::RunModalDialog(instance, reinterpret_cast<const BYTE*>(dialogTemplate), nullptr,
                                       owner, dialogProc, initParam);
}

/***********************************************************************
 *           DialogBoxParamA (USER32.@)
 *
 * Creates a modal dialog from a dialog resource of a module and runs it.
 *
 * PARAMS
 *  instance     [I] the module holding the RT_DIALOG resource (NULL: the program).
 *  templateName [I] the resource: MAKEINTRESOURCEA(id) or a name.
 *  owner        [I] the owner window, or NULL.
 *  dialogProc   [I] the dialog procedure.
 *  initParam    [I] lParam of WM_INITDIALOG.
 *
 * RETURNS
 *  Success: the value given to EndDialog.
 *  Failure: 0 when the owner is not a window; -1 when the resource cannot be found
 *           (GetLastError() as FindResourceA sets it) or read, and in the failures of
 *           DialogBoxIndirectParamA.
 *
 * NOTES
 *  The template is read within the resource's size (SizeofResource): a truncated
 *  template fails with ERROR_INVALID_DATA.
 */
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc,
                        LPARAM initParam) {
  if (owner != nullptr && FindOrFail(owner) == nullptr) {
    return 0;
  }
  const HRSRC resource =
      FindResourceA(instance, templateName, RT_DIALOG);  // NOLINT(performance-no-int-to-ptr)
  if (resource == nullptr) {
    return -1;
  }
  const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(instance, resource)));
  if (data == nullptr) {
    return -1;
  }
  const DWORD size = SizeofResource(instance, resource);
  return win32::user32::RunModalDialog(instance, data, data + size, owner, dialogProc, initParam);
}

/***********************************************************************
 *           EndDialog (USER32.@)
 *
 * Ends a modal dialog.
 *
 * PARAMS
 *  dialog [I] the dialog.
 *  result [I] what DialogBoxParamA returns.
 *
 * RETURNS
 *  Success: TRUE.
 *  Failure: FALSE; GetLastError() is ERROR_INVALID_WINDOW_HANDLE.
 *
 * NOTES
 *  The dialog is not destroyed here: the modal loop stops once the current message
 *  handler has returned, and the dialog manager destroys the dialog. The owner gets its
 *  input back now if the dialog disabled it, and the dialog is hidden.
 */
BOOL EndDialog(HWND dialog, INT_PTR result) {
  Window* d = FindOrFail(dialog);
  if (d == nullptr) {
    return FALSE;
  }
  d->ended = true;
  d->endResult = result;
  d->style &= ~static_cast<DWORD>(WS_VISIBLE);
  const HWND owner = d->owner;
  if (d->ownerEnabledBeforeRun) {
    d->ownerEnabledBeforeRun = false;
    if (IsWindow(owner) != FALSE) {
      EnableWindow(owner, TRUE);
    }
  }
  return TRUE;
}

/***********************************************************************
 *           GetDlgItem (USER32.@)
 *
 * PARAMS
 *  dialog [I] the dialog (or any parent window).
 *  id     [I] the control id.
 *
 * RETURNS
 *  Success: the first child window with that id, in creation order.
 *  Failure: NULL; GetLastError() is ERROR_INVALID_WINDOW_HANDLE or
 *           ERROR_CONTROL_ID_NOT_FOUND.
 */
HWND GetDlgItem(HWND dialog, int id) {
  const Window* d = FindOrFail(dialog);
  if (d == nullptr) {
    return nullptr;
  }
  const HWND control = win32::user32::ControlById(*d, id);
  if (control == nullptr) {
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  }
  return control;
}

/***********************************************************************
 *           GetDlgCtrlID (USER32.@)
 *
 * RETURNS
 *  The id of a child window; 0 for a top-level window or an invalid handle.
 */
int GetDlgCtrlID(HWND control) {
  const Window* c = FindOrFail(control);
  return c == nullptr || (c->style & WS_CHILD) == 0 ? 0 : c->id;
}

/***********************************************************************
 *           SendDlgItemMessageA (USER32.@)
 *
 * RETURNS
 *  SendMessageA to GetDlgItem(dialog, id); 0 when there is no such control.
 */
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND control = GetDlgItem(dialog, id);
  return control == nullptr ? 0 : SendMessageA(control, message, wParam, lParam);
}

/***********************************************************************
 *           GetDlgItemTextA (USER32.@)
 *
 * RETURNS
 *  GetWindowTextA of the control; 0 and an empty text when there is no such control.
 */
UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount) {
  const HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) {
    if (text != nullptr && maxCount > 0) {
      text[0] = '\0';
    }
    return 0;
  }
  return static_cast<UINT>(GetWindowTextA(control, text, maxCount));
}

/***********************************************************************
 *           SetDlgItemTextA (USER32.@)
 *
 * RETURNS
 *  SetWindowTextA of the control; FALSE when there is no such control.
 */
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  const HWND control = GetDlgItem(dialog, id);
  return control == nullptr ? FALSE : SetWindowTextA(control, text);
}

/***********************************************************************
 *           CheckDlgButton (USER32.@)
 *
 * Sends BM_SETCHECK with `check` (BST_*) to a button of the dialog.
 *
 * RETURNS
 *  TRUE when the control exists; FALSE otherwise.
 */
BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  const HWND control = GetDlgItem(dialog, id);
  if (control == nullptr) {
    return FALSE;
  }
  SendMessageA(control, BM_SETCHECK, check, 0);
  return TRUE;
}

/***********************************************************************
 *           IsDlgButtonChecked (USER32.@)
 *
 * RETURNS
 *  BM_GETCHECK of the button (BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE); 0 when
 *  there is no such control.
 */
UINT IsDlgButtonChecked(HWND dialog, int id) {
  return static_cast<UINT>(SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
}
