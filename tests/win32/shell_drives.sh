#!/bin/sh
# Runs the drive-list tests in a fresh Wine prefix with drives m: to s: mapped
# (folders as drives, kinds through HKLM\Software\Wine\Drives).
# Usage: shell_drives.sh path/to/shell_tests.exe
set -eu
exe=$1
# A fresh prefix of its own, under $TMPDIR (ctest points it into the build tree).
work=$(mktemp -d "${TMPDIR:-/tmp}/kvdrives-XXXXXX")
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
cleanup() { wineserver -k 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

sh "$(dirname "$0")/../../scripts/wine-prefix.sh" "$WINEPREFIX"
for d in m n o p q r; do mkdir -p "$work/drives/$d"; done
printf 'DATEN ARCHIV' >"$work/drives/m/.windows-label"
printf 'NETZ' >"$work/drives/o/.windows-label"
printf 'DISKETTE' >"$work/drives/p/.windows-label"
printf 'ÄRGER' >"$work/drives/q/.windows-label"
printf 'RAMLABEL' >"$work/drives/r/.windows-label"
for d in m n o p q r; do ln -s "$work/drives/$d" "$WINEPREFIX/dosdevices/$d:"; done
ln -s "$work/no-medium" "$WINEPREFIX/dosdevices/s:"
for kv in m:hd n:cdrom o:network p:floppy q:hd r:ramdisk s:cdrom; do
  wine reg add 'HKLM\Software\Wine\Drives' /v "${kv%%:*}:" /d "${kv#*:}" /f >/dev/null 2>&1
done
# The drive kinds are read when the server starts.
wineserver -k; wineserver -w

# ctest gives it a display of its own (scripts/with-display.sh).
if [ -n "${DISPLAY:-}" ]; then
  KELVAR_SHELL_DRIVES=1 wine "$exe" --gtest_filter='ShellDrive*'
else
  KELVAR_SHELL_DRIVES=1 xvfb-run -a wine "$exe" --gtest_filter='ShellDrive*'
fi
