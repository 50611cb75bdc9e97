#!/usr/bin/env bash
# Crash soak of the object store: the kill test of the suite, run for SOAK_CYCLES kills of the
# writing process (default 500) instead of a few dozen. Each cycle starts store_child.exe as a
# writer, kills it at a random moment, reopens the store and checks every acknowledged call.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
cycles=${SOAK_CYCLES:-500}
"$root/scripts/wine-session.sh" start
trap '"$root/scripts/wine-session.sh" stop' EXIT
export ZB_TEST_DIR="$build/tests/objectstore/soak"
export ZB_KILL_CYCLES="$cycles"
log="$build/soak.log"
echo "soak: ${cycles} kills of the store writer (about a second each)"
status=0
"$root/scripts/wine-run" "$build/tests/objectstore/objectstore_test.exe" --gtest_color=no \
  --gtest_filter='ObjectStoreDurability.KilledWriterNeverLosesAcknowledgedCalls' >"$log" 2>&1 || status=$?
grep -E 'kills survived|Failure|FAILED|PASSED' "$log" || true
[ $status -eq 0 ] || { echo "soak: FAILED, see $log" >&2; exit $status; }
echo "soak: passed"
