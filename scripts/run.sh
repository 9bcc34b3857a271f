#!/usr/bin/env bash
# Installs what is missing, builds the product and shows what was built.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$root/scripts/deps.sh"
mkdir -p "$build"
configure_and_build win32 "${win32_args[@]}"
configure_and_build native

echo
echo "Built:"
find "$build/win32" "$build/native" -maxdepth 3 -type f \( -name '*.exe' -o -name '*.dll' -o -perm -u+x \) \
    -not -path '*/CMakeFiles/*' -not -name '*.sh' | sort | sed "s|$root/||"
echo
echo "Benchmark of the cipher and the key derivation:"
echo "  native:  build/native/bench/bench_cipher"
echo "  Windows: cmake/wine-run.sh wine build/win32/bench/bench_cipher.exe"
