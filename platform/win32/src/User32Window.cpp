// Window records and the calls that work on any window: creation, destruction, text,
// enabling, window data and message sending. There is no message queue: every message
// is sent, and a window procedure runs before SendMessageA returns, as for windows of
// the calling thread on Windows.
#include "win32/User32.h"

#include <algorithm>
#include <cstring>

#include "User32Internal.h"
#include "win32/Resources.h"
#include "win32/Text.h"

namespace win32 {
namespace user32 {
namespace {

const WindowClass kClasses[] = {
    {"Button", Kind::Button, ButtonProc},       {"ComboBox", Kind::ComboBox, ComboBoxProc},
    {"Static", Kind::Static, StaticProc},       {"Edit", Kind::Edit, EditProc},
    {"ListBox", Kind::ListBox, DefWindowProcA}, {"ScrollBar", Kind::ScrollBar, DefWindowProcA},
    {"#32770", Kind::Dialog, DialogProc},
};

bool SameAsciiIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(*a) != lower(*b)) {
      return false;
    }
  }
  return *a == *b;
}

void Unlink(Window& w) {
  if (Window* parent = Find(w.parent)) {
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), w.handle), siblings.end());
  }
}

// Sends WM_DESTROY to the window, destroys its owned windows and children, then sends
// WM_NCDESTROY and forgets it.
void DestroyTree(HWND handle) {
  Window* w = Find(handle);
  if (w == nullptr || w->destroying) {
    return;
  }
  w->destroying = true;
  std::vector<HWND> owned;
  for (const auto& entry : TheDesktop().windows) {
    if (entry.second->owner == handle && (entry.second->style & WS_CHILD) == 0) {
      owned.push_back(entry.first);
    }
  }
  for (HWND o : owned) {
    DestroyTree(o);
  }
  SendMessageA(handle, WM_DESTROY, 0, 0);
  w = Find(handle);
  const std::vector<HWND> children = w->children;
  for (HWND child : children) {
    DestroyTree(child);
  }
  SendMessageA(handle, WM_NCDESTROY, 0, 0);
  w = Find(handle);
  Unlink(*w);
  Desktop& desktop = TheDesktop();
  if (desktop.activeHost == handle) {
    desktop.activeHost = nullptr;
  }
  desktop.windows.erase(handle);
}

}  // namespace

const WindowClass* FindClass(const char* name) {
  if (name == nullptr || IS_INTRESOURCE(name)) {
    return nullptr;
  }
  for (const WindowClass& c : kClasses) {
    if (SameAsciiIgnoringCase(c.name, name)) {
      return &c;
    }
  }
  return nullptr;
}

const WindowClass* FindClassByAtom(WORD atom) {
  static const char* const kAtoms[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
  if (atom < 0x0080 || atom > 0x0085) {
    return nullptr;
  }
  return FindClass(kAtoms[atom - 0x0080]);
}

const WindowClass& DialogClass() {
  return kClasses[6];
}

Desktop& TheDesktop() {
  // Never destroyed: windows may still be looked up from static destructors.
  static auto* desktop = new Desktop();
  return *desktop;
}

Window* Find(HWND handle) {
  if (handle == nullptr) {
    return nullptr;
  }
  auto& windows = TheDesktop().windows;
  const auto it = windows.find(handle);
  return it == windows.end() ? nullptr : it->second.get();
}

HWND TopLevelOf(HWND window) {
  Window* w = Find(window);
  while (w != nullptr && (w->style & WS_CHILD) != 0 && w->parent != nullptr) {
    window = w->parent;
    w = Find(window);
  }
  return window;
}

Window* FindOrFail(HWND handle) {
  Window* w = Find(handle);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  }
  return w;
}

