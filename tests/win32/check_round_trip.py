#!/usr/bin/env python3
"""The plug-in and the log checker on the same contest, under Wine.

The host simulator plays the sample contest through the real Stats.dll (a text summary, then a
Cabrillo export). zelk-check.exe then reads back the Cabrillo file the DLL wrote, and the ADIF
export of the same contest (samples/contest.adi), and must give the DLL's summary, finding lines
and Cabrillo file, apart from what each file format cannot carry; every such difference is named
below and checked to be exactly that.

    check_round_trip.py <win32 build folder> <source folder>
"""
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

BUILD, SOURCE = Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve()
SAMPLES = SOURCE / "samples"
BAD_QSO_FILE = "BadQSO_StatsZELK_06_05_2017.txt"
REJECTED = ("WRONG BAND !!!", "WRONG MODE !!!", "NO RX NUMBER !!!")
failures = []


def wine(folder, program, *args):
    command = [str(SOURCE / "cmake/wine-run.sh"), str(BUILD / "wineprefix"), str(program), *args]
    return subprocess.run(command, cwd=folder, capture_output=True, timeout=120)


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what)
    if not condition:
        failures.append(what)


def lines(path):
    return path.read_bytes().decode("cp1252").split("\r\n")


def summary_rows(text):
    """Band rows and totals as lists of numbers, and the Dupe, Bad QSO and Score values."""
    rows = {}
    for line in text.split("\r\n"):
        fields = [f.strip() for f in line.split("\t")]
        if len(fields) == 7 and fields[1].isdigit():
            rows[fields[0]] = [int(f) for f in fields[1:]]
        elif fields[0] in ("Dupe", "Bad QSO") and len(fields) == 2:
            rows[fields[0]] = int(fields[1])
        elif fields[0] == "Score:":
            rows["Score"] = fields[1]
    return rows


def padded_exchanges():
    """Received exchanges the sample gives with blanks around them (a Cabrillo line cannot)."""
    found = set()
    for line in (SAMPLES / "contest.txt").read_text().splitlines():
        if line.startswith("QSO "):
            exchange = line.split(";")[8]
            if exchange != exchange.strip():
                found.add(exchange)
    return found


def run_checker(folder, log, out_dir, *extra):
    (folder / out_dir).mkdir()
    result = wine(folder, BUILD / "zelk-check.exe", log, "--districts", "Plugins\\zelk.txt", "--created-by", "2.30",
                  "-o", out_dir, "--summary", out_dir + "\\summary.txt", *extra)
    check(result.returncode == 1, f"zelk-check {log} {' '.join(extra)} exits 1 for a log with findings "
                                  f"(was {result.returncode}: {result.stderr.decode(errors='replace')[-300:]})")
    return result.stderr.decode(errors="replace")


def fold_160M(rows):
    """The host's band text "160M" is no band of its own in a log file: its QSO is on 160m."""
    rows = dict(rows)
    rows["160m"] = [a + b for a, b in zip(rows["160m"], rows.pop("160M"))]
    return rows


