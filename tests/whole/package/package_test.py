#!/usr/bin/env python3
"""The download: `cpack -G ZIP` in the Windows build makes tarvel-<version>-win64.zip with both
programs, the README for Windows users and the licence, and the programs inside run under Wine.

    package_test.py --build BUILD_DIR --cpack CPACK --version VERSION --bin BIN_DIR --runs DIR
"""

import argparse
import shutil
import subprocess
import sys
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "scenarios"))
import harness  # noqa: E402
from harness import (Mapping, Record, check, check_equal, instance_guid, product_guid,  # noqa: E402
                     scenario, write_config)

EXPECTED = ["LICENSE.txt", "README.txt", "tarvel.exe", "tarvelcfg.exe"]


def make_package(options):
    """Runs cpack into a folder of the test's own; returns the extracted folder."""
    out = options.runs / "package"
    shutil.rmtree(out, ignore_errors=True)
    result = subprocess.run([str(options.cpack), "-G", "ZIP", "-B", str(out)], cwd=options.build,
                            stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=300)
    check(result.returncode == 0, f"cpack exited with {result.returncode}: {result.stderr}")
    stem = f"tarvel-{options.version}-win64"
    archive = out / f"{stem}.zip"
    check(archive.is_file(), f"no {archive.name} in {sorted(p.name for p in out.iterdir())}")
    with zipfile.ZipFile(archive) as z:
        check(z.testzip() is None, "a damaged entry in the archive")
        check_equal("archive entries", [f"{stem}/{name}" for name in EXPECTED],
                    sorted(z.namelist()))
        z.extractall(out / "extracted")
    folder = out / "extracted" / stem
    for exe in ("tarvel.exe", "tarvelcfg.exe"):
        check((folder / exe).read_bytes()[:2] == b"MZ", f"{exe} is no Windows program")
    readme = (folder / "README.txt").read_bytes()
    check(readme.startswith(f"Tarvel {options.version}\r\n".encode()), "README's first line")
    check(b"\n" not in readme.replace(b"\r\n", b""), "README.txt has lines without CR LF")
    check(b"freeware" in (folder / "LICENSE.txt").read_bytes(), "LICENSE.txt")
    return folder


@scenario("package.zip_runs", timeout=120)
def zip_runs(s):
    """The programs from the archive start under Wine: tarvel.exe reads a controller and ends
    with exit code 0 when closed; tarvelcfg.exe reads a configuration."""
    s.add_controller(0, "Pad One", 4)
    path = s.files / "pad.tvm"
    write_config(path, [Record(instance_guid(0), product_guid(0), "Pad One", 4,
                               {0: Mapping(0x41, 0x1E)})])
    s.start_tarvel(s.wine_path(path))
    check_equal("caption", "pad.tvm - Tarvel", s.window().title)
    check_equal("exit code", 0, s.close_tarvel())
    check('"Pad One"' in s.tarvelcfg_dump(path), "tarvelcfg did not read the configuration")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    for name in ("build", "cpack", "bin", "runs"):
        parser.add_argument(f"--{name}", type=Path, required=True)
    parser.add_argument("--version", required=True)
    options = parser.parse_args()
    options.runs = options.runs.resolve()
    options.runs.mkdir(parents=True, exist_ok=True)
    try:
        folder = make_package(options)
    except harness.CheckFailed as failure:
        print(f"FAILED: {failure}", flush=True)
        return 1
    options.program = folder / "tarvel.exe"
    options.tarvelcfg = folder / "tarvelcfg.exe"
    options.keep_prefix = False
    return 0 if harness.run_scenario("package.zip_runs", options) else 1


if __name__ == "__main__":
    sys.exit(main())
