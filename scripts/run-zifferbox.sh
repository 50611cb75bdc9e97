#!/usr/bin/env bash
# Starts Zifferbox under Wine on the user's display. Without a display it runs it under Xvfb,
# writes a screenshot and says where it is.
#   run-zifferbox.sh          on the user's object store, in the prefix build/wineprefix-run
#   run-zifferbox.sh --demo   on a throw-away store filled with the sample objects, in a prefix
#                             of its own (build/wineprefix-demo): the user's store, settings and
#                             running Zifferbox are not touched
# When Zifferbox already runs in the prefix, the new one brings it to the front and ends; this
# script then says so. It never stops the prefix's Wine server: the Zifferbox it found, or
# zbstore, may still run in it, and Wine ends the server by itself when its last program ends.
set -euo pipefail
# The records are secrets: the store and everything written beside it is the user's alone.
umask 077
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
demo=0
[ "${1:-}" = --demo ] && demo=1
if [ "$demo" = 1 ]; then
  export ZB_WINEPREFIX=${ZB_WINEPREFIX:-$build/wineprefix-demo}
else
  export ZB_WINEPREFIX=${ZB_WINEPREFIX:-$build/wineprefix-run}
fi
export ZB_DISPLAY=x11
. "$root/scripts/wine-env.sh"

windows_path() { echo "Z:$(echo "$1" | tr / '\\')"; }

# Whether a zifferbox.exe runs in this prefix; its process id in running_pid. Wine names each
# of its processes by the path of the program, and the process keeps the WINEPREFIX it was
# started with.
running_pid=""
zifferbox_runs() {
  local prefix pid program theirs
  prefix=$(realpath -m -- "$WINEPREFIX")
  for pid in $(pgrep -u "$(id -u)" -i -f 'zifferbox\.exe' || true); do
    program=$(tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | head -n 1) || continue
    case "${program,,}" in *[\\/]zifferbox.exe) ;; *) continue ;; esac
    theirs=$(tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | sed -n 's/^WINEPREFIX=//p') || continue
    if [ -n "$theirs" ] && [ "$(realpath -m -- "$theirs")" = "$prefix" ]; then
      running_pid=$pid
      return 0
    fi
  done
  return 1
}

# One line when other stores lie beside the store (a sync tool's conflict copies, backups): the
# user should bring their objects in. Only the 8 magic bytes are read, so it stays quick.
other_stores() {
  local store=$1 folder file count=0
  case "$store" in [A-Za-z]:*) [ "${store:0:1}" = Z ] || [ "${store:0:1}" = z ] || return 0
                               store=$(printf '%s' "${store:2}" | tr '\\' /) ;; esac
  folder=$(dirname -- "$store")
  for file in "$folder"/*; do
    [ -f "$file" ] && [ "$file" != "$store" ] || continue
    case "$file" in *.lock|*.tail|*.order|*.new|*.import|*.zbtmp) continue ;; esac
    cmp -s -n 8 "$file" <(printf 'ZBSTORE\032') && count=$((count + 1))
  done
  [ "$count" -gt 0 ] || return 0
  echo "Zifferbox: $count other store file(s) beside the store (sync conflict copies or backups):" \
    "scripts/zbstore check lists them, scripts/zbstore merge FILE brings their objects in"
}

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
zifferbox_pid=""
cleanup() {
  # Only the Zifferbox this script started, when the script is interrupted while it runs.
  [ -n "$zifferbox_pid" ] && kill "$zifferbox_pid" 2>/dev/null
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

"$root/scripts/wine-session.sh" prepare

if zifferbox_runs; then
  # The new Zifferbox finds the running one, brings it to the front and ends at once.
  wine "$build/app/zifferbox.exe"
  # Wine raises a window only above the other windows of its own session. In front of the
  # terminal and other programs it comes when the window manager activates it (or, without one,
  # the X server raises it): when it is on this screen, Wine gave the window its process id.
  window=$(xdotool search --all --pid "$running_pid" --name '^Zifferbox$' 2>/dev/null | head -n 1) || true
  if [ -n "$window" ]; then
    xdotool windowactivate "$window" 2>/dev/null || xdotool windowraise "$window" 2>/dev/null || true
  fi
  echo "Zifferbox already runs and was brought to the front."
  exit 0
fi
if [ "$demo" = 1 ]; then
  wine "$build/tools/seedstore/seedstore.exe" >/dev/null
  echo "Zifferbox: demonstration with the sample objects on a throw-away store; your own store is not touched"
else
  echo "Zifferbox: objects are stored in $store"
  other_stores "$store"
fi
# In the background, so that an interrupted script can end it (cleanup); the script waits for it.
wine "$build/app/zifferbox.exe" &
zifferbox_pid=$!
if [ "$headless" = 1 ]; then
  sleep "${ZB_SHOT_DELAY:-6}"
  shot=$build/zifferbox-screenshot.png
  import -window root "$shot"
  echo "No display: Zifferbox ran under Xvfb ($DISPLAY); screenshot written to $shot"
  xdotool key ctrl+q 2>/dev/null || true
  # A message box (a store that cannot be opened) keeps it from ending: the screen goes anyway.
  for _ in $(seq 100); do kill -0 "$zifferbox_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$zifferbox_pid" 2>/dev/null || true
  wait "$zifferbox_pid" || true
  zifferbox_pid=""
  # Wine's desktop process is on this screen too: the screen goes after the session has ended,
  # or that process reports its broken X connection.
  timeout 10 wineserver -w 2>/dev/null || true
  exit 0
fi
status=0
wait "$zifferbox_pid" || status=$?
zifferbox_pid=""
exit $status
