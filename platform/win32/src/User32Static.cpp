// The static control: text that the user cannot change or click.
#include "User32Internal.h"

namespace win32 {
namespace user32 {

/***********************************************************************
 *           StaticProc
 *
 * Window procedure of the "Static" class.
 *
 * NOTES
 *  Holds its text (WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH as DefWindowProcA). Icons,
 *  bitmaps and STN_* notifications are not provided; the scripted user cannot click it.
 */
LRESULT CALLBACK StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace user32
}  // namespace win32
