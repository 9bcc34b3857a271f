#!/usr/bin/env bash
# Installs what the build and the tests need, once. A second run only checks.
#
# Package mirrors are sometimes caught mid-sync: one index file has the wrong
# size, and the indexes of the two architectures then offer different versions
# of the same multi-architecture library, so the install is refused as "held
# broken packages". The index update is retried a few times and, when only some
# index files stay broken, the script goes on with what it has; an install
# refused that way is tried once more preferring the running release's own
# suite over its updates. Whatever happens, the script ends by checking that
# every package is really installed, and says which step failed when one is not.
set -euo pipefail

native_pkgs=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libxml2-dev libssl-dev openssl python3 locales)
# fonts-wine: Wine's own fonts (title-bar buttons and the like), only a
# recommendation of wine's, which --no-install-recommends skips.
win_pkgs=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools wine wine32:i386 wine64 fonts-wine xvfb xauth
    x11-utils imagemagick fp-utils)

have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing() {
    local p
    for p in "${native_pkgs[@]}" "${win_pkgs[@]}"; do
        have "$p" || echo "$p"
    done
}

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

# The tests run the Windows programs on a Japanese system too (code page 932,
# whose double-byte characters may end in the byte of a backslash): Wine
# takes the code page from a locale that must exist on the host.
ensure_japanese_locale() {
    locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' && return 0
    $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8 || { echo "deps.sh: could not make the locale ja_JP.UTF-8" >&2; exit 1; }
}

mapfile -t need < <(missing)
if [ ${#need[@]} -eq 0 ]; then
    ensure_japanese_locale
    exit 0
fi
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
trap 'rm -f "$log"' EXIT
fail() {
    echo "deps.sh: $1" >&2
    [ -s "$log" ] && tail -n 20 "$log" >&2
    exit 1
}

echo "Installing: ${need[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386 || fail "could not add the i386 architecture"
fi

# The index update, up to four times with a growing pause. When apt's only
# complaint is that some index files could not be fetched, the rest are
# usable: the install below decides whether they are enough.
updated=0
for attempt in 1 2 3 4; do
    if $SUDO apt-get update -qq >"$log" 2>&1; then
        updated=1
        break
    fi
    echo "apt-get update failed (attempt $attempt of 4):"
    grep -E '^(E|W):' "$log" | head -n 5 || true
    [ "$attempt" -lt 4 ] && sleep $((attempt * 15))
done
if [ $updated = 0 ]; then
    # Every error line is about a failed index download: go on with the
    # indexes that did arrive (and those of earlier updates).
    if grep -E '^E:' "$log" | grep -vqE 'Failed to fetch|Some index files failed to download'; then
        fail "apt-get update failed"
    fi
    echo "Some package indexes could not be updated; going on with the others."
fi

apt_install() { $SUDO apt-get install -y -qq --no-install-recommends "$@" "${need[@]}" >"$log" 2>&1; }
if ! apt_install; then
    cat "$log"
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    if [ -n "$codename" ] && grep -qE 'held broken packages|unmet dependencies|Unable to correct problems' "$log"; then
        echo "The install was refused for mismatched package versions; trying again preferring the release $codename."
        apt_install -t "$codename" || fail "apt-get install failed, also preferring the release $codename"
    else
        fail "apt-get install failed"
    fi
fi

mapfile -t still < <(missing)
[ ${#still[@]} -eq 0 ] || fail "apt-get install ended, but these packages are not installed: ${still[*]}"
ensure_japanese_locale
echo "Every package the build and the tests need is installed."