Window& CreateWindowRecord(const CreateArgs& args) {
  Desktop& desktop = TheDesktop();
  auto w = std::make_unique<Window>();
  w->handle = FromParam<HWND>(static_cast<LONG_PTR>(desktop.nextHandle));
  desktop.nextHandle += 2;  // never reused, so a stale handle is never valid again
  w->windowClass = args.windowClass;
  w->text = args.text;
  w->style = args.style;
  if (args.windowClass->kind == Kind::ComboBox) {
    // The scroll bars and the border belong to the list: the combo box keeps none.
    w->style &= ~static_cast<DWORD>(WS_BORDER | WS_HSCROLL | WS_VSCROLL);
  }
  w->exStyle = args.exStyle;
  w->id = args.id;
  w->x = args.x;
  w->y = args.y;
  w->cx = args.cx;
  w->cy = args.cy;
  w->instance = args.instance;
  if ((args.style & WS_CHILD) != 0) {
    w->parent = args.parent;
    Find(args.parent)->children.push_back(w->handle);
  } else {
    w->owner = args.owner;
  }
  Window& record = *w;
  desktop.windows.emplace(w->handle, std::move(w));
  return record;
}

void DestroyAllWindows() {
  Desktop& desktop = TheDesktop();
  desktop.windows.clear();
  desktop.modal.clear();
  desktop.activeHost = nullptr;
}

void NotifyParent(HWND control, WORD code) {
  const Window* w = Find(control);
  if (w == nullptr || w->parent == nullptr) {
    return;
  }
  SendMessageA(w->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w->id), code),
               reinterpret_cast<LPARAM>(control));
}

LRESULT CopyTextOut(const std::string& text, WPARAM maxCount, LPARAM buffer) {
  if (maxCount == 0 || buffer == 0) {
    return 0;
  }
  std::size_t count = text.size();
  if (count > maxCount - 1) {
    // Stop before a double-byte character that would not fit whole.
    std::size_t fits = 0;
    while (fits < maxCount - 1) {
      const std::size_t step =
          IsDBCSLeadByte(static_cast<BYTE>(text[fits])) && fits + 1 < text.size() ? 2 : 1;
      if (fits + step > maxCount - 1) {
        break;
      }
      fits += step;
    }
    count = fits;
  }
  char* out = FromParam<char*>(buffer);
  std::memcpy(out, text.data(), count);
  out[count] = '\0';
  return static_cast<LRESULT>(count);
}

std::string TextOf(LPARAM text) {
  const char* s = FromParam<const char*>(text);
  return s == nullptr ? std::string() : std::string(s);
}

}  // namespace user32
}  // namespace win32

using win32::user32::Find;
using win32::user32::FindOrFail;
using win32::user32::Window;

/***********************************************************************
 *           CreateWindowExA (USER32.@)
 *
 * Creates a window of one of the built-in classes.
 *
 * PARAMS
 *  exStyle    [I] extended style.
 *  className  [I] "Button", "ComboBox", "Static", "Edit", "ListBox", "ScrollBar" or
 *                 "#32770", in any case.
 *  windowName [I] the window text (NULL for none).
 *  style      [I] WS_* and class styles.
 *  x, y       [I] position, kept as given.
 *  width      [I] width, kept as given.
 *  height     [I] height, kept as given.
 *  parent     [I] the parent of a WS_CHILD window, else the owner (or NULL).
 *  menu       [I] the control id of a child window.
 *  instance   [I] module handle, kept for GWLP_HINSTANCE.
 *  param      [I] creation data (not used).
 *
 * RETURNS
 *  Success: the new window.
 *  Failure: NULL. GetLastError() is ERROR_CANNOT_FIND_WND_CLASS for any other class,
 *           ERROR_TLW_WITH_WSCHILD for WS_CHILD without a parent, and
 *           ERROR_INVALID_WINDOW_HANDLE for a parent that is not a window.
 *
 * NOTES
 *  No WM_NCCREATE or WM_CREATE is sent; the class procedures start from empty state.
 *  A combo box ignores its window name, as its edit field starts empty on Windows.
 *  The owner of a top-level window is the top-level ancestor of `parent`.
 */
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID /*param*/) {
  const win32::user32::WindowClass* windowClass = win32::user32::FindClass(className);
  if (windowClass == nullptr) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  if ((style & WS_CHILD) != 0 && parent == nullptr) {
    SetLastError(ERROR_TLW_WITH_WSCHILD);
    return nullptr;
  }
  if (parent != nullptr && FindOrFail(parent) == nullptr) {
    return nullptr;
  }
  win32::user32::CreateArgs args;
  args.windowClass = windowClass;
  if (windowName != nullptr && windowClass->kind != win32::user32::Kind::ComboBox) {
    args.text = windowName;
  }
  args.style = style;
  args.exStyle = exStyle;
  args.id = (style & WS_CHILD) != 0 ? static_cast<int>(reinterpret_cast<INT_PTR>(menu)) : 0;
  args.x = x;
  args.y = y;
  args.cx = width;
  args.cy = height;
  args.parent = parent;
  args.owner = parent == nullptr ? nullptr : win32::user32::TopLevelOf(parent);
  args.instance = instance;
  return win32::user32::CreateWindowRecord(args).handle;
}

