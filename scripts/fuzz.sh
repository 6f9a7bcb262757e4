#!/bin/sh
# Builds the fuzz preset and runs each fuzz target for SECONDS (default 20) from its seed corpus.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-20}
cmake --preset fuzz
cmake --build --preset fuzz
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in build/fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  mkdir -p "$work/$name"
  [ -d "fuzz/corpus/$name" ] && cp -r "fuzz/corpus/$name/." "$work/$name/"
  echo "== $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -print_final_stats=1 "$work/$name"
done
