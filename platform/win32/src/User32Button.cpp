// The button class: push buttons, check boxes, radio buttons and group boxes.
#include "User32Internal.h"

namespace win32 {
namespace user32 {
namespace {

DWORD TypeOf(const Window& button) {
  return button.style & BS_TYPEMASK;
}

// The highest BM_SETCHECK state the button keeps: 0 for buttons without a check mark.
UINT MaxCheckState(const Window& button) {
  switch (TypeOf(button)) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return BST_CHECKED;
    case BS_3STATE:
    case BS_AUTO3STATE:
      return BST_INDETERMINATE;
    default:
      return BST_UNCHECKED;
  }
}

// An automatic radio button checks itself and unchecks the automatic radio buttons of
// its group: the siblings from the last WS_GROUP control at or before it up to the
// next WS_GROUP control.
void CheckRadioInGroup(HWND button) {
  const Window* self = Find(button);
  const Window* parent = Find(self->parent);
  if (parent == nullptr) {
    return;
  }
  const std::vector<HWND>& siblings = parent->children;
  std::size_t at = 0;
  while (at < siblings.size() && siblings[at] != button) {
    ++at;
  }
  std::size_t first = at;
  while (first > 0 && (Find(siblings[first])->style & WS_GROUP) == 0) {
    --first;
  }
  for (std::size_t i = first; i < siblings.size(); ++i) {
    Window* sibling = Find(siblings[i]);
    if (i > first && (sibling->style & WS_GROUP) != 0) {
      break;
    }
    if (sibling->kind() == Kind::Button && TypeOf(*sibling) == BS_AUTORADIOBUTTON) {
      sibling->check = siblings[i] == button ? BST_CHECKED : BST_UNCHECKED;
    }
  }
}

// --- One function per message -------------------------------------------------------

LRESULT OnGetCheck(const Window& button) {
  return MaxCheckState(button) == BST_UNCHECKED ? BST_UNCHECKED : button.check;
}

LRESULT OnSetCheck(Window& button, WPARAM state) {
  const UINT most = MaxCheckState(button);
  button.check = state > most ? most : static_cast<UINT>(state);
  return 0;
}

LRESULT OnClick(HWND window) {
  Window* button = Find(window);
  if (!button->enabled() || !ButtonTakesClicks(*button)) {
    return 0;
  }
  switch (TypeOf(*button)) {
    case BS_AUTOCHECKBOX:
      button->check = button->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
      break;
    case BS_AUTO3STATE:
      button->check = (button->check + 1) % 3;
      break;
    case BS_AUTORADIOBUTTON:
      CheckRadioInGroup(window);
      break;
    default:
      break;
  }
  NotifyParent(window, BN_CLICKED);
  return 0;
}

}  // namespace

bool ButtonTakesClicks(const Window& button) {
  return TypeOf(button) != BS_GROUPBOX;
}

/***********************************************************************
 *           ButtonProc
 *
 * Window procedure of the "Button" class.
 *
 * NOTES
 *  BM_GETCHECK gives the check state (always BST_UNCHECKED for push buttons and group
 *  boxes). BM_SETCHECK keeps at most BST_CHECKED for two-state boxes and radio buttons
 *  (a larger value checks them) and BST_INDETERMINATE for three-state boxes; push
 *  buttons ignore it; it sends no notification. BM_CLICK clicks an enabled button: an
 *  automatic check box toggles (an indeterminate one becomes checked), an automatic
 *  three-state box cycles unchecked, checked, indeterminate, an automatic radio button
 *  checks itself and unchecks the others of its group, then the parent receives
 *  WM_COMMAND with BN_CLICKED. A disabled button and a group box ignore clicks. Text
 *  messages as DefWindowProcA.
 */
LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* button = Find(window);
  if (button == nullptr) {
    return DefWindowProcA(window, message, wParam, lParam);
  }
  switch (message) {
    case BM_GETCHECK:
      return OnGetCheck(*button);
    case BM_SETCHECK:
      return OnSetCheck(*button, wParam);
    case BM_CLICK:
      return OnClick(window);
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace user32
}  // namespace win32
