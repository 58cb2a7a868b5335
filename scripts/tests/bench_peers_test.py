#!/usr/bin/env python3
"""bench-peers' verdict on a canned benchmark report and canned peer lines: the goals are judged by CPU time, so a
run whose wall clock a loaded machine stretched still meets them, and one that really misses by CPU time fails;
both ratios are given."""

import io
import json
import os
import runpy
import sys
import types
from contextlib import redirect_stdout

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "bench-peers")


def load():
    """The script as a module, its main not run."""
    return types.SimpleNamespace(**runpy.run_path(SCRIPT, run_name="bench_peers"))


def report(runs):
    """Google Benchmark's JSON for (name, wall, cpu, unit[, image]) means, with a repetition row that must be left
    out."""
    benchmarks = []
    for name, wall, cpu, unit, *image in runs:
        row = {"run_name": name, "aggregate_name": "mean", "real_time": wall, "cpu_time": cpu, "time_unit": unit}
        if image:
            row["image"] = image[0]
        benchmarks.append(row)
        benchmarks.append(dict(row, aggregate_name="stddev", real_time=0.001, cpu_time=0.001))
    return json.loads(json.dumps({"context": {}, "benchmarks": benchmarks}))


def peer(file, wall, cpu, packets=("af1f",), ok=True):
    return json.dumps({"file": file, "ok": ok, "compression": 0, "packets": list(packets), "warmMeanMs": wall,
                       "warmCpuMs": cpu})


def main():
    bench = load()
    failures = []

    def check(what, condition):
        if not condition:
            failures.append(what)

    files = ["a_N0Q", "b_N0U", "c_DVL", "d_NTP", "e_NST"]
    # a, b: run-length radials; the machine's load stretched our wall clock 4x. c: bzip2 with an image, its floor
    # met by CPU time only. d: bzip2 without an image (no floor goal). e: the peer cannot read it.
    runs = [("decode/a_N0Q", 400.0, 100.0, "us"), ("decode/b_N0U", 0.2, 0.05, "ms"),
            ("decode/c_DVL", 3.0, 1.2, "ms"), ("bzip2_floor/c_DVL", 1.5, 1.0, "ms"),
            ("decode/d_NTP", 2.0, 2.0, "ms", 0), ("bzip2_floor/d_NTP", 1.0, 1.0, "ms"),
            ("decode/e_NST", 1.0, 1.0, "ms")]
    lines = [peer("a_N0Q", 3.0, 2.5), peer("b_N0U", 2.0, 1.5), peer("c_DVL", 9.0, 9.0, ("bzip",)),
             peer("d_NTP", 8.0, 8.0, ("1",)), peer("e_NST", 1.0, 1.0, ok=False), ""]
    rows, missed = bench.verdict(files, report(runs), lines)
    by_file = {row[0]: row for row in rows}
    check(f"a loaded machine fails the verdict: {rows}", missed == 0)
    check(f"rows: {rows}", [row[0] for row in rows] == files + ["geomean of 2 AF1F products"])
    # CPU: 2.5 / 0.1 = 25; wall: 3.0 / 0.4 = 7.5.
    check(f"a_N0Q: {by_file['a_N0Q']}", by_file["a_N0Q"][5:] == ("25.0", "7.5", ">=10", "yes"))
    check(f"b_N0U: {by_file['b_N0U']}", by_file["b_N0U"][5:] == ("30.0", "10.0", ">=10", "yes"))
    check(f"c_DVL: {by_file['c_DVL']}", by_file["c_DVL"][5:] == ("1.20f", "2.00f", "<=1.3f", "yes"))
    check(f"d_NTP has no goal: {by_file['d_NTP']}", by_file["d_NTP"][7:] == ("", ""))
    check(f"e_NST has no peer: {by_file['e_NST']}", by_file["e_NST"][3:5] == (None, None))
    geomean = by_file["geomean of 2 AF1F products"]
    check(f"geomean: {geomean}", geomean[5] == "27.4" and geomean[6] == "8.7" and geomean[8] == "yes")
    check(f"milliseconds from microseconds: {by_file['a_N0Q']}", by_file["a_N0Q"][1:3] == (0.1, 0.4))

    # By CPU time the first product misses its goal and drags the geomean below 20: two misses, whatever the
    # wall clock says.
    slow = [("decode/a_N0Q", 100.0, 400.0, "us")] + runs[1:]
    rows, missed = bench.verdict(files, report(slow), lines)
    check(f"a miss by CPU time passes: {rows}", missed == 2)
    check(f"the missed row: {rows[0]}", rows[0][5:] == ("6.2", "30.0", ">=10", "NO"))

    # The floor missed by CPU time.
    over = runs[:2] + [("decode/c_DVL", 1.0, 1.4, "ms")] + runs[3:]
    rows, missed = bench.verdict(files, report(over), lines)
    check(f"a missed floor passes: {rows}", missed == 1)

    # The table prints both ratios.
    out = io.StringIO()
    with redirect_stdout(out):
        bench.print_table(bench.verdict(files, report(runs), lines)[0])
    text = out.getvalue()
    check(f"the table: {text}", "cpu x" in text and "wall x" in text and "25.0     7.5" in text)

    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
