#!/usr/bin/env python3
"""check-edges and includes above their layer: a library file of the weather objects that includes a toolkit header
fails the check, whatever file it is, while a test program's same include is only noted; the repository itself
passes with no warning."""

import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "check-edges")
ROOT = os.path.join(HERE, "..", "..")


def run(root):
    return subprocess.run([sys.executable, SCRIPT, root], capture_output=True, text=True, timeout=120)


def main():
    failures = []
    upward = run(os.path.join(HERE, "edges-fixture", "upward"))
    if upward.returncode != 1:
        failures.append(f"the upward include passed ({upward.returncode}): {upward.stderr!r}")
    expected = ("check-edges: Frameworks/WeatherObjects/Common/Products/Radar/WxRadarLegend.cpp: includes "
                "FxMouseEvent.h of FaceObjects, above WeatherObjects")
    if expected not in upward.stderr.splitlines():
        failures.append(f"the failure does not name the include: {upward.stderr!r}")
    if upward.stderr.count("check-edges:") != 1:
        failures.append(f"more than the one upward include reported: {upward.stderr!r}")
    note = ("check-edges: note: Frameworks/WeatherObjects/Tests/WxRadarTest.cpp: includes FxMouseEvent.h of "
            "FaceObjects, above WeatherObjects (a test program)")
    if note not in upward.stdout.splitlines():
        failures.append(f"the test program's include is not noted: {upward.stdout!r}")

    repository = run(ROOT)
    if repository.returncode != 0:
        failures.append(f"the repository fails ({repository.returncode}): {repository.stderr!r}")
    for stream in (repository.stdout, repository.stderr, upward.stdout, upward.stderr):
        if "warning" in stream:
            failures.append(f"a warning printed: {stream!r}")
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
