#!/usr/bin/env bash
# zbstore at a full store (65,532 generated objects): check, backup, export to CSV, import of
# that CSV into an empty store, recover. Then a merge of a store of 64,535 objects with a copy
# that has 1,000 more, beside what it should not exceed: importing those 1,000 and checking both. Each figure is the wall time of one run under Wine less
# Wine's own start (zbstore printing its usage). One "name: value unit" line per figure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
work=$build/bench/zbstore
zbstore=$build/tools/zbstore/zbstore.exe
# Every output of the previous run goes: export and recover refuse to replace a file, and
# import would add to the store it finds.
rm -rf "$work"
mkdir -p "$work"
"$root/scripts/wine-session.sh" start >/dev/null
trap '"$root/scripts/wine-session.sh" stop' EXIT

win() { printf 'Z:%s' "$(realpath -m -- "$1" | tr / '\\')"; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

store=$work/full.zbs
BUILD_DIR=$build "$root/scripts/bench-store.sh" 65532 "$store"

# Runs zbstore once; prints its milliseconds, or stops the script when it fails.
run() {
  local start status
  start=$(now_ms)
  status=0
  "$root/scripts/wine-run" "$zbstore" "$@" >/dev/null 2>&1 || status=$?
  if [ "$status" -ne "${expected_status:-0}" ]; then
    echo "zbstore_bench: zbstore $1 ended with $status" >&2
    exit 1
  fi
  echo $(($(now_ms) - start))
}

base=$(expected_status=2 run)
figure() {
  local name=$1
  shift
  local ms
  ms=$(run "$@")
  echo "$name: $((ms - base)) ms"
}
figure zbstore_check check --store "$(win "$store")"
figure zbstore_backup backup --store "$(win "$store")" "$(win "$work/out.backup.zbs")"
figure zbstore_export_csv export --store "$(win "$store")" "$(win "$work/out.csv")"
figure zbstore_import_csv_into_empty import --store "$(win "$work/empty.zbs")" "$(win "$work/out.csv")"
figure zbstore_recover recover --store "$(win "$store")" "$(win "$work/out.recovered.zbs")"

# The other machine's copy: the store and 1,000 objects more, added by an import (timed). Each
# in a folder of its own: check also reads every other store beside the one it checks.
merge_store=$work/desktop/objectstore.zbs merge_other=$work/laptop/objectstore.zbs
mkdir -p "$work/desktop" "$work/laptop"
BUILD_DIR=$build "$root/scripts/bench-store.sh" 64535 "$merge_store"
cp "$merge_store" "$merge_other"
{
  printf 'Name;Seriennummer;Bemerkung;Kategorie\r\n'
  for i in $(seq 1000); do printf 'Laptop-Objekt %d;LT-%06d;vom Laptop;Laptop\r\n' "$i" "$i"; done
} >"$work/thousand.csv"
figure zbstore_import_1000_into_full import --store "$(win "$merge_other")" "$(win "$work/thousand.csv")"
figure zbstore_check_merge_store check --store "$(win "$merge_store")"
figure zbstore_check_merge_other check --store "$(win "$merge_other")"
figure zbstore_merge_full merge --store "$(win "$merge_store")" "$(win "$merge_other")"
