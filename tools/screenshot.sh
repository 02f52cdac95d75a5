#!/usr/bin/env bash
# Run inside an X display (xvfb-run): starts Kavro under Wine, photographs its window and
# writes the picture to the path given (PNG).
set -euo pipefail
out=$1
KAVRO_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$KAVRO_ROOT/tools/wine-env.sh"
wine "$KAVRO_ROOT/build/windows/Kavro.exe" </dev/null >/dev/null 2>&1 &
kavro=$!
shot="$out.tmp.png"
# The window is grey on the black screen: once it shows, trimming finds it. No dates in the
# file, so an unchanged window gives an unchanged picture.
take() { import -window root -trim +repage -define png:exclude-chunks=date,time "$shot" 2>/dev/null; }
width() { identify -format %w "$shot" 2>/dev/null || echo 0; }
for _ in $(seq 50); do
    sleep 0.2
    take && [ "$(width)" -gt 100 ] && break
done
sleep 1
take || true
kill "$kavro" 2>/dev/null || true
wait "$kavro" 2>/dev/null || true
if [ "$(width)" -le 100 ]; then
    rm -f "$shot"
    echo "The window did not show; the picture was left as it was." >&2
    exit 1
fi
mv "$shot" "$out"
