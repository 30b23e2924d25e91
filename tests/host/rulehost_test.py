#!/usr/bin/env python3
"""Runs rulehost as a user or a script would and checks what it prints, writes and exits
with. ctest passes the programs through the environment:

  RULEHOST                    the rulehost binary
  RULEHOST_LIBRARY            the extension library it drives
  RULEHOST_NOT_AN_EXTENSION   a shared library without ExchEntryPoint
  RULEHOST_LAUNCHER           optional: what runs the binary, as a shell would split it
                              (for rulehost.exe under Wine: scripts/wine-run.sh STATE_DIR)

A rulehost.exe is tested as a Windows program: file names handed to it are written as
Windows paths when it runs under a launcher on Linux, and what only the Linux platform
layer offers (--registry, --drive-root, the run's folder of files) is checked as refused
or left out.

Usage: rulehost_test.py [TestClass ...]
"""
import os
import re
import shlex
import signal
import subprocess
import sys
import tempfile
import unittest

RULEHOST = os.environ.get("RULEHOST", "")
LIBRARY = os.environ.get("RULEHOST_LIBRARY", "")
NOT_AN_EXTENSION = os.environ.get("RULEHOST_NOT_AN_EXTENSION", "")
LAUNCHER = shlex.split(os.environ.get("RULEHOST_LAUNCHER", ""))
WINDOWS = RULEHOST.lower().endswith(".exe")
# A Windows program run under Wine from Linux sees the Linux file system as drive Z:.
WINE = WINDOWS and os.name == "posix"


def host_path(path):
    """`path` as the rulehost under test names it."""
    if WINE and path.startswith("/"):
        return "Z:" + path.replace("/", "\\")
    return path


def linux_only(test):
    return unittest.skipIf(WINDOWS, "the Linux platform layer only")(test)


def windows_only(test):
    return unittest.skipUnless(WINDOWS, "Windows only")(test)


BUDGET_COMMAND = "017P+1T1006Budget"
BUDGET_NAME = '"Priority: High, Topic: Budget (File) "'


class Result:
    def __init__(self, completed):
        self.code = completed.returncode
        self.out = completed.stdout
        self.err = completed.stderr

    def __str__(self):
        return f"exit {self.code}\n--- stdout\n{self.out}\n--- stderr\n{self.err}"


def rulehost(*args, stdin=None, library=True):
    """Runs rulehost with `args`; stdin is closed unless text is given."""
    command = LAUNCHER + [RULEHOST]
    if library:
        command += ["--library", host_path(LIBRARY)]
    command += list(args)
    completed = subprocess.run(
        command,
        input=stdin if stdin is not None else None,
        stdin=None if stdin is not None else subprocess.DEVNULL,
        capture_output=True,
        text=True,
        timeout=120,
    )
    return Result(completed)


def field(output, label):
    """The quoted value after `label:` in rulehost's output ("command string: \"...\"")."""
    match = re.search(re.escape(label) + r':\s+(".*")\s*$', output, re.MULTILINE)
    return match.group(1) if match else None


def log_entries(output):
    """The number of log entries rulehost reported for the run (0 for "no log entries")."""
    if "\nno log entries\n" in output:
        return 0
    match = re.search(r"^(\d+) log entr(?:y|ies) in ", output, re.MULTILINE)
    return int(match.group(1)) if match else None


class HostTestCase(unittest.TestCase):
    def assertExit(self, result, code):
        self.assertEqual(result.code, code, str(result))

    def temp_folder(self):
        """A new empty folder, removed after the test."""
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        return folder.name

    def write_file(self, text):
        handle = tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False)
        handle.write(text)
        handle.close()
        self.addCleanup(os.unlink, handle.name)
        return host_path(handle.name)


