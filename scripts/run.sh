#!/usr/bin/env bash
# Installs what is missing, builds the product, shows what was built, and
# runs a real encrypt-and-decrypt round trip with the console program.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$root/scripts/deps.sh"
mkdir -p "$build"
configure_and_build win32 "${win32_args[@]}"
configure_and_build native

echo
echo "Built:"
find "$build/win32" "$build/native" -maxdepth 3 -type f \( -name '*.exe' -o -name '*.dll' -o -path '*/app/*.chm' -o -perm -u+x \) \
    -not -path '*/CMakeFiles/*' -not -name '*.sh' | sort | sed "s|$root/||"
echo
echo "Benchmark of the cipher and the key derivation:"
echo "  native:  build/native/bench/bench_cipher"
echo "  Windows: cmake/wine-run.sh wine build/win32/bench/bench_cipher.exe"

# round_trip TITLE PATH-STYLE PROGRAM [LOADER...]: encrypts a small folder
# tree with the console program, shows it, decrypts it and compares every byte.
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

    echo
    echo "=== $title: encrypt, then decrypt, a folder tree with the console program"
    echo "\$ $(basename "${@: -1}") -cl -m:encrypt \"-p:demo password\" \"-hint:the demo\" \"-fo:$folder\" -log:false"
    XDG_CONFIG_HOME="$work/config" "$@" -cl -m:encrypt "-p:demo password" "-hint:the demo" "-fo:$folder" -log:false
    echo "Files now:"
    (cd "$work/Demo Folder" && find . -type f | sort | sed 's/^/  /')
    echo "\$ $(basename "${@: -1}") -cl -m:decrypt \"-p:demo password\" \"-fo:$folder\" -log:false"
    XDG_CONFIG_HOME="$work/config" "$@" -cl -m:decrypt "-p:demo password" "-fo:$folder" -log:false
    if diff -r "$work/original" "$work/Demo Folder" >/dev/null; then
        echo "Every file is back, byte for byte."
    else
        echo "The decrypted tree differs from the original!"
        rm -rf "$work"
        return 1
    fi
    rm -rf "$work"
}

round_trip "Native console program" native "$build/native/cli/kestrum"

# The Windows program under Wine: the 32-bit product where this kernel starts
# 32-bit programs, else the same sources built for 64-bit Windows.
wincfg=$(wine_test_build)
loader=wine
if [ "$wincfg" = win64 ]; then
    echo
    echo "This kernel cannot start 32-bit programs: the Windows round trip uses the 64-bit build."
    configure_and_build win64 "${win64_args[@]}"
    loader=wine64
fi
export WINEPREFIX="$build/$wincfg/wineprefix"
round_trip "Windows console program under Wine" windows "$root/cmake/wine-run.sh" "$loader" "$build/$wincfg/cli/Kestrum.exe"
