#!/usr/bin/env python3
"""The soak bench's planner and judge; bench/soak.sh runs what this plans.

  soak.py plan DIR COMMANDS SEED TQ9000CTL
                                    writes DIR/fields.json (what `TQ9000CTL fields --json` says
                                    of the form's fields), DIR/plan.json and one folder per
                                    tq9000ctl run under DIR/runs/: sim.args and ctl.args (one
                                    argument a line), bound_ms, long, and any profile the run
                                    loads
  soak.py check DIR JOBS WALL_S LOAD
                                    reads what each run left (result, out, rss, state, printed,
                                    samples), prints one line per counter and the findings, and
                                    exits 1 on a wrong value reported as success, a crash, a hang
                                    or an exit status that disagrees with the messages

Each run starts tq9000-sim with random stored values, a random status byte and one fault knob (the
knobs take turns), and runs one short script of tq9000ctl actions against it; every 40th run is a
long one whose descriptors and memory bench/soak.sh samples. The judge replays each script on a
model of the form and of the printer's store, so it knows what every action should show and what
the printer should hold afterwards. The fields, their ids, kinds, bounds, check boxes and fonts
are tq9000ctl's own, from `tq9000ctl fields --json`.
"""

import json
import os
import random
import statistics
import sys
from collections import Counter, defaultdict

import subprocess

# ---------------------------------------------------------------------------------------------
# The form's fields as tq9000ctl knows them: `tq9000ctl fields --json`, which the plan asks of the
# tq9000ctl under test and keeps beside the runs (fields.json), so that the judge models the very
# table that the runs were planned with. learn_fields fills these in place.
# Each field's object (id, name, kind, feature, bits, and bound, boxes or fonts) by its name, in
# show order.
FIELDS = {}
FIELD_NAMES = []
# (id, name, kind, bound for a number or the bits the check boxes own for a flag set), a feature
# each: the fields named as their feature.
FEATURES = []
NAME_OF_ID = {}
# The fields that carry bits of another feature's byte (LinesToSkip, in ValidationOptions), by the
# id of that feature.
PARTS = defaultdict(list)
FONTS = []  # (name, code), in list order
FONT_OF_CODE = {}
CODE_OF_FONT = {}
CHECK_BOXES = {}  # box id: (feature id, mask)


def learn_fields(text):
    for line in text.splitlines():
        field = json.loads(line)
        FIELDS[field["name"]] = field
        FIELD_NAMES.append(field["name"])
        if field["name"] != field["feature"]:
            PARTS[field["id"]].append(field)
            continue
        limit = {"number": field.get("bound"), "flags": field["bits"]}.get(field["kind"])
        FEATURES.append((field["id"], field["name"], field["kind"], limit))
        for box in field.get("boxes", []):
            CHECK_BOXES[box["id"]] = (field["id"], box["mask"])
        if not FONTS:
            FONTS.extend((font["name"], font["code"]) for font in field.get("fonts", []))
    NAME_OF_ID.update({f[0]: f[1] for f in FEATURES})
    FONT_OF_CODE.update({code: name for name, code in FONTS})
    CODE_OF_FONT.update({name: code for name, code in FONTS})


def ask_fields(ctl, work):
    """The table from tq9000ctl itself, kept in WORK/fields.json for the judge."""
    text = subprocess.run([ctl, "fields", "--json"], check=True, capture_output=True,
                          text=True).stdout
    with open(os.path.join(work, "fields.json"), "w") as f:
        f.write(text)
    learn_fields(text)


def numbers():
    """The fields that hold a whole number: the number features and LinesToSkip."""
    return [name for name in FIELD_NAMES if FIELDS[name]["kind"] == "number"]


# The simulator's texts as they leave the factory (sim/PrinterModel.cpp).
FACTORY_TEXTS = {0x30: "1.0", 0x31: "TQ9000", 0x32: "SN0041729", 0x33: "0.9"}
OVERSIZED_TEXT = "".join(chr(ord("A") + i % 26) for i in range(300))
TEXT_LIMIT = 252  # characters a text reply keeps within the 256-byte reply buffer

# Worst-case time of each action: its fixed pauses and deadlines (100 ms per write, 100 ms pause
# before a reply, 10 ms per read), plus 5 ms for each deadline; a run may take RUN_MARGIN_MS more
# for starting and ending its three processes (tq9000-sim, GNU time, tq9000ctl): on the shared
# 2-core machine, at a load of 4 to 6, runs took up to 450 ms beyond their fixed pauses. Beyond
# that bound a run counts as a hang; timeout ends it at three times the bound.
RUN_MARGIN_MS = 500
# After a request whose reply was not taken (its read failed, or its write), input is dropped
# before anything else is sent and before the run ends, until 1.2 s have passed since the request
# was written and the line has been quiet for 200 ms, 1 s past the 1.2 s at most: each failure a
# run shows ("read error", a write that failed) may add up to this much.
QUIET_BOUND_MS = 1200 + 1000
QUIET_OWING_MESSAGES = ("read error", "write failed", "write timed out")
QUERY_MS = 100 + 100 + 10 + 2 * 5
STATUS_MS = 100 + 100 + 100 + 10 + 3 * 5
ENQUIRE_MS = 100 + 100 + 10 + 2 * 5
# The two actions that show the status byte: `status` prints the test text first, `enquire` nothing.
STATUS_ACTIONS = ("status", "enquire")


def read_all_ms():
    return len(FEATURES) * QUERY_MS


def write_all_ms():
    return len(FEATURES) * (100 + 5)


LONG_EVERY = 40
# The fault knobs, in turn: short run i gets KNOBS[i % len(KNOBS)]; long runs take their own turns.
KNOBS = ["none", "late", "split", "garbage", "surplus", "oversized", "silent", "hang-up",
         "near-deadline", "split+late"]


def atoi(text):
    """The leading integer of a text, as the form reads an edit (C's atoi, clamped to 32 bits)."""
    text = text.lstrip(" \t\n\v\f\r")
    sign, digits = 1, ""
    if text[:1] in ("+", "-"):
        sign = -1 if text[0] == "-" else 1
        text = text[1:]
    for c in text:
        if not c.isdigit():
            break
        digits += c
    value = sign * int(digits) if digits else 0
    return max(-2**31, min(2**31 - 1, value))


# ---------------------------------------------------------------------------------------------
# The form, held as the values `show` prints, and the printer's store as 256 bytes.

def empty_form():
    """A form nobody has read, loaded or set anything into: every field unknown (None)."""
    return {name: None for name in FIELD_NAMES}


def fields_of(fid):
    """The fields a feature carries: its own, and LinesToSkip with ValidationOptions."""
    return [NAME_OF_ID[fid]] + [part["name"] for part in PARTS[fid]]


def read_all_into(form, store):
    for fid, name, kind, limit in FEATURES:
        value = store[fid]
        if kind == "number":
            form[name] = str(value)
        elif kind == "flags":
            form[name] = "%02X" % (value & limit)
            for part in PARTS[fid]:
                # the byte AND 7, or the 8 that the form itself writes in bits 0..3
                lines = value & part["bits"]
                form[part["name"]] = "%d" % (lines if lines == part["bound"] else value & 7)
        elif value in FONT_OF_CODE:
            form[name] = FONT_OF_CODE[value]
        elif form[name] is None:  # an unknown code leaves the list as it was: no selection
            form[name] = "none"


