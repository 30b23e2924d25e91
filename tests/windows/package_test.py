#!/usr/bin/env python3
"""Checks a Windows Installer package by its tables (msiinfo), without installing it:
the only way to check the x86 package where 32-bit programs do not run. Also the
packaged DLL (debug information split off, the version of the package) and how
installer/build-msi.sh refuses bad input. ctest passes through the environment:

  MSI            the package of the build (target msi)
  MSI_ARCH       its architecture, x64 or x86
  MSI_VERSION    its version, from src/resources/version.h
  MSI_DLL        the DLL it holds
  MSI_DEBUG      the DLL's debug information, split off
  MSI_BUILD      installer/build-msi.sh
  OBJCOPY        MinGW-w64's objcopy
  README         README.md, whose install command names the package
  TEST_WORK      a folder of the build tree for the test's files
"""
import os
import re
import shutil
import struct
import subprocess
import tempfile
import unittest
import zlib

MSI = os.environ.get("MSI", "")
ARCH = os.environ.get("MSI_ARCH", "")
VERSION = os.environ.get("MSI_VERSION", "")
DLL = os.environ.get("MSI_DLL", "")
DEBUG = os.environ.get("MSI_DEBUG", "")
BUILD = os.environ.get("MSI_BUILD", "")
OBJCOPY = os.environ.get("OBJCOPY", "x86_64-w64-mingw32-objcopy")
README = os.environ.get("README", "")
WORK = os.environ.get("TEST_WORK", tempfile.gettempdir())

# What differs between the two packages.
EXPECTED = {
    "x64": {"template": "x64;1033", "program_files": "ProgramFiles64Folder", "component_64bit": True},
    "x86": {"template": "Intel;1033", "program_files": "ProgramFilesFolder", "component_64bit": False},
}
msidbComponentAttributes64bit = 256
msidbRegistryRootLocalMachine = 2
msidbLocatorType64bit = 16


def table(package, name):
    """The rows of a table as dicts by column name (msiinfo export: a line of column
    names, one of types, one naming the table and its keys, then the rows)."""
    text = subprocess.run(["msiinfo", "export", package, name], check=True, capture_output=True,
                          text=True).stdout
    lines = text.split("\r\n") if "\r\n" in text else text.split("\n")
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


def properties(package):
    return {row["Property"]: row["Value"] for row in table(package, "Property")}


def summary(package):
    text = subprocess.run(["msiinfo", "suminfo", package], check=True, capture_output=True, text=True).stdout
    return dict(line.split(": ", 1) for line in text.splitlines() if ": " in line)


def section(path, name):
    """The bytes of a section of a PE file, or None."""
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "section")
        subprocess.run([OBJCOPY, "--dump-section", f"{name}={out}", path, os.path.join(folder, "copy")],
                       check=False, capture_output=True)
        if not os.path.exists(out):
            return None
        with open(out, "rb") as f:
            return f.read()


def section_names(path):
    text = subprocess.run([OBJCOPY.replace("objcopy", "objdump"), "-h", path], check=True, capture_output=True,
                          text=True).stdout
    return re.findall(r"^\s*\d+\s+(\S+)", text, re.MULTILINE)


class PackageTablesTest(unittest.TestCase):
    def setUp(self):
        self.assertTrue(os.path.isfile(MSI), f"{MSI} is missing: build the target msi")
        self.expected = EXPECTED[ARCH]

    def test_installs_the_dll_and_the_value_in_the_view_of_its_architecture(self):
        self.assertEqual(summary(MSI)["Template"], self.expected["template"])

        [component] = table(MSI, "Component")
        self.assertEqual(bool(int(component["Attributes"]) & msidbComponentAttributes64bit),
                         self.expected["component_64bit"], component)

        [file] = table(MSI, "File")
        self.assertEqual(file["FileName"].split("|")[-1], "PellacormRuleExt.dll")
        self.assertEqual(int(file["FileSize"]), os.path.getsize(DLL))
        self.assertEqual((file["Component_"], component["KeyPath"]), (component["Component"], file["File"]))

        directories = {row["Directory"]: row for row in table(MSI, "Directory")}
        folder = directories[component["Directory_"]]
        self.assertEqual(component["Directory_"], "INSTALLFOLDER", "the folder an administrator may set")
        self.assertEqual(folder["DefaultDir"], "Pellacorm")
        self.assertEqual(folder["Directory_Parent"], self.expected["program_files"])
        self.assertEqual(directories[folder["Directory_Parent"]]["Directory_Parent"], "TARGETDIR")

        values = {row["Name"]: row for row in table(MSI, "Registry")}
        self.assertEqual(sorted(values), ["InstallFolder", "Pellacorm Action"])
        value = values["Pellacorm Action"]
        self.assertEqual(value["Key"], r"SOFTWARE\Microsoft\Exchange\Client\Custom Actions")
        self.assertEqual(value["Value"], f"4.0;[#{file['File']}];1", "the installed DLL's full path")
        for row in values.values():
            self.assertEqual((row["Root"], row["Component_"]),
                             (str(msidbRegistryRootLocalMachine), component["Component"]), row)

        # The folder is kept where the package looks for it again, in the same view.
        kept = values["InstallFolder"]
        self.assertEqual(kept["Value"], "[INSTALLFOLDER]")
        [search] = table(MSI, "AppSearch")
        [locator] = table(MSI, "RegLocator")
        self.assertEqual((search["Property"], search["Signature_"]), ("INSTALLFOLDER", locator["Signature_"]))
        self.assertEqual((locator["Root"], locator["Key"], locator["Name"]), (kept["Root"], kept["Key"], kept["Name"]))
        self.assertEqual(bool(int(locator["Type"]) & msidbLocatorType64bit), self.expected["component_64bit"])

    def test_per_machine_with_its_maker_and_version(self):
        props = properties(MSI)
        self.assertEqual(props.get("ALLUSERS"), "1")
        self.assertEqual((props["Manufacturer"], props["ProductVersion"]), ("Pellacorm", VERSION))
        self.assertEqual(os.path.basename(MSI), f"PellacormAction-{VERSION}-{ARCH}.msi")
        # No dialog stands in the way of a silent deployment.
        tables = subprocess.run(["msiinfo", "tables", MSI], check=True, capture_output=True, text=True).stdout
        self.assertNotIn("Dialog", tables.split())

    def test_downgrade_is_refused_with_a_message(self):
        [detect] = [row for row in table(MSI, "Upgrade") if row["ActionProperty"] == "WIX_DOWNGRADE_DETECTED"]
        self.assertEqual((detect["VersionMin"], detect["VersionMax"]), (VERSION, ""))
        [condition] = table(MSI, "LaunchCondition")
        self.assertEqual(condition["Condition"], "NOT WIX_DOWNGRADE_DETECTED")
        self.assertIn("newer version", condition["Description"])

    def test_readme_names_this_version(self):
        with open(README, encoding="utf-8") as f:
            self.assertIn(f"PellacormAction-{VERSION}-x64.msi", f.read())


