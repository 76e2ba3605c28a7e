#!/bin/sh
# The signing of a release with a throw-away certificate: osslsigncode accepts
# the signature against that certificate, SHA256SUMS lists the signed file,
# and removing the signature gives back the reproducible bytes.
# Usage: sign_test.sh SETUP_EXE
set -eu
exe=${1:?usage: sign_test.sh SETUP_EXE}
root=$(cd "$(dirname "$0")/../.." && pwd)
for tool in openssl osslsigncode sha256sum; do
    command -v "$tool" >/dev/null 2>&1 || {
        echo "FAIL: $tool not found (scripts/setup-deps.sh installs it)" >&2
        exit 1
    }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/out"
cp "$exe" "$work/out/Setup.exe"
echo data >"$work/out/Lockbox.kvr"
(cd "$work/out" && sha256sum Setup.exe Lockbox.kvr >SHA256SUMS)
built=$(sha256sum "$exe" | cut -d' ' -f1)

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=KELvar Test Publisher" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:geheim \
    -out "$work/cert.p12"

KELVAR_SIGN_PASSWORD=wrong bash "$root/scripts/sign.sh" "$work/out" "$work/cert.p12" \
    >/dev/null 2>&1 && { echo "FAIL: signed with a wrong password"; exit 1; }
[ "$(sha256sum <"$work/out/Setup.exe" | cut -d' ' -f1)" = "$built" ] ||
    { echo "FAIL: a failed signing changed Setup.exe"; exit 1; }

KELVAR_SIGN_PASSWORD=geheim bash "$root/scripts/sign.sh" "$work/out" "$work/cert.p12"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/out/Setup.exe" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log"; echo "FAIL: osslsigncode verify refuses the signature"; exit 1; }
grep -q "Message digest algorithm *: SHA256" "$work/verify.log" || { cat "$work/verify.log"; echo "FAIL: not SHA-256"; exit 1; }
(cd "$work/out" && sha256sum -c --quiet SHA256SUMS) || { echo "FAIL: SHA256SUMS"; exit 1; }
[ "$(cut -d' ' -f1 "$work/out/Setup.exe.unsigned.sha256")" = "$built" ] ||
    { echo "FAIL: Setup.exe.unsigned.sha256 is not the built hash"; exit 1; }
osslsigncode remove-signature -in "$work/out/Setup.exe" -out "$work/back.exe" >/dev/null
[ "$(sha256sum <"$work/back.exe" | cut -d' ' -f1)" = "$built" ] ||
    { echo "FAIL: removing the signature does not give the built bytes"; exit 1; }
KELVAR_SIGN_PASSWORD=geheim bash "$root/scripts/sign.sh" "$work/out" "$work/cert.p12" \
    >/dev/null 2>&1 && { echo "FAIL: signed a signed file again"; exit 1; }
echo "signed, verified, and the unsigned bytes are the built ones"