/***********************************************************************
 *           DestroyWindow (USER32.@)
 *
 * Destroys a window, its owned windows and its children.
 *
 * PARAMS
 *  window [I] the window.
 *
 * RETURNS
 *  Success: TRUE.
 *  Failure: FALSE; GetLastError() is ERROR_INVALID_WINDOW_HANDLE.
 *
 * NOTES
 *  Owned top-level windows go first. Then the window receives WM_DESTROY, each child
 *  (in creation order, recursively) receives WM_DESTROY and WM_NCDESTROY, and last the
 *  window receives WM_NCDESTROY. Calling it again on a window being destroyed does
 *  nothing and succeeds.
 */
BOOL DestroyWindow(HWND window) {
  if (FindOrFail(window) == nullptr) {
    return FALSE;
  }
  win32::user32::DestroyTree(window);
  return TRUE;
}

/***********************************************************************
 *           IsWindow (USER32.@)
 *
 * RETURNS
 *  TRUE when the handle names an existing window (not yet destroyed).
 */
BOOL IsWindow(HWND window) {
  return Find(window) != nullptr ? TRUE : FALSE;
}

/***********************************************************************
 *           IsWindowVisible (USER32.@)
 *
 * RETURNS
 *  TRUE when the window and all its ancestors have WS_VISIBLE; FALSE otherwise or for
 *  an invalid handle.
 */
BOOL IsWindowVisible(HWND window) {
  for (Window* w = Find(window); w != nullptr; w = Find(w->parent)) {
    if ((w->style & WS_VISIBLE) == 0) {
      return FALSE;
    }
  }
  return window != nullptr && Find(window) != nullptr ? TRUE : FALSE;
}

/***********************************************************************
 *           InvalidateRect (USER32.@)
 *
 * Adds a rectangle of the window (NULL: all of it) to the part to repaint.
 *
 * RETURNS
 *  TRUE for a window (nothing is painted here); FALSE with ERROR_INVALID_WINDOW_HANDLE
 *  for an invalid handle. A NULL window stands for all windows, as in Windows.
 */
BOOL InvalidateRect(HWND window, const RECT* /*rect*/, BOOL /*erase*/) {
  if (window == nullptr) {
    return TRUE;
  }
  return FindOrFail(window) != nullptr ? TRUE : FALSE;
}

/***********************************************************************
 *           GetParent (USER32.@)
 *
 * PARAMS
 *  window [I] the window.
 *
 * RETURNS
 *  The parent of a child window; the owner of a top-level window with WS_POPUP; NULL
 *  for other top-level windows. NULL with ERROR_INVALID_WINDOW_HANDLE for an invalid
 *  handle.
 */
HWND GetParent(HWND window) {
  const Window* w = FindOrFail(window);
  if (w == nullptr) {
    return nullptr;
  }
  if ((w->style & WS_CHILD) != 0) {
    return w->parent;
  }
  return (w->style & WS_POPUP) != 0 ? w->owner : nullptr;
}

/***********************************************************************
 *           SendMessageA (USER32.@)
 *
 * Calls the window procedure of a window and returns its result.
 *
 * PARAMS
 *  window  [I] the window.
 *  message [I] the message.
 *  wParam  [I] first parameter.
 *  lParam  [I] second parameter.
 *
 * RETURNS
 *  What the window procedure returns; 0 with ERROR_INVALID_WINDOW_HANDLE for an
 *  invalid handle.
 */
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const Window* w = FindOrFail(window);
  if (w == nullptr) {
    return 0;
  }
  return w->windowClass->proc(window, message, wParam, lParam);
}

