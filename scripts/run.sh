#!/usr/bin/env bash
# The main job: builds the installer folder of KELvar 5.0 as released
# (scripts/release.sh), puts it on drive C: of a fresh Wine prefix and starts
# Setup.exe from there.
#   With a usable $DISPLAY the wizard is yours to click through.
#   Without one a private Xvfb is started and tools/tour.py walks through every
#   page on its own, saving a screenshot of each page and dialog; the folder is
#   printed at the end (set KELVAR_SHOTS to choose it).
# KELVAR_KEEP=1 keeps the Wine prefix for inspection; KELVAR_DPI=144 runs the
# wizard at 150 % (any LogPixels value).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup-deps.sh
source scripts/wine-env.sh

win=${KELVAR_BUILD_WINDOWS:-$root/build/windows}
jobs=${KELVAR_JOBS:-$(nproc)}

echo "== build: the test driver for the tour (preset windows)"
cmake --preset windows -B "$win" >/dev/null
cmake --build "$win" -j "$jobs" --target wdrive

work=$(mktemp -d /tmp/kelvar-run-XXXXXX)
XVFB_PID=
cleanup() {
    [[ -n "${WINEPREFIX:-}" ]] && wineserver -k 2>/dev/null || true
    [[ -n "$XVFB_PID" ]] && kill "$XVFB_PID" 2>/dev/null || true
    if [[ "${KELVAR_KEEP:-}" == 1 ]]; then
        echo "kept the Wine prefix: $work/prefix"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT

echo "== installer folder (scripts/release.sh)"
bash scripts/release.sh "$work/payload"

usable_display() { [[ -n "${DISPLAY:-}" ]] && xdotool getdisplaygeometry >/dev/null 2>&1; }
if ! usable_display; then
    unset DISPLAY
    ensure_display # private Xvfb, sets XVFB_PID
    trap cleanup EXIT
    headless=1
else
    headless=0
fi

echo "== fresh Wine prefix (first boot takes a minute)"
new_prefix "$work/prefix"
# Setup preselects the drive it starts from: the installer folder lies on C:.
installer='C:\Setup'
folder=$WINEPREFIX/drive_c/Setup
mkdir -p "$folder"
cp "$work/payload"/* "$folder/"

if [[ -n "${KELVAR_DPI:-}" ]]; then
    # Screen DPI for the wizard (144 is 150 %); Wine reads it from the user's desktop settings.
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$KELVAR_DPI" /f >/dev/null 2>&1
    wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$KELVAR_DPI" /f >/dev/null 2>&1
fi
if ((headless)); then
    # No window manager on Xvfb: Wine draws the title bars itself, so the
    # screenshots show them.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
    wineserver -w
    shots=${KELVAR_SHOTS:-$root/build/tour-$(date +%Y%m%d-%H%M%S)}
    echo "== guided tour on $DISPLAY (no display of yours found)"
    python3 tools/tour.py --prefix "$WINEPREFIX" --installer "$installer" --shots "$shots" \
        --wdrive "$win/wdrive.exe"
else
    echo "== $installer\\Setup.exe on $DISPLAY: over to you"
    (cd "$folder" && wine "$installer\\Setup.exe") || true
    # The launcher that Setup may start at the end runs on; wait for it.
    wineserver -w
fi
