#!/usr/bin/env python3
"""Times `tq9000ctl.exe read-all` under Wine against tq9000-sim; bench/wine_read_all.sh runs it.

  wine_read_all.py SIM EXE RUNS [SERVER_PID] [--usb TOOL]

Starts one simulator (it serves its terminal until stopped) and points the Wine prefix's COM1 link
(TQ9000_WINE_COM1, scripts/wine-com1.sh) at it; with --usb, puts a mock USB printer in front of it
instead (TOOL: tq9000-usb-printer.exe, tests/wine/README.md), which the program then finds and
uses. It runs the Windows program RUNS times each way, alternating so that both see the same
machine:
  - `read-all`: the whole process's wall time, and its processor time (user + system, from
    wait4, so Wine's own start-up in the process is counted; the program is that one process);
  - `--trace=FILE read-all`: Read All itself, from the action's start to its last reply, as the
    trace's clock (the program's steady clock) gives it: what the 1.2 s floor is about;
  - `read-all read-all read-all`: three in one process; half the difference from one gives the
    processor time of one Read All without the process around it (from the least of each, as
    what a busy machine adds to processor time only ever adds);
  - `--version`: what starting and ending a process costs under Wine, for comparison.
With SERVER_PID (the prefix's persistent wineserver) it also gives the server's processor time
per run, from /proc in clock ticks, as an average: one run costs only a few ticks. Nothing is
asserted: it reports medians (min - max) and the targets.
"""

import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

FLOOR_MS = 1200.0  # twelve queries, each pausing 100 ms for its reply
RATIO_TARGET = 1.05
CPU_TARGET_MS = 30.0
TICK_MS = 1000.0 / os.sysconf("SC_CLK_TCK")


def start_simulator(sim):
    process = subprocess.Popen([sim], stdout=subprocess.PIPE, text=True)
    path = process.stdout.readline().strip()
    if not path:
        sys.exit("wine_read_all: the simulator named no terminal")
    return process, path


