// The scripted user: the queue of actions a test prepares, the modal loop that performs
// them, and the records of what was shown and done.
#include "win32/ScriptedUser.h"

#include <deque>
#include <utility>

#include "User32Internal.h"

namespace win32 {
namespace user32 {
namespace {

enum class ActionType { SelectIndex, SelectText, Type, Click, Escape, CloseBox, Answer, Inspect };

struct Action {
  ActionType type = ActionType::Inspect;
  int control = 0;
  int number = 0;  // item index or message box button
  std::string text;
  std::function<void(const headless::DialogView&)> inspect;
  std::string description;
};

struct UserState {
  std::deque<Action> script;
  std::vector<headless::ActionRecord> performed;
  int escapesForEmptyScript = 0;
  std::vector<headless::MessageBoxRecord> messageBoxes;
  std::vector<headless::DialogRunRecord> dialogRuns;
};

UserState& User() {
  static auto* state = new UserState();
  return *state;
}

void Queue(Action action) {
  User().script.push_back(std::move(action));
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// The innermost modal dialog (not message box), or null.
HWND TopmostDialog() {
  const auto& modal = TheDesktop().modal;
  for (auto it = modal.rbegin(); it != modal.rend(); ++it) {
    const Window* w = Find(*it);
    if (w != nullptr && w->kind() == Kind::Dialog) {
      return *it;
    }
  }
  return nullptr;
}

// --- Performing one action; each returns the refusal, or "" when delivered ------------

std::string AnswerBox(HWND box, int button) {
  Window* w = Find(box);
  for (int shown : MessageBoxButtons(w->messageBoxType)) {
    if (shown == button) {
      w->ended = true;
      w->endResult = button;
      return {};
    }
  }
  return "the message box has no button " + std::to_string(button);
}

// Escape or the close box in a message box: Cancel if there is one, OK if it is alone.
std::string DismissBox(HWND box) {
  const std::vector<int> buttons = MessageBoxButtons(Find(box)->messageBoxType);
  for (int shown : buttons) {
    if (shown == IDCANCEL) {
      return AnswerBox(box, IDCANCEL);
    }
  }
  if (buttons.size() == 1 && buttons[0] == IDOK) {
    return AnswerBox(box, IDOK);
  }
  return "the message box cannot be dismissed without an answer";
}

std::string PressEscapeIn(HWND modal) {
  const Window* w = Find(modal);
  if (w->kind() == Kind::MessageBox) {
    return DismissBox(modal);
  }
  // The dialog manager turns Escape into the Cancel button's command.
  HWND cancel = nullptr;
  for (HWND child : w->children) {
    if (Find(child)->id == IDCANCEL) {
      cancel = child;
      break;
    }
  }
  SendMessageA(modal, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
  return {};
}

std::string ClickCloseBoxOf(HWND modal) {
  if (Find(modal)->kind() == Kind::MessageBox) {
    return DismissBox(modal);
  }
  SendMessageA(modal, WM_CLOSE, 0, 0);
  return {};
}

// The control an action addresses, or the reason the user cannot reach it.
std::string Reach(HWND modal, int id, HWND& control) {
  const Window* dialog = Find(modal);
  if (dialog->kind() == Kind::MessageBox) {
    return "a message box is open";
  }
  if (!dialog->enabled()) {
    return "the dialog is disabled";
  }
  for (HWND child : dialog->children) {
    const Window* c = Find(child);
    if (c->id != id) {
      continue;
    }
    if ((c->style & WS_VISIBLE) == 0) {
      return "control " + std::to_string(id) + " is hidden";
    }
    if (!c->enabled()) {
      return "control " + std::to_string(id) + " is disabled";
    }
    control = child;
    return {};
  }
  return "there is no control " + std::to_string(id);
}

std::string SelectIn(HWND combo, int index) {
  const Window* w = Find(combo);
  if (w->kind() != Kind::ComboBox) {
    return "control " + std::to_string(w->id) + " is not a combo box";
  }
  if (index < 0 || index >= static_cast<int>(w->items.size())) {
    return "combo box " + std::to_string(w->id) + " has no item " + std::to_string(index);
  }
  ComboUserSelect(combo, index);
  return {};
}

std::string SelectTextIn(HWND combo, const std::string& text) {
  const Window* w = Find(combo);
  if (w->kind() == Kind::ComboBox) {
    for (std::size_t i = 0; i < w->items.size(); ++i) {
      if (w->items[i].text == text) {
        return SelectIn(combo, static_cast<int>(i));
      }
    }
    return "combo box " + std::to_string(w->id) + " has no item " + Quoted(text);
  }
  return "control " + std::to_string(w->id) + " is not a combo box";
}

std::string TypeInto(HWND control, const std::string& text) {
  const Window* w = Find(control);
  if (w->kind() == Kind::ComboBox && ComboHasEditField(*w)) {
    ComboUserType(control, text);
    return {};
  }
  if (w->kind() == Kind::Edit) {
    EditUserType(control, text);
    return {};
  }
  return "control " + std::to_string(w->id) + " has no edit field";
}

std::string ClickOn(HWND control) {
  const Window* w = Find(control);
  if (w->kind() != Kind::Button || !ButtonTakesClicks(*w)) {
    return "control " + std::to_string(w->id) + " takes no clicks";
  }
  SendMessageA(control, BM_CLICK, 0, 0);
  return {};
}

std::string Perform(const Action& action, HWND modal) {
  switch (action.type) {
    case ActionType::Inspect:
      if (action.inspect) {
        action.inspect(headless::Describe(TopmostDialog()));
      }
      return {};
    case ActionType::Escape:
      return PressEscapeIn(modal);
    case ActionType::CloseBox:
      return ClickCloseBoxOf(modal);
    case ActionType::Answer:
      if (Find(modal)->kind() != Kind::MessageBox) {
        return "no message box is open";
      }
      return AnswerBox(modal, action.number);
    default:
      break;
  }
  HWND control = nullptr;
  std::string refusal = Reach(modal, action.control, control);
  if (!refusal.empty()) {
    return refusal;
  }
  switch (action.type) {
    case ActionType::SelectIndex:
      return SelectIn(control, action.number);
    case ActionType::SelectText:
      return SelectTextIn(control, action.text);
    case ActionType::Type:
      return TypeInto(control, action.text);
    case ActionType::Click:
      return ClickOn(control);
    default:
      return "unknown action";
  }
}

// Records the action before performing it, so that actions performed by nested modal
// loops come after it in the record.
void PerformAndRecord(const Action& action, HWND modal) {
  UserState& user = User();
  const std::size_t index = user.performed.size();
  user.performed.push_back({action.description, false, {}});
  const std::string refusal = Perform(action, modal);
  auto& performed = User().performed;
  if (index < performed.size()) {  // unless the action reset the user
    performed[index].delivered = refusal.empty();
    performed[index].refusal = refusal;
  }
}

Action EscapeAction(std::string description) {
  Action a;
  a.type = ActionType::Escape;
  a.description = std::move(description);
  return a;
}

}  // namespace

bool RunModalLoop(HWND window, const std::function<bool()>& finished) {
  while (!finished()) {
    if (Find(window) == nullptr) {
      return false;
    }
    UserState& user = User();
    if (user.script.empty()) {
      ++user.escapesForEmptyScript;
      PerformAndRecord(EscapeAction("escape (the script ran out)"), window);
      return finished() && Find(window) != nullptr;
    }
    const Action action = std::move(user.script.front());
    user.script.pop_front();
    PerformAndRecord(action, window);
  }
  return true;
}

std::size_t BeginMessageBoxRecord(HWND owner, const std::string& text, const std::string& caption, UINT style,
                                  bool ownerDisabled) {
  auto& boxes = User().messageBoxes;
  headless::MessageBoxRecord record;
  record.owner = owner;
  record.text = text;
  record.caption = caption;
  record.style = style;
  record.open = true;
  record.ownerDisabledWhileShown = ownerDisabled;
  boxes.push_back(record);
  return boxes.size() - 1;
}

void EndMessageBoxRecord(std::size_t index, int answer) {
  auto& boxes = User().messageBoxes;
  if (index < boxes.size()) {
    boxes[index].open = false;
    boxes[index].answer = answer;
  }
}

std::size_t BeginDialogRunRecord(const std::string& caption, HWND owner, bool ownerWasEnabled) {
  auto& runs = User().dialogRuns;
  headless::DialogRunRecord record;
  record.caption = caption;
  record.owner = owner;
  record.ownerWasEnabled = ownerWasEnabled;
  record.ownerDisabledThroughout = owner != nullptr;
  runs.push_back(record);
  return runs.size() - 1;
}

void NoteOwnerState(std::size_t run, bool ownerDisabled) {
  auto& runs = User().dialogRuns;
  if (run < runs.size() && !ownerDisabled) {
    runs[run].ownerDisabledThroughout = false;
  }
}

void EndDialogRunRecord(std::size_t run, INT_PTR result, bool abandoned) {
  auto& runs = User().dialogRuns;
  if (run < runs.size()) {
    runs[run].result = result;
    runs[run].abandoned = abandoned;
  }
}

}  // namespace user32

namespace headless {

using user32::Action;
using user32::ActionType;
using user32::Find;
using user32::Queue;
using user32::Window;

const ControlView* DialogView::Find(int id) const {
  for (const ControlView& c : controls) {
    if (c.id == id) {
      return &c;
    }
  }
  return nullptr;
}

void Reset() {
  user32::DestroyAllWindows();
  user32::User() = user32::UserState();
}

HWND CreateHostWindow(const char* caption) {
  static const user32::WindowClass kHostClass = {"HostFrame", user32::Kind::Frame, DefWindowProcA};
  user32::CreateArgs args;
  args.windowClass = &kHostClass;
  args.text = caption == nullptr ? "" : caption;
  args.style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
  return user32::CreateWindowRecord(args).handle;
}

void SelectItem(int controlId, int index) {
  Action a;
  a.type = ActionType::SelectIndex;
  a.control = controlId;
  a.number = index;
  a.description = "select item " + std::to_string(index) + " of " + std::to_string(controlId);
  Queue(std::move(a));
}

void SelectItemText(int controlId, const std::string& text) {
  Action a;
  a.type = ActionType::SelectText;
  a.control = controlId;
  a.text = text;
  a.description = "select " + user32::Quoted(text) + " in " + std::to_string(controlId);
  Queue(std::move(a));
}

void TypeText(int controlId, const std::string& text) {
  Action a;
  a.type = ActionType::Type;
  a.control = controlId;
  a.text = text;
  a.description = "type " + user32::Quoted(text) + " into " + std::to_string(controlId);
  Queue(std::move(a));
}

void ClearText(int controlId) {
  TypeText(controlId, "");
  user32::User().script.back().description = "clear " + std::to_string(controlId);
}

void Click(int controlId) {
  Action a;
  a.type = ActionType::Click;
  a.control = controlId;
  a.description = "click " + std::to_string(controlId);
  Queue(std::move(a));
}

void PressEscape() {
  Queue(user32::EscapeAction("escape"));
}

void ClickCloseBox() {
  Action a;
  a.type = ActionType::CloseBox;
  a.description = "close box";
  Queue(std::move(a));
}

void AnswerMessageBox(int button) {
  Action a;
  a.type = ActionType::Answer;
  a.number = button;
  a.description = "answer " + std::to_string(button);
  Queue(std::move(a));
}

void Inspect(std::function<void(const DialogView&)> inspect) {
  Action a;
  a.type = ActionType::Inspect;
  a.inspect = std::move(inspect);
  a.description = "inspect";
  Queue(std::move(a));
}

std::size_t PendingActions() {
  return user32::User().script.size();
}

const std::vector<ActionRecord>& PerformedActions() {
  return user32::User().performed;
}

std::vector<std::string> RefusedActions() {
  std::vector<std::string> refused;
  for (const ActionRecord& r : user32::User().performed) {
    if (!r.delivered) {
      refused.push_back(r.action + ": " + r.refusal);
    }
  }
  return refused;
}

int EscapesForEmptyScript() {
  return user32::User().escapesForEmptyScript;
}

const std::vector<MessageBoxRecord>& MessageBoxes() {
  return user32::User().messageBoxes;
}

const std::vector<DialogRunRecord>& DialogRuns() {
  return user32::User().dialogRuns;
}

std::size_t LiveWindowCount() {
  return user32::TheDesktop().windows.size();
}

DialogView Describe(HWND dialog) {
  DialogView view;
  const Window* d = Find(dialog);
  if (d == nullptr) {
    return view;
  }
  view.window = dialog;
  view.caption = d->text;
  view.style = d->style;
  view.exStyle = d->exStyle;
  view.x = d->x;
  view.y = d->y;
  view.cx = d->cx;
  view.cy = d->cy;
  view.fontFace = d->font.face;
  view.pointSize = d->font.pointSize;
  view.weight = d->font.weight;
  view.italic = d->font.italic;
  view.charset = d->font.charset;
  view.owner = d->owner;
  view.enabled = d->enabled();
  const std::vector<HWND> children = d->children;
  for (HWND child : children) {
    const Window* c = Find(child);
    if (c == nullptr) {
      continue;
    }
    ControlView control;
    control.window = child;
    control.id = c->id;
    control.className = c->windowClass->name;
    control.style = c->style;
    control.exStyle = c->exStyle;
    control.x = c->x;
    control.y = c->y;
    control.cx = c->cx;
    control.cy = c->cy;
    control.enabled = IsWindowEnabled(child) != FALSE;
    control.visible = (c->style & WS_VISIBLE) != 0;
    const bool isCombo = c->kind() == user32::Kind::ComboBox;
    const bool isButton = c->kind() == user32::Kind::Button;
    // Read through the controls' own messages, as the dialog itself would.
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(child)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(child, &text[0], static_cast<int>(text.size()))));
    control.text = text;
    if (isButton) {
      control.check = static_cast<UINT>(SendMessageA(child, BM_GETCHECK, 0, 0));
    }
    if (isCombo) {
      const int count = static_cast<int>(SendMessageA(child, CB_GETCOUNT, 0, 0));
      for (int i = 0; i < count; ++i) {
        std::string item(static_cast<std::size_t>(SendMessageA(child, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
        item.resize(static_cast<std::size_t>(
            SendMessageA(child, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(&item[0]))));
        control.items.push_back(item);
      }
      control.selection = static_cast<int>(SendMessageA(child, CB_GETCURSEL, 0, 0));
    }
    view.controls.push_back(std::move(control));
  }
  return view;
}

}  // namespace headless
}  // namespace win32
