#!/usr/bin/env python3
"""Runs scripts/mutation-sample on a small fixture: a mutant the test catches is killed, one it cannot see survives,
one in a program run only through `cmake -P` is built and killed, a mutant built into a program for one label never
reaches a later label's run, a replay after the fixture's test stops checking reports the lost kill, and no site whose
mutant would equal the original or could not be built (forms.cpp's lines marked "not drawn") is drawn."""

import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TOOL = os.path.join(os.path.dirname(HERE), "mutation-sample")


def run(args, expect):
    # Tests inherit the caller's environment: without TMPDIR here, the fixture's tests must not find one.
    env = {k: v for k, v in os.environ.items() if k != "TMPDIR"}
    proc = subprocess.run([sys.executable, TOOL] + args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          env=env)
    if proc.returncode != expect:
        sys.exit("exit %d (expected %d) from %s:\n%s" % (proc.returncode, expect, " ".join(args), proc.stdout))
    return proc.stdout


def statuses(path):
    with open(path, encoding="utf-8") as f:
        return {(r["file"], r["line"], r["replacement"]): r["status"] for r in json.load(f)["results"]}


def marked_lines(path, marker):
    with open(path, encoding="utf-8") as f:
        return {n for n, line in enumerate(f, 1) if line.rstrip().endswith("// " + marker)}


def main():
    for tool in ("cmake", "ninja", "ctest", "c++"):
        if not shutil.which(tool):
            print("%s not found: skipped" % tool)
            return 77
    with tempfile.TemporaryDirectory(prefix="mutation-sample-test-") as tmp:
        source = os.path.join(tmp, "fixture")
        shutil.copytree(os.path.join(HERE, "mutation-fixture"), source)
        common = ["--source", source, "--plan", os.path.join(source, "plan.txt"), "--work", os.path.join(tmp, "work"),
                  "--no-ccache", "--timeout", "30"]
        first = os.path.join(tmp, "first.json")
        # A floor above every label's site count draws every site, so a form the sampler should skip shows up.
        out = run(common + ["--count", "2", "--min-per-label", "100", "--seed", "1", "--json", first], 0)
        # Twice's mutant is caught; Square's is not; halve is reached only through cmake -P and must be rebuilt;
        # the unnamed label runs calc_test after Twice's mutant was built into it and must not see that mutant.
        expected = {("calc.cpp", 4, "{}"): "survived", ("calc.cpp", 9, "{}"): "killed",
                    ("unused.cpp", 4, "{}"): "survived", ("unused.cpp", 4, "6"): "survived",
                    ("halve.cpp", 6, "0"): "killed", ("halve.cpp", 6, "1"): "killed"}
        # forms.cpp is never called: its drawn returns survive.
        forms = os.path.join(source, "forms.cpp")
        skipped, drawn = marked_lines(forms, "not drawn"), marked_lines(forms, "drawn")
        if not skipped or not drawn:
            sys.exit("forms.cpp has no marked lines")
        with open(forms, encoding="utf-8") as f:
            text = f.read().splitlines()
        wrong = sorted(k for k in statuses(first) if k[0] == "forms.cpp" and k[1] in skipped)
        if wrong:
            sys.exit("drawn though its mutant is equal or cannot be built:\n%s" % "\n".join(
                "  forms.cpp:%d -> %s   %s" % (line, new, text[line - 1].strip()) for _, line, new in wrong))
        expected.update({("forms.cpp", line, "{}"): "survived" for line in drawn})
        if statuses(first) != expected:
            sys.exit("expected %s, got %s:\n%s" % (expected, statuses(first), out))
        if "calc.cpp:4:12" not in out.split("survivors")[1]:
            sys.exit("the survivor is not listed:\n" + out)
        if "label unnamed's 1 tests run none of the programs" not in out:
            sys.exit("no warning for a label whose tests name no program:\n" + out)

        # The test no longer checks anything: the replay must report Twice's mutant as killed before, surviving now.
        with open(os.path.join(source, "calc_test.cpp"), "w", encoding="utf-8") as f:
            f.write("int Twice(int inValue);\n\nint main()\n{\n    Twice(21);\n    return 0;\n}\n")
        # A file the source no longer has must leave the worker's copy (a stale Tests/*.cmake would still count).
        stray = os.path.join(tmp, "work", "w1", "src", "stray.cmake")
        open(stray, "w").close()
        second = os.path.join(tmp, "second.json")
        out = run(common + ["--replay", first, "--json", second], 1)
        if os.path.exists(stray):
            sys.exit("a file missing from the source stayed in the worker's copy")
        expected[("calc.cpp", 9, "{}")] = "survived"
        if statuses(second) != expected:
            sys.exit("replay gave %s:\n%s" % (statuses(second), out))
        lost = out.split("killed before, surviving now (1):")
        if len(lost) != 2 or "calc.cpp:9:12" not in lost[1]:
            sys.exit("the lost kill is not listed:\n" + out)
    print("mutation-sample: killed, survived and lost kill reported as expected")
    return 0


if __name__ == "__main__":
    sys.exit(main())
