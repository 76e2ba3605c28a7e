#!/bin/sh
# The template prefix that every Wine test starts from as a copy of its own
# (cmake/winetests.cmake): booted and prepared by scripts/wine-prefix.sh, with
# unmanaged windows. Under Xvfb there is no window manager, and Wine would wait
# 2 s for one to confirm each window it hides (every closed message box).
#   wine-template.sh DIR
set -eu
dir=$1
sh "$(dirname "$0")/../scripts/wine-prefix.sh" "$dir"
if ! grep -q '^"Managed"="N"' "$dir/user.reg"; then
    export WINEPREFIX="$dir" WINEDEBUG=-all
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
    grep -q '^"Managed"="N"' "$dir/user.reg" || { echo "wine-template.sh: Managed=N not set in $dir" >&2; exit 1; }
fi
