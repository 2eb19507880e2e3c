#!/bin/sh
# Runs a Windows program under Wine, in the prefix of the build tree named by
# WINEPREFIX, creating that prefix once (under a lock: CTest may run tests side
# by side). Without a display it runs under a private Xvfb.
set -eu
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
export WINEARCH="${WINEARCH:-win64}" WINEDEBUG="${WINEDEBUG:--all}"
# Debian's wine wrapper takes the 32-bit loader when one is installed, even
# where the kernel cannot run it; a 64-bit prefix gets the 64-bit one.
wine=wine
if [ "$WINEARCH" = win64 ]; then
  wine=/usr/lib/wine/wine64
  export WINELOADER="$wine"
fi
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
  fi
) 9>"$WINEPREFIX.lock"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$wine" "$@"
fi
exec "$wine" "$@"
