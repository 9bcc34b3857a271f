#!/usr/bin/env bash
# Installs what the build and the tests need, once. A second run only checks.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

native_pkgs=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libxml2-dev libssl-dev openssl python3)
win_pkgs=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools wine wine32:i386 wine64 xvfb xauth imagemagick fp-utils)

for p in "${native_pkgs[@]}" "${win_pkgs[@]}"; do
    have "$p" || need+=("$p")
done
[ ${#need[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${need[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
