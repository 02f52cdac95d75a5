#!/usr/bin/env bash
# Runs a Windows program under Wine in the private prefix given as the first argument,
# creating the prefix on first use. Used as CMAKE_CROSSCOMPILING_EMULATOR: the tests' prefix,
# whose screen has 144 DPI, since at 96 DPI a program that ignores the DPI looks right.
set -uo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    # Several tests may start at once; only one may create the prefix, and the others wait
    # until its server has written the registry and ended.
    exec 9>"$prefix.lock"
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
        wineboot -i >"$prefix.boot.log" 2>&1 || { echo "wine-run: wineboot failed:" >&2; cat "$prefix.boot.log" >&2; }
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
        wineserver -w
    fi
    flock -u 9
fi
# A drive of the tests' own, R:, whose root they may fill and empty.
mkdir -p "$prefix-drive-r"
ln -sfn "$prefix-drive-r" "$prefix/dosdevices/r:"
start=$(date +%s.%N)
wine "$@"
code=$?
# A run that fails must say so, also when the program never started: Wine's own message
# (above) and the exit code.
if [ "$code" -ne 0 ]; then
    awk -v name="$(basename "$1")" -v code="$code" -v from="$start" -v to="$(date +%s.%N)" \
        'BEGIN { printf "wine-run: %s exited with code %d after %.2f s\n", name, code, to - from }' >&2
fi
exit "$code"
