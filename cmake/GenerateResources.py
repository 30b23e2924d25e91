#!/usr/bin/env python3
"""Turns a Windows resource script (.rc) into C++ source for builds that are not Windows.

The output holds the resources laid out byte for byte as the Windows resource compiler
lays them out, and registers them with the platform layer (win32::RegisterModuleResources)
when the module that contains them loads, so FindResource, LoadResource and LockResource
answer as they do for the DLL.

Handled: the preprocessor as the resource compiler applies it (#include, #define of
object-like macros, #undef, #if/#ifdef/#ifndef/#elif/#else/#endif, #pragma code_page),
LANGUAGE statements, STRINGTABLE and DIALOGEX. Every other resource statement
(VERSIONINFO, MENU, ICON, ...) is read and passed over; a classic DIALOG is an error. As
with the resource compiler, only the preprocessor directives of an included .h or .c file
count, and system headers (#include <...>) stand for the names of <windows.h> listed in
SYSTEM_DEFINES.

The layouts are those that the MinGW-w64 resource compiler (windres) writes into the DLL;
GenerateResourcesTest.py compares them with its output byte for byte.

String-table layout: the strings of id n live in block n / 16 + 1 (RT_STRING, 6) at
place n % 16; a block holds sixteen entries, each a 16-bit count of UTF-16 units and
then the units, without terminator; an absent string has count 0. Only blocks with at
least one string are emitted, one per block and language.

Dialog layout (RT_DIALOG, 5): the extended template. Little-endian; sz_Or_Ord is 0x0000
for none, 0xFFFF and a WORD for an ordinal, or a zero-terminated UTF-16 text.
    WORD 1, WORD 0xFFFF, DWORD help id, DWORD extended style, DWORD style,
    WORD item count, short x, y, cx, cy, sz_Or_Ord menu, sz_Or_Ord class, caption (text,
    an empty one being a single 0), and when the style has DS_SETFONT: WORD point size,
    WORD weight, BYTE italic, BYTE character set, typeface (text).
Then each item, starting on a DWORD boundary from the start of the template:
    DWORD help id, DWORD extended style, DWORD style, short x, y, cx, cy, DWORD id,
    sz_Or_Ord class, sz_Or_Ord text, WORD 0 (no creation data).
What the resource compiler adds of its own:
  - A dialog without STYLE has WS_POPUP | WS_BORDER | WS_SYSMENU. CAPTION adds
    WS_CAPTION and FONT adds DS_SETFONT to the style, both to the one in force and to
    what a later STYLE gives. With DS_SETFONT and no FONT the font fields are all 0
    (character set included); a FONT without a character set gives 1, without weight or
    italic 0.
  - A control's style starts as WS_CHILD | WS_VISIBLE.
  - A style is a list of terms joined by |, each a number or a parenthesised expression,
    and NOT before a term clears its bits from what the terms before it (and the
    starting style) gave: "NOT WS_VISIBLE | WS_TABSTOP" is WS_CHILD | WS_TABSTOP.
  - Class names (of controls and of the dialog) and menu names are written as text in
    upper case, also those of the predefined classes ("Button" becomes "BUTTON"); a
    number is written as an ordinal (0x0080 for the button class). A control's text is
    written as given, or as an ordinal when it is a number (an icon's resource id).
  - Coordinates keep their low 16 bits, ids, styles and help ids their low 32 (-1 is
    0xFFFFFFFF).
CONTROL is the one control statement handled; the others (PUSHBUTTON, LTEXT, COMBOBOX,
...) imply styles of their own and are errors, as are creation data after a control.
"""

import argparse
import os
import re
import struct
import sys

RT_DIALOG = 5
RT_STRING = 6