def main():
    folder = Path(tempfile.mkdtemp(prefix="round-trip-"))
    try:
        (folder / "Plugins").mkdir()
        shutil.copy(BUILD / "Stats.dll", folder / "Plugins")
        shutil.copy(SAMPLES / "zelk.txt", folder / "Plugins")
        for name in ("Vexl2.ini", "contest.txt", "cabrillo_header.txt", "contest.adi"):
            shutil.copy(SAMPLES / name, folder)
        shutil.copy(BUILD / "host_simulator.exe", folder)

        plain = wine(folder, "host_simulator.exe", "Plugins\\Stats.dll", "contest.txt", "--results", "dll.txt")
        exported = wine(folder, "host_simulator.exe", "Plugins\\Stats.dll", "contest.txt",
                        "--cabrillo", "cabrillo_header.txt")
        check(plain.returncode == 0 and exported.returncode == 0, "the plug-in plays the sample contest twice")
        dll = summary_rows((folder / "dll.txt").read_bytes().decode("cp1252"))
        dll_findings = lines(folder / BAD_QSO_FILE)[1:]
        dll_cabrillo = lines(folder / "UT5ZZ.cbr")
        padded = padded_exchanges()

        # --- The Cabrillo file the DLL wrote, read back.
        report = run_checker(folder, "UT5ZZ.cbr", "cbr")
        run_checker(folder, "UT5ZZ.cbr", "cbr-export", "--cabrillo", "--header", "cabrillo_header.txt")
        unknown_mode = [n for n, line in enumerate(dll_cabrillo, 1) if line[11:13] == "??"]
        check(len(unknown_mode) == 1 and f"UT5ZZ.cbr:{unknown_mode[0]}: mode code \"??\"" in report,
              "the one QSO line the writer could give no mode code (mode \"cw\") is reported with its line number")
        check("1 line skipped" in report, "and it is the only skipped line")

        expected = fold_160M(dll)
        # The "cw" QSO counted on 80m (in no mode column) is the skipped line.
        expected["80m"] = [a - b for a, b in zip(expected["80m"], [1, 0, 1, 0, 0, 0])]
        expected["Total"] = [a - b for a, b in zip(expected["Total"], [1, 0, 1, 0, 0, 0])]
        rejected = [line for line in dll_findings if line.endswith(REJECTED)]
        check(len(rejected) == 4, "the plug-in rejected four QSOs, which no log file of the contest holds")
        expected["Bad QSO"] -= len(rejected)
        expected["Score"] = f"{expected['Total'][2]} *  {expected['Total'][1]} = {expected['Total'][2] * expected['Total'][1]}"
        got = summary_rows((folder / "cbr/summary.txt").read_bytes().decode("cp1252"))
        check(got == expected, f"Cabrillo round trip: the summary is the plug-in's but for those\n  got      {got}\n  expected {expected}")

        def trimmed_exchange(line):
            for exchange in padded:
                line = line.replace("  " + exchange + " ", "  " + exchange.strip() + " ")
            return line

        expected_findings = [trimmed_exchange(line) for line in dll_findings if line not in rejected]
        check(lines(folder / "cbr" / BAD_QSO_FILE)[1:] == expected_findings,
              "Cabrillo round trip: the finding lines are the plug-in's without the rejected QSOs' "
              "(received exchanges without their blanks)")

        def carried(line):
            if line.startswith("CLAIMED-SCORE: "):
                return "CLAIMED-SCORE: " + str(expected["Total"][2] * expected["Total"][1])
            for exchange in padded:
                if line.endswith(" " + exchange):
                    return line[: -len(exchange)] + exchange.strip()
            return line

        expected_cabrillo = [carried(line) for n, line in enumerate(dll_cabrillo, 1) if n not in unknown_mode]
        check(lines(folder / "cbr-export/UT5ZZ.cbr") == expected_cabrillo,
              "Cabrillo round trip: the Cabrillo file written again is the plug-in's line for line")

        # --- The ADIF export of the same contest: it carries rejected QSOs and blanks, and says
        # "CW" for the QSO the host gave as "cw" (ADIF modes ignore case), which makes it the third
        # UT7QQ on 80m CW: a dupe with two finding lines, no longer scored.
        run_checker(folder, "contest.adi", "adif")
        run_checker(folder, "contest.adi", "adif-export", "--cabrillo", "--header", "cabrillo_header.txt")
        expected = fold_160M(dll)
        expected["80m"] = [a - b for a, b in zip(expected["80m"], [1, 0, 1, 0, 0, 0])]
        expected["Total"] = [a - b for a, b in zip(expected["Total"], [1, 0, 1, 0, 0, 0])]
        expected["Dupe"] += 1
        expected["Score"] = f"{expected['Total'][2]} *  {expected['Total'][1]} = {expected['Total'][2] * expected['Total'][1]}"
        got = summary_rows((folder / "adif/summary.txt").read_bytes().decode("cp1252"))
        check(got == expected, f"ADIF: the summary is the plug-in's but for the two host texts\n  got      {got}\n  expected {expected}")
        adif_findings = lines(folder / "adif" / BAD_QSO_FILE)[1:]
        extra = [line for line in adif_findings if line not in dll_findings]
        check([line for line in adif_findings if line not in extra] == dll_findings and len(extra) == 2
              and all("UT7QQ  59  KI01   DUPE !!!" in line for line in extra),
              "ADIF: the finding lines are the plug-in's, in order, and the two dupe lines of that QSO")
        expected_cabrillo = [carried(line).replace(" ?? ", " CW ") if n in unknown_mode else
                             (line if line.startswith("QSO:") else carried(line))
                             for n, line in enumerate(dll_cabrillo, 1)]
        check(lines(folder / "adif-export/UT5ZZ.cbr") == expected_cabrillo,
              "ADIF: the Cabrillo file is the plug-in's line for line, with CW for the \"cw\" QSO")
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print(f"{len(failures)} failed" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
