#!/usr/bin/env bash
# Runs a Windows program under 32-bit Wine: wine-run.sh <prefix dir> <program.exe> [args...]
# Uses a private prefix and starts a virtual display when none is set (and stops it afterwards).
set -u
prefix=$1; shift
# STATS_WINE_MANAGED=1 runs the program in a prefix of its own beside the usual one, whose X11
# driver manages the windows as Wine does by default, as an operator's Wine does: with no window
# manager on the display, Wine then waits up to 2 s at each hide of a shown window for one.
managed=${STATS_WINE_MANAGED:-0}
[ "$managed" = 1 ] && prefix="$prefix-managed"

export WINEPREFIX="$prefix"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  # Serialise the first boot: tests may start in parallel.
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
    # There is no window manager: unmanaged windows close at once instead of Wine waiting up to
    # two seconds for a manager to withdraw them (unless a managed prefix is asked for).
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$([ "$managed" = 1 ] && echo Y || echo N)" /f \
      >/dev/null 2>&1
    wineserver -w
  fi
  flock -u 9
fi

source "$(dirname "$0")/../scripts/xvfb.sh"
start_xvfb 90 140 || exit 1

wine "$@"
status=$?

if [ -n "$xvfb_pid" ]; then
  # Wine's desktop process holds the display until the server goes: let it leave first.
  wineserver -w >/dev/null 2>&1
  stop_xvfb
fi
exit $status
