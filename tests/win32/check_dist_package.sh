#!/usr/bin/env bash
# Checks the release package as an operator gets it: its exact file list and the guide's text,
# then unpacks it into an empty folder, lays that out as the host's folder and runs the packed
# plug-in on the sample contest under Wine with a Cabrillo export, then the packed log checker on
# the Cabrillo log the plug-in wrote. The version resource and `zelk-check --version` must both
# carry the project's version.
#   check_dist_package.sh <win32 build dir> <package zip> <project version>
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
zip=$2
version=$3
name=zelk-stats-$version
status=0
fail() { echo "FAIL: $*"; status=1; }
wine_run() { "$root/cmake/wine-run.sh" "$build/wineprefix" "$@"; }

work=$(mktemp -d "${TMPDIR:-/tmp}/dist_package.XXXXXX")
trap 'rm -rf "$work"' EXIT

[ "$(basename "$zip")" = "$name.zip" ] || fail "package is named $(basename "$zip"), not $name.zip"
[ -f "$zip" ] || { echo "FAIL: no package $zip"; exit 1; }

expected=$(
  for entry in / /Stats.dll /zelk-check.exe /zelk.txt /cabrillo_header.txt /README.txt /guide.html \
               /images/ /images/operator-windows.png /images/cabrillo_dialog.png; do
    echo "$name$entry"
  done
)
list_zip='import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))'
actual=$(python3 -c "$list_zip" "$zip") || { echo "FAIL: cannot read $zip"; exit 1; }
if [ "$(sort <<<"$actual")" != "$(sort <<<"$expected")" ]; then
  fail "the package's files differ (- expected, + packed):"
  diff <(sort <<<"$expected") <(sort <<<"$actual") | grep '^[<>]' | sed 's/^</-/; s/^>/+/'
fi

mkdir "$work/unpacked"
python3 -m zipfile -e "$zip" "$work/unpacked" || { echo "FAIL: cannot unpack $zip"; exit 1; }
pkg=$work/unpacked/$name
[ -d "$pkg" ] || { echo "FAIL: the package has no folder $name"; exit 1; }

# The shipped DLL is the stripped one; the samples and pictures are the checked-in files.
same() { cmp -s "$1" "$2" || fail "$(basename "$1") in the package is not $2"; }
same "$pkg/Stats.dll" "$build/Stats.dll"
same "$pkg/zelk.txt" "$root/samples/zelk.txt"
same "$pkg/cabrillo_header.txt" "$root/samples/cabrillo_header.txt"
same "$pkg/images/operator-windows.png" "$root/docs/operator-windows.png"
same "$pkg/images/cabrillo_dialog.png" "$root/docs/cabrillo_dialog.png"

# The guide: CR LF for Notepad, the version filled in, nothing left to fill, pictures that resolve.
python3 - "$pkg" "$version" <<'PY' || status=1
import pathlib, re, sys
pkg, version = pathlib.Path(sys.argv[1]), sys.argv[2]
ok = True
def fail(text):
    global ok
    ok = False
    print("FAIL:", text)
readme = (pkg / "README.txt").read_bytes()
if readme.count(b"\n") != readme.count(b"\r\n") or not readme.endswith(b"\r\n"):
    fail("README.txt has line ends other than CR LF")
html = (pkg / "guide.html").read_bytes()
for file_name, text in (("README.txt", readme), ("guide.html", html)):
    if ("version " + version).encode() not in text:
        fail(f"{file_name} does not name version {version}")
    if re.search(rb"@[A-Za-z_]+@", text):
        fail(f"{file_name} has a configure placeholder left")
    if b"TO BE FILLED" in text:
        fail(f"{file_name} still waits for the example run of zelk-check")
pictures = re.findall(rb'<img src="([^"]+)"', html)
if len(pictures) != 2:
    fail(f"guide.html shows {len(pictures)} pictures, not 2")
for picture in pictures:
    if not (pkg / picture.decode()).is_file():
        fail(f"guide.html shows {picture.decode()}, which is not in the package")
sys.exit(0 if ok else 1)
PY

# The DLL's version resource: the fixed numbers and the FileVersion and ProductVersion strings.
python3 - "$pkg/Stats.dll" "$version" <<'PY' || status=1
import struct, sys
data, version = open(sys.argv[1], "rb").read(), sys.argv[2]
numbers = [int(n) for n in version.split(".")] + [0]
def string_value(key):
    at = data.find((key + "\0").encode("utf-16-le"))
    if at < 0:
        return None
    start = at - 6  # wLength, wValueLength (in characters), wType, then the key
    value_length = struct.unpack_from("<H", data, start + 2)[0]
    value_at = (at + 2 * (len(key) + 1) + 3) & ~3
    return data[value_at:value_at + 2 * value_length].decode("utf-16-le").rstrip("\0")
