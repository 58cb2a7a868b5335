#!/usr/bin/env python3
# The latest data step at or before a date (UTC): steps from 1 January plus the offset, one step back when past it.
from datetime import datetime, timedelta

for resolution, offset, date in [(0, 0, datetime(2020, 3, 4, 12, 7, 41)), (300, 0, datetime(2020, 3, 4, 12, 7, 41)),
                                 (300, 120, datetime(2020, 3, 4, 12, 7, 41)), (300, 120, datetime(2020, 3, 4, 12, 6, 59)),
                                 (3600, 1800, datetime(2021, 1, 1, 0, 10))]:
    clipped = date.replace(second=0)
    if resolution:
        year = datetime(date.year, 1, 1)
        clipped = year + timedelta(seconds=int((date - year).total_seconds()) // resolution * resolution + offset)
        if clipped > date:
            clipped -= timedelta(seconds=resolution)
    print(resolution, offset, date, clipped)
