#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a short, bounded time, each from
# a corpus under build/corpus/<target>/, seeded first by bin/seed_<target>
# when the build has one.
set -euo pipefail
build=$1
seconds=${FUZZ_SECONDS:-20}
shopt -s nullglob
targets=("$build"/bin/fuzz_*)
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets built"; exit 0; }
for t in "${targets[@]}"; do
  name=$(basename "$t")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  if [ -x "$build/bin/seed_$name" ]; then "$build/bin/seed_$name" "$corpus"; fi
  echo "== $name for ${seconds}s"
  "$t" -max_total_time="$seconds" -print_final_stats=0 "$corpus" 2>&1 | tail -n 2
done
