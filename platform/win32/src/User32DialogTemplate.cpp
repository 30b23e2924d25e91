// Reading dialog templates, classic (DLGTEMPLATE) and extended (DLGTEMPLATEEX), in the
// layout the resource compiler writes: little-endian words, UTF-16 texts, each item
// starting on a DWORD boundary from the start of the template.
#include <cstring>
#include <string>

#include "User32Internal.h"
#include "win32/Text.h"

namespace win32 {
namespace user32 {
namespace {

// A name or an ordinal (sz_Or_Ord): 0x0000 for none, 0xFFFF and a WORD for an ordinal,
// otherwise a terminated UTF-16 text.
struct NameOrOrdinal {
  bool isOrdinal = false;
  WORD ordinal = 0;
  std::u16string name;
  bool empty() const { return !isOrdinal && name.empty(); }
};

class Reader {
 public:
  Reader(const BYTE* begin, const BYTE* end) : m_begin(begin), m_at(begin), m_end(end) {}

  bool ok() const { return m_ok; }

  WORD Word() {
    WORD value = 0;
    Take(&value, sizeof value);
    return value;
  }
  DWORD DWord() {
    DWORD value = 0;
    Take(&value, sizeof value);
    return value;
  }
  int Short() { return static_cast<SHORT>(Word()); }
  BYTE Byte() {
    BYTE value = 0;
    Take(&value, sizeof value);
    return value;
  }

  std::u16string Text() {
    std::u16string text;
    for (WORD c = Word(); m_ok && c != 0; c = Word()) {
      text.push_back(static_cast<char16_t>(c));
    }
    return text;
  }

  NameOrOrdinal NameOrOrdinalField() {
    NameOrOrdinal result;
    const WORD first = Word();
    if (first == 0xFFFF) {
      result.isOrdinal = true;
      result.ordinal = Word();
    } else if (first != 0) {
      result.name.push_back(static_cast<char16_t>(first));
      result.name += Text();
    }
    return result;
  }

  void Skip(std::size_t count) {
    if (m_end != nullptr && static_cast<std::size_t>(m_end - m_at) < count) {
      m_ok = false;
      return;
    }
    m_at += count;
  }

  void AlignToDWord() { Skip((4 - static_cast<std::size_t>(m_at - m_begin) % 4) % 4); }

 private:
  void Take(void* out, std::size_t count) {
    if (!m_ok || (m_end != nullptr && static_cast<std::size_t>(m_end - m_at) < count)) {
      m_ok = false;
      return;
    }
    std::memcpy(out, m_at, count);
    m_at += count;
  }

  const BYTE* m_begin;
  const BYTE* m_at;
  const BYTE* m_end;
  bool m_ok = true;
};

std::string ToAnsi(const std::u16string& text) {
  if (text.empty()) {
    return {};
  }
  const int length = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_ACP, 0, text.data(), length, &result[0], size, nullptr, nullptr);
  }
  return result;
}

const WindowClass* ClassOf(const NameOrOrdinal& name) {
  if (name.isOrdinal) {
    return FindClassByAtom(name.ordinal);
  }
  return FindClass(ToAnsi(name.name).c_str());
}

// Dialog header: everything up to the first item.
DWORD ReadHeader(Reader& in, DialogTemplate& t, int& itemCount) {
  const WORD first = in.Word();
  const WORD second = in.Word();
  t.extended = second == 0xFFFF;
  if (t.extended) {
    if (first != 1) {
      return ERROR_INVALID_DATA;
    }
    t.helpId = in.DWord();
    t.exStyle = in.DWord();
    t.style = in.DWord();
  } else {
    t.style = static_cast<DWORD>(first) | (static_cast<DWORD>(second) << 16);
    t.exStyle = in.DWord();
  }
  itemCount = in.Word();
  t.x = in.Short();
  t.y = in.Short();
  t.cx = in.Short();
  t.cy = in.Short();
  in.NameOrOrdinalField();  // menu: there are no menus here, and a dialog does not need one
  const NameOrOrdinal windowClass = in.NameOrOrdinalField();
  t.caption = ToAnsi(in.Text());
  if ((t.style & DS_SETFONT) != 0) {
    t.font.pointSize = in.Word();
    if (t.extended) {
      t.font.weight = in.Word();
      t.font.italic = in.Byte() != 0;
      t.font.charset = in.Byte();
    }
    t.font.face = ToAnsi(in.Text());
  }
  if (!in.ok()) {
    return ERROR_INVALID_DATA;
  }
  // Only the dialog class itself can be named: no other class is registered here.
  if (!windowClass.empty() && (windowClass.isOrdinal || ClassOf(windowClass) != &DialogClass())) {
    return ERROR_CANNOT_FIND_WND_CLASS;
  }
  return ERROR_SUCCESS;
}

DWORD ReadItem(Reader& in, bool extended, DWORD dialogStyle, DialogTemplate& t) {
  in.AlignToDWord();
  ItemTemplate item;
  if (extended) {
    item.helpId = in.DWord();
    item.exStyle = in.DWord();
    item.style = in.DWord();
  } else {
    item.style = in.DWord();
    item.exStyle = in.DWord();
  }
  item.x = in.Short();
  item.y = in.Short();
  item.cx = in.Short();
  item.cy = in.Short();
  item.id = extended ? static_cast<int>(in.DWord()) : static_cast<int>(in.Word());
  const NameOrOrdinal windowClass = in.NameOrOrdinalField();
  const NameOrOrdinal title = in.NameOrOrdinalField();
  in.Skip(in.Word());  // creation data, handed to WM_CREATE on Windows
  if (!in.ok()) {
    return ERROR_INVALID_DATA;
  }
  item.windowClass = ClassOf(windowClass);
  if (item.windowClass == nullptr) {
    return (dialogStyle & DS_NOFAILCREATE) != 0 ? ERROR_SUCCESS : ERROR_CANNOT_FIND_WND_CLASS;
  }
  // An ordinal title names an icon or bitmap resource: no text.
  item.text = title.isOrdinal ? std::string() : ToAnsi(title.name);
  t.items.push_back(std::move(item));
  return ERROR_SUCCESS;
}

}  // namespace

DWORD ParseDialogTemplate(const BYTE* data, const BYTE* end, DialogTemplate& result) {
  if (data == nullptr) {
    return ERROR_INVALID_DATA;
  }
  Reader in(data, end);
  DialogTemplate t;
  int itemCount = 0;
  DWORD error = ReadHeader(in, t, itemCount);
  for (int i = 0; error == ERROR_SUCCESS && i < itemCount; ++i) {
    error = ReadItem(in, t.extended, t.style, t);
  }
  if (error == ERROR_SUCCESS) {
    result = std::move(t);
  }
  return error;
}

}  // namespace user32
}  // namespace win32
