#!/usr/bin/env python3
"""Press-to-keystroke latency through the whole program (a benchmark, not a test).

    latency.py --bin BIN_DIR [--program EXE] [--presses N] [--route target|focus] [--seed S]

Runs the shipped tarvel.exe under Wine in a prefix of its own, with one test controller whose
first button is mapped to the key A, and a key sink that receives it: sent to its window class
(--route target, the default) or typed into it while it has the focus (--route focus). Each
press comes after a random pause, so presses fall at random phases of the program's 10 ms tick.
For every press it measures, with QueryPerformanceCounter in both processes:
  key:  from the button state changing (the driver's stamp) to WM_KEYDOWN in the key sink;
  read: from the same change to the program's first state read that saw it (the tick's share).
Prints min, median, p99 and max of both, and the share of presses whose key arrived; the last
line is the same as JSON. Needs DISPLAY (scripts/wine-env.sh).
"""

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


def measure(session, presses, route, rng, progress):
    session.add_controller(0, "Latency Pad", 4)
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
    return {"route": route, "presses": presses, "arrived": len(key_ms),
            "arrivedShare": round(len(key_ms) / presses, 4) if presses else 0,
            "extraKeyDowns": len(downs) - len(key_ms),
            "keyMs": summary(key_ms), "readMs": summary(read_ms)}


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
    options = parser.parse_args()
    bin_dir = options.bin.resolve()
    program = (options.program or bin_dir / "tarvel.exe").resolve()
    runs = (options.runs or bin_dir.parent / "runs").resolve()
    rng = random.Random(options.seed)

    session = harness.Session(f"latency.{options.route}", bin_dir, program, None, runs)
    try:
        with session:
            result = measure(session, options.presses, options.route, rng, not options.quiet)
    except harness.CheckFailed as failure:
        print(f"FAILED: {failure}\n{session.tail_logs()}", file=sys.stderr)
        return 1
    finally:
        session.close()

    print(f"route {result['route']}: {result['arrived']} of {result['presses']} presses arrived "
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
