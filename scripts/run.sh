#!/usr/bin/env bash
# Installs what is missing, builds the product and starts the windowed
# program Vastrel under Wine. Arguments go to the program (for example the
# path of a project file, "Z:\home\me\work.ecl").
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$root/scripts/deps.sh"
mkdir -p "$build"
configure_and_build win32 "${win32_args[@]}"
configure_and_build native

# The 32-bit product where this kernel starts 32-bit programs, else the same
# sources built for 64-bit Windows.
wincfg=$(wine_test_build)
loader=wine
if [ "$wincfg" = win64 ]; then
    echo "This kernel cannot start 32-bit programs: Vastrel runs as the 64-bit build of the same sources."
    configure_and_build win64 "${win64_args[@]}"
    loader=wine64
fi

echo
echo "Built:"
find "$build/win32" "$build/native" -maxdepth 3 -type f \( -name '*.exe' -o -name '*.dll' -o -path '*/app/*.chm' -o -perm -u+x \) \
    -not -path '*/CMakeFiles/*' -not -name '*.sh' | sort | sed "s|$root/||"

export WINEPREFIX="$build/$wincfg/wineprefix"
program="$build/$wincfg/app/Vastrel.exe"
echo
if [ -n "${DISPLAY:-}" ]; then
    echo "Starting ${program#$root/} under Wine; the script ends when you close its window."
    "$root/cmake/wine-run.sh" "$loader" "$program" "$@"
    exit 0
fi

# No display: a virtual screen that nobody sees. The program runs there for a
# while, a picture of the screen is saved, and the program is closed.
screen=""
for n in $(seq 90 99); do
    [ -e "/tmp/.X11-unix/X$n" ] && continue
    screen=":$n"
    break
done
[ -n "$screen" ] || { echo "No free display number for a virtual screen."; exit 1; }
echo "This machine has no display: Vastrel runs on a virtual screen (Xvfb $screen) that nobody sees."
Xvfb "$screen" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$screen
cleanup() {
    [ -n "${program_pid:-}" ] && kill "$program_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
"$root/cmake/wine-run.sh" "$loader" "$program" "$@" >/dev/null 2>&1 &
program_pid=$!
sleep "${RUN_SECONDS:-15}"
picture="$build/Vastrel-screen.png"
import -window root "$picture"
echo "A picture of its screen after ${RUN_SECONDS:-15} seconds: ${picture#$root/}. The program is closed now."
