#!/usr/bin/env bash
# One user journey through the real programs: started as processes on the acceptance session's
# Xvfb screen (scripts/screen-session.sh), driven with xdotool, read from outside with
# tools/probe (probe.exe).
#   journeys.sh <journey>        (see the list at the end; BUILD_DIR names the build tree)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
state=${ZB_ACCEPT_STATE:-$build/screen-session}
journey=${1:?usage: journeys.sh <journey>}

[ -f "$state/session.env" ] || { echo "no acceptance session: run scripts/screen-session.sh start" >&2; exit 1; }
# shellcheck disable=SC1091
. "$state/session.env"
export DISPLAY=$ZB_X_DISPLAY ZB_WINEPREFIX
# shellcheck disable=SC1091
. "$root/scripts/wine-env.sh"

zifferbox=$build/app/zifferbox.exe
peghelp=$build/app/PegHelp.exe
probe=$build/tools/probe/probe.exe
work=$state/work/$journey
rm -rf "$work"
mkdir -p "$work"
export ZIFFERBOX_OBJECT_STORE="Z:$(echo "$work/objectstore.zbs" | tr / '\\')"

started=()
window_manager=""
density_changed=0
cleanup() {
  local pid
  [ "$density_changed" = 1 ] && set_density 96
  if [ -n "$window_manager" ]; then
    kill "$window_manager" 2>/dev/null || true
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f </dev/null >/dev/null 2>&1
  fi
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${started[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  done
}
trap cleanup EXIT

step() { echo "== $*"; }
fail() { echo "FAILED: $*" >&2; exit 1; }

# expect <source> <lines...>: waits up to 5 s until the probe reads every line.
expect() {
  local source=$1; shift
  wine "$probe" expect "$source" "${ZB_EXPECT_MS:-5000}" "$@" || fail "$source did not show: $*"
}
probe() { wine "$probe" "$@"; }

# start <program> [args]: starts a program of the build in the background; its pid in $last_pid.
start() {
  setsid wine "$@" </dev/null >/dev/null 2>&1 &
  last_pid=$!
  started+=("$last_pid")
}

start_zifferbox() {
  expect state 'window=none'
  start "$zifferbox"
  expect state 'window=shown' 'focus=ListBox'
}

# Ends Zifferbox as the user does (Ctrl+Q) and waits for its process to end.
quit_zifferbox() {
  xdotool key ctrl+q
  expect state 'window=none'
  local pid=${started[0]}
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  ! kill -0 "$pid" 2>/dev/null || fail "zifferbox.exe still runs after Ctrl+Q"
  started=("${started[@]:1}")
}

fresh_settings() {
  wine reg delete 'HKCU\Software\Brenvo\Zifferbox' /f </dev/null >/dev/null 2>&1 || true
}

seed_samples() {
  wine "$build/tools/seedstore/seedstore.exe" || fail "seedstore"
}

click_at() { xdotool mousemove "$1" "$2" click 1; }

# set_density <dpi>: the screen density that programs started from now on take (Wine's LogPixels).
set_density() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
}

# row_heights <text>...: for each detail row showing that text, "<strip> <ink>": the height of the
# row's window and of the text drawn in it, both in pixels of the screen. Text lower than 5 pixels
# was not drawn (yet): a failure, never a measure.
row_heights() {
  local text geometry strip ink
  sleep 0.5  # the last paint reaches the X server
  import -window root "$work/screen.png" || fail "import"
  for text in "$@"; do
    geometry=$(probe rect Static "$text") || fail "no row \"$text\""
    strip=${geometry#*x}
    strip=${strip%%+*}
    ink=$(convert "$work/screen.png" -crop "$geometry" +repage -trim -format '%h' info:) || fail "convert"
    [[ "$strip $ink" =~ ^[0-9]+\ [0-9]+$ ]] && (( ink >= 5 )) || fail "row \"$text\" measured \"$strip $ink\""
    echo "$strip $ink"
  done
}
click_control() {  # click_control <class> <text|*>
  local at
  at=$(probe point "$1" "$2") || fail "no $1 \"$2\" on the screen"
  # shellcheck disable=SC2086
  click_at $at
}

# ---------------------------------------------------------------------------------------------

journey_first_start() {
  step "first start on an empty store: empty list and rows, only New enabled"
  # The X clipboard outlives the other journeys: empty it, or Paste would rightly be enabled.
  probe clip-set "" >/dev/null || fail "clipboard"
  start_zifferbox
  expect state 'count=0' 'selected=-1' 'name=' 'serial=' 'remark=' 'filter= - Alle -' \
    'filter.items= - Alle -| - Ohne -' 'button.new=1' 'button.modify=0' 'button.cut=0' \
    'button.copy=0' 'button.paste=0' 'button.delete=0' 'foreground=Zifferbox|Zifferbox'
  [ -f "$work/objectstore.zbs" ] || fail "the object store file was not created"
  step "a click on the empty rows opens the editor for a new object"
  local at; at=$(probe point Static '') || fail "no row"
  click_at $at
  expect dialog 'dialog=Neues Objekt' 'dialog.focus=1017' 'ComboBox.1041= - Ohne -'
  xdotool key Escape
  expect dialog 'dialog=none'
  expect state 'count=0' 'focus=ListBox'
  step "Ctrl+Q ends the program"
  quit_zifferbox
}

journey_new_object() {
  step "Ctrl+N, typing the fields, Tab, Enter: the object is listed and selected"
  start_zifferbox
  xdotool key ctrl+n
  expect dialog 'dialog=Neues Objekt' 'dialog.focus=1017' 'Edit.1017=' 'ComboBox.1041= - Ohne -'
  xdotool type --delay 20 'Fahrrad grün'
  xdotool key Tab
  xdotool type --delay 20 'WTU 1234567'
  xdotool key Tab
  xdotool type --delay 20 'Rahmennummer unten, Größe 28'
  expect dialog 'Edit.1017=Fahrrad grün' 'Edit.1018=WTU 1234567' 'Edit.1032=Rahmennummer unten, Größe 28'
  xdotool key Return
  expect dialog 'dialog=none'
  expect state 'count=1' 'selected=0' 'item.0=Fahrrad grün' 'name=Fahrrad grün' 'serial=WTU 1234567' \
    'remark=Rahmennummer unten, Größe 28' 'button.modify=1' 'button.delete=1' 'button.copy=1' \
    'focus=ListBox'
  step "a second object sorts in before it and is the one selected"
  xdotool key ctrl+n
  expect dialog 'dialog=Neues Objekt'
  xdotool type --delay 20 'anker'
  xdotool key Tab
  xdotool type --delay 20 'A-1'
  xdotool key Return
  expect state 'count=2' 'selected=0' 'item.0=anker' 'item.1=Fahrrad grün' 'name=anker' 'serial=A-1'
  step "without a serial number the editor does not close"
  xdotool key ctrl+n
  expect dialog 'dialog=Neues Objekt'
  xdotool type --delay 20 'Ohne Nummer'
  xdotool key Return
  expect dialog 'dialog=Zifferbox' 'Static.65535=Unvollständige Eingabe.'
  xdotool key Return
  expect dialog 'dialog=Neues Objekt'
  step "Escape after typing asks before it drops the changes"
  xdotool key Escape
  expect dialog 'dialog=Zifferbox' 'Static.65535=Damit verwerfen Sie die vorgenommenen Änderungen. Fortfahren?'
  xdotool key Return
  expect dialog 'dialog=none'
  expect state 'count=2' 'name=anker'
  step "the objects are still there after a restart"
  quit_zifferbox
  start_zifferbox
  expect state 'count=2' 'item.0=anker' 'item.1=Fahrrad grün' 'selected=0' 'name=anker'
  quit_zifferbox
}

journey_filter_kept() {
  seed_samples
  step "picking a filter in the drop-down"
  start_zifferbox
  expect state 'count=8' 'filter= - Alle -' 'filter.items= - Alle -| - Ohne -|Fahrzeuge|Geräte|Software'
  click_control ComboBox '*'
  expect windows 'window=ComboLBox|'
  xdotool key Down Down Down Return
  expect state 'filter=Geräte' 'count=3' 'selected=0' 'item.0=Kaffeevollautomat' 'item.1=Notebook' \
    'item.2=Smartphone' 'name=Kaffeevollautomat' 'focus=ListBox'
  step "closing and starting again: filter and objects are back"
  quit_zifferbox
  start_zifferbox
  expect state 'filter=Geräte' 'count=3' 'selected=0' 'name=Kaffeevollautomat'
  step "the objects without category"
  click_control ComboBox '*'
  expect windows 'window=ComboLBox|'
  xdotool key Up Up Return
  expect state 'filter= - Ohne -' 'count=1' 'item.0=Zweitschlüssel' 'name=Zweitschlüssel'
  quit_zifferbox
  start_zifferbox
  expect state 'filter= - Ohne -' 'count=1'
  quit_zifferbox
}

journey_copy() {
  seed_samples
  start_zifferbox
  step "Ctrl+C puts the shown object on the clipboard, one field per line"
  xdotool key Down Down
  expect state 'selected=2' 'name=Fahrrad'
  xdotool key ctrl+c
  expect clip 'clip=Fahrrad\r\nWTU 1234567\r\nRahmennummer unter dem Tretlager\r\nFahrzeuge\r\n'
  step "an X program reads exactly the four lines, nothing after them"
  command -v xclip >/dev/null || fail "xclip is missing (scripts/install-deps.sh)"
  xclip -o -selection clipboard >"$work/clip.txt" || fail "xclip -o"
  printf 'Fahrrad\nWTU 1234567\nRahmennummer unter dem Tretlager\nFahrzeuge\n' | cmp - "$work/clip.txt" ||
    fail "xclip read: $(od -c "$work/clip.txt")"
  expect state 'button.paste=1' 'count=8' 'selected=2'
  step "and Ctrl+V stores it again as a new object"
  xdotool key ctrl+v
  expect state 'count=9' 'item.2=Fahrrad' 'item.3=Fahrrad' 'name=Fahrrad' 'serial=WTU 1234567'
  quit_zifferbox
}

journey_paste() {
  seed_samples
  start_zifferbox
  step "text another program put on the clipboard is pasted with Ctrl+V"
  probe clip-set 'Werkbank\tWB-2024-17\tim Keller, Ölwanne\tWerkzeug' || fail "clip-set"
  xdotool key ctrl+v
  expect state 'count=9' 'item.7=Werkbank' 'selected=7' 'name=Werkbank' 'serial=WB-2024-17' \
    'remark=im Keller, Ölwanne'
  # The new category reaches the drop-down the next time it is filled.
  expect state 'filter.items= - Alle -| - Ohne -|Fahrzeuge|Geräte|Software'
  step "text that is no object pastes nothing"
  probe clip-set 'nur eine Zeile' || fail "clip-set"
  xdotool key ctrl+v
  # Sentinel: the category list opens only after the Ctrl+V before it was handled.
  xdotool key ctrl+l
  expect dialog 'dialog=Kategorien'
  xdotool key Escape
  expect dialog 'dialog=none'
  expect state 'count=9' 'name=Werkbank'
  quit_zifferbox
  start_zifferbox
  expect state 'count=9' 'filter.items= - Alle -| - Ohne -|Fahrzeuge|Geräte|Software|Werkzeug'
  quit_zifferbox
}

journey_delete() {
  seed_samples
  start_zifferbox
  xdotool key Down
  expect state 'selected=1' 'name=Büro-Paket 2024'
  step "Backspace asks; Cancel keeps the object"
  xdotool key BackSpace
  expect dialog 'dialog=Zifferbox' 'Static.65535=Das ausgewählte Objekt wird endgültig gelöscht. Fortfahren?' \
    'Button.1=OK' 'Button.2=Abbrechen'
  xdotool key Escape
  expect dialog 'dialog=none'
  expect state 'count=8' 'selected=1' 'name=Büro-Paket 2024' 'focus=ListBox'
  step "Backspace and OK delete it; the next one moves up and is selected"
  xdotool key BackSpace
  expect dialog 'dialog=Zifferbox'
  xdotool key Return
  expect dialog 'dialog=none'
  expect state 'count=7' 'selected=1' 'name=Fahrrad' '!item.1=Büro-Paket 2024'
  step "Delete on the last entry selects the new last one"
  xdotool key End
  expect state 'selected=6' 'name=Zweitschlüssel'
  xdotool key Delete
  expect dialog 'dialog=Zifferbox'
  xdotool key Return
  expect state 'count=6' 'selected=5' 'name=Smartphone'
  quit_zifferbox
  start_zifferbox
  expect state 'count=6' '!item.1=Büro-Paket 2024'
  quit_zifferbox
}

journey_category_list() {
  seed_samples
  start_zifferbox
  step "Ctrl+L: a category added appears in the drop-down at once"
  xdotool key ctrl+l
  expect dialog 'dialog=Kategorien' 'dialog.focus=1038' 'ListBox.1039.items=Fahrzeuge|Geräte|Software'
  xdotool type --delay 20 'Küche'
  expect dialog 'Edit.1038=Küche'
  xdotool key Return
  expect dialog 'ListBox.1039.items=Fahrzeuge|Geräte|Küche|Software'
  expect state 'filter.items= - Alle -| - Ohne -|Fahrzeuge|Geräte|Küche|Software'
  step "the editor offers it"
  xdotool key Escape
  expect dialog 'dialog=none'
  expect state 'focus=ListBox'
  xdotool key ctrl+n
  expect dialog 'dialog=Neues Objekt' 'ComboBox.1041.items= - Ohne -|Fahrzeuge|Geräte|Küche|Software'
  xdotool key Escape
  expect dialog 'dialog=none'
  quit_zifferbox
}

journey_help() {
  seed_samples
  start_zifferbox
  step "the help adornment opens the help viewer on the program's section"
  click_control Button '?'
  expect windows 'window=PegHelpWindow|Zifferbox-Hilfe - Zifferbox' \
    'foreground=PegHelpWindow|Zifferbox-Hilfe - Zifferbox'
  step "the viewer keeps the focus: Zifferbox does not take it back"
  # Sentinel: a selection posted into Zifferbox's queue shows once Zifferbox has handled what it
  # posted itself before; the selection is put back afterwards.
  local selected
  selected=$(probe state | tr -d '\r' | sed -n 's/^selected=//p')
  probe post-select $((selected == 0 ? 1 : 0)) || fail "post-select"
  expect state "selected=$((selected == 0 ? 1 : 0))"
  expect windows 'foreground=PegHelpWindow|Zifferbox-Hilfe - Zifferbox'
  probe post-select "$selected" || fail "post-select"
  expect state "selected=$selected"
  step "a click into Zifferbox's list activates it again"
  click_at 400 400
  expect state 'foreground=Zifferbox|Zifferbox' 'focus=ListBox'
  step "the editor's F1 shows the section about new objects in the same viewer"
  xdotool key ctrl+n
  expect dialog 'dialog=Neues Objekt'
  xdotool key F1
  expect windows 'window=PegHelpWindow|Zifferbox-Hilfe - Neues Objekt' '!window=PegHelpWindow|Zifferbox-Hilfe - Zifferbox'
  click_control '#32770' 'Neues Objekt'
  xdotool key Escape
  expect dialog 'dialog=none'
  quit_zifferbox
}

journey_second_start() {
  seed_samples
  start_zifferbox
  step "another program in front"
  start "$peghelp" 'zifferbox.htp#categories'
  expect windows 'foreground=PegHelpWindow|Zifferbox-Hilfe - Kategorienliste'
  step "a second start brings the first window to the front and ends"
  setsid wine "$zifferbox" </dev/null >/dev/null 2>&1 &
  local second=$!
  for _ in $(seq 100); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
  ! kill -0 "$second" 2>/dev/null || { kill "$second"; fail "the second zifferbox.exe still runs"; }
  wait "$second" || fail "the second zifferbox.exe ended with code $?"
  expect windows 'foreground=Zifferbox|Zifferbox'
  [ "$(probe windows | grep -c '^window=Zifferbox|')" = 1 ] || fail "two Zifferbox windows"
  expect state 'count=8'
  step "a second make run says so, ends with 0 and leaves the first and its Wine session running"
  local said
  said=$(BUILD_DIR=$build "$root/scripts/run-zifferbox.sh" </dev/null) || fail "run-zifferbox.sh ended with code $?"
  [ "$said" = "Zifferbox already runs and was brought to the front." ] || fail "run-zifferbox.sh said: $said"
  expect state 'count=8'
  quit_zifferbox
}

journey_setup() {
  step "the distribution folder, as make dist writes it; its programs are 0755 under any umask"
  (umask 077; DIST_DIR=$work/dist "$root/scripts/make-dist.sh" >/dev/null) || fail "make-dist.sh"
  [ "$(stat -c %a "$work"/dist/*.exe | sort -u)" = 755 ] || fail "program modes: $(stat -c '%a %n' "$work"/dist/*.exe)"
  cd "$work/dist"
  export ZIFFERBOX_DEVICE_DIR="Z:$(echo "$work/device" | tr / '\\')"
  step "the manager stand-in registers itself"
  start ./CEAppMgr.exe /register
  expect dialog 'dialog=Windows CE Anwendungsmanager' 'Static.65535=Der Anwendungsmanager ist angemeldet:*'
  # A click, not Enter: a box that a new process shows need not have the keyboard yet.
  click_control Button OK
  expect dialog 'dialog=none'
  step "setup asks; Cancel installs nothing"
  start ./setup.exe
  local cancelled=$last_pid
  expect dialog 'dialog=Setup' "Static.65535=Zifferbox ist eine Anwendung für Windows CE Geräte.\\nSie verwaltet die verschiedenen Zifferbox von Software, Geräten und anderen Dingen.\\n\\nWollen Sie 'Zifferbox' installieren?" 'Button.1=OK' 'Button.2=Abbrechen'
  xdotool key Escape
  expect dialog 'dialog=none'
  # Sentinel: setup has ended, so whatever it would have done after Cancel is done.
  for _ in $(seq 100); do kill -0 "$cancelled" 2>/dev/null || break; sleep 0.1; done
  ! kill -0 "$cancelled" 2>/dev/null || fail "setup.exe still runs after Cancel"
  expect dialog 'dialog=none'
  [ ! -e "$work/device" ] || fail "Cancel installed something"
  step "setup asks; OK starts the manager, which installs the handheld files"
  start ./setup.exe
  expect dialog 'dialog=Setup'
  xdotool key Return
  expect dialog 'dialog=Windows CE Anwendungsmanager' 'Static.65535=Zifferbox wurde auf dem Gerät installiert.*'
  xdotool key Return
  expect dialog 'dialog=none'
  local installed=$work/device/Programme/Zifferbox name
  mkdir -p "$work/cab"
  gcab -x -C "$work/cab" "$work/dist/Zifferbox.cab" || fail "gcab -x"
  for name in zifferbox.exe PegHelp.exe zifferbox.htp; do
    cmp "$installed/$name" "$work/cab/$name" || fail "$name differs from the medium's"
  done
  cmp "$installed/zifferbox.htp" "$build/app/zifferbox.htp" || fail "zifferbox.htp differs"
  step "the medium carries the programs stripped; the debug information stays in the build"
  for name in zifferbox.exe PegHelp.exe; do
    ! x86_64-w64-mingw32-objdump -h "$installed/$name" | grep -q debug_info || fail "$name has debug information"
  done
  x86_64-w64-mingw32-objdump -h "$zifferbox" | grep -q debug_info || fail "the build's zifferbox.exe lost its debug information"
  step "the installed program starts"
  zifferbox=$installed/zifferbox.exe
  start_zifferbox
  expect state 'count=0' 'filter= - Alle -'
  quit_zifferbox
}

# click_caption <dialog title> <ok|help>: a real click on a button of the dialog's caption strip,
# found from the dialog's window rectangle: the strip is the top of the client area inside the
# 3-pixel dialog frame; from its right end the close box (18 wide), OK (26) and "?" (16 + 2).
click_caption() {
  local geometry w h x y right top
  geometry=$(probe rect '#32770' "$1") || fail "no dialog $1"
  IFS='x+' read -r w h x y <<<"$geometry"
  right=$(( x + w - 3 - 2 - 18 ))
  top=$(( y + 3 ))
  case "$2" in
    ok) click_at $(( right - 13 )) $(( top + 9 )) ;;
    help) click_at $(( right - 26 - 2 - 8 )) $(( top + 9 )) ;;
  esac
}

