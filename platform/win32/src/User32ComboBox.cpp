// The combo box: a list of texts with one selected item, and for CBS_SIMPLE and
// CBS_DROPDOWN an edit field that shows the selected item or what the user typed.
// The list is never dropped down here; the edit field is part of the combo box record,
// not a child window.
#include <cstdint>
#include <cstring>
#include <exception>

#include "User32Internal.h"
#include "win32/Text.h"

namespace win32 {
namespace user32 {
namespace {

// wParam as the list box reads an index: its low 32 bits as a signed int, so both
// (WPARAM)-1 and (WPARAM)(UINT)-1 are -1.
int IndexOf(WPARAM wParam) {
  return static_cast<int>(static_cast<std::uint32_t>(wParam));
}

// wParam as a count of items: its low 32 bits, unsigned.
std::size_t IndexedCount(WPARAM wParam) {
  return static_cast<std::uint32_t>(wParam);
}

int Count(const Window& combo) {
  return static_cast<int>(combo.items.size());
}

bool InRange(const Window& combo, int index) {
  return index >= 0 && index < Count(combo);
}

// What WM_GETTEXT shows: the edit field, or the selected item of a drop-down list.
const std::string& ShownText(const Window& combo) {
  static const std::string kNone;
  if (ComboHasEditField(combo)) {
    return combo.text;
  }
  return InRange(combo, combo.selection) ? combo.items[static_cast<std::size_t>(combo.selection)].text
                                         : kNone;
}

// The search of CB_FINDSTRING and CB_FINDSTRINGEXACT: from the item after `start` to
// the end, then from the first item up to `start` itself. A start of -1 (or out of
// range) searches the whole list from the first item.
template <typename Match>
LRESULT Search(const Window& combo, WPARAM start, Match match) {
  const int count = Count(combo);
  const int from = InRange(combo, IndexOf(start)) ? IndexOf(start) + 1 : 0;
  for (int k = 0; k < count; ++k) {
    const int i = (from + k) % count;
    if (match(combo.items[static_cast<std::size_t>(i)].text)) {
      return i;
    }
  }
  return CB_ERR;
}

LRESULT FindPrefix(const Window& combo, WPARAM start, const std::string& prefix) {
  return Search(combo, start, [&prefix](const std::string& item) {
    if (prefix.empty()) {
      return true;
    }
    if (item.size() < prefix.size()) {
      return false;
    }
    const int n = static_cast<int>(prefix.size());
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, item.c_str(), n, prefix.c_str(), n) ==
           CSTR_EQUAL;
  });
}

// Inserting before or at the selected item moves the selection with its item.
void InsertAt(Window& combo, int index, const std::string& text) {
  combo.items.insert(combo.items.begin() + index, ComboItem{text, 0});
  if (combo.selection != CB_ERR && index <= combo.selection) {
    ++combo.selection;
  }
}

void Select(Window& combo, int index) {
  combo.selection = index;
  if (ComboHasEditField(combo)) {
    combo.text = index == CB_ERR ? std::string() : combo.items[static_cast<std::size_t>(index)].text;
  }
}

// --- One function per message -------------------------------------------------------

LRESULT OnAddString(Window& combo, LPARAM text) {
  const std::string item = TextOf(text);
  int index = Count(combo);
  if ((combo.style & CBS_SORT) != 0) {
    index = 0;
    while (index < Count(combo) &&
           lstrcmpiA(combo.items[static_cast<std::size_t>(index)].text.c_str(), item.c_str()) <= 0) {
      ++index;
    }
  }
  InsertAt(combo, index, item);
  return index;
}

LRESULT OnInsertString(Window& combo, WPARAM wParam, LPARAM text) {
  int index = IndexOf(wParam);
  if (index == -1) {
    index = Count(combo);
  }
  if (index < 0 || index > Count(combo)) {
    return CB_ERR;
  }
  InsertAt(combo, index, TextOf(text));
  return index;
}

LRESULT OnDeleteString(Window& combo, WPARAM wParam) {
  const int index = IndexOf(wParam);
  if (!InRange(combo, index)) {
    return CB_ERR;
  }
  combo.items.erase(combo.items.begin() + index);
  if (combo.selection == index) {
    combo.selection = CB_ERR;
  } else if (combo.selection > index) {
    --combo.selection;
  }
  return Count(combo);
}

LRESULT OnResetContent(Window& combo) {
  combo.items.clear();
  Select(combo, CB_ERR);
  return CB_OKAY;
}

LRESULT OnGetCount(const Window& combo) {
  return Count(combo);
}

LRESULT OnGetCurSel(const Window& combo) {
  return combo.selection;
}

LRESULT OnSetCurSel(Window& combo, WPARAM wParam) {
  const int index = IndexOf(wParam);
  if (!InRange(combo, index)) {
    Select(combo, CB_ERR);
    return CB_ERR;
  }
  Select(combo, index);
  return index;
}

LRESULT OnGetLbText(const Window& combo, WPARAM wParam, LPARAM buffer) {
  const int index = IndexOf(wParam);
  if (!InRange(combo, index) || buffer == 0) {
    return CB_ERR;
  }
  const std::string& text = combo.items[static_cast<std::size_t>(index)].text;
  std::memcpy(FromParam<char*>(buffer), text.c_str(), text.size() + 1);
  return static_cast<LRESULT>(text.size());
}

LRESULT OnGetLbTextLen(const Window& combo, WPARAM wParam) {
  const int index = IndexOf(wParam);
  return InRange(combo, index)
             ? static_cast<LRESULT>(combo.items[static_cast<std::size_t>(index)].text.size())
             : CB_ERR;
}

LRESULT OnFindString(const Window& combo, WPARAM start, LPARAM text) {
  if (text == 0) {
    return CB_ERR;
  }
  return FindPrefix(combo, start, TextOf(text));
}

LRESULT OnFindStringExact(const Window& combo, WPARAM start, LPARAM text) {
  if (text == 0) {
    return CB_ERR;
  }
  const auto* wanted = FromParam<const char*>(text);
  return Search(combo, start,
                [wanted](const std::string& item) { return lstrcmpiA(item.c_str(), wanted) == 0; });
}

LRESULT OnSelectString(Window& combo, WPARAM start, LPARAM text) {
  const LRESULT found = OnFindString(combo, start, text);
  if (found != CB_ERR) {
    Select(combo, static_cast<int>(found));
  }
  return found;
}

LRESULT OnGetItemData(const Window& combo, WPARAM wParam) {
  const int index = IndexOf(wParam);
  return InRange(combo, index) ? combo.items[static_cast<std::size_t>(index)].data : CB_ERR;
}

LRESULT OnSetItemData(Window& combo, WPARAM wParam, LPARAM data) {
  const int index = IndexOf(wParam);
  if (!InRange(combo, index)) {
    return CB_ERR;
  }
  combo.items[static_cast<std::size_t>(index)].data = data;
  return TRUE;
}

// Room for wParam more items; the string bytes of lParam are not set aside apart.
LRESULT OnInitStorage(Window& combo, WPARAM wParam) {
  try {
    combo.items.reserve(combo.items.size() + IndexedCount(wParam));
  } catch (const std::exception&) {  // std::bad_alloc, std::length_error
    return CB_ERRSPACE;
  }
  return static_cast<LRESULT>(combo.items.capacity());
}

LRESULT OnSetText(Window& combo, LPARAM text) {
  if (!ComboHasEditField(combo)) {
    return CB_ERR;
  }
  combo.text = TextOf(text);
  return TRUE;
}

LRESULT OnGetText(const Window& combo, WPARAM maxCount, LPARAM buffer) {
  return CopyTextOut(ShownText(combo), maxCount, buffer);
}

LRESULT OnGetTextLength(const Window& combo) {
  return static_cast<LRESULT>(ShownText(combo).size());
}

}  // namespace

bool ComboHasEditField(const Window& combo) {
  return (combo.style & 0x3) != CBS_DROPDOWNLIST;
}

/***********************************************************************
 *           ComboBoxProc
 *
 * Window procedure of the "ComboBox" class.
 *
 * NOTES
 *  CB_ADDSTRING appends (CBS_SORT: inserts after the items that sort before or equal
 *  under lstrcmpiA) and returns the index; CB_INSERTSTRING inserts at wParam (-1
 *  appends; beyond the end gives CB_ERR) without sorting. Inserting at or before the
 *  selected item moves the selection along; deleting it clears the selection.
 *  CB_FINDSTRING (prefix) and CB_FINDSTRINGEXACT (whole text) ignore case as lstrcmpiA
 *  does and search from the item after wParam, wrapping round to end at wParam itself;
 *  wParam -1 searches from the first item. CB_SETCURSEL selects an item and, with an
 *  edit field, sets its text to the item's; -1 or an index out of range clears the
 *  selection and the edit text and returns CB_ERR. No CBN_* notification is sent for a
 *  change made by a message. WM_GETTEXT and WM_GETTEXTLENGTH read the edit field, or
 *  for CBS_DROPDOWNLIST the selected item ("" without one); WM_SETTEXT sets the edit
 *  field without notifying or changing the selection, and gives CB_ERR for a
 *  CBS_DROPDOWNLIST. CB_INITSTORAGE sets aside room for wParam more items and returns
 *  how many items the list has room for, or CB_ERRSPACE. WM_SETREDRAW returns 0 and
 *  leaves the style alone (the control stops and restarts its own painting, not
 *  DefWindowProc's). CBS_HASSTRINGS is assumed; owner-drawn lists are not provided.
 */
LRESULT CALLBACK ComboBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* combo = Find(window);
  if (combo == nullptr) {
    return DefWindowProcA(window, message, wParam, lParam);
  }
  switch (message) {
    case CB_ADDSTRING:
      return OnAddString(*combo, lParam);
    case CB_INSERTSTRING:
      return OnInsertString(*combo, wParam, lParam);
    case CB_DELETESTRING:
      return OnDeleteString(*combo, wParam);
    case CB_RESETCONTENT:
      return OnResetContent(*combo);
    case CB_GETCOUNT:
      return OnGetCount(*combo);
    case CB_GETCURSEL:
      return OnGetCurSel(*combo);
    case CB_SETCURSEL:
      return OnSetCurSel(*combo, wParam);
    case CB_GETLBTEXT:
      return OnGetLbText(*combo, wParam, lParam);
    case CB_GETLBTEXTLEN:
      return OnGetLbTextLen(*combo, wParam);
    case CB_FINDSTRING:
      return OnFindString(*combo, wParam, lParam);
    case CB_FINDSTRINGEXACT:
      return OnFindStringExact(*combo, wParam, lParam);
    case CB_SELECTSTRING:
      return OnSelectString(*combo, wParam, lParam);
    case CB_GETITEMDATA:
      return OnGetItemData(*combo, wParam);
    case CB_SETITEMDATA:
      return OnSetItemData(*combo, wParam, lParam);
    case CB_INITSTORAGE:
      return OnInitStorage(*combo, wParam);
    case WM_SETREDRAW:
      return 0;
    case WM_SETTEXT:
      return OnSetText(*combo, lParam);
    case WM_GETTEXT:
      return OnGetText(*combo, wParam, lParam);
    case WM_GETTEXTLENGTH:
      return OnGetTextLength(*combo);
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// The user picks an item from the list: the selection and the edit field change, then
// the parent hears CBN_SELCHANGE (also when the item was already selected).
void ComboUserSelect(HWND window, int index) {
  Select(*Find(window), index);
  NotifyParent(window, CBN_SELCHANGE);
}

// The user selects the whole edit field and types `text` over it. The edit field tells
// the combo box EN_UPDATE, which goes to the parent as CBN_EDITUPDATE, then EN_CHANGE,
// on which the closed combo box drops its selection before the parent hears
// CBN_EDITCHANGE.
void ComboUserType(HWND window, const std::string& text) {
  Find(window)->text = text;
  NotifyParent(window, CBN_EDITUPDATE);
  if (Window* combo = Find(window)) {
    combo->selection = CB_ERR;
    NotifyParent(window, CBN_EDITCHANGE);
  }
}

}  // namespace user32
}  // namespace win32
