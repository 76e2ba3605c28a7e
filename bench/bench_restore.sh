#!/bin/sh
# Runs bench_restore_win.exe under Wine in a fresh prefix: TBackupFile against
# a bare ReadFile/inflate/WriteFile loop, both writing real files on C:.
# usage: bench_restore.sh <bench_restore_win.exe> [MiB (default 64)] [rounds]
set -eu
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
bench_name=restbench bench_dir=$(dirname "$0")
. "$bench_dir/prefix.sh"
cleanup() {
    rm -rf "$WINEPREFIX/drive_c/restbench"
    bench_prefix_done
}
trap cleanup EXIT INT TERM
mkdir -p "$WINEPREFIX/drive_c/restbench"
wine "$exe" 'C:\restbench' "${2:-64}" "${3:-5}" | tr -d '\r'
echo "processors=$(nproc)"
