// A small modal dialog base: runs a dialog from a template of this module over an owner
// window and dispatches its messages through the derived class's message map.
#pragma once

#include <cstddef>

#include "config/Platform.h"
#include "config/ResourceString.h"

namespace pellacorm {

// One line of a message map: the message, and for WM_COMMAND the control id and the
// notification code, with the handler that answers it. A null handler marks a message
// that is handled without any action.
template <typename Dialog>
struct MessageMapEntry {
  UINT message;
  int id;
  int code;
  INT_PTR (Dialog::*handler)();
};

template <typename Dialog>
class CDialogImpl {
 public:
  CDialogImpl() = default;
  CDialogImpl(const CDialogImpl&) = delete;
  CDialogImpl& operator=(const CDialogImpl&) = delete;

  // Runs the dialog modally from template `Dialog::IDD` of this module, owned by
  // `owner`; answers the value given to EndDialog (IDCANCEL when a handler failed), or
  // -1 when the dialog could not be created. No window of the dialog outlives the call.
  INT_PTR DoModal(HWND owner) {
    return DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(Dialog::IDD), owner, &CDialogImpl::DialogProc,
                           reinterpret_cast<LPARAM>(this));
  }

 protected:
  ~CDialogImpl() = default;

  BOOL EndDialog(INT_PTR result) { return ::EndDialog(m_hWnd, result); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

  HWND m_hWnd = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      auto* self = reinterpret_cast<CDialogImpl*>(lParam);
      self->m_hWnd = window;
      SetWindowLongPtrA(window, DWLP_USER, lParam);
    }
    auto* self = reinterpret_cast<CDialogImpl*>(GetWindowLongPtrA(window, DWLP_USER));
    if (self == nullptr) {
      return FALSE;
    }
    INT_PTR result = TRUE;
    try {
      result = self->Dispatch(message, wParam);
    } catch (...) {
      // No exception may unwind through the dialog manager into the client: a handler
      // that fails ends the dialog as Cancel does. Handlers change the dialog's record
      // only once nothing more can fail, so it is left as it was.
      ::EndDialog(window, IDCANCEL);
    }
    if (message == WM_NCDESTROY) {
      self->m_hWnd = nullptr;
    }
    return result;
  }

  // Finds the message map line for the message and calls its handler; FALSE leaves the
  // message to the dialog manager's default handling.
  INT_PTR Dispatch(UINT message, WPARAM wParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    for (const MessageMapEntry<Dialog>& entry : Dialog::kMessageMap) {
      if (entry.message != message) {
        continue;
      }
      if (message == WM_COMMAND && (entry.id != id || entry.code != code)) {
        continue;
      }
      if (entry.handler == nullptr) {
        return TRUE;
      }
      return (static_cast<Dialog*>(this)->*entry.handler)();
    }
    return FALSE;
  }
};

}  // namespace pellacorm
