"""One Wine prefix for the Wine commands of one test: install_scripts_test.py and
msi_test.py run what an administrator runs on Windows, and check what it leaves in the
registry (with reg query, in the same prefix) and on drive C:.

The commands share the prefix (WINE_RUN_PREFIX), with Wine kept running between them
(WINE_RUN_STAY) until stop(). Their output goes to files, never through a pipe: Wine's
background services would hold a pipe open.
"""
import os
import re
import subprocess

KEY = r"HKLM\SOFTWARE\Microsoft\Exchange\Client\Custom Actions"
NAME = "Pellacorm Action"
DEFAULT_64 = r"C:\Program Files\Pellacorm\PellacormRuleExt.dll"
DEFAULT_32 = r"C:\Program Files (x86)\Pellacorm\PellacormRuleExt.dll"
VALUE_LINE = re.compile(r"^\s+" + re.escape(NAME) + r"\s{4}(REG_\w+)\s{4}(.*)$")


def windows_path(path):
    """A Linux path as Wine's programs see it, on drive Z:."""
    return "Z:" + path.replace("/", "\\")


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Result:
    def __init__(self, code, out, err):
        self.code, self.out, self.err = code, out, err

    def __str__(self):
        return f"exit {self.code}\n--- stdout\n{self.out}\n--- stderr\n{self.err}"


class WinePrefix:
    """Drive C: and the registry of one prefix, below `folder`, run through `wine_run`
    (the launcher and its state folder, as a list)."""

    def __init__(self, folder, wine_run):
        self.folder = folder
        self.wine_run = wine_run
        self.prefix = os.path.join(folder, "prefix")
        self.runs = 0
        # Both registry views in one Wine command.
        self.query_script = os.path.join(folder, "query.cmd")
        with open(self.query_script, "w", newline="\r\n") as f:
            f.write(f'@echo off\necho [64-bit]\nreg query "{KEY}"\necho [32-bit]\nreg query "{KEY}" /reg:32\n')

    def wine(self, *args, stay=True):
        self.runs += 1
        out_path = os.path.join(self.folder, f"out{self.runs}.txt")
        err_path = os.path.join(self.folder, f"err{self.runs}.txt")
        env = dict(os.environ, WINE_RUN_PREFIX=self.prefix, WINE_RUN_STAY="1" if stay else "0")
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            code = subprocess.run(self.wine_run + list(args), stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                  env=env, timeout=180).returncode
        with open(out_path, "rb") as out, open(err_path, "rb") as err:
            return Result(code, out.read().decode("cp437"), err.read().decode("cp437"))

    def stop(self):
        """Stops Wine in the prefix (the last command runs without WINE_RUN_STAY)."""
        self.wine("cmd.exe", "/c", "exit", stay=False)

    def values(self):
        """The custom action values of both registry views, as reg query lists them:
        {"64-bit": [(type, data)], "32-bit": [...]}."""
        result = self.wine("cmd.exe", "/c", windows_path(self.query_script))
        views, view = {}, None
        for line in result.out.splitlines():
            if line in ("[64-bit]", "[32-bit]"):
                view = views.setdefault(line[1:-1], [])
            elif view is not None and VALUE_LINE.match(line):
                view.append(VALUE_LINE.match(line).groups())
        assert set(views) == {"64-bit", "32-bit"}, result
        return views

    def c(self, path):
        """The Linux path of a file on drive C:."""
        assert path[:3].upper() == "C:\\", path
        return os.path.join(self.prefix, "drive_c", *path[3:].split("\\"))

    def installed_dlls(self):
        found = []
        for folder, _, files in os.walk(os.path.join(self.prefix, "drive_c")):
            found += [os.path.join(folder, f) for f in files if f.lower() == "pellacormruleext.dll"]
        return found