def byte_to_write(form, fid):
    """What Write All sends for a feature, or None when the form gives nothing (an unknown field,
    an empty number, no font)."""
    _, name, kind, limit = next(f for f in FEATURES if f[0] == fid)
    if any(form[field] is None for field in fields_of(fid)):
        return None
    if kind == "number":
        value = atoi(form[name])
        return value if form[name] != "" and 0 <= value <= limit else None
    if kind == "font":
        return CODE_OF_FONT.get(form[name])
    value = int(form[name], 16) & limit
    for part in PARTS[fid]:
        text = form[part["name"]]
        if text != "" and 0 <= atoi(text) <= part["bound"]:
            value |= atoi(text)
    return value


def apply_set(form, name, value):
    """False when the setting is refused as the run goes: a check box of a group nobody gave."""
    if name.isdigit():
        fid, mask = CHECK_BOXES[int(name)]
        if form[NAME_OF_ID[fid]] is None:
            return False
        bits = int(form[NAME_OF_ID[fid]], 16)
        bits = bits | mask if value == "1" else bits & ~mask
        form[NAME_OF_ID[fid]] = "%02X" % bits
    elif name in FIELDS and FIELDS[name]["kind"] == "flags":
        form[name] = "%02X" % int(value, 16)
    elif name in FIELDS and FIELDS[name]["kind"] == "number":
        form[name] = str(int(value))
    else:
        form[name] = value
    return True


def values_of(lines):
    """The form that `show` lines give, by field name; an unknown field as None."""
    values = {name: (line.split(" ", 2) + [""])[2] for name, line in zip(FIELD_NAMES, lines)}
    return {name: None if value == "unknown" else value for name, value in values.items()}


def shown_lines(form):
    out = []
    for name in FIELD_NAMES:
        out.append("%d %s %s" % (FIELDS[name]["id"], name, "unknown" if form[name] is None else form[name]))
    return out


# ---------------------------------------------------------------------------------------------
# Planning: random stores, knobs and scripts.

def hex_bytes(rng, count, last=None):
    allowed = [b for b in range(256) if b not in (0x0A, 0x0D)]  # keep one value to a line
    values = [rng.choice(allowed) for _ in range(count)]
    if last is not None:
        values[-1] = last
    return "".join("%02x" % b for b in values)


def knob_args(kind, rng):
    return {
        "none": [],
        "late": ["--delay-ms", str(rng.randint(115, 1000))],
        "near-deadline": ["--delay-ms", str(rng.randint(80, 109))],
        "split": ["--chunk", str(rng.randint(1, 3)), "--chunk-gap-ms", str(rng.randint(1, 4))],
        "split+late": ["--chunk", "2", "--delay-ms", str(rng.randint(100, 130))],
        "garbage": ["--garbage", hex_bytes(rng, rng.randint(1, 2))],
        "surplus": ["--extra-bytes", hex_bytes(rng, rng.randint(1, 3),
                                               0x03 if rng.random() < 0.5 else None)],
        "oversized": ["--oversized-text"],
        "silent": ["--silent"],
        "hang-up": ["--hang-up-after", str(rng.randint(0, 30))],
    }[kind]


def random_store(rng):
    store = {}
    for fid, name, kind, limit in FEATURES:
        if kind == "number":
            store[fid] = rng.randint(0, limit if rng.random() < 0.9 else 255)
        elif kind == "flags":
            store[fid] = rng.randint(0, 255)
        else:
            store[fid] = rng.choice(FONTS)[1] if rng.random() < 0.95 else rng.randint(0, 255)
    for fid in rng.sample([i for i in range(0x41, 0x70) if i not in store], 4):
        store[fid] = rng.randint(0, 255)
    return store


def random_text(rng):
    """Mostly short; now and then one that just fills the reply buffer, or one character more."""
    letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789.-"
    if rng.random() < 0.1:
        return "".join(rng.choice(letters) for _ in range(TEXT_LIMIT + rng.randint(0, 1)))
    return "".join(rng.choice(letters + " ") for _ in range(rng.randint(1, 24))).strip() or "X"


def feature_number(rng):
    """A number in decimal digits, as get takes it; now and then one out of range (the form's own
    notice answers it)."""
    roll = rng.random()
    if roll < 0.05:
        return rng.choice(["112", "47", "99999999999", "0"])
    if roll < 0.17:
        return str(rng.randint(0x30, 0x3F))
    if roll < 0.20:
        return "64"
    return str(rng.choice([f[0] for f in FEATURES] + list(range(0x41, 0x70))))


def bad_feature_number(rng):
    """What the form would read atoi-style as a number, but get refuses as a usage error."""
    return rng.choice(["abc", "0x58", "-1", "", " 88", "88junk", "88.9", "+76"])


def valid_setting(rng):
    """NAME=VALUE that a strict reading takes."""
    roll = rng.random()
    if roll < 0.15:
        control = rng.choice(list(CHECK_BOXES))
        return "%d=%d" % (control, rng.randint(0, 1))
    if roll < 0.22:
        part = rng.choice(sum(PARTS.values(), []))
        return "%s=%d" % (part["name"], rng.randint(0, part["bound"]))
    fid, name, kind, limit = rng.choice(FEATURES)
    if kind == "number":
        return "%s=%d" % (name, rng.randint(0, limit))
    if kind == "flags":
        digits = "%02X" % (rng.randint(0, 255) & limit)
        return "%s=%s" % (name, digits.lower() if rng.random() < 0.3 else digits)
    return "%s=%s" % (name, rng.choice([f[0] for f in FONTS] + ["none"]))


def of_kind(kind):
    return [name for name in FIELD_NAMES if FIELDS[name]["kind"] == kind]


def beyond_bound(rng):
    """A number field's name and a number past its bound."""
    name = rng.choice(numbers())
    return name, rng.randint(FIELDS[name]["bound"] + 1, FIELDS[name]["bound"] + 60)


def stray_bits(rng):
    """A flag set's name and a byte with a bit that none of its boxes owns."""
    name = rng.choice([name for name in of_kind("flags") if FIELDS[name]["bits"] != 0xFF])
    unowned = [1 << bit for bit in range(8) if not FIELDS[name]["bits"] & 1 << bit]
    return name, rng.choice(unowned) | rng.randint(0, 255)


def bad_setting(rng):
    """NAME=VALUE that a strict reading refuses: out of range, stray bits, junk, unknown names."""
    number = rng.choice(numbers())
    return rng.choice([
        "%s=%d" % beyond_bound(rng), "%s=%d" % beyond_bound(rng), "%s=12x" % number,
        "%s=-3" % number, "%s=%02X" % stray_bits(rng), "%s=%02X" % stray_bits(rng),
        "%s=Comic" % rng.choice(of_kind("font")), "%s=xyz" % rng.choice(of_kind("flags")),
        "%d=2" % rng.choice(list(CHECK_BOXES)), "Bogus=1", "NoEquals"])


