#!/usr/bin/env bash
# wine-run.sh [--own-prefix] wine|wine64 PROGRAM [ARGS...]
#
# Runs a Windows program under Wine with WINEDEBUG=-all and a private prefix.
#
# Plain: the prefix is WINEPREFIX when set, else the build folder's own
# (build/<config>/wineprefix, the build folder being the one above the
# program, or above the current folder, that holds CMakeCache.txt). For
# running programs by hand.
#
# --own-prefix (what ctest uses for every Windows test): the program gets a
# prefix and an X display that nothing else uses while it runs, so test
# programs that ctest runs at the same time never see each other's settings,
# registrations, files under C: or windows. The prefix is a fresh copy of a
# template prefix that is booted once per build folder and never run itself
# (build/<config>/wine/template); the copy lives in build/<config>/wine/run/
# and stays there after the run for a look at what the program left. Its
# wineserver is the program's own; it is ended with the program, and so is
# everything the program started. WINEPREFIX and DISPLAY from outside are
# ignored. Programs the test starts itself (the product as a process of its
# own, regsvr32) run in the same prefix and see the same display.
#
# The loader names the road: wine64 runs 64-bit programs in a 64-bit prefix,
# wine runs 32-bit programs in a 32-bit prefix (WINEARCH=win32). A prefix
# records its kind when it is booted; nothing else here depends on it.
set -u

own=0
if [ "${1:-}" = --own-prefix ]; then
    own=1
    shift
fi
[ $# -ge 2 ] || { echo "usage: wine-run.sh [--own-prefix] wine|wine64 PROGRAM [ARGS...]" >&2; exit 2; }
loader=$1
shift
case "$loader" in
    wine64) loader=/usr/lib/wine/wine64; arch=win64 ;;
    *) loader=wine; arch=win32 ;;
esac
export WINEDEBUG=-all
# No Mono or Gecko installers: nothing here needs them, and nothing may ask.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# The build folder: the nearest folder that holds CMakeCache.txt at or above
# the program's own folder, else at or above the current one (ctest runs
# every test in a folder of the build); the current folder when none does.
build_folder() {
    local start dir
    for start in "$(dirname "$(realpath -m "$1")")" "$PWD"; do
        dir=$start
        while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
        [ -f "$dir/CMakeCache.txt" ] && { echo "$dir"; return; }
    done
    echo "$PWD"
}

# Wine's own fonts (package fonts-wine: Marlett for the title-bar buttons,
# Tahoma, the bitmap fonts) are not picked up from where the package puts
# them, so a prefix gets a copy in its Fonts folder; without Marlett every
# title bar shows the letters "0 1 r" where its buttons belong.
wine_fonts=/usr/share/wine/fonts
[ -f "$wine_fonts/marlett.ttf" ] ||
    wine_fonts=$(dirname "$(dpkg -L fonts-wine 2>/dev/null | grep -m1 '/marlett\.ttf$')" 2>/dev/null)
