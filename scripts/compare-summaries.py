#!/usr/bin/env python3
"""Prints two text summaries of the plug-in row by row: compare-summaries.py <left> <right>.

Rows are matched by their label (band, Total, Dupe, Bad QSO, Score:); a row that differs is
marked with '<'."""
import sys


def rows(path):
    table = {}
    for line in open(path, "rb").read().decode("cp1252").split("\r\n"):
        fields = [field.strip() for field in line.split("\t") if field.strip()]
        if fields and not fields[0].startswith(("ZELK", "Contestant")):
            table[fields[0]] = "".join(f"{value:>7}" for value in fields[1:])
    return table


left, right = rows(sys.argv[1]), rows(sys.argv[2])
labels = list(left) + [label for label in right if label not in left]
print(f"   {'':9}{'plug-in':<44}zelk-check")
for label in labels:
    a, b = left.get(label, "-"), right.get(label, "-")
    print(f"   {label:9}{a:<44}{b}{'   <' if a != b else ''}")