found = {key: string_value(key) for key in ("FileVersion", "ProductVersion")}
fixed = data.find(struct.pack("<I", 0xFEEF04BD))
ms, ls = struct.unpack_from("<II", data, fixed + 8) if fixed >= 0 else (0, 0)
fixed_numbers = [ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF]
expected_file = ".".join(map(str, numbers))
if found["FileVersion"] != expected_file or found["ProductVersion"] != version or fixed_numbers != numbers:
    print(f"FAIL: Stats.dll's version resource says FileVersion {found['FileVersion']!r}, "
          f"ProductVersion {found['ProductVersion']!r}, numbers {fixed_numbers}; expected {expected_file}")
    sys.exit(1)
print(f"Stats.dll: version resource {found['FileVersion']} / {found['ProductVersion']}")
PY

# The host's folder, filled from the unpacked package.
host=$work/host
mkdir -p "$host/Plugins"
cp "$pkg/Stats.dll" "$pkg/zelk.txt" "$host/Plugins/"
cp "$pkg/cabrillo_header.txt" "$root/samples/contest.txt" "$root/samples/Vexl2.ini" \
   "$build/host_simulator.exe" "$host/"

(cd "$host" && wine_run host_simulator.exe 'Plugins\Stats.dll' contest.txt --html \
   --cabrillo cabrillo_header.txt --results results.html) >"$work/host.out" 2>&1
host_status=$?
[ $host_status -eq 0 ] || { fail "host simulator ended with $host_status:"; tail -n 20 "$work/host.out"; }
# The export's text summary has no score line; the HTML one always has it.
summary=$(sed 's/<[^>]*>/ /g' "$host/results.html" 2>/dev/null | tr -s ' \t\r\n' ' ')
grep -qF "Score: 271 * 131 = 35501" <<<"$summary" ||
  fail "the summary has no \"Score: 271 * 131 = 35501\": $summary"
cbr=$host/UT5ZZ.cbr
if [ -f "$cbr" ]; then
  grep -q $'^CLAIMED-SCORE: 35501\r$' "$cbr" || fail "UT5ZZ.cbr does not claim 35501"
  grep -q $'^END-OF-LOG:\r$' "$cbr" || fail "UT5ZZ.cbr has no END-OF-LOG line"
  echo "Plug-in from the package: 271 * 131 = 35501, UT5ZZ.cbr with $(grep -c '^QSO:' "$cbr") QSO lines"
else
  fail "the plug-in wrote no UT5ZZ.cbr"
fi

version_out=$(wine_run "$pkg/zelk-check.exe" --version 2>&1)
grep -qE "(^|[^0-9.])${version//./\\.}([^0-9.]|$)" <<<"$version_out" ||
  fail "zelk-check --version prints \"$version_out\", not $version"

# The log from the plug-in has findings (dupes, unknown codes): exit code 1 and the summary.
mkdir "$host/checked"
(cd "$host" && wine_run "$pkg/zelk-check.exe" --districts 'Plugins\zelk.txt' -o checked UT5ZZ.cbr) \
  >"$work/check.out" 2>"$work/check.err"
check_status=$?
checker_ok=1
[ $check_status -eq 1 ] || { fail "zelk-check ended with $check_status, not 1 (findings)"; checker_ok=0; }
grep -q $'^Band\tQSOs\tZELK\tPoints\tCW\tSSB\tDIG' "$work/check.out" && grep -q '^Score:' "$work/check.out" ||
  { fail "zelk-check printed no summary"; checker_ok=0; }
ls "$host/checked"/BadQSO_StatsZELK_*.txt >/dev/null 2>&1 || { fail "zelk-check wrote no bad-QSO file"; checker_ok=0; }
if [ $checker_ok -eq 1 ]; then
  echo "zelk-check from the package: exit code 1, $(grep '^Score:' "$work/check.out" | tr -s '\t ' ' ')"
else
  echo "-- zelk-check output:"; cat "$work/check.out"; echo "-- its errors:"; tail -n 20 "$work/check.err"
fi

[ $status -eq 0 ] && echo "$name.zip: $(wc -l <<<"$actual") entries, the plug-in and the checker ran from it"
exit $status