/***********************************************************************
 *           DefWindowProcA (USER32.@)
 *
 * The default processing of a message.
 *
 * RETURNS
 *  WM_SETTEXT: TRUE after storing the text. WM_GETTEXT: the bytes copied (at most
 *  wParam - 1, and a terminator). WM_GETTEXTLENGTH: the text's length in bytes.
 *  WM_CLOSE: 0 after destroying the window. WM_SETREDRAW: 0, after setting WS_VISIBLE
 *  (wParam TRUE) or clearing it (FALSE), as Windows does to stop and restart a
 *  window's painting; nothing is repainted. Other messages: 0.
 */
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = FindOrFail(window);
  if (w == nullptr) {
    return 0;
  }
  switch (message) {
    case WM_SETTEXT:
      w->text = win32::user32::TextOf(lParam);
      return TRUE;
    case WM_GETTEXT:
      return win32::user32::CopyTextOut(w->text, wParam, lParam);
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_SETREDRAW:
      w->style = wParam != FALSE ? (w->style | WS_VISIBLE) : (w->style & ~static_cast<DWORD>(WS_VISIBLE));
      return 0;
    default:
      return 0;
  }
}

/***********************************************************************
 *           EnableWindow (USER32.@)
 *
 * Enables or disables mouse and keyboard input to a window.
 *
 * PARAMS
 *  window [I] the window.
 *  enable [I] TRUE to enable, FALSE to disable.
 *
 * RETURNS
 *  Nonzero when the window was disabled before the call, zero when it was enabled (or
 *  the handle is invalid, with ERROR_INVALID_WINDOW_HANDLE).
 *
 * NOTES
 *  The state is the WS_DISABLED style bit. WM_ENABLE (wParam = the new state) is sent
 *  only when the state changes. A disabled control takes no action of the scripted user.
 */
BOOL EnableWindow(HWND window, BOOL enable) {
  Window* w = FindOrFail(window);
  if (w == nullptr) {
    return FALSE;
  }
  const bool wasDisabled = !w->enabled();
  if ((enable != FALSE) == wasDisabled) {
    if (enable != FALSE) {
      w->style &= ~static_cast<DWORD>(WS_DISABLED);
    } else {
      w->style |= WS_DISABLED;
    }
    SendMessageA(window, WM_ENABLE, enable != FALSE ? TRUE : FALSE, 0);
  }
  return wasDisabled ? TRUE : FALSE;
}

/***********************************************************************
 *           IsWindowEnabled (USER32.@)
 *
 * RETURNS
 *  TRUE when the window takes input (no WS_DISABLED); FALSE otherwise or for an
 *  invalid handle.
 */
BOOL IsWindowEnabled(HWND window) {
  const Window* w = Find(window);
  return w != nullptr && w->enabled() ? TRUE : FALSE;
}

/***********************************************************************
 *           GetActiveWindow (USER32.@)
 *
 * RETURNS
 *  The innermost modal dialog or message box while one runs; otherwise the window that
 *  SetActiveWindow made active (the host's main window in tests), or NULL when there is
 *  none or it has been destroyed.
 */
HWND GetActiveWindow() {
  const win32::user32::Desktop& desktop = win32::user32::TheDesktop();
  for (auto it = desktop.modal.rbegin(); it != desktop.modal.rend(); ++it) {
    if (Find(*it) != nullptr) {
      return *it;
    }
  }
  return Find(desktop.activeHost) != nullptr ? desktop.activeHost : nullptr;
}

/***********************************************************************
 *           SetActiveWindow (USER32.@)
 *
 * Makes a top-level window the active window.
 *
 * PARAMS
 *  window [I] the window, or NULL to have none.
 *
 * RETURNS
 *  Success: the window that was active before.
 *  Failure: NULL; GetLastError() is ERROR_INVALID_WINDOW_HANDLE.
 *
 * NOTES
 *  A child window cannot be active: its top-level ancestor becomes active instead.
 *  While a modal window runs it stays the active one (GetActiveWindow), and the window
 *  set here becomes active again when the modal windows have closed.
 */
HWND SetActiveWindow(HWND window) {
  if (window != nullptr && FindOrFail(window) == nullptr) {
    return nullptr;
  }
  const HWND previous = GetActiveWindow();
  win32::user32::TheDesktop().activeHost = window == nullptr ? nullptr : win32::user32::TopLevelOf(window);
  return previous;
}

