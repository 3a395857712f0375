#!/usr/bin/env python3
"""What the quiet period after an unanswered request costs, and whether it keeps late replies out
of the next run. Runs tq9000ctl processes against tq9000-sim on a pseudo-terminal, one simulator
serving many runs (as a printer on a serial line does), and reports:

  healthy   the wall time of a healthy `get 88` and `status` run (median, quartiles); with
            --baseline, the same for another tq9000ctl (the build before a change), runs of the
            two taken in turn, and the difference of the medians: what the change costs a run that
            never fails
  failure   the wall time of `get 88` against a silent printer and against one that answers
            350 ms late, each run on a line that has been quiet for 2.5 s
  late      chains of four runs straight after each other (`get 88`, `get 76`, `get 85`,
            `get 86`) against printers that answer 315 to 1000 ms late: how many of the later
            runs showed a value. Every reply comes too late for its own read, so any value shown
            is an earlier run's reply

  late_replies.py CTL SIM [--baseline CTL] [--runs N] [--chains N]

Nothing is asserted: it reports.
"""

import argparse
import os
import signal
import statistics
import subprocess
import sys
import time

LATE_DELAYS_MS = [315, 350, 420, 700, 1000]
CHAIN = [["get", "88"], ["get", "76"], ["get", "85"], ["get", "86"]]
# Longer than any reply is late, so that each measured run or chain starts on a quiet line.
SETTLE_S = 2.5


class Simulator:
    """tq9000-sim without a command: it prints its terminal's path and serves until stopped."""

    def __init__(self, program, args):
        self.process = subprocess.Popen([program] + args, stdout=subprocess.PIPE, text=True)
        self.path = self.process.stdout.readline().strip()

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        self.process.wait()


def run_ctl(ctl, port, actions):
    """One run of tq9000ctl on `port`: (wall ms, exit status, standard output)."""
    env = dict(os.environ, TQ9000_COM1=port)
    start = time.monotonic()
    done = subprocess.run([ctl] + actions, env=env, stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, text=True)
    return (time.monotonic() - start) * 1000, done.returncode, done.stdout


def quartiles(samples):
    q = statistics.quantiles(samples, n=4)
    return "median %7.2f ms  (quartiles %7.2f – %7.2f, %d runs)" % (q[1], q[0], q[2],
                                                                     len(samples))


def timed_runs(programs, port, actions, runs, settle_s=0):
    """Runs of each program in turn, so that both see the same load; wall ms by program."""
    times = {name: [] for name in programs}
    for _ in range(runs):
        for name, ctl in programs.items():
            wall, _, _ = run_ctl(ctl, port, actions)
            times[name].append(wall)
            time.sleep(settle_s)
    return times


def report_times(title, times):
    print(title)
    for name, samples in times.items():
        print("  %-9s %s" % (name, quartiles(samples)))
    if len(times) == 2:
        (a, first), (b, second) = times.items()
        print("  %s - %s: %+.2f ms (medians)" % (
            a, b, statistics.median(first) - statistics.median(second)))


def healthy(programs, sim_program, runs):
    sim = Simulator(sim_program, [])
    try:
        for actions in (["get", "88"], ["status"]):
            report_times("healthy: tq9000ctl %s" % " ".join(actions),
                         timed_runs(programs, sim.path, actions, runs))
    finally:
        sim.stop()


def failure(programs, sim_program, runs):
    for title, args in (("silent printer", ["--silent"]),
                        ("printer 350 ms late", ["--delay-ms", "350"])):
        sim = Simulator(sim_program, args)
        try:
            report_times("failure: tq9000ctl get 88, %s" % title,
                         timed_runs(programs, sim.path, ["get", "88"], max(5, runs // 4),
                                    SETTLE_S))
        finally:
            sim.stop()


def late(programs, sim_program, chains):
    print("late: chains of %d runs straight after each other, later runs that showed a value"
          % len(CHAIN))
    for delay in LATE_DELAYS_MS:
        line = "  %4d ms late:" % delay
        for name, ctl in programs.items():
            sim = Simulator(sim_program, ["--delay-ms", str(delay)])
            wrong = 0
            try:
                for _ in range(chains):
                    run_ctl(ctl, sim.path, CHAIN[0])
                    for actions in CHAIN[1:]:
                        _, status, out = run_ctl(ctl, sim.path, actions)
                        wrong += status == 0 or out.strip() != ""
                    time.sleep(SETTLE_S)
            finally:
                sim.stop()
            line += "  %s %d of %d" % (name, wrong, chains * (len(CHAIN) - 1))
        print(line)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("ctl")
    parser.add_argument("sim")
    parser.add_argument("--baseline", help="another tq9000ctl to compare with")
    parser.add_argument("--runs", type=int, default=41)
    parser.add_argument("--chains", type=int, default=5)
    options = parser.parse_args()
    programs = {"this": options.ctl}
    if options.baseline:
        programs["baseline"] = options.baseline
    healthy(programs, options.sim, options.runs)
    failure(programs, options.sim, options.runs)
    late(programs, options.sim, options.chains)
    return 0


if __name__ == "__main__":
    sys.exit(main())
