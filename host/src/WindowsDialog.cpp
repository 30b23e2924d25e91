// The dialog backend of the Windows build: the real dialog on the screen. A second
// thread finds the dialog among the windows of the thread that called GetCommand, reads
// its controls with window messages and performs the DialogUser's steps by sending the
// messages and notifications that the controls would send for a person's clicks. Steps
// that end the dialog or open a message box are posted, so that the modal loop of the
// calling thread is never waited on.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Dialog.h"

namespace rulehost {
namespace {

struct Found {
  HWND dialog = nullptr;
  HWND box = nullptr;
};

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(window, &text[0], length + 1)));
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

BOOL CALLBACK FindDialogWindows(HWND window, LPARAM param) {
  auto* found = reinterpret_cast<Found*>(param);
  if (ClassOf(window) != "#32770" || IsWindowVisible(window) == FALSE) {
    return TRUE;
  }
  // The extension's dialog is the one with a combo box; a message box has none.
  if (FindWindowExA(window, nullptr, "ComboBox", nullptr) != nullptr) {
    if (found->dialog == nullptr) {
      found->dialog = window;
    }
  } else if (found->box == nullptr) {
    found->box = window;
  }
  return TRUE;
}

Found FindWindows(DWORD thread) {
  Found found;
  EnumThreadWindows(thread, FindDialogWindows, reinterpret_cast<LPARAM>(&found));
  if (found.box != nullptr && GetWindow(found.box, GW_OWNER) != found.dialog) {
    found.box = nullptr;
  }
  return found;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
  return TRUE;
}