class Demo(HostTestCase):
    def test_demo_walks_the_whole_road_without_input(self):
        result = rulehost("demo")
        self.assertExit(result, 0)
        out = result.out
        # The road in order: binding, topics, composing, naming, firing, the log.
        road = [
            "Install(callback, 0) -> S_OK (0x00000000)",
            'the extension keeps open: session "session" (1 reference), store "Mailbox" (2 references)',
            "<Do Not Assign>",
            "the user: press OK",
            f'command string: "{BUDGET_COMMAND}"',
            f"display name: {BUDGET_NAME}",
            f'Command(callback, "{BUDGET_COMMAND}"',
            f'1. class "IPM.Pellacorm.Action", subject "{BUDGET_COMMAND}"',
            "original entry identifier (28 bytes, message 1)",
            "memstore ledger: nothing left live",
            "no log entries",
        ]
        position = 0
        for step in road:
            found = out.find(step, position)
            self.assertGreaterEqual(found, 0, f"missing or out of order: {step!r}\n{out}")
            position = found + len(step)
        self.assertNotIn("ERROR:", out)

    def test_help_documents_every_command_and_exit_code(self):
        result = rulehost("--help", library=False)
        self.assertExit(result, 0)
        for text in ["demo", "bind", "topics", "compose", "name CMD", "fire CMD", "mailbox", "--fault",
                     "--set-binary", "Exit codes"]:
            self.assertIn(text, result.out)
        for code in range(0, 8):
            self.assertRegex(result.out, rf"\n  {code}  ")


class Name(HostTestCase):
    CASES = [
        # command string, display-name buffer size, display name
        (BUDGET_COMMAND, 256, BUDGET_NAME),
        ("", 256, '""'),
        ("006P+7", 256, '"Priority: "'),
        ("011T2003A/B", 256, '"Topic: A/B (Overwrite) "'),
        (BUDGET_COMMAND, 5, '"Prio"'),
        (BUDGET_COMMAND, 1, '""'),
    ]

    def test_display_names_of_stored_commands(self):
        for command, size, expected in self.CASES:
            with self.subTest(command=command, size=size):
                result = rulehost("name", command, "--name-size", str(size))
                self.assertExit(result, 0)
                self.assertEqual(field(result.out, "display name"), expected, str(result))
                self.assertEqual(log_entries(result.out), 0, str(result))


class Fire(HostTestCase):
    def test_every_fired_message_gets_its_own_request(self):
        result = rulehost("fire", BUDGET_COMMAND + "XYZ", "--count", "3")
        self.assertExit(result, 0)
        self.assertIn("hidden messages (associated contents): 3", result.out)
        for number in (1, 2, 3):
            self.assertIn(f"message {number} (entry identifier of 28 bytes) -> S_OK", result.out)
            self.assertIn(f"bytes, message {number}):", result.out)
        # The subject is the command re-encoded, without what followed its fields.
        self.assertEqual(result.out.count(f'subject "{BUDGET_COMMAND}"'), 3, str(result))
        self.assertNotIn("NOT the Inbox", result.out)

    def test_many_messages_are_summed_up(self):
        result = rulehost("fire", "006P-1", "--count", "25")
        self.assertExit(result, 0)
        self.assertIn("25 of 25 answered success", result.out)
        self.assertIn("hidden messages (associated contents): 25", result.out)
        self.assertIn("bytes, message 25):", result.out)

    def test_a_command_that_assigns_nothing_writes_nothing(self):
        for command in ["", "003", "xyz"]:
            with self.subTest(command=command):
                result = rulehost("fire", command)
                self.assertExit(result, 0)
                self.assertIn("-> S_OK", result.out)
                self.assertIn("hidden messages (associated contents): none", result.out)

    FAULTS = [
        # fault, exit code, result Command answers, text the log entry holds
        ("SaveChanges=MAPI_E_NOT_ENOUGH_DISK", 1, "MAPI_E_NOT_ENOUGH_DISK (0x8004010D)", "SaveChanges failed"),
        ("CreateMessage@Mailbox/Inbox=0x80070005", 1, "E_ACCESSDENIED (0x80070005)", "CreateMessage failed"),
        ("SetProps#1=MAPI_E_NO_ACCESS", 1, "E_ACCESSDENIED (0x80070005)", "Failed SetProps"),
    ]

    def test_a_failing_store_leaves_a_log_entry_and_no_request(self):
        for fault, code, answer, logged in self.FAULTS:
            with self.subTest(fault=fault):
                result = rulehost("fire", BUDGET_COMMAND, "--fault", fault)
                self.assertExit(result, code)
                self.assertIn(f"message 1 (entry identifier of 28 bytes) -> {answer}", result.out)
                self.assertIn("hidden messages (associated contents): none", result.out)
                self.assertEqual(log_entries(result.out), 1, str(result))
                self.assertIn(logged, result.out)
                self.assertIn("ERROR: (MAPI, ", result.out)
                self.assertIn("rulehost: Command answered a failure for 1 of 1 message\n", result.err)
                self.assertRegex(result.out, rf"fault {re.escape(fault)}: \d+ matching calls?, failed 1 time")
                self.assertIn("memstore ledger: nothing left live", result.out)

    def test_a_fault_that_never_matches_says_so(self):
        result = rulehost("fire", BUDGET_COMMAND, "--fault", "SaveChanges@Archive/*#1")
        self.assertExit(result, 0)
        self.assertIn("fault SaveChanges@Archive/*#1: 0 matching calls, failed 0 times", result.out)
        self.assertEqual(log_entries(result.out), 0)


