#!/usr/bin/env bash
# How the main costs grow with the store: open, list fill, filtered read of the last position,
# durable write (store_classes_bench <count>) and start to the filled window (probe, on an Xvfb
# screen) at 1,024, 8,192 and 65,535 objects. Prints one table, milliseconds. Not part of
# `make bench`: it fills three stores and takes a few minutes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
counts=(${ZB_SCALING_COUNTS:-1024 8192 65535})
declare -A figure

"$root/scripts/wine-session.sh" start
for n in "${counts[@]}"; do
  out=$("$root/scripts/wine-run" "$build/bench/store_classes_bench.exe" "$n" | tr -d '\r')
  for name in classes_open_both_databases classes_fill_name_list_all classes_read_last_position_category \
              classes_durable_write_new_avg; do
    figure[$name,$n]=$(sed -n "s/^$name: \([0-9.]*\) ms$/\1/p" <<<"$out")
  done
done
"$root/scripts/wine-session.sh" stop

work=$build/bench/scaling
probe=$build/tools/probe/probe.exe
mkdir -p "$work"
export ZB_ACCEPT_STATE=$work ZB_ACCEPT_PREFIX=$build/wineprefix-bench BUILD_DIR=$build ZB_ACCEPT_UNMANAGED=1
"$root/scripts/screen-session.sh" start >/dev/null
trap '"$root/scripts/screen-session.sh" stop' EXIT
# shellcheck disable=SC1091
. "$work/session.env"
export DISPLAY=$ZB_X_DISPLAY ZB_WINEPREFIX
# shellcheck disable=SC1091
. "$root/scripts/wine-env.sh"
for n in "${counts[@]}"; do
  store=$work/seeded-$n.zbs
  rm -f "$store"
  ZIFFERBOX_OBJECT_STORE="Z:$(echo "$store" | tr / '\\')" wine "$build/tools/seedstore/seedstore.exe" "$n"
  wine reg delete 'HKCU\Software\Brenvo\Zifferbox' /f </dev/null >/dev/null 2>&1 || true
  out=$(ZIFFERBOX_OBJECT_STORE="Z:$(echo "$store" | tr / '\\')" wine "$probe" figure start "$build/app/zifferbox.exe" 3 | tr -d '\r')
  figure[start,$n]=$(sed -n 's/^ui_start_filled_window_net: \([0-9.]*\) ms$/\1/p' <<<"$out")
done

printf '%-40s' "objects"; printf '%10s' "${counts[@]}"; echo
for name in classes_open_both_databases classes_fill_name_list_all classes_read_last_position_category \
            classes_durable_write_new_avg start; do
  printf '%-40s' "$name"
  for n in "${counts[@]}"; do printf '%10s' "${figure[$name,$n]:--}"; done
  echo
done
