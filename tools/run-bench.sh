#!/usr/bin/env bash
# Runs every benchmark of a bench build; each prints its own ratios.
set -euo pipefail
build=$1
shopt -s nullglob
benches=("$build"/bin/bench_*)
[ ${#benches[@]} -gt 0 ] || { echo "no benchmarks built"; exit 0; }
work=$(mktemp -d "${TMPDIR:-/tmp}/wwbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
for b in "${benches[@]}"; do
  echo "== $(basename "$b")"
  "$b" "$work"
done
