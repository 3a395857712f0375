# -*- coding: utf-8 -*-

# What the collection's modules share: running tq9000ctl on the managed host with the options that
# choose the printer, keeping each command line and the last output for the task's result, and
# turning a failed run into the task's msg with tq9000ctl's own messages. The modules hold no
# knowledge of the printer; tq9000ctl does.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import os

# The options that choose the printer and the program, the same in every module of the collection.
SELECTION_ARGUMENT_SPEC = dict(
    port=dict(type="str"),
    usb=dict(type="str"),
    no_usb=dict(type="bool", default=False),
    executable=dict(type="str", default="tq9000ctl"),
)
# tq9000ctl refuses these pairs too; refusing them here says so in the task's own terms.
SELECTION_MUTUALLY_EXCLUSIVE = [("port", "usb"), ("usb", "no_usb")]


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

    def __init__(self, module, result):
        self.module = module
        self.result = dict(result, changed=False, commands=[])
        self.executable = None

    def start(self):
        """Finds tq9000ctl; the task fails when it is not there. The command line up to the
        actions: the program and the options that choose the printer."""
        try:
            self.executable = find_executable(self.module, self.module.params["executable"])
        except ToolError as error:
            self.fail(str(error))
        return [self.executable] + selection_args(self.module.params)

    def run(self, argv):
        rc, stdout, stderr = self.module.run_command(argv, check_rc=False)
        self.result["commands"].append(argv)
        # No `rc` in the result: Ansible fails any task that returns a non-zero one, and 3 (the
        # printer differs) is an answer here, not a failure. A failure's msg gives the status.
        self.result.update(stdout=stdout, stderr=stderr, messages=message_lines(stderr))
        return rc, stdout, stderr

    def run_or_fail(self, argv):
        """Runs argv; its standard output, or the task fails with tq9000ctl's messages."""
        rc, stdout, stderr = self.run(argv)
        if rc != 0:
            self.fail(failure_text(argv, rc, stderr))
        return stdout

    def fail(self, msg):
        self.module.fail_json(msg=msg, **self.result)

    def exit(self):
        self.module.exit_json(**self.result)
