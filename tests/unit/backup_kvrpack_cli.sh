#!/bin/sh
# kvrpack's output for the documented one-file example, byte for byte.
set -e
KVRPACK="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'abc' >"$dir/a.txt"
"$KVRPACK" -o "$dir/ex.kvr" --name 'C:\A.TXT' --time 2001-05-17T12:30:00 "$dir/a.txt" >/dev/null
printf '\000\000\000\000\003\000\000\000\000\000\000\000\010\000\000\000C:\\A.TXT\300\143\261\052EC2\000\375\377\377\377abc\000\000\000\000\000\000\000\000' >"$dir/expected"
cmp "$dir/ex.kvr" "$dir/expected"
# Split into volumes: names .002, ... and every volume within the size.
head -c 100000 /dev/urandom >"$dir/big.bin"
"$KVRPACK" -o "$dir/split.kvr" --volume-size 30000 --time 0 "$dir/big.bin" >/dev/null
test -f "$dir/split.002" && test -f "$dir/split.004"
for f in "$dir"/split.*; do test "$(wc -c <"$f")" -le 30000; done
echo ok
