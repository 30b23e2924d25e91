// The combo box answers its messages as the real control does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "User32TestSupport.h"

namespace user32test {
namespace {

class User32ComboBoxTest : public User32Test {
 protected:
  void SetUp() override {
    User32Test::SetUp();
    m_parent = MakeParent(m_recorder);
  }
  void TearDown() override {
    DestroyWindow(m_parent);
    User32Test::TearDown();
  }

  HWND Combo(DWORD type, const std::vector<std::string>& items) {
    HWND combo = CreateWindowExA(0, "ComboBox", "ignored", WS_CHILD | WS_VISIBLE | type, 0, 0, 100, 80,
                                 m_parent, AsMenu(201), nullptr, nullptr);
    for (const std::string& item : items) {
      SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    return combo;
  }

  static std::vector<std::string> Items(HWND combo) {
    std::vector<std::string> items;
    const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      std::vector<char> buffer(static_cast<std::size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)) + 1);
      SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer.data()));
      items.emplace_back(buffer.data());
    }
    return items;
  }

  Recorder m_recorder;
  HWND m_parent = nullptr;
};

struct FindCase {
  WPARAM start;
  const char* text;
  LRESULT exact;   // CB_FINDSTRINGEXACT
  LRESULT prefix;  // CB_FINDSTRING
};

// The search starts after `start`, wraps round to the first item and ends at `start`
// itself; -1 (in either width) and indices beyond the list search from the first item.
// Case is ignored; only CB_FINDSTRING takes a prefix.
TEST_F(User32ComboBoxTest, FindStringSearchesAfterTheStartWrapsAroundAndIgnoresCase) {
  HWND combo = Combo(CBS_DROPDOWN, {"Alpha", "beta", "ALPHA", "Gamma", "alphabet"});
  const FindCase cases[] = {
      {static_cast<WPARAM>(-1), "alpha", 0, 0},
      {static_cast<WPARAM>(static_cast<UINT>(-1)), "alpha", 0, 0},
      {0, "alpha", 2, 2},
      {2, "alpha", 0, 4},
      {4, "ALPHA", 0, 0},
      {1, "Beta", 1, 1},  // found only when the search comes back round to the start
      {3, "gamma", 3, 3},
      {99, "gamma", 3, 3},
      {static_cast<WPARAM>(-1), "alph", CB_ERR, 0},
      {2, "alphab", CB_ERR, 4},
      {static_cast<WPARAM>(-1), "delta", CB_ERR, CB_ERR},
      {static_cast<WPARAM>(-1), "", CB_ERR, 0},
  };
  for (const FindCase& c : cases) {
    const auto text = reinterpret_cast<LPARAM>(c.text);
    EXPECT_EQ(SendMessageA(combo, CB_FINDSTRINGEXACT, c.start, text), c.exact)
        << "exact \"" << c.text << "\" after " << static_cast<INT_PTR>(c.start);
    EXPECT_EQ(SendMessageA(combo, CB_FINDSTRING, c.start, text), c.prefix)
        << "prefix \"" << c.text << "\" after " << static_cast<INT_PTR>(c.start);
  }
  HWND empty = Combo(CBS_DROPDOWN, {});
  EXPECT_EQ(SendMessageA(empty, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("x")),
            CB_ERR);
}

