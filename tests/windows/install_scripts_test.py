#!/usr/bin/env python3
"""Runs scripts/windows/install.cmd and uninstall.cmd under Wine with cmd.exe, as an
administrator runs them on Windows, and checks what they leave in the registry (with
reg query, in the same prefix) and on drive C:. ctest passes through the environment:

  INSTALL_SCRIPTS   the folder of install.cmd and uninstall.cmd
  INSTALL_DLL       the DLL they install
  WINE_RUN          the launcher, as a shell would split it: scripts/wine-run.sh STATE_DIR
  TEST_WORK         a folder of the build tree for the test's files and prefixes

Every test works in a prefix of its own (wine_prefix.py), which all its Wine commands
share.
"""
import os
import shlex
import shutil
import tempfile
import unittest

from wine_prefix import DEFAULT_32, DEFAULT_64, KEY, NAME, WinePrefix, read, windows_path

SCRIPTS = os.environ.get("INSTALL_SCRIPTS", "")
DLL = os.environ.get("INSTALL_DLL", "")
WINE_RUN = shlex.split(os.environ.get("WINE_RUN", ""))
WORK = os.environ.get("TEST_WORK", tempfile.gettempdir())


class Machine(WinePrefix):
    """One Wine prefix with the package (the scripts and the DLL) on Z:."""

    def __init__(self, folder):
        super().__init__(folder, WINE_RUN)
        self.package = os.path.join(folder, "package")
        os.makedirs(self.package)
        for script in ("install.cmd", "uninstall.cmd"):
            shutil.copy(os.path.join(SCRIPTS, script), self.package)
        shutil.copy(DLL, self.package)

    def script(self, name, *args, folder=None):
        return self.wine("cmd.exe", "/c", windows_path(os.path.join(folder or self.package, name)), *args)

    def install(self, *args):
        return self.script("install.cmd", *args)

    def uninstall(self, *args):
        return self.script("uninstall.cmd", *args)


