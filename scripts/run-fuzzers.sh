#!/usr/bin/env bash
# Runs every libFuzzer target in a folder for a few seconds each, seeded from fuzz/corpus/<name>/
# when that folder exists. Any crash or sanitizer report fails the run.
set -euo pipefail
dir=$1
seconds=${2:-15}
root="$(cd "$(dirname "$0")/.." && pwd)"
shopt -s nullglob
count=0
for f in "$dir"/*_fuzz; do
  name=$(basename "$f")
  work=$(mktemp -d)
  seeds=()
  [ -d "$root/fuzz/corpus/$name" ] && seeds=("$root/fuzz/corpus/$name")
  echo "fuzz: $name for ${seconds}s"
  "$f" -max_total_time="$seconds" -print_final_stats=0 "$work" "${seeds[@]}" >"$work.log" 2>&1 || {
    tail -n 60 "$work.log"; echo "fuzz: $name FAILED"; exit 1; }
  rm -rf "$work" "$work.log"
  count=$((count + 1))
done
echo "fuzz: $count targets ran clean"
