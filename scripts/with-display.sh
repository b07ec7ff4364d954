#!/usr/bin/env bash
# Runs a command with one virtual display for all of it (started here when none is set), so that
# the Windows test programs under Wine share one display instead of starting one each.
set -u
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 60 89); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$xvfb_pid" 2>/dev/null; then export DISPLAY=":$n"; break; fi
    xvfb_pid=""
  done
fi
"$@"
status=$?
if [ -n "$xvfb_pid" ]; then
  # Let Wine's own processes leave the display before it goes.
  WINEPREFIX="$PWD/build/win32/wineprefix" wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb_pid" 2>/dev/null
  wait "$xvfb_pid" 2>/dev/null
fi
exit $status
