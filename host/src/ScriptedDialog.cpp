// The dialog backend: the scripted user of win32/ScriptedUser.h acts in the dialog. On
// Linux that is the platform layer's user in front of its headless windows; on Windows
// the testing library's user in front of the real windows, acting from the modal loop
// of the thread that called GetCommand. Each time the modal loop reaches the host's
// turn, the host reads the dialog, asks the DialogUser for a step and queues it,
// followed by another turn, so the user decides step by step as a person would.
#include <algorithm>
#include <exception>
#include <memory>

#include "Dialog.h"
#include "win32/ScriptedUser.h"
#ifdef _WIN32
#include "testing/RealUser.h"
#endif

namespace rulehost {
namespace {

namespace headless = win32::headless;

HWND g_hostWindow = nullptr;

ControlState FromView(const headless::ControlView& view) {
  ControlState control;
  control.id = view.id;
  control.text = view.text;
  control.enabled = view.enabled;
  control.x = view.x;
  control.y = view.y;
  if (view.className == "Static") {
    control.kind = ControlState::Kind::Label;
  } else if (view.className == "ComboBox") {
    control.kind = ControlState::Kind::ComboBox;
    control.items = view.items;
    control.selection = view.selection;
    const DWORD type = view.style & 0x3;
    control.editable = type == CBS_DROPDOWN || type == CBS_SIMPLE;
  } else if (view.className == "Button") {
    const DWORD type = view.style & BS_TYPEMASK;
    const bool check =
        type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
    control.kind = check ? ControlState::Kind::CheckBox : ControlState::Kind::PushButton;
    control.checked = view.check == BST_CHECKED;
  }
  return control;
}

struct Turns {
  DialogUser* user = nullptr;
  DialogRun* run = nullptr;
  int steps = 0;
  std::size_t performedBefore = 0;
  bool over = false;
  bool stopped = false;  // the host stopped acting, and said why in a note
};

void QueueTurn(const std::shared_ptr<Turns>& turns);

// Queues nothing more, so the scripted user presses Escape as its script runs out.
void StopActing(Turns& turns, const std::string& why) {
  turns.run->notes.push_back(why + ", so the host stopped acting in the dialog");
  turns.stopped = true;
  turns.over = true;
}

void TakeTurnOrThrow(const std::shared_ptr<Turns>& turns, const headless::DialogView& view) {
  if (turns->over || view.window == nullptr) {
    return;
  }
  if (++turns->steps > kMostSteps) {
    StopActing(*turns, "the dialog was still open after " + std::to_string(kMostSteps) + " steps");
    return;
  }
  turns->run->appeared = true;
  DialogSnapshot dialog;
  dialog.caption = view.caption;
  for (const headless::ControlView& control : view.controls) {
    if (control.visible) {
      dialog.controls.push_back(FromView(control));
    }
  }
  std::stable_sort(
      dialog.controls.begin(), dialog.controls.end(),
      [](const ControlState& a, const ControlState& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
  for (const headless::MessageBoxRecord& box : headless::MessageBoxes()) {
    if (box.open) {
      dialog.messageBox = MessageBoxState{box.caption, box.text};
    }
  }
  // The steps performed since the last turn; the last record is this turn itself, not
  // yet marked delivered.
  const auto& performed = headless::PerformedActions();
  for (std::size_t i = turns->performedBefore; i + 1 < performed.size(); ++i) {
    if (!performed[i].delivered && !performed[i].refusal.empty()) {
      dialog.refusals.push_back(performed[i].refusal);
    }
  }
  const DialogStep step = turns->user->Next(dialog);
  turns->performedBefore = headless::PerformedActions().size();
  switch (step.kind) {
    case DialogStep::Kind::SelectItem:
      headless::SelectItem(step.control, step.index);
      break;
    case DialogStep::Kind::TypeText:
      headless::TypeText(step.control, step.text);
      break;
    case DialogStep::Kind::Click:
      headless::Click(step.control);
      break;
    case DialogStep::Kind::Ok:
      headless::Click(IDOK);
      break;
    case DialogStep::Kind::Cancel:
      headless::Click(IDCANCEL);
      break;
    case DialogStep::Kind::CloseMessageBox:
      headless::AnswerMessageBox(IDOK);
      break;
  }
  QueueTurn(turns);
}

// Nothing may unwind through the modal loop, which is the system's under Windows.
void TakeTurn(const std::shared_ptr<Turns>& turns, const headless::DialogView& view) {
  try {
    TakeTurnOrThrow(turns, view);
  } catch (const std::exception& error) {
    StopActing(*turns, std::string("the user could not go on (") + error.what() + ")");
  } catch (...) {
    StopActing(*turns, "the user could not go on");
  }
}

void QueueTurn(const std::shared_ptr<Turns>& turns) {
  headless::Inspect([turns](const headless::DialogView& view) { TakeTurn(turns, view); });
}

}  // namespace

#ifdef _WIN32

// The window of a scripted run while it runs; otherwise (a person acting, the calls
// that show no dialog) there is none, and the dialog has no owner.
HWND HostWindow() {
  return g_hostWindow;
}

bool DialogIsOnScreen() {
  return true;
}

#else

HWND HostWindow() {
  if (g_hostWindow == nullptr || IsWindow(g_hostWindow) == FALSE) {
    g_hostWindow = headless::CreateHostWindow("Rule host");
    SetActiveWindow(g_hostWindow);
  }
  return g_hostWindow;
}

bool DialogIsOnScreen() {
  return false;
}

#endif

DialogRun RunDialog(DialogUser* user, const std::function<void()>& call) {
  if (user == nullptr && DialogIsOnScreen()) {
    // The person at the screen acts. The scripted user is never started, so it does
    // not press Escape in a dialog whose script is empty.
    call();
    return {};
  }
  // A fresh desktop per run: no step of an earlier run is left in the script.
  headless::Reset();
  g_hostWindow = headless::CreateHostWindow("Rule host");
  SetActiveWindow(g_hostWindow);
  DialogRun run;
  auto turns = std::make_shared<Turns>();
  turns->user = user;
  turns->run = &run;
  if (user != nullptr) {
    QueueTurn(turns);
  }
  call();
  turns->over = true;
  if (headless::EscapesForEmptyScript() > 0 && !turns->stopped) {
    run.notes.push_back("nobody acted in the dialog, so the host pressed Escape");
  }
  for (const headless::DialogRunRecord& record : headless::DialogRuns()) {
    if (record.abandoned) {
      run.notes.push_back("the dialog " + record.caption + " stayed open after Escape and was abandoned");
    }
    run.appeared = true;
  }
#ifdef _WIN32
  // So that nothing acts in a dialog of a later call, and no window of the run stays.
  testsupport::StopRealUser();
  g_hostWindow = nullptr;
#endif
  return run;
}

}  // namespace rulehost
