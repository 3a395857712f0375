#!/usr/bin/python
# -*- coding: utf-8 -*-

# Makes a tq9000 printer hold a profile's configuration, through tq9000ctl on the managed host.
# The module holds no knowledge of the printer: tq9000ctl's `diff --json` says what differs, its
# `load` and `write-all` change it, and its own messages are what a failed task reports.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: tq9000_printer
short_description: Make a tq9000 receipt printer match a configuration profile
description:
  - Compares the printer's configuration with a JSON profile on the managed host
    (C(tq9000ctl read-all diff PROFILE --json)) and, only when something differs, applies the
    profile (C(tq9000ctl read-all load PROFILE write-all)), then compares again to confirm that
    the printer now holds it.
  - A printer that already matches is not written to, so the task is idempotent; each comparison
    reads the twelve features, about 1.2 seconds.
  - A printer that does not answer, a port or USB printer that is not there, and a malformed
    profile fail the task with tq9000ctl's own messages; a malformed profile changes nothing.
requirements:
  - tq9000ctl on the managed host (the tq9000 configuration utility)
options:
  profile:
    description:
      - Path of the profile on the managed host, as C(tq9000ctl read-all save) writes it. An
        absolute path is safest.
      - A field given as C("") is left as the printer holds it, and a font of C(none) is not
        written.
    type: path
    required: true
  port:
    description:
      - The serial device to use as C(COM1:) (tq9000ctl's C(--port)); no USB printer is looked
        for then.
      - Without I(port), I(usb) or I(no_usb), tq9000ctl takes the first USB printer, else
        C(COM1:) (C(TQ9000_COM1) in the task's environment, else C(/dev/ttyS0)).
    type: str
  usb:
    description:
      - Only the USB printer with this serial number or device path, such as C(/dev/usb/lp1)
        (tq9000ctl's C(--usb)).
    type: str
  no_usb:
    description:
      - Do not look for a USB printer; use C(COM1:) (tq9000ctl's C(--no-usb)).
    type: bool
    default: false
  executable:
    description:
      - The tq9000ctl to run, a name looked up on C(PATH) or a path.
    type: str
    default: tq9000ctl
notes:
  - The user the task runs as needs access to the printer's device, such as the C(dialout) group
    for a serial port or C(lp) for a USB printer.
  - C(TQ9000_COM1) set with the C(environment) keyword reaches tq9000ctl, as every variable of
    the task's environment does.
  - The values each field of a profile takes, and what C(diff) compares, are in the technician's
    guide, docs/technician.md, under Profiles.
author:
  - tq9000 utility maintainers
extends_documentation_fragment:
  - action_common_attributes
attributes:
  check_mode:
    support: full
    details: Reads the printer and reports what would change; nothing is written.
  diff_mode:
    support: full
    details: The differing features as C(ID NAME VALUE) lines, the printer's before the profile's.
  platform:
    platforms: posix
"""

EXAMPLES = r"""
- name: Give the printer the store's profile
  tq9000_printer:
    profile: /etc/tq9000/site.json

- name: The printer on a USB-serial adapter, named by its stable link
  tq9000_printer:
    profile: /etc/tq9000/site.json
    port: /dev/serial/by-id/usb-FTDI_FT232R_A9X1-if00-port0

- name: The USB printer with serial number A1234, tq9000ctl installed under /opt
  tq9000_printer:
    profile: /etc/tq9000/site.json
    usb: A1234
    executable: /opt/tq9000/bin/tq9000ctl

- name: COM1 through the environment, as tq9000ctl reads it
  tq9000_printer:
    profile: /etc/tq9000/site.json
    no_usb: true
  environment:
    TQ9000_COM1: /dev/ttyUSB0
"""

RETURN = r"""
differences:
  description:
    - The features that differed from the profile before the task (in check mode, those that
      would be written), in the order C(tq9000ctl show) lists them; empty when none did.
    - After a write that did not take, the features that still differ.
  returned: always
  type: list
  elements: dict
  sample: [{"id": 88, "name": "PrinterOptions", "printer": "30", "profile": "55"}]
  contains:
    id:
      description: The feature number (C(LinesToSkip) shares 100 with C(ValidationOptions)).
      type: int
    name:
      description: The feature's name, as in the profile.
      type: str
    printer:
      description: The value the printer held, as the form shows it.
      type: str
    profile:
      description: The value the profile gives.
      type: str
commands:
  description: Every tq9000ctl command line the task ran, in order.
  returned: always
  type: list
  elements: list
  sample: [["tq9000ctl", "--no-usb", "read-all", "diff", "/etc/tq9000/site.json", "--json"]]
stdout:
  description: Standard output of the last tq9000ctl run.
  returned: when tq9000ctl ran
  type: str
  sample: '{"id":88,"name":"PrinterOptions","printer":"30","profile":"55"}'
stderr:
  description: Standard error of the last tq9000ctl run.
  returned: when tq9000ctl ran
  type: str
  sample: "tq9000_config_app: read timed out -9"
messages:
  description:
    - "The lines of I(stderr): tq9000ctl's message boxes as C(CAPTION: TEXT), its hints and
      notices. When the task fails, I(msg) is the command line, its exit status and these lines."
  returned: when tq9000ctl ran
  type: list
  elements: str
  sample: ["tq9000_config_app: read timed out -9", "tq9000_config_app: read error"]
"""

import json
import os

from ansible.module_utils.basic import AnsibleModule

# tq9000ctl's exit statuses that the task reads as an answer rather than a failure.
STATUS_SAME = 0
STATUS_DIFFERS = 3


class ToolError(Exception):
    """tq9000ctl cannot be run, or said something the module cannot read."""


def selection_args(params):
    """tq9000ctl's global options that choose the printer; they go before the actions."""
    args = []
    if params.get("port"):
        args += ["--port", params["port"]]
    if params.get("usb"):
        args += ["--usb", params["usb"]]
    if params.get("no_usb"):
        args.append("--no-usb")
    return args


def diff_command(executable, selection, profile):
    return [executable] + selection + ["read-all", "diff", profile, "--json"]


def apply_command(executable, selection, profile):
    return [executable] + selection + ["read-all", "load", profile, "write-all"]


def parse_differences(stdout):
    """The JSON Lines of `diff --json`: one object per differing feature."""
    differences = []
    for line in stdout.splitlines():
        if not line.strip():
            continue
        try:
            entry = json.loads(line)
        except ValueError as error:
            raise ToolError("tq9000ctl diff printed a line that is not JSON (%s): %s"
                            % (error, line))
        if not isinstance(entry, dict) or not {"id", "name", "printer", "profile"} <= set(entry):
            raise ToolError("tq9000ctl diff printed an object without id, name, printer, "
                            "profile: " + line)
        differences.append(entry)
    return differences


def feature_lines(differences, side):
    return "".join("%s %s %s\n" % (d["id"], d["name"], d[side]) for d in differences)


def diff_for_ansible(differences, profile):
    """Before and after texts of the differing features, as diff mode shows them."""
    return {
        "before_header": "printer",
        "after_header": profile,
        "before": feature_lines(differences, "printer"),
        "after": feature_lines(differences, "profile"),
    }


def message_lines(stderr):
    return [line for line in stderr.splitlines() if line.strip()]


def failure_text(argv, rc, stderr):
    """tq9000ctl's own message stack, under the command that printed it."""
    lines = message_lines(stderr) or ["(no message on standard error)"]
    return "%s: exit status %d\n%s" % (" ".join(argv), rc, "\n".join(lines))


def find_executable(module, executable):
    """A path is taken as given; a bare name is looked up on PATH as the shell would."""
    if os.sep in executable:
        if os.path.isfile(executable) and os.access(executable, os.X_OK):
            return executable
        raise ToolError("tq9000ctl not found: %s is not an executable file" % executable)
    found = module.get_bin_path(executable)
    if found is None:
        raise ToolError(
            "tq9000ctl not found: no %s on PATH (%s) on this host; install the tq9000 utility "
            "or give its path in executable" % (executable, os.environ.get("PATH", "")))
    return found


class Session(object):
    """The runs of one task, kept so that the result shows each command and the last output."""

    def __init__(self, module):
        self.module = module
        self.result = {"changed": False, "differences": [], "commands": []}

    def run(self, argv):
        rc, stdout, stderr = self.module.run_command(argv, check_rc=False)
        self.result["commands"].append(argv)
        # No `rc` in the result: Ansible fails any task that returns a non-zero one, and 3 (the
        # printer differs) is an answer here, not a failure. A failure's msg gives the status.
        self.result.update(stdout=stdout, stderr=stderr, messages=message_lines(stderr))
        return rc, stdout, stderr

    def fail(self, msg):
        self.module.fail_json(msg=msg, **self.result)

    def differences(self, argv):
        """Runs a diff; the differences, or the task fails with tq9000ctl's messages."""
        rc, stdout, stderr = self.run(argv)
        if rc == STATUS_SAME:
            return []
        if rc != STATUS_DIFFERS:
            self.fail(failure_text(argv, rc, stderr))
        try:
            return parse_differences(stdout)
        except ToolError as error:
            self.fail(str(error))

    def finish(self, differences, profile):
        self.result["changed"] = bool(differences)
        if differences and self.module._diff:
            self.result["diff"] = diff_for_ansible(differences, profile)
        self.module.exit_json(**self.result)


def apply_profile(session, executable, selection, profile):
    check = diff_command(executable, selection, profile)
    differences = session.differences(check)
    session.result["differences"] = differences
    if not differences or session.module.check_mode:
        return session.finish(differences, profile)
    apply = apply_command(executable, selection, profile)
    rc, _, stderr = session.run(apply)
    if rc != STATUS_SAME:
        session.fail(failure_text(apply, rc, stderr))
    remaining = session.differences(check)
    if remaining:
        session.result["differences"] = remaining
        session.fail("the printer still differs from %s after write-all: %s" % (
            profile, ", ".join("%s printer %s profile %s" % (d["name"], d["printer"], d["profile"])
                               for d in remaining)))
    return session.finish(differences, profile)


def main():
    module = AnsibleModule(
        argument_spec=dict(
            profile=dict(type="path", required=True),
            port=dict(type="str"),
            usb=dict(type="str"),
            no_usb=dict(type="bool", default=False),
            executable=dict(type="str", default="tq9000ctl"),
        ),
        # tq9000ctl refuses these pairs too; refusing them here says so in the task's own terms.
        mutually_exclusive=[("port", "usb"), ("usb", "no_usb")],
        supports_check_mode=True,
    )
    session = Session(module)
    try:
        executable = find_executable(module, module.params["executable"])
    except ToolError as error:
        session.fail(str(error))
    apply_profile(session, executable, selection_args(module.params), module.params["profile"])


if __name__ == "__main__":
    main()
