# The module's own parts: reading tq9000ctl's diff output, building its command lines, the texts
# a task shows, and a printer that does not take a write. Everything that needs a printer is in
# run.sh, against the simulator.

import io
import json
import os
import stat
import sys
import tempfile
import unittest
from contextlib import redirect_stdout

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "library"))

import tq9000_printer as m  # noqa: E402
from ansible.module_utils import basic  # noqa: E402

ROW_88 = '{"id":88,"name":"PrinterOptions","printer":"30","profile":"55"}'
ROW_100 = '{"id":100,"name":"LinesToSkip","printer":"3","profile":"5"}'


class DiffOutputTest(unittest.TestCase):
    def test_lines_become_differences_in_order(self):
        cases = [
            ("", []),
            (ROW_88 + "\n", [88]),
            (ROW_88 + "\n" + ROW_100 + "\n\n", [88, 100]),
        ]
        for stdout, ids in cases:
            with self.subTest(stdout=stdout):
                self.assertEqual([d["id"] for d in m.parse_differences(stdout)], ids)

    def test_output_that_is_not_a_difference_is_refused(self):
        plain_line = "88 PrinterOptions printer 30 profile 55\n"
        for stdout in [plain_line, '{"id":88,"name":"X"}\n', "[1]\n"]:
            with self.subTest(stdout=stdout):
                with self.assertRaises(m.ToolError):
                    m.parse_differences(stdout)

    def test_diff_mode_shows_the_printer_before_the_profile(self):
        diff = m.diff_for_ansible(m.parse_differences(ROW_88 + "\n" + ROW_100), "/etc/site.json")
        self.assertEqual(diff["before"], "88 PrinterOptions 30\n100 LinesToSkip 3\n")
        self.assertEqual(diff["after"], "88 PrinterOptions 55\n100 LinesToSkip 5\n")
        self.assertEqual(diff["after_header"], "/etc/site.json")


class CommandTest(unittest.TestCase):
    def test_selection_goes_before_the_actions(self):
        cases = [
            ({}, []),
            ({"port": "/dev/ttyUSB0", "no_usb": True}, ["--port", "/dev/ttyUSB0", "--no-usb"]),
            ({"usb": "A1234", "port": None, "no_usb": False}, ["--usb", "A1234"]),
        ]
        for params, selection in cases:
            with self.subTest(params=params):
                self.assertEqual(m.diff_command("ctl", m.selection_args(params), "p.json"),
                                 ["ctl"] + selection + ["read-all", "diff", "p.json", "--json"])

    def test_failure_names_the_command_and_keeps_every_message_line(self):
        text = m.failure_text(["ctl", "read-all"], 1, "a: read timed out -9\n\nb: read error\n")
        self.assertEqual(text, "ctl read-all: exit status 1\na: read timed out -9\nb: read error")
        self.assertIn("no message", m.failure_text(["ctl"], 1, ""))

    def test_a_path_that_is_not_executable_is_not_found(self):
        with tempfile.NamedTemporaryFile() as plain:
            os.chmod(plain.name, stat.S_IRUSR)
            with self.assertRaisesRegex(m.ToolError, "tq9000ctl not found"):
                m.find_executable(None, plain.name)


def run_module(args):
    """Runs the module as Ansible would, returning its result and the exit status."""
    basic._ANSIBLE_ARGS = json.dumps({"ANSIBLE_MODULE_ARGS": args}).encode()
    out = io.StringIO()
    with redirect_stdout(out):
        try:
            m.main()
        except SystemExit as done:
            return json.loads(out.getvalue()), done.code
    raise AssertionError("the module did not exit")


class WriteNotTakenTest(unittest.TestCase):
    """A printer that accepts Write All but keeps its old values (which the simulator cannot be
    made to do): the task must fail after the second diff, not report a change."""

    def test_a_difference_left_after_write_all_fails_the_task(self):
        with tempfile.TemporaryDirectory() as folder:
            ctl = os.path.join(folder, "tq9000ctl")
            with open(ctl, "w") as script:
                # Every diff finds PrinterOptions differing; load and write-all succeed.
                script.write("#!/bin/sh\ncase \" $* \" in *\" diff \"*) echo '%s'; exit 3;; esac\n"
                             % ROW_88)
            os.chmod(ctl, 0o755)
            result, status = run_module({"profile": "/p.json", "executable": ctl})
        self.assertEqual(status, 1)
        self.assertIn("still differs from /p.json after write-all: PrinterOptions", result["msg"])
        self.assertEqual([c[1:3] for c in result["commands"]],
                         [["read-all", "diff"], ["read-all", "load"], ["read-all", "diff"]])


if __name__ == "__main__":
    unittest.main()
