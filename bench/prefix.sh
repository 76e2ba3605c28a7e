# Sourced by the benchmark scripts after setting bench_name: Wine's settings,
# and a prepared prefix of their own unless WINEPREFIX names one.
# bench_prefix_done removes a prefix made here; one named by the caller stays.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}
own_prefix=
if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX=$(mktemp -d "/tmp/wp-$bench_name-XXXXXX")
    export WINEPREFIX
    own_prefix=1
    sh "$bench_dir/../scripts/wine-prefix.sh" "$WINEPREFIX"
fi
bench_prefix_done() {
    if [ -n "$own_prefix" ]; then
        wineserver -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
    fi
}
