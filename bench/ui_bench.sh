#!/usr/bin/env bash
# UI figures at a full store (65,532 generated objects; the new-object runs fill it to 65,535),
# measured on an Xvfb screen with Wine's X11 driver by probe.exe, which gives the real input
# and takes the timestamps from outside the program. One "name: value unit" line per figure.
set -euo pipefail
# The step that stops the script names itself: several keep their own output to themselves.
trap 'echo "ui_bench: $BASH_COMMAND ended with status $?" >&2' ERR
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
work=$build/bench/ui
probe=$build/tools/probe/probe.exe
mkdir -p "$work"
export ZB_ACCEPT_STATE=$work ZB_ACCEPT_PREFIX=$build/wineprefix-bench BUILD_DIR=$build ZB_ACCEPT_UNMANAGED=1
"$root/scripts/screen-session.sh" start >/dev/null
zifferbox_pid=
cleanup() {
  [ -n "$zifferbox_pid" ] && kill "$zifferbox_pid" 2>/dev/null || true
  "$root/scripts/screen-session.sh" stop
}
trap cleanup EXIT
# shellcheck disable=SC1091
. "$work/session.env"
export DISPLAY=$ZB_X_DISPLAY ZB_WINEPREFIX
# shellcheck disable=SC1091
. "$root/scripts/wine-env.sh"

# Every run starts from the same generated store and nothing the previous run left beside it.
store=$work/full.zbs
"$root/scripts/bench-store.sh" 65532 "$store"
export ZIFFERBOX_OBJECT_STORE="Z:$(echo "$store" | tr / '\\')"
wine reg delete 'HKCU\Software\Brenvo\Zifferbox' /f </dev/null >/dev/null 2>&1 || true

wine "$probe" figure start "$build/app/zifferbox.exe" 5
setsid wine "$build/app/zifferbox.exe" </dev/null >/dev/null 2>&1 &
zifferbox_pid=$!
wine "$probe" expect state 30000 'window=shown' 'count=65532' 'selected=0' >/dev/null
# Private memory of the program showing the full store: its resident anonymous pages and swap.
# Several processes name the program (the loader's too, and those of other Wine prefixes on this
# machine); the program is the largest of them in this prefix.
private_kib=0 program=
for pid in $(pgrep -f 'zifferbox\.exe' || true); do
  tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
  kib=$(awk '/^(RssAnon|VmSwap):/ {sum += $2} END {print sum + 0}' "/proc/$pid/status" 2>/dev/null || echo 0)
  if [ "$kib" -gt "$private_kib" ]; then private_kib=$kib program=$pid; fi
done
[ -n "$program" ] || { echo "ui_bench: no Zifferbox process of this prefix" >&2; exit 1; }
# Counted whole: the private memory and the pages of the mapped store file resident in the program.
mapped_kib=$(awk -v file="$(realpath "$store")" '
  /^[0-9a-f]+-[0-9a-f]+ / {inside = substr($0, length($0) - length(file) + 1) == file}
  inside && /^Rss:/ {sum += $2}
  END {print sum + 0}' "/proc/$program/smaps")
LC_ALL=C awk -v k="$private_kib" 'BEGIN {printf "ui_working_set_full_store: %.1f MiB\n", k / 1024}'
LC_ALL=C awk -v k="$((private_kib + mapped_kib))" 'BEGIN {printf "ui_resident_full_store: %.1f MiB\n", k / 1024}'
LC_ALL=C awk -v b="$(stat -c %s "$store")" 'BEGIN {printf "ui_store_file_size: %.1f MiB\n", b / 1048576}'
wine "$probe" figure select 20
# The filter drop-down is opened with a real click; a click that comes while the previous
# drop-down is still closing may be taken as a double click, so it is given again.
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
combo=$(wine "$probe" point ComboBox '*')
# Opens the filter drop-down and picks entry $1; prints the milliseconds to the rows shown.
pick_filter() {
  for _ in 1 2 3; do
    # shellcheck disable=SC2086
    xdotool mousemove $combo click 1
    wine "$probe" expect windows 1500 'window=ComboLBox|' >/dev/null && break
  done
  wine "$probe" figure filter-pick filter "$1" | sed -n 's/^filter: \([0-9]*\) ms$/\1/p'
}
to_category=() to_all=()
for _ in 1 2 3; do
  for target in 2 0; do
    figure=$(pick_filter "$target")
    [ -n "$figure" ] || { echo "ui_bench: the filter choice failed" >&2; exit 1; }
    if [ "$target" = 2 ]; then to_category+=("$figure"); else to_all+=("$figure"); fi
  done
done
echo "ui_filter_to_one_category: $(printf '%s\n' "${to_category[@]}" | median) ms"
echo "ui_filter_to_all: $(printf '%s\n' "${to_all[@]}" | median) ms"
wine "$probe" figure new 3
# The Down key under a category filter: each step reads the next passing object.
[ -n "$(pick_filter 2)" ] || { echo "ui_bench: the filter choice failed" >&2; exit 1; }
wine "$probe" figure select 20 | sed 's/^ui_select_next/ui_select_next_category/'
