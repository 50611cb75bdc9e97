#!/usr/bin/env bash
# Writes the README's pictures to docs/ from the real programs: zifferbox.exe with the sample
# objects, its editor, category list and About box, and setup's question. Runs on its own Xvfb
# screen and Wine prefix; needs the build (make build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
work=$build/screenshots
docs=$root/docs
probe=$build/tools/probe/probe.exe
rm -rf "$work"
mkdir -p "$work" "$docs"
export ZB_ACCEPT_STATE=$work ZB_ACCEPT_PREFIX=$build/wineprefix-screenshots BUILD_DIR=$build ZB_ACCEPT_UNMANAGED=1
"$root/scripts/screen-session.sh" start >/dev/null
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$root/scripts/screen-session.sh" stop
}
trap cleanup EXIT
# shellcheck disable=SC1091
. "$work/session.env"
export DISPLAY=$ZB_X_DISPLAY ZB_WINEPREFIX
# shellcheck disable=SC1091
. "$root/scripts/wine-env.sh"
export ZIFFERBOX_OBJECT_STORE="Z:$(echo "$work/objectstore.zbs" | tr / '\\')"
wine reg delete 'HKCU\Software\Brenvo\Zifferbox' /f </dev/null >/dev/null 2>&1 || true
wine "$build/tools/seedstore/seedstore.exe"

expect() { wine "$probe" expect "$@" >/dev/null || { wine "$probe" "$1"; exit 1; }; }
start() {
  setsid wine "$@" </dev/null >/dev/null 2>&1 &
  pids+=($!)
}
# shot <name> [<class> <title>]: the screen, or the window of that class and title, as a small PNG.
shot() {
  local name=$1 geometry=800x600+0+0
  [ $# -eq 3 ] && geometry=$(wine "$probe" rect "$2" "$3")
  sleep 0.3  # the last paint reaches the X server
  import -window root "$work/$name-full.png"
  convert "$work/$name-full.png" -crop "$geometry" +repage -strip -colors 256 "PNG8:$docs/$name.png"
  echo "make-screenshots: docs/$name.png ($geometry)"
}

start "$build/app/zifferbox.exe"
expect state 10000 'window=shown' 'count=8' 'focus=ListBox'
xdotool key Down
expect state 5000 'name=Büro-Paket 2024'
shot main-window

xdotool key ctrl+o
expect dialog 5000 'dialog=Objekt bearbeiten' 'Edit.1017=Büro-Paket 2024'
shot object-editor '#32770' 'Objekt bearbeiten'
xdotool key Escape
expect dialog 5000 'dialog=none'

xdotool key ctrl+l
expect dialog 5000 'dialog=Kategorien'
xdotool type --delay 20 'Küche'
xdotool key Return
expect dialog 5000 'ListBox.1039.items=Fahrzeuge|Geräte|Küche|Software'
shot category-list '#32770' 'Kategorien'
xdotool key Escape
expect dialog 5000 'dialog=none'

xdotool key alt+d
sleep 0.3
xdotool key e
expect dialog 5000 'dialog=Info'
shot about-box '#32770' 'Info'
xdotool key Return
expect dialog 5000 'dialog=none'
xdotool key ctrl+q
expect state 5000 'window=none'

DIST_DIR=$work/dist "$root/scripts/make-dist.sh" >/dev/null
cd "$work/dist"
start ./setup.exe
expect dialog 10000 'dialog=Setup'
shot setup-question '#32770' 'Setup'
xdotool key Escape
du -ch "$docs"/*.png | tail -1
