#!/bin/sh
# The registry snapshot over a generated tree of SIZE keys shaped like a real
# machine's registry (bench/reggen.exe), under Wine and Xvfb: first one
# snapshot in a fresh process for the memory, then the timed rounds.
# Wine keeps the registry in wineserver's memory and in the prefix's .reg
# files, so the tree lives in a prefix of its own that is kept for the next
# run, as the generated drive trees are.
# usage: bench_registry.sh <bench_snapshot.exe> <reggen.exe> [SIZE (default 1000000)] [rounds (default 4, at least 4)]
#   SNAPBENCH_TREES: where generated trees are kept (default /tmp)
set -eu
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
gen=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
size=${3:-1000000}
rounds=${4:-4}
bench_dir=$(dirname "$0")
kept=${SNAPBENCH_TREES:-/tmp}/regbench-prefix-$size
export WINEPREFIX=${WINEPREFIX:-$kept}
bench_name=regbench
. "$bench_dir/prefix.sh"
sh "$bench_dir/../scripts/wine-prefix.sh" "$WINEPREFIX"
cleanup() {
    rm -rf "$WINEPREFIX/drive_c/regbench"
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    bench_prefix_done
}
trap cleanup EXIT INT TERM
if [ -n "${DISPLAY:-}" ]; then run=; else run="xvfb-run -a"; fi

if [ ! -e "$WINEPREFIX/.regbench-complete" ]; then
    start=$(date +%s)
    wine "$gen" delete
    keys=$(wine "$gen" "$size" | tr -d '\r')
    made=$(date +%s)
    # wineserver writes the registry to user.reg when the last process has gone.
    wineserver -w
    saved=$(date +%s)
    echo "generated $keys keys in $((made - start)) s, saved by wineserver in $((saved - made)) s," \
        "user.reg $(du -m "$WINEPREFIX/user.reg" | cut -f1) MB"
    echo "$keys" >"$WINEPREFIX/.regbench-complete"
fi
# wineserver writes a changed registry to the prefix's .reg files every 30 s
# and answers no registry call while it writes: the whole user.reg, more than a
# second at a million keys. Starting Wine changes a few values, so that write
# would fall into the first walk as a gap that no snapshot can avoid (Windows
# writes its hives in the background). The server is therefore kept running
# for all the runs, and its first write is waited for before any is timed.
start=$(date +%s)
wineserver -p 2>/dev/null || true
wine cmd /c exit 0 >/dev/null 2>&1 || true
echo "wineserver started with the kept registry in $(($(date +%s) - start)) s"
saved=$(stat -c %y "$WINEPREFIX/user.reg" "$WINEPREFIX/system.reg")
waited=0
while [ "$waited" -lt 40 ] && [ "$(stat -c %y "$WINEPREFIX/user.reg" "$WINEPREFIX/system.reg")" = "$saved" ]; do
    sleep 1
    waited=$((waited + 1))
done
# system.reg is written first, user.reg, the large one, after it.
sleep 3
echo "waited $waited s for wineserver's periodic registry write"
mkdir -p "$WINEPREFIX/drive_c/regbench"
out=$(mktemp)
# The name=value lines of both runs go together at the end.
$run wine "$exe" registry 'C:\regbench' memory | tee "$out" | grep -av '^[a-z_]*=' || true
$run wine "$exe" registry 'C:\regbench' "$rounds" | tee -a "$out" | grep -av '^[a-z_]*=' || true
echo "processors=$(nproc)"
grep -a '^[a-z_]*=' "$out" | tr -d '\r'
rm -f "$out"
