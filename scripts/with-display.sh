#!/bin/sh
# Runs a command on an X display of its own: a private Xvfb on the first free
# number of $KELVAR_XVFB_DISPLAY ("N" or "FIRST-LAST", default 90-130), stopped
# when the command ends. Tests that run side by side under Wine so never share
# a keyboard focus, a pointer or a window stack.
#   with-display.sh COMMAND [ARGS...]
# When every number of the range is taken it waits for one (up to 10 minutes).
set -eu
[ $# -ge 1 ] || { sed -n '2,7p' "$0" >&2; exit 2; }

range=${KELVAR_XVFB_DISPLAY:-90-130}
first=${range%-*}
last=${range#*-}
case "$first$last" in
    '' | *[!0-9]*) echo "with-display.sh: KELVAR_XVFB_DISPLAY must be N or FIRST-LAST, not '$range'" >&2; exit 2 ;;
esac

xvfb=
stop() { [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true; }
trap stop EXIT
trap 'exit 143' TERM INT HUP

# start N: 0 once our own Xvfb serves :N. Two starters may race for one
# number: Xvfb takes its lock file atomically, and the lock names the winner.
start() {
    # Taken, unless the lock is a dead server's (Xvfb then replaces it).
    if [ -e "/tmp/.X$1-lock" ] && kill -0 "$(tr -d ' \n' <"/tmp/.X$1-lock" 2>/dev/null)" 2>/dev/null; then
        return 1
    fi
    Xvfb ":$1" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    i=0
    while [ $i -lt 200 ]; do
        if ! kill -0 "$xvfb" 2>/dev/null; then
            xvfb=
            return 1
        fi
        if [ -S "/tmp/.X11-unix/X$1" ] && [ "$(tr -d ' \n' <"/tmp/.X$1-lock" 2>/dev/null)" = "$xvfb" ]; then
            return 0
        fi
        sleep 0.05
        i=$((i + 1))
    done
    kill "$xvfb" 2>/dev/null || true
    xvfb=
    return 1
}

deadline=$(($(date +%s) + 600))
while :; do
    n=$first
    while [ "$n" -le "$last" ]; do
        if start "$n"; then
            export DISPLAY=":$n"
            "$@" && rc=0 || rc=$?
            exit $rc
        fi
        n=$((n + 1))
    done
    if [ "$(date +%s)" -ge "$deadline" ]; then
        echo "with-display.sh: no free display in $range for 10 minutes" >&2
        exit 1
    fi
    sleep 1
done