class InstallScriptsTest(unittest.TestCase):
    def setUp(self):
        os.makedirs(WORK, exist_ok=True)
        self.folder = tempfile.mkdtemp(prefix="install.", dir=WORK)
        self.machine = Machine(self.folder)

    def tearDown(self):
        self.machine.stop()
        shutil.rmtree(self.folder, ignore_errors=True)

    def another_dll(self):
        """A DLL of other bytes, in a folder of its own, as a newer build would be."""
        folder = os.path.join(self.folder, "newer")
        os.makedirs(folder)
        path = os.path.join(folder, "PellacormRuleExt.dll")
        with open(path, "wb") as f:
            f.write(read(DLL) + b"newer build")
        return path

    def assertInstalled(self, dll_path, view32=False, source=DLL):
        """The value names the DLL in one view, the other view has none, and the DLL
        holds the bytes of `source`."""
        value = [("REG_SZ", f"4.0;{dll_path};1")]
        expected = {"64-bit": [], "32-bit": value} if view32 else {"64-bit": value, "32-bit": []}
        self.assertEqual(self.machine.values(), expected)
        self.assertEqual(read(self.machine.c(dll_path)), read(source))

    def assertNothingInstalled(self):
        self.assertEqual(self.machine.values(), {"64-bit": [], "32-bit": []})
        self.assertEqual(self.machine.installed_dlls(), [])

    def test_install_reinstall_uninstall(self):
        m = self.machine
        result = m.install()
        self.assertEqual(result.code, 0, result)
        self.assertIn(DEFAULT_64, result.out)
        self.assertIn(f"4.0;{DEFAULT_64};1", result.out)
        self.assertInstalled(DEFAULT_64)

        newer = self.another_dll()
        result = m.install("/dll", windows_path(newer))
        self.assertEqual(result.code, 0, result)
        self.assertIn(f"Replaced {DEFAULT_64}", result.out)
        self.assertInstalled(DEFAULT_64, source=newer)

        # The installed DLL named as the one to install: nothing to copy onto itself.
        result = m.install("/dll", DEFAULT_64)
        self.assertEqual(result.code, 0, result)
        self.assertIn(f"Kept {DEFAULT_64}", result.out)
        self.assertInstalled(DEFAULT_64, source=newer)

        result = m.uninstall()
        self.assertEqual(result.code, 0, result)
        self.assertIn(f"Deleted {DEFAULT_64}", result.out)
        self.assertNothingInstalled()
        self.assertFalse(os.path.exists(os.path.dirname(m.c(DEFAULT_64))), "the emptied folder is removed")

        result = m.uninstall()
        self.assertEqual(result.code, 2, result)
        self.assertIn("not installed", result.err)
        self.assertIn("/32", result.err, "points to the 32-bit installation")

    def test_32_bit_view(self):
        m = self.machine
        result = m.install("/32")
        self.assertEqual(result.code, 0, result)
        self.assertIn("WOW6432Node", result.out)
        self.assertInstalled(DEFAULT_32, view32=True)

        # The 64-bit view holds nothing to remove; the 32-bit installation stays.
        result = m.uninstall()
        self.assertEqual(result.code, 2, result)
        self.assertInstalled(DEFAULT_32, view32=True)

        result = m.uninstall("/32")
        self.assertEqual(result.code, 0, result)
        self.assertNothingInstalled()

    def test_folders(self):
        m = self.machine
        # The folder given, as the value names the DLL in it: spaces kept, a trailing
        # backslash dropped, a folder of other files left in place by uninstall.
        cases = [
            (r"C:\Mail Tools\Pellacorm Action", r"C:\Mail Tools\Pellacorm Action\PellacormRuleExt.dll", False),
            ("C:\\Tools\\", r"C:\Tools\PellacormRuleExt.dll", True),
        ]
        for folder, dll_path, other_files in cases:
            with self.subTest(folder=folder):
                result = m.install(folder)
                self.assertEqual(result.code, 0, result)
                self.assertInstalled(dll_path)
                if other_files:
                    with open(os.path.join(os.path.dirname(m.c(dll_path)), "notes.txt"), "w") as f:
                        f.write("not ours")
                result = m.uninstall()
                self.assertEqual(result.code, 0, result)
                self.assertNothingInstalled()
                self.assertEqual(os.path.isdir(os.path.dirname(m.c(dll_path))), other_files)

    def test_refusals_change_nothing(self):
        m = self.machine
        lone = os.path.join(self.folder, "lone")
        os.makedirs(lone)
        shutil.copy(os.path.join(SCRIPTS, "install.cmd"), lone)
        a_file = os.path.join(self.folder, "a-file")
        with open(a_file, "w") as f:
            f.write("a file where the folder should be")
        cases = [
            ("no such DLL", ["/dll", windows_path(os.path.join(self.folder, "missing.dll"))], 2, "does not exist"),
            ("a folder for the DLL", ["/dll", windows_path(self.folder)], 2, "does not exist"),
            ("no DLL beside the script", None, 2, "does not exist"),
            ("the folder is a file", [windows_path(a_file)], 3, a_file.split("/")[-1]),
            ("a semicolon in the folder", [r"C:\Mail Tools;Old"], 1, "semicolon"),
            ("two folders", [r"C:\One", r"C:\Two"], 1, "more than one folder"),
            ("an unknown switch", ["/64"], 1, "unknown switch /64"),
            ("/dll without its file", ["/dll"], 1, "/dll needs"),
        ]
        for what, args, code, message in cases:
            with self.subTest(what):
                result = m.script("install.cmd", folder=lone) if args is None else m.install(*args)
                self.assertEqual(result.code, code, result)
                self.assertIn(message, result.err)
                self.assertEqual(result.out, "", "says only what went wrong")
        self.assertNothingInstalled()

        result = m.uninstall("/x")
        self.assertEqual(result.code, 1, result)
        self.assertIn("unknown argument /x", result.err)

    def test_uninstall_of_values_it_did_not_write(self):
        m = self.machine
        # The value's DLL removed by hand, or another file registered under our name:
        # uninstall deletes the value and leaves a file not named PellacormRuleExt.dll.
        cases = [
            (r"C:\Gone\PellacormRuleExt.dll", False, "already gone"),
            (r"C:\Other\Other.dll", True, r"Left C:\Other\Other.dll in place"),
        ]
        for dll_path, exists, message in cases:
            with self.subTest(dll_path):
                added = m.wine("reg", "add", KEY, "/v", NAME, "/t", "REG_SZ", "/d", f"4.0;{dll_path};1", "/f")
                self.assertEqual(added.code, 0, added)
                if exists:  # the prefix is there once Wine has run in it
                    os.makedirs(os.path.dirname(m.c(dll_path)), exist_ok=True)
                    shutil.copy(DLL, m.c(dll_path))
                result = m.uninstall()
                self.assertEqual(result.code, 0, result)
                self.assertIn(message, result.out)
                self.assertNothingInstalled()
                self.assertEqual(os.path.exists(m.c(dll_path)), exists)


if __name__ == "__main__":
    unittest.main(verbosity=2)
