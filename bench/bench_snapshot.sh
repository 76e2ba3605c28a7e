#!/bin/sh
# Generates a drive of 200,000 files in 20,000 directories, maps it as s: and
# runs bench_snapshot.exe on it under Wine and Xvfb.
# usage: bench_snapshot.sh <bench_snapshot.exe>
set -eu
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}
own_prefix=
if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX=$(mktemp -d /tmp/wp-snapbench-XXXXXX)
    export WINEPREFIX
    own_prefix=1
    wineboot -i >/dev/null 2>&1
fi
work=$(mktemp -d /tmp/snapbench-XXXXXX)
cleanup() {
    rm -f "$WINEPREFIX/dosdevices/s:"
    rm -rf "$work"
    if [ -n "$own_prefix" ]; then
        wineserver -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    fi
}
trap cleanup EXIT INT TERM

python3 - "$work/tree" <<'PY'
import os, sys, random
root = sys.argv[1]
rnd = random.Random(7)
words = ["Bericht", "daten", "Konto", "img", "setup", "Übersicht", "log", "x", "Archiv-2001", "mueller's"]
dirs = [root]
os.makedirs(root)
# 100 top directories with 199 subdirectories each: 20,000 directories.
for i in range(100):
    top = os.path.join(root, "Ordner %03d %s" % (i, rnd.choice(words)))
    os.mkdir(top)
    dirs.append(top)
    for j in range(199):
        d = os.path.join(top, "%s_%03d" % (rnd.choice(words), j))
        os.mkdir(d)
        dirs.append(d)
# 200,000 files spread evenly, 10 per directory (the root gets none).
n = 0
for d in dirs[1:]:
    for k in range(10):
        name = "%s-%d_%s.%s" % (rnd.choice(words), n, rnd.choice(words), rnd.choice(["txt", "dat", "exe", "ini"]))
        with open(os.path.join(d, name), "wb") as f:
            f.write(b"x" * (n % 7))
        n += 1
print("generated", len(dirs) - 1, "directories,", n, "files")
PY
ln -sfn "$work/tree" "$WINEPREFIX/dosdevices/s:"
mkdir -p "$WINEPREFIX/drive_c/snapbench"
xvfb-run -a wine "$exe" s 'C:\snapbench'
rm -rf "$WINEPREFIX/drive_c/snapbench"
