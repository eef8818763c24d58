#!/usr/bin/env python3
"""Press-to-keystroke latency through the whole program (a benchmark, not a test).

    latency.py --bin BIN_DIR [--program EXE] [--presses N] [--route target|focus] [--seed S]
               [--buffer-mode events|none] [--measure latency|taps|polls|idle|switch]

Runs the shipped tarvel.exe under Wine in a prefix of its own, with one test controller whose
first button is mapped to the key A, and a key sink that receives it: sent to its window class
(--route target, the default) or typed into it while it has the focus (--route focus). Each
press comes after a random pause, so presses fall at random phases of the program's 10 ms tick.
For every press it measures, with QueryPerformanceCounter in both processes:
  key:  from the button state changing (the driver's stamp) to WM_KEYDOWN in the key sink;
  read: from the same change to the program's first state read that saw it (the tick's share).
Prints min, median, p99 and max of both, and the share of presses whose key arrived; the last
line is the same as JSON. Needs DISPLAY (scripts/wine-env.sh).

--buffer-mode none makes the test controller refuse a buffer and an event, so that only the
10 ms pass reads it, as every controller was read before buffered input. Other measures:
  taps:  200 taps whose press and release are written at once, 2 ms apart: keystrokes typed;
  polls: the period between two polls of a controller that must be polled (315 periods);
  idle:  CPU time of tarvel.exe and the wine server over 30 s, 16 controllers, nothing pressed;
  switch: two programs (racing.exe and player.exe) brought to the front in turn 40 times, each
         with a profile that types its own key, the button held throughout: from the program's
         request for the foreground (the sink's stamp) to the new profile's first WM_KEYDOWN.
"""

import os
import subprocess

import argparse
import json
import math
import random
import statistics
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "scenarios"))
import harness  # noqa: E402
from harness import Mapping, Record, instance_guid, product_guid, write_config  # noqa: E402

TARGET = "TarvelLatencySink"
VK_A = 0x41


def summary(values):
    if not values:
        return {}
    ordered = sorted(values)
    p99 = ordered[max(1, math.ceil(0.99 * len(ordered))) - 1]  # nearest rank
    return {name: round(value, 3) for name, value in
            (("min", ordered[0]), ("median", statistics.median(ordered)), ("p99", p99),
             ("max", ordered[-1]))}


def measure(session, presses, route, rng, progress, buffer_mode="events"):
    session.add_controller(0, "Latency Pad", 4)
    session.drive("buffer-mode", 0, buffer_mode)
    config = session.files / "latency.tvm"
    window_class = TARGET if route == "target" else ""
    write_config(config, [Record(instance_guid(0), product_guid(0), "Latency Pad", 4,
                                 {0: Mapping(VK_A, 0x1E, 0, window_class)})])
    session.start_sink(TARGET, focus=(route == "focus"))
    session.start_tarvel(session.wine_path(config))
    if route == "focus":
        session.drive("focus-sink", 5000)
    session.passes(0, 10)
    session.clear_keys()

    frequency = session.get("global", "qpcfrequency")
    samples = []  # (changed qpc, first read qpc or None)
    keys_so_far = 0
    for n in range(presses):
        # A pause of 20-45 ms: the press lands anywhere in the 10 ms tick.
        time.sleep(rng.uniform(0.020, 0.045))
        session.drive("press", 0, 0)
        arrived = session.wait_keys(keys_so_far + 1, 2000)
        slot = next(json.loads(line) for line in session.drive("dump").splitlines()
                    if '"slot":0' in line)
        read_qpc = slot["seenQpc"] if slot["seenSerial"] == slot["serial"] else None
        samples.append((slot["changeQpc"], read_qpc))
        session.drive("release", 0, 0)
        session.drive("wait-seen", 0, 2000)
        if arrived:
            # Through the focus a key down brings its WM_CHAR; count what is logged now.
            time.sleep(0.015)
            keys_so_far = session.key_count()
        if progress and (n + 1) % 50 == 0:
            print(f"  {n + 1} presses", file=sys.stderr, flush=True)

    downs = [k.qpc for k in session.keys() if k.name == "WM_KEYDOWN" and k.wparam == VK_A]
    key_ms, read_ms = [], []
    for i, (changed, read_qpc) in enumerate(samples):
        following = samples[i + 1][0] if i + 1 < len(samples) else math.inf
        key = next((q for q in downs if changed <= q < following), None)
        if key is not None:
            key_ms.append((key - changed) * 1000 / frequency)
        if read_qpc is not None:
            read_ms.append((read_qpc - changed) * 1000 / frequency)
    return {"route": route, "bufferMode": buffer_mode, "presses": presses,
            "arrived": len(key_ms),
            "arrivedShare": round(len(key_ms) / presses, 4) if presses else 0,
            "extraKeyDowns": len(downs) - len(key_ms),
            "keyMs": summary(key_ms), "readMs": summary(read_ms)}


def start_pads(session, count, buffer_mode, route="target"):
    records = []
    for slot in range(count):
        session.add_controller(slot, f"Pad {slot + 1}", 4)
        session.drive("buffer-mode", slot, buffer_mode)
        records.append(Record(instance_guid(slot), product_guid(slot), f"Pad {slot + 1}", 4,
                              {0: Mapping(VK_A, 0x1E, 0, TARGET)}))
    config = session.files / "pads.tvm"
    write_config(config, records)
    session.start_sink(TARGET)
    session.start_tarvel(session.wine_path(config))
    for slot in range(count):
        session.passes(slot, 3)


