#!/usr/bin/env python3
"""Writes CxHardDoubles.inc: decimal texts that are hard to round, with the double Python's float() reads
(correctly rounded) and the float rounded once from the exact value of the text. Run from this folder:

    python3 make_hard_doubles.py > ../CxHardDoubles.inc
"""

import math
import random
import struct
from fractions import Fraction

HALF_ONE_ULP = "1.00000000000000011102230246251565404236316680908203125"  # 1 + 2^-53, a double halfway
HALF_FLOAT = "1.000000059604644775390625"  # 1 + 2^-24, a float halfway
TEXTS = [
    "1e23", "8.589973e9", "123456789012345678", "9007199254740993", "9007199254740995", "3.141592653589793238462",
    "1.7976931348623157e308", "1.7976931348623158e308", "1.8e308", "-1.8e308", "1e-400", "0.1", "-0.0",
    "2.2250738585072011e-308", "2.2250738585072012e-308", "4.9e-324", "2.4703282292062327e-324",
    "2.4703282292062328e-324", "3.4028235677973366e38", "1.4e-45", "7.006492321624085e-46",
    HALF_ONE_ULP, HALF_ONE_ULP[:-1] + "4", HALF_ONE_ULP + "0" * 900 + "1", "9007199254740993." + "0" * 780 + "1",
    HALF_FLOAT, HALF_FLOAT + "0" * 30 + "1", "1.00000005960464477550", "0." + "3" * 1000, "1" * 400,
    "1" + "0" * 330 + "e-330", "0." + "0" * 330 + "17e330", "inf", "-inf", "1e0000000000000000000000000000001",
]


def float32_bits(text):
    """The binary32 nearest the exact value of the text, ties to even."""
    if "inf" in text:
        return struct.unpack("<I", struct.pack("<f", float(text)))[0]
    value, exponent = abs(Fraction(text)), -149  # the step of the subnormals
    while value >= Fraction(2) ** (exponent + 24):
        exponent += 1
    nearest = round(value / Fraction(2) ** exponent) * Fraction(2) ** exponent  # round() ties to even
    single = math.inf if nearest >= 2**128 else float(nearest)
    return struct.unpack("<I", struct.pack("<f", -single if text.startswith("-") else single))[0]


def main():
    rng = random.Random(17)
    # 17 significant digits: random finite doubles of every magnitude, as written by "%.17g".
    randoms = (struct.unpack("<d", struct.pack("<Q", rng.getrandbits(63)))[0] for _ in range(60))
    texts = TEXTS + ["%.17g" % value for value in randoms if value - value == 0][:40]
    print("// Written by tools/make_hard_doubles.py from Python's float() and exact fractions; do not edit.")
    print("// clang-format off")
    print("struct HardCase { const char* mText; unsigned long long mDouble; unsigned mFloat; const char* mHex; };")
    print("const HardCase kHardCases[] = {")
    for text in texts:
        value = float(text)
        bits = struct.unpack("<Q", struct.pack("<d", value))[0]
        print('    {"%s", 0x%016XULL, 0x%08XU, "%s"},' % (text, bits, float32_bits(text), value.hex()))
    print("};")
    print("// clang-format on")


if __name__ == "__main__":
    main()
