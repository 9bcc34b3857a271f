# GoogleTest from Debian's sources, built the same way for both configurations.
if(VASTREL_TESTS AND NOT TARGET gtest)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    include(GoogleTest)
endif()

# vastrel_add_gtest(<target> <sources...> LIBS <libs...> [LAUNCHER <command...>])
# Natively every test case is its own ctest entry. Under Wine a process start
# costs far more than a test case, so one test binary is one ctest entry.
# Under Wine every test whose command is a target runs through the toolchain's
# emulator, `wine-run.sh --own-prefix`: a Wine prefix, wineserver and display
# of its own, so tests that ctest runs at the same time share no settings.
# A test whose command is not a target gets the same by starting its Windows
# program with ${CMAKE_CROSSCOMPILING_EMULATOR} in front. LAUNCHER is a
# command of the build machine that the Windows test runs under (a script
# that starts a test server for the program's run, say).
function(vastrel_add_gtest target)
    cmake_parse_arguments(ARG "" "" "LIBS;LAUNCHER" ${ARGN})
    add_executable(${target} ${ARG_UNPARSED_ARGUMENTS})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} gtest gtest_main)
    if(CMAKE_CROSSCOMPILING AND ARG_LAUNCHER)
        add_test(NAME ${target} COMMAND ${ARG_LAUNCHER} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${target}>)
    elseif(CMAKE_CROSSCOMPILING)
        add_test(NAME ${target} COMMAND ${target})
    else()
        gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST)
    endif()
endfunction()
