#!/usr/bin/env bash
# Sets up and builds Kavro for Windows, takes the README's picture of its window (docs/kavro-window.png) from a
# virtual display, and makes and checks the release archive build/windows/Kavro-<version>-win64.zip.
set -uo pipefail
KAVRO_ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$KAVRO_ROOT"
bash tools/setup-debian.sh || exit 1
source tools/wine-env.sh
cmake --preset windows >/dev/null && cmake --build --preset windows || { echo "The build failed."; exit 1; }

# The program's own prefix, made and settled before the picture is taken, with a fresh Wine server on the new display.
wineserver -k 2>/dev/null
[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
status=0
xvfb-run -a -s "-screen 0 640x480x24" bash tools/screenshot.sh docs/kavro-window.png || {
    echo "Could not take the screenshot of the window."
    status=1
}
wineserver -k 2>/dev/null

# The archive, made afresh, holds exactly the exe just built and LIESMICH.txt, or this fails loudly.
rm -f build/windows/Kavro-*-win64.zip
if ! (cd build/windows && cpack -G ZIP >/dev/null); then
    echo "Could not make the release archive." >&2
    exit 1
fi
archive=$(ls build/windows/Kavro-*-win64.zip)
listing=$(unzip -Z1 "$archive" | sort | tr '\n' ' ')
if [ "$listing" != "Kavro.exe LIESMICH.txt " ]; then
    echo "The release archive $archive holds \"$listing\", not exactly Kavro.exe and LIESMICH.txt." >&2
    exit 1
fi
if ! unzip -p "$archive" Kavro.exe | cmp -s - build/windows/Kavro.exe; then
    echo "The Kavro.exe in $archive is not the one just built." >&2
    exit 1
fi
echo "Release archive: $archive (Kavro.exe, LIESMICH.txt)"
exit "$status"