# The names of <windows.h> that resource scripts here use. Add to them as the script
# grows; an unknown name is an error, never a silent 0. Where MinGW-w64 is installed,
# GenerateResourcesTest.py checks every value against its headers.
SYSTEM_DEFINES = {
    "RC_INVOKED": "1",
    "_WIN32": "1",
    "LANG_NEUTRAL": "0x00",
    "LANG_ENGLISH": "0x09",
    "SUBLANG_NEUTRAL": "0x00",
    "SUBLANG_DEFAULT": "0x01",
    "SUBLANG_SYS_DEFAULT": "0x02",
    "SUBLANG_ENGLISH_US": "0x01",
    "RT_STRING": "6",
    "RT_DIALOG": "5",
    "RT_VERSION": "16",
    "RT_MANIFEST": "24",
    # Window styles.
    "WS_OVERLAPPED": "0x00000000L",
    "WS_POPUP": "0x80000000L",
    "WS_CHILD": "0x40000000L",
    "WS_MINIMIZE": "0x20000000L",
    "WS_VISIBLE": "0x10000000L",
    "WS_DISABLED": "0x08000000L",
    "WS_CLIPSIBLINGS": "0x04000000L",
    "WS_CLIPCHILDREN": "0x02000000L",
    "WS_MAXIMIZE": "0x01000000L",
    "WS_CAPTION": "0x00C00000L",
    "WS_BORDER": "0x00800000L",
    "WS_DLGFRAME": "0x00400000L",
    "WS_VSCROLL": "0x00200000L",
    "WS_HSCROLL": "0x00100000L",
    "WS_SYSMENU": "0x00080000L",
    "WS_THICKFRAME": "0x00040000L",
    "WS_GROUP": "0x00020000L",
    "WS_TABSTOP": "0x00010000L",
    "WS_MINIMIZEBOX": "0x00020000L",
    "WS_MAXIMIZEBOX": "0x00010000L",
    "WS_OVERLAPPEDWINDOW": "(WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | "
                           "WS_MAXIMIZEBOX)",
    "WS_POPUPWINDOW": "(WS_POPUP | WS_BORDER | WS_SYSMENU)",
    # Extended window styles.
    "WS_EX_DLGMODALFRAME": "0x00000001L",
    "WS_EX_NOPARENTNOTIFY": "0x00000004L",
    "WS_EX_TOPMOST": "0x00000008L",
    "WS_EX_ACCEPTFILES": "0x00000010L",
    "WS_EX_TRANSPARENT": "0x00000020L",
    "WS_EX_TOOLWINDOW": "0x00000080L",
    "WS_EX_WINDOWEDGE": "0x00000100L",
    "WS_EX_CLIENTEDGE": "0x00000200L",
    "WS_EX_CONTEXTHELP": "0x00000400L",
    "WS_EX_RIGHT": "0x00001000L",
    "WS_EX_LEFT": "0x00000000L",
    "WS_EX_RTLREADING": "0x00002000L",
    "WS_EX_LTRREADING": "0x00000000L",
    "WS_EX_LEFTSCROLLBAR": "0x00004000L",
    "WS_EX_RIGHTSCROLLBAR": "0x00000000L",
    "WS_EX_CONTROLPARENT": "0x00010000L",
    "WS_EX_STATICEDGE": "0x00020000L",
    "WS_EX_APPWINDOW": "0x00040000L",
    # Dialog styles.
    "DS_ABSALIGN": "0x01L",
    "DS_SYSMODAL": "0x02L",
    "DS_3DLOOK": "0x0004L",
    "DS_FIXEDSYS": "0x0008L",
    "DS_NOFAILCREATE": "0x0010L",
    "DS_LOCALEDIT": "0x20L",
    "DS_SETFONT": "0x40L",
    "DS_MODALFRAME": "0x80L",
    "DS_NOIDLEMSG": "0x100L",
    "DS_SETFOREGROUND": "0x200L",
    "DS_CONTROL": "0x0400L",
    "DS_CENTER": "0x0800L",
    "DS_CENTERMOUSE": "0x1000L",
    "DS_CONTEXTHELP": "0x2000L",
    "DS_SHELLFONT": "(DS_SETFONT | DS_FIXEDSYS)",
    # Button styles.
    "BS_PUSHBUTTON": "0x00000000L",
    "BS_DEFPUSHBUTTON": "0x00000001L",
    "BS_CHECKBOX": "0x00000002L",
    "BS_AUTOCHECKBOX": "0x00000003L",
    "BS_RADIOBUTTON": "0x00000004L",
    "BS_3STATE": "0x00000005L",
    "BS_AUTO3STATE": "0x00000006L",
    "BS_GROUPBOX": "0x00000007L",
    "BS_AUTORADIOBUTTON": "0x00000009L",
    "BS_OWNERDRAW": "0x0000000BL",
    "BS_LEFTTEXT": "0x00000020L",
    "BS_TEXT": "0x00000000L",
    "BS_ICON": "0x00000040L",
    "BS_BITMAP": "0x00000080L",
    "BS_LEFT": "0x00000100L",
    "BS_RIGHT": "0x00000200L",
    "BS_CENTER": "0x00000300L",
    "BS_TOP": "0x00000400L",
    "BS_BOTTOM": "0x00000800L",
    "BS_VCENTER": "0x00000C00L",
    "BS_PUSHLIKE": "0x00001000L",
    "BS_MULTILINE": "0x00002000L",
    "BS_NOTIFY": "0x00004000L",
    "BS_FLAT": "0x00008000L",
    # Combo box styles.
    "CBS_SIMPLE": "0x0001L",
    "CBS_DROPDOWN": "0x0002L",
    "CBS_DROPDOWNLIST": "0x0003L",
    "CBS_OWNERDRAWFIXED": "0x0010L",
    "CBS_OWNERDRAWVARIABLE": "0x0020L",
    "CBS_AUTOHSCROLL": "0x0040L",
    "CBS_OEMCONVERT": "0x0080L",
    "CBS_SORT": "0x0100L",
    "CBS_HASSTRINGS": "0x0200L",
    "CBS_NOINTEGRALHEIGHT": "0x0400L",
    "CBS_DISABLENOSCROLL": "0x0800L",
    "CBS_UPPERCASE": "0x2000L",
    "CBS_LOWERCASE": "0x4000L",
    # Static control styles.
    "SS_LEFT": "0x00000000L",
    "SS_CENTER": "0x00000001L",
    "SS_RIGHT": "0x00000002L",
    "SS_ICON": "0x00000003L",
    "SS_BLACKRECT": "0x00000004L",
    "SS_GRAYRECT": "0x00000005L",
    "SS_WHITERECT": "0x00000006L",
    "SS_BLACKFRAME": "0x00000007L",
    "SS_GRAYFRAME": "0x00000008L",
    "SS_WHITEFRAME": "0x00000009L",
    "SS_SIMPLE": "0x0000000BL",
    "SS_LEFTNOWORDWRAP": "0x0000000CL",
    "SS_BITMAP": "0x0000000EL",
    "SS_ETCHEDHORZ": "0x00000010L",
    "SS_ETCHEDVERT": "0x00000011L",
    "SS_ETCHEDFRAME": "0x00000012L",
    "SS_NOPREFIX": "0x00000080L",
    "SS_NOTIFY": "0x00000100L",
    "SS_CENTERIMAGE": "0x00000200L",
    "SS_SUNKEN": "0x00001000L",
    "SS_ENDELLIPSIS": "0x00004000L",
    "SS_PATHELLIPSIS": "0x00008000L",
    "SS_WORDELLIPSIS": "0x0000C000L",
    # Edit control styles.
    "ES_LEFT": "0x0000L",
    "ES_CENTER": "0x0001L",
    "ES_RIGHT": "0x0002L",
    "ES_MULTILINE": "0x0004L",
    "ES_UPPERCASE": "0x0008L",
    "ES_LOWERCASE": "0x0010L",
    "ES_PASSWORD": "0x0020L",
    "ES_AUTOVSCROLL": "0x0040L",
    "ES_AUTOHSCROLL": "0x0080L",
    "ES_NOHIDESEL": "0x0100L",
    "ES_OEMCONVERT": "0x0400L",
    "ES_READONLY": "0x0800L",
    "ES_WANTRETURN": "0x1000L",
    "ES_NUMBER": "0x2000L",
    # List box styles.
    "LBS_NOTIFY": "0x0001L",
    "LBS_SORT": "0x0002L",
    "LBS_NOREDRAW": "0x0004L",
    "LBS_MULTIPLESEL": "0x0008L",
    "LBS_OWNERDRAWFIXED": "0x0010L",
    "LBS_OWNERDRAWVARIABLE": "0x0020L",
    "LBS_HASSTRINGS": "0x0040L",
    "LBS_USETABSTOPS": "0x0080L",
    "LBS_NOINTEGRALHEIGHT": "0x0100L",
    "LBS_MULTICOLUMN": "0x0200L",
    "LBS_WANTKEYBOARDINPUT": "0x0400L",
    "LBS_EXTENDEDSEL": "0x0800L",
    "LBS_DISABLENOSCROLL": "0x1000L",
    "LBS_NOSEL": "0x4000L",
    "LBS_STANDARD": "(LBS_NOTIFY | LBS_SORT | WS_VSCROLL | WS_BORDER)",
    # Scroll bar styles.
    "SBS_HORZ": "0x0000L",
    "SBS_VERT": "0x0001L",
    "SBS_TOPALIGN": "0x0002L",
    "SBS_LEFTALIGN": "0x0002L",
    "SBS_BOTTOMALIGN": "0x0004L",
    "SBS_RIGHTALIGN": "0x0004L",
    "SBS_SIZEBOX": "0x0008L",
    "SBS_SIZEGRIP": "0x0010L",
    # Dialog box command ids.
    "IDOK": "1",
    "IDCANCEL": "2",
    "IDABORT": "3",
    "IDRETRY": "4",
    "IDIGNORE": "5",
    "IDYES": "6",
    "IDNO": "7",
    "IDCLOSE": "8",
    "IDHELP": "9",
}

