# The modules' own parts: reading tq9000ctl's diff and info output, building its command lines,
# the texts a task shows, and a printer that does not take a write. Everything that needs a
# printer is in run.sh, against the simulator. The collection is imported by its name: run.sh puts
# a folder that names this tree ansible_collections/tq9000/printer on PYTHONPATH.

import io
import json
import os
import stat
import sys
import tempfile
import unittest
from contextlib import redirect_stdout

from ansible.module_utils import basic
from ansible_collections.tq9000.printer.plugins.module_utils import tq9000ctl as u
from ansible_collections.tq9000.printer.plugins.modules import tq9000_printer as m
from ansible_collections.tq9000.printer.plugins.modules import tq9000_printer_info as info

ROW_88 = '{"id":88,"name":"PrinterOptions","printer":"30","profile":"55"}'
ROW_100 = '{"id":100,"name":"LinesToSkip","printer":3,"profile":5}'


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
                with self.assertRaises(u.ToolError):
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
                self.assertEqual(m.diff_command(["ctl"] + u.selection_args(params), "p.json"),
                                 ["ctl"] + selection + ["read-all", "diff", "p.json", "--json"])

    def test_the_backup_is_saved_from_the_read_before_the_profile_is_loaded(self):
        self.assertEqual(m.apply_command(["ctl"], "p.json", "/b/old.json"),
                         ["ctl", "read-all", "save", "/b/old.json", "load", "p.json", "write-all"])
        self.assertEqual(m.apply_command(["ctl"], "p.json"),
                         ["ctl", "read-all", "load", "p.json", "write-all"])

    def test_failure_names_the_command_and_keeps_every_message_line(self):
        text = u.failure_text(["ctl", "read-all"], 1, "a: read timed out -9\n\nb: read error\n")
        self.assertEqual(text, "ctl read-all: exit status 1\na: read timed out -9\nb: read error")
        self.assertIn("no message", u.failure_text(["ctl"], 1, ""))

    def test_a_path_that_is_not_executable_is_not_found(self):
        with tempfile.NamedTemporaryFile() as plain:
            os.chmod(plain.name, stat.S_IRUSR)
            with self.assertRaisesRegex(u.ToolError, "tq9000ctl not found"):
                u.find_executable(None, plain.name)


class InfoOutputTest(unittest.TestCase):
    SHOWN = '{\n  "ClampDelay": 15,\n  "PrinterOptions": "30",\n  "inventory": {"link": "usb"}\n}\n'

    def test_the_fields_the_inventory_and_the_status_byte_are_taken_apart(self):
        got = info.parse_info(self.SHOWN + "<a5>\n")
        self.assertEqual(got, {"configuration": {"ClampDelay": 15, "PrinterOptions": "30"},
                               "inventory": {"link": "usb"}, "status": "<a5>",
                               "status_byte": 0xA5})

    def test_output_without_every_part_is_refused(self):
        no_inventory = '{"ClampDelay": 15}\n<00>\n'
        for stdout in ["", no_inventory, self.SHOWN, self.SHOWN + "Printer Status Byte: <00>\n"]:
            with self.subTest(stdout=stdout):
                with self.assertRaises(u.ToolError):
                    info.parse_info(stdout)


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
