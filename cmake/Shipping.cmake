# vastrel_split_debug_info(<target>)
#   The shipped Windows programs carry no debugging information: after each
#   link the DWARF sections and the symbol table move to "<file>.debug" beside the program, and the
#   program keeps only a link to that file (by name), so a debugger finds them
#   again. Test programs keep theirs in place.
function(vastrel_split_debug_info target)
    if(NOT WIN32)
        return()
    endif()
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}> $<TARGET_FILE_NAME:${target}>.debug
        COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug
                $<TARGET_FILE_NAME:${target}>
        WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
        COMMENT "Debugging information of ${target} moved to $<TARGET_FILE_NAME:${target}>.debug"
        VERBATIM)
endfunction()