# Styles the resource compiler adds to dialogs and controls.
WS_POPUP = 0x80000000
WS_CHILD = 0x40000000
WS_VISIBLE = 0x10000000
WS_CAPTION = 0x00C00000
WS_BORDER = 0x00800000
WS_SYSMENU = 0x00080000
DS_SETFONT = 0x40
DIALOG_DEFAULT_STYLE = WS_POPUP | WS_BORDER | WS_SYSMENU
CONTROL_START_STYLE = WS_CHILD | WS_VISIBLE
DEFAULT_CHARSET = 1

# Control statements with implied classes and styles, which this generator does not
# lay out: a dialog that uses them is an error, to be written with CONTROL.
IMPLIED_CONTROLS = {"AUTO3STATE", "AUTOCHECKBOX", "AUTORADIOBUTTON", "BEDIT", "CHECKBOX", "COMBOBOX", "CTEXT",
                    "DEFPUSHBUTTON", "EDITTEXT", "GROUPBOX", "HEDIT", "ICON", "IEDIT", "LISTBOX", "LTEXT",
                    "PUSHBOX", "PUSHBUTTON", "RADIOBUTTON", "RTEXT", "SCROLLBAR", "STATE3", "USERBUTTON"}

MEMORY_FLAGS = {"PRELOAD", "LOADONCALL", "FIXED", "MOVEABLE", "DISCARDABLE", "PURE", "IMPURE", "SHARED",
                "NONSHARED"}
# Resource types whose statement names a file and has no block.
FILE_TYPES = {"ICON", "CURSOR", "BITMAP", "FONT", "MESSAGETABLE", "HTML", "PLUGPLAY", "VXD", "ANICURSOR",
              "ANIICON"}

# Code page 1252 for narrow string literals; the five undefined bytes map to the C1
# control of the same value, as Windows converts them.
_CP1252_HIGH = [0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178]


class RcError(Exception):
    pass


def where(origin):
    return "%s:%d" % origin


# ---------------------------------------------------------------------------------------
# Preprocessing


def strip_comments(text):
    """Removes // and /* */ comments outside string and character literals; keeps lines."""
    out = []
    i = 0
    n = len(text)
    while i < n:
        c = text[i]
        if c == '"' or c == "'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                if c == '"' and text[j] == '"' and j + 1 < n and text[j + 1] == '"':
                    j += 2
                    continue
                if text[j] == "\\" and j + 1 < n:
                    j += 2
                    continue
                j += 1
            out.append(text[i:j + 1])
            i = j + 1
        elif text.startswith("//", i):
            while i < n and text[i] != "\n":
                i += 1
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append("\n" * text.count("\n", i, end))
            i = end
        else:
            out.append(c)
            i += 1
    return "".join(out)