ControlState ReadControl(HWND dialog, HWND child) {
  ControlState control;
  control.id = GetDlgCtrlID(child);
  control.text = WindowText(child);
  control.enabled = IsWindowEnabled(child) != FALSE;
  RECT rect = {};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  control.x = rect.left;
  control.y = rect.top;
  const std::string kind = ClassOf(child);
  const auto style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
  if (kind == "Static") {
    control.kind = ControlState::Kind::Label;
  } else if (kind == "Button") {
    const DWORD type = style & BS_TYPEMASK;
    const bool check =
        type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
    control.kind = check ? ControlState::Kind::CheckBox : ControlState::Kind::PushButton;
    control.checked = SendMessageA(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
  } else if (kind == "ComboBox") {
    control.kind = ControlState::Kind::ComboBox;
    control.editable = (style & 0x3) != CBS_DROPDOWNLIST;
    const auto count = static_cast<int>(SendMessageA(child, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      const auto length = SendMessageA(child, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
      std::string item(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, '\0');
      const auto copied =
          SendMessageA(child, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item[0]));
      item.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
      control.items.push_back(item);
    }
    control.selection = static_cast<int>(SendMessageA(child, CB_GETCURSEL, 0, 0));
  }
  return control;
}

DialogSnapshot ReadDialog(const Found& found) {
  DialogSnapshot dialog;
  dialog.caption = WindowText(found.dialog);
  std::vector<HWND> children;
  EnumChildWindows(found.dialog, CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND child : children) {
    if (GetParent(child) == found.dialog && IsWindowVisible(child) != FALSE) {
      dialog.controls.push_back(ReadControl(found.dialog, child));
    }
  }
  std::stable_sort(
      dialog.controls.begin(), dialog.controls.end(),
      [](const ControlState& a, const ControlState& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  if (found.box != nullptr) {
    // A message box shows its text in a static control with the id 0xFFFF.
    HWND text = GetDlgItem(found.box, 0xFFFF);
    dialog.messageBox =
        MessageBoxState{WindowText(found.box), text != nullptr ? WindowText(text) : std::string()};
  }
  return dialog;
}

void Notify(HWND dialog, HWND control, WORD code) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
               reinterpret_cast<LPARAM>(control));
}

// Waits up to five seconds for `done`.
template <typename Condition>
void WaitFor(Condition done) {
  for (int i = 0; i < 250 && !done(); ++i) {
    Sleep(20);
  }
}

// Performs one step; returns why it could not be taken, or "".
std::string Perform(const DialogStep& step, const Found& found, DWORD thread) {
  HWND control = step.control != 0 ? GetDlgItem(found.dialog, step.control) : nullptr;
  const bool needsControl = step.kind == DialogStep::Kind::SelectItem ||
                            step.kind == DialogStep::Kind::TypeText || step.kind == DialogStep::Kind::Click;
  if (needsControl) {
    if (found.box != nullptr) {
      return "a message box is open";
    }
    if (control == nullptr) {
      return "there is no control " + std::to_string(step.control);
    }
    if (IsWindowEnabled(control) == FALSE) {
      return "control " + std::to_string(step.control) + " is disabled";
    }
  }
  switch (step.kind) {
    case DialogStep::Kind::SelectItem:
      if (SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(step.index), 0) == CB_ERR) {
        return "combo box " + std::to_string(step.control) + " has no item " + std::to_string(step.index);
      }
      Notify(found.dialog, control, CBN_SELCHANGE);
      return {};
    case DialogStep::Kind::TypeText:
      SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
      SetWindowTextA(control, step.text.c_str());
      Notify(found.dialog, control, CBN_EDITUPDATE);
      Notify(found.dialog, control, CBN_EDITCHANGE);
      return {};
    case DialogStep::Kind::Click: {
      const bool checked = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
      SendMessageA(control, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
      Notify(found.dialog, control, BN_CLICKED);
      return {};
    }
    case DialogStep::Kind::Ok:
    case DialogStep::Kind::Cancel: {
      const int id = step.kind == DialogStep::Kind::Ok ? IDOK : IDCANCEL;
      PostMessageA(found.dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(found.dialog, id)));
      WaitFor([&] {
        const Found now = FindWindows(thread);
        return now.dialog == nullptr || now.box != nullptr;
      });
      return {};
    }
    case DialogStep::Kind::CloseMessageBox:
      if (found.box == nullptr) {
        return "no message box is open";
      }
      PostMessageA(found.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      WaitFor([&] { return IsWindow(found.box) == FALSE; });
      if (IsWindow(found.box) != FALSE) {
        PostMessageA(found.box, WM_CLOSE, 0, 0);
        WaitFor([&] { return IsWindow(found.box) == FALSE; });
      }
      return {};
  }
  return "unknown step";
}

struct Watch {
  DWORD thread = 0;
  DialogUser* user = nullptr;
  DialogRun* run = nullptr;
  volatile LONG done = 0;
};

DWORD WINAPI WatchDialog(LPVOID parameter) {
  auto* watch = static_cast<Watch*>(parameter);
  bool seen = false;
  int steps = 0;
  std::vector<std::string> refusals;
  while (InterlockedCompareExchange(&watch->done, 0, 0) == 0) {
    const Found found = FindWindows(watch->thread);
    if (found.dialog == nullptr) {
      if (seen) {
        break;  // the dialog has closed: nothing more to do in this run
      }
      Sleep(20);
      continue;
    }
    seen = true;
    watch->run->appeared = true;
    if (++steps > kMostSteps) {
      watch->run->notes.push_back("the dialog was still open after " + std::to_string(kMostSteps) +
                                  " steps; it is left to you");
      break;
    }
    DialogSnapshot dialog = ReadDialog(found);
    dialog.refusals = std::move(refusals);
    refusals.clear();
    const std::string refusal = Perform(watch->user->Next(dialog), found, watch->thread);
    if (!refusal.empty()) {
      refusals.push_back(refusal);
    }
  }
  return 0;
}

}  // namespace

HWND HostWindow() {
  return nullptr;
}

bool DialogIsOnScreen() {
  return true;
}

DialogRun RunDialog(DialogUser* user, const std::function<void()>& call) {
  DialogRun run;
  if (user == nullptr) {
    call();
    return run;
  }
  Watch watch;
  watch.thread = GetCurrentThreadId();
  watch.user = user;
  watch.run = &run;
  HANDLE thread = CreateThread(nullptr, 0, WatchDialog, &watch, 0, nullptr);
  if (thread == nullptr) {
    run.notes.push_back("cannot start the thread that acts in the dialog; the dialog is left to you");
    call();
    return run;
  }
  call();
  InterlockedExchange(&watch.done, 1);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  return run;
}

}  // namespace rulehost
