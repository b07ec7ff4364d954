#!/usr/bin/env python3
"""Compares a simulated contest's truth with zelk-crosscheck's verdicts:
compare-truth.py <truth.csv> <checks.csv>. Prints, per verdict, how many QSO lines the truth has,
how many the cross-check found and on how many they agree, then each kind of planted error.
Lines of logs without a truth (a log the contest took in as it was) are left out.
Exit code 0 when every line agrees."""
import csv
import sys
from collections import Counter


def main(truth_path, checks_path):
    with open(truth_path, newline="") as f:
        truth = {(r["File"], r["Line"]): r for r in csv.DictReader(f)}
    with open(checks_path, newline="") as f:
        found = {(r["Log file"], r["Line"]): r["Verdict"] for r in csv.DictReader(f)}
    wanted, got, agreed = Counter(), Counter(), Counter()
    planted, planted_found = Counter(), Counter()
    for key, row in truth.items():
        verdict = found.get(key, "(missing)")
        wanted[row["Verdict"]] += 1
        got[verdict] += 1
        agreed[row["Verdict"]] += verdict == row["Verdict"]
        if row["Planted"]:
            kind = row["Planted"].split(":")[0]
            planted[kind] += 1
            planted_found[kind] += verdict == row["Verdict"]
    print(f"   {'verdict':<22}{'truth':>8}{'found':>8}{'agree':>8}")
    for verdict in sorted(set(wanted) | set(got)):
        print(f"   {verdict:<22}{wanted[verdict]:>8}{got[verdict]:>8}{agreed[verdict]:>8}")
    print(f"   {'planted error':<22}{'lines':>8}{'found':>8}")
    for kind in sorted(planted):
        print(f"   {kind:<22}{planted[kind]:>8}{planted_found[kind]:>8}")
    return 0 if sum(agreed.values()) == len(truth) else 1


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:3]))
