#!/usr/bin/env python3
"""Whole-program tests: the shipped tarvel.exe under Wine, driven at the hardware boundary.

    whole.py --bin BIN_DIR [--program EXE] [--tarvelcfg EXE] [--runs DIR] [--keep-prefix] NAME...
    whole.py --list

BIN_DIR holds dinput8.dll (the test controllers), keysink.exe, tarveldrive.exe and, unless
--program names another, tarvel.exe. Needs DISPLAY (scripts/wine-env.sh); every scenario
makes its own Wine prefix from the template, so WINEPREFIX is not used. Exit code 0
when every named scenario passed.
"""

import argparse
import sys
from pathlib import Path

import harness
import configuration  # noqa: F401  (registers its scenarios)
import controllers  # noqa: F401
import editing  # noqa: F401
import faults  # noqa: F401
import presses  # noqa: F401
import profiles  # noqa: F401
import shell  # noqa: F401


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", type=Path, help="folder of the test tools and tarvel.exe")
    parser.add_argument("--program", type=Path, help="tarvel.exe to test (default: BIN/tarvel.exe)")
    parser.add_argument("--tarvelcfg", type=Path, help="tarvelcfg.exe, for reading saved files")
    parser.add_argument("--runs", type=Path, help="folder for the scenarios' prefixes and logs "
                        "(default: BIN/../runs)")
    parser.add_argument("--keep-prefix", action="store_true",
                        help="keep each scenario's Wine prefix (about 700 MB each)")
    parser.add_argument("--list", action="store_true", help="print the scenarios' names")
    parser.add_argument("names", nargs="*", metavar="NAME")
    options = parser.parse_args()

    if options.list:
        print("\n".join(sorted(harness.SCENARIOS)))
        return 0
    if options.bin is None or not options.names:
        parser.error("--bin and at least one scenario name are needed")
    unknown = [name for name in options.names if name not in harness.SCENARIOS]
    if unknown:
        parser.error(f"no scenario {', '.join(unknown)} (try --list)")
    options.bin = options.bin.resolve()
    options.program = (options.program or options.bin / "tarvel.exe").resolve()
    options.runs = (options.runs or options.bin.parent / "runs").resolve()

    failed = [name for name in options.names if not harness.run_scenario(name, options)]
    if failed:
        print(f"failed: {' '.join(failed)}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