add_wine_fonts() {
    local fonts="$1/drive_c/windows/Fonts"
    [ -f "$wine_fonts/marlett.ttf" ] && [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ] || return 0
    cp -p "$wine_fonts"/* "$fonts"/ 2>/dev/null || true
}

# boot_prefix DIR: a new prefix, booted, its wineserver ended.
boot_prefix() {
    mkdir -p "$1"
    WINEPREFIX="$1" WINEARCH=$arch "$loader" wineboot -i >/dev/null 2>&1
    WINEPREFIX="$1" wineserver -w
    add_wine_fonts "$1"
}

if [ $own = 0 ]; then
    [ -n "${WINEPREFIX:-}" ] || export WINEPREFIX="$(build_folder "$1")/wineprefix"
    [ -f "$WINEPREFIX/system.reg" ] || boot_prefix "$WINEPREFIX"
    add_wine_fonts "$WINEPREFIX"  # a prefix booted before the fonts were installed
    exec "$loader" "$@"
fi

wine_dir="$(build_folder "$1")/wine"
template="$wine_dir/template"
mkdir -p "$wine_dir/run"

# The template, made once under an exclusive lock (ctest starts many tests at
# once) and again when the Wine version or the prefix kind changes. The links
# Wine makes from the user's folders (Desktop, Documents, ...) to the real home
# folder become plain folders, so no test writes outside its prefix there.
make_template() {
    local stamp
    # 3: the layout this script makes; a template made before the fonts were
    # installed is made again.
    stamp="3 $arch $("$loader" --version 2>/dev/null) fonts:$([ -f "$wine_fonts/marlett.ttf" ] && echo yes)"
    [ "$(cat "$template/.template-stamp" 2>/dev/null)" = "$stamp" ] && return 0
    rm -rf "$template" "$template.new"
    boot_prefix "$template.new"
    [ -f "$template.new/system.reg" ] || { echo "wine-run.sh: could not boot a Wine prefix" >&2; return 1; }
    rm -f "$template.new/wineserver"  # names the dead wineserver's socket folder
    find "$template.new/drive_c/users" -type l -print0 | while IFS= read -r -d '' link; do
        rm -f "$link" && mkdir -p "$link"
    done
    # Wine's own binaries and fonts (the bulk of a prefix) become hard links in every
    # copy, since nothing writes them; every other file, the registry and the
    # INI files included, is copied. This lists the ones to copy.
    (cd "$template.new" && find . -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.sys' -o -iname '*.drv' \
        -o -iname '*.nls' -o -iname '*.ocx' -o -iname '*.acm' -o -iname '*.cpl' -o -iname '*.tlb' -o -iname '*.ax' \
        -o -iname '*.ds' -o -iname '*.ttf' -o -iname '*.fon' \) -print0) >"$template.new/.copied-files"
    echo "$stamp" >"$template.new/.template-stamp"
    mv "$template.new" "$template"
}
(
    flock -x 9
    make_template
) 9>"$wine_dir/template.lock" || exit 1

# A run folder no other running test holds: the program's name, then .2, .3...
# The lock is held until this script ends; no program it starts keeps it.
base=$(basename "$1")
base=${base%.[eE][xX][eE]}
base=${base//[^A-Za-z0-9_.-]/_}
slot=
for n in $(seq 1 64); do
    candidate="$wine_dir/run/$base"
    [ "$n" = 1 ] || candidate="$candidate.$n"
    exec {slot_lock}>"$candidate.lock"
    if flock -n "$slot_lock"; then
        slot=$candidate
        break
    fi
    exec {slot_lock}>&-
done
[ -n "$slot" ] || { echo "wine-run.sh: no free run folder for $base" >&2; exit 1; }
export WINEPREFIX="$slot"

xvfb=
finish() {
    WINEPREFIX="$slot" wineserver -k 2>/dev/null
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null
        wait "$xvfb" 2>/dev/null
    fi
}
trap 'finish; exit 143' TERM INT HUP

# A fresh copy of the template: hard links, then copies of the files listed.
WINEPREFIX="$slot" wineserver -k 2>/dev/null  # one left from a killed run
rm -rf "$slot"
(
    flock -s 9
    cp -al "$template" "$slot" &&
        cd "$template" && xargs -0 cp -p --parents --remove-destination -t "$slot" <.copied-files
) 9>"$wine_dir/template.lock" || { echo "wine-run.sh: could not copy the template prefix" >&2; exit 1; }

# An X server of the program's own; Xvfb picks a free display number itself.
# VASTREL_SCREEN_DEPTH gives it another colour depth (8: a palette display).
display_file="$slot.display"
: >"$display_file"
Xvfb -displayfd 3 -screen 0 "1024x768x${VASTREL_SCREEN_DEPTH:-24}" -nolisten tcp 3>"$display_file" >/dev/null 2>&1 {slot_lock}>&- &
xvfb=$!
for _ in $(seq 1 250); do
    [ -s "$display_file" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.02
done
if [ -s "$display_file" ]; then
    export DISPLAY=":$(head -n1 "$display_file")"
else
    echo "wine-run.sh: Xvfb did not start; the program runs without a display" >&2
    unset DISPLAY
fi

"$loader" "$@" <&0 {slot_lock}>&- &
program=$!
wait "$program"
status=$?
finish
exit $status
