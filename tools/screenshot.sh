#!/usr/bin/env bash
# Run inside an X display (xvfb-run): starts Kavro under Wine, photographs its window and
# writes the picture to the path given (PNG).
set -euo pipefail
out=$1
KAVRO_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$KAVRO_ROOT/tools/wine-env.sh"
wine "$KAVRO_ROOT/build/windows/Kavro.exe" </dev/null >/dev/null 2>&1 &
kavro=$!
for _ in $(seq 50); do
    sleep 0.2
    # The window is grey on the black screen: once it shows, trimming finds it.
    import -window root -trim +repage "$out.tmp.png" 2>/dev/null || continue
    [ "$(identify -format %w "$out.tmp.png")" -gt 100 ] && break
done
sleep 1
import -window root -trim +repage "$out"
rm -f "$out.tmp.png"
kill "$kavro" 2>/dev/null || true
wait "$kavro" 2>/dev/null || true
