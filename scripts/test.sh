#!/usr/bin/env bash
# Sets up what is missing, builds everything and runs every test: native unit
# tests (with sanitizers; the parallel drive walk's also with ThreadSanitizer),
# Win32 tests under Wine, end-to-end tests that drive the real Setup.exe under
# Wine and Xvfb, the reproducible release build and a short run of each
# fuzzer. Ends with a summary: per part its time, the five slowest tests, then
# tests run, passed, failed and skipped (a skip counts as a failure), and last
# a line "N passed, N failed".
#   scripts/test.sh           everything (what CI runs), and a build of Setup.exe
#                             without precompiled headers
#   scripts/test.sh --quick   the edit loop: native tests and the Win32 tests,
#                             no end-to-end tests, no release, no fuzzing,
#                             no ThreadSanitizer build
# The Wine tests run side by side ($KELVAR_WINE_JOBS at a time, default twice
# the processors: they mostly wait), each in its own prefix and on its own
# Xvfb display from $KELVAR_XVFB_DISPLAY ("FIRST-LAST", default 90-130). The
# release check, the fuzzers, the ThreadSanitizer build and the boot of the
# Wine tests' template prefix run beside the builds.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

quick=0
case "${1:-}" in
    --quick) quick=1 ;;
    "") ;;
    *) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2; exit 2 ;;
esac

jobs=${KELVAR_JOBS:-$(nproc)}
wine_jobs=${KELVAR_WINE_JOBS:-$((2 * $(nproc)))}
results=$(mktemp -d /tmp/kelvar-test-XXXXXX)
bg_pids=()
cleanup() {
    local pid
    for pid in "${bg_pids[@]}"; do [[ -z "$pid" ]] || kill -- "-$pid" 2>/dev/null || true; done
    rm -rf "$results"
}
trap cleanup EXIT
times=()
status=0

