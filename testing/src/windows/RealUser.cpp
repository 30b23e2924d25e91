// The user of win32/ScriptedUser.h in front of the real windows, for the Windows tests
// and the rule host. The script is the same as on Linux; here a thread timer of the
// calling thread performs it, from the first call of any of its functions until
// testsupport::StopRealUser. A modal dialog or message box runs its own message loop,
// which dispatches the timer's ticks; each tick performs the next queued action on the
// topmost enabled modal window, as a person would with mouse and keyboard: BM_CLICK on
// a button, WM_CHAR into the combo box's edit field, Escape through the dialog manager.
// Actions that make the window run code are posted, never sent, so a dialog procedure
// that opens a message box does it in the dialog's loop and not inside the tick; posted
// messages are dispatched before the next tick, so actions happen in their order. A CBT
// hook notes the dialogs and message boxes as they are created, and their end.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "testing/RealUser.h"
#include "win32/ScriptedUser.h"

namespace win32 {
namespace headless {

namespace {

constexpr UINT kTickMilliseconds = 10;
constexpr const char* kHostClass = "PellacormTestHost";

struct Action {
  std::string what;
  // Answers why nothing could be done, or "" when the action was delivered.
  std::function<std::string(HWND top)> perform;
};

struct State {
  std::deque<Action> script;
  std::vector<ActionRecord> performed;
  std::vector<MessageBoxRecord> boxes;
  std::vector<HWND> boxWindows;
  std::vector<DialogRunRecord> runs;
  std::vector<HWND> runWindows;
  std::vector<HWND> hosts;
  int escapes = 0;
  HWND escapedWindow = nullptr;  // where the user pressed Escape for an empty script
  UINT_PTR timer = 0;
  HHOOK hook = nullptr;
  bool busy = false;
};

State& TheState() {
  static State state;
  return state;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TextOf(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(window, &text[0], length + 1)));
  return text;
}

bool IsDialogClass(HWND window) {
  return ClassOf(window) == "#32770";
}

bool IsMessageBox(HWND window) {
  const auto& boxes = TheState().boxWindows;
  return std::find(boxes.begin(), boxes.end(), window) != boxes.end();
}

BOOL CALLBACK FindModal(HWND window, LPARAM param) {
  if (IsDialogClass(window) && IsWindowVisible(window) && IsWindowEnabled(window)) {
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CountOne(HWND, LPARAM param) {
  ++*reinterpret_cast<std::size_t*>(param);
  return TRUE;
}

void CountWindows(HWND window, std::size_t* count);

BOOL CALLBACK CountDialog(HWND window, LPARAM param) {
  if (IsDialogClass(window)) {
    CountWindows(window, reinterpret_cast<std::size_t*>(param));
  }
  return TRUE;
}

// The modal window the user acts on: the enabled, visible dialog or message box of this
// thread (a dialog is disabled while its message box is open).
HWND TopModalWindow() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindModal, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

// The icon a message box shows, as the MB_ICON* flag it stands for (0 for none).
UINT IconStyleOf(HWND box) {
  for (HWND child : Children(box)) {
    if (ClassOf(child) != "Static" || (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
      continue;
    }
    const auto shown = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    const std::pair<LPCSTR, UINT> icons[] = {{IDI_HAND, MB_ICONHAND},
                                             {IDI_QUESTION, MB_ICONQUESTION},
                                             {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                                             {IDI_ASTERISK, MB_ICONASTERISK}};
    for (const auto& [name, style] : icons) {
      if (shown != nullptr && shown == LoadIconA(nullptr, name)) {
        return style;
      }
    }
  }
  return 0;
}

// The MB_* button set a message box offers, from its buttons.
UINT ButtonStyleOf(HWND box) {
  auto has = [box](int id) { return GetDlgItem(box, id) != nullptr; };
  if (has(IDYES)) {
    return has(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
  }
  if (has(IDRETRY)) {
    return has(IDABORT) ? MB_ABORTRETRYIGNORE : MB_RETRYCANCEL;
  }
  return has(IDCANCEL) ? MB_OKCANCEL : MB_OK;
}

// What a message box shows, read once it is on the screen.
void NoteMessageBox(HWND box) {
  State& state = TheState();
  const auto at = std::find(state.boxWindows.begin(), state.boxWindows.end(), box);
  MessageBoxRecord& record = state.boxes[static_cast<std::size_t>(at - state.boxWindows.begin())];
  if (!record.caption.empty() || !record.text.empty()) {
    return;
  }
  record.caption = TextOf(box);
  for (HWND child : Children(box)) {
    if (ClassOf(child) == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON &&
        record.text.empty()) {
      record.text = TextOf(child);
    }
  }
  record.style = ButtonStyleOf(box) | IconStyleOf(box);
  record.ownerDisabledWhileShown = record.owner != nullptr && !IsWindowEnabled(record.owner);
}

void NoteDialog(HWND dialog) {
  State& state = TheState();
  const auto at = std::find(state.runWindows.begin(), state.runWindows.end(), dialog);
  if (at == state.runWindows.end()) {
    return;
  }
  DialogRunRecord& run = state.runs[static_cast<std::size_t>(at - state.runWindows.begin())];
  if (run.caption.empty()) {
    run.caption = TextOf(dialog);
  }
  if (run.owner != nullptr && IsWindowEnabled(run.owner)) {
    run.ownerDisabledThroughout = false;
  }
}

LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam) {
  State& state = TheState();
  const auto window = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    if (IsDialogClass(window) && (create->style & WS_CHILD) == 0) {
      // Message boxes are dialogs from the system's own template, made for no module
      // (MessageBoxA) or for the system's.
      if (create->hInstance == nullptr || create->hInstance == GetModuleHandleA("user32.dll")) {
        MessageBoxRecord box;
        box.owner = create->hwndParent;
        box.open = true;
        state.boxes.push_back(box);
        state.boxWindows.push_back(window);
      } else {
        DialogRunRecord run;
        run.owner = create->hwndParent;
        run.ownerWasEnabled = run.owner != nullptr && IsWindowEnabled(run.owner);
        run.ownerDisabledThroughout = true;
        state.runs.push_back(run);
        state.runWindows.push_back(window);
      }
    }
  } else if (code == HCBT_DESTROYWND) {
    if (window == state.escapedWindow) {
      state.escapedWindow = nullptr;
    }
    for (std::size_t i = 0; i < state.boxWindows.size(); ++i) {
      if (state.boxWindows[i] == window) {
        state.boxes[i].open = false;
        state.boxWindows[i] = nullptr;
      }
    }
    for (std::size_t i = 0; i < state.runWindows.size(); ++i) {
      if (state.runWindows[i] == window) {
        state.runWindows[i] = nullptr;
      }
    }
  }
  return CallNextHookEx(state.hook, code, wParam, lParam);
}

void PerformNext(HWND top);

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  State& state = TheState();
  if (state.busy) {
    return;
  }
  state.busy = true;
  try {
    if (HWND top = TopModalWindow()) {
      PerformNext(top);
    }
  } catch (...) {
    // Nothing may unwind through the system's message dispatch. The action that threw
    // is recorded as refused; the script goes on at the next tick.
    state.performed.push_back({"an action of the script", false, "it threw an exception"});
  }
  state.busy = false;
}

void EnsureRunning() {
  State& state = TheState();
  if (state.timer == 0) {
    state.timer = SetTimer(nullptr, 0, kTickMilliseconds, &Tick);
  }
  if (state.hook == nullptr) {
    state.hook = SetWindowsHookExA(WH_CBT, &CbtHook, nullptr, GetCurrentThreadId());
  }
}

void Queue(std::string what, std::function<std::string(HWND)> perform) {
  EnsureRunning();
  TheState().script.push_back({std::move(what), std::move(perform)});
}

// A control of the dialog the user can act on, or why not (in the headless user's words).
std::string Reachable(HWND top, int controlId, HWND* control) {
  *control = nullptr;
  if (IsMessageBox(top)) {
    return "a message box is open";
  }
  *control = GetDlgItem(top, controlId);
  if (*control == nullptr) {
    return "there is no control " + std::to_string(controlId);
  }
  if (!IsWindowVisible(*control)) {
    return "control " + std::to_string(controlId) + " is hidden";
  }
  if (!IsWindowEnabled(*control)) {
    return "control " + std::to_string(controlId) + " is disabled";
  }
  return {};
}

// Clicks a button of the dialog or of the open message box.
std::string ClickButton(HWND top, int id) {
  HWND button = GetDlgItem(top, id);
  if (!IsMessageBox(top)) {
    std::string refusal = Reachable(top, id, &button);
    if (!refusal.empty()) {
      return refusal;
    }
  } else if (button == nullptr) {
    return "the message box has no button " + std::to_string(id);
  } else {
    State& state = TheState();
    const auto at = std::find(state.boxWindows.begin(), state.boxWindows.end(), top);
    state.boxes[static_cast<std::size_t>(at - state.boxWindows.begin())].answer = id;
  }
  PostMessageA(button, BM_CLICK, 0, 0);
  return {};
}

std::string Escape(HWND top) {
  if (IsMessageBox(top)) {
    return ClickButton(top, GetDlgItem(top, IDCANCEL) != nullptr ? IDCANCEL : IDOK);
  }
  // The dialog manager turns Escape into WM_COMMAND IDCANCEL.
  PostMessageA(top, WM_KEYDOWN, VK_ESCAPE, 0);
  return {};
}

std::string Select(HWND top, int controlId, int index) {
  HWND combo = nullptr;
  std::string refusal = Reachable(top, controlId, &combo);
  if (!refusal.empty()) {
    return refusal;
  }
  const auto count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  if (index < 0 || index >= count) {
    return "combo box " + std::to_string(controlId) + " has no item " + std::to_string(index);
  }
  // As the arrow keys on the closed list do: the selection and the edit field change,
  // then the dialog hears CBN_SELCHANGE.
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  PostMessageA(top, WM_COMMAND, MAKEWPARAM(controlId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  return {};
}

std::vector<std::string> ItemsOf(HWND combo) {
  std::vector<std::string> items;
  const auto count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const auto length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    std::string item(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, '\0');
    const auto copied =
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item[0]));
    item.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
    items.push_back(item);
  }
  return items;
}

std::string Type(HWND top, int controlId, const std::string& text) {
  HWND control = nullptr;
  std::string refusal = Reachable(top, controlId, &control);
  if (!refusal.empty()) {
    return refusal;
  }
  HWND edit = ClassOf(control) == "Edit" ? control : FindWindowExA(control, nullptr, "Edit", nullptr);
  if (edit == nullptr) {
    return "control " + std::to_string(controlId) + " has no edit field";
  }
  // Click into the field, select all, then type; Backspace empties it.
  SetFocus(edit);
  PostMessageA(edit, EM_SETSEL, 0, -1);
  if (text.empty()) {
    PostMessageA(edit, WM_CHAR, VK_BACK, 1);
  }
  for (const char c : text) {
    PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
  }
  return {};
}

void PerformNext(HWND top) {
  State& state = TheState();
  if (IsMessageBox(top)) {
    NoteMessageBox(top);
  } else {
    NoteDialog(top);
  }
  if (state.script.empty()) {
    if (top == state.escapedWindow) {
      // Escape did not end it: the user gives up on the window, as the headless user
      // leaves its modal loop. The run is marked abandoned and ends with -1.
      const auto at = std::find(state.runWindows.begin(), state.runWindows.end(), top);
      if (at != state.runWindows.end()) {
        state.runs[static_cast<std::size_t>(at - state.runWindows.begin())].abandoned = true;
      }
      EndDialog(top, -1);
      return;
    }
    ++state.escapes;
    state.escapedWindow = top;
    state.performed.push_back({"escape (the script ran out)", false, {}});
    const std::string refusal = Escape(top);
    state.performed.back().delivered = refusal.empty();
    state.performed.back().refusal = refusal;
    return;
  }
  Action action = std::move(state.script.front());
  state.script.pop_front();
  // Recorded before it is performed, as the headless user records it: an inspection
  // finds itself last, and what it reads before it is the previous actions' outcome.
  const std::size_t index = state.performed.size();
  state.performed.push_back({action.what, false, {}});
  const std::string refusal = action.perform(top);
  if (index < state.performed.size()) {  // unless the action reset the user
    state.performed[index].delivered = refusal.empty();
    state.performed[index].refusal = refusal;
  }
}

// Dialog units from pixels: the value that MapDialogRect maps onto `pixels`.
int ToDialogUnits(int pixels, int baseUnits, int divisor) {
  const int guess = MulDiv(pixels, divisor, baseUnits);
  for (int candidate : {guess, guess - 1, guess + 1}) {
    if (MulDiv(candidate, baseUnits, divisor) == pixels) {
      return candidate;
    }
  }
  return guess;
}

void CountWindows(HWND window, std::size_t* count) {
  ++*count;
  EnumChildWindows(window, &CountOne, reinterpret_cast<LPARAM>(count));
}

}  // namespace

const ControlView* DialogView::Find(int id) const {
  for (const ControlView& control : controls) {
    if (control.id == id) {
      return &control;
    }
  }
  return nullptr;
}

void Reset() {
  State& state = TheState();
  EnsureRunning();
  state.escapedWindow = nullptr;
  for (HWND host : state.hosts) {
    DestroyWindow(host);
  }
  state.hosts.clear();
  state.script.clear();
  state.performed.clear();
  state.boxes.clear();
  state.boxWindows.clear();
  state.runs.clear();
  state.runWindows.clear();
  state.escapes = 0;
  SetActiveWindow(nullptr);
}

HWND CreateHostWindow(const char* caption) {
  static const ATOM registered = [] {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kHostClass;
    return RegisterClassA(&windowClass);
  }();
  (void)registered;
  EnsureRunning();
  HWND host = CreateWindowExA(0, kHostClass, caption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  TheState().hosts.push_back(host);
  return host;
}

void SelectItem(int controlId, int index) {
  Queue("select item " + std::to_string(index) + " of " + std::to_string(controlId),
        [controlId, index](HWND top) { return Select(top, controlId, index); });
}

void SelectItemText(int controlId, const std::string& text) {
  Queue("select \"" + text + "\" in " + std::to_string(controlId), [controlId, text](HWND top) {
    const std::vector<std::string> items = ItemsOf(GetDlgItem(top, controlId));
    const auto found = std::find(items.begin(), items.end(), text);
    if (found == items.end()) {
      return "combo box " + std::to_string(controlId) + " has no item \"" + text + "\"";
    }
    return Select(top, controlId, static_cast<int>(found - items.begin()));
  });
}

void TypeText(int controlId, const std::string& text) {
  Queue("type \"" + text + "\" into " + std::to_string(controlId),
        [controlId, text](HWND top) { return Type(top, controlId, text); });
}

void ClearText(int controlId) {
  TypeText(controlId, "");
}

void Click(int controlId) {
  Queue("click " + std::to_string(controlId), [controlId](HWND top) {
    // A button of the dialog; a message box is answered with AnswerMessageBox.
    HWND button = nullptr;
    const std::string refusal = Reachable(top, controlId, &button);
    return refusal.empty() ? ClickButton(top, controlId) : refusal;
  });
}

void PressEscape() {
  Queue("press Escape", &Escape);
}

void ClickCloseBox() {
  Queue("click the close box", [](HWND top) {
    if (IsMessageBox(top)) {
      return Escape(top);
    }
    PostMessageA(top, WM_SYSCOMMAND, SC_CLOSE, 0);
    return std::string();
  });
}

void AnswerMessageBox(int button) {
  Queue("answer " + std::to_string(button), [button](HWND top) {
    if (!IsMessageBox(top)) {
      return std::string("no message box is open");
    }
    return ClickButton(top, button);
  });
}

void Inspect(std::function<void(const DialogView&)> inspect) {
  Queue("inspect", [inspect = std::move(inspect)](HWND top) {
    // The dialog, as on Linux: while a message box is open, the innermost dialog run.
    HWND dialog = top;
    if (IsMessageBox(top)) {
      const auto& runs = TheState().runWindows;
      const auto open = std::find_if(runs.rbegin(), runs.rend(), [](HWND run) { return run != nullptr; });
      dialog = open != runs.rend() ? *open : nullptr;
    }
    inspect(Describe(dialog));
    return std::string();
  });
}

std::size_t PendingActions() {
  return TheState().script.size();
}

const std::vector<ActionRecord>& PerformedActions() {
  return TheState().performed;
}

std::vector<std::string> RefusedActions() {
  std::vector<std::string> refused;
  for (const ActionRecord& record : TheState().performed) {
    if (!record.delivered) {
      refused.push_back(record.action + ": " + record.refusal);
    }
  }
  return refused;
}

int EscapesForEmptyScript() {
  return TheState().escapes;
}

const std::vector<MessageBoxRecord>& MessageBoxes() {
  return TheState().boxes;
}

const std::vector<DialogRunRecord>& DialogRuns() {
  return TheState().runs;
}

std::size_t LiveWindowCount() {
  // The host windows, and every dialog or message box of this thread with its controls.
  std::size_t count = 0;
  for (HWND host : TheState().hosts) {
    if (IsWindow(host)) {
      CountWindows(host, &count);
    }
  }
  EnumThreadWindows(GetCurrentThreadId(), &CountDialog, reinterpret_cast<LPARAM>(&count));
  return count;
}

DialogView Describe(HWND dialog) {
  DialogView view;
  view.window = dialog;
  view.caption = TextOf(dialog);
  view.style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
  view.exStyle = static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE));
  view.owner = GetWindow(dialog, GW_OWNER);
  view.enabled = IsWindowEnabled(dialog) != FALSE;

