#!/usr/bin/env bash
# Installs what is missing, builds the product and starts the windowed
# program Vastrel under Wine. Arguments go to the program (for example the
# path of a project file, "Z:\home\me\work.ecl").
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$root/scripts/deps.sh"
mkdir -p "$build"
# One run at a time from a tree: two would build into the same folders and
# share one Wine prefix. The lock goes with this script (no program it starts
# holds it).
exec {run_lock}>"$build/run.lock"
flock -n "$run_lock" || {
    echo "Another ./scripts/run.sh of this tree is running; start this one again when it has ended."
    exit 1
}
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
    -not -path '*/CMakeFiles/*' -not -name '*.sh' -not -name '*.debug' | sort | sed "s|$root/||"

export WINEPREFIX="$build/$wincfg/wineprefix"
program="$build/$wincfg/app/Vastrel.exe"
echo
if [ -n "${DISPLAY:-}" ]; then
    echo "Starting ${program#$root/} under Wine; the script ends when you close its window."
    "$root/cmake/wine-run.sh" "$loader" "$program" "$@" {run_lock}>&-
    exit 0
fi

# No display: a virtual screen that nobody sees. The program runs there on a
# Wine virtual desktop (which draws the windows' frames and title bars), the
# script waits until its first window is on the screen, saves a picture of
# the screen and closes the program.
echo "This machine has no display: Vastrel runs on a virtual screen (Xvfb) that nobody sees."
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 {run_lock}>&- &
xvfb_pid=$!
cleanup() {
    [ -n "${program_pid:-}" ] && kill "$program_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
    rm -f "$display_file"
}
trap cleanup EXIT
for _ in $(seq 1 250); do
    [ -s "$display_file" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.02
done
[ -s "$display_file" ] || { echo "No virtual screen could be started: Xvfb found no free display number."; exit 1; }
export DISPLAY=":$(head -n1 "$display_file")"
"$root/cmake/wine-run.sh" "$loader" explorer /desktop=Vastrel,1024x768 "$program" "$@" >/dev/null 2>&1 {run_lock}>&- &
program_pid=$!

# The title of the program's first window that is on the screen, if any.
shown_window() {
    local id
    xwininfo -root -tree 2>/dev/null | grep -i '("vastrel.exe"' | grep -v '"Default IME"' | awk '{print $1}' |
        while read -r id; do
            if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
                xwininfo -id "$id" | sed -n 's/^xwininfo: Window id: [^ ]* "\(.*\)"$/\1/p'
                break
            fi
        done
}
wait_seconds=${RUN_WAIT_SECONDS:-120}
echo "Waiting for its first window (a fresh Wine prefix takes a while; at most $wait_seconds seconds)..."
title=
deadline=$((SECONDS + wait_seconds))
while [ $SECONDS -lt $deadline ]; do
    title=$(shown_window || true)
    [ -n "$title" ] && break
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 1
done
picture="$build/Vastrel-screen.png"
if [ -z "$title" ]; then
    import -window root "$picture"
    if kill -0 "$program_pid" 2>/dev/null; then
        echo "No window of Vastrel appeared within $wait_seconds seconds; the screen as it was: ${picture#$root/}."
    else
        echo "Vastrel ended before any window of it appeared; the screen as it was: ${picture#$root/}."
    fi
    exit 1
fi
sleep 2  # the window paints itself
import -window root "$picture"
echo "A picture of its screen: ${picture#$root/}, showing the window \"$title\". The program is closed now."
