#!/bin/sh
# Builds a libFuzzer target (preset fuzz: clang, ASan + UBSan) and runs it for
# SECONDS on one core, from the target's corpus and regressions.
#   fuzz/run.sh TARGET SECONDS [extra libFuzzer options]
#   fuzz/run.sh TARGET minimise   (the corpus merged anew into an empty folder)
# TARGET: fuzz_archive (the archive reader on fuzzed volumes, seeds made by
# kvrpack), fuzz_roundtrip (the packer's archives of fuzzed file sets
# restored byte for byte) or fuzz_payload_table (the parser of the payload
# table bound into Setup.exe). Each starts from fuzz/corpus/TARGET and
# fuzz/regressions/TARGET; at the end the inputs of this run that add coverage
# are merged into fuzz/corpus/TARGET. Findings land in build/TARGET/findings:
# copy a fixed one to fuzz/regressions/TARGET/ so that the tests replay it.
# KELVAR_FUZZ_BUILD=DIR takes the built targets from DIR instead of building
# (the tests' smoke runs); KELVAR_FUZZ_DIR chooses the work folder;
# KELVAR_FUZZ_MERGE=0 leaves the corpus as it is (the tests' smoke runs).
# Exit status: 0 without a finding.
set -eu
case "${1:-}" in
    fuzz_archive | archive) TARGET=fuzz_archive ;;
    fuzz_roundtrip | roundtrip) TARGET=fuzz_roundtrip ;;
    fuzz_payload_table | payload_table) TARGET=fuzz_payload_table ;;
    *) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
esac
SECONDS_TO_RUN=${2:?seconds}
shift 2
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${KELVAR_FUZZ_DIR:-$ROOT/build/$TARGET}
REGRESSIONS=$ROOT/fuzz/regressions/$TARGET
CORPUS=$ROOT/fuzz/corpus/$TARGET
mkdir -p "$OUT/seeds" "$OUT/new" "$OUT/findings" "$CORPUS"
# The inputs this run adds (kept until the next run, for a look).
find "$OUT/new" -type f -delete
# ASan keeps freed memory out of use for a while to catch late uses: 64 MB
# hold the frees of many executions, and the default 256 MB made up half of
# the round trip's resident memory (the limit below is 512 MB).
export ASAN_OPTIONS="quarantine_size_mb=64${ASAN_OPTIONS:+:$ASAN_OPTIONS}"

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
    # Room for a block of the largest size with its entry and a bit more (a
    # block over the limit). Longer inputs reached no further edge.
    MAX_LEN=$((16384 + 512))
    # The corpus keeps the first 4 KiB of each input: they reach every edge
    # that the whole inputs reach, and the rest (more rounds of the same loops)
    # had grown the corpus by 250 KB a run, to 890 KB.
    CORPUS_LEN=4096
else
    # The other targets' seeds are their regressions (fuzz/regressions/TARGET).
    MAX_LEN=4096
    CORPUS_LEN=4096
fi
corpus_line() {
    echo "corpus fuzz/corpus/$TARGET: $(find "$CORPUS" -type f | wc -l) inputs," \
        "$(cat "$CORPUS"/* 2>/dev/null | wc -c) bytes$1"
}

if [ "$SECONDS_TO_RUN" = minimise ]; then
    # Keeps of the corpus only inputs that add coverage, the smaller first.
    mkdir "$T/min"
    "$FUZZER" -merge=1 -max_len=$CORPUS_LEN "$@" "$T/min" "$CORPUS" >"$T/log" 2>&1 ||
        { tail -25 "$T/log"; exit 1; }
    find "$CORPUS" -type f -delete
    cp "$T/min"/* "$CORPUS"/ 2>/dev/null || true
    corpus_line ""
    exit 0
fi

rc=0
"$FUZZER" -max_total_time="$SECONDS_TO_RUN" -max_len=$MAX_LEN -timeout=10 -rss_limit_mb=512 \
    -print_final_stats=1 -artifact_prefix="$OUT/findings/" "$@" "$OUT/new" "$CORPUS" \
    "$OUT/seeds" "$REGRESSIONS" >"$T/log" 2>&1 || rc=$?
# The start and the end with their coverage, then the last lines (on a
# finding: the input and the stack).
grep -a -E '^#[0-9]+[[:space:]]+(INITED|DONE)' "$T/log" || true
tail -25 "$T/log"
if [ $rc != 0 ]; then
    echo "$TARGET: finding (exit status $rc); inputs in $OUT/findings" >&2
    exit $rc
fi
if [ "${KELVAR_FUZZ_MERGE:-1}" != 0 ]; then
    # Into the corpus goes what adds coverage to it, nothing else.
    before=$(find "$CORPUS" -type f | wc -l)
    "$FUZZER" -merge=1 -max_len=$CORPUS_LEN "$CORPUS" "$OUT/new" >"$T/merge" 2>&1 ||
        { tail -25 "$T/merge"; echo "$TARGET: merge failed" >&2; exit 1; }
    corpus_line " ($(($(find "$CORPUS" -type f | wc -l) - before)) new)"
fi
exit 0
