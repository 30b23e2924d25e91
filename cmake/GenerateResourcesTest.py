#!/usr/bin/env python3
"""Tests of GenerateResources.py: the resource statements it reads and passes over, and,
where the MinGW-w64 resource compiler is installed, that its string blocks and dialog
templates are byte for byte those the resource compiler writes for the same script."""

import importlib.util
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
PRODUCT_RC = os.path.join(SOURCE, "src", "resources", "ExchRuleExt.rc")
WINDRES = "x86_64-w64-mingw32-windres"

_spec = importlib.util.spec_from_file_location("GenerateResources", os.path.join(HERE, "GenerateResources.py"))
gen = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(gen)


def script_of(path, include_dirs=()):
    pre = gen.Preprocessor([os.path.abspath(d) for d in include_dirs])
    pre.run(path)
    tokens = []
    for text, origin, code_page in pre.lines:
        tokens.extend(gen.tokenize_line(text, origin, code_page))
    script = gen.Script()
    script.parse(gen.Parser(gen.expand(tokens, pre.defines), path))
    return script


def blocks_of(path, include_dirs=()):
    return {key: b"".join(struct.pack("<H", len(t)) + struct.pack("<%dH" % len(t), *t) for t in entries)
            for key, entries in script_of(path, include_dirs).blocks().items()}


def dialogs_of(path, include_dirs=()):
    """{(language, dialog id): template bytes} as the generator lays them out."""
    return script_of(path, include_dirs).dialogs()


def compile_with_windres(rc_path):
    """The .res file that windres writes for the script, as bytes."""
    with tempfile.TemporaryDirectory() as out:
        res = os.path.join(out, "out.res")
        subprocess.run([WINDRES, "-O", "res", "-i", rc_path, "-o", res], check=True,
                       cwd=os.path.dirname(rc_path))
        with open(res, "rb") as f:
            return f.read()


def string_blocks_of_res(data):
    """{(language, block id): bytes} of the RT_STRING resources in a .res file."""
    return resources_of_res(data, gen.RT_STRING)


def dialogs_of_res(data):
    """{(language, dialog id): bytes} of the RT_DIALOG resources in a .res file."""
    return resources_of_res(data, gen.RT_DIALOG)


def resources_of_res(data, resource_type):
    """{(language, id): bytes} of the resources of a numeric type in a .res file; a named
    resource has None for its id."""
    blocks = {}
    pos = 0
    while pos + 8 <= len(data):
        data_size, header_size = struct.unpack_from("<II", data, pos)
        cursor = pos + 8
        ids = []
        for _ in range(2):  # type, then name
            if struct.unpack_from("<H", data, cursor)[0] == 0xFFFF:
                ids.append(struct.unpack_from("<H", data, cursor + 2)[0])
                cursor += 4
            else:
                while struct.unpack_from("<H", data, cursor)[0] != 0:
                    cursor += 2
                cursor += 2
                ids.append(None)
        cursor = (cursor + 3) & ~3
        _, _, language = struct.unpack_from("<IHH", data, cursor)
        body = data[pos + header_size:pos + header_size + data_size]
        if ids[0] == resource_type:
            blocks[(language, ids[1])] = body
        pos = (pos + header_size + data_size + 3) & ~3
    return blocks


