#!/usr/bin/env bash
# Writes the README's pictures to docs/ from the real programs: zifferbox.exe with the sample
# objects, its editor, category list, About box and help viewer, and setup's question, at 96 DPI;
# and the main window once more at 144 DPI. Runs on its own Xvfb screen and Wine prefix; needs the
# build (make build).
#   make-screenshots.sh              the README's pictures in docs/
#   make-screenshots.sh --dpi N DIR  every picture at N DPI (120, 144, 192, ...) in DIR, on a screen
#                                    as much larger as a real one of that density
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
work=$build/screenshots
probe=$build/tools/probe/probe.exe
export ZB_ACCEPT_STATE=$work ZB_ACCEPT_PREFIX=$build/wineprefix-screenshots BUILD_DIR=$build ZB_ACCEPT_UNMANAGED=1

pids=()
session=0
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  pids=()
  if [ "$session" = 1 ]; then
    "$root/scripts/screen-session.sh" stop
    session=0
  fi
}
trap cleanup EXIT

expect() { wine "$probe" expect "$@" >/dev/null || { wine "$probe" "$1"; exit 1; }; }
start() {
  setsid wine "$@" </dev/null >/dev/null 2>&1 &
  pids+=($!)
}
# shot <name> [<class> <title>]: the screen, or the window of that class and title, as a small PNG
# in $out, its name ending in $suffix.
shot() {
  local name=$1 geometry=$ZB_SCREEN_SIZE+0+0
  [ $# -eq 3 ] && geometry=$(wine "$probe" rect "$2" "$3")
  sleep 0.3  # the last paint reaches the X server
  import -window root "$work/$name-full.png"
  convert "$work/$name-full.png" -crop "$geometry" +repage -strip -colors 256 "PNG8:$out/$name$suffix.png"
  echo "make-screenshots: $out/$name$suffix.png ($geometry)"
}

# pictures <dpi> <all|main>: one session at that density; the main window alone, or every picture.
pictures() {
  local which=$2
  rm -rf "$work"
  mkdir -p "$work" "$out"
  ZB_SCREEN_DPI=$1 "$root/scripts/screen-session.sh" start >/dev/null
  session=1
  # shellcheck disable=SC1091
  . "$work/session.env"
  export DISPLAY=$ZB_X_DISPLAY ZB_WINEPREFIX ZB_SCREEN_SIZE
  # shellcheck disable=SC1091
  . "$root/scripts/wine-env.sh"
  export ZIFFERBOX_OBJECT_STORE="Z:$(echo "$work/objectstore.zbs" | tr / '\\')"
  wine reg delete 'HKCU\Software\Brenvo\Zifferbox' /f </dev/null >/dev/null 2>&1 || true
  wine "$build/tools/seedstore/seedstore.exe"

  start "$build/app/zifferbox.exe"
  expect state 10000 'window=shown' 'count=8' 'focus=ListBox'
  xdotool key Down
  expect state 5000 'name=Büro-Paket 2024'
  shot main-window
  if [ "$which" = all ]; then
    zifferbox_dialogs
    setup_question
  fi
  cleanup
}

zifferbox_dialogs() {
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

  xdotool key F1
  expect windows 5000 'foreground=PegHelpWindow|Zifferbox-Hilfe - Zifferbox'
  shot help-viewer PegHelpWindow 'Zifferbox-Hilfe - Zifferbox'
  xdotool key alt+F4
  expect windows 5000 '!window=PegHelpWindow|Zifferbox-Hilfe - Zifferbox'
  # Back to Zifferbox with a click into its list, for its Ctrl+Q.
  # shellcheck disable=SC2046
  xdotool mousemove $(wine "$probe" point ListBox '*') click 1
  expect state 5000 'foreground=Zifferbox|Zifferbox'
  xdotool key ctrl+q
  expect state 5000 'window=none'
}

setup_question() {
  DIST_DIR=$work/dist "$root/scripts/make-dist.sh" >/dev/null
  cd "$work/dist"
  start ./setup.exe
  expect dialog 10000 'dialog=Setup'
  shot setup-question '#32770' 'Setup'
  xdotool key Escape
  cd "$root"
}

case "${1:-}" in
  --dpi)
    [ $# -eq 3 ] || { echo "usage: $0 [--dpi N DIR]" >&2; exit 2; }
    out=$(mkdir -p "$3" && cd "$3" && pwd) suffix=""
    pictures "$2" all
    ;;
  "")
    out=$root/docs suffix=""
    pictures 96 all
    suffix=-144dpi
    pictures 144 main
    ;;
  *) echo "usage: $0 [--dpi N DIR]" >&2; exit 2 ;;
esac
du -ch "$out"/*.png | tail -1
