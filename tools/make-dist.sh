#!/usr/bin/env bash
# Assembles the builder folder as it ships from the Windows build's bin/ and
# the native command-line builder.
set -euo pipefail
win=$1 native=$2 out=$3
rm -rf "$out.new"
mkdir -p "$out.new/Resource"
# The files the builder tests for at start-up, as the builder itself lists them.
mapfile -t shipped < <("$native/wallweaver-cli" shipped-files)
[ ${#shipped[@]} -gt 0 ] || { echo "wallweaver-cli lists no shipped files" >&2; exit 1; }
for f in Wallweaver.exe wallweaver-cli.exe "${shipped[@]}"; do
  cp "$win/$f" "$out.new/$f"
done
cp "$native/wallweaver-cli" "$out.new/wallweaver-cli"
# The device fonts text fields fall back on where the system has none of its
# own, found by the command-line builder beside itself.
mkdir -p "$out.new/Fonts"
cp "$native"/Fonts/*.ttf "$out.new/Fonts/"
# Keep what earlier demos built beside the programs.
if [ -d "$out/samples" ]; then mv "$out/samples" "$out.new/samples"; fi
rm -rf "$out"
mv "$out.new" "$out"
echo "dist/ assembled: $(cd "$out" && ls | tr '\n' ' ')"
