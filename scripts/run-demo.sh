#!/usr/bin/env bash
# Runs the host simulator on the bundled sample contest: run-demo.sh <win32 build dir> <output dir>
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
cp "$build/host_simulator.exe" "$out/"

run() { (cd "$out" && "$root/cmake/wine-run.sh" "$build/wineprefix" host_simulator.exe "$@"); }

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
echo "== Live: the operator windows following typed calls"
rm -f "$out/operator-windows.png"
run 'Plugins\Stats.dll' live.txt --live
if [ -f "$out/operator-windows.png" ]; then
  mkdir -p "$root/docs"
  cp "$out/operator-windows.png" "$root/docs/operator-windows.png"
  echo "(copied to docs/operator-windows.png)"
fi
echo
echo "== Files in $out"
ls -l "$out" "$out/Plugins"
