#!/usr/bin/env bash
# Sets up, builds Kavro for Windows and starts it under Wine.
set -euo pipefail
KAVRO_ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$KAVRO_ROOT"
bash tools/setup-debian.sh
source tools/wine-env.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
exec wine build/windows/Kavro.exe
