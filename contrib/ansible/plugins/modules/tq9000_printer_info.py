#!/usr/bin/python
# -*- coding: utf-8 -*-

# Reads a tq9000 printer's configuration, which printer it is, and its status byte, through
# tq9000ctl on the managed host, changing nothing: `read-all show --json` gives the fields and the
# inventory, `enquire` the status without printing anything on paper.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: tq9000_printer_info
short_description: Read a tq9000 receipt printer's configuration and status
description:
  - Reads the printer's twelve features (C(tq9000ctl read-all show --json)) and asks for its
    status byte (C(tq9000ctl enquire)), in one run of tq9000ctl, and returns them with the
    printer the fields were read from and when.
  - Changes nothing and prints nothing on paper (unlike C(tq9000ctl status), which prints a test
    line), so it can run as often as needed; it takes about 1.2 seconds.
  - A printer that does not answer, and a port or USB printer that is not there, fail the task
    with tq9000ctl's own messages.
requirements:
  - tq9000ctl on the managed host (the tq9000 configuration utility)
notes:
  - I(configuration) with I(inventory) added as its last member holds what
    C(tq9000ctl read-all save) writes, in the same order; written out with
    C(to_nice_json(indent=2, sort_keys=false)) it is a profile that
    M(tq9000.printer.tq9000_printer) and C(tq9000ctl load) take back (the nightly inventory
    example in the collection's examples/ does this).
author:
  - tq9000 utility maintainers
extends_documentation_fragment:
  - tq9000.printer.printer
  - action_common_attributes
attributes:
  check_mode:
    support: full
    details: The module never changes anything; check mode reads the printer as well.
  diff_mode:
    support: none
  platform:
    platforms: posix
seealso:
  - module: tq9000.printer.tq9000_printer
"""

EXAMPLES = r"""
- name: Read the printer
  tq9000.printer.tq9000_printer_info:
  register: printer

- name: Say which printer it is and what it holds
  ansible.builtin.debug:
    msg: "{{ printer.inventory.serial }}: ClampDelay {{ printer.configuration.ClampDelay }},
      status {{ printer.status }}"

- name: The USB printer with serial number A1234
  tq9000.printer.tq9000_printer_info:
    usb: A1234
"""

RETURN = r"""
configuration:
  description:
    - The fields as C(tq9000ctl show --json) gives them, keyed by name in the form's order; a
      number field's and C(LinesToSkip)'s value a number, the others strings.
  returned: success
  type: dict
  sample: {"ClampDelay": 15, "PrinterOptions": "30", "JournalDefaultFont": "Standard",
           "LinesToSkip": 3}
inventory:
  description: The printer the fields were read from and when, as C(tq9000ctl show --json) gives it.
  returned: success
  type: dict
  sample: {"link": "usb", "device": "/dev/usb/lp0", "serial": "A1234", "setting": "",
           "time": "2026-06-01T02:00:00Z"}
  contains:
    link:
      description: C(usb), or C(COM1:).
      type: str
    device:
      description: The USB printer's device path, or the device C(COM1:) stood for.
      type: str
    serial:
      description: The USB printer's serial number; empty on C(COM1:).
      type: str
    setting:
      description: What made C(COM1:) that device, C(--port) or C(TQ9000_COM1); else empty.
      type: str
    time:
      description: When the fields were read, in UTC (ISO 8601).
      type: str
status:
  description: The status text, as C(tq9000ctl enquire) prints it.
  returned: success
  type: str
  sample: "<00>"
status_byte:
  description: The status byte as a number.
  returned: success
  type: int
  sample: 0
commands:
  description: Every tq9000ctl command line the task ran, in order.
  returned: always
  type: list
  elements: list
  sample: [["tq9000ctl", "--no-usb", "read-all", "show", "--json", "enquire"]]
stdout:
  description: Standard output of the last tq9000ctl run.
  returned: when tq9000ctl ran
  type: str
stderr:
  description: Standard error of the last tq9000ctl run.
  returned: when tq9000ctl ran
  type: str
  sample: "Printer Status Byte: <00>"
messages:
  description:
    - "The lines of I(stderr): tq9000ctl's message boxes as C(CAPTION: TEXT), its hints and
      notices. When the task fails, I(msg) is the command line, its exit status and these lines."
  returned: when tq9000ctl ran
  type: list
  elements: str
"""

import json
import re

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tq9000.printer.plugins.module_utils.tq9000ctl import (
    SELECTION_ARGUMENT_SPEC, SELECTION_MUTUALLY_EXCLUSIVE, Session, ToolError)

INVENTORY_MEMBER = "inventory"
STATUS_TEXT = re.compile(r"<([0-9a-f]{2})>")


def info_command(start):
    return start + ["read-all", "show", "--json", "enquire"]


def parse_info(stdout):
    """show --json's object, then enquire's status line: the fields, the inventory, the status
    text and its byte."""
    try:
        shown, end = json.JSONDecoder().raw_decode(stdout)
    except ValueError as error:
        raise ToolError("tq9000ctl show --json printed no JSON object (%s): %s" % (error, stdout))
    if not isinstance(shown, dict) or not isinstance(shown.get(INVENTORY_MEMBER), dict):
        raise ToolError("tq9000ctl show --json printed an object without inventory: " + stdout)
    status = stdout[end:].strip()
    byte = STATUS_TEXT.fullmatch(status)
    if byte is None:
        raise ToolError("tq9000ctl enquire printed no status text such as <00>: " + status)
    inventory = shown.pop(INVENTORY_MEMBER)
    return {"configuration": shown, "inventory": inventory, "status": status,
            "status_byte": int(byte.group(1), 16)}


def main():
    module = AnsibleModule(
        argument_spec=dict(SELECTION_ARGUMENT_SPEC),
        mutually_exclusive=SELECTION_MUTUALLY_EXCLUSIVE,
        supports_check_mode=True,
    )
    session = Session(module, {})
    stdout = session.run_or_fail(info_command(session.start()))
    try:
        session.result.update(parse_info(stdout))
    except ToolError as error:
        session.fail(str(error))
    session.exit()


if __name__ == "__main__":
    main()
