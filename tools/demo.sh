#!/usr/bin/env bash
# The main job on the bundled sample, run from the assembled builder folder:
# frames of the sample movie drawn to PNG, both installers of the Ocean sample
# built by wallweaver-cli, listed, the clock sample drawn at fixed clocks and
# built, and the builder started under Wine. The
# second argument is the Windows build tree, for its Wine prefix and probe.
set -euo pipefail
dist=$(cd "${1:-dist}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
runnable=$(cd "${2:-$top/build/windows}" && pwd)
export WINEPREFIX="$runnable/wineprefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wine_run() { "$top/tools/with-display.sh" "$top/tests/wine/run-under-wine.sh" "$@"; }
cli="$dist/wallweaver-cli"

echo "== $("$cli" --version)"
samples="$dist/samples"
rm -rf "$samples"
mkdir -p "$samples"
cp -r "$top/samples/ocean" "$samples/ocean"
rm -f "$samples/ocean/"*.cpp "$samples/ocean/CMakeLists.txt"
"$top/build/release/bin/make_sample_movie" "$samples/ocean/wave.swf"
echo "== the sample project ($samples/ocean/Ocean.sdf)"
"$cli" info "$samples/ocean/wave.swf"

echo "== rendering the sample movie to PNG ($samples/frames)"
"$cli" render "$samples/ocean/wave.swf" wave.png --frames 1-6 --out-dir "$samples/frames"
"$cli" render "$samples/ocean/wave.swf" "$samples/frames/wave-1080p.png" --frame 7 \
  --width 1920 --height 1080 --scale noborder
ls "$samples/frames"

echo "== the clock sample ($samples/clock/Clock.sdf): two fixed clocks and now"
cp -r "$top/samples/clock" "$samples/clock"
"$top/build/release/bin/make_clock_movie" "$samples/clock/clock.swf"
# 03:00:20 and 09:30:20 UTC; the hands are drawn in the machine's zone.
"$cli" render "$samples/clock/clock.swf" "$samples/frames/clock-a.png" --clock 981169220000
"$cli" render "$samples/clock/clock.swf" "$samples/frames/clock-b.png" --clock 981192620000
"$cli" render "$samples/clock/clock.swf" "$samples/frames/clock-now.png"
"$cli" build-wallpaper "$samples/clock/Clock.sdf" --output "$samples/Clock Wallpaper.exe"

echo "== building the projectable wallpaper and the installer package"
"$cli" build-wallpaper "$samples/ocean/Ocean.sdf" --output "$samples/Ocean Wallpaper.exe"
"$cli" build-installer "$samples/ocean/Ocean.sdf" --output "$samples/Ocean Setup.exe"
for exe in "$samples/Ocean Wallpaper.exe" "$samples/Ocean Setup.exe"; do
  echo "== $(basename "$exe")"
  "$cli" list "$exe"
done

builder="$dist"
echo "== Wallweaver.exe under Wine, started from $builder"
probe="$runnable/bin/wwprobe.exe"
wine_run "$probe" "Z:${builder//\//\\}\\Wallweaver.exe"
echo "demo done: the builder folder is $dist, the sample's installers are in $samples"
