#!/bin/sh
# The one place that prepares Wine prefixes (the scripts, the end-to-end
# harness and the tests' emulator all come here).
#   wine-prefix.sh DIR          DIR becomes a booted 64-bit prefix, prepared
#   wine-prefix.sh --run CMD..  the same for $WINEPREFIX, then runs CMD in it
# Prepared means: Wine's own fonts (MS Sans Serif, Tahoma, Marlett) are in
# C:\windows\Fonts, since without them every face falls back to a wider Unix
# font and labels laid out for MS Sans Serif are cut; and the user's shell
# folders (Desktop, Documents, ...) are real folders instead of links to the
# Unix home, so shortcuts and snapshots stay inside the prefix. A prefix
# prepared before by the same Wine is used as it is.
# With $KELVAR_WINE_TEMPLATE naming a prepared prefix (the tests' template,
# booted once per build tree), DIR is made anew as a copy of it instead of
# being booted: a second instead of half a minute.
set -eu
run=0
if [ "${1:-}" = --run ]; then
    run=1
    shift
    if [ -z "${WINEPREFIX:-}" ]; then
        echo "wine-prefix.sh: WINEPREFIX is not set; refusing to use ~/.wine" >&2
        exit 2
    fi
    prefix=$WINEPREFIX
else
    [ $# -eq 1 ] || { sed -n '4,5p' "$0" >&2; exit 2; }
    prefix=$1
fi
export WINEPREFIX="$prefix" WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}"

version=$(wine --version)
stamp=$prefix/.kelvar-prepared

# copy_template FROM TO: TO becomes a copy of the prepared prefix FROM. The
# system DLLs are only ever read: hard links make them free. Everything else
# is copied, since Wine rewrites some files (registry, win.ini) in place.
copy_template() {
    rm -rf "$2"
    mkdir -p "$2/drive_c/windows"
    for f in "$1"/* "$1"/.[!.]*; do
        [ -e "$f" ] || [ -L "$f" ] || continue
        [ "${f##*/}" = drive_c ] || cp -a "$f" "$2/"
    done
    for f in "$1"/drive_c/*; do
        [ "${f##*/}" = windows ] || cp -a "$f" "$2/drive_c/"
    done
    for f in "$1"/drive_c/windows/*; do
        case ${f##*/} in
            system32 | syswow64 | winsxs) cp -al "$f" "$2/drive_c/windows/" ;;
            *) cp -a "$f" "$2/drive_c/windows/" ;;
        esac
    done
}
template=${KELVAR_WINE_TEMPLATE:-}
if [ -n "$template" ] && [ "$(cat "$template/.kelvar-prepared" 2>/dev/null)" = "$version" ] &&
    [ "$(cd "$template" && pwd -P)" != "$(mkdir -p "$prefix" && cd "$prefix" && pwd -P)" ]; then
    wineserver -k 2>/dev/null || true
    copy_template "$template" "$prefix"
fi
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$version" ]; then
    mkdir -p "$prefix"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    [ -f "$prefix/system.reg" ] || { echo "wine-prefix.sh: wineboot left no prefix in $prefix" >&2; exit 1; }
    fonts=/usr/share/wine/fonts
    [ -f "$fonts/ms_sans_serif.ttf" ] || {
        echo "wine-prefix.sh: $fonts/ms_sans_serif.ttf missing (MS Sans Serif): apt-get install fonts-wine" >&2
        exit 1
    }
    cp -f "$fonts"/* "$prefix/drive_c/windows/Fonts/"
    for link in "$prefix"/drive_c/users/*/*; do
        if [ -L "$link" ]; then rm "$link" && mkdir "$link"; fi
    done
    printf '%s' "$version" >"$stamp"
fi
if [ $run = 1 ]; then
    exec "$@"
fi
