#!/usr/bin/env bash
# prepare: make the prefix (null display driver unless ZB_DISPLAY=x11) and its fonts; no Wine
#          server stays behind. The programs then share whatever server runs for the prefix,
#          and Wine ends it by itself when the last of them ends: nobody's program is cut off.
# start:   prepare, and keep one wineserver running, detached, so each test program starts fast
#          and ctest never waits on Wine's background services.
# stop:    end that wineserver and everything it runs, and wait until it has gone.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
driver=${ZB_DISPLAY:-null}

prepare_prefix() {
  local stamp="$WINEPREFIX/.zifferbox-driver"
  [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$driver" ] && return 0
  mkdir -p "$WINEPREFIX"
  wine wineboot --init </dev/null >/dev/null 2>&1 || true
  if [ "$driver" = null ]; then
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
  else
    wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f </dev/null >/dev/null 2>&1 || true
    # Wine draws the frames itself: dialogs keep their captions (and the caption OK and help
    # buttons drawn there) with or without a window manager.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f </dev/null >/dev/null 2>&1
  fi
  # The desktop process started with the old driver would keep windows from being created.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  echo "$driver" > "$stamp"
}

# Debian's Wine does not find its own Tahoma and Marlett from a new prefix: without them the
# program's Tahoma becomes another face and Wine's caption buttons show letters for glyphs.
install_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  [ -d "$fonts" ] || return 0
  for f in tahoma.ttf tahomabd.ttf marlett.ttf; do
    [ -f "/usr/share/wine/fonts/$f" ] && [ ! -f "$fonts/$f" ] && cp "/usr/share/wine/fonts/$f" "$fonts/"
  done
  return 0
}

case "${1:-}" in
  prepare)
    prepare_prefix
    install_fonts
    ;;
  start)
    prepare_prefix
    install_fonts
    # wineserver puts itself in the background; wineboot then starts Wine's services once.
    setsid wineserver -p </dev/null >/dev/null 2>&1 || true  # already running: keep it
    setsid wine wineboot </dev/null >/dev/null 2>&1
    ;;
  stop)
    # -k gives the server ten seconds and then kills it without waiting for it to go; -w waits,
    # so a session started right after (the next run, the next script) never meets this one.
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    ;;
  *) echo "usage: $0 prepare|start|stop" >&2; exit 2 ;;
esac