def random_profile(rng, store):
    """A profile of the printer's values with a few changed, and now and then some fields left
    "" (leave as it is): which, without a read-all, stay unknown and are not written."""
    form = empty_form()
    read_all_into(form, store)
    for _ in range(rng.randint(0, 4)):
        name, value = valid_setting(rng).split("=", 1)
        apply_set(form, name, value)
    if rng.random() < 0.3:
        for name in rng.sample(FIELD_NAMES, rng.randint(1, 4)):
            form[name] = ""
    return form


def spoil_profile(rng, profile):
    """A profile a careful loader refuses, as text."""
    profile = dict(profile)
    how = rng.randrange(6)
    if how == 0:
        name, value = beyond_bound(rng)
        profile[name] = str(value)
    elif how == 1:
        name, value = stray_bits(rng)
        profile[name] = "%02X" % value
    elif how == 2:
        profile[rng.choice(of_kind("font"))] = "Comic"
    elif how == 3:
        del profile[rng.choice(FIELD_NAMES)]
    elif how == 4:
        profile["Colour"] = "red"
    else:
        return "{\n  \"%s\": \"12\",\n" % FIELD_NAMES[0]
    return json.dumps(profile, indent=2) + "\n"


def status_action(rng):
    return [rng.choice(STATUS_ACTIONS)]


def short_script(rng, store, run_dir):
    """A few actions of one kind; returns (actions, whether a careful tool must refuse them)."""
    kind = rng.choices(["get", "status", "set", "read-show", "read-set-write", "read-save",
                        "load", "usage"], weights=[30, 12, 25, 9, 6, 3, 10, 5])[0]
    if kind == "get":
        gets = [["get", feature_number(rng)] for _ in range(rng.randint(1, 3))]
        bad = rng.random() < 0.05
        if bad:
            gets.insert(rng.randrange(len(gets) + 1), ["get", bad_feature_number(rng)])
        return gets, bad
    if kind == "status":
        return ([["get", feature_number(rng)]] if rng.random() < 0.3 else []) + \
            [status_action(rng)], False
    if kind == "set":
        bad = rng.random() < 0.12
        sets = [["set", valid_setting(rng)] for _ in range(rng.randint(1, 4))]
        if bad:
            sets.insert(rng.randrange(len(sets) + 1), ["set", bad_setting(rng)])
        tail = [["get", str(rng.choice(FEATURES)[0])]] if rng.random() < 0.3 else []
        return sets + [["write-all"]] + tail, bad
    if kind == "read-show":
        return [["read-all"], ["show", "--json"] if rng.random() < 0.4 else ["show"]], False
    if kind == "read-set-write":
        sets = [["set", valid_setting(rng)] for _ in range(rng.randint(1, 3))]
        return [["read-all"]] + sets + [["write-all"]], False
    if kind == "read-save":
        return [["read-all"], ["save", "saved.json"]], False
    if kind == "load":
        profile = random_profile(rng, store)
        bad = rng.random() < 0.15
        text = spoil_profile(rng, profile) if bad else json.dumps(profile, indent=2) + "\n"
        with open(os.path.join(run_dir, "profile.json"), "w") as f:
            f.write(text)
        return [["load", "profile.json"], ["write-all"]], False
    return rng.choice([[["status"], ["bogus-action"]], [["get"]], [["show", "--yaml"]]]), True


def long_script(rng):
    """Forty to sixty actions in one process: what its descriptors and memory do over time."""
    # A read-all first: every field is then known, and no set or write-all is refused for want of
    # one, so that the run lasts.
    actions, read_alls, length = [["read-all"]], 1, rng.randint(40, 60)
    while len(actions) < length:
        roll = rng.random()
        if roll < 0.45:
            actions.append(["get", feature_number(rng)])
        elif roll < 0.6:
            actions.append(status_action(rng))
        elif roll < 0.95 or read_alls >= 2:
            actions += [["set", valid_setting(rng)] for _ in range(rng.randint(1, 2))]
            actions.append(["write-all"])
        else:
            read_alls += 1
            actions += [["read-all"], ["show"]]
    return actions


def action_pause_ms(action):
    """The fixed pauses an action waits for in any case: 100 ms before each reply is read."""
    name = action[0]
    if name == "get":
        return 100 if action_bound_ms(action) else 0
    return {"status": 100, "enquire": 100, "read-all": len(FEATURES) * 100}.get(name, 0)


def action_bound_ms(action):
    name = action[0]
    if name == "get":
        number = atoi(action[1]) if len(action) > 1 else 0
        return QUERY_MS if 0x30 <= number <= 0x6F and action[1] != "" else 0
    return {"status": STATUS_MS, "enquire": ENQUIRE_MS, "read-all": read_all_ms(),
            "write-all": write_all_ms()}.get(name, 0)


# ---------------------------------------------------------------------------------------------
# Runs at the edges of the process: several runs of tq9000ctl under one simulator, or one run whose
# output streams or signals misbehave. Each is a bash script (edge.sh, given tq9000ctl's path as
# $1) that leaves each run's output in out.N and its exit status in rc.N.

EDGES = ["chain", "pipe", "stdout-closed", "stdout-full", "signal-write", "signal-save"]
EDGE_EVERY = 6  # one short run in EDGE_EVERY is an edge run, the kinds taking turns
SIGNALS = {"INT": 2, "TERM": 15, "HUP": 1}


def quoted_args(args):
    return " ".join("'%s'" % a.replace("'", "'\\''") for a in args)


def run_line(number, args, redirect=""):
    return '"$1" %s >out.%d 2>err.%d%s; echo $? >rc.%d\n' % (quoted_args(args), number, number,
                                                           redirect, number)


def byte_feature(rng):
    return str(rng.choice([f[0] for f in FEATURES] + list(range(0x41, 0x70))))


def write_profile(rng, store, run_dir):
    profile = random_profile(rng, store)
    with open(os.path.join(run_dir, "profile.json"), "w") as f:
        f.write(json.dumps(profile, indent=2) + "\n")


