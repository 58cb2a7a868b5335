#!/usr/bin/env python3
"""Writes CxDateCases.inc: expected calendar and zone values for the date tests, computed with Python's own
datetime and zoneinfo (an implementation independent of ours). Run once from this folder:

    python3 make_date_cases.py > ../CxDateCases.inc

Zone instants are mostly past ones, which later tzdata releases will not change; the few future ones lie where
only a zone file's footer rule can answer and the rules have been stable for decades.
"""

import datetime
import random
import zoneinfo

UTC = datetime.timezone.utc
ORIGIN = datetime.datetime(2001, 1, 1, tzinfo=UTC)


def absolute(dt):
    delta = dt - ORIGIN
    return delta.days * 86400 + delta.seconds + delta.microseconds / 1e6


def weekday_sunday_one(dt):
    return dt.isoweekday() % 7 + 1


def civil_rows():
    """(year, month, day, hour, minute, second, offset) -> absolute time."""
    rng = random.Random(3)
    rows = [
        (2001, 1, 1, 0, 0, 0, 0),
        (2000, 12, 31, 23, 0, 0, 0),
        (1904, 1, 1, 0, 0, 0, 0),
        (1970, 1, 1, 0, 0, 0, 0),
        (2000, 2, 29, 12, 0, 0, 0),
        (1900, 3, 1, 0, 0, 0, 0),
        (1600, 2, 29, 0, 0, 0, 0),
        (1, 1, 1, 0, 0, 0, 0),
        (9999, 12, 31, 23, 59, 59, 0),
        (2009, 7, 4, 5, 6, 7, 0),
        (2009, 7, 4, 5, 6, 7, -14400),
        (2009, 7, 4, 5, 6, 7, 19800),
        (2038, 1, 19, 3, 14, 8, 0),
    ]
    for _ in range(60):
        offset = rng.choice([0, 3600, -18000, 19800, -12600, 50400, -43200])
        rows.append((rng.randint(1, 9999), rng.randint(1, 12), rng.randint(1, 28), rng.randint(0, 23),
                     rng.randint(0, 59), rng.randint(0, 59), offset))
    out = []
    for y, mo, d, h, mi, s, off in rows:
        dt = datetime.datetime(y, mo, d, h, mi, s, tzinfo=datetime.timezone(datetime.timedelta(seconds=off)))
        out.append(f"    {{{y}, {mo}, {d}, {h}, {mi}, {s}, {off}, {absolute(dt):.1f}}},")
    return out


def breakdown_rows():
    """absolute time -> UTC fields (floored), day of week (1 Sunday) and day of year."""
    rng = random.Random(5)
    times = [0.0, -0.5, 59.9, -1.0, -3600.0, -3061152000.0, 0.999999, -86400.25, 1e9 + 0.75,
             absolute(datetime.datetime(2000, 2, 29, tzinfo=UTC)),
             absolute(datetime.datetime(2000, 3, 1, tzinfo=UTC)),
             absolute(datetime.datetime(1900, 3, 1, tzinfo=UTC)),
             absolute(datetime.datetime(2001, 3, 1, tzinfo=UTC)),
             absolute(datetime.datetime(2000, 12, 31, 23, 59, 59, tzinfo=UTC))]
    lo = absolute(datetime.datetime(1, 1, 2, tzinfo=UTC))
    hi = absolute(datetime.datetime(9999, 12, 30, tzinfo=UTC))
    for _ in range(80):
        times.append(round(rng.uniform(lo, hi), 2))
    out = []
    for t in times:
        dt = ORIGIN + datetime.timedelta(seconds=t)
        out.append(f"    {{{t!r}, {dt.year}, {dt.month}, {dt.day}, {dt.hour}, {dt.minute}, {dt.second}, "
                   f"{weekday_sunday_one(dt)}, {dt.timetuple().tm_yday}}},")
    return out


def zone_rows():
    """zone, absolute time -> offset, abbreviation and local fields."""
    cases = [
        ("America/New_York", datetime.datetime(2009, 1, 15, 17, 30, 0)),
        ("America/New_York", datetime.datetime(2009, 7, 4, 5, 6, 7)),
        # Either side of the spring change of 2009 (07:00 UTC) and the autumn one (06:00 UTC).
        ("America/New_York", datetime.datetime(2009, 3, 8, 6, 59, 59)),
        ("America/New_York", datetime.datetime(2009, 3, 8, 7, 0, 0)),
        ("America/New_York", datetime.datetime(2009, 11, 1, 5, 59, 59)),
        ("America/New_York", datetime.datetime(2009, 11, 1, 6, 0, 0)),
        ("America/New_York", datetime.datetime(1969, 7, 20, 20, 17, 40)),
        # Past the zone file's transitions: only the footer rule answers.
        ("America/New_York", datetime.datetime(2100, 7, 4, 12, 0, 0)),
        ("America/New_York", datetime.datetime(2100, 1, 4, 12, 0, 0)),
        ("Asia/Kolkata", datetime.datetime(2009, 7, 4, 5, 6, 7)),
        ("Asia/Kolkata", datetime.datetime(2009, 1, 1, 18, 30, 0)),
        ("America/St_Johns", datetime.datetime(2009, 1, 15, 12, 0, 0)),
        ("America/St_Johns", datetime.datetime(2009, 7, 15, 12, 0, 0)),
        ("Australia/Lord_Howe", datetime.datetime(2009, 1, 15, 12, 0, 0)),
        ("Australia/Lord_Howe", datetime.datetime(2009, 7, 15, 12, 0, 0)),
        ("Australia/Lord_Howe", datetime.datetime(2100, 1, 15, 12, 0, 0)),
        ("Australia/Lord_Howe", datetime.datetime(2100, 7, 15, 12, 0, 0)),
        ("Europe/London", datetime.datetime(2009, 7, 4, 5, 6, 7)),
        ("Europe/London", datetime.datetime(2009, 12, 31, 23, 59, 59)),
        ("Asia/Tokyo", datetime.datetime(2009, 12, 31, 15, 0, 0)),
        ("Pacific/Chatham", datetime.datetime(2009, 1, 15, 12, 0, 0)),
        ("UTC", datetime.datetime(2009, 7, 4, 5, 6, 7)),
        ("EST", datetime.datetime(2009, 7, 4, 5, 6, 7)),
    ]
    out = []
    for name, naive in cases:
        when = naive.replace(tzinfo=UTC)
        local = when.astimezone(zoneinfo.ZoneInfo(name))
        offset = int(local.utcoffset().total_seconds())
        out.append(f"    {{\"{name}\", {absolute(when):.1f}, {offset}, \"{local.tzname()}\", {local.year}, "
                   f"{local.month}, {local.day}, {local.hour}, {local.minute}, {local.second}, "
                   f"{weekday_sunday_one(local)}, {local.timetuple().tm_yday}}},")
    return out


def main():
    print("// Written by tools/make_date_cases.py from Python's datetime and zoneinfo; do not edit.")
    print("// The including file declares CivilCase, BreakdownCase and ZoneCase.")
    print("// clang-format off")
    for name, kind, rows in (("kCivilCases", "CivilCase", civil_rows()),
                             ("kBreakdownCases", "BreakdownCase", breakdown_rows()),
                             ("kZoneCases", "ZoneCase", zone_rows())):
        print(f"const {kind} {name}[] = {{")
        print("\n".join(rows))
        print("};")
        print()
    print("// clang-format on")


if __name__ == "__main__":
    main()
