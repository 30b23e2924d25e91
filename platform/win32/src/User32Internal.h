// The window records behind the headless user32 calls, shared by the window manager,
// the dialog manager, the control procedures and the scripted user.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "win32/User32.h"

namespace win32 {
namespace user32 {

enum class Kind { Frame, Dialog, MessageBox, Button, ComboBox, Static, Edit, ListBox, ScrollBar };

// A built-in window class: the name GetClassNameA reports and the window procedure.
struct WindowClass {
  const char* name;
  Kind kind;
  WNDPROC proc;
};

// The class with that name (compared ignoring ASCII case), or null.
const WindowClass* FindClass(const char* name);
// The class of a dialog template's predefined atom (0x0080 button ... 0x0085 combo box).
const WindowClass* FindClassByAtom(WORD atom);
// The dialog class "#32770".
const WindowClass& DialogClass();

struct ComboItem {
  std::string text;
  LPARAM data = 0;
};

struct DialogFont {
  std::string face;
  WORD pointSize = 0;
  WORD weight = 0;
  bool italic = false;
  BYTE charset = 0;
};

struct Window {
  HWND handle = nullptr;
  const WindowClass* windowClass = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  int id = 0;
  // The window text; for a combo box with an edit field, the text of that field.
  std::string text;
  HWND parent = nullptr;  // child windows
  HWND owner = nullptr;   // top-level windows
  HINSTANCE instance = nullptr;
  int x = 0, y = 0, cx = 0, cy = 0;
  LONG_PTR userData = 0;
  // Child windows in creation order, which is the z-order and the tab order.
  std::vector<HWND> children;
  bool destroying = false;

  // Buttons.
  UINT check = BST_UNCHECKED;

  // Combo boxes.
  std::vector<ComboItem> items;
  int selection = CB_ERR;

  // Dialogs (the window extra bytes DWLP_*) and the dialog manager's state.
  DLGPROC dialogProc = nullptr;
  LONG_PTR msgResult = 0;
  LONG_PTR dialogUser = 0;
  DialogFont font;
  bool ended = false;
  INT_PTR endResult = 0;
  bool ownerEnabledBeforeRun = false;

  // Message boxes: the MB_* type.
  UINT messageBoxType = 0;

  Kind kind() const { return windowClass->kind; }
  bool enabled() const { return (style & WS_DISABLED) == 0; }
};

// A dialog template as the dialog manager reads it, texts in the ANSI code page.
struct ItemTemplate {
  DWORD helpId = 0;
  DWORD exStyle = 0;
  DWORD style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  int id = 0;
  const WindowClass* windowClass = nullptr;
  std::string text;
};

struct DialogTemplate {
  bool extended = false;
  DWORD helpId = 0;
  DWORD exStyle = 0;
  DWORD style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  std::string caption;
  DialogFont font;
  std::vector<ItemTemplate> items;
};

// Reads a DLGTEMPLATE or DLGTEMPLATEEX. `end` bounds the bytes, or is null when the
// caller knows no size. Returns ERROR_SUCCESS, ERROR_INVALID_DATA for a malformed or
// truncated template, or ERROR_CANNOT_FIND_WND_CLASS for a class that does not exist
// here (items of unknown classes are left out under DS_NOFAILCREATE).
DWORD ParseDialogTemplate(const BYTE* data, const BYTE* end, DialogTemplate& result);

// All windows of the process, the host's active window and the open modal windows.
struct Desktop {
  std::map<HWND, std::unique_ptr<Window>> windows;
  std::uintptr_t nextHandle = 0x00010010;
  HWND activeHost = nullptr;
  // Dialogs and message boxes running modally, innermost last.
  std::vector<HWND> modal;
};
Desktop& TheDesktop();

// The window behind a handle, or null. The pointer is valid until the window is
// destroyed, which any sent message may do: look the window up again after sending.
Window* Find(HWND handle);
// The top-level ancestor of a window (the window itself when it is top-level).
HWND TopLevelOf(HWND window);
// As Find, but sets ERROR_INVALID_WINDOW_HANDLE when there is no such window.
Window* FindOrFail(HWND handle);

struct CreateArgs {
  const WindowClass* windowClass = nullptr;
  std::string text;
  DWORD style = 0;
  DWORD exStyle = 0;
  int id = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  HWND parent = nullptr;  // with WS_CHILD
  HWND owner = nullptr;   // without
  HINSTANCE instance = nullptr;
};
// Makes the record of a new window and links it into its parent's child list.
Window& CreateWindowRecord(const CreateArgs& args);

// Removes every window at once, sending nothing.
void DestroyAllWindows();

// WM_COMMAND to the control's parent with MAKEWPARAM(id, code) and the control as lParam.
void NotifyParent(HWND control, WORD code);

// WM_GETTEXT into a caller's buffer: at most maxCount - 1 bytes and a terminator, not
// splitting a double-byte character; returns the bytes copied.
LRESULT CopyTextOut(const std::string& text, WPARAM maxCount, LPARAM buffer);
std::string TextOf(LPARAM text);

// A pointer or handle carried in a message parameter or a window value, as the window
// API passes them.
template <typename T>
T FromParam(LONG_PTR value) {
  return reinterpret_cast<T>(value);  // NOLINT(performance-no-int-to-ptr)
}

// Window procedures of the built-in classes.
LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ComboBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// What the user does to a combo box or an edit control, beyond the messages.
bool ComboHasEditField(const Window& combo);
void ComboUserSelect(HWND combo, int index);
void ComboUserType(HWND combo, const std::string& text);
void EditUserType(HWND edit, const std::string& text);

// Whether a button takes mouse clicks (a group box does not).
bool ButtonTakesClicks(const Window& button);

// Runs the scripted user against the innermost modal window until `finished` answers
// true or the window is gone. Returns false when the script ran out and the user could
// not close the window with Escape, or when the window was destroyed under the loop.
bool RunModalLoop(HWND window, const std::function<bool()>& finished);

// The scripted user's records, written by the dialog and message box managers.
std::size_t BeginMessageBoxRecord(HWND owner, const std::string& text, const std::string& caption, UINT style,
                                  bool ownerDisabled);
void EndMessageBoxRecord(std::size_t index, int answer);
std::size_t BeginDialogRunRecord(const std::string& caption, HWND owner, bool ownerWasEnabled);
void NoteOwnerState(std::size_t run, bool ownerDisabled);
void EndDialogRunRecord(std::size_t run, INT_PTR result, bool abandoned);
// The buttons a message box of that type shows, or empty for an unknown type.
std::vector<int> MessageBoxButtons(UINT type);

}  // namespace user32
}  // namespace win32
