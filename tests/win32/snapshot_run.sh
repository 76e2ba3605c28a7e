#!/bin/sh
# Runs snapshot_tests.exe under Wine with its fixture drives mapped:
#   q: a small tree (attributes, sizes, times, links, an unreadable directory)
#   r: a root that holds only files
#   l: paths reaching past MAX_PATH
#   p: names that differ only in case or end in a dot or blank, wide and deep
# usage: snapshot_run.sh <snapshot_tests.exe> [gtest arguments]
set -eu
exe=$1
shift

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}
# The expected DOS times are local times; UTC makes them independent of the machine.
export TZ=UTC

# ctest gives the test a prefix of its own; run by hand it makes one in $TMPDIR.
own_prefix=
if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/wp-snap-XXXXXX")
    export WINEPREFIX
    own_prefix=1
fi
sh "$(dirname "$0")/../../scripts/wine-prefix.sh" "$WINEPREFIX"

# Beside the test program rather than in /tmp: the DOS attributes Wine keeps
# in extended attributes need a file system that stores them.
work=$(mktemp -d "$(cd "$(dirname "$exe")" && pwd)/snapfix-XXXXXX")
cleanup() {
    rm -f "$WINEPREFIX/dosdevices/q:" "$WINEPREFIX/dosdevices/r:" "$WINEPREFIX/dosdevices/l:" \
        "$WINEPREFIX/dosdevices/p:"
    chmod -R u+rwx "$work" 2>/dev/null || true
    rm -rf "$work"
    if [ -n "$own_prefix" ]; then
        wineserver -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    fi
}
trap cleanup EXIT INT TERM

t=$work/tree
mkdir -p "$t/sub/nested" "$t/sub/empty" "$t/locked" "$work/outside" "$work/files"
printf hello >"$t/plain.txt"
: >"$t/.hidden"
printf abc >"$t/ro.txt"
printf x >"$t/Müller.txt"
printf data >"$t/sys.dat"
printf 'deep\n' >"$t/sub/nested/deep.txt"
printf s >"$t/locked/secret.txt"
printf e >"$work/outside/escaped.txt"
truncate -s 3000000000 "$t/big.bin"
ln -s . "$t/loop"
ln -s "$work/outside" "$t/offdrive"
touch -d '2001-05-17 14:30:20' "$t/plain.txt" "$t/Müller.txt"
touch -d '2010-01-02 03:04:06' "$t/.hidden"
touch -d '2020-02-29 23:59:58' "$t/ro.txt"
touch -d '1999-12-31 23:59:59' "$t/big.bin"
touch -d '2005-06-07 08:09:10' "$t/sub/nested/deep.txt" "$t/sys.dat"
chmod 444 "$t/ro.txt"
chmod 000 "$t/locked"

printf ab >"$work/files/a.txt"
printf BBB >"$work/files/B.TXT"
printf '' >"$work/files/c d.txt"
touch -d '2001-05-17 14:30:20' "$work/files/"*

# L:\a(120)\b(120) is 244 characters: c(20) below it is 265, too long to be
# tested; g(14) is 259, the longest that can be, and d(12) 257, but their listing
# patterns (263, 261) are too long: f.txt inside d is never seen. e(20) is a file
# whose path is too long, which needs no test.
a=$(printf '%0120d' 0 | tr 0 a); b=$(printf '%0120d' 0 | tr 0 b)
c=$(printf '%020d' 0 | tr 0 c); d=$(printf '%012d' 0 | tr 0 d)
e=$(printf '%020d' 0 | tr 0 e); g=$(printf '%014d' 0 | tr 0 g)
l=$work/long
mkdir -p "$l/$a/$b/$c" "$l/$a/$b/$d" "$l/$a/$b/$g"
printf x >"$l/$a/$b/$e"
printf y >"$l/$a/$b/$d/f.txt"
printf z >"$l/$a/$b/f.txt"
touch -d '2001-05-17 14:30:20' "$l/$a/$b/$c" "$l/$a/$b/$e" "$l/$a/$b/f.txt"

# p: what only a Unix disk holds, for the parallel walk against the single-threaded
# one: names differing only in case, a trailing dot or blank (whose paths Win32
# reads as other names), a wide directory and a deep one.
p=$work/odd
mkdir -p "$p/Daten/x" "$p/daten" "$p/x" "$p/x." "$p/deep/1/2/3/4/5/6/7/8/9" "$p/wide"
printf a >"$p/Daten/f" && printf bb >"$p/daten/f" && printf c >"$p/x/in-x" && printf d >"$p/x./in-x-dot"
printf e >"$p/y " && printf f >"$p/Y" && printf g >"$p/deep/1/2/3/4/5/6/7/8/9/bottom"
for i in $(seq 1 300); do : >"$p/wide/w$i"; done
mkdir "$p/wide/d1" "$p/wide/d2" && ln -s .. "$p/wide/up"

ln -sfn "$t" "$WINEPREFIX/dosdevices/q:"
ln -sfn "$p" "$WINEPREFIX/dosdevices/p:"
ln -sfn "$l" "$WINEPREFIX/dosdevices/l:"
ln -sfn "$work/files" "$WINEPREFIX/dosdevices/r:"

# As root the locked directory is only locked without the capabilities that
# override file permissions.
run=
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null 2>&1; then
    run="setpriv --bounding-set -dac_override,-dac_read_search --"
fi
if $run ls "$t/locked" >/dev/null 2>&1; then
    echo "snapshot_run.sh: cannot make a directory unreadable here; the locked case is checked as readable" >&2
    export SNAP_LOCKED=0
else
    export SNAP_LOCKED=1
fi
export SNAP_FIXTURE=1
$run wine "$exe" "$@"
