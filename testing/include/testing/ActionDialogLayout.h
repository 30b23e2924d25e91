// The action dialog as its template lays it out: the frame and the controls in template
// (tab) order. Header only: the resource tests, the dialog scenarios on Linux and the
// Windows tests under Wine check against the same table.
#pragma once

#include "resources/resource.h"

namespace testsupport {

struct ExpectedControl {
  WORD classAtom;  // the predefined class's ordinal
  const char* className;
  const char* text;
  int id;
  DWORD style;
  int x, y, cx, cy;  // dialog units; a combo box's height includes its list
};

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kComboBoxAtom = 0x0085;

constexpr ExpectedControl kActionControls[] = {
    {kButtonAtom, "Button", "OK", IDOK, 0x50010001, 46, 145, 50, 14},
    {kButtonAtom, "Button", "Cancel", IDCANCEL, 0x50010000, 107, 145, 50, 14},
    {kComboBoxAtom, "ComboBox", "", IDC_TOPIC, 0x50210042, 25, 30, 150, 129},
    {kComboBoxAtom, "ComboBox", "", IDC_PRIORITY, 0x50210003, 25, 93, 150, 66},
    {kStaticAtom, "Static", "Assign to Topic", -1, 0x50020000, 25, 18, 121, 8},
    {kStaticAtom, "Static", "Assign Priority", -1, 0x50020000, 25, 81, 121, 8},
    {kButtonAtom, "Button", "File immediately", IDC_FILE, 0x50010003, 35, 47, 101, 10},
    {kButtonAtom, "Button", "Overwrite existing topic", IDC_OVERWRITE, 0x50010003, 35, 59, 101, 10},
};

// DS_SETFONT | DS_MODALFRAME | DS_FIXEDSYS | WS_POPUP | WS_CAPTION | WS_SYSMENU
constexpr DWORD kActionStyle = 0x80C800C8;
constexpr int kActionWidth = 203;
constexpr int kActionHeight = 166;

}  // namespace testsupport
