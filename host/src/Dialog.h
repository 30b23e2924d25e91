// The extension's dialog as a user meets it. The backend (ScriptedDialog.cpp, over the
// scripted user of win32/ScriptedUser.h: headless windows on Linux, the real ones on
// Windows) reads what the dialog shows into a DialogSnapshot and performs the DialogStep
// that a DialogUser chooses, until the dialog is gone.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Mapi.h"

namespace rulehost {

struct ControlState {
  enum class Kind { Label, PushButton, CheckBox, ComboBox, Other };
  Kind kind = Kind::Other;
  int id = 0;
  std::string text;  // a combo box's edit text or selected item
  bool enabled = false;
  bool checked = false;
  bool editable = false;  // a combo box with an edit field
  std::vector<std::string> items;
  int selection = -1;
  int x = 0, y = 0;  // for showing the controls top to bottom
};

struct MessageBoxState {
  std::string caption;
  std::string text;
};

struct DialogSnapshot {
  std::string caption;
  std::vector<ControlState> controls;         // top to bottom, left to right
  std::optional<MessageBoxState> messageBox;  // a message box the dialog shows now
  std::vector<std::string> refusals;          // why the previous step was not taken

  const ControlState* Find(int id) const;
  // The text of the label above a control ("Assign to Topic"), or "control N".
  std::string LabelOf(int id) const;
};

struct DialogStep {
  enum class Kind { SelectItem, TypeText, Click, Ok, Cancel, CloseMessageBox };
  Kind kind = Kind::Cancel;
  int control = 0;
  int index = 0;
  std::string text;

  static DialogStep Select(int control, int index) { return {Kind::SelectItem, control, index, {}}; }
  static DialogStep Type(int control, std::string text) {
    return {Kind::TypeText, control, 0, std::move(text)};
  }
  static DialogStep ClickOn(int control) { return {Kind::Click, control, 0, {}}; }
  static DialogStep PressOk() { return {Kind::Ok, 0, 0, {}}; }
  static DialogStep PressCancel() { return {Kind::Cancel, 0, 0, {}}; }
  static DialogStep CloseBox() { return {Kind::CloseMessageBox, 0, 0, {}}; }

  // "select \"Budget\" (item 1) in \"Assign to Topic\"", as the transcript shows it.
  std::string Describe(const DialogSnapshot& dialog) const;
};

class DialogUser {
 public:
  virtual ~DialogUser() = default;
  // What the user does next with the dialog as it shows now. Called again after every
  // step until the dialog is gone.
  virtual DialogStep Next(const DialogSnapshot& dialog) = 0;
};

// The most steps a backend lets a user take in one run; after that many the host stops
// acting, and the scripted user presses Escape, then abandons a dialog that stays open
// (a script never needs as many).
constexpr int kMostSteps = 1000;

// What the backend saw of one modal run.
struct DialogRun {
  bool appeared = false;
  std::vector<std::string> notes;  // anything unusual: a script that ran out, ...
};

// The host's main window, which owns the dialogs (null where there is none).
HWND HostWindow();

// Runs `call`, which shows the dialog modally, with `user` acting in it. A null user
// leaves the dialog to the person at the screen (Windows only; elsewhere it cancels).
DialogRun RunDialog(DialogUser* user, const std::function<void()>& call);

// Whether RunDialog can leave the dialog to a person (a real dialog on a screen).
bool DialogIsOnScreen();

// --- Users -----------------------------------------------------------------------------

// One line per control, as a person reads the dialog ("[x] File immediately").
std::vector<std::string> SummarizeDialog(const DialogSnapshot& dialog);
// The whole dialog with every list item numbered, for a person to choose from.
std::vector<std::string> RenderDialog(const DialogSnapshot& dialog);

}  // namespace rulehost
