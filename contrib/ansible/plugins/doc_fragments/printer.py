# -*- coding: utf-8 -*-

# The options that choose the printer and the tq9000ctl that talks to it, shared by the
# collection's modules, as tq9000ctl's own options are shared by its actions.

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    DOCUMENTATION = r"""
options:
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
"""
