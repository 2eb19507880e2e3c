#!/usr/bin/env bash
# The main job on the bundled sample, run from the assembled builder folder.
set -euo pipefail
dist=$(cd "${1:-dist}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="$top/build/windows/wineprefix" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine_run() { "$top/tools/with-display.sh" "$top/tests/wine/run-under-wine.sh" "$@"; }

echo "== wallweaver-cli"
"$dist/wallweaver-cli" --version

echo "== Wallweaver.exe under Wine, started from $dist"
probe="$top/build/windows/bin/wwprobe.exe"
wine_run "$probe" "$(winepath -w "$dist/Wallweaver.exe" 2>/dev/null)"
echo "demo done: the builder folder is $dist"
