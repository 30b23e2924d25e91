// What the backends share: reading a snapshot as a person would.
#include "Dialog.h"

#include <cstdio>

#include "HostText.h"

namespace rulehost {

const ControlState* DialogSnapshot::Find(int id) const {
  for (const ControlState& control : controls) {
    if (control.id == id) {
      return &control;
    }
  }
  return nullptr;
}

std::string DialogSnapshot::LabelOf(int id) const {
  // The label is the nearest static text above the control.
  const ControlState* control = Find(id);
  const ControlState* label = nullptr;
  if (control != nullptr) {
    for (const ControlState& other : controls) {
      if (other.kind == ControlState::Kind::Label && other.y <= control->y &&
          (label == nullptr || other.y > label->y)) {
        label = &other;
      }
    }
  }
  return label != nullptr ? label->text : "control " + std::to_string(id);
}

std::string DialogStep::Describe(const DialogSnapshot& dialog) const {
  const ControlState* target = dialog.Find(control);
  switch (kind) {
    case Kind::SelectItem: {
      const std::string item =
          target != nullptr && index >= 0 && index < static_cast<int>(target->items.size())
              ? Quoted(target->items[static_cast<std::size_t>(index)]) + " "
              : std::string();
      return "select " + item + "(item " + std::to_string(index) + ") in " + Quoted(dialog.LabelOf(control));
    }
    case Kind::TypeText:
      return text.empty() ? "empty the text of " + Quoted(dialog.LabelOf(control))
                          : "type " + Quoted(text) + " into " + Quoted(dialog.LabelOf(control));
    case Kind::Click:
      return "click " + (target != nullptr ? Quoted(target->text) : "control " + std::to_string(control));
    case Kind::Ok:
      return "press OK";
    case Kind::Cancel:
      return "press Cancel";
    case Kind::CloseMessageBox:
      return "press OK in the message box";
  }
  return "?";
}

namespace {

std::string CheckLine(const ControlState& control) {
  return std::string(control.checked ? "[x] " : "[ ] ") + control.text +
         (control.enabled ? "" : " (disabled)");
}

std::string ComboLine(const DialogSnapshot& dialog, const ControlState& control) {
  std::string line = dialog.LabelOf(control.id) + ": " + Quoted(control.text);
  if (control.selection >= 0) {
    line +=
        " (item " + std::to_string(control.selection) + " of " + std::to_string(control.items.size()) + ")";
  } else {
    line += " (typed; no item selected)";
  }
  return line + (control.enabled ? "" : " (disabled)");
}

}  // namespace

std::vector<std::string> SummarizeDialog(const DialogSnapshot& dialog) {
  std::vector<std::string> lines;
  for (const ControlState& control : dialog.controls) {
    if (control.kind == ControlState::Kind::ComboBox) {
      lines.push_back(ComboLine(dialog, control));
    } else if (control.kind == ControlState::Kind::CheckBox) {
      lines.push_back(CheckLine(control));
    }
  }
  if (dialog.messageBox) {
    lines.push_back("message box " + Quoted(dialog.messageBox->caption) + ": " +
                    Quoted(dialog.messageBox->text));
  }
  return lines;
}

std::vector<std::string> RenderDialog(const DialogSnapshot& dialog) {
  std::vector<std::string> lines;
  lines.push_back("+-- " + dialog.caption + " " +
                  std::string(dialog.caption.size() < 50 ? 50 - dialog.caption.size() : 0, '-'));
  std::string buttons;
  for (const ControlState& control : dialog.controls) {
    switch (control.kind) {
      case ControlState::Kind::Label:
        lines.push_back("| " + control.text);
        break;
      case ControlState::Kind::CheckBox:
        lines.push_back("|   " + CheckLine(control));
        break;
      case ControlState::Kind::ComboBox:
        lines.push_back("|   [" + control.text + "]" + (control.editable ? " (you may type here)" : "") +
                        (control.enabled ? "" : " (disabled)"));
        for (std::size_t i = 0; i < control.items.size(); ++i) {
          const std::string number = Padded(i, 4);
          const bool selected = static_cast<int>(i) == control.selection;
          lines.push_back(std::string("|   ") + (selected ? "> " : "  ") + number + "  " + control.items[i]);
        }
        break;
      case ControlState::Kind::PushButton:
        buttons += "[ " + control.text + " ]  ";
        break;
      case ControlState::Kind::Other:
        break;
    }
  }
  if (!buttons.empty()) {
    lines.push_back("|   " + buttons);
  }
  lines.push_back("+" + std::string(dialog.caption.size() + 4 +
                                        (dialog.caption.size() < 50 ? 50 - dialog.caption.size() : 0),
                                    '-'));
  if (dialog.messageBox) {
    lines.push_back("  ! message box " + Quoted(dialog.messageBox->caption) + ":");
    lines.push_back("  ! " + dialog.messageBox->text);
  }
  return lines;
}

}  // namespace rulehost
