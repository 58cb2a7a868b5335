#!/usr/bin/env python3
"""Writes the bundle's unit table (Products/Skyvane/Resources/DxUnitTable.xml) and the English unit names and
symbols in en.lproj/InfoPlist.strings, from the exact definitions below.

A value in a unit equals the value in its base unit times scale plus offset. Scales are exact fractions here and
are written with 17 significant digits; offsets are short decimals and are written as such. Run it from anywhere; it rewrites only the table and the unit block of the
string table.
"""
from fractions import Fraction as F
from pathlib import Path

ROOT = Path(__file__).resolve().parents[4]
RESOURCES = ROOT / "Products" / "Skyvane" / "Resources"

FOOT = F("0.3048")     # m, exact by definition
INCH = F("0.0254")     # m
MILE = F("1609.344")   # m
NMI = F(1852)          # m
MPH = F("0.44704")     # m/s

# id, base, scale, offset, English name, symbol ("^2" and "^3" become superscripts when shown)
UNITS = [
    ("nada", "nada", 1, 0, "None", ""),
    # Degrees share the no-unit base: latitude and longitude arrive as "degr" from stations and as "nada" in
    # derivations that take bare numbers.
    ("degr", "nada", 1, 0, "Degrees", "\u00b0"),
    # Time on a base of one day keeps every scale an integer, so minutes, hours and days convert to whole seconds
    # exactly (15 min is 900 s, not 899.99...).
    ("day", "day", 1, 0, "Days", "d"),
    ("hour", "day", 24, 0, "Hours", "h"),
    ("min", "day", 1440, 0, "Minutes", "min"),
    ("secs", "day", 86400, 0, "Seconds", "s"),
    ("kelv", "kelv", 1, 0, "Kelvin", "K"),
    ("cels", "kelv", 1, F("-273.15"), "Degrees Celsius", "\u00b0C"),
    ("fahr", "kelv", F("1.8"), F("-459.67"), "Degrees Fahrenheit", "\u00b0F"),
    # A temperature difference has no offset and converts to nothing absolute.
    ("celsd", "celsd", 1, 0, "Degrees Celsius (difference)", "\u00b0C"),
    ("kpas", "kpas", 1, 0, "Kilopascals", "kPa"),
    ("mbar", "kpas", 10, 0, "Millibars", "mb"),
    ("m", "m", 1, 0, "Meters", "m"),
    ("mm", "m", 1000, 0, "Millimeters", "mm"),
    ("km", "m", F(1, 1000), 0, "Kilometers", "km"),
    ("foot", "m", 1 / FOOT, 0, "Feet", "ft"),
    ("kft", "m", 1 / (1000 * FOOT), 0, "Thousands of feet", "kft"),
    ("inch", "m", 1 / INCH, 0, "Inches", "in"),
    ("mile", "m", 1 / MILE, 0, "Miles", "mi"),
    ("nmi", "m", 1 / NMI, 0, "Nautical miles", "nmi"),
    ("mps", "mps", 1, 0, "Meters per second", "m/s"),
    ("cmps", "mps", 100, 0, "Centimeters per second", "cm/s"),
    ("kmph", "mps", F("3.6"), 0, "Kilometers per hour", "km/h"),
    ("mph", "mps", 1 / MPH, 0, "Miles per hour", "mph"),
    ("kgpkg", "kgpkg", 1, 0, "Kilograms per kilogram", "kg/kg"),
    ("gpkg", "kgpkg", 1000, 0, "Grams per kilogram", "g/kg"),
    ("prct", "prct", 1, 0, "Percent", "%"),
    ("m3m3", "m3m3", 1, 0, "Cubic meters per cubic meter", "m^3/m^3"),
    ("wpsm", "wpsm", 1, 0, "Watts per square meter", "W/m^2"),
    ("Jpkg", "Jpkg", 1, 0, "Joules per kilogram", "J/kg"),
    ("volt", "volt", 1, 0, "Volts", "V"),
    ("dBZ", "dBZ", 1, 0, "Reflectivity", "dBZ"),
    ("kgm2", "kgm2", 1, 0, "Kilograms per square meter", "kg/m^2"),
]

BEGIN = "// ---- Units: \"dxUnit_\" names and \"dxSym_\" symbols (written by make_unit_table.py)"
END = "// ---- End of units"


def scale_text(value):
    return "%.17g" % float(value)


def offset_text(value):
    # The shortest text that reads back to the same double: offsets are short decimals by definition.
    return repr(float(value)).removesuffix(".0")


def strings_escape(text):
    return text.replace("\\", "\\\\").replace('"', '\\"')


def main():
    ids = [u[0] for u in UNITS]
    assert len(ids) == len(set(ids)), "duplicate unit id"
    for uid, base, *_ in UNITS:
        assert base in ids and dict((u[0], u[1]) for u in UNITS)[base] == base, uid

    rows = ['<xml>']
    for uid, base, scale, offset, _, _ in UNITS:
        rows.append('\t<unit id="%s" base="%s" scale="%s" offset="%s"/>' % (uid, base, scale_text(scale), offset_text(offset)))
    rows.append('</xml>')
    (RESOURCES / "DxUnitTable.xml").write_text("\n".join(rows) + "\n", encoding="utf-8")

    block = [BEGIN]
    for uid, _, _, _, name, symbol in UNITS:
        block.append('"dxUnit_%s" = "%s";' % (uid, strings_escape(name)))
        block.append('"dxSym_%s" = "%s";' % (uid, strings_escape(symbol)))
    block.append(END)

    strings = RESOURCES / "en.lproj" / "InfoPlist.strings"
    lines = strings.read_text(encoding="utf-8").splitlines() if strings.exists() else []
    if BEGIN in lines and END in lines:
        first, last = lines.index(BEGIN), lines.index(END)
        lines[first:last + 1] = block
    else:
        if lines and lines[-1].strip():
            lines.append("")
        lines.extend(block)
    strings.write_text("\n".join(lines) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