def decode_dialog(data):
    """The fields of an extended dialog template, read as the dialog manager reads them:
    ordinals as numbers, texts and names as str, items as dicts. Fails on padding that is
    not zero and on bytes after the last item."""
    pos = 0

    def take(fmt):
        nonlocal pos
        values = struct.unpack_from("<" + fmt, data, pos)
        pos += struct.calcsize("<" + fmt)
        return values

    def sz():
        units = []
        while True:
            unit, = take("H")
            if unit == 0:
                return "".join(map(chr, units))
            units.append(unit)

    def sz_or_ord():
        if struct.unpack_from("<H", data, pos)[0] == 0xFFFF:
            return take("HH")[1]
        return sz()

    version, signature, help_id, ex_style, style, count, x, y, cx, cy = take("HHIIIHhhhh")
    dialog = {"version": (version, signature), "help_id": help_id, "ex_style": ex_style, "style": style,
              "rect": (x, y, cx, cy), "menu": sz_or_ord(), "class": sz_or_ord(), "caption": sz(), "font": None,
              "items": []}
    if style & 0x40:
        dialog["font"] = take("HHBB") + (sz(),)
    for _ in range(count):
        padding = -pos % 4
        assert data[pos:pos + padding] == b"\0" * padding, "padding at %d is not zero" % pos
        pos += padding
        help_id, ex_style, style, x, y, cx, cy, item_id = take("IIIhhhhI")
        item = {"help_id": help_id, "ex_style": ex_style, "style": style, "rect": (x, y, cx, cy), "id": item_id,
                "class": sz_or_ord(), "text": sz_or_ord()}
        extra, = take("H")
        item["data"] = data[pos:pos + extra]
        pos += extra
        dialog["items"].append(item)
    assert pos == len(data), "%d bytes after the last item" % (len(data) - pos)
    return dialog


