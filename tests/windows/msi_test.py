#!/usr/bin/env python3
"""Installs the x64 Windows Installer package under Wine with msiexec /qn, as an
administrator or a deployment tool does, and checks the DLL on drive C:, the value in
the registry (reg query, both views) and the entry of the installed programs list.
ctest passes through the environment:

  MSI           the package of the build (target msi)
  MSI_DLL       the DLL it holds
  MSI_BUILD     installer/build-msi.sh, which builds a package of a higher version here
  MSI_VERSION   the package's version
  RULEHOST      rulehost.exe, which loads the installed DLL as the mail client does
  WINE_RUN      the launcher, as a shell would split it: scripts/wine-run.sh STATE_DIR
  TEST_WORK     a folder of the build tree for the test's files and prefixes

Every test works in a Wine prefix of its own (wine_prefix.py).
"""
import os
import re
import shlex
import shutil
import subprocess
import tempfile
import unittest

from wine_prefix import DEFAULT_32, DEFAULT_64, WinePrefix, read, windows_path

MSI = os.environ.get("MSI", "")
DLL = os.environ.get("MSI_DLL", "")
BUILD = os.environ.get("MSI_BUILD", "")
VERSION = os.environ.get("MSI_VERSION", "")
RULEHOST = os.environ.get("RULEHOST", "")
WINE_RUN = shlex.split(os.environ.get("WINE_RUN", ""))
WORK = os.environ.get("TEST_WORK", tempfile.gettempdir())

UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
SETTINGS_KEY = r"HKCU\Software\Pellacorm\Quendra"
INSTALLED_FOLDER_KEY = r"HKLM\SOFTWARE\Pellacorm"
LOG = r"C:\Pellacorm\Logs\Pellacorm.log"
# msiexec's "fatal error during installation", as a Unix exit status (8 bits) carries it.
ERROR_INSTALL_FAILURE = 1603 % 256


class Machine(WinePrefix):
    def msiexec(self, *args):
        return self.wine("msiexec", *args, "/qn")

    def install(self, package, *properties):
        return self.msiexec("/i", windows_path(package), *properties)

    def programs(self):
        """The entries of the installed programs list named Pellacorm Action:
        [{"DisplayName": ..., "DisplayVersion": ..., ...}]."""
        result = self.wine("reg", "query", UNINSTALL_KEY, "/s")
        entries, entry = [], None
        for line in result.out.splitlines():
            if line.startswith("HKEY_"):
                entry = {}
                entries.append(entry)
            elif entry is not None and (m := re.match(r"^\s+(\S+)\s{4}REG_\w+\s{4}(.*)$", line)):
                entry[m.group(1)] = m.group(2)
        return [e for e in entries if e.get("DisplayName") == "Pellacorm Action"]


def higher(version):
    major, minor, patch = version.split(".")
    return f"{major}.{minor}.{int(patch) + 1}"