class ProductCodesTest(unittest.TestCase):
    """Packages of both architectures and two versions, built from the one DLL."""

    def scratch(self):
        os.makedirs(WORK, exist_ok=True)
        folder = tempfile.mkdtemp(dir=WORK)
        self.addCleanup(shutil.rmtree, folder)
        return folder

    def test_upgrade_code_per_architecture_product_code_per_version(self):
        folder = self.scratch()
        codes = {}
        for arch in ("x64", "x86"):
            for version in ("1.0.0", "1.2.0"):
                package = os.path.join(folder, f"{arch}-{version}.msi")
                subprocess.run([BUILD, arch, version, DLL, package], check=True)
                props = properties(package)
                codes[arch, version] = (props["UpgradeCode"], props["ProductCode"])
        self.assertEqual(codes["x64", "1.0.0"][0], codes["x64", "1.2.0"][0])
        self.assertEqual(codes["x86", "1.0.0"][0], codes["x86", "1.2.0"][0])
        self.assertNotEqual(codes["x64", "1.0.0"][0], codes["x86", "1.0.0"][0])
        self.assertEqual(len({product for _, product in codes.values()}), 4)
        # Built again, a package is the same product.
        again = os.path.join(folder, "again.msi")
        subprocess.run([BUILD, "x64", "1.0.0", DLL, again], check=True)
        self.assertEqual(properties(again)["ProductCode"], codes["x64", "1.0.0"][1])

    def test_bad_input_builds_nothing(self):
        folder = self.scratch()
        missing = os.path.join(folder, "no such folder", "PellacormRuleExt.dll")
        cases = [
            ("x64", VERSION, missing, missing),
            ("arm64", VERSION, DLL, "unknown architecture"),
            ("x64", "1.0", DLL, "'1.0' is not major.minor.patch"),
            ("x64", "1.256.0", DLL, "within 255.255.65535"),
        ]
        for arch, version, dll, message in cases:
            with self.subTest(arch=arch, version=version, dll=dll):
                package = os.path.join(folder, "out.msi")
                result = subprocess.run([BUILD, arch, version, dll, package], capture_output=True, text=True)
                self.assertNotEqual(result.returncode, 0)
                self.assertIn(message, result.stderr)
                self.assertEqual(os.listdir(folder), [], "no package, not even part of one")


class PackagedDllTest(unittest.TestCase):
    def test_debug_information_is_split_off_and_linked(self):
        names = section_names(DLL)
        self.assertEqual([n for n in names if n.startswith(".debug")], [])
        self.assertIn(".debug_info", section_names(DEBUG))
        link = section(DLL, ".gnu_debuglink")
        self.assertIsNotNone(link, "no debug link")
        name, _, rest = link.partition(b"\0")
        self.assertEqual(name, b"PellacormRuleExt.dll.debug")
        # The file's CRC-32 after the name, on a four-byte boundary.
        crc_at = (len(name) + 4) & ~3
        with open(DEBUG, "rb") as f:
            self.assertEqual(struct.unpack_from("<I", link, crc_at)[0], zlib.crc32(f.read()))

    def test_version_information_is_the_package_version(self):
        with open(DLL, "rb") as f:
            data = f.read()
        # VS_FIXEDFILEINFO: its signature, the structure's version, then the file
        # version's high and low words.
        at = data.index(struct.pack("<I", 0xFEEF04BD))
        _, _, high, low = struct.unpack_from("<4I", data, at)
        self.assertEqual(f"{high >> 16}.{high & 0xFFFF}.{low >> 16}.{low & 0xFFFF}", f"{VERSION}.0")
        self.assertIn(f"{VERSION}\0".encode("utf-16-le"), data, "FileVersion and ProductVersion texts")


if __name__ == "__main__":
    unittest.main(verbosity=2)
