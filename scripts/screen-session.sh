#!/usr/bin/env bash
# The desktop the acceptance journeys, the UI figures and the screenshots run on: an Xvfb screen
# and a Wine prefix of its own with the X11 driver, so the programs get real X input and real
# painting.
#   screen-session.sh start   starts Xvfb and the prefix's wineserver; writes session.env
#   screen-session.sh stop    ends both
# BUILD_DIR names the build tree (default: build beside the sources); ZB_ACCEPT_STATE and
# ZB_ACCEPT_PREFIX give another session its own folder and prefix. ZB_SCREEN_DPI gives the screen
# another density than 96 DPI: Wine's LogPixels in the prefix, and a screen as much larger as a
# real one of that density would be (800x600 at 96 DPI, 1200x900 at 144).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
state=${ZB_ACCEPT_STATE:-$build/screen-session}
env_file=$state/session.env
export ZB_WINEPREFIX=${ZB_ACCEPT_PREFIX:-$build/wineprefix-acceptance}
export ZB_DISPLAY=x11
dpi=${ZB_SCREEN_DPI:-96}
screen_size=$(( 800 * dpi / 96 ))x$(( 600 * dpi / 96 ))
# shellcheck disable=SC1091
. "$root/scripts/wine-env.sh"

stop() {
  [ -f "$env_file" ] || return 0
  # shellcheck disable=SC1090
  . "$env_file"
  DISPLAY=$ZB_X_DISPLAY "$root/scripts/wine-session.sh" stop || true
  # The file of a run that was killed may name a pid another program has since been given.
  if [ -n "${ZB_XVFB_PID:-}" ] && [ "$(cat "/proc/$ZB_XVFB_PID/comm" 2>/dev/null)" = Xvfb ]; then
    kill "$ZB_XVFB_PID" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$ZB_XVFB_PID" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -f "$env_file"
}

start() {
  for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "session: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
  done
  stop
  mkdir -p "$state"
  # Xvfb picks a free display itself and writes its number to the descriptor.
  local number_file=$state/xvfb.display
  rm -f "$number_file"
  # -noreset: the server would drop the keyboard layout below when its last client disconnects.
  setsid Xvfb -displayfd 3 -noreset -screen 0 "${screen_size}x24" -nolisten tcp 3>"$number_file" </dev/null >/dev/null 2>&1 &
  local xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$number_file" ] && break; sleep 0.1; done
  [ -s "$number_file" ] || { echo "session: Xvfb did not start" >&2; kill "$xvfb_pid" 2>/dev/null; exit 1; }
  local display=":$(tr -dc 0-9 <"$number_file")"
  # A German keyboard, as the user's: umlauts and ß are keys, so xdotool types them directly
  # instead of remapping spare keys on the fly, which Wine does not always follow.
  setxkbmap -display "$display" de nodeadkeys || echo "session: German keyboard layout unavailable" >&2
  cat >"$env_file" <<END
ZB_X_DISPLAY=$display
ZB_XVFB_PID=$xvfb_pid
ZB_WINEPREFIX=$ZB_WINEPREFIX
ZB_SCREEN_SIZE=$screen_size
END
  DISPLAY=$display "$root/scripts/wine-session.sh" start
  # Every program started from now on reads the density at its start; set at every start, so
  # that no session inherits another's.
  DISPLAY=$display wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
    </dev/null >/dev/null 2>&1
  # There is no window manager on this screen: a managed window that is hidden makes Wine wait
  # 2 s for the manager's answer (wait_for_withdrawn_state), at every dialog that closes. The
  # figures want the program's own time (ZB_ACCEPT_UNMANAGED=1: Wine alone places and focuses
  # the windows); the journeys keep managed windows, whose focus follows activation as with a
  # window manager.
  local managed=Y
  [ "${ZB_ACCEPT_UNMANAGED:-0}" = 1 ] && managed=N
  DISPLAY=$display wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d $managed /f </dev/null >/dev/null 2>&1
  echo "session: Xvfb $display $screen_size at $dpi DPI (pid $xvfb_pid), prefix $ZB_WINEPREFIX"
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