def edge_script(kind, rng, store, run_dir):
    """(script, sim knob args, runs as action lists, extra plan facts, bound in ms)."""
    if kind == "chain":
        # Replies up to a second late, runs straight after each other: no run may take an
        # earlier run's reply for its own.
        runs = [status_action(rng) if rng.random() < 0.25 else ["get", byte_feature(rng)]
                for _ in range(rng.randint(3, 5))]
        script = "".join(run_line(i + 1, r) for i, r in enumerate(runs))
        bound = sum(STATUS_MS + QUERY_MS + QUIET_BOUND_MS + RUN_MARGIN_MS for _ in runs)
        return script, ["--delay-ms", str(rng.randint(60, 1000))], runs, {}, bound
    if kind == "pipe":
        # The reader of the trace goes away early: the write-all still sends all it is to.
        write_profile(rng, store, run_dir)
        args = ["--trace", "read-all", "load", "profile.json", "write-all"]
        script = '"$1" %s 2>&1 | head -c %d >/dev/null; echo "${PIPESTATUS[0]}" >rc.1\n' % (
            quoted_args(args), rng.randint(0, 3000))
        return script, [], [args[1:]], {}, read_all_ms() + write_all_ms() + RUN_MARGIN_MS
    if kind == "stdout-closed":
        args = status_action(rng) if rng.random() < 0.7 else ["get", byte_feature(rng)]
        return run_line(1, args, " >&-").replace(">out.1 ", ""), [], [args], {}, \
            STATUS_MS + RUN_MARGIN_MS
    if kind == "stdout-full":
        args = rng.choice([["read-all", "show"], ["read-all", "show", "--json"], ["status"],
                           ["get", byte_feature(rng)]])
        line = run_line(1, args).replace(">out.1", ">/dev/full")
        return line, [], [args], {}, read_all_ms() + RUN_MARGIN_MS
    signal = rng.choice(sorted(SIGNALS))
    if kind == "signal-write":
        # Every write of tq9000ctl held 100 ms by strace, as a slow line would hold its frames, so
        # that Write All lasts long enough for the signal to find it: Read All then takes about
        # 2.5 s (12 queries), Write All 1.2 s more (12 frames), a few lines on standard error
        # 0.1 s each.
        write_profile(rng, store, run_dir)
        args, after = ["read-all", "load", "profile.json", "write-all"], rng.uniform(2.5, 4.0)
        prefix = "strace -f -qq -o /dev/null -e trace=write -e inject=write:delay_exit=100000 "
        slow_ms = 3000
    else:
        # The save comes straight after the 1.25 s of Read All.
        args, after = ["read-all", "save", "saved.json"], rng.uniform(1.2, 1.32)
        prefix, slow_ms = "", 0
    # The signal goes to tq9000ctl itself (under strace, the traced child).
    script = ('%s"$1" %s >out.1 2>&1 & p=$!\nsleep %.3f\n'
              'kill -%s $(pgrep -P $p || echo $p) 2>/dev/null\nwait $p\necho $? >rc.1\n') % (
                  prefix, quoted_args(args), after, signal)
    return script, [], [args], {"signal": signal, "after_s": after}, \
        read_all_ms() + write_all_ms() + slow_ms + RUN_MARGIN_MS