class Bind(HostTestCase):
    def test_application_store_from_the_registry(self):
        result = rulehost("bind", "--set-binary", "AppDatastore=store:Archive")
        self.assertExit(result, 0)
        self.assertIn('AppDatastore             REG_BINARY', result.out)
        self.assertIn('the entry identifier of store "Archive"', result.out)
        self.assertIn('default store "Mailbox", application store (topics) "Archive"', result.out)

    def test_a_session_refused_is_logged_and_nothing_is_bound(self):
        result = rulehost("bind", "--fault", "GetSession=MAPI_E_LOGON_FAILED")
        self.assertExit(result, 0)  # Install answers S_OK whatever happens
        self.assertIn("GetSession: called 1 time (failing as --fault asked)", result.out)
        self.assertIn("no store is bound", result.out)
        self.assertEqual(log_entries(result.out), 1, str(result))
        self.assertIn("Unable to obtain active session", result.out)

    @linux_only
    def test_settings_persist_in_a_registry_file_of_ones_own(self):
        folder = self.temp_folder()
        registry = os.path.join(folder, "user.reg")
        first = rulehost("--registry", registry, "--set", "TopicFolderLocation=Projects", "bind")
        self.assertExit(first, 0)
        with open(registry, encoding="latin-1") as text:
            self.assertIn('"TopicFolderLocation"="Projects"', text.read())
        # A registry of one's own gets no HomeDir from the host: the log stays where it was.
        second = rulehost("--registry", registry, "bind")
        self.assertExit(second, 0)
        self.assertIn('TopicFolderLocation      REG_SZ "Projects"', second.out)
        self.assertIn("HomeDir                  not set", second.out)
        self.assertIn("log        C:/Pellacorm.log", second.out)

    def test_settings_are_written_before_the_library_loads(self):
        # The log threshold is read when the library loads: stored as 4, only severe
        # errors are logged, so a failed SaveChanges leaves no entry.
        result = rulehost("fire", BUDGET_COMMAND, "--set-dword", "ExceptionLogThreshold=4",
                          "--fault", "SaveChanges=MAPI_E_NOT_ENOUGH_DISK")
        self.assertExit(result, 1)
        self.assertIn("-> MAPI_E_NOT_ENOUGH_DISK (0x8004010D)", result.out)
        self.assertEqual(log_entries(result.out), 0, str(result))

    def test_a_home_without_a_logs_folder_is_pointed_out(self):
        result = rulehost("bind", "--set", "HomeDir=C:\\Nowhere")
        self.assertExit(result, 0)
        self.assertIn("log        C:\\Nowhere/Logs/Pellacorm.log", result.out)
        self.assertIn("does not exist, so the extension's log entries are lost", result.out)

    def test_a_home_longer_than_a_file_name_is_run_and_pointed_out(self):
        # A folder name of 256 characters, and the extension's own edge case of a home
        # of 300.
        for length in (256, 297):
            with self.subTest(length=length):
                result = rulehost("bind", "--set", "HomeDir=C:\\" + "h" * length)
                self.assertExit(result, 0)
                self.assertIn("Install(callback, 0) -> S_OK", result.out)
                self.assertIn("so the extension's log entries are lost", result.out)
                self.assertNotIn("filesystem error", result.err)

    @linux_only
    def test_what_is_not_a_registry_file_is_refused_and_left_alone(self):
        folder = self.temp_folder()
        text = os.path.join(folder, "x.txt")
        with open(text, "wb") as handle:
            handle.write(b"important\n")
        directory = os.path.join(folder, "dir")
        os.mkdir(directory)
        for registry, message in [(text, "is not a registry file (its first line is not REGEDIT4)"),
                                  (directory, "is not a registry file but a folder")]:
            with self.subTest(registry=registry):
                result = rulehost("--registry", registry, "--set", "HomeDir=C:\\X", "bind")
                self.assertExit(result, 6)
                self.assertIn(message, result.err)
                self.assertNotIn("Install(", result.out)
                self.assertFalse(os.path.exists(registry + ".lock"))
        with open(text, "rb") as handle:
            self.assertEqual(handle.read(), b"important\n")

    @linux_only
    def test_lines_the_registry_cannot_read_are_warned_about_and_kept(self):
        folder = self.temp_folder()
        registry = os.path.join(folder, "user.reg")
        kept = ('; edited by hand\n'
                '[HKEY_CURRENT_USER\\Software\\Pellacorm\\Quendra]\n'
                '"U"="unterminated\n'
                '"Bin"=hex:01,02,zz\n'
                '"ExceptionLogThreshold"=dword:1234567890\n')
        with open(registry, "w", encoding="latin-1") as handle:
            handle.write("REGEDIT4\n" + kept)
        result = rulehost("--registry", registry, "--set", "TopicFolderLocation=Projects", "bind")
        self.assertExit(result, 0)
        for line in (4, 5, 6):
            self.assertEqual(result.err.count(f"{registry}:{line}: cannot read "), 1, str(result))
        self.assertIn("ExceptionLogThreshold    not set", result.out)
        with open(registry, encoding="latin-1") as handle:
            written = handle.read()
        self.assertIn(kept.replace("; edited by hand\n", ""), written)
        self.assertIn('"TopicFolderLocation"="Projects"', written)

    @windows_only
    def test_the_linux_registry_file_and_drive_root_are_refused(self):
        # Windows has a registry and drives of its own: asked for the Linux ones, the
        # host says so and does not start.
        cases = [
            (["--registry", "user.reg", "bind"], "--registry names a registry file of the Linux platform layer"),
            (["--drive-root", "drives", "bind"], "--drive-root is for the Linux platform layer"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                result = rulehost(*args)
                self.assertExit(result, 2)
                self.assertIn(message, result.err)
                self.assertNotIn("Install(", result.out)

    # The run's folder of files (registry file, drives) belongs to the Linux platform layer.
    @linux_only
    def test_keep_leaves_the_registry_and_the_log(self):
        result = rulehost("--keep", "fire", BUDGET_COMMAND, "--fault", "SaveChanges")
        self.assertExit(result, 1)
        kept = re.search(r"^kept the run's folder (.+)$", result.out, re.MULTILINE)
        self.assertIsNotNone(kept, str(result))
        folder = kept.group(1)
        self.addCleanup(lambda: subprocess.run(["rm", "-rf", folder], check=False))
        with open(os.path.join(folder, "user.reg"), encoding="latin-1") as registry:
            self.assertIn("HomeDir", registry.read())
        log = os.path.join(folder, "drives", "c", "Pellacorm", "Logs", "Pellacorm.log")
        with open(log, "rb") as text:
            entry = text.read()
        self.assertIn(b"SaveChanges failed\r\n", entry)

    def test_a_value_of_the_wrong_type_is_shown_as_ignored(self):
        result = rulehost("bind", "--set", "AppDatastore=Archive")
        self.assertExit(result, 0)
        self.assertIn("not REG_BINARY, so ignored", result.out)
        self.assertIn('default store "Mailbox", also the application store', result.out)


class Options(HostTestCase):
    def test_fault_rules_count_calls_as_written(self):
        cases = [
            # fault, messages, requests written, messages whose Command failed
            ("SaveChanges#2", 3, 2, [2]),
            ("SaveChanges#2+", 4, 1, [2, 3, 4]),
            ("SaveChanges@Mailbox/Inbox/*#3=mapi_e_not_enough_disk", 3, 2, [3]),
            ("CreateMessage#1+=2147500037", 2, 0, [1, 2]),  # E_FAIL written as a decimal number
        ]
        for fault, count, written, failed in cases:
            with self.subTest(fault=fault):
                result = rulehost("fire", "006P+2", f"--count={count}", f"--fault={fault}")
                self.assertExit(result, 1)
                self.assertIn(f"hidden messages (associated contents): {written or 'none'}", result.out)
                answers = re.findall(r"^  message (\d+) \(entry identifier of \d+ bytes\) -> (\S+)", result.out,
                                     re.MULTILINE)
                self.assertEqual([int(n) for n, answer in answers if answer != "S_OK"], failed, str(result))
                self.assertEqual(log_entries(result.out), len(failed), str(result))

    def test_fault_rules_that_could_match_nothing_are_refused(self):
        cases = [
            ("Bogus", 'no operation is named "Bogus"'),
            ("savechanges", 'no operation is named "savechanges"'),
            ("SaveChanges#0", "#0 is no call"),
            ("SaveChanges#-1", "#-1 is no call"),
            ("SaveChanges#99999999999999999999", "is no call"),
            ("SaveChanges=0x1", "S_FALSE (0x00000001) is a success code"),
            ("SaveChanges=S_OK", "is a success code"),
        ]
        for fault, message in cases:
            with self.subTest(fault=fault):
                result = rulehost("fire", "006P+2", "--fault", fault)
                self.assertExit(result, 2)
                self.assertIn(message, result.err)
                self.assertEqual(result.out, "")
        # An unknown operation is answered with the known ones.
        self.assertIn("SaveChanges, SeekRow", rulehost("bind", "--fault", "Bogus").err)

    def test_every_fault_example_of_the_help_fails_a_call(self):
        examples = re.findall(r"(?:Examples: +|^ {20,})--fault (\S+)$", rulehost("--help", library=False).out,
                              re.MULTILINE)
        self.assertGreaterEqual(len(examples), 3)
        for fault in examples:
            with self.subTest(fault=fault):
                result = rulehost("fire", BUDGET_COMMAND, "--count", "2", "--fault", fault)
                self.assertRegex(result.out, rf"fault {re.escape(fault)}: [1-9]\d* matching calls?, failed 1 time")

    def test_set_values_are_explained_in_words(self):
        result = rulehost("bind", "--set-dword", "ExceptionLogThreshold=4", "--set-dword",
                          "ExceptionNotifyThreshold=1", "--set-binary", "AppDatastore=07")
        self.assertExit(result, 0)
        self.assertIn("ExceptionLogThreshold    REG_DWORD 4: severity SEVERE ERROR and above is logged", result.out)
        self.assertIn("REG_DWORD 1: severity WARNING and above reaches the notification step", result.out)
        self.assertIn("REG_BINARY 07 (1 byte)", result.out)
        self.assertIn("display-name buffer of 1 byte)", rulehost("name", "006P+1", "--name-size", "1").out)

    def test_context_and_raw_binary_settings_reach_the_extension(self):
        result = rulehost("bind", "--context", "7", "--set-binary", "AppDatastore=01:02:03")
        self.assertExit(result, 0)
        self.assertIn("Install(callback, 7) -> S_OK", result.out)
        self.assertIn("REG_BINARY 010203 (3 bytes): names no store of this mailbox", result.out)
        self.assertIn('default store "Mailbox", also the application store', result.out)

    def test_firing_without_an_inbox(self):
        path = self.write_file("store M default\n  Archive\n")
        result = rulehost("--mailbox", path, "fire", "006P+0")
        self.assertExit(result, 0)
        self.assertIn('the messages are made in "M/', result.out)
        self.assertIn("hidden messages (associated contents): none", result.out)
        self.assertIn("GetReceiveFolder failed", result.out)


class Mailbox(HostTestCase):
    BAD = [
        # mailbox text, line, message
        ("  Inbox\n", 1, "before the first store"),
        ("store A default\n  Inbox inbox\n\tTopics\n", 3, "indent with spaces"),
        ("store A\n  x\n      y\n    z\n", 3, "jumps 2 levels deeper"),
        ("store A\n    x\n  y\n", 2, "jumps 2 levels deeper"),
        ("store A\n   x\n", 2, "indent by two spaces"),
        ("store A\n  x\n     y\n", 3, "indent by two spaces"),
        ("store A\r  Inbox inbox\r", 1, "ends with LF or CR LF"),
        ("store A\n  a\x00b\n", 2, "NUL at column 4"),
        ("store A\n  a\x1b[31mb\n", 2, "control character"),
        ("store A default bogus\n", 1, 'the word "default" inside the name'),
        ("store A\n  Team inbox Old\n", 2, 'the word "inbox" inside the name'),
        ("Store A\n", 1, 'unknown keyword "Store"'),
        ('store "A" bogus\n', 1, "after the quoted name"),
        ("store A\n  x\nstore A default\n", 3, 'a second store named "A"'),
        ("store A\n  X inbox\n  Y\n    Z inbox\n", 4, "a second inbox"),
        ('store A\n  "Team inbox\n', 2, "closing"),
        ("# nothing but a comment\nstor A\n", 2, "expected a store line"),
        ("store\n", 1, "without a store name"),
    ]

    def test_a_bad_mailbox_file_names_its_line(self):
        for text, line, message in self.BAD:
            with self.subTest(text=text):
                path = self.write_file(text)
                result = rulehost("--mailbox", path, "bind")
                self.assertExit(result, 5)
                self.assertIn(f"{path}:{line}: ", result.err)
                self.assertIn(message, result.err)
                self.assertEqual(result.out, "")

    def test_an_empty_or_missing_file(self):
        empty = self.write_file("\n# only a comment\n")
        result = rulehost("--mailbox", empty, "bind")
        self.assertExit(result, 5)
        self.assertIn("has no store", result.err)
        result = rulehost("--mailbox", "/nonexistent/mailbox.txt", "bind")
        self.assertExit(result, 5)
        self.assertIn("cannot read", result.err)

    def test_the_printed_mailbox_reads_back_the_same(self):
        printed = rulehost("mailbox", library=False)
        self.assertExit(printed, 0)
        path = self.write_file(printed.out)
        again = rulehost("--mailbox", path, "mailbox", library=False)
        self.assertExit(again, 0)
        self.assertEqual(again.out.splitlines()[1:], printed.out.splitlines()[1:])

    def test_names_that_look_like_markers_survive_quoting(self):
        text = 'store "Old default" default\n  "Team inbox"\n  "An inbox of old"\n  Inbox inbox\n'
        path = self.write_file(text)
        printed = rulehost("--mailbox", path, "mailbox", library=False)
        self.assertExit(printed, 0)
        self.assertIn(text, printed.out)

    def test_a_mailbox_without_a_default_store(self):
        path = self.write_file("store Solo\n  Inbox inbox\n")
        result = rulehost("--mailbox", path, "bind")
        self.assertExit(result, 0)
        self.assertIn("no store is bound", result.out)
        self.assertGreaterEqual(log_entries(result.out), 1, str(result))
        self.assertIn("Unable to obtain active datastore", result.out)


class Errors(HostTestCase):
    CASES = [
        # arguments, exit code, text of the message on stderr
        ([], 2, "no command given"),
        (["frobnicate"], 2, 'unknown command "frobnicate"'),
        (["bind", "--frobnicate"], 2, "unknown option --frobnicate"),
        (["name"], 2, "wants the command string"),
        (["name", "006P+1", "extra"], 2, 'unexpected argument "extra"'),
        (["name", "006P+1", "--topic", "Budget"], 2, "--topic belongs to compose, not to name"),
        (["compose", "--priority", "urgent"], 2, "--priority wants"),
        (["compose", "--topic", "A", "--type", "B"], 2, "choose the topic once"),
        (["compose", "--ok", "--cancel"], 2, "exclude each other"),
        (["compose", "-i", "--topic", "A"], 2, "--interactive leaves the dialog to you"),
        (["compose", "--command-size", "4", "--current", "006P+1"], 2, "does not fit"),
        (["fire", "006P+1", "--count", "0"], 2, "--count wants a number from 1 to 10000"),
        (["fire", "006P+1", "--count", "10001"], 2, "--count wants a number from 1 to 10000"),
        (["compose", "--type", "a\x01b"], 2, "control character"),
        (["fire", "006P+1", "--count"], 2, "--count wants a value"),
        (["bind", "--fault", "SaveChanges=NO_SUCH_CODE"], 2, "is no result code"),
        (["bind", "--fault", "@Mailbox"], 2, "wants OP"),
        (["bind", "--set", "HomeDir"], 2, "wants NAME=VALUE"),
        (["bind", "--set-dword", "ExceptionLogThreshold=lots"], 2, "is not a 32-bit number"),
        (["bind", "--set-binary", "AppDatastore=store:Nowhere"], 2, 'has no store "Nowhere"'),
        (["bind", "--set-binary", "AppDatastore=0x12"], 2, "neither hexadecimal bytes nor store:NAME"),
    ]

    def test_bad_arguments(self):
        for args, code, message in self.CASES:
            with self.subTest(args=args):
                result = rulehost(*args)
                self.assertExit(result, code)
                self.assertIn(message, result.err)

    def test_libraries_that_cannot_serve(self):
        not_a_library = self.write_file("this is text, not a library\n")
        cases = [
            ("/nonexistent/PellacormRuleExt.so", 3, "there is no such file"),
            ("NoSuchExtension.so", 3, "cannot load the extension library"),
            (not_a_library, 3, "cannot load the extension library"),
            (host_path(NOT_AN_EXTENSION), 4, "does not export ExchEntryPoint"),
        ]
        for library, code, message in cases:
            with self.subTest(library=library):
                result = rulehost("--library", library, "bind", library=False)
                self.assertExit(result, code)
                self.assertIn(message, result.err)
                self.assertIn(library, result.err)


class Compose(HostTestCase):
    LONG_TOPIC = "Clients/Harbor Logistics/Support/2006/Escalations/Open"
    CASES = [
        # compose options, command string returned
        (["--topic", "Budget", "--file", "--priority", "high"], BUDGET_COMMAND),
        (["--topic", LONG_TOPIC], f"062T0054{LONG_TOPIC}"),
        # shown as "Projects/.../...ouse Consolidation Phase Two"
        (["--topic", "Projects/Data Warehouse Consolidation Phase Two", "--file", "--overwrite"],
         "055T3047Projects/Data Warehouse Consolidation Phase Two"),
        (["--topic-index", "1", "--priority", "normal"], "017P+0T0006Budget"),
        (["--type", "New Topic", "--overwrite"], "017T2009New Topic"),
        (["--current", BUDGET_COMMAND, "--cancel"], BUDGET_COMMAND),
        (["--current", BUDGET_COMMAND, "--priority", "very-low"], "017P-2T1006Budget"),
        (["--current", BUDGET_COMMAND, "--no-topic", "--priority", "default"], ""),
        (["--current", BUDGET_COMMAND, "--type", ""], BUDGET_COMMAND),
    ]

    def test_commands_composed_from_options(self):
        for options, expected in self.CASES:
            with self.subTest(options=options):
                result = rulehost("compose", *options)
                self.assertExit(result, 0)
                self.assertEqual(field(result.out, "command string"), f'"{expected}"', str(result))
                self.assertEqual(log_entries(result.out), 0, str(result))

    def test_requests_the_dialog_cannot_carry_out(self):
        cases = [
            (["--topic", "No Such Topic"], 'the topic list has no item "No Such Topic"'),
            (["--no-topic", "--file"], "the check box is disabled"),
            (["--type", "x" * 250, "--priority", "high"], "too long for"),
        ]
        for options, message in cases:
            with self.subTest(options=options[:2]):
                result = rulehost("compose", *options)
                self.assertExit(result, 7)
                self.assertIn(message, result.out)
                self.assertIn("the user: press Cancel", result.out)
                self.assertIn("rulehost: the dialog did not go as asked: ", result.err)
                self.assertIn(message, result.err)
                # Whatever the dialog left, the client's buffer holds a terminated text.
                self.assertIsNotNone(field(result.out, "command string"), str(result))

    def test_a_warning_is_shown_and_the_limit_is_exact(self):
        # With a priority, a topic of (buffer - 12) bytes fits and one byte more does not.
        fits = rulehost("compose", "--type", "t" * 52, "--priority", "low", "--command-size", "64")
        self.assertExit(fits, 0)
        refused = rulehost("compose", "--type", "t" * 53, "--priority", "low", "--command-size", "64")
        self.assertExit(refused, 7)
        self.assertIn('the dialog: message box "Pellacorm"', refused.out)

    def test_a_shortened_item_that_stands_for_two_topics_wants_an_index(self):
        path = self.write_file("store M default\n  Inbox inbox\n    Pellacorm Topics\n"
                               "      Clients\n"
                               "        North Atlantic Partners\n          Support\n            Escalations\n"
                               "        South Atlantic Partners\n          Support\n            Escalations\n")
        north = "Clients/North Atlantic Partners/Support/Escalations"
        result = rulehost("--mailbox", path, "compose", "--topic", north)
        self.assertExit(result, 7)
        self.assertIn("more than one item could stand for it", result.out)
        items = re.findall(r"^\s+>?\s+(\d+)  Clients/\.\.\./Support/Escalations", rulehost(
            "--mailbox", path, "topics").out, re.MULTILINE)
        self.assertEqual(len(items), 2)
        chosen = rulehost("--mailbox", path, "compose", "--topic-index", items[0])
        self.assertExit(chosen, 0)
        self.assertEqual(field(chosen.out, "command string"), f'"059T0051{north}"', str(chosen))

    @linux_only  # on Windows -i shows the real dialog and waits for a person at the screen
    def test_the_terminal_user_sees_the_warning(self):
        result = rulehost("compose", "-i", "--command-size", "16", stdin="type Far Too Long A Topic\nok\n\n")
        self.assertExit(result, 0)
        self.assertIn("press Enter to close it", result.out)
        self.assertIn("the user: press OK in the message box", result.out)
        self.assertIn("(end of input)", result.out)
        self.assertEqual(field(result.out, "command string"), '""', str(result))

    @linux_only  # on Windows -i shows the real dialog and waits for a person at the screen
    def test_control_characters_typed_are_refused(self):
        for line, shown in [("type ab\0cd", "NUL at column 8"), ("type ab\x1bcd", '"\\x1B" at column 8'),
                            ("type a\tb", "a tab at column 7")]:
            with self.subTest(shown=shown):
                result = rulehost("compose", "-i", stdin=line + "\nok\n")
                self.assertExit(result, 0)
                self.assertIn(f"not done: the line holds a control character ({shown})", result.out)
                self.assertEqual(field(result.out, "command string"), '""', str(result))

    @linux_only  # the run's folder belongs to the Linux platform layer
    def test_an_interrupted_run_leaves_no_files(self):
        for sent in (signal.SIGINT, signal.SIGTERM, signal.SIGKILL):
            with self.subTest(signal=sent.name):
                temp = tempfile.TemporaryDirectory()
                self.addCleanup(temp.cleanup)
                process = subprocess.Popen([RULEHOST, "--library", LIBRARY, "compose", "-i"],
                                           stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                           stderr=subprocess.PIPE, env=dict(os.environ, TMPDIR=temp.name),
                                           # as a shell starts it, whatever this process ignores
                                           preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
                # The prompt shows when the dialog waits for the user's first line.
                shown = b""
                while b"dialog> " not in shown:
                    chunk = os.read(process.stdout.fileno(), 4096)
                    self.assertTrue(chunk, "the dialog never asked")
                    shown += chunk
                self.assertTrue(os.listdir(temp.name))
                process.send_signal(sent)
                _, err = process.communicate(timeout=60)
                self.assertEqual(process.returncode, -sent, err)
                self.assertIn("removed the run's folder", err.decode())
                self.assertEqual(os.listdir(temp.name), [])

    @linux_only  # on Windows -i shows the real dialog and waits for a person at the screen
    def test_the_terminal_user_reads_what_to_do(self):
        result = rulehost("compose", "-i", stdin="t Budget\nf\np high\nok\n")
        self.assertExit(result, 0)
        self.assertIn("Assign to Topic", result.out)
        self.assertEqual(field(result.out, "command string"), f'"{BUDGET_COMMAND}"', str(result))
        cancelled = rulehost("compose", "-i", "--current", BUDGET_COMMAND, stdin="t 0\n")
        self.assertExit(cancelled, 0)
        self.assertIn("(end of input)", cancelled.out)
        self.assertEqual(field(cancelled.out, "command string"), f'"{BUDGET_COMMAND}"', str(cancelled))


class Topics(HostTestCase):
    def test_siblings_of_one_name_are_both_offered(self):
        path = self.write_file("store M default\n  Inbox inbox\n    Pellacorm Topics\n      Team\n      Team\n")
        result = rulehost("--mailbox", path, "topics")
        self.assertExit(result, 0)
        self.assertIn("offers 3 items", result.out)
        self.assertEqual(len(re.findall(r"^\s+\d+  Team$", result.out, re.MULTILINE)), 2, str(result))

    def test_a_topics_folder_that_is_not_there(self):
        result = rulehost("topics", "--set", "TopicFolderLocation=Projects/Active")
        self.assertExit(result, 0)
        self.assertIn("offers 1 item", result.out)
        self.assertIn("note: no topics:", result.out)
        self.assertEqual(log_entries(result.out), 0)

    def test_the_dialog_lists_the_topics_of_the_application_store(self):
        mailbox = rulehost("topics")
        self.assertExit(mailbox, 0)
        self.assertIn("offers 40 items", mailbox.out)
        self.assertIn("(shortened)", mailbox.out)
        self.assertIn("Budget/Forecasts", mailbox.out)
        archive = rulehost("topics", "--set-binary", "AppDatastore=store:Archive")
        self.assertExit(archive, 0)
        self.assertIn("Old Projects/Intranet Migration", archive.out)
        self.assertNotIn("Budget/Forecasts", archive.out)


if __name__ == "__main__":
    for name, value in [("RULEHOST", RULEHOST), ("RULEHOST_LIBRARY", LIBRARY),
                        ("RULEHOST_NOT_AN_EXTENSION", NOT_AN_EXTENSION)]:
        if not value:
            sys.exit(f"{name} is not set")
    unittest.main(argv=[sys.argv[0], "-v"] + sys.argv[1:])
