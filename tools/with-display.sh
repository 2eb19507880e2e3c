#!/usr/bin/env bash
# Runs a command with a private X server for Wine. Wine's server outlives its
# programs for a while and stays bound to the display it started on, so the
# test prefix's server is stopped before and after: the next run then starts
# one bound to its own display.
set -uo pipefail
prefix=${WINEPREFIX:?WINEPREFIX must name the prefix}
stop_wine() { WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true; }
stop_wine
# The server is stopped inside, while the display still exists.
xvfb-run -a -s "-screen 0 1280x1024x24" \
  bash -c '"$@"; s=$?; wineserver -k >/dev/null 2>&1; wineserver -w >/dev/null 2>&1; exit $s' _ "$@"
status=$?
stop_wine
exit $status
