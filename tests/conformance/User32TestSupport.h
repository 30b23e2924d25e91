// Helpers for the user32 tests: a writer of dialog templates in the resource compiler's
// layout, a dialog procedure that records what it receives, and a fixture that starts
// every test from an empty desktop and checks that no window is left behind.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ConformanceSupport.h"
#include "win32/ScriptedUser.h"

namespace user32test {

namespace user = win32::headless;

// A pointer or handle carried in a message parameter or a window value.
template <typename T>
T FromParam(LONG_PTR value) {
  return reinterpret_cast<T>(value);  // NOLINT(performance-no-int-to-ptr)
}

// The control id as CreateWindowExA takes it for a child window.
inline HMENU AsMenu(int id) {
  return FromParam<HMENU>(id);
}

// Predefined class atoms of dialog templates.
constexpr WORD kButton = 0x0080;
constexpr WORD kEdit = 0x0081;
constexpr WORD kStatic = 0x0082;
constexpr WORD kComboBox = 0x0085;

struct ItemLayout {
  WORD classAtom = kButton;
  std::u16string className;  // written instead of the atom when not empty
  std::u16string text;
  DWORD style = 0;
  int id = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD exStyle = 0;
  DWORD helpId = 0;
  std::vector<BYTE> creationData;
};

inline ItemLayout Control(WORD classAtom, std::u16string text, DWORD style, int id, short x, short y,
                          short cx, short cy) {
  ItemLayout item;
  item.classAtom = classAtom;
  item.text = std::move(text);
  item.style = style;
  item.id = id;
  item.x = x;
  item.y = y;
  item.cx = cx;
  item.cy = cy;
  return item;
}

struct DialogLayout {
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS;
  DWORD exStyle = 0;
  DWORD helpId = 0;
  short x = 0, y = 0, cx = 200, cy = 100;
  std::u16string windowClass;
  std::u16string caption = u"Test Dialog";
  std::u16string fontFace = u"MS Shell Dlg";
  WORD pointSize = 8;
  WORD weight = 400;
  BYTE italic = 0;
  BYTE charset = 1;
  std::vector<ItemLayout> items;
};

class TemplateWriter {
 public:
  // DLGTEMPLATEEX with DLGITEMTEMPLATEEX items.
  static std::vector<BYTE> Extended(const DialogLayout& d) {
    TemplateWriter w;
    w.Word(1);
    w.Word(0xFFFF);
    w.DWord(d.helpId);
    w.DWord(d.exStyle);
    w.DWord(d.style);
    w.Word(static_cast<WORD>(d.items.size()));
    w.Rect(d.x, d.y, d.cx, d.cy);
    w.Word(0);  // no menu
    w.Name(d.windowClass);
    w.Text(d.caption);
    if ((d.style & DS_SETFONT) != 0) {
      w.Word(d.pointSize);
      w.Word(d.weight);
      w.Byte(d.italic);
      w.Byte(d.charset);
      w.Text(d.fontFace);
    }
    for (const ItemLayout& item : d.items) {
      w.Align();
      w.DWord(item.helpId);
      w.DWord(item.exStyle);
      w.DWord(item.style);
      w.Rect(item.x, item.y, item.cx, item.cy);
      w.DWord(static_cast<DWORD>(item.id));
      w.Class(item);
      w.Text(item.text);
      w.Extra(item.creationData);
    }
    return w.m_bytes;
  }

  // DLGTEMPLATE with DLGITEMTEMPLATE items.
  static std::vector<BYTE> Classic(const DialogLayout& d) {
    TemplateWriter w;
    w.DWord(d.style);
    w.DWord(d.exStyle);
    w.Word(static_cast<WORD>(d.items.size()));
    w.Rect(d.x, d.y, d.cx, d.cy);
    w.Word(0);
    w.Name(d.windowClass);
    w.Text(d.caption);
    if ((d.style & DS_SETFONT) != 0) {
      w.Word(d.pointSize);
      w.Text(d.fontFace);
    }
    for (const ItemLayout& item : d.items) {
      w.Align();
      w.DWord(item.style);
      w.DWord(item.exStyle);
      w.Rect(item.x, item.y, item.cx, item.cy);
      w.Word(static_cast<WORD>(item.id));
      w.Class(item);
      w.Text(item.text);
      w.Extra(item.creationData);
    }
    return w.m_bytes;
  }

