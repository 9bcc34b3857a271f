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
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
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
if [ "$wintest" = win64 ]; then
    echo "This kernel cannot start 32-bit programs: the Windows tests run as a 64-bit build under 64-bit Wine."
    echo "=== build: win64"
    configure_and_build win64 "${win64_args[@]}"
fi

# Windows with windows need a display.
if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 99); do
        [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=":$n"
        break
    done
fi

export WINEPREFIX="$build/$wintest/wineprefix"
loader=wine
[ "$wintest" = win64 ] && loader=wine64
"$root/cmake/wine-run.sh" "$loader" cmd /c exit 0 >/dev/null 2>&1 || true  # prepare the prefix once
wineserver -p 60 || true
run_ctest "$wintest"

# Files encrypted by the Windows build decrypt with the native one and back.
echo "=== tests: console program, native and Windows builds together"
"$root/tests/cli/interop.sh" "$build/native/cli/kestrum" "$build/$wintest/cli/Kestrum.exe" "$loader" || failed+=(interop)
# Each build alone: encrypt a folder tree, decrypt it, compare every byte.
echo "=== tests: console program round trips"
"$root/tests/cli/round_trip.sh" "$build/native/cli/kestrum" "$build/$wintest/cli/Kestrum.exe" "$loader" || failed+=(round-trip)

if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "All configurations passed."
