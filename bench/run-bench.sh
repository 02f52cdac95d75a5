#!/usr/bin/env bash
# Times kavro-bench (under Wine) against GNU split with the same piece size on the same
# disk, alternating runs, and prints both medians and their ratio. Then times the window's
# share: 20 MiB in 10 kB pieces through the real main window and with silent window operations.
# Usage: bash bench/run-bench.sh [RUNS] [SOURCE_MIB] [PIECE_MIB]
set -euo pipefail
# The window part needs an X display: without one, the whole script runs under Xvfb.
[ -n "${DISPLAY:-}" ] || exec xvfb-run -a bash "$0" "$@"
runs=${1:-7}
source_mib=${2:-1024}
piece_mib=${3:-10}
KAVRO_ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$KAVRO_ROOT"
bash tools/setup-debian.sh
source tools/wine-env.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target kavro-bench >/dev/null

work="$KAVRO_ROOT/build/bench"
mkdir -p "$work/kavro" "$work/split"
source_file="$work/kavro/source.bin"
if [ "$(stat -c %s "$source_file" 2>/dev/null || echo 0)" -ne $((source_mib * 1048576)) ]; then
    head -c $((source_mib * 1048576)) /dev/urandom >"$source_file"
fi
piece_bytes=$((piece_mib * 1048576))
bench_exe="$KAVRO_ROOT/build/windows/kavro-bench.exe"

# A running server, started here, so that every run pays the same Wine start-up and its
# CPU time can be counted with the run's own.
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wineserver -k 2>/dev/null || true
wineserver -f -p &
server=$!
trap 'wineserver -k 2>/dev/null; kill $server 2>/dev/null || true' EXIT
# Wine's services start with the first program and outlive it: give them no terminal or pipe.
wine cmd /c exit </dev/null >/dev/null 2>&1
server_cpu() { awk '{print $14 + $15}' "/proc/$server/stat"; }
ticks=$(getconf CLK_TCK)

clean() {
    find "$work/kavro" -name 'source.[0-9]*' -delete
    rm -f "$work/kavro/source.bat" "$work/split"/source.*
    sync
}

# Kavro's wall time is the split's own, as kavro-bench measures it from the first file operation
# to the last: kavro-bench also carries the main window for --window, so Wine loads the common
# dialog and shell DLLs at its start and unloads them at its end, which costs it 0.1-0.25 s that
# no user of Kavro waits for (the program is running when a split starts). CPU is the process's.
run_kavro() {
    local before after seconds
    before=$(server_cpu)
    seconds=$(/usr/bin/time -f "%e %U %S" -o "$work/time.txt" wine "$bench_exe" "$source_file" "$piece_bytes" |
        awk '/^seconds/ {print $2}')
    after=$(server_cpu)
    awk -v w="$seconds" -v s=$((after - before)) -v t="$ticks" '{printf "%s %.3f\n", w, $2 + $3 + s / t}' "$work/time.txt"
}

run_split() {
    /usr/bin/time -f "%e %U %S" -o "$work/time.txt" split -b "$piece_bytes" -d -a 3 "$source_file" "$work/split/source."
    awk '{printf "%s %.3f\n", $1, $2 + $3}' "$work/time.txt"
}

clean
run_kavro >/dev/null # warm-up: page cache and Wine's DLLs
clean
: >"$work/kavro.txt"
: >"$work/split.txt"
# The order swaps every round (Kavro first, then split first): on a virtual machine a run can
# pay for memory the previous run's clean-up freed, and that cost must not always fall on one.
for ((i = 1; i <= runs; i++)); do
    if ((i % 2)); then
        run_kavro >>"$work/kavro.txt"
        clean
        run_split >>"$work/split.txt"
    else
        run_split >>"$work/split.txt"
        clean
        run_kavro >>"$work/kavro.txt"
    fi
    clean
done

median() { sort -n | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
kw=$(cut -d' ' -f1 "$work/kavro.txt" | median)
kc=$(cut -d' ' -f2 "$work/kavro.txt" | median)
sw=$(cut -d' ' -f1 "$work/split.txt" | median)
sc=$(cut -d' ' -f2 "$work/split.txt" | median)
echo "source ${source_mib} MiB, pieces ${piece_mib} MiB, ${runs} alternating runs each"
echo "kavro-bench (Wine): wall ${kw} s, CPU ${kc} s (median)"
echo "GNU split -b:       wall ${sw} s, CPU ${sc} s (median)"
echo "fastest runs: kavro-bench $(cut -d' ' -f1 "$work/kavro.txt" | sort -n | head -n 1) s, split $(cut -d' ' -f1 "$work/split.txt" | sort -n | head -n 1) s"
awk -v kw="$kw" -v sw="$sw" -v kc="$kc" -v sc="$sc" \
    'BEGIN {printf "ratio kavro/split: wall %.2f, CPU %.2f\n", kw / sw, (sc > 0 ? kc / sc : 0)}'

# The window's share: the same split through the real main window (--window) and silent.
small="$work/window/source.bin"
mkdir -p "$work/window"
[ -f "$small" ] || head -c $((20 * 1048576)) /dev/urandom >"$small"
bench_seconds() {
    find "$work/window" -name 'source.[0-9]*' -delete
    rm -f "$work/window/source.bat"
    wine "$bench_exe" "$@" "$small" 10240 </dev/null | awk '/^seconds/ {print $2}'
}
window_runs() {
    for ((i = 1; i <= runs; i++)); do
        echo "$(bench_seconds) $(bench_seconds --window)"
    done
}
window_runs >"$work/window.txt"
ws=$(cut -d' ' -f1 "$work/window.txt" | median)
ww=$(cut -d' ' -f2 "$work/window.txt" | median)
echo "20 MiB in 10 kB pieces (2048 pieces), ${runs} runs each, until the final message:"
echo "silent window operations: ${ws} s, real main window: ${ww} s (median)"
awk -v w="$ww" -v s="$ws" 'BEGIN {printf "ratio window/silent: %.2f\n", w / s}'
