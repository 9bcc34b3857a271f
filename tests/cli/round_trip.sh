#!/usr/bin/env bash
# round_trip.sh NATIVE_PROGRAM WINDOWS_PROGRAM [wine|wine64]
# Each build of the console program encrypts a small folder tree, lists the
# encrypted files, decrypts them and must give back every byte. WINEPREFIX
# names the Windows build's prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
native=$1
windows=$2
loader=${3:-wine64}
: "${WINEPREFIX:?WINEPREFIX must name the prefix of the Windows build}"

# round_trip TITLE PATH-STYLE PROGRAM [LOADER...]
round_trip() {
    local title=$1 style=$2
    shift 2
    local work
    work=$(mktemp -d)
    mkdir -p "$work/Demo Folder/letters"
    printf 'Dear reader,\nthis file is plain text.\n' >"$work/Demo Folder/read me.txt"
    head -c 50000 /dev/urandom >"$work/Demo Folder/letters/photo.raw"
    : >"$work/Demo Folder/letters/empty.txt"
    cp -a "$work/Demo Folder" "$work/original"
    local folder="$work/Demo Folder"
    [ "$style" = windows ] && folder="Z:${folder//\//\\}"

    echo "=== $title: encrypt, then decrypt, a folder tree with the console program"
    XDG_CONFIG_HOME="$work/config" "$@" -cl -m:encrypt "-p:demo password" "-hint:the demo" "-fo:$folder" -log:false
    echo "Files now:"
    (cd "$work/Demo Folder" && find . -type f | sort | sed 's/^/  /')
    XDG_CONFIG_HOME="$work/config" "$@" -cl -m:decrypt "-p:demo password" "-fo:$folder" -log:false
    if diff -r "$work/original" "$work/Demo Folder" >/dev/null; then
        echo "Every file is back, byte for byte."
        rm -rf "$work"
    else
        echo "The decrypted tree differs from the original!"
        rm -rf "$work"
        return 1
    fi
}

round_trip "Native console program" native "$native"
round_trip "Windows console program under Wine" windows "$root/cmake/wine-run.sh" "$loader" "$windows"
