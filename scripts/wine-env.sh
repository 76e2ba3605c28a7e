# Sourced by the run and test scripts: a quiet, throw-away Wine and a display.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
export WINEARCH=win64
KELVAR_SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# new_prefix DIR: a fresh 64-bit prefix, booted and prepared (wine-prefix.sh).
new_prefix() {
    export WINEPREFIX="$1"
    sh "$KELVAR_SCRIPTS/wine-prefix.sh" "$WINEPREFIX"
}

# ensure_display: use $DISPLAY when there is one, else start Xvfb for this shell
# on the first free display from 90 to 130 (KELVAR_XVFB_DISPLAY, N or FIRST-LAST,
# names the ones to use on a machine whose displays are handed out).
ensure_display() {
    if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    if [[ -n "${DISPLAY:-}" ]] && xset q >/dev/null 2>&1; then return 0; fi
    local n range=${KELVAR_XVFB_DISPLAY:-90-130}
    for n in $(seq "${range%-*}" "${range#*-}"); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do
            [[ -e /tmp/.X11-unix/X$n ]] && break
            sleep 0.1
        done
        trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
        return 0
    done
    echo "no free display for Xvfb" >&2
    return 1
}
