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
  - Compares the printer's configuration with a JSON profile, a file on the managed host or
    given inline (C(tq9000ctl read-all diff PROFILE --json)) and, only when something differs,
    applies the profile (C(tq9000ctl read-all load PROFILE write-all)), then compares again to
    confirm that the printer now holds it.
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
      - Exactly one of I(profile) and I(profile_content) is required.
    type: path
  profile_content:
    description:
      - The profile itself, as a dictionary of every field (the members of
        C(tq9000ctl read-all save)'s file; an C(inventory) member is ignored), so that no file
        has to be copied to the managed host first. Values are strings, or numbers for the
        number fields and C(LinesToSkip).
      - Quote the option groups' hexadecimal values in YAML, as in C(PrinterOptions "41"), since
        an unquoted C(41) is a number, which tq9000ctl refuses for them.
      - Written as a file into the task's temporary folder on the managed host, which Ansible
        removes after the task; tq9000ctl's messages about it name C(profile_content.json).
      - Unlike a copied file, it is there in check mode too, so C(--check) reports what a new or
        changed profile would change.
    type: dict
  backup:
    description:
      - Before writing, save the printer's configuration as it was to a new profile in
        I(backup_dir) on the managed host, and return its path as I(backup_file).
      - Taken in the same run as the write, from the same read; a backup that cannot be saved
        ends that run before anything is written, and the task fails.
      - Nothing is saved when the printer already holds the profile, or in check mode.
      - C(tq9000ctl load BACKUP_FILE write-all) puts the old configuration back.
    type: bool
    default: false
  backup_dir:
    description:
      - The folder on the managed host that I(backup) saves into, made (mode 0700) if it is not
        there. C(~) is the home of the user the task runs as.
    type: path
    default: ~/.tq9000/backups
notes:
  - C(TQ9000_COM1) set with the C(environment) keyword reaches tq9000ctl, as every variable of
    the task's environment does.
  - The values each field of a profile takes, and what C(diff) compares, are in the technician's
    guide, docs/technician.md, under Profiles.
  - M(tq9000.printer.tq9000_printer_info) reads the configuration without changing it.
seealso:
  - module: tq9000.printer.tq9000_printer_info
author:
  - tq9000 utility maintainers
extends_documentation_fragment:
  - tq9000.printer.printer
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
  tq9000.printer.tq9000_printer:
    profile: /etc/tq9000/site.json

- name: The profile from the control node, no copy on the till, the old configuration kept
  tq9000.printer.tq9000_printer:
    profile_content: "{{ lookup('ansible.builtin.file', 'profiles/harbour.json') | from_json }}"
    backup: true
  register: printer

- name: Say where the old configuration went
  ansible.builtin.debug:
    msg: "{{ printer.backup_file }}"
  when: printer.backup_file is defined

- name: The printer on a USB-serial adapter, named by its stable link
  tq9000.printer.tq9000_printer:
    profile: /etc/tq9000/site.json
    port: /dev/serial/by-id/usb-FTDI_FT232R_A9X1-if00-port0

- name: The USB printer with serial number A1234, tq9000ctl installed under /opt
  tq9000.printer.tq9000_printer:
    profile: /etc/tq9000/site.json
    usb: A1234
    executable: /opt/tq9000/bin/tq9000ctl

- name: COM1 through the environment, as tq9000ctl reads it
  tq9000.printer.tq9000_printer:
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
  sample: [{"id": 88, "name": "PrinterOptions", "printer": "30", "profile": "55"},
           {"id": 76, "name": "ClampDelay", "printer": 15, "profile": 20}]
  contains:
    id:
      description: The feature number (C(LinesToSkip) shares 100 with C(ValidationOptions)).
      type: int
    name:
      description: The feature's name, as in the profile.
      type: str
    printer:
      description:
        - The value the printer held, as the form shows it; a number for a number field and
          C(LinesToSkip), null when the printer did not give it.
      type: raw
    profile:
      description: The value the profile gives, a number or a string as I(printer).
      type: raw
backup_file:
  description: The profile that I(backup) saved, the printer's configuration before the write.
  returned: when I(backup) is true and the printer was written to
  type: str
  sample: /home/ansible/.tq9000/backups/tq9000.2026-06-01@02:00:00.4242.json
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
import time

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tq9000.printer.plugins.module_utils.tq9000ctl import (
    SELECTION_ARGUMENT_SPEC, SELECTION_MUTUALLY_EXCLUSIVE, Session, ToolError, failure_text)

# tq9000ctl's exit statuses that the task reads as an answer rather than a failure.
STATUS_SAME = 0
STATUS_DIFFERS = 3


def diff_command(start, profile):
    return start + ["read-all", "diff", profile, "--json"]


def apply_command(start, profile, backup_file=None):
    """One read for both: the backup is the configuration as read, saved before the profile is
    loaded over it, and a backup that cannot be saved ends the run before anything is written."""
    save = ["save", backup_file] if backup_file else []
    return start + ["read-all"] + save + ["load", profile, "write-all"]


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


def diff_for_ansible(differences, profile_name):
    """Before and after texts of the differing features, as diff mode shows them."""
    return {
        "before_header": "printer",
        "after_header": profile_name,
        "before": feature_lines(differences, "printer"),
        "after": feature_lines(differences, "profile"),
    }


def write_profile_content(folder, content):
    """profile_content as a profile file in the task's own temporary folder on the managed host,
    one member to a line so that tq9000ctl's messages name a line of it."""
    path = os.path.join(folder, "profile_content.json")
    with open(path, "w") as profile:
        json.dump(content, profile, indent=2)
        profile.write("\n")
    return path


def backup_path(folder):
    """A new file name in folder, as ansible.builtin.copy names its backups: the time, then the
    process, so that two tasks never pick the same one."""
    stamp = time.strftime("%Y-%m-%d@%H:%M:%S")
    return os.path.join(folder, "tq9000.%s.%d.json" % (stamp, os.getpid()))


class PrinterSession(Session):
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

    def apply(self, argv, backup_file):
        if backup_file:
            self.result["backup_file"] = backup_file
        rc, _, stderr = self.run(argv)
        if backup_file and not os.path.exists(backup_file):
            del self.result["backup_file"]  # the run stopped before the save
        if rc != STATUS_SAME:
            self.fail(failure_text(argv, rc, stderr))

    def finish(self, differences, profile_name):
        self.result["changed"] = bool(differences)
        if differences and self.module._diff:
            self.result["diff"] = diff_for_ansible(differences, profile_name)
        self.exit()


def make_backup_file(session, folder):
    try:
        if not os.path.isdir(folder):
            os.makedirs(folder, 0o700)
    except OSError as error:
        session.fail("cannot make the backup folder %s: %s" % (folder, error))
    return backup_path(folder)


def apply_profile(session, start, profile, profile_name):
    params = session.module.params
    check = diff_command(start, profile)
    differences = session.differences(check)
    session.result["differences"] = differences
    if not differences or session.module.check_mode:
        return session.finish(differences, profile_name)
    backup_file = make_backup_file(session, params["backup_dir"]) if params["backup"] else None
    session.apply(apply_command(start, profile, backup_file), backup_file)
    remaining = session.differences(check)
    if remaining:
        session.result["differences"] = remaining
        session.fail("the printer still differs from %s after write-all: %s" % (
            profile_name, ", ".join("%s printer %s profile %s"
                                    % (d["name"], d["printer"], d["profile"])
                                    for d in remaining)))
    return session.finish(differences, profile_name)


def main():
    module = AnsibleModule(
        argument_spec=dict(
            profile=dict(type="path"),
            profile_content=dict(type="dict"),
            backup=dict(type="bool", default=False),
            backup_dir=dict(type="path", default="~/.tq9000/backups"),
            **SELECTION_ARGUMENT_SPEC
        ),
        mutually_exclusive=SELECTION_MUTUALLY_EXCLUSIVE + [("profile", "profile_content")],
        required_one_of=[("profile", "profile_content")],
        supports_check_mode=True,
    )
    session = PrinterSession(module, {"differences": []})
    start = session.start()
    if module.params["profile_content"] is not None:
        profile = write_profile_content(module.tmpdir, module.params["profile_content"])
        profile_name = "profile_content"
    else:
        profile = profile_name = module.params["profile"]
    apply_profile(session, start, profile, profile_name)


if __name__ == "__main__":
    main()
