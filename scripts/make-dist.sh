#!/usr/bin/env bash
# Builds dist/, the installation medium: setup.exe, Zifferbox.ini and Zifferbox.cab (the
# handheld files packed with gcab), our CEAppMgr.exe stand-in, the desktop store tool
# zbstore.exe and LIESMICH.txt.
# Run after the build (`make dist` does both).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
dist=${DIST_DIR:-$root/dist}

# The help viewer is built beside zifferbox.exe, as it lies beside it on the device.
peghelp="$build/app/PegHelp.exe"
[ -f "$peghelp" ] || peghelp="$build/tools/peghelp/PegHelp.exe"
payload=("$build/app/zifferbox.exe" "$peghelp" "$root/tools/peghelp/zifferbox.htp")
medium=("$build/setup/setup.exe" "$root/setup/Zifferbox.ini" "$build/tools/ceappmgr/CEAppMgr.exe"
        "$build/tools/zbstore/zbstore.exe" "$root/setup/LIESMICH.txt")
missing=0
for file in "${payload[@]}" "${medium[@]}"; do
  if [ ! -f "$file" ]; then echo "make-dist: missing $file" >&2; missing=1; fi
done
[ "$missing" = 0 ] || { echo "make-dist: build first (make build)" >&2; exit 1; }

strip=${STRIP:-x86_64-w64-mingw32-strip}
command -v "$strip" >/dev/null || { echo "make-dist: $strip is missing (scripts/install-deps.sh)" >&2; exit 1; }
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
cp "${payload[@]}" "$staging/"
rm -rf "$dist"
mkdir -p "$dist"
cp "${medium[@]}" "$dist/"
# The medium carries stripped programs; the debug information stays in the build tree.
"$strip" "$staging"/*.exe "$dist"/*.exe
# -n: names without folders, which the manager insists on; -z: compressed.
(cd "$staging" && gcab -c -n -z "$dist/Zifferbox.cab" zifferbox.exe PegHelp.exe zifferbox.htp)
# The medium is the same whatever the umask it was made under: the programs were created by the
# linker and copied with that umask, and under 077 nobody else could read or start them.
chmod 0755 "$dist" "$dist"/*.exe
chmod 0644 "$dist"/*.ini "$dist"/*.cab "$dist"/*.txt
echo "make-dist: $(cd "$dist" && ls | tr '\n' ' ')in $dist"
