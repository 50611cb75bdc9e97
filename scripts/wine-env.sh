# Sourced: the environment every Wine run of this project uses. Never the user's own prefix.
ZB_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${ZB_WINEPREFIX:-$ZB_ROOT/build/wineprefix}"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono/Gecko prompts; a crashing program ends instead of waiting in the debugger.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# Wine takes its user-interface language from the locale: message boxes of the German program
# get German buttons ("Abbrechen"). scripts/install-deps.sh generates this locale.
export LC_ALL=de_DE.UTF-8
