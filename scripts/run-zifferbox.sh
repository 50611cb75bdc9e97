#!/usr/bin/env bash
# Starts Zifferbox under Wine on the user's display. Without a display it runs it under Xvfb,
# writes a screenshot and says where it is.
set -euo pipefail
# The records are secrets: the store and everything written beside it is the user's alone.
umask 077
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
export ZB_WINEPREFIX=${ZB_WINEPREFIX:-$build/wineprefix-run}
export ZB_DISPLAY=x11
. "$root/scripts/wine-env.sh"

# The user's objects live outside the build tree, so a clean build never touches them.
data_dir=${XDG_DATA_HOME:-$HOME/.local/share}/zifferbox
mkdir -p "$data_dir"
chmod 700 "$data_dir"
# A store made before the folder was private is made the user's alone as well.
chmod -f 600 "$data_dir"/objectstore.zbs* 2>/dev/null || true
export ZIFFERBOX_OBJECT_STORE=${ZIFFERBOX_OBJECT_STORE:-Z:$(echo "$data_dir/objectstore.zbs" | tr / '\\')}

headless=0
if [ -z "${DISPLAY:-}" ] || ! xdotool getdisplaygeometry >/dev/null 2>&1; then
  headless=1
  display=:$(( 90 + RANDOM % 9 ))
  Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=$display
  sleep 1
fi

"$root/scripts/wine-session.sh" start
cleanup() {
  "$root/scripts/wine-session.sh" stop
  [ "$headless" = 1 ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

echo "Zifferbox: objects are stored in $ZIFFERBOX_OBJECT_STORE"
if [ "$headless" = 0 ]; then
  wine "$build/app/zifferbox.exe"
else
  wine "$build/app/zifferbox.exe" &
  sleep "${ZB_SHOT_DELAY:-6}"
  shot=$build/zifferbox-screenshot.png
  import -window root "$shot"
  echo "No display: Zifferbox ran under Xvfb; screenshot written to $shot"
  xdotool key ctrl+q 2>/dev/null || true
  sleep 1
fi
