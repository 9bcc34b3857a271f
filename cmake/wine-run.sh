#!/usr/bin/env bash
# wine-run.sh wine|wine64 PROGRAM [ARGS...]
# Runs a Windows program under Wine with a private prefix: the build folder's
# own (found from the CMakeCache.txt above the current folder) unless
# WINEPREFIX is already set.
set -u
loader=$1
shift
case "$loader" in
    wine64) loader=/usr/lib/wine/wine64; export WINEARCH=win64 ;;
    *) loader=wine ;;
esac
if [ -z "${WINEPREFIX:-}" ]; then
    dir=$PWD
    while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
    [ -f "$dir/CMakeCache.txt" ] || dir=$PWD
    export WINEPREFIX="$dir/wineprefix"
fi
export WINEDEBUG=-all
# No Mono or Gecko installers: nothing here needs them, and nothing may ask.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$loader" wineboot -i >/dev/null 2>&1
    wineserver -w
fi
exec "$loader" "$@"
