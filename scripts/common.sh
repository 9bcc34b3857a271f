# Shared by the build and test scripts: folders, and the configure-and-build step.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"
jobs=$(nproc)

# configure_and_build NAME [CMAKE ARGS...]
configure_and_build() {
    local name=$1
    shift
    cmake -S "$root" -B "$build/$name" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$build/$name.configure.log" 2>&1 ||
        { cat "$build/$name.configure.log"; return 1; }
    cmake --build "$build/$name" -j "$jobs"
}

# True when this machine's kernel starts 32-bit programs, and so 32-bit Wine.
can_run_32bit() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

# The Windows build whose tests run under Wine here: the 32-bit product build
# where 32-bit Wine works, otherwise the same sources built for 64-bit Windows.
wine_test_build() {
    if can_run_32bit; then echo win32; else echo win64; fi
}

# One line that says which road the Windows tests take on this machine.
wine_test_road() {
    if can_run_32bit; then
        echo "Windows tests: the 32-bit product build under 32-bit Wine (this kernel starts 32-bit programs)."
    else
        echo "Windows tests: the 64-bit build of the same sources under 64-bit Wine (this kernel cannot start 32-bit programs)."
    fi
}

win32_args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake")
win64_args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake")