journey_window_manager() {
  command -v openbox >/dev/null || fail "openbox is missing (scripts/install-deps.sh)"
  seed_samples
  step "a window manager draws the title bars, as in a new Wine prefix on a desktop"
  setsid openbox --sm-disable </dev/null >/dev/null 2>&1 &
  window_manager=$!
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d Y /f </dev/null >/dev/null 2>&1
  sleep 1
  kill -0 "$window_manager" 2>/dev/null || fail "openbox did not start"
  start_zifferbox
  xdotool key Down
  expect state 'selected=1' 'name=Büro-Paket 2024'
  step "the editor's caption strip: \"?\" opens its help, OK stores the change"
  xdotool key ctrl+o
  expect dialog 'dialog=Objekt bearbeiten' 'dialog.focus=1017'
  xdotool type --delay 20 'Office-Paket'
  expect dialog 'Edit.1017=Office-Paket'
  click_caption 'Objekt bearbeiten' help
  expect windows 'window=PegHelpWindow|Zifferbox-Hilfe - Objekt bearbeiten'
  expect dialog 'dialog=Objekt bearbeiten'
  click_caption 'Objekt bearbeiten' ok
  expect dialog 'dialog=none'
  expect state 'name=Office-Paket' 'serial=BP24-99812-ÄÖÜ'
  step "the category list's OK closes it"
  click_at 600 500  # the list, beside the help viewer that the window manager may have activated
  expect state 'foreground=Zifferbox|Zifferbox'
  xdotool key ctrl+l
  expect dialog 'dialog=Kategorien'
  click_caption 'Kategorien' ok
  expect dialog 'dialog=none'
  quit_zifferbox
}

