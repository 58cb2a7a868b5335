#!/usr/bin/env python3
"""Prints the clock rows of FxControlTest.cpp: an instant shown on the date and time controls in a zone, the local
fields they show, and the instant read back from them (seconds dropped; a repeated hour reads as its first
occurrence, zoneinfo's fold=0). Instants are seconds since 2001-01-01 00:00 UTC. Run once; paste the output."""
from datetime import datetime, timedelta, timezone
from zoneinfo import ZoneInfo

EPOCH = datetime(2001, 1, 1, tzinfo=timezone.utc)
CASES = [
    ("America/New_York", "2026-03-08T06:59:30"),  # 01:59 EST, before the spring change
    ("America/New_York", "2026-03-08T07:00:45"),  # 03:00 EDT, after it
    ("America/New_York", "2026-11-01T05:30:00"),  # 01:30 EDT, first of the repeated hour
    ("America/New_York", "2026-11-01T06:30:00"),  # 01:30 EST, the repeat: reads back as the first
    ("Europe/Berlin", "2026-03-29T00:59:00"),  # 01:59 CET
    ("Europe/Berlin", "2026-03-29T01:00:10"),  # 03:00 CEST
    ("Europe/Berlin", "2026-10-25T01:15:00"),  # 02:15 CET, the repeat
    ("Europe/Berlin", "2026-07-04T12:00:00"),  # summer
]

for zone, utc in CASES:
    instant = datetime.fromisoformat(utc).replace(tzinfo=timezone.utc)
    local = instant.astimezone(ZoneInfo(zone))
    wall = local.replace(second=0, tzinfo=None)
    back = wall.replace(tzinfo=ZoneInfo(zone), fold=0).astimezone(timezone.utc)
    print('    {"%s", %d, %d, %d, %d, %d, %d, %d},' % (
        zone, (instant - EPOCH) // timedelta(seconds=1), local.year, local.month, local.day, local.hour,
        local.minute, (back - EPOCH) // timedelta(seconds=1)))
