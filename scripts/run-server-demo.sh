#!/usr/bin/env bash
# The committee's site on the demo's simulated contest: zelk-server on a free port, the 60 logs
# uploaded through its API (each receipt e-mailed to a local mail sink that keeps the mails in
# <output dir>/mailbox), the cross-check run and published, the addresses printed, the server
# stopped. The site's data stay in <output dir>/server-data.
#   run-server-demo.sh <native build dir> <output dir>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
logs="$out/contest-logs"
if [ ! -d "$logs" ]; then
  "$native/tools/contest_simulator/zelk-contest-sim" --stations 60 --qsos 150 --districts "$root/samples/zelk.txt" \
    --output-dir "$logs" >/dev/null
fi
data="$out/server-data"
rm -rf "$data"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
base="http://127.0.0.1:$port"
json() { python3 -c "import json, sys; print(json.load(sys.stdin)$1)"; }

# The receipts' e-mails go to a local sink that keeps them as files; nothing leaves the machine.
mailbox="$out/mailbox"
rm -rf "$mailbox"
mail_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
sink_program="$native/tools/mail_sink/zelk-mail-sink"
[ -x "$sink_program" ] || { echo "run-server-demo.sh: $sink_program is not built" >&2; exit 1; }
"$sink_program" "$mail_port" "$mailbox" > "$out/mail-sink.log" 2>&1 &
sink=$!

echo
echo "== zelk-server: the committee's site collects the simulated contest's logs"
"$native/server/zelk-server" --data "$data" --districts "$root/samples/zelk.txt" --start "2017-05-05 21:00" \
  --end "2017-05-06 03:00" --deadline "$(date -u -d '+1 day' '+%Y-%m-%d %H:%M')" --listen "127.0.0.1:$port" \
  --uploads-per-minute 0 --smtp "smtp://127.0.0.1:$mail_port" --mail-from zelk@example.org \
  --mail-from-name "ZELK contest committee" --public-url "$base" > "$out/server.log" 2>&1 &
server=$!
trap 'kill $server $sink 2>/dev/null; wait $server $sink 2>/dev/null || true' EXIT
for _ in $(seq 1 200); do curl -sf -o /dev/null "$base/" && break; sleep 0.05; done
cat "$out/server.log"

uploaded=0
first_receipt=
for log in "$logs"/*; do
  [ "$(basename "$log")" = zelk.txt ] && continue
  answer=$(curl -sf -F "log=@$log" -F "email=$(basename "${log%.*}" | tr -c 'A-Za-z0-9\n' '-' | tr 'A-Z' 'a-z')@example.org" "$base/api/logs")
  [ -z "$first_receipt" ] && first_receipt=$(echo "$answer" | json '["receipt"]')
  uploaded=$((uploaded + 1))
done
for _ in $(seq 1 600); do
  [ "$(find "$mailbox" -name '*.eml' 2>/dev/null | wc -l)" -ge "$uploaded" ] && break
  sleep 0.1
done
echo "   $(find "$mailbox" -name '*.eml' | wc -l) receipt e-mails caught by the local mail sink, e.g. $(find "$mailbox" -name '*.eml' | sort | head -1):"
sed -n '/^Subject:/p' "$(find "$mailbox" -name '*.eml' | sort | head -1)" | sed 's/^/     /'
echo "   $uploaded logs uploaded through POST /api/logs; $(curl -sf "$base/api/received" | json '["logs"].__len__()') on the list of logs received"

token=$(curl -sf -X POST -H 'Content-Type: application/json' \
  -d "{\"password\": \"$(cat "$data/committee-password.txt")\"}" "$base/api/committee/token" | json '["token"]')
run=$(curl -sf -X POST -H "Authorization: Bearer $token" -H 'Content-Type: application/json' -d '{}' \
  "$base/api/committee/crosscheck" | json '["run"]')
for _ in $(seq 1 1200); do
  state=$(curl -sf -H "Authorization: Bearer $token" "$base/api/committee/runs/$run" | json '["state"]')
  [ "$state" != running ] && break
  sleep 0.1
done
echo "   cross-check run $run: $state; $(curl -sf -H "Authorization: Bearer $token" "$base/api/committee/runs/$run" | json '["summary"]["scored"]') logs scored"
curl -sf -X POST -H "Authorization: Bearer $token" -H 'Content-Type: application/json' -d '{}' \
  "$base/api/committee/runs/$run/publish" >/dev/null
echo "   published. While it ran, the site served:"
echo "     $base/            the contest page and upload form"
echo "     $base/received    the logs received"
echo "     $base/results/    the published results"
echo "     $base$first_receipt    a participant's receipt (with its UBN report)"
echo "     $base/committee   the committee's page (password in $data/committee-password.txt)"
echo "   The site's data (database, logs by SHA-256, the run's reports) are in $data"
echo "   The receipts' e-mails, as a mail program would read them, are in $mailbox"
kill "$server" "$sink"
wait "$server" "$sink" || true
trap - EXIT
echo "   zelk-server and the mail sink stopped."
