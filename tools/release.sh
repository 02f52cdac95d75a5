#!/usr/bin/env bash
# Sets up and builds Kavro for Windows, takes the README's picture of its window (docs/kavro-window.png) from a
# virtual display, and makes the release archive build/windows/Kavro-<version>-win64.zip.
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
(cd build/windows && cpack -G ZIP >/dev/null) && echo "Release archive: $(ls build/windows/Kavro-*-win64.zip)" || {
    echo "Could not make the release archive."
    status=1
}
exit "$status"
