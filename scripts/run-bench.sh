#!/usr/bin/env bash
# Runs every benchmark program of the build under Wine, one after the other, in one Wine session.
# A step that fails is named with its exit status, the steps after it still run, and the run
# ends with status 1.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
failed=()
# Runs one step; a failure is reported at once and again at the end of the run.
step() {
  local name=$1 status=0
  shift
  "$@" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "run-bench: $name ended with status $status" >&2
    failed+=("$name ($status)")
  fi
}
"$root/scripts/wine-session.sh" start || {
  echo "run-bench: wine-session.sh start ended with status $?" >&2
  exit 1
}
trap '"$root/scripts/wine-session.sh" stop' EXIT
shopt -s nullglob
for program in "$build"/bench/*.exe; do
  echo "# $(basename "$program")"
  step "$(basename "$program")" "$root/scripts/wine-run" "$program"
done
# Figures of whole programs: each script sets up its own work folder and Wine session.
for script in "$root"/bench/*.sh; do
  echo "# $(basename "$script")"
  step "$(basename "$script")" env BUILD_DIR="$build" bash "$script"
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "run-bench: failed: ${failed[*]}" >&2
  exit 1
fi
