#!/usr/bin/env python3
"""Latest data step at or before a date, in UTC: steps counted from 1 January of the date's year, plus the offset;
a result after the date goes back one data step. Prints the rows DxSeriesTest's clipping table holds."""
from datetime import datetime, timedelta

CASES = [  # data resolution s, offset s, date
    (0, 0, datetime(2020, 3, 4, 12, 7, 41)),
    (300, 0, datetime(2020, 3, 4, 12, 7, 41)),
    (300, 120, datetime(2020, 3, 4, 12, 7, 41)),
    (300, 120, datetime(2020, 3, 4, 12, 6, 59)),
    (3600, 1800, datetime(2021, 1, 1, 0, 10, 0)),
]

for resolution, offset, date in CASES:
    if resolution == 0:
        clipped = date.replace(second=0)
    else:
        year = datetime(date.year, 1, 1)
        steps = int((date - year).total_seconds()) // resolution
        clipped = year + timedelta(seconds=steps * resolution + offset)
        if clipped > date:
            clipped -= timedelta(seconds=resolution)
    print(resolution, offset, date.isoformat(" "), clipped.isoformat(" "))
