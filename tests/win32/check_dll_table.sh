#!/usr/bin/env bash
# Checks the PE tables of Stats.dll: module name, the 22 export names with their ordinals,
# imports from Windows system DLLs only, and that it ships stripped (no symbol table, no debug
# sections, under 2 MiB; the linked DLL with its symbols stays beside it as Stats.debug.dll).
set -u
dll=$1
dump=$(i686-w64-mingw32-objdump -p "$dll") || { echo "cannot read $dll"; exit 1; }
status=0

grep -qE '^Name[[:space:]]+[0-9a-f]+ Stats\.dll$' <<<"$dump" || { echo "module name is not Stats.dll"; status=1; }

expected=$(cat <<'NAMES'
1 ?AddData0@@YAHPBD0PAVCOleDateTime@ATL@@111II000000000000000HHHNN00000@Z
2 ?CheckCallFunc0@@YAHPBDII00000000000HHHNN0000000PAD1@Z
3 ?GetNumberOfSets@@YAHXZ
4 ?GetResult0@@YAPBDPAH@Z
5 ?GetSetName@@YAPBDH@Z
6 ?RemoveData0@@YAHPBD0PAVCOleDateTime@ATL@@111II000000000000000HHHNN00000@Z
7 ?ResetStats0@@YAHPBDH0PAVCOleDateTime@ATL@@10000000000HHHNN000@Z
8 ?SetupSet0@@YAXXZ
9 ?StatsGetExchgCount0@@YAHPBD00@Z
10 ?StatsIsValidExchg0@@YAHPBD000HHH@Z
11 ?setVersion@@YAKPBD@Z
12 AddData0
13 CheckCall0
14 GetExchgCount0
15 GetNumberOfSets
16 GetResult0
17 GetSetName
18 IsValidExchg0
19 RemoveData0
20 ResetStats0
21 SetupSet0
22 setVersion
NAMES
)
# The "[Ordinal/Name Pointer] Table" lists each name with its ordinal minus the base (1).
actual=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" |
  sed -n 's/^\s*\[\s*\([0-9]*\)\] \(.*\)$/\1 \2/p' | awk '{ $1 = $1 + 1; print }')
if [ "$actual" != "$expected" ]; then
  echo "export table differs:"; diff <(echo "$expected") <(echo "$actual"); status=1
fi

allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|ole32|OLEAUT32|msvcrt|COMCTL32|SHELL32)\.dll$'
while read -r imported; do
  [[ $imported =~ $allowed ]] || { echo "imports a non-system DLL: $imported"; status=1; }
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump")

i686-w64-mingw32-objdump -t "$dll" | grep -qx 'no symbols' || { echo "carries a symbol table"; status=1; }
debug_sections=$(i686-w64-mingw32-objdump -h "$dll" | awk '$2 ~ /^\.debug_/ { print $2 }')
[ -z "$debug_sections" ] || { echo "carries debug sections:" $debug_sections; status=1; }
size=$(stat -c %s "$dll")
[ "$size" -lt $((2 * 1024 * 1024)) ] || { echo "is $size bytes: not stripped?"; status=1; }

[ $status -eq 0 ] && echo "Stats.dll: module name, 22 exports with their ordinals, system imports only, stripped ($size bytes)"
exit $status
