#!/usr/bin/env bash
# zbstore at a full store (65,532 generated objects): check, backup, export to CSV, import of
# that CSV into an empty store, recover. Each figure is the wall time of one run under Wine less
# Wine's own start (zbstore printing its usage). One "name: value unit" line per figure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
work=$build/bench/zbstore
zbstore=$build/tools/zbstore/zbstore.exe
mkdir -p "$work"
"$root/scripts/wine-session.sh" start >/dev/null
trap '"$root/scripts/wine-session.sh" stop' EXIT

win() { printf 'Z:%s' "$(realpath -m -- "$1" | tr / '\\')"; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

store=$work/full.zbs
if [ ! -f "$store" ]; then
  ZIFFERBOX_OBJECT_STORE=$(win "$work/seeding.zbs") "$root/scripts/wine-run" "$build/tools/seedstore/seedstore.exe" 65532
  mv "$work/seeding.zbs" "$store"
fi
rm -f "$work"/out.* "$work"/empty.zbs*

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
