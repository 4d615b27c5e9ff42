#!/usr/bin/python3
"""Prints one table of the benchmark results against their targets.

usage: bench_table.py RESULTS_DIR

Reads the Google Benchmark JSON files that scripts/bench.sh wrote there
(memo_bench.json, memo_qt_bench.json, package_extract_bench.json,
discovery_lab_bench.json) and the text outputs of the other benchmark entry
points (tftp.txt, ftp.txt). Exits with 1 when a result misses its target.
"""
import json
import os
import re
import sys


def load(results, name):
    path = os.path.join(results, name)
    if not os.path.exists(path):
        return None
    with open(path) as f:
        try:
            return {b["name"]: b for b in json.load(f).get("benchmarks", [])}
        except ValueError:
            return None


def counter(benchmarks, prefix, key):
    """The counter of the first benchmark whose name starts with prefix."""
    if not benchmarks:
        return None
    for name, b in benchmarks.items():
        if name.startswith(prefix) and "error_occurred" not in b and key in b:
            return b[key]
    return None


def skipped(benchmarks, prefix):
    if not benchmarks:
        return "not run"
    for name, b in benchmarks.items():
        if name.startswith(prefix) and b.get("error_occurred"):
            return b.get("error_message", "skipped")
    return "no result"


ROWS = []


def row(name, measured, ratio, target, limit, at_most, note=""):
    ROWS.append((name, measured, ratio, target, limit, at_most, note))


def main():
    results = sys.argv[1]

    pkg = load(results, "package_extract_bench.json")
    ratio = counter(pkg, "BM_ExtractVsCp", "vs_cp")
    if ratio is not None:
        ex = counter(pkg, "BM_ExtractVsCp", "extract_MBps")
        cp = counter(pkg, "BM_ExtractVsCp", "cp_MBps")
        row("package extraction / cp (64 MB, 6 entries)", "%.0f vs %.0f MB/s" % (ex, cp), ratio, ">= 0.80", 0.80,
            False)
        cpu = counter(pkg, "BM_ExtractVsCp", "cpu_vs_cp")
        if cpu is not None:
            row("package extraction / cp, in CPU time", "", cpu, "report", None, False)
    else:
        row("package extraction / cp (64 MB, 6 entries)", skipped(pkg, "BM_ExtractVsCp"), None, ">= 0.80", 0.80,
            False)

    for file, label in (("memo_bench.json", "System Log model"), ("memo_qt_bench.json", "System Log Qt view")):
        b = load(results, file)
        prefix = "BM_ModelAppendAt" if "model" in label else "BM_QtAppendAt"
        small = counter(b, prefix + "/1000/", "ns_per_line")
        large = counter(b, prefix + "/100000/", "ns_per_line")
        name = label + ": per line at 100k / at 1k"
        if small and large:
            row(name, "%.0f vs %.0f ns" % (large, small), large / small, "<= 1.50", 1.50, True)
        else:
            row(name, skipped(b, prefix), None, "<= 1.50", 1.50, True)
        # The Qt view's figure is CPU time; its wall time is shown beside it.
        wall_small = counter(b, prefix + "/1000/", "wall_ns_per_line")
        wall_large = counter(b, prefix + "/100000/", "wall_ns_per_line")
        if wall_small and wall_large:
            row(label + ": the same in wall time", "%.0f vs %.0f ns" % (wall_large, wall_small),
                wall_large / wall_small, "report", None, True)

    disc = load(results, "discovery_lab_bench.json")
    ratio = counter(disc, "BM_LabSearch", "ratio")
    name = "lab search / its floor"
    if ratio is not None:
        row(name, "%.0f vs %.0f ms" % (counter(disc, "BM_LabSearch", "search_ms"),
                                      counter(disc, "BM_LabSearch", "floor_ms")), ratio, "<= 1.10", 1.10, True)
    else:
        row(name, skipped(disc, "BM_LabSearch"), None, "<= 1.10", 1.10, True)

    # The recovery transfer's own script: engine against tftp-hpa and the lock-step limit.
    tftp = os.path.join(results, "tftp.txt")
    if os.path.exists(tftp):
        found = False
        for line in open(tftp):
            m = re.match(r"\s*(\S+MB)\s+median\s+(\S+) MB/s\s+(\S+) MB/s\s+(\S+) MB/s\s+(\S+)\s+(\S+)", line)
            if m:
                found = True
                size, engine, hpa, lock, vs_hpa, vs_lock = m.groups()
                row("TFTP engine / tftp-hpa (%s, median)" % size, "%s vs %s MB/s" % (engine, hpa), float(vs_hpa),
                    "report", None, False)
                row("TFTP engine / lock-step limit (%s, median)" % size, "%s vs %s MB/s" % (engine, lock),
                    float(vs_lock), "report", None, False)
        if not found:
            row("TFTP engine (bench/tftp/run_bench.sh)", "no result, see tftp.txt", None, "report", None, False)

    ftp = os.path.join(results, "ftp.txt")
    if os.path.exists(ftp):
        found = False
        for line in open(ftp):
            m = re.match(r"\s*(\d+MB)\s+(\S+)\s+(\S+)\s+(\S+)\s+", line)
            if m:
                found = True
                size, ours, curl, ratio = m.groups()
                row("FTP client / curl -T (%s, median)" % size, "%s vs %s MB/s" % (ours, curl), float(ratio),
                    "report", None, False)
        if not found:
            row("FTP client (bench/ftp)", "no result, see ftp.txt", None, "report", None, False)

    missed = 0
    width = max(len(r[0]) for r in ROWS)
    print("%-*s  %-26s %7s  %-8s %s" % (width, "benchmark", "measured", "ratio", "target", "result"))
    for name, measured, ratio, target, limit, at_most, note in ROWS:
        if ratio is None:
            verdict = "-"
        elif limit is None:
            verdict = "reported"
        elif (ratio <= limit) if at_most else (ratio >= limit):
            verdict = "met"
        else:
            verdict = "MISSED"
            missed += 1
        shown = "-" if ratio is None else "%.2f" % ratio
        print("%-*s  %-26s %7s  %-8s %s" % (width, name, measured, shown, target, verdict))
    sys.exit(1 if missed else 0)


if __name__ == "__main__":
    main()
