#!/usr/bin/env python3
"""Reference cases for the graph's time axis, from Python's zoneinfo.

For each case (zone, start, end, width in pixels) the label count and step follow the ladder rule; the ticks are
found by walking every whole second of the plotted span and keeping those where (t + the start's UTC offset -
1960-01-01 00:00) is a whole number of steps, not by the axis' own formula. Each tick gets its short time and,
where the date text changes, its short date, in the zone's true local time ("5:06 AM", "7/4/09").

Each case also gets the legend's date band for a graph of that window: the start and the end as short date,
short time and zone abbreviation ("7/4/09 5:06 AM EDT"); a graph moves the start of equal dates back 12 hours.

Lines: "case,zone,start,end,width,labels,step", "band,first line,second line", then one
"tick,seconds after start,x,time,date" per tick.
Usage: make_time_axis_cases.py OUT.csv | --check OUT.csv
"""
import sys
from datetime import datetime, timedelta, timezone
from zoneinfo import ZoneInfo

LADDER = [60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400]
EPOCH_1960 = int(datetime(1960, 1, 1, tzinfo=timezone.utc).timestamp())

# (start UTC, end UTC, width): 24 h over 600 px across the end of daylight saving in New York, 10 days over
# 200 px, equal dates, a 30 px plot, and 4 days over 200 px (a one-day step).
WINDOWS = [
    ("2025-11-01 12:00:00", "2025-11-02 12:00:00", 600),
    ("2025-10-28 03:17:00", "2025-11-07 03:17:00", 200),
    ("2025-11-02 05:30:00", "2025-11-02 05:30:00", 600),
    ("2025-11-01 20:00:00", "2025-11-02 08:00:00", 30),
    ("2025-10-31 16:45:00", "2025-11-04 16:45:00", 200),
]
ZONES = ["America/New_York", "Asia/Kolkata"]


def parse(text):
    return int(datetime.strptime(text, "%Y-%m-%d %H:%M:%S").replace(tzinfo=timezone.utc).timestamp())


def short_time(local):
    hour = local.hour % 12 or 12
    return "%d:%02d %s" % (hour, local.minute, "AM" if local.hour < 12 else "PM")


def short_date(local):
    return "%d/%d/%02d" % (local.month, local.day, local.year % 100)


def case_lines(zone_name, start_text, end_text, width):
    zone = ZoneInfo(zone_name)
    start, end = parse(start_text), parse(end_text)
    offset = int(datetime.fromtimestamp(start, zone).utcoffset().total_seconds())
    labels = max(1, width // 44)
    span = (end - start) if end != start else 3600
    per_label = span / labels
    step = next((s for s in LADDER if s > per_label), None)
    if step is None or step >= 86400:
        step = max(1, -(-per_label // 86400)) * 86400
    step = int(step)
    pixels_per_second = width / span
    lines = ["case,%s,%s,%s,%d,%d,%d" % (zone_name, start_text, end_text, width, labels, step)]
    band = []
    for t in (start - 43200 if start == end else start, end):
        local = datetime.fromtimestamp(t, zone)
        band.append("%s %s %s" % (short_date(local), short_time(local), local.tzname()))
    lines.append("band,%s,%s" % tuple(band))
    last_date = None
    t = start
    while (t - start) * pixels_per_second <= width + 1:
        if (t + offset - EPOCH_1960) % step == 0:
            local = datetime.fromtimestamp(t, zone)
            date = short_date(local)
            shown = date if date != last_date else ""
            last_date = date
            lines.append("tick,%d,%.6f,%s,%s" % (t - start, (t - start) * pixels_per_second, short_time(local), shown))
        t += 1
    return lines


def make():
    lines = []
    for zone in ZONES:
        for start, end, width in WINDOWS:
            lines += case_lines(zone, start, end, width)
    return "\n".join(lines) + "\n"


def main():
    args = sys.argv[1:]
    if len(args) == 2 and args[0] == "--check":
        with open(args[1]) as f:
            if f.read() != make():
                print("%s is not what the script makes" % args[1])
                sys.exit(1)
        return
    if len(args) != 1:
        sys.exit(__doc__)
    with open(args[0], "w") as f:
        f.write(make())


if __name__ == "__main__":
    main()
