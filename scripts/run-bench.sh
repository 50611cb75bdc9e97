#!/usr/bin/env bash
# Runs every benchmark program of the build under Wine, one after the other, in one Wine session.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/wine-session.sh" start
trap '"$root/scripts/wine-session.sh" stop' EXIT
status=0
shopt -s nullglob
for program in "$build"/bench/*.exe; do
  echo "# $(basename "$program")"
  "$root/scripts/wine-run" "$program" || status=1
done
# Figures that need a screen: each script runs its own Xvfb and Wine prefix.
for script in "$root"/bench/*.sh; do
  echo "# $(basename "$script")"
  BUILD_DIR=$build bash "$script" || status=1
done
exit $status
