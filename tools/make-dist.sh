#!/usr/bin/env bash
# Assembles the builder folder as it ships from the Windows build's bin/ and
# the native command-line builder.
set -euo pipefail
win=$1 native=$2 out=$3
rm -rf "$out.new"
mkdir -p "$out.new/Resource"
for f in Wallweaver.exe Wovenset.exe Wovenlite.exe Wovenplay.exe res.sdt Wallweaver.chm \
         wallweaver-cli.exe Resource/display1.bmp Resource/left1.bmp Resource/top1.bmp; do
  cp "$win/$f" "$out.new/$f"
done
cp "$native/wallweaver-cli" "$out.new/wallweaver-cli"
# Keep what earlier demos built beside the programs.
if [ -d "$out/samples" ]; then mv "$out/samples" "$out.new/samples"; fi
rm -rf "$out"
mv "$out.new" "$out"
echo "dist/ assembled: $(cd "$out" && ls | tr '\n' ' ')"
