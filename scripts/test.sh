#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
# native (plain, then with AddressSanitizer and UndefinedBehaviorSanitizer),
# the fuzz targets for a bounded time, and the Windows build under Wine.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$root/scripts/deps.sh"
mkdir -p "$build"

failed=()
run_ctest() {
    local name=$1
    shift
    echo "=== tests: $name"
    ctest --test-dir "$build/$name" --output-on-failure -j "$jobs" "$@" || failed+=("$name")
}

cleanup() {
    if [ -n "${WINEPREFIX:-}" ]; then wineserver -k 2>/dev/null || true; fi
}
trap cleanup EXIT

echo "=== build: native"
configure_and_build native
run_ctest native

echo "=== build: native with sanitizers"
configure_and_build native-asan -DVASTREL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest native-asan

echo "=== build: fuzz targets"
configure_and_build fuzz -DVASTREL_FUZZ=ON -DVASTREL_TESTS=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
for target in "$build"/fuzz/tests/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus="$build/fuzz/corpus/$name"
    mkdir -p "$corpus"
    echo "=== fuzz: $name"
    seeds="$root/tests/fuzz/seeds/${name#fuzz_}"
    [ -d "$seeds" ] || seeds=
    "$target" -max_total_time="${FUZZ_SECONDS:-30}" -print_final_stats=0 "$corpus" $seeds \
        >"$build/fuzz/$name.log" 2>&1 || { tail -40 "$build/fuzz/$name.log"; failed+=("$name"); }
done

echo "=== build: win32 (the product)"
configure_and_build win32 "${win32_args[@]}"
wintest=$(wine_test_build)
loader=wine
if [ "$wintest" = win64 ]; then
    loader=wine64
    echo "=== build: win64"
    configure_and_build win64 "${win64_args[@]}"
fi
wine_test_road

# Every test program runs in a copy of a template Wine prefix, with a
# wineserver and an Xvfb display of its own (cmake/wine-run.sh --own-prefix).
run_ctest "$wintest"

# Files encrypted by the Windows build decrypt with the native one and back,
# in the build's own prefix (kept running for the whole script) and without a
# display, so that a message box fails at once instead of waiting.
echo "=== tests: console program, native and Windows builds together"
unset DISPLAY
export WINEPREFIX="$build/$wintest/wineprefix"
"$root/cmake/wine-run.sh" "$loader" cmd /c exit 0 >/dev/null 2>&1 || true  # prepare the prefix once
wineserver -p 60 || true
"$root/tests/cli/interop.sh" "$build/native/cli/kestrum" "$build/$wintest/cli/Kestrum.exe" "$loader" ||
    failed+=(interop)
# Each build alone: encrypt a folder tree, decrypt it, compare every byte.
echo "=== tests: console program round trips"
"$root/tests/cli/round_trip.sh" "$build/native/cli/kestrum" "$build/$wintest/cli/Kestrum.exe" "$loader" ||
    failed+=(round-trip)

if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All configurations passed. $(wine_test_road)"
