#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a recording as the window's Record writes it: HOURS of readings at 20 a
# second from a made-up drive (idle, town, motorway), with a pulled cable every two
# hours and a stalled link now and then.
#   make_recording.py FILE [HOURS]   (default 24: 1.73 M rows, about 110 MB)
import math, random, sys
from datetime import datetime, timedelta, timezone

path = sys.argv[1]
hours = float(sys.argv[2]) if len(sys.argv) > 2 else 24.0
rows = int(hours * 3600 * 20)
random.seed(25)
start = datetime(2026, 12, 8, 6, 0, 0, tzinfo=timezone(timedelta(hours=1)))
with open(path, "w", newline="\n") as out:
    out.write("time,seconds,seq,rpm,input_v,pump_v,output_v,work_state,port\n")
    seq = 0
    t = 0.0
    lines = []
    for i in range(rows):
        t += 0.05
        if i % 144000 == 143999:  # every two hours the cable is pulled for 8 s
            at = start + timedelta(seconds=t)
            lines.append(f"{at.isoformat(timespec='milliseconds')},{t:.3f},,,,,,link_lost,/dev/ttyUSB0\n")
            t += 8.0
            seq = 0
        elif i % 20011 == 20010:  # a stall of 1.5 s
            t += 1.5
        seq += 1
        phase = (t / 600.0) % 3
        base = 800 if phase < 1 else 2200 if phase < 2 else 3600
        rpm = max(0, base + 600 * math.sin(t / 7.0) + random.uniform(-80, 80))
        pump = max(0.0, min(15.0, 1.0 + rpm / 450.0 + random.uniform(-0.2, 0.2)))
        state = "on" if rpm > 1200 else "off"
        at = start + timedelta(seconds=t)
        lines.append(f"{at.isoformat(timespec='milliseconds')},{t:.3f},{seq},{rpm:.0f},{13.6 + random.uniform(-0.3, 0.3):.2f},"
                     f"{pump:.2f},{pump * 0.9 + 1:.2f},{state},/dev/ttyUSB0\n")
        if len(lines) >= 10000:
            out.writelines(lines)
            lines.clear()
    out.writelines(lines)
