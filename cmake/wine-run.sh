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
# For a test that asks for it, a drive of its own, R:, at a folder emptied for each run: a small file system of its own
# where one can be mounted (as root), so that its space runs out after 4 MiB.
mounted=
if [ -n "${KAVRO_TEST_DRIVE:-}" ]; then
    drive="$prefix-drive-r"
    mkdir -p "$drive"
    if ! mountpoint -q "$drive" && mount -t tmpfs -o size=4m kavro-test-drive "$drive" 2>/dev/null; then
        mounted=1
    fi
    find "$drive" -mindepth 1 -delete
    ln -sfn "$drive" "$prefix/dosdevices/r:"
fi
start=$(date +%s.%N)
wine "$@"
code=$?
[ -z "$mounted" ] || umount -l "$drive"
# A run that fails must say so, also when the program never started: Wine's own message
# (above) and the exit code.
if [ "$code" -ne 0 ]; then
    awk -v name="$(basename "$1")" -v code="$code" -v from="$start" -v to="$(date +%s.%N)" \
        'BEGIN { printf "wine-run: %s exited with code %d after %.2f s\n", name, code, to - from }' >&2
fi
exit "$code"
