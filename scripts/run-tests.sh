#!/usr/bin/env bash
# Runs the whole test suite under Wine: one wineserver for the run, stopped afterwards.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/wine-session.sh" start
trap '"$root/scripts/wine-session.sh" stop' EXIT
cd "$build"
ctest --output-on-failure --timeout 300 -j2 "$@"