class MsiTest(unittest.TestCase):
    def setUp(self):
        self.assertTrue(os.path.isfile(MSI), f"{MSI} is missing: cmake --build --preset windows-x64 --target msi")
        os.makedirs(WORK, exist_ok=True)
        self.folder = tempfile.mkdtemp(prefix="msi.", dir=WORK)
        self.machine = Machine(self.folder, WINE_RUN)

    def tearDown(self):
        self.machine.stop()
        shutil.rmtree(self.folder, ignore_errors=True)

    def newer_package(self):
        """A package of the next version, holding a DLL of other bytes."""
        folder = os.path.join(self.folder, "newer")
        os.makedirs(folder, exist_ok=True)
        dll = os.path.join(folder, "PellacormRuleExt.dll")
        with open(dll, "wb") as f:
            f.write(read(DLL) + b"newer build")
        package = os.path.join(folder, f"PellacormAction-{higher(VERSION)}-x64.msi")
        subprocess.run([BUILD, "x64", higher(VERSION), dll, package], check=True)
        return package, dll

    def assertInstalled(self, dll_path, source=DLL, view="64-bit"):
        """One value, in the given registry view, names the DLL, which holds the bytes of
        `source` and is the only one on drive C:."""
        expected = {"64-bit": [], "32-bit": []}
        expected[view] = [("REG_SZ", f"4.0;{dll_path};1")]
        self.assertEqual(self.machine.values(), expected)
        self.assertEqual(self.machine.installed_dlls(), [self.machine.c(dll_path)])
        self.assertEqual(read(self.machine.c(dll_path)), read(source))

    def assertNothingInstalled(self):
        self.assertEqual(self.machine.values(), {"64-bit": [], "32-bit": []})
        self.assertEqual(self.machine.installed_dlls(), [])
        self.assertEqual(self.machine.programs(), [])
        # Nor the key where the package keeps its folder.
        self.assertNotEqual(self.machine.wine("reg", "query", INSTALLED_FOLDER_KEY).code, 0)

    def test_install_upgrade_downgrade_uninstall(self):
        m = self.machine
        # The user's settings and log, which uninstalling leaves alone.
        added = m.wine("reg", "add", SETTINGS_KEY, "/v", "HomeDir", "/d", r"C:\Pellacorm", "/f")
        self.assertEqual(added.code, 0, added)
        os.makedirs(os.path.dirname(m.c(LOG)))
        with open(m.c(LOG), "w") as f:
            f.write("an entry\n")

        result = m.install(MSI)
        self.assertEqual(result.code, 0, result)
        self.assertInstalled(DEFAULT_64)
        [entry] = m.programs()
        self.assertEqual((entry["DisplayVersion"], entry["Publisher"]), (VERSION, "Pellacorm"))
        # The packaged DLL, its debug information split off, loads from where the value
        # says and answers through ExchEntryPoint.
        result = m.wine(RULEHOST, "--library", DEFAULT_64, "name", "017P+1T1006Budget")
        self.assertEqual(result.code, 0, result)
        self.assertIn('display name: "Priority: High, Topic: Budget (File) "', result.out)

        # The same package again: still one DLL, one value, one entry.
        result = m.install(MSI)
        self.assertEqual(result.code, 0, result)
        self.assertInstalled(DEFAULT_64)
        self.assertEqual(len(m.programs()), 1)

        newer, newer_dll = self.newer_package()
        result = m.install(newer)
        self.assertEqual(result.code, 0, result)
        self.assertInstalled(DEFAULT_64, source=newer_dll)
        [entry] = m.programs()
        self.assertEqual(entry["DisplayVersion"], higher(VERSION))

        result = m.install(MSI)
        self.assertEqual(result.code, ERROR_INSTALL_FAILURE, "the older package is refused")
        self.assertInstalled(DEFAULT_64, source=newer_dll)
        self.assertEqual(m.programs(), [entry])

        # As the installed programs list uninstalls it, by the product code.
        command = re.fullmatch(r"MsiExec\.exe /X(\{[0-9A-F-]{36}\})", entry["UninstallString"], re.IGNORECASE)
        self.assertIsNotNone(command, entry)
        result = m.msiexec("/x", command.group(1))
        self.assertEqual(result.code, 0, result)
        self.assertNothingInstalled()
        self.assertFalse(os.path.exists(os.path.dirname(m.c(DEFAULT_64))), "the emptied folder is removed")

        kept = m.wine("reg", "query", SETTINGS_KEY, "/v", "HomeDir")
        self.assertEqual(kept.code, 0, "the settings key is left")
        self.assertEqual(read(m.c(LOG)), b"an entry\n")

    def test_install_folder(self):
        m = self.machine
        newer, newer_dll = self.newer_package()
        # INSTALLFOLDER as an administrator writes it: with spaces, with a trailing
        # backslash; a folder that holds other files is left with them.
        cases = [
            (r"C:\Mail Tools\Pellacorm", r"C:\Mail Tools\Pellacorm\PellacormRuleExt.dll", False),
            ("C:\\Tools\\", r"C:\Tools\PellacormRuleExt.dll", True),
        ]
        for folder, dll_path, other_files in cases:
            with self.subTest(folder=folder):
                result = m.install(MSI, f"INSTALLFOLDER={folder}")
                self.assertEqual(result.code, 0, result)
                self.assertInstalled(dll_path)
                if other_files:
                    with open(os.path.join(os.path.dirname(m.c(dll_path)), "notes.txt"), "w") as f:
                        f.write("not ours")

                # The installed copy keeps its folder: installing again names another,
                # the upgrade none.
                result = m.install(MSI, r"INSTALLFOLDER=C:\Elsewhere")
                self.assertEqual(result.code, 0, result)
                self.assertInstalled(dll_path)
                result = m.install(newer)
                self.assertEqual(result.code, 0, result)
                self.assertInstalled(dll_path, source=newer_dll)

                # Uninstalling, which names no folder, removes it from there.
                result = m.msiexec("/x", windows_path(newer))
                self.assertEqual(result.code, 0, result)
                self.assertNothingInstalled()
                self.assertEqual(os.path.isdir(os.path.dirname(m.c(dll_path))), other_files)

    def test_x86_package_writes_the_32_bit_view(self):
        # Installing runs no program of the package's own, so 64-bit Wine installs the
        # x86 package as 64-bit Windows does, for a 32-bit mail client. The DLL's bitness
        # plays no part in that: the package is built here from the x64 one.
        package = os.path.join(self.folder, f"PellacormAction-{VERSION}-x86.msi")
        subprocess.run([BUILD, "x86", VERSION, DLL, package], check=True)
        m = self.machine
        result = m.install(package)
        self.assertEqual(result.code, 0, result)
        self.assertInstalled(DEFAULT_32, view="32-bit")
        result = m.msiexec("/x", windows_path(package))
        self.assertEqual(result.code, 0, result)
        self.assertNothingInstalled()


if __name__ == "__main__":
    unittest.main(verbosity=2)
