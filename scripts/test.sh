#!/usr/bin/env bash
# Sets up what is missing, builds everything and runs every test: native unit
# tests (with sanitizers), Win32 tests under Wine, end-to-end tests that drive
# the real Setup.exe under Wine and Xvfb, and the reproducible release build.
# Ends with a summary: per part its time, then tests run, passed, failed and
# skipped (a skip counts as a failure), and last a line "N passed, N failed".
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

jobs=${KELVAR_JOBS:-$(nproc)}
results=$(mktemp -d /tmp/kelvar-test-XXXXXX)
trap 'rm -rf "$results"' EXIT
times=()
status=0

# part NAME COMMAND...: runs and times one part; a failing part fails the run.
part() {
    local name=$1 start=$SECONDS rc=0
    shift
    echo "== $name"
    "$@" || rc=$?
    times+=("$(printf '%-30s %5d s%s' "$name" $((SECONDS - start)) "$([[ $rc == 0 ]] || echo "  FAILED ($rc)")")")
    [[ $rc == 0 ]] || status=1
    return 0
}
# ctest_part NAME PRESET: the preset's tests, results kept as JUnit.
ctest_part() {
    part "$1" ctest --preset "$2" -j "$3" --output-junit "$results/$2.xml"
}
build() { # PRESET
    cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$jobs"
}
summary() {
    echo
    echo "== summary"
    printf '  %s\n' "${times[@]}"
    python3 - "$results" "$status" <<'PY'
import glob, sys, xml.etree.ElementTree as ET
passed = failed = skipped = 0
for f in sorted(glob.glob(sys.argv[1] + "/*.xml")):
    for case in ET.parse(f).getroot().iter("testcase"):
        if case.find("failure") is not None or case.get("status") == "fail":
            failed += 1
        elif case.find("skipped") is not None or case.get("status") in ("notrun", "disabled"):
            skipped += 1
            print(f"  skipped: {case.get('name')}")
        else:
            passed += 1
extra = 1 if sys.argv[2] != "0" and failed == 0 else 0  # a failed build or check counts once
print(f"  tests run: {passed + failed + skipped}, passed: {passed}, failed: {failed}, "
      f"skipped: {skipped} (must be 0)")
print(f"{passed} passed, {failed + skipped + extra} failed")
sys.exit(1 if failed + skipped + extra else 0)
PY
}

part "dependencies" bash scripts/setup-deps.sh
source scripts/wine-env.sh
part "native build (ASan/UBSan)" build native
part "Windows build" build windows
if ((status)); then
    summary || true
    exit 1
fi

ensure_display
ctest_part "native tests" native "$jobs"
# Every Wine test names its own prefix; one that does not lands here, not in
# ~/.wine, and fails the run.
stray=$root/build/windows/wine/stray-prefix
rm -rf "$stray"
export WINEPREFIX=$stray
ctest_part "Windows tests under Wine" windows 1
unset WINEPREFIX
if [[ -e "$stray" ]]; then
    echo "a Wine test ran without a prefix of its own: $stray" >&2
    status=1
fi
part "reproducible release" bash scripts/check-reproducible.sh

summary || status=1
exit $status