class Preprocessor:
    def __init__(self, include_dirs):
        self.include_dirs = include_dirs
        self.defines = dict(SYSTEM_DEFINES)
        self.files = []
        # Lines of the resource script proper: (text, (file, line), code page).
        self.lines = []
        self.code_page = 1252

    def run(self, path, directives_only=False):
        path = os.path.abspath(path)
        self.files.append(path)
        with open(path, "rb") as f:
            # Bytes stay bytes (latin-1 keeps each as one character) until a string
            # literal is decoded with the code page in force.
            text = f.read().decode("latin-1")
        if text.startswith("\u00ef\u00bb\u00bf"):
            text = text[3:]
            self.code_page = 65001
        text = text.replace("\r\n", "\n").replace("\\\n", "")
        text = strip_comments(text)
        stack = []  # (active now, some branch taken, parent active)
        for number, line in enumerate(text.split("\n"), start=1):
            origin = (path, number)
            active = all(s[0] for s in stack)
            stripped = line.strip()
            if stripped.startswith("#"):
                self.directive(stripped[1:].strip(), origin, stack, active, path)
                continue
            if active and not directives_only and stripped:
                self.lines.append((line, origin, self.code_page))
        if stack:
            raise RcError("%s: #if without #endif" % path)

    def directive(self, body, origin, stack, active, path):
        match = re.match(r"(\w+)\s*(.*)", body)
        if not match:
            return
        name, rest = match.group(1), match.group(2).strip()
        if name in ("if", "ifdef", "ifndef"):
            if not active:
                stack.append([False, True])
                return
            if name == "ifdef":
                value = rest.split()[0] in self.defines
            elif name == "ifndef":
                value = rest.split()[0] not in self.defines
            else:
                value = self.condition(rest, origin)
            stack.append([value, value])
            return
        if name in ("elif", "else", "endif"):
            if not stack:
                raise RcError("%s: #%s without #if" % (where(origin), name))
            if name == "endif":
                stack.pop()
                return
            parent_active = all(s[0] for s in stack[:-1])
            top = stack[-1]
            if top[1] or not parent_active:
                top[0] = False
                return
            top[0] = True if name == "else" else self.condition(rest, origin)
            top[1] = top[0]
            return
        if not active:
            return
        if name == "include":
            self.include(rest, origin, path)
        elif name == "define":
            m = re.match(r"([A-Za-z_]\w*)(\(?)\s*(.*)", rest)
            if not m:
                raise RcError("%s: bad #define" % where(origin))
            if not m.group(2):  # function-like macros are not used by resource scripts
                self.defines[m.group(1)] = m.group(3).strip()
        elif name == "undef":
            self.defines.pop(rest.split()[0], None)
        elif name == "pragma":
            m = re.match(r"code_page\s*\(\s*(\w+)\s*\)", rest)
            if m:
                self.code_page = 1252 if m.group(1).upper() == "DEFAULT" else int(m.group(1), 0)
                if self.code_page not in (1252, 65001):
                    raise RcError("%s: code page %d is not supported" % (where(origin), self.code_page))
        elif name == "error":
            raise RcError("%s: #error %s" % (where(origin), rest))
        # #line and other pragmas change nothing here.

    def include(self, rest, origin, path):
        if rest.startswith("<"):
            return  # system headers: SYSTEM_DEFINES stands for them
        m = re.match(r'"([^"]+)"', rest)
        if not m:
            raise RcError("%s: bad #include" % where(origin))
        name = m.group(1)
        for directory in [os.path.dirname(path)] + self.include_dirs:
            candidate = os.path.join(directory, name)
            if os.path.isfile(candidate):
                header = os.path.splitext(candidate)[1].lower() in (".h", ".hpp", ".c")
                saved = self.code_page
                self.run(candidate, directives_only=header)
                self.code_page = saved
                return
        raise RcError("%s: cannot find %s" % (where(origin), name))

    def condition(self, text, origin):
        text = re.sub(r"defined\s*\(\s*(\w+)\s*\)|defined\s+(\w+)",
                      lambda m: "1" if (m.group(1) or m.group(2)) in self.defines else "0", text)
        tokens = tokenize_line(text, origin, 1252)
        tokens = [t if t[0] != "id" or t[1] in self.defines else ("num", 0, origin) for t in tokens]
        parser = Parser(expand(tokens, self.defines), "")
        value = parser.expression(logical=True)
        if not parser.at_end():
            raise RcError("%s: cannot read #if %s" % (where(origin), text))
        return value != 0


# ---------------------------------------------------------------------------------------
# Tokens: ("str", [UTF-16 units], origin), ("num", value, origin), ("id", name, origin),
# ("op", character, origin).

TOKEN = re.compile(r"""
    (?P<space>\s+)
  | (?P<str>L?"(?:[^"\\\n]|\\.|"")*")
  | (?P<num>0[xX][0-9a-fA-F]+[uUlL]*|\d+[uUlL]*)
  | (?P<id>[A-Za-z_][\w.]*)
  | (?P<op>\|\||&&|==|!=|<=|>=|[-+*/|&~!(),{}<>])
""", re.VERBOSE)


def decode_narrow(raw, code_page):
    """UTF-16 units of bytes (given as latin-1 characters) in the script's code page."""
    data = raw.encode("latin-1")
    if code_page == 65001:
        text = data.decode("utf-8")
        units = []
        for ch in text:
            units.extend(encode_utf16(ord(ch)))
        return units
    return [_CP1252_HIGH[b - 0x80] if 0x80 <= b < 0xA0 else b for b in data]


def encode_utf16(cp):
    if cp < 0x10000:
        return [cp]
    cp -= 0x10000
    return [0xD800 + (cp >> 10), 0xDC00 + (cp & 0x3FF)]


