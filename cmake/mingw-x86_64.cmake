# The same sources for 64-bit Windows, run under 64-bit Wine. Used to run the
# Windows tests on machines whose kernel cannot start 32-bit programs (and so
# no 32-bit Wine); the product itself is always the 32-bit build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VASTREL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Every test program runs in a Wine prefix and on a display of its own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh --own-prefix wine64)
