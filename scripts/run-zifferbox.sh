#!/usr/bin/env bash
# Starts Zifferbox under Wine on the user's display. Without a display it runs it under Xvfb,
# writes a screenshot and says where it is.
#   run-zifferbox.sh          on the user's object store
#   run-zifferbox.sh --demo   on a throw-away store filled with the sample objects; the user's
#                             own store is not touched
set -euo pipefail
# The records are secrets: the store and everything written beside it is the user's alone.
umask 077
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
export ZB_WINEPREFIX=${ZB_WINEPREFIX:-$build/wineprefix-run}
export ZB_DISPLAY=x11
. "$root/scripts/wine-env.sh"

demo=0
[ "${1:-}" = --demo ] && demo=1
windows_path() { echo "Z:$(echo "$1" | tr / '\\')"; }

temporary=""
if [ "$demo" = 1 ]; then
  temporary=$(mktemp -d)
  store=$temporary/objectstore.zbs
  export ZIFFERBOX_OBJECT_STORE=$(windows_path "$store")
elif [ -n "${ZIFFERBOX_OBJECT_STORE:-}" ]; then
  store=$ZIFFERBOX_OBJECT_STORE
else
  # The user's objects live outside the build tree, so a clean build never touches them.
  data_dir=${XDG_DATA_HOME:-$HOME/.local/share}/zifferbox
  mkdir -p "$data_dir"
  chmod 700 "$data_dir"
  # A store made before the folder was private is made the user's alone as well.
  chmod -f 600 "$data_dir"/objectstore.zbs* 2>/dev/null || true
  store=$data_dir/objectstore.zbs
  export ZIFFERBOX_OBJECT_STORE=$(windows_path "$store")
fi

headless=0
xvfb_pid=""
cleanup() {
  "$root/scripts/wine-session.sh" stop
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "$temporary" ] && rm -rf "$temporary"
  return 0
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ] || ! xdotool getdisplaygeometry >/dev/null 2>&1; then
  headless=1
  # Xvfb picks a free display itself and names it on the descriptor: never someone else's screen.
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$number_file" </dev/null 2>"$number_file.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$number_file" ] || ! kill -0 "$xvfb_pid" 2>/dev/null && break; sleep 0.1; done
  if [ ! -s "$number_file" ]; then
    echo "run-zifferbox: Xvfb did not start:" >&2
    cat "$number_file.log" >&2
    kill "$xvfb_pid" 2>/dev/null || true
    rm -f "$number_file" "$number_file.log"
    exit 1
  fi
  export DISPLAY=:$(tr -dc 0-9 <"$number_file")
  rm -f "$number_file" "$number_file.log"
fi

"$root/scripts/wine-session.sh" start

if [ "$demo" = 1 ]; then
  wine "$build/tools/seedstore/seedstore.exe" >/dev/null
  echo "Zifferbox: demonstration with the sample objects on a throw-away store; your own store is not touched"
else
  echo "Zifferbox: objects are stored in $store"
fi
if [ "$headless" = 0 ]; then
  wine "$build/app/zifferbox.exe"
else
  wine "$build/app/zifferbox.exe" &
  sleep "${ZB_SHOT_DELAY:-6}"
  shot=$build/zifferbox-screenshot.png
  import -window root "$shot"
  echo "No display: Zifferbox ran under Xvfb ($DISPLAY); screenshot written to $shot"
  xdotool key ctrl+q 2>/dev/null || true
  sleep 1
fi
