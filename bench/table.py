#!/usr/bin/env python3
"""Prints the table of benchmark medians from the JSON files of bench/run_all.sh.

Usage: table.py RESULTS_FOLDER [RESULTS_FOLDER_BEFORE]
Each folder holds <program>_<contacts>.json. With a second folder, each cell shows "before -> after".
"""
import glob
import json
import os
import re
import sys

SIZES = [10000, 100000, 1000000]

# (label, program, benchmark, value, unit, target)
ROWS = [
    ("DupeCheck", "logging", "BM_DupeCheck", "time", "us", "within 2x of the floor"),
    ("  raw SQLite C API, same statement (floor)", "logging", "BM_DupeCheck_Floor", "time", "us", ""),
    ("  DupeCheck / floor", "logging", ("BM_DupeCheck", "BM_DupeCheck_Floor"), "ratio", "x", "<= 2"),
    ("  DupeCheck without the call index", "logging", "BM_DupeCheck_NoIndex", "time", "ms", "(information)"),
    ("LogAddRecord", "logging", "BM_LogAddRecord", "time", "us", "within 2x of the floor"),
    ("  raw SQLite C API, same statement (floor)", "logging", "BM_LogAddRecord_Floor", "time", "us", ""),
    ("  LogAddRecord / floor", "logging", ("BM_LogAddRecord", "BM_LogAddRecord_Floor"), "ratio", "x", "<= 2"),
    ('keystroke "" -> "K"', "logging", "BM_Keystroke/1", "time", "ms", "< 1 ms at 1M"),
    ('keystroke "K" -> "KB"', "logging", "BM_Keystroke/2", "time", "ms", "< 1 ms at 1M"),
    ('keystroke "KB" -> "KB1"', "logging", "BM_Keystroke/3", "time", "ms", "< 1 ms at 1M"),
    ('keystroke "KB1" -> "KB1A"', "logging", "BM_Keystroke/4", "time", "ms", "< 1 ms at 1M"),
    ('keystroke "KB1A" -> "KB1AB"', "logging", "BM_Keystroke/5", "time", "ms", "< 1 ms at 1M"),
    ('keystroke "KB1AB" -> "KB1ABC"', "logging", "BM_Keystroke/6", "time", "ms", "< 1 ms at 1M"),
    ('keystroke "T": 5,000 matches all logged last', "logging", "BM_Keystroke_ManyLoggedLast", "time", "ms",
     "(worst case)"),
    ("logging a contact (DoLog)", "logging", "BM_DoLog", "time", "ms", ""),
    ("selecting the log again", "logging", "BM_SelectLog", "time", "ms", "< 30 ms at 100k, < 100 ms at 1M"),
    ("selecting the log, first in a session", "logging", "BM_SelectLog_FirstInSession", "time", "ms",
     "< 30 ms at 100k, < 100 ms at 1M"),
    ("  counting the log (one aggregate pass)", "logging", "BM_Recount", "time", "ms", "counts not kept"),
    ("processing (three files)", "process", "BM_ProcessLog", "time", "ms", "< 2.5 s at 1M"),
    ("peak memory while processing", "process", "BM_ProcessLog", "peak_MB", "MB", "< 100 MB at 1M"),
    ("  size of the three files", "process", "BM_ProcessLog", "files_MB", "MB", ""),
]

SCALE = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}  # to microseconds


def base_name(name):
    return re.sub(r"/(iterations|repeats|min_time):[^/_]+", "", name)


def load(folder, kind):
    """{(program, contacts): {benchmark: entry}} with the median aggregate (or the only run)."""
    result = {}
    for path in glob.glob(os.path.join(folder, "*.json")):
        m = re.match(r"(\w+?)_(\d+)\.json$", os.path.basename(path))
        if not m:
            continue
        with open(path) as f:
            data = json.load(f)
        entries = {}
        for b in data.get("benchmarks", []):
            name = base_name(b.get("run_name", b["name"]))
            if b.get("run_type") == "aggregate":
                if b.get("aggregate_name") == "median":
                    entries[name] = b
            elif name not in entries:
                entries[name] = b
        result[(m.group(1), int(m.group(2)))] = entries
    return result


def value(data, program, size, bench, what, unit, kind):
    entries = data.get((program, size), {})
    if what == "ratio":
        a = value(data, program, size, bench[0], "time", "us", kind)
        b = value(data, program, size, bench[1], "time", "us", kind)
        return a / b if a is not None and b else None
    e = entries.get(bench)
    if e is None:
        return None
    if what == "time":
        t = e["cpu_time" if kind == "cpu" else "real_time"] * SCALE[e["time_unit"]]
        return t / SCALE[unit]
    return e.get(what)


def fmt(v, unit):
    if v is None:
        return "–"
    if unit == "x":
        return "%.2f×" % v
    if unit == "us":
        return "%.1f µs" % v
    if unit == "ms":
        return ("%.3f ms" if v < 1 else "%.1f ms" if v < 100 else "%.0f ms") % v
    return "%.0f %s" % (v, unit)


def table(after, before, kind):
    head = "| measure (%s time, medians) | 10k | 100k | 1M | target |" % ("CPU" if kind == "cpu" else "wall")
    print(head)
    print("|---|---|---|---|---|")
    for label, program, bench, what, unit, target in ROWS:
        cells = []
        for size in SIZES:
            a = fmt(value(after, program, size, bench, what, unit, kind), unit)
            if before is not None:
                b = fmt(value(before, program, size, bench, what, unit, kind), unit)
                a = "%s → %s" % (b, a)
            cells.append(a)
        print("| %s | %s | %s |" % (label, " | ".join(cells), target))
    print()


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    after = load(sys.argv[1], "")
    before = load(sys.argv[2], "") if len(sys.argv) > 2 else None
    for kind in ("cpu", "wall"):
        table(after, before, kind)
    return 0


if __name__ == "__main__":
    sys.exit(main())