/***********************************************************************
 *           SetWindowTextA (USER32.@)
 *
 * RETURNS
 *  The result of WM_SETTEXT as a BOOL; FALSE for an invalid handle.
 */
BOOL SetWindowTextA(HWND window, LPCSTR text) {
  if (FindOrFail(window) == nullptr) {
    return FALSE;
  }
  return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
}

/***********************************************************************
 *           GetWindowTextA (USER32.@)
 *
 * PARAMS
 *  window   [I] the window.
 *  text     [O] receives the text, always terminated when maxCount > 0.
 *  maxCount [I] size of `text` in bytes.
 *
 * RETURNS
 *  The bytes copied (WM_GETTEXT), without the terminator; 0 when maxCount <= 0 or the
 *  handle is invalid.
 */
int GetWindowTextA(HWND window, LPSTR text, int maxCount) {
  if (text == nullptr || maxCount <= 0) {
    return 0;
  }
  text[0] = '\0';
  if (FindOrFail(window) == nullptr) {
    return 0;
  }
  return static_cast<int>(
      SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(text)));
}

/***********************************************************************
 *           GetWindowTextLengthA (USER32.@)
 *
 * RETURNS
 *  The length of the window text in bytes (WM_GETTEXTLENGTH); 0 for an invalid handle.
 */
int GetWindowTextLengthA(HWND window) {
  if (FindOrFail(window) == nullptr) {
    return 0;
  }
  return static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
}

/***********************************************************************
 *           GetClassNameA (USER32.@)
 *
 * PARAMS
 *  window    [I] the window.
 *  className [O] receives the class name, cut to maxCount - 1 bytes and terminated.
 *  maxCount  [I] size of `className` in bytes.
 *
 * RETURNS
 *  The bytes copied; 0 for an invalid handle or maxCount <= 0.
 */
int GetClassNameA(HWND window, LPSTR className, int maxCount) {
  const Window* w = FindOrFail(window);
  if (w == nullptr || className == nullptr || maxCount <= 0) {
    return 0;
  }
  return static_cast<int>(win32::user32::CopyTextOut(w->windowClass->name, static_cast<WPARAM>(maxCount),
                                                     reinterpret_cast<LPARAM>(className)));
}

namespace {

bool IsDialogWindow(const Window& w) {
  return w.kind() == win32::user32::Kind::Dialog || w.kind() == win32::user32::Kind::MessageBox;
}

// The value at `index`, or null when the window has no such value.
LONG_PTR* DialogSlot(Window& w, int index) {
  if (!IsDialogWindow(w)) {
    return nullptr;
  }
  switch (index) {
    case DWLP_MSGRESULT:
      return &w.msgResult;
    case DWLP_USER:
      return &w.dialogUser;
    default:
      return nullptr;
  }
}

bool ReadLong(Window& w, int index, LONG_PTR& value) {
  switch (index) {
    case GWL_STYLE:
      value = static_cast<LONG_PTR>(w.style);
      return true;
    case GWL_EXSTYLE:
      value = static_cast<LONG_PTR>(w.exStyle);
      return true;
    case GWLP_ID:
      value = w.id;
      return true;
    case GWLP_USERDATA:
      value = w.userData;
      return true;
    case GWLP_HINSTANCE:
      value = reinterpret_cast<LONG_PTR>(w.instance);
      return true;
    case GWLP_HWNDPARENT:
      value = reinterpret_cast<LONG_PTR>((w.style & WS_CHILD) != 0 ? w.parent : w.owner);
      return true;
    default:
      break;
  }
  if (index == DWLP_DLGPROC && IsDialogWindow(w)) {
    value = reinterpret_cast<LONG_PTR>(w.dialogProc);
    return true;
  }
  if (LONG_PTR* slot = DialogSlot(w, index)) {
    value = *slot;
    return true;
  }
  return false;
}

bool WriteLong(Window& w, int index, LONG_PTR value) {
  switch (index) {
    case GWL_STYLE:
      w.style = static_cast<DWORD>(value);
      return true;
    case GWL_EXSTYLE:
      w.exStyle = static_cast<DWORD>(value);
      return true;
    case GWLP_ID:
      w.id = static_cast<int>(value);
      return true;
    case GWLP_USERDATA:
      w.userData = value;
      return true;
    case GWLP_HINSTANCE:
      w.instance = win32::user32::FromParam<HINSTANCE>(value);
      return true;
    case GWLP_HWNDPARENT:
      if ((w.style & WS_CHILD) == 0) {
        w.owner = win32::user32::FromParam<HWND>(value);
      }
      return true;
    default:
      break;
  }
  if (index == DWLP_DLGPROC && IsDialogWindow(w)) {
    w.dialogProc = win32::user32::FromParam<DLGPROC>(value);
    return true;
  }
  if (LONG_PTR* slot = DialogSlot(w, index)) {
    *slot = value;
    return true;
  }
  return false;
}

// Indices whose value is a pointer: the 32-bit calls refuse them on 64-bit Windows.
bool IsPointerIndex(int index) {
  return index == GWLP_HINSTANCE || index == GWLP_HWNDPARENT || index == DWLP_DLGPROC;
}

}  // namespace

