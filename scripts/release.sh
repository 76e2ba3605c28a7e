#!/usr/bin/env bash
# Builds the installer folder of KELvar 5.0 from a clean configure: Setup.exe,
# the fourteen packed files, the continuation volume(s), Kvrinf.kvr and
# SHA256SUMS (sha256sum's format). The same commit and payload give the same
# bytes in any folder, at any time, under any locale or time zone
# (scripts/check-reproducible.sh proves it).
#   scripts/release.sh OUTDIR [--payload DIR] [--sign CERT.p12 [--timestamp URL]]
# --payload takes the packed files (*.kvr, volumes *.NNN) from DIR; without it
# the demo package's (demo/make_payload.sh). Setup.exe is bound to them: the
# table of their names, sizes and SHA-256 is written into it before signing
# (tools/payload_table), so the signature covers them too.
# The build trees go to build/release (or $KELVAR_RELEASE_BUILD); Setup.exe's
# debug info stays there as Setup.exe.debug.
# --sign signs Setup.exe after the build (scripts/sign.sh; the password in
# KELVAR_SIGN_PASSWORD); Setup.exe.unsigned.sha256 then holds the hash of the
# reproducible bytes.
set -euo pipefail
usage() { sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
[[ $# -ge 1 && "$1" != -* ]] || usage
outarg=$1 cert="" tsurl="" payload=""
shift
while [[ $# -gt 0 ]]; do
    case $1 in
    --payload) [[ $# -ge 2 && -d "$2" ]] || usage; payload=$(realpath "$2"); shift 2 ;;
    --sign) [[ $# -ge 2 ]] || usage; cert=$(realpath "$2"); shift 2 ;;
    --timestamp) [[ $# -ge 2 ]] || usage; tsurl=$2; shift 2 ;;
    *) usage ;;
    esac
done
[[ -z "$tsurl" || -n "$cert" ]] || usage
if [[ -n "$cert" ]]; then
    [[ -f "$cert" ]] || { echo "release.sh: no certificate $cert" >&2; exit 1; }
    command -v osslsigncode >/dev/null || {
        echo "release.sh: osslsigncode not found (scripts/setup-deps.sh installs it)" >&2
        exit 1
    }
fi
set -- "$outarg"
cd "$(dirname "$0")/.."
root=$PWD
mkdir -p "$1"
out=$(cd "$1" && pwd)

# Nothing that differs between two machines or two runs may reach the bytes.
export LC_ALL=C TZ=UTC
unset LANG LANGUAGE
umask 022
# Tools that need a date (none of ours does today) take the last commit's.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || {
    echo "release.sh: not a git checkout: no commit date for SOURCE_DATE_EPOCH" >&2
    exit 1
}
export SOURCE_DATE_EPOCH
if [[ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]]; then
    echo "release.sh: note: the tree has uncommitted changes; this folder is not the commit's" >&2
fi

# The folder holds Setup.exe, the packed files and the checksums, nothing else.
shipped() { (cd "$out" && ls -1 Setup.exe ./*.[kK][vV][rR] ./*.[0-9][0-9][0-9] 2>/dev/null | sed 's|^\./||' | sort -u); }
others=$(cd "$out" && ls -1A | grep -vxF -f <(shipped; echo SHA256SUMS; echo Setup.exe.unsigned.sha256) || true)
if [[ -n "$others" ]]; then
    echo "release.sh: $out holds other files; give an empty or a release folder:" >&2
    echo "$others" >&2
    exit 1
fi

build=${KELVAR_RELEASE_BUILD:-$root/build/release}
jobs=${KELVAR_JOBS:-$(nproc)}
rm -rf "$build"
echo "== release build of $(git rev-parse --short HEAD) (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH) in $build"
cmake --preset windows -B "$build/windows" -DKELVAR_TESTS=OFF >/dev/null
cmake --build "$build/windows" -j "$jobs" --target Setup Launch KvrStub >/dev/null
cmake --preset native-release -B "$build/native" -DKELVAR_TESTS=OFF >/dev/null
cmake --build "$build/native" -j "$jobs" --target kvrpack payload_table >/dev/null
binder=$build/native/payload_table

(cd "$out" && rm -f $(shipped) SHA256SUMS Setup.exe.unsigned.sha256)
if [[ -n "$payload" ]]; then
    # The files the table covers, as the binder picks them.
    mapfile -t names < <("$binder" list "$payload" | sed -n 's/^[0-9a-f]\{64\} [0-9]* //p')
    [[ ${#names[@]} -gt 0 ]] || { echo "release.sh: no packed files in $payload" >&2; exit 1; }
    for name in "${names[@]}"; do cp "$payload/$name" "$out/$name"; done
    cp "$build/windows/Setup.exe" "$out/Setup.exe"
else
    bash demo/make_payload.sh "$out" "$build/windows" "$build/native" >/dev/null
fi
# Before the checksums and the signature, which must cover the table.
"$binder" bind "$out/Setup.exe" "$out" >/dev/null
(cd "$out" && sha256sum $(shipped) >SHA256SUMS)
[[ -z "$cert" ]] || bash "$root/scripts/sign.sh" "$out" "$cert" $tsurl
# Files dated like the commit, for a CD image or an archive of the folder.
touch -d "@$SOURCE_DATE_EPOCH" "$out"/*

setup_size=$(stat -c %s "$out/Setup.exe")
debug_size=$(stat -c %s "$build/windows/Setup.exe.debug")
echo "installer folder: $out ($(shipped | wc -l) files and SHA256SUMS; payload ${payload:-of the demo})"
echo "Setup.exe: $setup_size bytes, debug info beside the build: $build/windows/Setup.exe.debug ($debug_size bytes)"
grep ' Setup.exe$' "$out/SHA256SUMS"
