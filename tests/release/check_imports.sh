#!/bin/sh
# Setup.exe runs elevated from wherever it was saved. The loader takes a DLL
# that is not a KnownDLL from the folder of the exe first, before WinMain, so
# every load-time import must be a KnownDLL, or comctl32 (which the manifest
# redirects to WinSxS). Anything else is loaded from System32 at run time.
# Usage: check_imports.sh SETUP_EXE
set -eu
exe=${1:?usage: check_imports.sh SETUP_EXE}
objdump=${KELVAR_OBJDUMP:-x86_64-w64-mingw32-objdump}
allowed="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll
shlwapi.dll msvcrt.dll comdlg32.dll comctl32.dll"

if ! command -v "$objdump" >/dev/null 2>&1; then
    echo "FAIL: $objdump not found (install binutils-mingw-w64-x86-64: scripts/setup-deps.sh)" >&2
    exit 1
fi
if [ ! -f "$exe" ]; then
    echo "FAIL: $exe not found: build it first" >&2
    exit 1
fi
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | tr -d '\r')
if [ -z "$dlls" ]; then
    echo "FAIL: no import table read from $exe" >&2
    exit 1
fi
bad=0
for dll in $dlls; do
    case " $(echo $allowed) " in
    *" $dll "*) echo "ok    $dll" ;;
    *) echo "FAIL  $dll: not a KnownDLL, would be loaded from the folder of $(basename "$exe")"; bad=1 ;;
    esac
done
# Delay-load imports are resolved at run time through the same search: none allowed.
if "$objdump" -p "$exe" | awk '$1 == "Entry" && $2 == "d" && $4 !~ /^0+$/ { found = 1 } END { exit !found }'; then
    echo "FAIL: delay-load imports in $exe"
    bad=1
fi
exit $bad
