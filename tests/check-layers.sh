#!/usr/bin/env bash
# Layers only look down: the ground (common/, swf/) and the player's core
# (movie/) never include the builder, and the ground never includes movie/.
# Given the player's link map, also checks that no builder object went in.
# Usage: check-layers.sh SOURCE_DIR [WOVENPLAY_MAP]
set -euo pipefail
root=$1
map=${2:-}
status=0

# refuse PATTERN FOLDER...: lists every include of PATTERN under the folders.
refuse() {
  local pattern=$1
  shift
  local found
  found=$(cd "$root" && grep -rnE --include='*.cpp' --include='*.h' \
    "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"$pattern" "$@" 2>/dev/null || true)
  if [ -n "$found" ]; then
    echo "an include that looks up a layer:"
    echo "$found"
    status=1
  fi
}

refuse 'builder/' common swf movie player setup simple
refuse 'movie/' common swf

if [ -n "$map" ]; then
  if [ ! -f "$map" ]; then
    echo "no link map at $map"
    exit 1
  fi
  if grep -E '(^|[/ ])builder/' "$map" >/dev/null; then
    echo "the player links objects of the builder:"
    grep -E '(^|[/ ])builder/' "$map" | sort -u | head -20
    status=1
  fi
fi
exit $status
