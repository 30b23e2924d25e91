// The edit control, as far as a dialog reads and sets its text.
#include "User32Internal.h"

namespace win32 {
namespace user32 {
namespace {

// The parent hears of a changed text: EN_UPDATE before it would be drawn, EN_CHANGE after.
void NotifyTextChanged(HWND edit) {
  NotifyParent(edit, EN_UPDATE);
  NotifyParent(edit, EN_CHANGE);
}

LRESULT OnSetText(HWND edit, LPARAM text) {
  Window* w = Find(edit);
  w->text = TextOf(text);
  // A multi-line edit control does not notify a text set by WM_SETTEXT.
  if ((w->style & ES_MULTILINE) == 0) {
    NotifyTextChanged(edit);
  }
  return TRUE;
}

}  // namespace

/***********************************************************************
 *           EditProc
 *
 * Window procedure of the "Edit" class.
 *
 * NOTES
 *  WM_SETTEXT stores the text and, for a single-line control, sends EN_UPDATE and
 *  EN_CHANGE to the parent. WM_GETTEXT and WM_GETTEXTLENGTH as DefWindowProcA. The
 *  caret, the selection, limits and the EM_* messages are not provided.
 */
LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETTEXT && Find(window) != nullptr) {
    return OnSetText(window, lParam);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void EditUserType(HWND edit, const std::string& text) {
  Find(edit)->text = text;
  NotifyTextChanged(edit);
}

}  // namespace user32
}  // namespace win32
