#!/usr/bin/env bash
# interop.sh NATIVE_PROGRAM WINDOWS_PROGRAM [wine|wine64]
# Files encrypted by one build of the console program decrypt with the other:
# a folder tree goes native -> Windows and Windows -> native, and every byte
# must come back. WINEPREFIX names the Windows build's prefix.
set -euo pipefail
native=$(realpath "$1")
windows=$(realpath "$2")
loader=${3:-wine64}
root=$(cd "$(dirname "$0")/../.." && pwd)
: "${WINEPREFIX:?WINEPREFIX must name the prefix of the Windows build}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
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

echo "interop: native and Windows builds read each other's files"
