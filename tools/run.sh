#!/usr/bin/env bash
# Sets up, builds Kavro for Windows and starts it under Wine on the X display.
set -euo pipefail
KAVRO_ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$KAVRO_ROOT"
bash tools/setup-debian.sh
source tools/wine-env.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
# Wine shows its windows on an X display; without one it ends at once, and its messages are switched off.
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    echo "run.sh: there is no X display to show Kavro on (DISPLAY is \"${DISPLAY:-}\")." >&2
    echo "run.sh: for a quick look on a virtual display: xvfb-run -a bash tools/run.sh" >&2
    exit 1
fi
set +e
wine build/windows/Kavro.exe
code=$?
if [ "$code" -ne 0 ]; then
    echo "run.sh: Kavro.exe exited with code $code" >&2
fi
exit "$code"