journey_dense_screen() {
  # Texts from the top of "Ä" to the bottom of "g": their letters' whole height, so that a pixel
  # more or less is a small part of it.
  local rows=('Ägypten-Quittung' 'ÄÖÜ-gjpq-1234' 'Übergröße, gjpqy')
  local measured at96 at144 i strip96 ink96 strip144 ink144
  step "the detail rows at 96 DPI"
  start_zifferbox
  probe clip-set "${rows[0]}\\t${rows[1]}\\t${rows[2]}" || fail "clip-set"
  xdotool key ctrl+v
  expect state "name=${rows[0]}" "serial=${rows[1]}" "remark=${rows[2]}"
  measured=$(row_heights "${rows[@]}") || exit 1
  mapfile -t at96 <<<"$measured"
  quit_zifferbox
  step "at 144 DPI the rows' strips and letters are at least 1.4 times as high"
  density_changed=1
  set_density 144
  start_zifferbox
  measured=$(row_heights "${rows[@]}") || exit 1
  mapfile -t at144 <<<"$measured"
  quit_zifferbox
  for i in 0 1 2; do
    echo "${rows[i]}: strip and text ${at96[i]} at 96 DPI, ${at144[i]} at 144 DPI"
    read -r strip96 ink96 <<<"${at96[i]}"
    read -r strip144 ink144 <<<"${at144[i]}"
    (( strip144 * 10 >= strip96 * 14 )) || fail "the row of \"${rows[i]}\" is $strip144 pixels high, $strip96 at 96 DPI"
    (( ink144 * 10 >= ink96 * 14 )) || fail "the text \"${rows[i]}\" is $ink144 pixels high, $ink96 at 96 DPI"
  done
}

case "$journey" in
  first_start|new_object|filter_kept|copy|paste|delete|category_list|help|second_start|setup|window_manager|dense_screen)
    fresh_settings
    "journey_$journey"
    echo "journey $journey: passed"
    ;;
  *) echo "unknown journey $journey" >&2; exit 2 ;;
esac
