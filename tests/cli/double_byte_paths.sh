#!/usr/bin/env bash
# double_byte_paths.sh WINDOWS_PROGRAM [wine|wine64]
# The Windows console program on a Japanese system (ANSI code page 932, where
# the second byte of 表, ソ and 能 is the byte of a backslash) encrypts every
# file below a folder whose name ends in 表, leaves none of them plain, then
# decrypts them and must give back every byte. Each run has a Wine prefix of
# its own, made afresh, and no display: a message box fails at once.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
program=$1
loader=${2:-wine}
locale -a | grep -qix 'ja_JP.utf8' || { echo "The locale ja_JP.UTF-8 is missing (scripts/deps.sh makes it)." >&2; exit 1; }

work=$(mktemp -d)
export WINEPREFIX="$work/prefix"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
unset DISPLAY

# Capitals, which the option road lowercases, and ア, whose second byte is 'A'.
top="$work/Data ア表"
mkdir -p "$top/能" "$top/ソ/Notes 能"
printf 'plain text\r\n' >"$top/a.txt"
: >"$top/能/empty.txt"
head -c 70000 /dev/urandom >"$top/ソ/photo.raw"
printf '%s\n' '日本語のテキスト' >"$top/ソ/Notes 能/日本.txt"
# File names whose own last character ends in the backslash byte.
printf 'so' >"$top/ソ.txt"
printf 'bee' >"$top/能/b表.txt"
cp -a "$top" "$work/original"
count=$(find "$top" -type f | wc -l)

# kestrum MODE: one run over the folder; its output is shown when it fails.
kestrum() {
    local out="$work/$1.out"
    if ! LANG=ja_JP.UTF-8 LC_ALL=ja_JP.utf8 timeout 300 "$root/cmake/wine-run.sh" "$loader" "$program" -cl "-m:$1" \
        "-p:Double Byte" "-fo:Z:${top//\//\\}" -log:false >"$out" 2>"$work/$1.err" ||
        ! grep -q "$count files ${1}ed, 0 Failed" "$out"; then
        echo "The $1 run failed:"
        iconv -c -f CP932 -t UTF-8 "$out" | tr -d '\r'
        return 1
    fi
}

kestrum encrypt
while IFS= read -r -d '' file; do
    [ "$(tail -c 5 "$file")" = '<zqv>' ] || { echo "Left plain by the encryption: $file"; exit 1; }
done < <(find "$top" -type f -print0)
[ "$(find "$top" -type f | wc -l)" = "$count" ] || { echo "The encryption left $(find "$top" -type f | wc -l) files of $count"; exit 1; }

kestrum decrypt
diff -r "$work/original" "$top" || { echo "The decrypted tree differs from the original."; exit 1; }
echo "Every file below a folder ending in 表 came back, byte for byte."
