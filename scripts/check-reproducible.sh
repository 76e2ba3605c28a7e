#!/usr/bin/env bash
# Builds the current commit twice with scripts/release.sh, in two clones in
# differently named folders, under different time zones and locales, and
# compares the checksums. On a difference it names each differing file and
# its first differing byte offset. Uncommitted changes are not part of it.
#   scripts/check-reproducible.sh                  the check, with the demo payload
#   scripts/check-reproducible.sh --payload DIR    the check with the packed files of DIR
#   scripts/check-reproducible.sh --compare A B    only the comparison of two release folders
set -euo pipefail

# compare A B: equal SHA256SUMS, or each differing file and its first differing byte.
compare() {
    local first=$1 second=$2 f a b at
    if cmp -s "$first/SHA256SUMS" "$second/SHA256SUMS"; then
        echo "reproducible: $(wc -l <"$first/SHA256SUMS") files, SHA256SUMS equal${3:+ for $3}"
        return 0
    fi
    echo "NOT reproducible: SHA256SUMS differ${3:+ for $3}" >&2
    diff "$first/SHA256SUMS" "$second/SHA256SUMS" >&2 || true
    for f in $( (cd "$first" && ls; cd "$second" && ls) | sort -u); do
        a=$first/$f b=$second/$f
        if [[ ! -f "$a" || ! -f "$b" ]]; then
            echo "$f: only in one build" >&2
        elif ! cmp -s "$a" "$b"; then
            # cmp -l counts from 1.
            at=$(cmp -l "$a" "$b" 2>/dev/null | head -1 | awk '{print $1 - 1}' || true)
            echo "$f: first difference at byte offset ${at:-end of the shorter file} ($(stat -c %s "$a") vs $(stat -c %s "$b") bytes)" >&2
        fi
    done
    return 1
}
if [[ "${1:-}" == --compare ]]; then
    compare "$2" "$3"
    exit
fi
payload=()
if [[ "${1:-}" == --payload ]]; then
    [[ -d "${2:-}" ]] || { echo "check-reproducible.sh: --payload needs a folder" >&2; exit 2; }
    payload=(--payload "$(realpath "$2")")
fi
cd "$(dirname "$0")/.."

commit=$(git rev-parse HEAD)
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kelvar-repro-XXXXXX")
trap 'rm -rf "$tmp"' EXIT
# A compiler cache could hand the second build the first one's objects.
export CCACHE_DISABLE=1
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER

build() { # FOLDER OUT [environment for release.sh]
    local src=$1 out=$2
    shift 2
    git clone -q --no-checkout . "$src"
    git -C "$src" checkout -q --detach "$commit"
    (cd "$src" && env "$@" bash scripts/release.sh "$out" "${payload[@]}")
}
build "$tmp/first/kelvar" "$tmp/out-first" TZ=UTC LC_ALL=POSIX
build "$tmp/zweiter Ort/src-$commit" "$tmp/out-second" TZ=Pacific/Kiritimati LC_ALL=C.utf8

echo "== first:  $(grep ' Setup.exe$' "$tmp/out-first/SHA256SUMS")"
echo "== second: $(grep ' Setup.exe$' "$tmp/out-second/SHA256SUMS")"
compare "$tmp/out-first" "$tmp/out-second" "$commit"