def measure_taps(session, buffer_mode):
    start_pads(session, 1, buffer_mode)
    session.clear_keys()
    session.drive("tap", 0, 0, 200, 2)
    session.wait_keys(400, 3000)
    keys = [k.short() for k in session.keys()]
    complete = keys == [("WM_KEYDOWN", VK_A, 0), ("WM_KEYUP", VK_A, 0)] * (len(keys) // 2)
    return {"measure": "taps", "bufferMode": buffer_mode, "taps": 200,
            "keystrokes": len(keys) // 2, "completeAndInOrder": complete}


def measure_polls(session):
    start_pads(session, 1, "polled")
    periods = []
    for _ in range(5):  # 5 x 63 periods, from the DLL's record of each poll's time
        time.sleep(0.7)
        periods += [float(line) for line in session.drive("poll-periods", 0).split()]
    return {"measure": "polls", "periods": len(periods), "periodMs": summary(periods)}


def cpu_seconds(pattern, prefix):
    """User and system time of the processes of the Wine prefix whose command line matches."""
    found = subprocess.run(["pgrep", "-f", pattern], capture_output=True, text=True).stdout
    ticks = os.sysconf("SC_CLK_TCK")
    mark = f"WINEPREFIX={prefix}".encode()
    total = 0.0
    for pid in found.split():
        try:
            if mark not in Path(f"/proc/{pid}/environ").read_bytes().split(b"\0"):
                continue
            fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
            total += (int(fields[11]) + int(fields[12])) / ticks
        except (OSError, IndexError, ValueError):
            pass
    return total


def measure_idle(session, buffer_mode, seconds=30):
    start_pads(session, 16, buffer_mode)
    time.sleep(2)
    both = ("tarvel.exe", "wineserver")
    before = [cpu_seconds(name, session.prefix) for name in both]
    time.sleep(seconds)
    after = [cpu_seconds(name, session.prefix) for name in both]
    return {"measure": "idle", "bufferMode": buffer_mode, "seconds": seconds,
            "tarvelCpuS": round(after[0] - before[0], 2),
            "wineserverCpuS": round(after[1] - before[1], 2)}


def measure_switch(session, switches=40):
    sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "scenarios"))
    import profiles
    session.add_controller(0, "Pad One", 4)
    logs = {"Racing": (profiles.VK_R, "racing.tvm"), "Player": (profiles.VK_P, "player.tvm")}
    rules = []
    for log, (vk, name) in logs.items():
        path = profiles.pad_file(session, name, vk, 0)
        rules.append(f"{log.lower()}.exe||{session.wine_path(path)}")
    profiles.set_rules(session, rules)
    for log in logs:
        profiles.start_program(session, f"{log.lower()}.exe", log, log)
    start = profiles.pad_file(session, "start.tvm", 0x4D, 0)
    session.start_tarvel(session.wine_path(start))
    frequency = int(session.drive("qpc").split()[1])
    session.drive("press", 0, 0)
    samples = []
    for n in range(switches):
        log = "Racing" if n % 2 == 0 else "Player"
        vk = logs[log][0]
        before = session.sink_drive(log, "key-count").strip()
        profiles.front(session, log)
        focus_qpc = int(session.sink_drive(log, "get", "sink", "focus-qpc").strip())
        code, _ = session.sink_drive(log, "wait-keys", int(before) + 1, 3000, check=False)
        if code != 0:
            continue
        keys = [k for k in harness.parse_keys(session.sink_drive(log, "keys", "--long",
                                                                 "--from", before))
                if k.name == "WM_KEYDOWN" and k.wparam == vk]
        if keys:
            samples.append((keys[0].qpc - focus_qpc) * 1000 / frequency)
        time.sleep(0.2)
    session.drive("release", 0, 0)
    return {"measure": "switch", "switches": switches, "arrived": len(samples),
            "switchMs": summary(samples)}


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", type=Path, required=True)
    parser.add_argument("--program", type=Path)
    parser.add_argument("--runs", type=Path)
    parser.add_argument("--presses", type=int, default=300)
    parser.add_argument("--route", choices=("target", "focus"), default="target")
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--quiet", action="store_true")
    parser.add_argument("--buffer-mode", choices=("events", "none"), default="events")
    parser.add_argument("--measure", choices=("latency", "taps", "polls", "idle", "switch"),
                        default="latency")
    options = parser.parse_args()
    bin_dir = options.bin.resolve()
    program = (options.program or bin_dir / "tarvel.exe").resolve()
    runs = (options.runs or bin_dir.parent / "runs").resolve()
    rng = random.Random(options.seed)

    name = f"{options.measure}.{options.route}.{options.buffer_mode}"
    session = harness.Session(name, bin_dir, program, None, runs)
    try:
        with session:
            if options.measure != "latency":
                result = (measure_taps(session, options.buffer_mode) if options.measure == "taps"
                          else measure_polls(session) if options.measure == "polls"
                          else measure_switch(session) if options.measure == "switch"
                          else measure_idle(session, options.buffer_mode))
                print(json.dumps(result))
                return 0
            result = measure(session, options.presses, options.route, rng, not options.quiet,
                             options.buffer_mode)
    except harness.CheckFailed as failure:
        print(f"FAILED: {failure}\n{session.tail_logs()}", file=sys.stderr)
        return 1
    finally:
        session.close()

    print(f"route {result['route']}, {result['bufferMode']}: {result['arrived']} of "
          f"{result['presses']} presses arrived "
          f"({100 * result['arrivedShare']:.1f} %)")
    for what, label in (("keyMs", "press to WM_KEYDOWN"), ("readMs", "press to first read")):
        s = result[what]
        if s:
            print(f"  {label:20} min {s['min']:7.3f}  median {s['median']:7.3f}  "
                  f"p99 {s['p99']:7.3f}  max {s['max']:7.3f} ms")
    print(json.dumps(result))
    return 0 if result["arrived"] == result["presses"] else 1


if __name__ == "__main__":
    sys.exit(main())