# part NAME COMMAND...: runs and times one part; a failing part fails the run.
part() {
    local name=$1 start=$SECONDS rc=0
    shift
    echo "== $name"
    "$@" || rc=$?
    note_time "$name" $((SECONDS - start)) "$rc"
    return 0
}
note_time() { # NAME SECONDS RC
    times+=("$(printf '%-30s %5d s%s' "$1" "$2" "$([[ $3 == 0 ]] || echo "  FAILED ($3)")")")
    [[ $3 == 0 ]] || status=1
}
# background NAME COMMAND...: runs a part beside the others, in a process
# group of its own. Its output is kept until finish_background.
background() {
    local name=$1 n=${#bg_pids[@]}
    shift
    echo "== $name (in the background)"
    printf '%s' "$name" >"$results/bg$n.name"
    set -m
    (
        start=$SECONDS rc=0
        "$@" >"$results/bg$n.log" 2>&1 || rc=$?
        echo "$rc $((SECONDS - start))" >"$results/bg$n.rc"
    ) &
    set +m
    bg_pids+=($!)
}
# finish_background [N]: waits for background part N (default: all) and shows its output.
finish_background() {
    local n rc secs
    for n in ${1:-"${!bg_pids[@]}"}; do
        [[ -n "${bg_pids[$n]:-}" ]] || continue
        wait "${bg_pids[$n]}" || true
        echo "== $(cat "$results/bg$n.name") (output)"
        cat "$results/bg$n.log"
        read -r rc secs <"$results/bg$n.rc" 2>/dev/null || { rc=1 secs=0; }
        note_time "$(cat "$results/bg$n.name")" "$secs" "$rc"
        bg_pids[$n]=""
    done
}
# The parts still running beside the Wine tests yield to them: a Wine test
# that gets no processor for long waits longer, polls more and may fail by a
# timeout.
yield_to_wine() {
    local pid
    for pid in "${bg_pids[@]}"; do
        [[ -z "$pid" ]] || renice -n 10 -g "$pid" >/dev/null 2>&1 || true
    done
}
# ctest_part NAME PRESET JOBS [ctest options]: the preset's tests, results kept as JUnit.
ctest_part() {
    local name=$1 preset=$2 j=$3
    shift 3
    part "$name" ctest --preset "$preset" -j "$j" --output-junit "$results/$preset.xml" "$@"
}
build() { # PRESET
    cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -j "$jobs"
}
# The fuzzers: build (clang), then each target's smoke run and the replay of
# its regressions, registered as tests of the fuzz build.
fuzz_part() {
    cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j 1 &&
        ctest --test-dir build/fuzz -j 2 --output-on-failure --output-junit "$results/fuzz.xml"
}
nopch_part() {
    cmake --preset windows-nopch >/dev/null && cmake --build --preset windows-nopch -j 1
}
# The parallel drive walk's tests under ThreadSanitizer: a build of its own
# (unit_tests only), registered as that preset's tests.
tsan_part() {
    cmake --preset native-tsan >/dev/null && cmake --build --preset native-tsan -j 1 &&
        ctest --preset native-tsan --output-junit "$results/native-tsan.xml"
}
summary() {
    echo
    echo "== summary"
    printf '  %s\n' "${times[@]}"
    python3 - "$results" "$status" <<'PY'
import glob, sys, xml.etree.ElementTree as ET
passed = failed = skipped = 0
timed = []
for f in sorted(glob.glob(sys.argv[1] + "/*.xml")):
    for case in ET.parse(f).getroot().iter("testcase"):
        timed.append((float(case.get("time") or 0), case.get("name")))
        if case.find("failure") is not None or case.get("status") == "fail":
            failed += 1
        elif case.find("skipped") is not None or case.get("status") in ("notrun", "disabled"):
            skipped += 1
            print(f"  skipped: {case.get('name')}")
        else:
            passed += 1
print("  slowest tests:")
for t, name in sorted(timed, reverse=True)[:5]:
    print(f"    {t:7.1f} s  {name}")
extra = 1 if sys.argv[2] != "0" and failed == 0 else 0  # a failed build or check counts once
print(f"  tests run: {passed + failed + skipped}, passed: {passed}, failed: {failed}, "
      f"skipped: {skipped} (must be 0)")
print(f"{passed} passed, {failed + skipped + extra} failed")
sys.exit(1 if failed + skipped + extra else 0)
PY
}

((quick)) || part "dependencies" bash scripts/setup-deps.sh
source scripts/wine-env.sh
# All the compiling is done before the Wine tests start: compilers beside the
# Wine tests would slow them down and make them poll longer, and a boot of
# the template prefix would hold every Wine test up for half a minute. The
# fixture test wine_template then finds the template ready.
template=$root/build/windows/wine/template
mkdir -p "$(dirname "$template")"
background "Wine template prefix" sh scripts/with-display.sh sh cmake/wine-template.sh "$template"
template_job=$((${#bg_pids[@]} - 1))
if ((!quick)); then
    background "reproducible release" bash scripts/check-reproducible.sh
    background "fuzzers (build, 3 x 30 s)" fuzz_part
    # The precompiled headers hide a missing include in the Windows layers.
    background "Setup.exe without precompiled headers" nopch_part
    background "ThreadSanitizer (parallel drive walk)" tsan_part
fi
part "native build (ASan/UBSan)" build native
part "Windows build" build windows
if ((status)); then
    summary || true
    exit 1
fi
ctest_part "native tests" native "$jobs"
finish_background "$template_job"
yield_to_wine
# Every Wine test names its own prefix; one that does not lands here, not in
# ~/.wine, and fails the run.
stray=$root/build/windows/wine/stray-prefix
rm -rf "$stray"
export WINEPREFIX=$stray
if ((quick)); then
    ctest_part "Windows tests under Wine" windows "$wine_jobs" -LE e2e
else
    ctest_part "Windows tests under Wine" windows "$wine_jobs"
fi
unset WINEPREFIX
if [[ -e "$stray" ]]; then
    echo "a Wine test ran without a prefix of its own: $stray" >&2
    status=1
fi
finish_background

summary || status=1
exit $status