def string_units(literal, code_page, origin):
    wide = literal.startswith("L")
    body = literal[2:-1] if wide else literal[1:-1]
    units = []
    pending = []  # bytes of a narrow literal still to decode

    def flush():
        if wide and any(ord(c) >= 0x80 for c in pending):
            # windres widens each byte of an L"..." literal with its sign (0xE9 becomes
            # 0xFFE9) whatever the code page: refuse rather than lay out something else.
            raise RcError("%s: a character outside ASCII in an L\"...\" string; write it as a \\x escape"
                          % where(origin))
        if pending:
            units.extend(decode_narrow("".join(pending), code_page))
            pending.clear()

    i = 0
    simple = {"a": 7, "b": 8, "f": 12, "n": 10, "r": 13, "t": 9, "v": 11, "\\": 92, '"': 34, "'": 39, "?": 63}
    while i < len(body):
        c = body[i]
        if c == '"' and i + 1 < len(body) and body[i + 1] == '"':
            pending.append('"')
            i += 2
            continue
        if c != "\\":
            pending.append(c)
            i += 1
            continue
        i += 1
        if i >= len(body):
            raise RcError("%s: string ends in a backslash" % where(origin))
        e = body[i]
        if e in simple:
            value = simple[e]
            i += 1
        elif e in "xX":
            m = re.match(r"[0-9a-fA-F]{1,%d}" % (4 if wide else 2), body[i + 1:])
            if not m:
                raise RcError("%s: bad \\x escape" % where(origin))
            value = int(m.group(0), 16)
            i += 1 + len(m.group(0))
        elif e in "01234567":
            m = re.match(r"[0-7]{1,3}", body[i:])
            value = int(m.group(0), 8)
            i += len(m.group(0))
        else:
            # The resource compiler keeps an unknown escape as it stands.
            value = None
            pending.append("\\")
        if value is None:
            continue
        if wide:
            flush()
            units.append(value & 0xFFFF)
        else:
            pending.append(chr(value & 0xFF))
    flush()
    return units


def tokenize_line(text, origin, code_page):
    tokens = []
    pos = 0
    while pos < len(text):
        m = TOKEN.match(text, pos)
        if not m:
            raise RcError("%s: cannot read %r" % (where(origin), text[pos:pos + 20]))
        pos = m.end()
        kind = m.lastgroup
        value = m.group(kind)
        if kind == "space":
            continue
        if kind == "str":
            tokens.append(("str", string_units(value, code_page, origin), origin))
        elif kind == "num":
            tokens.append(("num", int(value.rstrip("uUlL"), 0), origin))
        else:
            tokens.append((kind, value, origin))
    return tokens


def expand(tokens, defines, depth=0):
    """Replaces defined names by their values (object-like macros)."""
    if depth > 32:
        raise RcError("macro expansion does not end")
    out = []
    for token in tokens:
        if token[0] == "id" and token[1] in defines:
            value = tokenize_line(defines[token[1]], token[2], 1252)
            out.extend(expand(value, defines, depth + 1))
        else:
            out.append(token)
    return out


class Parser:
    def __init__(self, tokens, path):
        self.tokens = tokens
        self.pos = 0
        self.path = path

    def at_end(self):
        return self.pos >= len(self.tokens)

    def peek(self, offset=0):
        i = self.pos + offset
        return self.tokens[i] if i < len(self.tokens) else ("eof", None, (self.path, 0))

    def take(self):
        token = self.peek()
        if token[0] == "eof":
            raise RcError("%s: unexpected end of file" % self.path)
        self.pos += 1
        return token

    def is_word(self, word, offset=0):
        token = self.peek(offset)
        return token[0] == "id" and token[1].upper() == word

    def is_begin(self):
        return self.is_word("BEGIN") or (self.peek()[0] == "op" and self.peek()[1] == "{")

    def is_end(self):
        return self.is_word("END") or (self.peek()[0] == "op" and self.peek()[1] == "}")

    # Expressions: | & + - * / with unary - ~ ! and NOT, parentheses, numbers.
    def expression(self, logical=False):
        ops = [["||"], ["&&"], ["|"], ["&"], ["==", "!="], ["<", ">", "<=", ">="], ["+", "-"], ["*", "/"]]
        if not logical:
            ops = [["|"], ["&"], ["+", "-"], ["*", "/"]]
        return self._binary(ops, 0)

    def _binary(self, levels, level):
        if level == len(levels):
            return self._unary()
        value = self._binary(levels, level + 1)
        while self.peek()[0] == "op" and self.peek()[1] in levels[level]:
            op = self.take()[1]
            rhs = self._binary(levels, level + 1)
            value = {
                "||": lambda a, b: int(bool(a) or bool(b)), "&&": lambda a, b: int(bool(a) and bool(b)),
                "|": lambda a, b: a | b, "&": lambda a, b: a & b, "==": lambda a, b: int(a == b),
                "!=": lambda a, b: int(a != b), "<": lambda a, b: int(a < b), ">": lambda a, b: int(a > b),
                "<=": lambda a, b: int(a <= b), ">=": lambda a, b: int(a >= b), "+": lambda a, b: a + b,
                "-": lambda a, b: a - b, "*": lambda a, b: a * b, "/": lambda a, b: a // b if b else 0,
            }[op](value, rhs)
        return value

    def _unary(self):
        token = self.take()
        if token[0] == "op" and token[1] == "-":
            return -self._unary()
        if token[0] == "op" and token[1] == "~":
            return ~self._unary()
        if token[0] == "op" and token[1] == "!":
            return int(not self._unary())
        if token[0] == "id" and token[1].upper() == "NOT":
            return ~self._unary()
        if token[0] == "op" and token[1] == "(":
            value = self.expression(logical=True)
            closing = self.take()
            if closing[:2] != ("op", ")"):
                raise RcError("%s: ')' expected" % where(token[2]))
            return value
        if token[0] == "num":
            return token[1]
        raise RcError("%s: number expected, found %r" % (where(token[2]), token[1]))

    def style(self, value):
        """A style as the resource compiler reads it: terms joined by |, each a number or a
        parenthesised expression, NOT before a term clearing its bits from `value` and the
        terms before it."""
        while True:
            negate = self.is_word("NOT")
            if negate:
                self.take()
            token = self.take()
            if token[0] == "num":
                term = token[1]
            elif token[:2] == ("op", "("):
                term = self.expression()
                closing = self.take()
                if closing[:2] != ("op", ")"):
                    raise RcError("%s: ')' expected" % where(token[2]))
            elif token[0] == "id":
                raise RcError("%s: %s is not defined" % (where(token[2]), token[1]))
            else:
                raise RcError("%s: style expected, found %r" % (where(token[2]), token[1]))
            value = value & ~term if negate else value | term
            if self.peek()[:2] != ("op", "|"):
                return value & 0xFFFFFFFF
            self.take()

    def comma(self, what):
        token = self.take()
        if token[:2] != ("op", ","):
            raise RcError("%s: ',' expected before %s, found %r" % (where(token[2]), what, token[1]))

    def skip_block(self):
        """Passes over BEGIN ... END (or { ... }), nested blocks included."""
        depth = 0
        while True:
            if self.is_begin():
                depth += 1
            elif self.is_end():
                depth -= 1
            self.take()
            if depth == 0:
                return