def plug_usb_printer(wine, tool, path, folder):
    """A mock USB printer in front of the terminal at `path`, until its input is closed."""
    line = os.path.join(folder, "line")
    os.symlink(path, line)
    printer = subprocess.Popen([wine, tool, "Z:" + line.replace("/", "\\")],
                               stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    device = printer.stdout.readline().strip()
    if not device.startswith("\\\\?\\"):
        sys.exit(f"wine_read_all: {tool} plugged no printer: {device!r}")
    return printer


def point_com1_at(path):
    link = os.environ["TQ9000_WINE_COM1"]
    temporary = link + ".new"
    if os.path.lexists(temporary):
        os.unlink(temporary)
    os.symlink(path, temporary)
    os.replace(temporary, link)


def wineserver_of(pid):
    """The wineserver itself: scripts/wine-com1.sh names the shell that runs it."""
    if pid is None:
        return None
    with open(f"/proc/{pid}/comm") as comm:
        if comm.read().startswith("wineserver"):
            return pid
    with open(f"/proc/{pid}/task/{pid}/children") as children:
        for child in children.read().split():
            with open(f"/proc/{child}/comm") as comm:
                if comm.read().startswith("wineserver"):
                    return int(child)
    return None


def server_ticks(pid):
    if pid is None:
        return 0
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime, stime


def run_once(argv):
    """Wall and processor time of one run, in ms, and its exit status."""
    start = time.perf_counter()
    child = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    wall = (time.perf_counter() - start) * 1000
    child.returncode = os.waitstatus_to_exitcode(status)
    return wall, (usage.ru_utime + usage.ru_stime) * 1000, child.returncode


def read_all_from_trace(path, link):
    """The time of the last reply in a trace, in ms from the action's start; the run must have
    used the link named `link` ("USB" or "COM1:")."""
    last = None
    used = None
    with open(path, encoding="utf-8", errors="replace") as trace:
        for line in trace:
            if line.startswith("# link "):
                used = line.split()[2]
            match = re.match(r"\s*([0-9.]+) ms  recv ", line)
            if match:
                last = float(match.group(1))
    if used != link:
        sys.exit(f"wine_read_all: Read All went over {used}, not {link}")
    return last


def summary(values):
    return f"{statistics.median(values):8.1f} ({min(values):.1f} - {max(values):.1f})"


def main():
    args = sys.argv[1:]
    tool = None
    if "--usb" in args:
        at = args.index("--usb")
        tool = args[at + 1]
        del args[at:at + 2]
    sim, exe, runs = args[0], args[1], int(args[2])
    server = wineserver_of(int(args[3]) if len(args) > 3 and args[3] else None)
    wine = os.environ["TQ9000_WINE"]
    simulator, path = start_simulator(sim)
    folder = tempfile.mkdtemp(prefix="wine_read_all_")
    printer = plug_usb_printer(wine, tool, path, folder) if tool else None
    if printer is None:
        point_com1_at(path)
    link = "USB" if printer else "COM1:"
    trace = tempfile.NamedTemporaryFile(suffix=".trace", delete=False).name
    samples = {"read-all": [], "trace": [], "three": [], "version": []}
    ticks = 0
    try:
        run_once([wine, exe, "read-all"])  # the session's first program starts Wine's services
        for _ in range(runs):
            before = server_ticks(server)
            wall, cpu, status = run_once([wine, exe, "read-all"])
            ticks += server_ticks(server) - before
            if status != 0:
                sys.exit(f"wine_read_all: read-all ended with status {status}")
            samples["read-all"].append((wall, cpu))
            run_once([wine, exe, f"--trace={trace}", "read-all"])
            samples["trace"].append(read_all_from_trace(trace, link))
            samples["three"].append(run_once([wine, exe] + ["read-all"] * 3)[1])
            wall, cpu, _ = run_once([wine, exe, "--version"])
            samples["version"].append((wall, cpu))
    finally:
        if printer is not None:
            printer.stdin.close()
            printer.wait()
        simulator.terminate()
        simulator.wait()
        os.unlink(trace)
        shutil.rmtree(folder)
    report(runs, samples, ticks if server is not None else None, link)


def report(runs, samples, ticks, link):
    read_wall = [wall for wall, _ in samples["read-all"]]
    read_cpu = [cpu for _, cpu in samples["read-all"]]
    read_all = [ms for ms in samples["trace"] if ms is not None]
    ratio = statistics.median(read_all) / FLOOR_MS
    cpu = statistics.median(read_cpu)
    over = "a mock USB printer" if link == "USB" else "COM1:"
    print(f"tq9000ctl.exe under Wine against tq9000-sim over {over}, {runs} runs; ms,"
          " median (min - max)")
    print(f"Read All (trace: action start to last reply) {summary(read_all)}"
          f"  ratio to {FLOOR_MS:.0f} ms floor {ratio:.3f}"
          f"  {'ok' if ratio <= RATIO_TARGET else 'NOT MET'} (<= {RATIO_TARGET})")
    print(f"read-all process, wall                       {summary(read_wall)}")
    print(f"read-all process, cpu (user + system)        {summary(read_cpu)}"
          f"  {'ok' if cpu <= CPU_TARGET_MS else 'NOT MET'} (<= {CPU_TARGET_MS:.0f})")
    own = (min(samples["three"]) - min(read_cpu)) / 2
    print(f"one Read All's cpu, without the process      {own:8.1f}"
          "  (least of three in one process less least of one, halved)")
    print(f"--version process, wall                      "
          f"{summary([wall for wall, _ in samples['version']])}")
    print(f"--version process, cpu                       "
          f"{summary([cpu for _, cpu in samples['version']])}")
    if ticks is not None:
        print(f"wineserver cpu per read-all run (average)    {ticks * TICK_MS / runs:8.1f}")


if __name__ == "__main__":
    main()