TEST_F(User32ComboBoxTest, AddAppendsUnlessSortedAndInsertKeepsTheSelectionOnItsItem) {
  HWND combo = Combo(CBS_DROPDOWN, {"b", "a"});
  EXPECT_EQ(Items(combo), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("c")), 2);

  ASSERT_EQ(SendMessageA(combo, CB_SETCURSEL, 1, 0), 1);
  EXPECT_EQ(SendMessageA(combo, CB_INSERTSTRING, 1, reinterpret_cast<LPARAM>("new")), 1);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2) << "the selected item moved down one place";
  EXPECT_EQ(SendMessageA(combo, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("end")),
            4);
  EXPECT_EQ(SendMessageA(combo, CB_INSERTSTRING, 7, reinterpret_cast<LPARAM>("far")), CB_ERR);
  EXPECT_EQ(Items(combo), (std::vector<std::string>{"b", "new", "a", "c", "end"}));

  HWND sorted = Combo(CBS_DROPDOWNLIST | CBS_SORT, {"pear", "Apple", "fig"});
  EXPECT_EQ(SendMessageA(sorted, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("banana")), 1);
  EXPECT_EQ(Items(sorted), (std::vector<std::string>{"Apple", "banana", "fig", "pear"}));
  EXPECT_EQ(SendMessageA(sorted, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("zzz")), 0)
      << "insert does not sort";
}

TEST_F(User32ComboBoxTest, DeleteAndResetAdjustTheSelection) {
  HWND combo = Combo(CBS_DROPDOWN, {"a", "b", "c"});
  SendMessageA(combo, CB_SETCURSEL, 2, 0);
  EXPECT_EQ(SendMessageA(combo, CB_DELETESTRING, 0, 0), 2);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageA(combo, CB_DELETESTRING, 1, 0), 1);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessageA(combo, CB_DELETESTRING, 5, 0), CB_ERR);
  SendMessageA(combo, CB_SETCURSEL, 0, 0);
  EXPECT_EQ(SendMessageA(combo, CB_RESETCONTENT, 0, 0), CB_OKAY);
  EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(TextOf(combo), "");
}

struct SetCurSelCase {
  DWORD type;
  WPARAM index;
  LRESULT result;
  LRESULT selection;
  const char* text;
};

// CB_SETCURSEL puts the item's text in the edit field; -1 and out-of-range indices
// clear both the selection and the text. A drop-down list shows its selected item.
TEST_F(User32ComboBoxTest, SetCurSelSetsTheShownText) {
  const SetCurSelCase cases[] = {
      {CBS_DROPDOWN, 1, 1, 1, "Normal"},
      {CBS_DROPDOWN, static_cast<WPARAM>(-1), CB_ERR, CB_ERR, ""},
      {CBS_DROPDOWN, 3, CB_ERR, CB_ERR, ""},
      {CBS_DROPDOWNLIST, 2, 2, 2, "High"},
      {CBS_DROPDOWNLIST, static_cast<WPARAM>(-1), CB_ERR, CB_ERR, ""},
      {CBS_DROPDOWNLIST, 7, CB_ERR, CB_ERR, ""},
  };
  for (const SetCurSelCase& c : cases) {
    HWND combo = Combo(c.type, {"Low", "Normal", "High"});
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    const std::string label = std::string(c.type == CBS_DROPDOWN ? "drop-down" : "list") + " index " +
                              std::to_string(static_cast<INT_PTR>(c.index));
    EXPECT_EQ(SendMessageA(combo, CB_SETCURSEL, c.index, 0), c.result) << label;
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), c.selection) << label;
    EXPECT_EQ(TextOf(combo), c.text) << label;
    EXPECT_EQ(GetWindowTextLengthA(combo), static_cast<int>(std::strlen(c.text))) << label;
    DestroyWindow(combo);
  }
  EXPECT_TRUE(m_recorder.Story().empty()) << "a message made a combo box notify its parent";
}

TEST_F(User32ComboBoxTest, SetTextChangesOnlyAnEditField) {
  HWND dropDown = Combo(CBS_DROPDOWN, {"one", "two"});
  SendMessageA(dropDown, CB_SETCURSEL, 1, 0);
  EXPECT_TRUE(SetWindowTextA(dropDown, "typed"));
  EXPECT_EQ(TextOf(dropDown), "typed");
  EXPECT_EQ(SendMessageA(dropDown, CB_GETCURSEL, 0, 0), 1);

  HWND list = Combo(CBS_DROPDOWNLIST, {"one", "two"});
  SendMessageA(list, CB_SETCURSEL, 0, 0);
  EXPECT_EQ(SendMessageA(list, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("two")), CB_ERR);
  EXPECT_EQ(TextOf(list), "one");
  EXPECT_TRUE(m_recorder.Story().empty());
}