def upper_name(units, origin):
    """A class or menu name as the resource compiler writes it: in upper case."""
    if any(u >= 0x80 for u in units):
        raise RcError("%s: names outside ASCII are not handled" % where(origin))
    return [u - 32 if 0x61 <= u <= 0x7A else u for u in units]


def name_or_ordinal(parser, what):
    """("ordinal", n) or ("name", units) of a MENU or CLASS statement or a control's class."""
    token = parser.peek()
    if token[0] == "str":
        parser.take()
        return ("name", upper_name(token[1], token[2]))
    if token[0] == "id":
        # An undefined name stands for itself, as in MENU mymenu.
        parser.take()
        return ("name", upper_name([ord(c) for c in token[1]], token[2]))
    value = parser.expression()
    if not 0 <= value <= 0xFFFF:
        raise RcError("%s: %s %d is not an ordinal" % (where(token[2]), what, value))
    return ("ordinal", value)


class Dialog:
    """A DIALOGEX statement, as the resource compiler reads it."""

    def __init__(self, origin, language):
        self.origin = origin
        self.language = language
        self.help_id = 0
        self.ex_style = 0
        self.style = DIALOG_DEFAULT_STYLE
        self.x = self.y = self.cx = self.cy = 0
        self.menu = None
        self.window_class = None
        self.caption = []
        self.font = None  # (point size, weight, italic, character set, typeface units)
        self.controls = []

    def template(self):
        out = bytearray()
        out += struct.pack("<HHIIIH", 1, 0xFFFF, self.help_id & 0xFFFFFFFF, self.ex_style & 0xFFFFFFFF,
                           self.style & 0xFFFFFFFF, len(self.controls))
        out += rect(self.x, self.y, self.cx, self.cy)
        out += sz_or_ord(self.menu) + sz_or_ord(self.window_class) + sz_text(self.caption)
        if self.style & DS_SETFONT:
            size, weight, italic, charset, face = self.font or (0, 0, 0, 0, [])
            out += struct.pack("<HHBB", size & 0xFFFF, weight & 0xFFFF, italic & 0xFF, charset & 0xFF)
            out += sz_text(face)
        for control in self.controls:
            out += b"\0" * (-len(out) % 4)
            out += struct.pack("<III", control["help_id"] & 0xFFFFFFFF, control["ex_style"] & 0xFFFFFFFF,
                               control["style"] & 0xFFFFFFFF)
            out += rect(*control["rect"])
            out += struct.pack("<I", control["id"] & 0xFFFFFFFF)
            out += sz_or_ord(control["class"]) + sz_or_ord(control["text"])
            out += struct.pack("<H", 0)
        return bytes(out)


def rect(x, y, cx, cy):
    return struct.pack("<4H", x & 0xFFFF, y & 0xFFFF, cx & 0xFFFF, cy & 0xFFFF)


def sz_text(units):
    return struct.pack("<%dH" % (len(units) + 1), *units, 0)


def sz_or_ord(value):
    if value is None:
        return struct.pack("<H", 0)
    kind, content = value
    if kind == "ordinal":
        return struct.pack("<HH", 0xFFFF, content)
    return sz_text(content)