class Scripts(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()

    def tearDown(self):
        shutil.rmtree(self.dir)

    def write(self, name, text, encoding="latin-1"):
        path = os.path.join(self.dir, name)
        with open(path, "w", encoding=encoding, newline="") as f:
            f.write(text)
        return path

    def test_product_string_table(self):
        blocks = blocks_of(PRODUCT_RC)
        self.assertEqual(sorted(blocks), [(0x409, 7), (0x409, 13)])
        entries = blocks[(0x409, 7)]
        # Places 0-4 empty, then 101 and 102, then nine empty places.
        expected = b"\0\0" * 5
        for text in ("<Do Not Assign>", "Software\\Pellacorm\\Quendra"):
            expected += struct.pack("<H", len(text)) + text.encode("utf-16-le")
        expected += b"\0\0" * 9
        self.assertEqual(entries, expected)

    def test_other_resources_are_passed_over(self):
        self.write("ids.h", "#define IDD_X 9\n#define IDC_A 201\n#define IDS_A 16\nint not_a_resource;\n")
        path = self.write("x.rc", """
#include <windows.h>
#include "ids.h"
LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US
1 ICON "app.ico"
IDD_X DIALOGEX 0, 0, 200, 100
STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION
CAPTION "Title with BEGIN and { inside"
FONT 8, "MS Shell Dlg", 400, 0, 0x1
BEGIN
    CONTROL "", IDC_A, "ComboBox", CBS_DROPDOWN | WS_TABSTOP, 7, 7, 100, 60
    CONTROL "OK", IDOK, "Button", BS_DEFPUSHBUTTON | WS_TABSTOP, 7, 80, 50, 14
END
VS_VERSION_INFO VERSIONINFO
 FILEVERSION 1,0,0,1
BEGIN
    BLOCK "StringFileInfo"
    BEGIN
        BLOCK "040904b0"
        BEGIN
            VALUE "FileDescription", "x\\0"
        END
    END
END
7 RCDATA { 1, 2, "three" }
STRINGTABLE DISCARDABLE
{
    IDS_A, "first"
    IDS_A + 1 "se" "cond"
}
""")
        blocks = blocks_of(path)
        self.assertEqual(list(blocks), [(0x409, 2)])
        self.assertEqual(blocks[(0x409, 2)][:12], b"\x05\0f\0i\0r\0s\0t\0")
        dialogs = dialogs_of(path)
        self.assertEqual(list(dialogs), [(0x409, 9)])
        self.assertEqual(decode_dialog(dialogs[(0x409, 9)])["caption"], "Title with BEGIN and { inside")

    def test_dialog_layout(self):
        # What the resource compiler adds of its own: the default style with CAPTION's
        # WS_CAPTION and FONT's DS_SETFONT, the font's defaults, WS_CHILD | WS_VISIBLE
        # before a control's terms (NOT clearing what came before it), class names in
        # upper case, numbers as ordinals, the DWORD alignment after an odd-sized item.
        path = self.write("x.rc", """
#include <windows.h>
LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US
7 DIALOGEX 1, 2, 30, 40
CAPTION "Go"
FONT 8, "MS Shell Dlg"
BEGIN
    CONTROL "Odd", -1, "button", BS_AUTOCHECKBOX | NOT WS_VISIBLE | WS_TABSTOP, -1, 2, 3, 4
    CONTROL 101, 5, 0x0082, SS_ICON, 1, 2, 3, 4, WS_EX_CLIENTEDGE, 9
END
""")
        dialogs = dialogs_of(path)
        self.assertEqual(list(dialogs), [(0x409, 7)])
        dialog = decode_dialog(dialogs[(0x409, 7)])
        items = dialog.pop("items")
        self.assertEqual(dialog, {"version": (1, 0xFFFF), "help_id": 0, "ex_style": 0, "style": 0x80C80040,
                                  "rect": (1, 2, 30, 40), "menu": "", "class": "", "caption": "Go",
                                  "font": (8, 0, 0, 1, "MS Shell Dlg")})
        self.assertEqual(items, [
            {"help_id": 0, "ex_style": 0, "style": 0x40010003, "rect": (-1, 2, 3, 4), "id": 0xFFFFFFFF,
             "class": "BUTTON", "text": "Odd", "data": b""},
            {"help_id": 9, "ex_style": 0x200, "style": 0x50000003, "rect": (1, 2, 3, 4), "id": 5, "class": 0x82,
             "text": 101, "data": b""},
        ])

    def test_escapes_languages_and_conditions(self):
        path = self.write("x.rc", """
#define GERMAN
STRINGTABLE
LANGUAGE 0x09, 0x01
BEGIN
    1 "a\\tb""q\\x41\\101\\\\"
    2 L"\\x263A"
    3 "\xe9\x80"
END
#ifdef GERMAN
LANGUAGE 0x07, 0x01
STRINGTABLE BEGIN 1 "deutsch" END
#else
STRINGTABLE BEGIN 1 "never" END
#endif
#if 0
#error skipped
#endif
""")
        blocks = blocks_of(path)
        self.assertEqual(sorted(blocks), [(0x407, 1), (0x409, 1)])
        english = blocks[(0x409, 1)]
        first = "a\tb\"qAA\\"
        second = "\u263a"
        third = "\u00e9\u20ac"  # code page 1252
        expected = b"\0\0"
        for text in (first, second, third):
            expected += struct.pack("<H", len(text)) + text.encode("utf-16-le")
        expected += b"\0\0" * 12
        self.assertEqual(english, expected)

    def test_faults_are_reported(self):
        for text in ('STRINGTABLE BEGIN 1 "a"\n 1 "b" END',
                     'STRINGTABLE BEGIN UNDEFINED_ID "a" END',
                     'STRINGTABLE BEGIN 1 "a"',
                     '#include "missing.h"',
                     'STRINGTABLE BEGIN 1 L"\xe9" END',  # windres would widen the byte with its sign
                     # Dialogs: what is not laid out here, and what the resource compiler refuses.
                     '1 DIALOG 0, 0, 1, 1 BEGIN END',
                     'NAMED DIALOGEX 0, 0, 1, 1 BEGIN END',
                     '1 DIALOGEX 0, 0, 1, 1 BEGIN PUSHBUTTON "OK", 1, 0, 0, 1, 1 END',
                     '1 DIALOGEX 0, 0, 1, 1 BEGIN CONTROL "a", 1, "Button", 0, 0, 0, 1, 1, 0, 0 BEGIN 1 END END',
                     '1 DIALOGEX 0, 0, 1, 1 BEGIN CONTROL "a", 1, Button, 0, 0, 0, 1, 1 END',
                     '1 DIALOGEX 0, 0, 1, 1 BEGIN CONTROL "a", 1, "B\xfctton", 0, 0, 0, 1, 1 END',
                     '1 DIALOGEX 0, 0, 1, 1 BEGIN CONTROL "a", 1, "Button", 0, 0, 0, 1 END',
                     '1 DIALOGEX 0, 0, 1, 1 STYLE WS_UNKNOWN BEGIN END',
                     '1 DIALOGEX 0, 0, 1, 1 STYLE -1 BEGIN END',
                     '1 DIALOGEX 0, 0, 1, 1 TITLE "x" BEGIN END',
                     '1 DIALOGEX 0, 0, 1 BEGIN END',
                     '1 DIALOGEX 0, 0, 1, 1 BEGIN END\n1 DIALOGEX 0, 0, 2, 2 BEGIN END'):
            path = self.write("bad.rc", text + "\n")
            with self.assertRaises(gen.RcError, msg=text):
                blocks_of(path)


@unittest.skipUnless(shutil.which(WINDRES), "the MinGW-w64 resource compiler is not installed")
class SameAsTheResourceCompiler(unittest.TestCase):
    def test_string_blocks_match_windres(self):
        with tempfile.TemporaryDirectory() as out:
            res = os.path.join(out, "product.res")
            subprocess.run([WINDRES, "-O", "res", "-i", PRODUCT_RC, "-o", res], check=True,
                           cwd=os.path.dirname(PRODUCT_RC))
            with open(res, "rb") as f:
                theirs = string_blocks_of_res(f.read())
        self.assertEqual(blocks_of(PRODUCT_RC), theirs)

    def assertSameDialogs(self, ours, theirs):
        self.assertEqual(sorted(ours), sorted(theirs))
        for key in theirs:
            # Field by field first, for a readable difference; then every byte.
            self.assertEqual(decode_dialog(ours[key]), decode_dialog(theirs[key]), "dialog %r" % (key,))
            self.assertEqual(ours[key], theirs[key], "dialog %r" % (key,))

    def test_product_dialogs_match_windres(self):
        theirs = dialogs_of_res(compile_with_windres(PRODUCT_RC))
        self.assertIn((0x409, 9), theirs)
        self.assertSameDialogs(dialogs_of(PRODUCT_RC), theirs)

    def test_dialog_forms_match_windres(self):
        with tempfile.TemporaryDirectory() as directory:
            with open(os.path.join(directory, "ids.h"), "w", encoding="latin-1") as f:
                f.write(DIALOG_FORMS_H)
            path = os.path.join(directory, "forms.rc")
            with open(path, "w", encoding="latin-1") as f:
                f.write(DIALOG_FORMS_RC)
            theirs = dialogs_of_res(compile_with_windres(path))
            self.assertEqual(len(theirs), 6)
            self.assertSameDialogs(dialogs_of(path), theirs)

    def test_windows_names_match_windres(self):
        # Each name of <windows.h> the generator knows, as the help id of its own dialog.
        # RT_STRING and its like are casts in the MinGW-w64 headers that only the type of
        # a resource statement takes.
        names = sorted(n for n in gen.SYSTEM_DEFINES if n not in ("RT_STRING", "RT_DIALOG", "RT_VERSION"))
        lines = ["#include <windows.h>"]
        for number, name in enumerate(names, start=1):
            lines.append("%d DIALOGEX 0, 0, 1, 1 BEGIN CONTROL \"\", 1, \"Button\", 0, 0, 0, 1, 1, 0, %s END"
                         % (number, name))
        with tempfile.TemporaryDirectory() as directory:
            path = os.path.join(directory, "names.rc")
            with open(path, "w", encoding="latin-1") as f:
                f.write("\n".join(lines) + "\n")
            theirs = dialogs_of_res(compile_with_windres(path))
            ours = dialogs_of(path)
        # No LANGUAGE statement: the language both give by default.
        self.assertEqual(sorted(ours), sorted(theirs))
        self.assertEqual(len(theirs), len(names))
        for number, name in enumerate(names, start=1):
            key = (0x409, number)
            self.assertEqual(decode_dialog(ours[key])["items"][0]["help_id"],
                             decode_dialog(theirs[key])["items"][0]["help_id"], name)


# Every header statement and control form the generator lays out, for the comparison
# with windres.
DIALOG_FORMS_H = """\
#define IDD_FIRST 100
#define IDC_NAME 1001
#define IDM_MAIN 300
#define MY_STYLE (WS_CHILD | WS_VISIBLE | WS_TABSTOP)
"""

DIALOG_FORMS_RC = r'''
#include <windows.h>
#include "ids.h"

LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US

// Every header statement, CAPTION before a STYLE that clears its WS_CAPTION; controls
// with NOT in each place, help ids and extended styles, texts of odd and even length,
// numbers as text and as class, classes of any case, wide and code-page strings.
IDD_FIRST DIALOGEX DISCARDABLE 3, -4, 0x10005, 77, 0x1234
CAPTION "Caption " "joined \x41\t""q"""
STYLE DS_SHELLFONT | DS_MODALFRAME | WS_POPUP | NOT WS_CAPTION | WS_SYSMENU
EXSTYLE WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT
MENU IDM_MAIN
CLASS "MyDialogClass"
FONT 9, "Segoe UI", 700, 1, 0xEE
CHARACTERISTICS 4
VERSION 2
BEGIN
    CONTROL "&Name:", -1, "Static", SS_LEFT | NOT WS_VISIBLE, 7, 9, 40, 8
    CONTROL "", IDC_NAME, "Edit", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 50, 7, 100, 14, WS_EX_CLIENTEDGE
    CONTROL "Odd", 1002, "button", BS_AUTOCHECKBOX | NOT WS_TABSTOP | WS_TABSTOP | NOT WS_VISIBLE, -1, -2, 3, 4, 0, 55
    CONTROL "Even", 0x12345678, "ListBox", LBS_STANDARD, 1, 2, 3, 4
    CONTROL 101, 1003, "Static", SS_ICON, 1, 2, 0, 0
    CONTROL "By ordinal", 1004, 0x0080, BS_PUSHBUTTON, 1, 2, 3, 4
    CONTROL "Custom", 1005, "SysListView32", 0x4D | (WS_BORDER + 0), 1, 2, 3, 4
    CONTROL L"Wide \x263A \xe9", 1006, L"ScrollBar", NOT WS_CHILD | SBS_VERT, 1, 2, 3, 4
    CONTROL "Caf\xe9 \x80", IDOK, "ComboBox", CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL, 1, 2, 3, 4
    CONTROL "Cancel", IDCANCEL, "Button", MY_STYLE, 1, 2, 3, 4
END

// Nothing but the size: the default style, no font.
101 DIALOGEX 0, 0, 10, 20
BEGIN
END

// CAPTION and FONT add their styles, and a later STYLE keeps them; FONT with a face only.
LANGUAGE LANG_NEUTRAL, SUBLANG_NEUTRAL
102 DIALOGEX 0, 0, 10, 20
CAPTION "c"
FONT 8, "MS Shell Dlg"
STYLE WS_POPUP
BEGIN
    CONTROL "x", 1, "Button", 0, 1, 2, 3, 4
END

// DS_SETFONT without FONT; an empty CAPTION; LANGUAGE in the header.
103 DIALOGEX 0, 0, 10, 20
STYLE WS_POPUP | DS_SETFONT
CAPTION ""
LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US
BEGIN
END

// FONT, then a STYLE that clears DS_SETFONT: no font. Menu by name, class by number.
104 DIALOGEX 0, 0, 10, 20
FONT 8, "MS Shell Dlg", 400
CAPTION "d"
STYLE WS_POPUP | NOT DS_SETFONT
MENU mainmenu
CLASS 0x22
BEGIN
END

// FONT with weight and italic, and the default character set.
105 DIALOGEX 0, 0, 10, 20
STYLE WS_POPUP
FONT 8, "MS Shell Dlg", 400, 1
BEGIN
END
'''


if __name__ == "__main__":
    sys.exit(0 if unittest.main(exit=False).result.wasSuccessful() else 1)