// WM_GETTEXT copies at most wParam - 1 bytes and the terminator and returns the bytes
// copied; a double-byte character that does not fit whole is left out.
TEST_F(User32ComboBoxTest, GetTextCutsToTheBufferWithoutSplittingACharacter) {
  HWND combo = Combo(CBS_DROPDOWN, {});
  SetWindowTextA(combo, "abcdef");
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(SendMessageA(combo, WM_GETTEXT, 4, reinterpret_cast<LPARAM>(buffer)), 3);
  EXPECT_STREQ(buffer, "abc");
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(SendMessageA(combo, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 0);
  EXPECT_EQ(buffer[0], 'x') << "a zero-sized buffer is not written";

  REQUIRE_ANSI_CODE_PAGE(japanese, 932);
  SetWindowTextA(combo, "a\x82\xA0z");  // "a", one double-byte character, "z"
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(SendMessageA(combo, WM_GETTEXT, 3, reinterpret_cast<LPARAM>(buffer)), 1);
  EXPECT_STREQ(buffer, "a");
  EXPECT_EQ(SendMessageA(combo, WM_GETTEXT, 4, reinterpret_cast<LPARAM>(buffer)), 3);
  EXPECT_STREQ(buffer, "a\x82\xA0");
}

TEST_F(User32ComboBoxTest, ItemReadsOutOfRangeFail) {
  HWND combo = Combo(CBS_DROPDOWNLIST, {"only"});
  char buffer[16] = "untouched";
  EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(buffer)), CB_ERR);
  EXPECT_STREQ(buffer, "untouched");
  EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(-1), 0), CB_ERR);
  EXPECT_EQ(SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(buffer)), 4);
  EXPECT_STREQ(buffer, "only");
  EXPECT_EQ(SendMessageA(combo, CB_SETITEMDATA, 0, 77), TRUE);
  EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, 0, 0), 77);
  EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, 1, 0), CB_ERR);
}

TEST_F(User32ComboBoxTest, SelectStringSelectsByPrefixAndKeepsTheSelectionWhenNotFound) {
  HWND combo = Combo(CBS_DROPDOWN, {"Very Low", "Low", "Normal"});
  EXPECT_EQ(SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("lo")), 1);
  EXPECT_EQ(TextOf(combo), "Low");
  EXPECT_EQ(SendMessageA(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("x")),
            CB_ERR);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
}

// A long fill as the dialog makes it: room set aside first, no painting during the
// adds. Neither message changes the list, the selection or the control's visibility.
TEST_F(User32ComboBoxTest, InitStorageAndSetRedrawLeaveTheAddsAsTheyWere) {
  HWND combo = Combo(CBS_DROPDOWN, {"first", "second"});
  SendMessageA(combo, CB_SETCURSEL, 1, 0);
  constexpr int kAdded = 1000;
  EXPECT_GE(SendMessageA(combo, CB_INITSTORAGE, kAdded, kAdded * 16), kAdded);
  EXPECT_EQ(SendMessageA(combo, WM_SETREDRAW, FALSE, 0), 0);
  for (int i = 0; i < kAdded; ++i) {
    const std::string item = "item " + std::to_string(i);
    ASSERT_EQ(SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str())), i + 2);
  }
  EXPECT_EQ(SendMessageA(combo, WM_SETREDRAW, TRUE, 0), 0);
  EXPECT_TRUE(InvalidateRect(combo, nullptr, TRUE));
  EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), kAdded + 2);
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(TextOf(combo), "second");
  EXPECT_NE(GetWindowLongA(combo, GWL_STYLE) & WS_VISIBLE, 0);
  EXPECT_TRUE(m_recorder.Story().empty());
}

}  // namespace
}  // namespace user32test