class Script:
    def __init__(self):
        # Before any LANGUAGE statement: English (United States), as windres has it.
        self.language = 0x0409
        # (language, id) -> (units, origin)
        self.strings = {}
        # (language, id) -> Dialog
        self.dialog_statements = {}

    def parse(self, parser):
        while not parser.at_end():
            token = parser.peek()
            if parser.is_word("LANGUAGE"):
                parser.take()
                self.language = self.read_language(parser)
            elif parser.is_word("VERSION") or parser.is_word("CHARACTERISTICS"):
                parser.take()
                parser.expression()
            elif parser.is_word("STRINGTABLE"):
                parser.take()
                self.string_table(parser)
            elif token[0] in ("id", "num", "str") and parser.is_word("DIALOGEX", 1):
                self.dialog(parser)
            elif token[0] in ("id", "num", "str") and parser.is_word("DIALOG", 1):
                raise RcError("%s: DIALOG (the classic template) is not handled; write DIALOGEX" % where(token[2]))
            elif token[0] in ("id", "num", "str"):
                self.pass_over(parser)
            else:
                raise RcError("%s: unexpected %r" % (where(token[2]), token[1]))

    @staticmethod
    def read_language(parser):
        primary = parser.expression()
        if parser.take()[:2] != ("op", ","):
            raise RcError("%s: LANGUAGE needs a primary and a sub-language" % parser.path)
        sub = parser.expression()
        return ((sub & 0x3F) << 10) | (primary & 0x3FF)

    def string_table(self, parser):
        language = self.language
        while not parser.is_begin():
            if parser.is_word("LANGUAGE"):
                parser.take()
                language = self.read_language(parser)
            elif parser.is_word("VERSION") or parser.is_word("CHARACTERISTICS"):
                parser.take()
                parser.expression()
            elif parser.peek()[0] == "id" and parser.peek()[1].upper() in MEMORY_FLAGS:
                parser.take()
            else:
                token = parser.take()
                raise RcError("%s: unexpected %r before BEGIN" % (where(token[2]), token[1]))
        parser.take()
        while not parser.is_end():
            origin = parser.peek()[2]
            string_id = parser.expression()
            if parser.peek()[:2] == ("op", ","):
                parser.take()
            if parser.peek()[0] != "str":
                raise RcError("%s: string expected after id %d" % (where(origin), string_id))
            units = []
            while parser.peek()[0] == "str":
                units.extend(parser.take()[1])
            if not 0 <= string_id <= 0xFFFF:
                raise RcError("%s: string id %d out of range" % (where(origin), string_id))
            if len(units) > 0xFFFF:
                raise RcError("%s: string %d is too long" % (where(origin), string_id))
            key = (language, string_id)
            if key in self.strings:
                raise RcError("%s: string id %d already defined at %s"
                              % (where(origin), string_id, where(self.strings[key][1])))
            self.strings[key] = (units, origin)
        parser.take()

    def dialog(self, parser):
        name = parser.take()
        parser.take()  # DIALOGEX
        if name[0] != "num":
            raise RcError("%s: dialog %r: only numeric resource ids are handled" % (where(name[2]), name[1]))
        if not 0 <= name[1] <= 0xFFFF:
            raise RcError("%s: dialog id %d out of range" % (where(name[2]), name[1]))
        dialog = Dialog(name[2], self.language)
        while parser.peek()[0] == "id" and parser.peek()[1].upper() in MEMORY_FLAGS:
            parser.take()
        dialog.x = parser.expression()
        parser.comma("y")
        dialog.y = parser.expression()
        parser.comma("width")
        dialog.cx = parser.expression()
        parser.comma("height")
        dialog.cy = parser.expression()
        if parser.peek()[:2] == ("op", ","):
            parser.take()
            dialog.help_id = parser.expression()
        # The style being built: CAPTION and FONT add to it, STYLE adds its terms.
        style = 0
        while not parser.is_begin():
            token = parser.take()
            word = token[1].upper() if token[0] == "id" else None
            if word == "STYLE":
                style = parser.style(style)
                dialog.style = style
            elif word == "EXSTYLE":
                dialog.ex_style = parser.expression()
            elif word == "CAPTION":
                if parser.peek()[0] != "str":
                    raise RcError("%s: CAPTION needs a string" % where(token[2]))
                dialog.caption = []
                while parser.peek()[0] == "str":
                    dialog.caption.extend(parser.take()[1])
                dialog.style |= WS_CAPTION
                style |= WS_CAPTION
            elif word == "FONT":
                size = parser.expression()
                parser.comma("the typeface")
                face = parser.take()
                if face[0] != "str":
                    raise RcError("%s: FONT needs a typeface string" % where(face[2]))
                extra = []
                while len(extra) < 3 and parser.peek()[:2] == ("op", ","):
                    parser.take()
                    extra.append(parser.expression())
                weight, italic, charset = (extra + [0, 0, DEFAULT_CHARSET][len(extra):])
                dialog.font = (size, weight, italic, charset, face[1])
                dialog.style |= DS_SETFONT
                style |= DS_SETFONT
            elif word == "MENU":
                dialog.menu = name_or_ordinal(parser, "menu")
            elif word == "CLASS":
                dialog.window_class = name_or_ordinal(parser, "class")
            elif word == "LANGUAGE":
                dialog.language = self.read_language(parser)
            elif word in ("VERSION", "CHARACTERISTICS"):
                parser.expression()
            else:
                raise RcError("%s: unexpected %r in the dialog's header" % (where(token[2]), token[1]))
        parser.take()
        while not parser.is_end():
            dialog.controls.append(self.control(parser))
        parser.take()
        if len(dialog.controls) > 0xFFFF:
            raise RcError("%s: too many controls" % where(dialog.origin))
        key = (dialog.language, name[1])
        if key in self.dialog_statements:
            raise RcError("%s: dialog %d already defined at %s"
                          % (where(dialog.origin), name[1], where(self.dialog_statements[key].origin)))
        self.dialog_statements[key] = dialog

    @staticmethod
    def control(parser):
        token = parser.take()
        word = token[1].upper() if token[0] == "id" else None
        if word in IMPLIED_CONTROLS:
            raise RcError("%s: %s is not handled; write it as CONTROL with its class and full style"
                          % (where(token[2]), token[1]))
        if word != "CONTROL":
            raise RcError("%s: control statement expected, found %r" % (where(token[2]), token[1]))
        control = {"help_id": 0, "ex_style": 0}
        label = parser.peek()
        if label[0] == "str":
            parser.take()
            control["text"] = ("name", label[1])
        else:
            value = parser.expression()
            if not 0 <= value <= 0xFFFF:
                raise RcError("%s: control text %d is not an ordinal" % (where(label[2]), value))
            control["text"] = ("ordinal", value)
        parser.comma("the control id")
        control["id"] = parser.expression()
        parser.comma("the class")
        class_token = parser.peek()
        if class_token[0] == "id":
            raise RcError("%s: the class %r must be a string or a number" % (where(class_token[2]),
                                                                             class_token[1]))
        control["class"] = name_or_ordinal(parser, "class")
        parser.comma("the style")
        control["style"] = parser.style(CONTROL_START_STYLE)
        values = []
        for what in ("x", "y", "width", "height"):
            parser.comma(what)
            values.append(parser.expression())
        control["rect"] = values
        if parser.peek()[:2] == ("op", ","):
            parser.take()
            control["ex_style"] = parser.expression()
            if parser.peek()[:2] == ("op", ","):
                parser.take()
                control["help_id"] = parser.expression()
        if parser.is_begin():
            raise RcError("%s: creation data of controls is not handled" % where(token[2]))
        return control

    @staticmethod
    def pass_over(parser):
        """Passes over one resource statement this generator does not turn into data."""
        parser.take()  # name
        type_token = parser.take()
        type_name = type_token[1].upper() if type_token[0] == "id" else None
        while parser.peek()[0] == "id" and parser.peek()[1].upper() in MEMORY_FLAGS:
            parser.take()
        if type_name in FILE_TYPES or (not parser.is_begin() and parser.peek()[0] == "str"
                                       and type_name not in ("DIALOG", "DIALOGEX", "MENU", "MENUEX",
                                                             "ACCELERATORS", "VERSIONINFO")):
            parser.take()  # the file name
            return
        while not parser.is_begin():
            parser.take()  # header statements such as STYLE, CAPTION, FONT, FILEVERSION
        parser.skip_block()

    def dialogs(self):
        """{(language, dialog id): template bytes} in the layout of the resource compiler."""
        return {key: dialog.template() for key, dialog in self.dialog_statements.items()}

    def blocks(self):
        """{(language, block id): [16 lists of units]} in the layout of the resource compiler."""
        result = {}
        for (language, string_id), (units, _) in self.strings.items():
            block = result.setdefault((language, string_id // 16 + 1), [[] for _ in range(16)])
            block[string_id % 16] = units
        return result


# ---------------------------------------------------------------------------------------
# Output


def emit(blocks, dialogs, rc_path, anchor):
    out = []
    out.append("// Generated from %s by cmake/GenerateResources.py; do not edit." % os.path.basename(rc_path))
    out.append('#include "win32/Resources.h"')
    out.append("")
    out.append("namespace {")
    out.append("")
    entries = []
    for (language, dialog_id) in sorted(dialogs, key=lambda k: (k[1], k[0])):
        name = "kDialog%d_%04X" % (dialog_id, language)
        data = dialogs[(language, dialog_id)]
        out.append("// RT_DIALOG %d, language 0x%04X." % (dialog_id, language))
        out.append("alignas(4) const BYTE %s[] = {" % name)
        for i in range(0, len(data), 16):
            out.append("    " + " ".join("0x%02X," % b for b in data[i:i + 16]))
        out.append("};")
        out.append("")
        entries.append("    {%d, %d, 0x%04X, %s, sizeof %s}," % (RT_DIALOG, dialog_id, language, name, name))
    for (language, block_id) in sorted(blocks, key=lambda k: (k[1], k[0])):
        name = "kStrings%d_%04X" % (block_id, language)
        first = (block_id - 1) * 16
        units = []
        for place, text in enumerate(blocks[(language, block_id)]):
            units.append(len(text))
            units.extend(text)
        out.append("// RT_STRING block %d: ids %d-%d, language 0x%04X." % (block_id, first, first + 15, language))
        out.append("const WCHAR %s[] = {" % name)
        for i in range(0, len(units), 12):
            out.append("    " + " ".join("0x%04X," % u for u in units[i:i + 12]))
        out.append("};")
        out.append("")
        entries.append("    {%d, %d, 0x%04X, reinterpret_cast<const BYTE*>(%s), sizeof %s},"
                       % (RT_STRING, block_id, language, name, name))
    out.append("const win32::ResourceEntry kResources[] = {")
    out.extend(entries)
    out.append("};")
    out.append("")
    out.append("struct Registration {")
    out.append("  Registration() {")
    out.append("    win32::RegisterModuleResources(kResources, kResources, sizeof kResources / sizeof kResources[0]);")
    out.append("  }")
    out.append("  ~Registration() { win32::UnregisterModuleResources(kResources); }")
    out.append("  Registration(const Registration&) = delete;")
    out.append("  Registration& operator=(const Registration&) = delete;")
    out.append("};")
    out.append("")
    out.append("// Registered before the module's other static objects are built, so that start-up")
    out.append("// code can load strings, and unregistered after they are gone.")
    out.append("__attribute__((init_priority(101))) const Registration g_registration;")
    out.append("")
    out.append("}  // namespace")
    out.append("")
    out.append("// Nothing calls into this file; a link from a static archive names this symbol to")
    out.append("// keep the registration in the program.")
    out.append('extern "C" void %s() {}' % anchor)
    out.append("")
    return "\n".join(out)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("rc", help="the resource script")
    parser.add_argument("output", help="the C++ source to write")
    parser.add_argument("-I", dest="include_dirs", action="append", default=[], help="include directory")
    parser.add_argument("--anchor", default="pellacorm_module_resources", help="name of the anchor symbol")
    parser.add_argument("--depfile", help="write the files read, for the build's dependencies")
    args = parser.parse_args(argv)
    try:
        pre = Preprocessor([os.path.abspath(d) for d in args.include_dirs])
        pre.run(args.rc)
        tokens = []
        for text, origin, code_page in pre.lines:
            tokens.extend(tokenize_line(text, origin, code_page))
        script = Script()
        script.parse(Parser(expand(tokens, pre.defines), args.rc))
        text = emit(script.blocks(), script.dialogs(), args.rc, args.anchor)
    except RcError as error:
        print("GenerateResources.py: error: %s" % error, file=sys.stderr)
        return 1
    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    with open(args.output, "w", encoding="utf-8") as f:
        f.write(text)
    if args.depfile:
        with open(args.depfile, "w", encoding="utf-8") as f:
            f.write("%s: %s\n" % (args.output.replace(" ", "\\ "),
                                  " ".join(p.replace(" ", "\\ ") for p in pre.files)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
