#!/usr/bin/env bash
# The user's records stay private. Started directly under umask 022, as from dist/, Zifferbox and
# zbstore make the default data folder 0750 and their files 0640 (Wine gives the user's own rights
# to user and group), and zbstore check warns once others may list the folder. Through
# scripts/zbstore the data folder is 0700 and every file it makes there or elsewhere (store,
# backup, recovered store, export) is 0600. And the user reads the paths of the Linux side in its
# messages.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:?}
work=$build/tests/zbstore/work/private
rm -rf "$work"
mkdir -p "$work/data/zifferbox"
chmod 755 "$work/data/zifferbox"
printf 'Name;Seriennummer\r\nFahrrad;WTU 1234567\r\n' > "$work/objekte.csv"
# A prefix of its own, so the wrapper starts the Wine server whose umask creates the files.
export XDG_DATA_HOME=$work/data ZB_WINEPREFIX=$build/wineprefix-second BUILD_DIR=$build
trap 'WINEPREFIX=$ZB_WINEPREFIX wineserver -k 2>/dev/null || true' EXIT
[ -f "$ZB_WINEPREFIX/system.reg" ] || WINEPREFIX=$ZB_WINEPREFIX WINEDEBUG=-all wine wineboot --init </dev/null >/dev/null 2>&1
unset ZIFFERBOX_OBJECT_STORE

fail=0
check() {
  local mode
  mode=$(stat -c %a "$1")
  if [ "$mode" != "$2" ]; then echo "FAIL: $1 has mode $mode, not $2"; fail=1; fi
}

# Directly, with a Wine server of umask 022. Without a display Zifferbox opens the store, finds no
# screen and ends.
(
  . "$root/scripts/wine-env.sh"
  umask 022
  direct() { env -u DISPLAY -u WAYLAND_DISPLAY timeout 120 wine "$@" </dev/null >"$work/direct.out" 2>&1 || true; }
  windows_path() { printf 'Z:%s' "$(tr / '\\' <<<"$1")"; }
  wineserver -k 2>/dev/null || true; wineserver -w
  folder=$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Local)/Zifferbox
  store=$folder/objectstore.zbs
  rm -rf "$folder"
  direct "$build/app/zifferbox.exe"
  direct "$build/tools/zbstore/zbstore.exe" import "$(windows_path "$work/objekte.csv")"
  printf '\040\0\0\0' >> "$store"  # a torn entry, which the next start keeps in .tail
  direct "$build/app/zifferbox.exe"
  direct "$build/tools/zbstore/zbstore.exe" backup "$(windows_path "$work/direct-backup.zbs")"
  direct "$build/tools/zbstore/zbstore.exe" export "$(windows_path "$work/direct-export.csv")"
  check "$folder" 750
  for f in "$store" "$store.lock" "$store.tail" "$work/direct-backup.zbs" "$work/direct-export.csv"; do check "$f" 640; done
  chmod 755 "$folder"
  direct "$build/tools/zbstore/zbstore.exe" check
  grep -q "Warnung: andere Benutzerkonten können den Ordner des Speichers lesen" "$work/direct.out" ||
    { echo "FAIL: zbstore check does not warn of a folder that others may list"; fail=1; }
  wineserver -k 2>/dev/null || true; wineserver -w
  exit $fail
) || fail=1

zbstore() { umask 022; "$root/scripts/zbstore" "$@" >/dev/null; }
zbstore import "$work/objekte.csv"
zbstore backup "$work/backup.zbs"
zbstore recover "$work/recovered.zbs"
zbstore export "$work/objekte-export.csv"
zbstore export --format html "$work/objekte.html"

check "$work/data/zifferbox" 700
check "$work/data/zifferbox/objectstore.zbs" 600
for f in backup.zbs recovered.zbs objekte-export.csv objekte.html; do check "$work/$f" 600; done
grep -q Fahrrad "$work/objekte-export.csv" || { echo "FAIL: the export lacks the imported object"; fail=1; }

# Messages name a path as the user wrote it, relative too, and one zbstore chose by its Linux path.
says() {
  local part=$1 out
  shift
  out=$(umask 022; "$root/scripts/zbstore" "$@" 2>&1) || true
  case "$out" in *"$part"*) ;; *) echo "FAIL: zbstore $* did not say \"$part\" but:"; echo "$out"; fail=1 ;; esac
}
store=$(realpath "$work/data/zifferbox/objectstore.zbs")
cd "$work"
says "1 Objekt exportiert nach relativ.csv" export relativ.csv
says "Fehler: relativ.csv gibt es schon" export relativ.csv
says "Speicher: $store"$'\n' check
says "Der bisherige Speicher liegt unverändert in $store.vor-wiederherstellung." restore backup.zbs

[ "$fail" = 0 ] && echo "directly: folder 0750, files 0640; through the wrapper: folder 0700, files 0600;" \
  "messages name the user's paths"
exit $fail
