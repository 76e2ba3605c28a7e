#!/usr/bin/env bash
# Signs Setup.exe of an installer folder with Authenticode (SHA-256), so that
# the elevation prompt names the publisher. The reproducible bytes stay
# checkable: Setup.exe.unsigned.sha256 holds their hash, which
# `osslsigncode remove-signature` gives back; SHA256SUMS lists the signed file.
#   scripts/sign.sh OUTDIR CERT.p12 [TIMESTAMP_URL]
# The certificate's password comes from KELVAR_SIGN_PASSWORD (never an argument,
# which other users could read in the process list).
set -euo pipefail
if [[ $# -lt 2 || $# -gt 3 ]]; then
    sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
fi
out=$1 cert=$2 tsurl=${3:-}
for tool in osslsigncode sha256sum; do
    command -v "$tool" >/dev/null || {
        echo "sign.sh: $tool not found (scripts/setup-deps.sh installs it)" >&2
        exit 1
    }
done
[[ -f "$out/Setup.exe" ]] || { echo "sign.sh: no $out/Setup.exe" >&2; exit 1; }
[[ -f "$cert" ]] || { echo "sign.sh: no certificate $cert" >&2; exit 1; }
if osslsigncode extract-signature -in "$out/Setup.exe" -out /dev/null >/dev/null 2>&1; then
    echo "sign.sh: $out/Setup.exe is signed already" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 700 "$work"
printf '%s' "${KELVAR_SIGN_PASSWORD:-}" >"$work/pass"
ts=()
[[ -n "$tsurl" ]] && ts=(-ts "$tsurl")

(cd "$out" && sha256sum Setup.exe) >"$work/unsigned.sha256"
osslsigncode sign -pkcs12 "$cert" -readpass "$work/pass" -h sha256 \
    -n "KELvar 5.0 Setup" "${ts[@]}" -in "$out/Setup.exe" -out "$work/Setup.exe" >/dev/null
# The signature must come off again to the very bytes that were built.
osslsigncode remove-signature -in "$work/Setup.exe" -out "$work/back.exe" >/dev/null
if ! cmp -s "$work/back.exe" "$out/Setup.exe"; then
    echo "sign.sh: removing the signature does not give the built bytes back" >&2
    exit 1
fi
cp "$work/unsigned.sha256" "$out/Setup.exe.unsigned.sha256"
cp "$work/Setup.exe" "$out/Setup.exe"
if [[ -f "$out/SHA256SUMS" ]]; then
    (cd "$out" && sed -i "s|^[0-9a-f]*  Setup.exe\$|$(sha256sum Setup.exe | cut -d' ' -f1)  Setup.exe|" SHA256SUMS)
else
    (cd "$out" && sha256sum Setup.exe >SHA256SUMS)
fi
echo "signed: $out/Setup.exe ($(cut -d' ' -f1 "$out/Setup.exe.unsigned.sha256") unsigned)"
