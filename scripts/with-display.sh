#!/usr/bin/env bash
# Runs a command with one virtual display for all of it (started here when none is set), so that
# the Windows test programs under Wine share one display instead of starting one each.
set -u
source "$(dirname "$0")/xvfb.sh"
start_xvfb 60 89 || exit 1
"$@"
status=$?
if [ -n "$xvfb_pid" ]; then
  # Let Wine's own processes leave the display before it goes.
  for prefix in "$PWD/build/win32/wineprefix" "$PWD/build/win32/wineprefix-managed"; do
    [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  done
  stop_xvfb
fi
exit $status
