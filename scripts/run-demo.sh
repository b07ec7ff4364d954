#!/usr/bin/env bash
# Runs the host simulator on the bundled sample contest, then the committee's cross-check of a
# simulated contest that includes the plug-in's Cabrillo log:
#   run-demo.sh <win32 build dir> <output dir> [<native build dir>]
# The output folder plays the host's folder: Plugins\Stats.dll and Plugins\zelk.txt, Vexl2.ini.
# The live run's screenshot of the operator windows is copied to docs/operator-windows.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
out=$2

rm -rf "$out"
mkdir -p "$out/Plugins"
out=$(cd "$out" && pwd)
cp "$build/Stats.dll" "$out/Plugins/"
cp "$root/samples/zelk.txt" "$out/Plugins/zelk.txt"
cp "$root/samples/Vexl2.ini" "$root/samples/contest.txt" "$root/samples/cabrillo_header.txt" \
   "$root/samples/live.txt" "$out/"
cp "$build/host_simulator.exe" "$build/zelk-check.exe" "$out/"

run_exe() { (cd "$out" && "$root/cmake/wine-run.sh" "$build/wineprefix" "$@"); }
run() { run_exe host_simulator.exe "$@"; }

echo "== Sample contest, text summary"
run 'Plugins\Stats.dll' contest.txt --results results.txt
echo
echo "== Bad-QSO file"
cat "$out"/BadQSO_StatsZELK_*.txt
echo
echo "== Sample contest, HTML summary and Cabrillo export"
run 'Plugins\Stats.dll' contest.txt --html --cabrillo cabrillo_header.txt --results results.html
echo
for cbr in "$out"/*.cbr; do
  [ -e "$cbr" ] || continue
  echo "== Cabrillo log $(basename "$cbr") (first lines)"
  head -n 20 "$cbr"
  echo "..."
  tail -n 2 "$cbr"
done
echo
echo "== zelk-check reads the plug-in's Cabrillo file back (bad-QSO file into check/)"
mkdir -p "$out/check"
set +e
run_exe zelk-check.exe UT5ZZ.cbr --districts 'Plugins\zelk.txt' --output-dir check --summary 'check\summary.txt'
echo "(exit code $?: 0 clean, 1 findings, 2 unusable)"
set -e
echo
echo "   The plug-in's summary (results.txt) beside zelk-check's (check/summary.txt):"
python3 "$root/scripts/compare-summaries.py" "$out/results.txt" "$out/check/summary.txt"
cat <<'NOTE'
   Lines marked < differ only by what a Cabrillo file cannot carry: the sample's four QSOs the
   plug-in rejected (wrong band, wrong mode, no exchange) are in no log file, so Bad QSO is 4
   lower; the QSO the host gave on band "160M" is on 160m by its frequency; and the QSO the host
   logged in mode "cw" is written with the mode code "??", which zelk-check reports and skips.
NOTE
echo
echo "== Live: the operator windows following typed calls"
rm -f "$out/operator-windows.png"
run 'Plugins\Stats.dll' live.txt --live
if [ -f "$out/operator-windows.png" ]; then
  mkdir -p "$root/docs"
  cp "$out/operator-windows.png" "$root/docs/operator-windows.png"
  echo "(copied to docs/operator-windows.png)"
fi
if [ $# -ge 3 ]; then
  native=$(cd "$3" && pwd)
  echo
  echo "== zelk-crosscheck: the committee checks a simulated 60-station contest that includes UT5ZZ.cbr"
  "$native/tools/contest_simulator/zelk-contest-sim" --stations 60 --qsos 150 --districts "$root/samples/zelk.txt" \
    --include "$out/UT5ZZ.cbr" --output-dir "$out/contest-logs" --truth "$out/contest-truth.csv"
  cp "$root/samples/zelk.txt" "$out/contest-logs/zelk.txt"
  set +e
  "$native/crosscheck/zelk-crosscheck" "$out/contest-logs" --output-dir "$out/crosscheck"
  echo "(exit code $?: 0 every log read whole, 1 some logs or lines skipped, 2 nothing usable)"
  set -e
  echo
  echo "   The simulator's truth against the cross-check's verdicts (crosscheck/checks.csv), QSO lines:"
  python3 "$root/scripts/compare-truth.py" "$out/contest-truth.csv" "$out/crosscheck/checks.csv"
  echo
  echo "   The top of the results (crosscheck/results.csv, first columns):"
  head -n 9 "$out/crosscheck/results.csv" | cut -d, -f1-9 | sed 's/^/   /'
  echo
  echo "   UT5ZZ's UBN report (crosscheck/UT5ZZ.ubn.txt, the first lines of each list):"
  awk '/^  line/ { if (++shown[section] > 3) next } /^[A-Z]/ { section = $0 } { print "   " $0 }' \
    "$out/crosscheck/UT5ZZ.ubn.txt"
fi
echo
echo "== Files in $out"
ls -l "$out" "$out/Plugins"
