#!/usr/bin/env python3
"""Writes CxHardDoubles.inc (python3 make_hard_doubles.py > ../CxHardDoubles.inc): texts hard to round, the double
Python's float() reads (correctly rounded) and the float rounded once from the text's exact value."""
import random
import struct
from fractions import Fraction

HALF = "1.00000000000000011102230246251565404236316680908203125"  # 1 + 2^-53, halfway between two doubles
TEXTS = [
    "1e23", "8.589973e9", "123456789012345678", "9007199254740993", "9007199254740995", "3.141592653589793238462",
    "1.7976931348623157e308", "1.7976931348623158e308", "1.8e308", "-1.8e308", "1e-400", "0.1", "-0.0",
    "2.2250738585072011e-308", "2.2250738585072012e-308", "4.9e-324", "2.4703282292062327e-324",
    "2.4703282292062328e-324", "3.4028235677973366e38", "1.4e-45", "7.006492321624085e-46", HALF, HALF[:-1] + "4",
    HALF + "0" * 900 + "1", "9007199254740993." + "0" * 780 + "1", "1.000000059604644775390625",  # a float halfway
    "1.0000000596046447753906250000000000000000000000000000001", "1.00000005960464477550", "0." + "3" * 1000,
    "1" * 400, "1" + "0" * 330 + "e-330", "0." + "0" * 330 + "17e330", "inf", "-inf", "1e00000000000000000000001"]


def float32_bits(text):
    """The binary32 nearest the exact value of the text, ties to even (round() of a Fraction)."""
    if "inf" not in text:
        value, exponent = abs(Fraction(text)), -149  # the step of the subnormals
        while value >= Fraction(2) ** (exponent + 24):
            exponent += 1
        nearest = round(value / Fraction(2) ** exponent) * Fraction(2) ** exponent
        text = ("-" if text.startswith("-") else "") + (repr(float(nearest)) if nearest < 2**128 else "inf")
    return struct.unpack("<I", struct.pack("<f", float(text)))[0]


if __name__ == "__main__":
    rng = random.Random(17)  # and 17 significant digits of random finite doubles of every magnitude
    randoms = (struct.unpack("<d", struct.pack("<Q", rng.getrandbits(63)))[0] for _ in range(60))
    print("// Written by tools/make_hard_doubles.py from Python's float() and exact fractions; do not edit.\n"
          "// clang-format off\nstruct HardCase { const char* mText; unsigned long long mDouble; unsigned mFloat;"
          " const char* mHex; };\nconst HardCase kHardCases[] = {")
    for text in TEXTS + ["%.17g" % value for value in randoms if value - value == 0][:40]:
        bits = struct.unpack("<Q", struct.pack("<d", float(text)))[0]
        print('    {"%s", 0x%016XULL, 0x%08XU, "%s"},' % (text, bits, float32_bits(text), float(text).hex()))
    print("};\n// clang-format on")
