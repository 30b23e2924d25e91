// The action dialog as the module's resources hold it: the extended template read field
// by field from the bytes FindResourceA finds, and the dialog the headless dialog manager
// builds from the same resource.
#include <gtest/gtest.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "config/ResourceString.h"
#include "resources/resource.h"
#include "testing/ActionDialogLayout.h"
#include "conformance/User32TestSupport.h"

namespace pellacorm {
namespace {

namespace user = win32::headless;

// sz_Or_Ord of a template: an ordinal, or a text (empty for none).
struct NameOrOrdinal {
  bool isOrdinal = false;
  WORD ordinal = 0;
  std::string name;
};

// Reads the little-endian fields of a template, never past its size.
class TemplateReader {
 public:
  TemplateReader(const BYTE* data, std::size_t size) : m_data(data), m_size(size) {}

  bool ok() const { return m_ok; }
  std::size_t offset() const { return m_at; }

  BYTE Byte() { return static_cast<BYTE>(Take(1)); }
  WORD Word() { return static_cast<WORD>(Take(2)); }
  DWORD DWord() { return Take(4); }
  int Short() { return static_cast<SHORT>(Word()); }

  // A zero-terminated UTF-16 text; the units above 0x7F, which these texts do not
  // have, as '?'.
  std::string Text() {
    std::string text;
    for (WORD unit = Word(); m_ok && unit != 0; unit = Word()) {
      text.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    }
    return text;
  }

  NameOrOrdinal Field() {
    NameOrOrdinal result;
    if (m_at + 2 <= m_size && m_data[m_at] == 0xFF && m_data[m_at + 1] == 0xFF) {
      Word();
      result.isOrdinal = true;
      result.ordinal = Word();
    } else {
      result.name = Text();
    }
    return result;
  }

  // Items start on a DWORD boundary from the start of the template; the padding is 0.
  void AlignToDWord() {
    while (m_ok && m_at % 4 != 0) {
      if (Byte() != 0) {
        m_ok = false;
      }
    }
  }

 private:
  DWORD Take(std::size_t count) {
    if (!m_ok || m_size - m_at < count) {
      m_ok = false;
      return 0;
    }
    DWORD value = 0;
    for (std::size_t i = 0; i < count; ++i) {
      value |= static_cast<DWORD>(m_data[m_at + i]) << (8 * i);
    }
    m_at += count;
    return value;
  }

  const BYTE* m_data;
  std::size_t m_size;
  std::size_t m_at = 0;
  bool m_ok = true;
};

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

// A predefined class may be written as its ordinal (0x0080 for the button class) or as
// its name in any case: windres writes quoted class names as upper-case text.
::testing::AssertionResult IsClass(const NameOrOrdinal& field, WORD atom, const std::string& name) {
  if (field.isOrdinal ? field.ordinal == atom : SameIgnoringCase(field.name, name)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "class " << (field.isOrdinal ? std::to_string(field.ordinal) : field.name) << " is not " << name;
}

using testsupport::ExpectedControl;
using testsupport::kActionControls;
using testsupport::kActionStyle;

TEST(ActionDialogTemplate, ModuleResourceHoldsTheExtendedTemplateOfTheActionDialog) {
  const HRSRC found = FindResourceA(ModuleInstance(), MAKEINTRESOURCEA(IDD_ACTION), RT_DIALOG);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(FindResourceExA(ModuleInstance(), RT_DIALOG, MAKEINTRESOURCEA(IDD_ACTION),
                            MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
            found);
  const DWORD size = SizeofResource(ModuleInstance(), found);
  const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(ModuleInstance(), found)));
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(data) % 4, 0u) << "templates are DWORD-aligned";

