#!/bin/sh
# Builds a libFuzzer target (preset fuzz: clang, ASan + UBSan) and runs it for
# SECONDS on one core.
#   fuzz/run.sh TARGET SECONDS [extra libFuzzer options]
# TARGET: fuzz_archive (the archive reader on fuzzed volumes, seeds made by
# kvrpack), fuzz_roundtrip (the packer's archives of fuzzed file sets
# restored byte for byte) or fuzz_payload_table (the parser of the payload
# table bound into Setup.exe). Each starts from its regressions in
# fuzz/regressions/TARGET; findings land in build/fuzz-TARGET/findings: copy a
# fixed one to fuzz/regressions/TARGET/ so that the tests replay it.
# KELVAR_FUZZ_BUILD=DIR takes the built targets from DIR instead of building
# (the tests' smoke runs); KELVAR_FUZZ_DIR chooses the work folder.
# Exit status: 0 without a finding.
set -eu
case "${1:-}" in
    fuzz_archive | archive) TARGET=fuzz_archive ;;
    fuzz_roundtrip | roundtrip) TARGET=fuzz_roundtrip ;;
    fuzz_payload_table | payload_table) TARGET=fuzz_payload_table ;;
    *) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
esac
SECONDS_TO_RUN=${2:?seconds}
shift 2
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${KELVAR_FUZZ_DIR:-$ROOT/build/$TARGET}
REGRESSIONS=$ROOT/fuzz/regressions/$TARGET
mkdir -p "$OUT/seeds" "$OUT/corpus" "$OUT/findings"

if [ -n "${KELVAR_FUZZ_BUILD:-}" ]; then
    BUILD=$KELVAR_FUZZ_BUILD
else
    # The targets and the packer for the seeds: preset fuzz (clang, from the
    # build's one source list).
    (cd "$ROOT" && cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j 2 >/dev/null)
    BUILD=$ROOT/build/fuzz
fi
KVRPACK=$BUILD/kvrpack
FUZZER=$BUILD/$TARGET

T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
# archive_seeds: archives of a few shapes, each input = settings byte + volumes
# joined by "\xF0VOL" (a function: its "set --" keeps the caller's options).
archive_seeds() {
    printf 'abc' >"$T/a.txt"
    : >"$T/empty"
    head -c 3000 /dev/urandom >"$T/noise"
    yes 'KELvar Datei Zeile' | head -c 40000 >"$T/text"
    seed() { # name flags volume-files...
        name=$1 flags=$2
        shift 2
        printf "\\$(printf %03o "$flags")" >"$OUT/seeds/$name"
        first=1
        for v in "$@"; do
            [ $first = 1 ] || printf '\360VOL' >>"$OUT/seeds/$name"
            cat "$v" >>"$OUT/seeds/$name"
            first=0
        done
    }
    "$KVRPACK" -o "$T/ex.kvr" --name 'C:\A.TXT' --time 0x2AB163C0 "$T/a.txt" >/dev/null
    seed example 0 "$T/ex.kvr"
    seed example-full 8 "$T/ex.kvr"
    "$KVRPACK" -o "$T/mix.kvr" --header 'KELvar 5.0' --file-list --block-size 4096 \
        --name 'C:\Daten\Leer' --time 1 "$T/empty" --name 'C:\Daten\Text.txt' --time 2 "$T/text" \
        --name 'C:\Daten\Noise.bin' --time 3 "$T/noise" >/dev/null
    seed mix 0 "$T/mix.kvr"
    seed mix-newer 10 "$T/mix.kvr"
    "$KVRPACK" -o "$T/split.kvr" --volume-size 2000 --block-size 700 --time 5 "$T/noise" --time 6 "$T/text" >/dev/null
    set -- "$T"/split.kvr "$T"/split.0*
    seed split 0 "$@"
    seed split-veto 32 "$@"
}
if [ $TARGET = fuzz_archive ]; then
    archive_seeds
    MAX_LEN=65536
else
    # The other targets' seeds are their regressions (fuzz/regressions/TARGET).
    MAX_LEN=4096
fi

rc=0
"$FUZZER" -max_total_time="$SECONDS_TO_RUN" -max_len=$MAX_LEN -timeout=10 -rss_limit_mb=1024 \
    -print_final_stats=1 -artifact_prefix="$OUT/findings/" "$@" "$OUT/corpus" "$OUT/seeds" \
    "$REGRESSIONS" >"$T/log" 2>&1 || rc=$?
# The start and the end with their coverage, then the last lines (on a
# finding: the input and the stack).
grep -a -E '^#[0-9]+[[:space:]]+(INITED|DONE)' "$T/log" || true
tail -25 "$T/log"
if [ $rc != 0 ]; then
    echo "$TARGET: finding (exit status $rc); inputs in $OUT/findings" >&2
fi
exit $rc
