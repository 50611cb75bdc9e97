#!/usr/bin/env bash
# Two processes in two Wine prefixes (so two wineservers, which do not see each other's share
# modes) on one store file: while the first has the store open the second is refused, and
# nothing the first stored is lost.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:?}
. "$root/scripts/wine-env.sh"
child=$build/tests/objectstore/store_child.exe
second=$build/wineprefix-second
work=$build/tests/objectstore/work/two-prefix
rm -rf "$work"
mkdir -p "$work"
windows_path() { echo "Z:$(echo "$1" | tr / '\\')"; }
export ZIFFERBOX_OBJECT_STORE=$(windows_path "$work/objectstore.zbs")

holder=""
cleanup() {
  [ -n "$holder" ] && kill "$holder" 2>/dev/null || true
  WINEPREFIX=$second wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
[ -f "$second/system.reg" ] || WINEPREFIX=$second wine wineboot --init </dev/null >/dev/null 2>&1

wine "$child" hold VonA "$(windows_path "$work/ready")" "$(windows_path "$work/release")" </dev/null &
holder=$!
for _ in $(seq 600); do [ -f "$work/ready" ] && break; sleep 0.1; done
[ -f "$work/ready" ] || { echo "FAIL: the first process did not open the store"; exit 1; }

if ! WINEPREFIX=$second wine "$child" rival </dev/null; then
  echo "FAIL: the process in the second prefix opened or changed the held store"
  exit 1
fi

touch "$work/release"
wait "$holder" || { echo "FAIL: the first process could not go on writing"; exit 1; }
holder=""

names=$(WINEPREFIX=$second wine "$child" names </dev/null | tr -d '\r')
if [ "$names" != $'VonA\nVonA2' ]; then
  echo "FAIL: after the first process ended the store holds:"; echo "$names"; exit 1
fi
echo "second prefix refused while the store was held; both records of the first are kept"
