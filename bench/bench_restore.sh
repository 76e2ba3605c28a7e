#!/bin/sh
# Runs bench_restore_win.exe under Wine in a fresh prefix: TBackupFile against
# a bare ReadFile/inflate/WriteFile loop, both writing real files on C:.
# usage: bench_restore.sh <bench_restore_win.exe> [MiB (default 64)] [rounds]
set -eu
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}
own_prefix=
if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX=$(mktemp -d /tmp/wp-restbench-XXXXXX)
    export WINEPREFIX
    own_prefix=1
    sh "$(dirname "$0")/../scripts/wine-prefix.sh" "$WINEPREFIX"
fi
cleanup() {
    rm -rf "$WINEPREFIX/drive_c/restbench"
    if [ -n "$own_prefix" ]; then
        wineserver -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    fi
}
trap cleanup EXIT INT TERM
mkdir -p "$WINEPREFIX/drive_c/restbench"
wine "$exe" 'C:\restbench' "${2:-64}" "${3:-5}" | tr -d '\r'
echo "processors=$(nproc)"
