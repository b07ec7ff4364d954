#!/usr/bin/env python3
"""Hostile "cost" logs through the committee's programs, as a user runs them.

    bench/cost_logs.py <native build folder> [--programs FOLDER] [--copies 2500,5000,10000,20000]
                       [--junk-lines 5000000] [--skip-junk]

- Duplicate scaling: n copies of one QSO line through zelk-check, and n copies in each of two
  logs that worked each other through zelk-crosscheck, then the same with one side's call busted
  by a letter (the busted-call search); CPU per copy should stay flat.
- Junk: a 50 MB Cabrillo log of one QSO and 5,000,000 "QSO: junk" lines through zelk-check and,
  beside its partner's log, through zelk-crosscheck.

Each run is one child process: its CPU time (user + system) and peak resident memory come from
wait4(), the output size is what it wrote to standard error plus the files it wrote. The load
average (`uptime`) is printed before and after each run. `--programs` takes zelk-check and
zelk-crosscheck from another folder, to measure another build on the same files.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

HEAD = "START-OF-LOG: 3.0\r\nCALLSIGN: {call}\r\nCONTEST: ZELK\r\n"
MINE = "QSO:  3512 CW 2017-05-05 2101 UR5TST 599 001 UT2AB 579 KI01\r\n"
THEIRS = "QSO:  3512 CW 2017-05-05 2101 UT2AB 599 KI01 UR5TST 579 001\r\n"
END = "END-OF-LOG:\r\n"


def load():
    return os.getloadavg()[0]


def folder_size(path):
    return sum(f.stat().st_size for f in Path(path).rglob("*") if f.is_file())


def measure(command, cwd, output_dir):
    """CPU seconds, peak MB and output bytes (standard error and files written) of one run.

    GNU time forks the program from its own small process: a child forked from this script would
    count the script's pages in its peak."""
    before = load()
    usage_file = Path(cwd) / "usage.txt"
    with open(Path(cwd) / "stderr.txt", "wb") as err:
        status = subprocess.run(["/usr/bin/time", "-o", str(usage_file), "-f", "%x %U %S %M", *command], cwd=cwd,
                                stdout=subprocess.DEVNULL, stderr=err).returncode
    after = load()
    exit_code, user, system, peak_kb = usage_file.read_text().split()[-4:]
    output = (Path(cwd) / "stderr.txt").stat().st_size + folder_size(output_dir)
    return {
        "cpu": float(user) + float(system),
        "user": float(user),
        "system": float(system),
        "peak_mb": int(peak_kb) / 1024,
        "output_mb": output / 1e6,
        "exit": int(exit_code),
        "load": f"{before:.1f} to {after:.1f}",
    }


def write_log(path, call, body_line, copies, tail="", first=""):
    with open(path, "w", newline="") as f:
        f.write(HEAD.format(call=call) + first)
        chunk = body_line * 10000
        for _ in range(copies // 10000):
            f.write(chunk)
        f.write(body_line * (copies % 10000))
        f.write(tail + END)


def fresh(path):
    shutil.rmtree(path, ignore_errors=True)
    Path(path).mkdir(parents=True)
    return path


def report(what, result, per=None):
    line = (f"{what:<44} cpu {result['cpu']:7.2f} s (user {result['user']:.2f}, sys {result['system']:.2f})"
            f"  peak {result['peak_mb']:7.1f} MB  output {result['output_mb']:8.2f} MB  exit {result['exit']}"
            f"  load {result['load']}")
    if per:
        line += f"  {result['cpu'] / per * 1e6:8.1f} us CPU per copy"
    print(line, flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--programs")
    parser.add_argument("--copies", default="2500,5000,10000,20000")
    parser.add_argument("--junk-lines", type=int, default=5_000_000)
    parser.add_argument("--skip-junk", action="store_true")
    args = parser.parse_args()
    build = Path(args.build).resolve()
    check = Path(args.programs).resolve() / "zelk-check" if args.programs else build / "checker/zelk-check"
    cross = Path(args.programs).resolve() / "zelk-crosscheck" if args.programs else build / "crosscheck/zelk-crosscheck"
    districts = Path(__file__).resolve().parent.parent / "samples/zelk.txt"
    print(f"zelk-check: {check}\nzelk-crosscheck: {cross}")
    print(subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip())

    with tempfile.TemporaryDirectory(prefix="zelk-cost-bench-") as scratch:
        root = Path(scratch)
        shutil.copy(districts, root / "zelk.txt")
        for copies in [int(c) for c in args.copies.split(",")]:
            logs = fresh(root / "logs")
            write_log(logs / "UR5TST.cbr", "UR5TST", MINE, copies)
            write_log(logs / "UT2AB.cbr", "UT2AB", THEIRS, copies)
            shutil.copy(districts, logs / "zelk.txt")
            out = fresh(root / "out")
            report(f"zelk-check, {copies} copies",
                   measure([str(check), "--districts", "zelk.txt", "-o", "out", "logs/UR5TST.cbr"], root, out), copies)
            out = fresh(root / "out")
            report(f"zelk-crosscheck, {copies} copies in both logs",
                   measure([str(cross), "logs", "-o", "out", "--districts", "zelk.txt"], root, out), 2 * copies)
            # UR5TST logs a busted call UT2AC; UT2AB's copies of its side stay unmatched
            write_log(logs / "UR5TST.cbr", "UR5TST", MINE.replace("UT2AB", "UT2AC"), copies)
            out = fresh(root / "out")
            report(f"zelk-crosscheck, {copies} busted copies",
                   measure([str(cross), "logs", "-o", "out", "--districts", "zelk.txt"], root, out), 2 * copies)

        if not args.skip_junk:
            logs = fresh(root / "logs")
            # one good QSO, then the junk
            write_log(logs / "UR5TST.cbr", "UR5TST", "QSO: junk\n", args.junk_lines, "", first=MINE)
            write_log(logs / "UT2AB.cbr", "UT2AB", THEIRS, 1)
            shutil.copy(districts, logs / "zelk.txt")
            size = (logs / "UR5TST.cbr").stat().st_size / 1e6
            out = fresh(root / "out")
            report(f"zelk-check, junk log of {size:.0f} MB",
                   measure([str(check), "--districts", "zelk.txt", "-o", "out", "logs/UR5TST.cbr"], root, out))
            out = fresh(root / "out")
            report(f"zelk-crosscheck, junk log of {size:.0f} MB",
                   measure([str(cross), "logs", "-o", "out", "--districts", "zelk.txt"], root, out))
    print(subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip())


if __name__ == "__main__":
    sys.exit(main())
