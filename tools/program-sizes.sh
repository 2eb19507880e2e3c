#!/usr/bin/env bash
# Prints each shipped program's size beside 89,600 bytes, the size of a small
# installer stub of the same kind, and the stubs' targets; fails when a stub
# is over its target.
set -euo pipefail
win=$1 native=$2
reference=89600
over=0
printf '%-20s %10s %9s %10s\n' program bytes '/ 89,600' target
row() {
  local name=$1 file=$2 target=$3 size verdict
  size=$(stat -c %s "$file")
  verdict=
  if [ "$target" != - ]; then
    if [ "$size" -le "$target" ]; then verdict=within; else verdict=OVER; over=1; fi
  fi
  printf '%-20s %10d %9s %10s %s\n' "$name" "$size" \
    "$(awk -v s="$size" -v r="$reference" 'BEGIN { printf "%.2f", s / r }')" "$target" "$verdict"
}
row Wovenlite.exe "$win/Wovenlite.exe" $((96 * 1024))
row Wovenset.exe "$win/Wovenset.exe" $((128 * 1024))
row Wovenplay.exe "$win/Wovenplay.exe" $((256 * 1024))
row Wallweaver.exe "$win/Wallweaver.exe" -
row wallweaver-cli.exe "$win/wallweaver-cli.exe" -
row wallweaver-cli "$native/wallweaver-cli" -
exit $over
