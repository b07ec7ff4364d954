#!/usr/bin/env python3
"""Hostile logs through the real zelk-check program (or zelk-check.exe under Wine): each file is
built here, checked from a folder of its own, and must end in an exit code of the program's own
(never a crash), with the records around the hostile one read and the hostile one named.

  hostile_files_cli.py --program build/native/checker/zelk-check --samples samples
  hostile_files_cli.py --program build/win32/zelk-check.exe --samples samples \
      --wine cmake/wine-run.sh --prefix build/win32/wineprefix
"""
import argparse
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path


def adx_record(call, extra=""):
    return (f"<RECORD><CALL>{call}</CALL><QSO_DATE>20170505</QSO_DATE><TIME_ON>2101</TIME_ON><FREQ>3.526</FREQ>"
            f"<MODE>CW</MODE><RST_SENT>599</RST_SENT><RST_RCVD>579</RST_RCVD><STX_STRING>001</STX_STRING>"
            f"<SRX_STRING>KI01</SRX_STRING><STATION_CALLSIGN>UR5TST</STATION_CALLSIGN>{extra}</RECORD>\n")


def adif_field(name, value):
    return f"<{name}:{len(value.encode())}>{value}"


def adif_record(call, extra=""):
    fields = [("CALL", call), ("QSO_DATE", "20170505"), ("TIME_ON", "2102"), ("FREQ", "3.512"), ("MODE", "CW"),
              ("RST_SENT", "599"), ("RST_RCVD", "579"), ("STX_STRING", "002"), ("SRX_STRING", "LV13"),
              ("STATION_CALLSIGN", "UR5TST")]
    return "".join(adif_field(n, v) for n, v in fields) + extra + "<EOR>\n"


# (name, file name, bytes, options, exit code, texts on standard error)
CASES = [
    ("240 KB of nested elements", "n.adx", "<ADX><RECORDS><RECORD>" + "<A>" * 80000 + "</RECORD></RECORDS></ADX>\n",
     ["--call", "DL5ZL"], 1, ["n.adx:1: record is not well-formed XML", "holding no QSO: score 0 (1 line skipped)"]),
    ("60 KB of nesting between good records", "between.adx",
     "<ADX><RECORDS>\n" + adx_record("UT2AB") + adx_record("UT3CD", "<A>" * 20000) + adx_record("UT4EF", "") + "</RECORDS></ADX>\n",
     [], 1, ["between.adx:3: record is not well-formed XML", "2 QSOs read, 1 line skipped"]),
    ("an unclosed record", "unclosed.adx",
     "<ADX><RECORDS>\n<RECORD><CALL>UT2AB</CALL>\n" + adx_record("UT3CD") + "</RECORDS></ADX>\n",
     [], 1, ["unclosed.adx:2: record without </RECORD> before the <RECORD> of line 3", "1 QSO read, 1 line skipped"]),
    ("an <EOR> inside NOTES", "notes.adi",
     "<EOH>\n" + adif_record("UT2AB", adif_field("NOTES", "QRM <EOR> <CALL:5>UT9ZZ <EOR>")) + adif_record("UT3CD"),
     [], 0, ["2 QSOs read, 0 lines skipped"]),
]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--samples", required=True)
    parser.add_argument("--wine")
    parser.add_argument("--prefix")
    args = parser.parse_args()
    failures = 0
    for name, file_name, text, options, exit_code, said in CASES:
        with tempfile.TemporaryDirectory() as folder:
            shutil.copy(Path(args.samples) / "zelk.txt", folder)
            (Path(folder) / file_name).write_bytes(text.encode())
            command = [str(Path(args.program).resolve()), file_name, "--no-bad-qso-file", *options]
            if args.wine:
                command = [str(Path(args.wine).resolve()), str(Path(args.prefix).resolve()), *command]
            result = subprocess.run(command, cwd=folder, capture_output=True, text=True, errors="replace", timeout=240)
            problems = []
            if result.returncode != exit_code:
                problems.append(f"exit code {result.returncode}, not {exit_code}")
            problems += [f"no \"{text}\"" for text in said if text not in result.stderr]
            if problems:
                failures += 1
                print(f"FAIL {name}: {'; '.join(problems)}\n{result.stderr[-2000:]}")
            else:
                print(f"ok   {name}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
