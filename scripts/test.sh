#!/usr/bin/env bash
# Sets up what is missing, builds everything and runs every test:
# native unit tests (with sanitizers), Win32 tests under Wine, end-to-end tests
# that drive the real Setup.exe under Wine and Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup-deps.sh
source scripts/wine-env.sh

jobs=$(nproc)
echo "== native build (ASan/UBSan)"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
echo "== Windows build"
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"

ensure_display
# The end-to-end tests pack their fixtures with the native packer.
export KELVAR_KVRPACK="$root/build/native/kvrpack"
work=$(mktemp -d /tmp/kelvar-test-XXXXXX)
new_prefix "$work/prefix"
status=0
echo "== native tests"
ctest --preset native -j "$jobs" || status=1
echo "== Windows tests under Wine (DISPLAY=$DISPLAY)"
ctest --preset windows || status=1
wineserver -k 2>/dev/null || true
rm -rf "$work"
exit $status
