#!/bin/sh
# Runs bench_hash_win.exe under Wine in a fresh prefix: the SHA-256 of a
# packed file by CNG against the bare copy of the same file, both on C:.
# usage: bench_hash.sh <bench_hash_win.exe> [MiB (default 300)] [rounds (default 5)]
set -eu
exe=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
bench_name=hashbench bench_dir=$(dirname "$0")
. "$bench_dir/prefix.sh"
cleanup() {
    rm -rf "$WINEPREFIX/drive_c/hashbench"
    bench_prefix_done
}
trap cleanup EXIT INT TERM
mkdir -p "$WINEPREFIX/drive_c/hashbench"
wine "$exe" 'C:\hashbench' "${2:-300}" "${3:-5}" | tr -d '\r'
echo "processors=$(nproc)"
