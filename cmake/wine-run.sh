#!/usr/bin/env bash
# Runs a Windows program under Wine in the private prefix given as the first argument,
# creating the prefix on first use. Used as CMAKE_CROSSCOMPILING_EMULATOR.
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    # Several tests may start at once; only one may create the prefix.
    exec 9>"$prefix.lock"
    flock 9
    [ -f "$prefix/system.reg" ] || wineboot -i >/dev/null 2>&1
    flock -u 9
fi
exec wine "$@"