def plan(work, commands, seed):
    rng = random.Random(seed)
    runs, total, index, short_runs = [], 0, 0, 0
    while total < commands:
        run_dir = os.path.join(work, "runs", "%05d" % index)
        os.makedirs(run_dir)
        store = random_store(rng)
        texts = {**FACTORY_TEXTS, 0x31: random_text(rng), 0x35: random_text(rng)}
        status = rng.randint(0, 255)
        long_run = index % LONG_EVERY == LONG_EVERY - 1
        if not long_run:
            short_runs += 1
            if short_runs % EDGE_EVERY == 0:
                kind = EDGES[(short_runs // EDGE_EVERY) % len(EDGES)]
                run = plan_edge(kind, rng, store, texts, status, run_dir)
                runs.append(run)
                total += len(run["actions"])
                index += 1
                continue
        # Long runs take their own turns, or every one of them would get the same knob.
        knob = KNOBS[(index // LONG_EVERY if long_run else index) % len(KNOBS)]
        actions, refuse = (long_script(rng), False) if long_run else short_script(rng, store,
                                                                                  run_dir)
        sim_args = knob_args(knob, rng) + ["--status", "0x%02x" % status]
        sim_args += sum((["--set", "%d=%d" % (fid, v)] for fid, v in sorted(store.items())), [])
        sim_args += sum((["--text", "0x%x=%s" % (tid, t)] for tid, t in sorted(texts.items())), [])
        bound = RUN_MARGIN_MS + sum(action_bound_ms(a) for a in actions)
        write_lines(os.path.join(run_dir, "sim.args"), sim_args)
        write_lines(os.path.join(run_dir, "ctl.args"), sum(actions, []))
        write_lines(os.path.join(run_dir, "bound_ms"), [str(bound)])
        write_lines(os.path.join(run_dir, "long"), ["1" if long_run else "0"])
        runs.append({"knob": knob, "knob_args": sim_args[:sim_args.index("--status")],
                     "store": {str(k): v for k, v in store.items()},
                     "texts": {str(k): v for k, v in texts.items()}, "status": status,
                     "actions": actions, "refuse": refuse, "bound_ms": bound, "long": long_run,
                     "pauses_ms": sum(action_pause_ms(a) for a in actions)})
        total += len(actions)
        index += 1
    with open(os.path.join(work, "plan.json"), "w") as f:
        json.dump({"seed": seed, "commands": total, "runs": runs}, f)


ARGUMENTS = {"get": 1, "set": 1, "save": 1, "load": 1, "diff": 1}


def split_actions(args):
    """A run's arguments as its actions (options such as --trace left out)."""
    actions = []
    for arg in args:
        if actions and len(actions[-1]) <= ARGUMENTS.get(actions[-1][0], 0):
            actions[-1].append(arg)
        elif arg.startswith("--") and actions:
            actions[-1].append(arg)
        elif not arg.startswith("--"):
            actions.append([arg])
    return actions


def plan_edge(kind, rng, store, texts, status, run_dir):
    script, knob, subruns, facts, bound = edge_script(kind, rng, store, run_dir)
    sim_args = knob + ["--status", "0x%02x" % status]
    sim_args += sum((["--set", "%d=%d" % (fid, v)] for fid, v in sorted(store.items())), [])
    sim_args += sum((["--text", "0x%x=%s" % (tid, t)] for tid, t in sorted(texts.items())), [])
    write_lines(os.path.join(run_dir, "sim.args"), sim_args)
    with open(os.path.join(run_dir, "edge.sh"), "w") as f:
        f.write(script)
    write_lines(os.path.join(run_dir, "ctl.args"), [])
    write_lines(os.path.join(run_dir, "bound_ms"), [str(bound)])
    write_lines(os.path.join(run_dir, "long"), ["0"])
    run = {"knob": "edge:" + kind, "knob_args": knob, "edge": kind, "subruns": subruns,
           "store": {str(k): v for k, v in store.items()},
           "texts": {str(k): v for k, v in texts.items()}, "status": status,
           "actions": sum((split_actions(r) for r in subruns), []), "refuse": False, "bound_ms": bound, "long": False,
           "pauses_ms": 0}
    run.update(facts)
    return run


def write_lines(path, lines):
    with open(path, "w") as f:
        f.write("".join(line + "\n" for line in lines))


# ---------------------------------------------------------------------------------------------
# Judging one run.

NOTICE_CAPTIONS = ("BRENLOW: ", "WM_DEVICECHANGE: ", "Printer Status Byte: ")
FAILURE_CAPTIONS = ("tq9000_config_app: ", "Caption: ", "tq9000ctl: ")
# A text shown cut is said so on a line of its own, which is no failure.
WARNING = "tq9000ctl: warning: "
FATAL = ("crash", "hang", "wrong value shown as success", "wrong value written to the printer",
         "feature written that nobody read, loaded or set", "printer left half-written",
         "lost output reported as success", "output printed on the receipt",
         "temporary file left", "bad input accepted", "exit status disagrees with the messages")


def is_box(line):
    return line.startswith(NOTICE_CAPTIONS + FAILURE_CAPTIONS)


def is_failure(line):
    return line.startswith(FAILURE_CAPTIONS) and not line.startswith(WARNING)


def script_text(actions):
    return " ".join(a if a and " " not in a else '"%s"' % a for a in sum(actions, []))


def quoted(value):
    return '"%s"' % shown(value) if isinstance(value, str) else shown(value)


def difference(expected, got):
    """What differs: the fields of a form that differ, or the two values."""
    if isinstance(expected, dict) and isinstance(got, dict):
        fields = [name for name in FIELD_NAMES if expected.get(name) != got.get(name)]
        if fields and set(got) == set(FIELD_NAMES):
            return "; ".join("%s expected %s, shown %s" % (name, quoted(expected[name]),
                                                           quoted(got[name])) for name in fields)
    return "expected %s, shown %s" % (quoted(expected), quoted(got))


def shown(text, limit=60):
    text = text if isinstance(text, str) else repr(text)
    text = "".join(c if 32 <= ord(c) < 127 else "\\x%02x" % ord(c) for c in text)
    return text if len(text) <= limit else text[:limit] + "...(%d chars)" % len(text)


class Output:
    """The merged standard output and error of a run, walked action by action. The boxes that
    appear after a value line and before the next belong to the actions in between, so a value is
    taken as shown without failure when no failure box came since the last value."""

    def __init__(self, text):
        self.lines = text.split("\n")[:-1] if text else []
        self.at = 0
        self.failed_since_value = False

    def skip_boxes(self, stop_at_status=False):
        while self.at < len(self.lines) and is_box(self.lines[self.at]):
            line = self.lines[self.at]
            if stop_at_status and line.startswith("Printer Status Byte: "):
                return
            self.failed_since_value |= is_failure(line)
            self.at += 1

    def take_values(self, count):
        """The next `count` value lines, and whether a failure was shown since the last ones."""
        self.skip_boxes()
        values = self.lines[self.at:self.at + count]
        if len(values) < count or any(is_box(v) for v in values):
            return None, self.failed_since_value
        self.at += count
        failed, self.failed_since_value = self.failed_since_value, False
        return values, failed

    def take_status(self):
        self.skip_boxes(stop_at_status=True)
        if self.at + 1 < len(self.lines) and self.lines[self.at].startswith("Printer Status"):
            self.at += 1
            return self.take_values(1)
        return None, self.failed_since_value


class Judge:
    def __init__(self):
        self.findings = []
        self.counts = Counter()

    def add(self, category, run_id, run, detail):
        self.findings.append((category, run_id, run["knob"], " ".join(run["knob_args"]), detail))


def read_file(path, mode="r"):
    try:
        with open(path, mode, **({} if "b" in mode else {"encoding": "latin-1"})) as f:
            return f.read()
    except FileNotFoundError:
        return None


def read_state(path):
    text = read_file(path)
    if text is None:
        return None
    return {int(a): int(b) for a, b in (line.split() for line in text.splitlines())}


def printer_text(typed, texts, oversized):
    """The whole text the printer answers a `get` with, or None for a feature that is no text."""
    number = atoi(typed)
    if typed == "" or not 0x30 <= number <= 0x3F:
        return None
    return OVERSIZED_TEXT if oversized else texts.get(number, "")


def expected_get(typed, store, texts, oversized):
    number = atoi(typed)
    if typed == "" or not 0x30 <= number <= 0x6F:
        return None
    if number <= 0x3F:
        return printer_text(typed, texts, oversized)[:TEXT_LIMIT]
    return "" if number == 0x40 else "%02X" % store[number]


class RunCheck:
    """Replays one run's actions on the model and compares what the run showed and left."""

    def __init__(self, judge, run_id, run, run_dir):
        self.judge, self.run_id, self.run, self.dir = judge, run_id, run, run_dir
        self.store = [0] * 256
        for fid, value in run["store"].items():
            self.store[int(fid)] = value
        self.initial = list(self.store)
        self.meant = defaultdict(set)  # id: every value a write-all meant for it
        self.texts = {int(k): v for k, v in run["texts"].items()}
        self.form = empty_form()
        self.test_prints = 0  # status actions, each of which prints the test text
        self.cut_texts_shown = 0
        self.refused_load = False

    def finding(self, category, detail):
        self.judge.add(category, self.run_id, self.run, detail)

    def compare(self, index, action, expected, got, failed):
        if got is None or expected is None or got == expected:
            return
        what = "action %d '%s': %s" % (index + 1, script_text([action]), difference(expected, got))
        if self.garbage_in_text_lead(action, expected, got):
            # A text reply's three leading bytes are the printer's own and are never examined, so
            # noise ahead of the reply shifts into the text and no reading can tell.
            self.judge.counts["noise hidden in a text reply's lead"] += 1
        elif failed:
            self.judge.counts["wrong values shown after a failure"] += 1
        else:
            self.finding("wrong value shown as success", what)

    def garbage_in_text_lead(self, action, expected, got):
        """The text shifted right by the one or two bytes of noise, and cut as the longer reply
        then is."""
        return (self.run["knob"] == "garbage" and action[0] == "get" and
                0x30 <= atoi(action[1]) <= 0x3F and
                any(got[k:] == expected[:TEXT_LIMIT - k] for k in (1, 2)))

    def replay(self, out):
        oversized = "--oversized-text" in self.run["knob_args"]
        for index, action in enumerate(self.run["actions"]):
            name = action[0]
            if name == "get":
                values, failed = out.take_values(1)
                expected = expected_get(action[1], self.store, self.texts, oversized)
                if expected is None:  # refused before anything is sent; the field is unchanged
                    continue
                self.compare(index, action, expected, values and values[0], failed)
                whole = printer_text(action[1], self.texts, oversized)
                if values and not failed and whole is not None and len(whole) > TEXT_LIMIT:
                    self.cut_texts_shown += 1
            elif name in STATUS_ACTIONS:
                values, failed = out.take_status()
                self.test_prints += name == "status"
                self.compare(index, action, "<%02x>" % self.run["status"], values and values[0],
                             failed)
            elif name == "read-all":
                read_all_into(self.form, self.store)
            elif name == "write-all" and not self.write_all():
                return  # refused before anything is sent, which ends the run
            elif name == "set" and not apply_set(self.form, *action[1].split("=", 1)):
                return  # a box of a group nobody gave: refused, which ends the run
            elif name == "load" and not self.load(os.path.join(self.dir, action[1])):
                return  # a careful tool ends the run at a profile it refuses
            elif name == "show":
                self.check_show(index, action, out)
            elif name == "save":
                out.skip_boxes()
                saved = read_file(os.path.join(self.dir, action[1]))
                if saved is not None:
                    got = fields_of_json(saved)
                    as_saved = {k: "" if v is None else v for k, v in self.form.items()}
                    self.compare(index, action, as_json(as_saved), got, out.failed_since_value)

    def check_show(self, index, action, out):
        if action[1:] == ["--json"]:
            values, failed = out.take_values(json_show_lines())
            got = fields_of_json("\n".join(values)) if values else None
            self.compare(index, action, as_json(self.form), got, failed)
        else:
            values, failed = out.take_values(len(FIELD_NAMES))
            got = values and "\n".join(values)
            if values and values == shown_lines(values_of(values)):
                got = values_of(values)  # well formed: compared field by field
            self.compare(index, action, self.form, got, failed)

    def write_all(self):
        """False, sending nothing, when LinesToSkip and ValidationOptions (one byte) are one known
        and one not, or when a known number field holds what Write All cannot write as typed (a
        printer's ClampDelay of 200, read into the form). Unknown fields are not written."""
        if any(len({self.form[name] is None for name in fields_of(fid)}) > 1 for fid in PARTS):
            return False
        if not all(self.form[name] is None or self.strictly_valid(name, self.form[name])
                   for name in numbers()):
            return False
        for fid, name, kind, limit in FEATURES:
            value = byte_to_write(self.form, fid)
            if value is not None:
                self.store[fid] = value
                self.meant[fid].add(value)
        return True

    def load(self, path):
        profile = parse_json(read_file(path) or "")
        if isinstance(profile, dict) and sorted(profile) == sorted(FIELD_NAMES):
            if all(self.strictly_valid(k, v) for k, v in profile.items()):
                for k, v in profile.items():
                    if v != "":  # "" leaves the field as it is, known or not
                        self.form[k] = v.upper() if FIELDS[k]["kind"] == "flags" else v
                return True
        self.refused_load = True
        return False

    @staticmethod
    def strictly_valid(name, value):
        """As a profile reads it: "" (leave as it is) is good for every field."""
        if value == "":
            return True
        field = FIELDS[name]
        if field["kind"] == "number":
            return value.isdigit() and int(value) <= field["bound"]
        if field["kind"] == "font":
            return value in CODE_OF_FONT or value == "none"
        return all(c in "0123456789abcdefABCDEF" for c in value) and 0 < len(value) <= 2 and \
            int(value, 16) & ~field["bits"] == 0

    def check_store(self, rc, state):
        """The store afterwards: exactly what was meant after a success; after a failure each
        feature holds its old value or one a write-all meant, never anything else."""
        for fid in range(256):
            got, old, meant = state[fid], self.initial[fid], self.meant.get(fid, set())
            label = "%d %s" % (fid, NAME_OF_ID.get(fid, ""))
            if got != old and not meant and fid in NAME_OF_ID:
                self.finding("feature written that nobody read, loaded or set",
                             "feature %s holds %d; it held %d, and the run never gave it" %
                             (label, got, old))
            elif got != old and got not in meant:
                self.finding("wrong value written to the printer",
                             "feature %s holds %d; it held %d, and %s" %
                             (label, got, old, "write-all meant " + " or ".join(
                                 str(m) for m in sorted(meant)) if meant else "nothing meant to "
                              "change it"))
            elif rc == 0 and got != self.store[fid] and self.run["knob"] == "hang-up":
                # Writes are not acknowledged: frames already in the line when the printer goes
                # away are lost without the host being able to tell.
                self.judge.counts["features whose write a hang-up lost"] += 1
            elif rc == 0 and got != self.store[fid]:
                self.finding("wrong value shown as success",
                             "write-all reported success, but feature %s holds %d, not %d" %
                             (label, got, self.store[fid]))


def parse_json(text):
    try:
        return json.loads(text)
    except ValueError:
        return text


# `show --json` and a saved profile end in this member, one key to a line, which names the printer
# read and when; the soak checks its shape and compares the fields without it.
INVENTORY_KEYS = ["link", "device", "serial", "setting", "time"]


def json_show_lines():
    """How many lines show --json prints: the fields are learned from the program at start."""
    return 1 + len(FIELD_NAMES) + 1 + len(INVENTORY_KEYS) + 1 + 1


NUMBER_NAMES = ("ClampDelay", "CustomerSpecialVersion", "SetupVersion", "SetupRevision",
                "LinesToSkip")


def fields_of_json(text):
    """The fields of show --json's or save's text, without a well-formed inventory member; the
    text itself when it is not that."""
    got = parse_json(text)
    if isinstance(got, dict) and isinstance(got.get("inventory"), dict) and \
            list(got["inventory"]) == INVENTORY_KEYS:
        del got["inventory"]
    return got


def as_json(form):
    """The form's fields as the JSON output gives them: a number field's plain digits (nine at
    most) as a number."""
    def value(name, text):
        digits = text and len(text) <= 9 and all(c in "0123456789" for c in text)
        if name in NUMBER_NAMES and digits:
            return int(text)
        return text
    return {name: value(name, text) for name, text in form.items()}


def run_bound_ms(run, messages):
    """The run's bound, with the time its failures may spend letting the line go quiet."""
    return run["bound_ms"] + QUIET_BOUND_MS * sum(messages.count(m) for m in QUIET_OWING_MESSAGES)


def judge_run(judge, run_id, run, run_dir):
    result = read_file(os.path.join(run_dir, "result"))
    if result is None:
        judge.add("crash", run_id, run, "the run left no result")
        return None
    rc, elapsed_ms = (int(x) for x in result.split())
    if run.get("edge"):
        judge_edge(judge, run_id, run, run_dir, rc, elapsed_ms)
        return elapsed_ms
    text = read_file(os.path.join(run_dir, "out")) or ""
    rss = (read_file(os.path.join(run_dir, "rss")) or "").strip().splitlines()
    judge.counts["runs"] += 1
    judge.counts["runs failed (exit 1), knob " + run["knob"]] += rc == 1
    judge.counts["runs, knob " + run["knob"]] += 1
    script = script_text(run["actions"])
    bound_ms = run_bound_ms(run, text)
    if rc == 124 or elapsed_ms > bound_ms:
        judge.add("hang", run_id, run, "'%s' took %d ms, bound %d ms%s" % (
            shown(script), elapsed_ms, bound_ms, " (killed)" if rc == 124 else ""))
    # After a time-out, GNU time reports the signal that timeout sent, not a crash.
    signalled = rc != 124 and any("terminated by signal" in line for line in rss)
    if rc not in (0, 1, 2, 124) or signalled:
        judge.add("crash", run_id, run, "'%s' ended with status %d %s" % (
            shown(script), rc, shown(" ".join(rss))))
        return elapsed_ms
    check_messages(judge, run_id, run, rc, text, script)
    if rc == 124:
        return elapsed_ms
    check = RunCheck(judge, run_id, run, run_dir)
    state = read_state(os.path.join(run_dir, "state"))
    if run["refuse"] or rc == 2:
        check_refusal(judge, run_id, run, rc, state, check, script)
        return elapsed_ms
    check.replay(Output(text))
    check_cut_warnings(judge, run_id, run, text, check.cut_texts_shown)
    if state is not None:
        if check.refused_load and rc == 0:
            judge.add("bad input accepted", run_id, run, "a bad profile was loaded and written")
        check.check_store(rc, state)
    printed = read_file(os.path.join(run_dir, "printed"), "rb")
    if rc == 0 and printed is not None and printed != b"testing\n\n" * check.test_prints:
        judge.add("wrong value shown as success", run_id, run,
                  "the printer printed %s" % shown(printed))
    if rss and rss[-1].isdigit():
        judge.counts["rss samples"] += 1
        judge.rss.append(int(rss[-1]))
    return elapsed_ms


def model_after(run, run_dir, subrun):
    """The store the model says a whole run of `subrun` leaves, and whether it ends in success."""
    check = RunCheck(Judge(), "", run, run_dir)
    ok = True
    for action in split_actions(subrun):
        if action[0] == "read-all":
            read_all_into(check.form, check.store)
        elif action[0] == "load":
            ok = check.load(os.path.join(run_dir, action[1]))
        elif action[0] == "write-all":
            ok = check.write_all()
        if not ok:
            break
    return check, ok


def judge_edge(judge, run_id, run, run_dir, rc, elapsed_ms):
    """A run at the edge of the process (EDGES): each of its tq9000ctl runs by its own output and
    exit status, and the printer's store and print log afterwards."""
    kind = run["edge"]
    judge.counts["runs"] += 1
    judge.counts["runs, knob " + run["knob"]] += 1
    judge.counts["edge runs, " + kind] += 1
    if rc == 124 or elapsed_ms > run["bound_ms"]:
        judge.add("hang", run_id, run, "%s took %d ms, bound %d ms" % (kind, elapsed_ms,
                                                                      run["bound_ms"]))
        return
    codes = [read_file(os.path.join(run_dir, "rc.%d" % (i + 1))) for i in range(len(run["subruns"]))]
    if any(code is None for code in codes):
        judge.add("crash", run_id, run, "a run of %s left no exit status" % kind)
        return
    codes = [int(code) for code in codes]
    state = read_state(os.path.join(run_dir, "state"))
    printed = read_file(os.path.join(run_dir, "printed"), "rb")
    {"chain": judge_chain, "pipe": judge_whole_write, "signal-write": judge_whole_write,
     "stdout-closed": judge_stdout_closed, "stdout-full": judge_stdout_full,
     "signal-save": judge_signal_save}[kind](judge, run_id, run, run_dir, codes, state, printed)


def judge_chain(judge, run_id, run, run_dir, codes, state, printed):
    store = {int(k): v for k, v in run["store"].items()}
    for i, (subrun, code) in enumerate(zip(run["subruns"], codes)):
        out = (read_file(os.path.join(run_dir, "out.%d" % (i + 1))) or "").rstrip("\n")
        expected = ("<%02x>" % run["status"] if subrun[0] in STATUS_ACTIONS
                    else "%02X" % store.get(int(subrun[1]), 0))
        judge.counts["chained runs"] += 1
        judge.counts["chained runs that showed a value"] += code == 0
        if code == 0 and out != expected:
            judge.add("wrong value shown as success", run_id, run,
                      "run %d of the chain, '%s': expected %s, shown %s" % (
                          i + 1, " ".join(subrun), expected, shown(out)))
        elif code not in (0, 1):
            judge.add("crash", run_id, run, "run %d of the chain ended with %d" % (i + 1, code))


def judge_whole_write(judge, run_id, run, run_dir, codes, state, printed):
    """Every feature the write-all was to change holds its old value or its new one, never a mix
    of the two among the features; a run that ended 0 or by a signal that came after Write All
    began wrote them all."""
    check, ok = model_after(run, run_dir, run["subruns"][0])
    initial = {int(k): v for k, v in run["store"].items()}
    changed = [fid for fid, _, _, _ in FEATURES if check.store[fid] != initial.get(fid, 0)]
    if state is None:
        judge.add("crash", run_id, run, "the simulator left no state")
        return
    written = [fid for fid in changed if state[fid] == check.store[fid]]
    stray = [fid for fid, _, _, _ in FEATURES
             if state[fid] not in (initial.get(fid, 0), check.store[fid])]
    code = codes[0]
    signal = SIGNALS.get(run.get("signal", ""), 0)
    if signal and code == 128 + signal:
        judge.counts["Write Alls a signal ended"] += 1
        judge.counts["  of which all written" if len(written) == len(changed) else
                     "  of which none written" if not written else "  of which partly written"] += 1
    if stray:
        judge.add("wrong value written to the printer", run_id, run, "features %s" % stray)
    if written and len(written) != len(changed):
        judge.counts["printers left half-written"] += 1
        judge.add("printer left half-written", run_id, run, "%d of %d features written" % (
            len(written), len(changed)))
    if code == 0 and ok and len(written) != len(changed):
        judge.add("wrong value shown as success", run_id, run,
                  "exit 0 but %d of %d features written" % (len(written), len(changed)))
    if code not in (0, 1) and code != 128 + signal:
        judge.add("crash", run_id, run, "ended with %d" % code)
    judge.counts["edge %s: exit %d" % (run["edge"], code)] += 1


def judge_stdout_closed(judge, run_id, run, run_dir, codes, state, printed):
    expected = b"testing\n\n" if run["subruns"][0][0] == "status" else b""
    if printed is not None and printed != expected:
        judge.add("output printed on the receipt", run_id, run, "the printer printed %s" %
                  shown(printed))
    if codes[0] != 0:
        judge.add("exit status disagrees with the messages", run_id, run,
                  "with standard output closed, exit %d" % codes[0])


def judge_stdout_full(judge, run_id, run, run_dir, codes, state, printed):
    err = read_file(os.path.join(run_dir, "err.1")) or ""
    if codes[0] != 1 or "standard output: cannot be written" not in err:
        judge.add("lost output reported as success", run_id, run, "'%s' > /dev/full: exit %d%s" % (
            " ".join(run["subruns"][0]), codes[0], "" if "cannot be written" in err else
            ", nothing said"))


def judge_signal_save(judge, run_id, run, run_dir, codes, state, printed):
    left = [n for n in os.listdir(run_dir) if ".tq9000-" in n or n.startswith(".tq9000")]
    judge.counts["saves interrupted"] += 1
    if left:
        judge.counts["temporary files left"] += len(left)
        judge.add("temporary file left", run_id, run, "%s after SIG%s at %.3f s" % (
            ", ".join(left), run["signal"], run["after_s"]))
    saved = read_file(os.path.join(run_dir, "saved.json"))
    if saved is not None and not isinstance(parse_json(saved), dict):
        judge.add("wrong value written to the printer", run_id, run, "saved.json is not whole")
    signal = SIGNALS[run["signal"]]
    if codes[0] not in (0, 1, 128 + signal):
        judge.add("crash", run_id, run, "ended with %d" % codes[0])


def check_cut_warnings(judge, run_id, run, text, cut_texts_shown):
    """One warning for each text shown cut, and none for a text shown whole. (Noise ahead of a
    text reply can make it longer than the printer's text: not judged under the garbage knob.)"""
    warnings = sum(line.startswith(WARNING) for line in text.split("\n"))
    if run["knob"] != "garbage" and warnings != cut_texts_shown:
        judge.add("wrong value shown as success", run_id, run,
                  "%d texts shown cut, %d warnings that a text was cut" % (cut_texts_shown,
                                                                          warnings))


def check_messages(judge, run_id, run, rc, text, script):
    lines = text.split("\n")
    failures = [line for line in lines if is_failure(line)]
    if rc == 0 and failures:
        judge.add("exit status disagrees with the messages", run_id, run,
                  "'%s' exited 0 after %s" % (shown(script), shown(failures[0])))
    if rc == 1 and not failures:
        judge.add("exit status disagrees with the messages", run_id, run,
                  "'%s' exited 1 with no failure message" % shown(script))


def check_refusal(judge, run_id, run, rc, state, check, script):
    """Input a careful tool refuses: a usage error (exit 2) that sends nothing."""
    if rc != 2 and run["refuse"]:
        bad = [a[1] for a in run["actions"] if a[0] == "set" and not valid_set(a[1])]
        held = ""
        for name in (b.split("=")[0] for b in bad):
            fid = FIELDS[name]["id"] if name in FIELDS else None
            if state is not None and fid is not None:
                held += "; %s holds %d (it held %d)" % (NAME_OF_ID[fid], state[fid],
                                                         check.initial[fid])
        judge.add("bad input accepted", run_id, run, "'%s' exited %d%s" % (
            " ".join("set " + b for b in bad) or shown(script), rc, held))
    elif rc == 2 and state is not None and state != {i: v for i, v in enumerate(check.initial)}:
        judge.add("wrong value written to the printer", run_id, run,
                  "a usage error changed the store")
    elif rc == 2 and not run["refuse"]:
        judge.counts["unexpected usage errors"] += 1
        judge.add("exit status disagrees with the messages", run_id, run,
                  "'%s' was refused as a usage error" % shown(script))


def valid_set(argument):
    if "=" not in argument:
        return False
    name, value = argument.split("=", 1)
    if value == "":
        return False  # set has no empty value; a profile's "" keeps the field
    if name.isdigit():
        return int(name) in CHECK_BOXES and value in ("0", "1")
    return name in FIELD_NAMES and RunCheck.strictly_valid(name, value)


# ---------------------------------------------------------------------------------------------
# Descriptors and memory of the long runs: samples "sim_fds ctl_fds ctl_rss_kb", one a line.

def sample_growth(run_dir):
    text = read_file(os.path.join(run_dir, "samples"))
    rows = [tuple(int(x) for x in line.split()) for line in (text or "").splitlines()
            if len(line.split()) == 3]
    rows = rows[2:]  # the first samples may catch tq9000ctl before its start-up has opened all
    if len(rows) < 6:
        return None
    third = len(rows) // 3
    first, last = rows[:third], rows[-third:]
    # The most descriptors in a stretch is the count while a command holds the port, which every
    # stretch of a long run catches (its time goes to replies); a leak raises it from stretch to
    # stretch. The fewest would not do: a command closes and opens its port and events in turn.
    return tuple(max(r[i] for r in last) - max(r[i] for r in first) for i in range(3)) + (
        len(rows),)


def check(work, jobs, wall, load):
    with open(os.path.join(work, "plan.json")) as f:
        plan_data = json.load(f)
    judge = Judge()
    judge.rss = []
    elapsed, growth, beyond = [], [], []
    for index, run in enumerate(plan_data["runs"]):
        run_dir = os.path.join(work, "runs", "%05d" % index)
        ms = judge_run(judge, "%05d" % index, run, run_dir)
        if ms is not None:
            messages = read_file(os.path.join(run_dir, "out")) or ""
            elapsed.append(ms / run_bound_ms(run, messages))
            if not run.get("edge"):  # an edge run's own sleeps are no pause of the tool's
                beyond.append(ms - run["pauses_ms"])
        if run["long"]:
            g = sample_growth(run_dir)
            if g:
                growth.append(g)
    judge.beyond = sorted(beyond)
    return report(work, plan_data, judge, elapsed, growth, jobs, wall, load)


def report(work, plan_data, judge, elapsed, growth, jobs, wall, load):
    runs = plan_data["runs"]
    per_action = Counter(a[0] for run in runs for a in run["actions"])
    by_category = Counter(f[0] for f in judge.findings)
    print("soak: %d commands (tq9000ctl actions) in %d runs, %d at a time, seed %s: %.0f s wall"
          % (plan_data["commands"], len(runs), jobs, plan_data["seed"], wall))
    print("  load average (1 min) before and after: %s" % load)
    print("  actions: " + ", ".join("%s %d" % kv for kv in sorted(per_action.items())))
    print("  knobs (runs / exit 1): " + ", ".join(
        "%s %d/%d" % (k, judge.counts["runs, knob " + k], judge.counts["runs failed (exit 1), knob "
                                                                       + k]) for k in KNOBS))
    print("  edge runs: " + ", ".join("%s %d" % (k, judge.counts["edge runs, " + k])
                                      for k in EDGES))
    for category in FATAL:
        print("%-50s %d" % (category + ":", by_category[category]))
    for counter in ("wrong values shown after a failure", "features whose write a hang-up lost",
                    "noise hidden in a text reply's lead", "chained runs",
                    "chained runs that showed a value", "saves interrupted",
                    "printers left half-written", "temporary files left",
                    "Write Alls a signal ended", "  of which all written",
                    "  of which none written", "  of which partly written"):
        print("%-50s %d" % (counter + ":", judge.counts[counter]))
    if elapsed:
        print("%-42s %.2f (median %.2f)" % ("slowest run, share of its bound:", max(elapsed),
                                             statistics.median(elapsed)))
        beyond = judge.beyond
        print("%-42s median %d ms, 99th centile %d ms, max %d ms" % (
            "time beyond the fixed pauses:", beyond[len(beyond) // 2],
            beyond[len(beyond) * 99 // 100], beyond[-1]))
    if growth:
        print("%-42s sim %+d, tq9000ctl %+d (%d long runs, %d samples)" % (
            "descriptors, growth over a long run:", max(g[0] for g in growth),
            max(g[1] for g in growth), len(growth), sum(g[3] for g in growth)))
        print("%-42s %+d KB at most" % ("resident memory, growth over a long run:",
                                        max(g[2] for g in growth)))
    if judge.rss:
        print("%-42s max %d KB, median %d KB" % ("resident memory of tq9000ctl (max RSS):",
                                                 max(judge.rss), statistics.median(judge.rss)))
    print_findings(judge.findings, work)
    return 1 if any(by_category[c] for c in FATAL) else 0


def print_findings(findings, work):
    if not findings:
        return
    print("\nfindings (up to 3 of each kind for each knob; all of them in findings.txt):")
    seen = Counter()
    with open(os.path.join(work, "findings.txt"), "w") as everything:
        for category, run_id, knob, knob_args, detail in findings:
            line = "  %s: run %s [%s%s] %s" % (category, run_id, knob,
                                               " " + knob_args if knob_args else "", detail)
            everything.write(line + "\n")
            seen[(category, knob)] += 1
            if seen[(category, knob)] <= 3:
                print(line)
    print("\nfindings by kind and knob:")
    for (category, knob), count in sorted(seen.items()):
        print("  %-42s %-14s %d" % (category, knob, count))


def main(argv):
    if len(argv) == 6 and argv[1] == "plan":
        ask_fields(argv[5], argv[2])
        plan(argv[2], int(argv[3]), int(argv[4]))
        return 0
    if len(argv) == 6 and argv[1] == "check":
        with open(os.path.join(argv[2], "fields.json")) as f:
            learn_fields(f.read())
        return check(argv[2], int(argv[3]), float(argv[4]), argv[5])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