  TemplateReader in(data, size);
  EXPECT_EQ(in.Word(), 1) << "dlgVer";
  EXPECT_EQ(in.Word(), 0xFFFF) << "signature";
  EXPECT_EQ(in.DWord(), 0u) << "helpID";
  EXPECT_EQ(in.DWord(), 0u) << "exStyle";
  EXPECT_EQ(in.DWord(), kActionStyle) << "style";
  const WORD count = in.Word();
  ASSERT_EQ(static_cast<std::size_t>(count), std::size(kActionControls));
  EXPECT_EQ((std::vector<int>{in.Short(), in.Short(), in.Short(), in.Short()}),
            (std::vector<int>{0, 0, 203, 166}));
  const NameOrOrdinal menu = in.Field();
  EXPECT_TRUE(!menu.isOrdinal && menu.name.empty()) << "no menu";
  const NameOrOrdinal windowClass = in.Field();
  EXPECT_TRUE(!windowClass.isOrdinal && windowClass.name.empty()) << "the standard dialog class";
  EXPECT_EQ(in.Text(), "Pellacorm Action");
  // DS_SETFONT: the font of the extended template.
  EXPECT_EQ(in.Word(), 8) << "point size";
  EXPECT_EQ(in.Word(), 400) << "weight";
  EXPECT_EQ(in.Byte(), 0) << "italic";
  EXPECT_EQ(in.Byte(), 1) << "character set";
  EXPECT_EQ(in.Text(), "MS Shell Dlg");

  for (const ExpectedControl& e : kActionControls) {
    SCOPED_TRACE(std::string("control \"") + e.text + "\" (" + std::to_string(e.id) + ")");
    in.AlignToDWord();
    EXPECT_EQ(in.DWord(), 0u) << "helpID";
    EXPECT_EQ(in.DWord(), 0u) << "exStyle";
    EXPECT_EQ(in.DWord(), e.style) << "style";
    EXPECT_EQ((std::vector<int>{in.Short(), in.Short(), in.Short(), in.Short()}),
              (std::vector<int>{e.x, e.y, e.cx, e.cy}));
    EXPECT_EQ(in.DWord(), static_cast<DWORD>(e.id)) << "id";
    EXPECT_TRUE(IsClass(in.Field(), e.classAtom, e.className));
    const NameOrOrdinal title = in.Field();
    EXPECT_FALSE(title.isOrdinal);
    EXPECT_EQ(title.name, e.text);
    EXPECT_EQ(in.Word(), 0) << "no creation data";
  }
  EXPECT_TRUE(in.ok()) << "the template is truncated or its padding is not zero";
  EXPECT_EQ(in.offset(), size) << "bytes after the last control";
}

class ActionDialogResource : public user32test::User32Test {};

// The headless dialog manager reads the module's template as Windows does.
TEST_F(ActionDialogResource, DialogManagerBuildsTheActionDialogFromTheModule) {
  user::DialogView seen;
  user::Inspect([&seen](const user::DialogView& view) { seen = view; });
  user::PressEscape();
  user32test::Recorder recorder;
  recorder.handler = user32test::EndOnOkOrCancel;
  EXPECT_EQ(DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(IDD_ACTION), m_host,
                            &user32test::Recorder::Proc, recorder.Param()),
            IDCANCEL);

  EXPECT_EQ(seen.caption, "Pellacorm Action");
  EXPECT_EQ(seen.style, kActionStyle | WS_VISIBLE);
  EXPECT_EQ((std::vector<int>{seen.x, seen.y, seen.cx, seen.cy}), (std::vector<int>{0, 0, 203, 166}));
  EXPECT_EQ(seen.fontFace, "MS Shell Dlg");
  EXPECT_EQ(seen.pointSize, 8);
  EXPECT_EQ(seen.weight, 400);
  EXPECT_FALSE(seen.italic);
  EXPECT_EQ(seen.charset, 1);
  ASSERT_EQ(seen.controls.size(), std::size(kActionControls));
  for (std::size_t i = 0; i < std::size(kActionControls); ++i) {
    const user::ControlView& c = seen.controls[i];
    const ExpectedControl& e = kActionControls[i];
    SCOPED_TRACE("control #" + std::to_string(i + 1));
    EXPECT_EQ(c.className, e.className);
    EXPECT_EQ(c.id, e.id);
    // A combo box hands its scroll bar to its list.
    EXPECT_EQ(c.style, e.classAtom == testsupport::kComboBoxAtom ? e.style & ~static_cast<DWORD>(WS_VSCROLL)
                                                                 : e.style);
    EXPECT_EQ(c.text, e.text);
    EXPECT_EQ((std::vector<int>{c.x, c.y, c.cx, c.cy}), (std::vector<int>{e.x, e.y, e.cx, e.cy}));
  }
}

}  // namespace
}  // namespace pellacorm
