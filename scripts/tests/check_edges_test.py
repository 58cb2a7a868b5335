#!/usr/bin/env python3
"""check-edges on a fixture pair: an engine file that includes a kind's header fails it, its twin without that
include passes, and both print the declared component graph."""

import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "check-edges")
GRAPH = ["Engine -> Model", "Kinds/Obs -> Model, Engine", "Model -> (nothing)", "DataObjects -> CoreObjects"]


def run(variant):
    return subprocess.run([sys.executable, SCRIPT, os.path.join(HERE, "edges-fixture", variant)],
                          capture_output=True, text=True, timeout=60)


def main():
    failures = []
    allowed, forbidden = run("allowed"), run("forbidden")
    if allowed.returncode != 0:
        failures.append(f"the clean twin failed ({allowed.returncode}): {allowed.stderr}")
    if forbidden.returncode != 1:
        failures.append(f"the forbidden include passed ({forbidden.returncode})")
    expected = ("Frameworks/DataObjects/Common/Engine/DxEngine.cpp: includes DxObs.h of Kinds/Obs, "
                "which Engine does not declare")
    if expected not in forbidden.stderr:
        failures.append(f"the failure does not name the include: {forbidden.stderr!r}")
    if forbidden.stderr.count("check-edges:") != 1:
        failures.append(f"more than the one forbidden include reported: {forbidden.stderr!r}")
    for result in (allowed, forbidden):
        for line in GRAPH:
            if line not in result.stdout:
                failures.append(f"graph line {line!r} missing from: {result.stdout!r}")
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
