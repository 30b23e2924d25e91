#!/usr/bin/env python3
"""Tests of GenerateResources.py: the resource statements it reads and passes over, and,
where the MinGW-w64 resource compiler is installed, that its string blocks are byte for
byte those the resource compiler writes for the same script."""

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


def blocks_of(path, include_dirs=()):
    pre = gen.Preprocessor([os.path.abspath(d) for d in include_dirs])
    pre.run(path)
    tokens = []
    for text, origin, code_page in pre.lines:
        tokens.extend(gen.tokenize_line(text, origin, code_page))
    script = gen.Script()
    script.parse(gen.Parser(gen.expand(tokens, pre.defines), path))
    return {key: b"".join(struct.pack("<H", len(t)) + struct.pack("<%dH" % len(t), *t) for t in entries)
            for key, entries in script.blocks().items()}


def string_blocks_of_res(data):
    """{(language, block id): bytes} of the RT_STRING resources in a .res file."""
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
        if ids[0] == gen.RT_STRING:
            blocks[(language, ids[1])] = body
        pos = (pos + header_size + data_size + 3) & ~3
    return blocks


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
    COMBOBOX IDC_A, 7, 7, 100, 60, CBS_DROPDOWN | WS_TABSTOP
    DEFPUSHBUTTON "OK", IDOK, 7, 80, 50, 14
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
                     '#include "missing.h"'):
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


if __name__ == "__main__":
    sys.exit(0 if unittest.main(exit=False).result.wasSuccessful() else 1)