 private:
  void Byte(BYTE b) { m_bytes.push_back(b); }
  void Word(WORD v) {
    Byte(static_cast<BYTE>(v & 0xFF));
    Byte(static_cast<BYTE>(v >> 8));
  }
  void DWord(DWORD v) {
    Word(static_cast<WORD>(v & 0xFFFF));
    Word(static_cast<WORD>(v >> 16));
  }
  void Rect(short x, short y, short cx, short cy) {
    for (short v : {x, y, cx, cy}) {
      Word(static_cast<WORD>(v));
    }
  }
  void Text(const std::u16string& s) {
    for (char16_t c : s) {
      Word(static_cast<WORD>(c));
    }
    Word(0);
  }
  void Name(const std::u16string& s) {
    if (s.empty()) {
      Word(0);
    } else {
      Text(s);
    }
  }
  void Class(const ItemLayout& item) {
    if (!item.className.empty()) {
      Text(item.className);
      return;
    }
    Word(0xFFFF);
    Word(item.classAtom);
  }
  void Extra(const std::vector<BYTE>& data) {
    Word(static_cast<WORD>(data.size()));
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
  }
  void Align() {
    while (m_bytes.size() % 4 != 0) {
      Byte(0);
    }
  }

  std::vector<BYTE> m_bytes;
};

inline LPCDLGTEMPLATEA AsTemplate(const std::vector<BYTE>& bytes) {
  return reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data());
}

// A dialog procedure that keeps a log of the messages it receives and hands each to an
// optional handler. The recorder travels as the WM_INITDIALOG parameter and is kept in
// DWLP_USER, as a dialog framework keeps its object.
struct Recorder {
  struct Message {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  std::vector<Message> log;
  std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> handler;

  // The log in words: "init", "destroy", "ncdestroy", "close", "command 201/5"
  // (id/notification); other messages are left out.
  std::vector<std::string> Story() const {
    std::vector<std::string> story;
    for (const Message& m : log) {
      switch (m.message) {
        case WM_INITDIALOG:
          story.push_back("init");
          break;
        case WM_DESTROY:
          story.push_back("destroy");
          break;
        case WM_NCDESTROY:
          story.push_back("ncdestroy");
          break;
        case WM_CLOSE:
          story.push_back("close");
          break;
        case WM_COMMAND:
          story.push_back("command " + std::to_string(LOWORD(m.wParam)) + "/" +
                          std::to_string(HIWORD(m.wParam)));
          break;
        default:
          break;
      }
    }
    return story;
  }

  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrA(window, DWLP_USER, lParam);
    }
    auto* self = FromParam<Recorder*>(GetWindowLongPtrA(window, DWLP_USER));
    if (self == nullptr) {
      return FALSE;
    }
    self->log.push_back({window, message, wParam, lParam});
    return self->handler ? self->handler(window, message, wParam, lParam) : FALSE;
  }

  LPARAM Param() { return reinterpret_cast<LPARAM>(this); }
};

// Ends the dialog with the id of the OK or Cancel button that was clicked.
inline INT_PTR EndOnOkOrCancel(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
      (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(window, LOWORD(wParam));
    return TRUE;
  }
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

class User32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    user::Reset();
    m_host = user::CreateHostWindow("Host");
    SetActiveWindow(m_host);
  }
  void TearDown() override {
    DestroyWindow(m_host);
    EXPECT_EQ(user::LiveWindowCount(), 0u) << "a window outlived the test";
    user::Reset();
  }

  // A "#32770" window with the recorder as its dialog procedure, to parent controls
  // made with CreateWindowExA.
  HWND MakeParent(Recorder& recorder) {
    HWND parent =
        CreateWindowExA(0, "#32770", "Parent", WS_POPUP, 0, 0, 100, 100, m_host, nullptr, nullptr, nullptr);
    SetWindowLongPtrA(parent, DWLP_USER, recorder.Param());
    SetWindowLongPtrA(parent, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&Recorder::Proc));
    return parent;
  }

  HWND m_host = nullptr;
};

// WM_GETTEXT of a window into a std::string, with a buffer of `size` bytes.
inline std::string TextOf(HWND window, int size = 256) {
  std::vector<char> buffer(static_cast<std::size_t>(size) + 1, '\x7F');
  const int copied = GetWindowTextA(window, buffer.data(), size);
  return std::string(buffer.data(), static_cast<std::size_t>(copied));
}

}  // namespace user32test
