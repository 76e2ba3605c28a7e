#!/bin/sh
# Generates a drive of SIZE files in SIZE/10 directories (kept for the next
# run), maps it as s: and runs bench_snapshot.exe on it under Wine and Xvfb:
# first one snapshot in a fresh process for the memory, then the timed rounds.
# usage: bench_snapshot.sh <bench_snapshot.exe> [SIZE (default 200000)] [rounds]
#   SNAPBENCH_TREES: where generated trees are kept (default /tmp)
set -eu
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
size=${2:-200000}
rounds=${3:-9}
bench_name=snapbench bench_dir=$(dirname "$0")
. "$bench_dir/prefix.sh"
tree=${SNAPBENCH_TREES:-/tmp}/snapbench-tree-$size
cleanup() {
    rm -f "$WINEPREFIX/dosdevices/s:"
    rm -rf "$WINEPREFIX/drive_c/snapbench"
    bench_prefix_done
}
trap cleanup EXIT INT TERM

if [ ! -e "$tree/.complete" ]; then
    rm -rf "$tree"
    python3 - "$tree" "$size" <<'PY'
import os, sys, random
root, files = sys.argv[1], int(sys.argv[2])
rnd = random.Random(7)
words = ["Bericht", "daten", "Konto", "img", "setup", "Übersicht", "log", "x", "Archiv-2001", "mueller's"]
os.makedirs(root)
# 100 top directories, each with its share of subdirectories; 10 files in
# every directory but the root.
ndirs = max(100, files // 10)
dirs = []
for i in range(100):
    top = os.path.join(root, "Ordner %03d %s" % (i, rnd.choice(words)))
    os.mkdir(top)
    dirs.append(top)
    for j in range(ndirs // 100 - 1):
        d = os.path.join(top, "%s_%03d" % (rnd.choice(words), j))
        os.mkdir(d)
        dirs.append(d)
n = 0
for d in dirs:
    for k in range(10):
        name = "%s-%d_%s.%s" % (rnd.choice(words), n, rnd.choice(words), rnd.choice(["txt", "dat", "exe", "ini"]))
        with open(os.path.join(d, name), "wb") as f:
            f.write(b"x" * (n % 7))
        n += 1
open(os.path.join(root, ".complete"), "w").close()
print("generated", len(dirs), "directories,", n, "files in", root)
PY
fi
ln -sfn "$tree" "$WINEPREFIX/dosdevices/s:"
mkdir -p "$WINEPREFIX/drive_c/snapbench"
out=$(mktemp)
if [ -n "${DISPLAY:-}" ]; then run=; else run="xvfb-run -a"; fi
# The name=value lines of both runs go together at the end.
# The machine may be shared: the load around the timed rounds goes with the figures.
load_start=$(cut -d' ' -f1 /proc/loadavg)
$run wine "$exe" s 'C:\snapbench' memory | tee "$out" | grep -av '^[a-z_]*=' || true
$run wine "$exe" s 'C:\snapbench' "$rounds" | tee -a "$out" | grep -av '^[a-z_]*=' || true
echo "processors=$(nproc)"
echo "loadavg_start=$load_start"
echo "loadavg_end=$(cut -d' ' -f1 /proc/loadavg)"
grep -a '^[a-z_]*=' "$out" | tr -d '\r'
rm -f "$out"
