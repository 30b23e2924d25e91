#!/usr/bin/env python3
"""Turns a Windows resource script (.rc) into C++ source for builds that are not Windows.

The output holds the resources laid out byte for byte as the Windows resource compiler
lays them out, and registers them with the platform layer (win32::RegisterModuleResources)
when the module that contains them loads, so FindResource, LoadResource and LockResource
answer as they do for the DLL.

Handled: the preprocessor as the resource compiler applies it (#include, #define of
object-like macros, #undef, #if/#ifdef/#ifndef/#elif/#else/#endif, #pragma code_page),
LANGUAGE statements and STRINGTABLE. Every other resource statement (DIALOGEX,
VERSIONINFO, MENU, ICON, ...) is read and passed over. As with the resource compiler,
only the preprocessor directives of an included .h or .c file count, and system headers
(#include <...>) stand for the few names of <windows.h> listed in SYSTEM_DEFINES.

String-table layout: the strings of id n live in block n / 16 + 1 (RT_STRING, 6) at
place n % 16; a block holds sixteen entries, each a 16-bit count of UTF-16 units and
then the units, without terminator; an absent string has count 0. Only blocks with at
least one string are emitted, one per block and language.
"""

import argparse
import os
import re
import sys

RT_STRING = 6

# The names of <windows.h> that resource scripts here use. Add to them as the script
# grows; an unknown name is an error, never a silent 0.
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
}

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


class Script:
    def __init__(self):
        self.language = 0
        # (language, id) -> (units, origin)
        self.strings = {}

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

    def blocks(self):
        """{(language, block id): [16 lists of units]} in the layout of the resource compiler."""
        result = {}
        for (language, string_id), (units, _) in self.strings.items():
            block = result.setdefault((language, string_id // 16 + 1), [[] for _ in range(16)])
            block[string_id % 16] = units
        return result


# ---------------------------------------------------------------------------------------
# Output


def emit(blocks, rc_path, anchor):
    out = []
    out.append("// Generated from %s by cmake/GenerateResources.py; do not edit." % os.path.basename(rc_path))
    out.append('#include "win32/Resources.h"')
    out.append("")
    out.append("namespace {")
    out.append("")
    entries = []
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
        text = emit(script.blocks(), args.rc, args.anchor)
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
