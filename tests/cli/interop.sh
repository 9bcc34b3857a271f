#!/usr/bin/env bash
# interop.sh NATIVE_PROGRAM WINDOWS_PROGRAM [wine|wine64]
# Files encrypted by one build of the console program decrypt with the other:
# a folder tree goes native -> Windows and Windows -> native, and every byte
# must come back; passwords, hints and names with letters beyond ASCII give
# the same keys, the same stored bytes and the same visible names in both
# builds. WINEPREFIX names the Windows build's prefix.
set -euo pipefail
native=$(realpath "$1")
windows=$(realpath "$2")
loader=${3:-wine64}
root=$(cd "$(dirname "$0")/../.." && pwd)
: "${WINEPREFIX:?WINEPREFIX must name the prefix of the Windows build}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
# Both builds take the command line as UTF-8 (Wine converts it for the
# Windows program, whose code page is then 1252).
export LC_ALL=C.UTF-8
mkdir -p "$work/native" "$work/windows"
cp "$native" "$work/native/kestrum"
cp "$windows" "$work/windows/Kestrum.exe"

# The Windows program sees the host's files on drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

fail() {
    echo "interop: $*" >&2
    exit 1
}

run_native() {
    "$work/native/kestrum" "$@" >"$work/out.txt" 2>&1 || fail "native run failed ($?): $(cat "$work/out.txt")"
}
run_windows() {
    "$root/cmake/wine-run.sh" "$loader" "$work/windows/Kestrum.exe" "$@" >"$work/out.txt" 2>&1 ||
        fail "Windows run failed ($?): $(cat "$work/out.txt")"
}

make_tree() {
    local t=$1
    mkdir -p "$t/Sub Dir/Deeper"
    : >"$t/empty.txt"
    printf 'x' >"$t/one byte"
    head -c 16 /dev/urandom >"$t/Sub Dir/sixteen.bin"
    head -c 100003 /dev/urandom >"$t/Sub Dir/Deeper/Large File.dat"
    printf 'plain text\r\n' >"$t/Sub Dir/notes.txt"
}

check_encrypted() {
    local t=$1
    [ -z "$(find "$t" -type f ! -name '*.~enc')" ] || fail "plain files left in $t"
    [ "$(find "$t" -type f | wc -l)" -eq 5 ] || fail "expected 5 encrypted files in $t"
}

check_restored() {
    local t=$1 original=$2
    [ -z "$(find "$t" -type f -name '*.~enc')" ] || fail "encrypted files left in $t"
    diff -r "$original" "$t" >/dev/null || fail "$t differs from the original"
}

# Native encrypts, Windows decrypts.
make_tree "$work/a"
cp -a "$work/a" "$work/a.original"
run_native -cl -m:encrypt "-p:Interop Pass" "-hint:both ways" "-fo:$work/a" -log:false
check_encrypted "$work/a"
run_windows -cl -m:decrypt "-p:INTEROP PASS" "-fo:$(winpath "$work/a")" -log:false
check_restored "$work/a" "$work/a.original"

# Windows encrypts (with obfuscated names), native decrypts.
make_tree "$work/b"
cp -a "$work/b" "$work/b.original"
run_windows -cl -m:encrypt "-p:Interop Pass" "-fo:$(winpath "$work/b")" -o:true -log:false
check_encrypted "$work/b"
run_native -cl -m:decrypt "-p:interop pass" "-fo:$work/b" -log:false
check_restored "$work/b" "$work/b.original"

# Passwords, hints and names with é, ö and ©, typed the same way in both
# builds; on each road the hint is stored as the same Windows-1252 bytes.
password='Pässwörd é ö ©'
hint='é ö ©'
stored_hint=$(printf '\xa9\xe9 \xf6 \xa9\xa9')  # between the footer's separators

make_letters() {
    mkdir -p "$1/Ordner ö"
    printf 'café\r\n' >"$1/café ö ©.txt"
    head -c 1000 /dev/urandom >"$1/Ordner ö/naïve ©.bin"
}
check_hints() {
    local f
    while IFS= read -r -d '' f; do
        LC_ALL=C grep -qF "$stored_hint" "$f" || fail "$f does not hold the hint in Windows-1252"
    done < <(find "$1" -type f -name '*.~enc' -print0)
}
job_file() {  # job_file PATH MODE FOLDER: a job file in UTF-8
    printf '<?xml version="1.0" encoding="UTF-8"?>\n<job><project><mode>%s</mode><password>%s</password><hint>%s</hint><folder>%s</folder><logresults>false</logresults></project></job>\n' \
        "$2" "$password" "$hint" "$3" >"$1"
}

# The option road: native encrypts, Windows decrypts.
make_letters "$work/c"
cp -a "$work/c" "$work/c.original"
run_native -cl -m:encrypt "-p:$password" "-hint:$hint" "-fo:$work/c" -log:false
[ "$(find "$work/c" -type f | wc -l)" -eq 2 ] && [ -z "$(find "$work/c" -type f ! -name '*.~enc')" ] ||
    fail "expected 2 encrypted files in $work/c"
check_hints "$work/c"
run_windows -cl -m:decrypt "-p:$password" "-fo:$(winpath "$work/c")" -log:false
check_restored "$work/c" "$work/c.original"

# The job-file road: Windows encrypts, native decrypts (case kept there).
make_letters "$work/d"
cp -a "$work/d" "$work/d.original"
job_file "$work/encrypt.xml" encrypt "$(winpath "$work/d")"
run_windows "$(winpath "$work/encrypt.xml")" -xml
check_hints "$work/d"
job_file "$work/decrypt.xml" decrypt "$work/d"
run_native "$work/decrypt.xml" -xml
check_restored "$work/d" "$work/d.original"

# A stored name with a byte that Windows-1252 leaves undefined (0x81, the
# Windows program's name for U+0081) comes back natively in a visible escaped
# form, valid UTF-8, which turns into the same byte when encrypted again.
mkdir -p "$work/e"
printf 'odd name' >"$work/e/$(printf '\xc2\x81')x.txt"
cp -a "$work/e" "$work/e.original"
run_windows -cl -m:encrypt "-p:$password" "-fo:$(winpath "$work/e")" -log:false
run_native -cl -m:decrypt "-p:$password" "-fo:$work/e" -log:false
escaped="$work/e/$(printf '\xef\xbf\xbd')81x.txt"
[ "$(cat "$escaped" 2>/dev/null)" = 'odd name' ] || fail "no file named $escaped: $(ls "$work/e")"
run_native -cl -m:encrypt "-p:$password" "-fo:$work/e" -log:false
# The encrypted file's own name holds U+FFFD, which the Windows program's
# ANSI file calls cannot reach; the name stored inside is what counts.
mv "$work/e/$(printf '\xef\xbf\xbd')81x.~enc" "$work/e/renamed.~enc" || fail "no encrypted file in $work/e"
run_windows -cl -m:decrypt "-p:$password" "-fo:$(winpath "$work/e")" -log:false
check_restored "$work/e" "$work/e.original"

echo "interop: native and Windows builds read each other's files"
