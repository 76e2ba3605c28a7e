#!/bin/sh
# Builds the archive reader's libFuzzer target (preset fuzz: clang, ASan + UBSan) and runs it
# for SECONDS on one core, starting from a seed corpus made by kvrpack.
#   fuzz/run.sh SECONDS [extra libFuzzer options]
# Findings land in build/arch-fuzz/findings; copy a fixed one to fuzz/regressions/
# so that the tests replay it.
set -eu
SECONDS_TO_RUN=${1:-60}
shift || true
EXTRA_OPTS="$*"
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${KELVAR_FUZZ_DIR:-$ROOT/build/arch-fuzz}
mkdir -p "$OUT/seeds" "$OUT/corpus" "$OUT/findings"

# The target and the packer for the seeds: preset fuzz (clang, from the build's
# one source list).
(cd "$ROOT" && cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j 2 >/dev/null)
KVRPACK=$ROOT/build/fuzz/kvrpack
FUZZER=$ROOT/build/fuzz/fuzz_archive

# Seeds: archives of a few shapes, each input = settings byte + volumes joined by "\xF0VOL".
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
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

"$FUZZER" -max_total_time="$SECONDS_TO_RUN" -max_len=65536 -timeout=10 -rss_limit_mb=1024 \
    -print_final_stats=1 -artifact_prefix="$OUT/findings/" $EXTRA_OPTS "$OUT/corpus" "$OUT/seeds" \
    "$ROOT/fuzz/regressions" 2>&1 | tail -25
