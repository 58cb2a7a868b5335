#!/usr/bin/env python3
"""Prints the 3-decimal rows of FxUtilitiesTest.cpp: code, typed text, whether it passes, and the text after
validation. Python's float() reads the number and its fixed-point format writes it; no value lies on a rounding
tie. Run once; paste the output."""
import math
import re

LIMITS = {"LATI": 90.0, "LONG": 180.0, "FLOT": math.inf}
CASES = [
    ("LATI", "91"), ("LATI", "45.25"), ("LATI", "-90"), ("LATI", "90.0001"), ("LATI", "12.3456e1 N"),
    ("LATI", "NaN"), ("LONG", "180"), ("LONG", "-180.5"), ("LONG", "-179.9994"), ("LONG", ".5W"),
    ("FLOT", "NaN"), ("FLOT", "1e3"), ("FLOT", "-2.71828"), ("FLOT", "inf"),
]

for code, text in CASES:
    number = re.match(r"[+-]?(nan|inf|\d*\.?\d+(e[+-]?\d+)?)", text, re.I).group(0)
    value = float(number)
    passes = code == "FLOT" or (not math.isnan(value) and -LIMITS[code] <= value <= LIMITS[code])
    shown = "nan" if math.isnan(value) else "inf" if value == math.inf else f"{value:.3f}"
    print(f'        {{"{code}", u"{text}", {str(passes).lower()}, u"{shown}"}},')
