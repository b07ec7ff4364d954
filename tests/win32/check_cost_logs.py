#!/usr/bin/env python3
"""zelk-check.exe under Wine on logs whose cost would follow the attacker.

Thousands of copies of one QSO and thousands of broken lines: the messages name the first of each
kind and count the rest, the bad-QSO file takes at most 10 DUPE lines for each QSO and says how
many it left out, and the summary still counts every dupe.

    check_cost_logs.py <win32 build folder> <source folder>
"""
import re
import subprocess
import sys
import tempfile
from pathlib import Path

BUILD, SOURCE = Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve()
HEAD = "START-OF-LOG: 3.0\r\nCALLSIGN: UR5TST\r\n"
QSO = "QSO:  3512 CW 2017-05-05 2101 UR5TST 599 001 UT2AB 579 KI01\r\n"
END = "END-OF-LOG:\r\n"
BAD_QSO_FILE = "BadQSO_StatsZELK_05_05_2017.txt"
failures = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what)
    if not condition:
        failures.append(what)


CASES = [
    # name, log, what standard error says, lines naming a line of the log, bad-QSO file lines
    ("1,000 copies of one QSO", HEAD + QSO * 1000 + END,
     ["log.cbr: ... and 899 more like this: DUPE of line 3",
      "(and 489555 DUPE lines not written: at most 10 for each QSO"], 100, 1 + 45 + 990 * 10),
    ("20,000 broken QSO lines", HEAD + QSO + "QSO: junk\r\n" * 20000 + END,
     ["log.cbr: ... and 19900 more like this: QSO line has 1 fields, too few for a QSO, line skipped",
      "1 QSO read, 20000 lines skipped"], 100, 1),
]


def main():
    with tempfile.TemporaryDirectory(prefix="zelk-cost-") as scratch:
        folder = Path(scratch)
        (folder / "zelk.txt").write_bytes(b"KI-01 Kyiv city\r\n")
        for name, log, said, named, bad_lines in CASES:
            (folder / "log.cbr").write_bytes(log.encode())
            result = subprocess.run([str(SOURCE / "cmake/wine-run.sh"), str(BUILD / "wineprefix"),
                                     str(BUILD / "zelk-check.exe"), "log.cbr"],
                                    cwd=folder, capture_output=True, timeout=240)
            err = result.stderr.decode(errors="replace").replace("\r\n", "\n")
            out = result.stdout.decode(errors="replace")
            check(result.returncode == 1, f"{name}: exit 1 (was {result.returncode}: {err[-300:]})")
            for part in said:
                check(part in err, f"{name}: standard error says {part!r}")
            count = len(re.findall(r"^log\.cbr:\d", err, re.MULTILINE))
            check(count == named, f"{name}: {named} lines of the log named (was {count})")
            check(len(err) < 20000, f"{name}: standard error under 20,000 bytes (was {len(err)})")
            lines = (folder / BAD_QSO_FILE).read_bytes().count(b"\r\n")
            check(lines == bad_lines, f"{name}: {bad_lines} lines in the bad-QSO file (was {lines})")
            if name.startswith("1,000"):
                check("Dupe\t 999\r\n" in out, f"{name}: the summary counts every dupe")
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
