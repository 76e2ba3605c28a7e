#!/usr/bin/env bash
# Builds the installer folder of the KELvar 5.0 demo package:
#   Setup.exe, the fourteen packed files (*.kvr), the second volume Kelvar5.002
#   of Kelvar5.kvr, and the product info file Kvrinf.kvr.
#
# usage: demo/make_payload.sh OUTDIR [WINDOWS_BUILD_DIR [NATIVE_BUILD_DIR]]
#   WINDOWS_BUILD_DIR holds Setup.exe, Launch.exe and KvrStub.exe
#     (default $KELVAR_BUILD_WINDOWS, else build/windows);
#   NATIVE_BUILD_DIR holds the packer kvrpack
#     (default $KELVAR_BUILD_NATIVE, else build/native-release).
# Every packed file carries the same fixed date-time, so two runs on the same
# programs give the same bytes. Setup.exe is copied unbound: scripts/release.sh
# binds it to the packed files (tools/payload_table).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

if [[ $# -lt 1 || $# -gt 3 || "$1" == -* ]]; then
    sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
fi
out=$1
win=${2:-${KELVAR_BUILD_WINDOWS:-$root/build/windows}}
native=${3:-${KELVAR_BUILD_NATIVE:-$root/build/native-release}}

# The product's release date-time, stored for every file.
stamp=2001-06-01T12:00:00

fail() {
    echo "make_payload: $*" >&2
    exit 1
}

setup=$win/Setup.exe
launch=$win/Launch.exe
stub=$win/KvrStub.exe
kvrpack=$native/kvrpack
for f in "$setup" "$launch" "$stub"; do
    [[ -f "$f" ]] || fail "missing $f (build the Windows targets Setup, Launch and KvrStub first)"
done
[[ -x "$kvrpack" ]] || fail "missing $kvrpack (build the native target kvrpack first)"

stage=$(mktemp -d "${TMPDIR:-/tmp}/kelvar-payload-XXXXXX")
trap 'rm -rf "$stage"' EXIT

# Stand-ins: one program under four names, generated bitmaps, texts in
# code page 1252 with CR LF.
for name in Lockbox Parcel Unfold Kelvar5; do
    cp "$stub" "$stage/$name.exe"
done
# The main program is the one that comes on two disks: give it the bulk of the
# real one with 320 KiB of fixed, incompressible data after the program image
# (Windows loads the image and leaves data appended to it alone).
python3 -c 'import random, sys; sys.stdout.buffer.write(random.Random(5).randbytes(320 * 1024))' \
    >>"$stage/Kelvar5.exe"
cp "$launch" "$stage/Launch.exe"
python3 "$here/make_bitmaps.py" "$stage"
for name in Roster.lst Kelvar5.hlp Kvrinf.kvr; do
    iconv -f UTF-8 -t CP1252 "$here/text/$name" | sed 's/$/\r/' >"$stage/$name" ||
        fail "cannot convert $name to code page 1252"
done

mkdir -p "$out"
# Only the files this script writes are replaced.
rm -f "$out"/*.kvr "$out"/Kelvar5.0[0-9][0-9] "$out/Setup.exe"

pack() { # ARCHIVE FILE [extra kvrpack options]
    local archive=$1 file=$2
    shift 2
    "$kvrpack" -o "$out/$archive" --header "KELvar 5.0" --file-list "$@" \
        --name "C:\\KELvar\\$file" --time "$stamp" "$stage/$file" >/dev/null ||
        fail "kvrpack failed for $archive"
}

# The table of Setup's installation run: packed file and the file it holds.
while read -r archive file; do
    [[ "$archive" == Kelvar5.kvr ]] && continue # below
    pack "$archive" "$file"
done <<'TABLE'
Lockbox.kvr Lockbox.exe
Roster.kvr Roster.lst
Parcel.kvr Parcel.exe
Unfold.kvr Unfold.exe
Launch.kvr Launch.exe
Kvrbn.kvr Kvrbn.bmp
Kvri1.kvr Kvri1.bmp
Kvri2.kvr Kvri2.bmp
Kvri3.kvr Kvri3.bmp
Kvri4.kvr Kvri4.bmp
Kvrtl.kvr Kvrtl.bmp
Kvrtlbar.kvr Kvrtlbar.bmp
Kelvar5.kvr Kelvar5.exe
Kelvar5h.kvr Kelvar5.hlp
TABLE

# Kelvar5.kvr travels on two "disks" of 256 KiB: Kelvar5.kvr and Kelvar5.002,
# so that Setup asks for the second disk.
pack Kelvar5.kvr Kelvar5.exe --volume-size $((256 * 1024))
[[ -f "$out/Kelvar5.002" && ! -e "$out/Kelvar5.003" ]] ||
    fail "Kelvar5.kvr did not split into exactly two volumes"

cp "$stage/Kvrinf.kvr" "$out/Kvrinf.kvr"
cp "$setup" "$out/Setup.exe"
echo "installer folder: $out"
ls -l "$out" | tail -n +2
