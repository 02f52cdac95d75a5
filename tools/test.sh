#!/usr/bin/env bash
# Sets up, builds and runs every test: the text logic natively under the sanitizers, the rest
# cross-compiled for Windows under Wine and Xvfb. Ends with a "N passed, N failed" line.
set -uo pipefail
KAVRO_ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$KAVRO_ROOT"
bash tools/setup-debian.sh || exit 1
source tools/wine-env.sh

build_failed() {
    echo "The build failed."
    echo "0 passed, 1 failed"
    exit 1
}
cmake --preset native >/dev/null && cmake --build --preset native || build_failed
cmake --preset windows >/dev/null && cmake --build --preset windows || build_failed

ctest --preset native 2>&1 | tee build/native-tests.log
xvfb-run -a ctest --preset windows 2>&1 | tee build/windows-tests.log

# The README's picture of the window (a fresh Wine server on the new display), and the
# release archive.
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
# The program's own prefix (the tests have theirs), made and settled before the picture is taken.
[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
xvfb-run -a -s "-screen 0 640x480x24" bash tools/screenshot.sh docs/kavro-window.png ||
    echo "Could not take the screenshot of the window."
(cd build/windows && cpack -G ZIP >/dev/null) && echo "Release archive: $(ls build/windows/Kavro-*-win64.zip)"

wineserver -k 2>/dev/null
WINEPREFIX="$KAVRO_ROOT/build/windows/test-wineprefix" wineserver -k 2>/dev/null

passed=0
failed=0
for log in build/native-tests.log build/windows-tests.log; do
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [ -z "$line" ]; then
        failed=$((failed + 1)) # the run itself broke off
        continue
    fi
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((passed + t - f))
    failed=$((failed + f))
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