  RECT base = {0, 0, 4, 8};
  MapDialogRect(dialog, &base);
  auto toUnits = [&base](RECT rect, int* x, int* y, int* cx, int* cy) {
    *x = ToDialogUnits(rect.left, base.right, 4);
    *y = ToDialogUnits(rect.top, base.bottom, 8);
    *cx = ToDialogUnits(rect.right - rect.left, base.right, 4);
    *cy = ToDialogUnits(rect.bottom - rect.top, base.bottom, 8);
  };
  // The frame's place relative to the owner's client area, the client area's size.
  RECT frame = {};
  GetWindowRect(dialog, &frame);
  MapWindowPoints(nullptr, view.owner, reinterpret_cast<POINT*>(&frame), 2);
  RECT client = {};
  GetClientRect(dialog, &client);
  int ignored = 0;
  toUnits(frame, &view.x, &view.y, &ignored, &ignored);
  toUnits(client, &ignored, &ignored, &view.cx, &view.cy);

  if (auto font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0))) {
    LOGFONTA logFont = {};
    GetObjectA(font, sizeof logFont, &logFont);
    view.fontFace = logFont.lfFaceName;
    HDC screen = GetDC(nullptr);
    view.pointSize =
        static_cast<WORD>(MulDiv(std::abs(logFont.lfHeight), 72, GetDeviceCaps(screen, LOGPIXELSY)));
    ReleaseDC(nullptr, screen);
    view.weight = static_cast<WORD>(logFont.lfWeight);
    view.italic = logFont.lfItalic != 0;
    view.charset = logFont.lfCharSet;
  }

  for (HWND child : Children(dialog)) {
    ControlView control;
    control.window = child;
    control.id = GetDlgCtrlID(child);
    control.className = ClassOf(child);
    control.style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
    control.exStyle = static_cast<DWORD>(GetWindowLongA(child, GWL_EXSTYLE));
    control.text = TextOf(child);
    control.enabled = IsWindowEnabled(child) != FALSE;
    control.visible = IsWindowVisible(child) != FALSE;
    // A combo box's height, as the template gives it, is that of the closed box and its
    // list together; the window itself is only as high as the closed box.
    RECT rect = {};
    GetWindowRect(child, &rect);
    const bool combo = control.className == "ComboBox";
    COMBOBOXINFO parts = {};
    parts.cbSize = sizeof parts;
    if (combo && GetComboBoxInfo(child, &parts) && parts.hwndList != nullptr) {
      RECT list = {};
      GetWindowRect(parts.hwndList, &list);
      rect.bottom += list.bottom - list.top;
    }
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    toUnits(rect, &control.x, &control.y, &control.cx, &control.cy);
    if (control.className == "Button") {
      control.check = static_cast<UINT>(SendMessageA(child, BM_GETCHECK, 0, 0));
    }
    if (combo) {
      control.items = ItemsOf(child);
      control.selection = static_cast<int>(SendMessageA(child, CB_GETCURSEL, 0, 0));
    }
    view.controls.push_back(control);
  }
  return view;
}

}  // namespace headless
}  // namespace win32

namespace testsupport {

void StopRealUser() {
  auto& state = win32::headless::TheState();
  if (state.timer != 0) {
    KillTimer(nullptr, state.timer);
    state.timer = 0;
  }
  if (state.hook != nullptr) {
    UnhookWindowsHookEx(state.hook);
    state.hook = nullptr;
  }
  for (HWND host : state.hosts) {
    DestroyWindow(host);
  }
  state.hosts.clear();
  state.script.clear();
  state.escapedWindow = nullptr;
}

}  // namespace testsupport