/***********************************************************************
 *           GetWindowLongPtrA (USER32.@)
 *
 * Reads a value of the window.
 *
 * PARAMS
 *  window [I] the window.
 *  index  [I] GWL_STYLE, GWL_EXSTYLE, GWLP_ID, GWLP_USERDATA, GWLP_HINSTANCE,
 *             GWLP_HWNDPARENT; for dialogs also DWLP_MSGRESULT, DWLP_DLGPROC, DWLP_USER.
 *
 * RETURNS
 *  Success: the value (styles zero-extended).
 *  Failure: 0; GetLastError() is ERROR_INVALID_WINDOW_HANDLE or ERROR_INVALID_INDEX.
 *
 * NOTES
 *  GWLP_HWNDPARENT gives the parent of a child window and the owner of a top-level
 *  one. GWLP_WNDPROC is not provided: the built-in classes cannot be subclassed here.
 */
LONG_PTR GetWindowLongPtrA(HWND window, int index) {
  Window* w = FindOrFail(window);
  if (w == nullptr) {
    return 0;
  }
  LONG_PTR value = 0;
  if (!ReadLong(*w, index, value)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  return value;
}

/***********************************************************************
 *           SetWindowLongPtrA (USER32.@)
 *
 * Changes a value of the window (the indices of GetWindowLongPtrA).
 *
 * RETURNS
 *  Success: the previous value.
 *  Failure: 0; GetLastError() is ERROR_INVALID_WINDOW_HANDLE or ERROR_INVALID_INDEX.
 *
 * NOTES
 *  Setting GWL_STYLE changes WS_DISABLED without sending WM_ENABLE, as on Windows.
 *  GWLP_HWNDPARENT changes the owner of a top-level window only.
 */
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
  Window* w = FindOrFail(window);
  if (w == nullptr) {
    return 0;
  }
  LONG_PTR previous = 0;
  if (!ReadLong(*w, index, previous)) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  WriteLong(*w, index, value);
  return previous;
}

/***********************************************************************
 *           GetWindowLongA (USER32.@)
 *
 * As GetWindowLongPtrA, cut to 32 bits.
 *
 * NOTES
 *  The pointer-sized indices (GWLP_HINSTANCE, GWLP_HWNDPARENT, DWLP_DLGPROC) fail
 *  with ERROR_INVALID_INDEX, as on 64-bit Windows.
 */
LONG GetWindowLongA(HWND window, int index) {
  if (IsPointerIndex(index)) {
    if (FindOrFail(window) != nullptr) {
      SetLastError(ERROR_INVALID_INDEX);
    }
    return 0;
  }
  return static_cast<LONG>(GetWindowLongPtrA(window, index));
}

/***********************************************************************
 *           SetWindowLongA (USER32.@)
 *
 * As SetWindowLongPtrA with a 32-bit value; returns the previous value cut to 32 bits.
 */
LONG SetWindowLongA(HWND window, int index, LONG value) {
  if (IsPointerIndex(index)) {
    if (FindOrFail(window) != nullptr) {
      SetLastError(ERROR_INVALID_INDEX);
    }
    return 0;
  }
  const LONG_PTR stored = (index == GWL_STYLE || index == GWL_EXSTYLE)
                              ? static_cast<LONG_PTR>(static_cast<DWORD>(value))
                              : static_cast<LONG_PTR>(value);
  return static_cast<LONG>(SetWindowLongPtrA(window, index, stored));
}
