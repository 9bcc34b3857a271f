# The programs' resources. Each program has its own folder under resources/
# with its script and its id header; resources/shared holds what several
# programs include (version block, manifest, shared templates) and
# resources/images the bitmaps and icons.
#
# vastrel_add_resources(<target> <script.rc>...)
#   Compiles the scripts into the target. The resource folders are on the
#   target's include path, so its scripts and its C++ code reach
#   "<program>/resource.h" and "shared/..." alike, and scripts name images
#   by their file name.
#
# vastrel_embed_output(<consumer> <producer> <MACRO>)
#   Lets the consumer's scripts store the producer's built file (same
#   configuration) as a resource: the header "<MACRO>.h" defines MACRO as
#   the file's quoted path, and the consumer's resources are rebuilt when
#   that file changes. In the script:
#       #include "EXTRACTOR_EXE_PATH.h"
#       142 SFX_EXE EXTRACTOR_EXE_PATH
function(vastrel_add_resources target)
    target_sources(${target} PRIVATE ${ARGN})
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/resources ${PROJECT_SOURCE_DIR}/resources/images)
    # windres reports no included files to the build, so a script is
    # rebuilt whenever anything under resources/ changes.
    file(GLOB_RECURSE inputs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/*.rc ${PROJECT_SOURCE_DIR}/resources/*.h
         ${PROJECT_SOURCE_DIR}/resources/*.manifest ${PROJECT_SOURCE_DIR}/resources/*.bmp ${PROJECT_SOURCE_DIR}/resources/*.ico)
    foreach(script ${ARGN})
        set_property(SOURCE ${script} TARGET_DIRECTORY ${target} APPEND PROPERTY OBJECT_DEPENDS ${inputs})
    endforeach()
endfunction()

function(vastrel_embed_output consumer producer macro)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/embedded/${consumer})
    file(GENERATE OUTPUT ${dir}/${macro}.h CONTENT "#define ${macro} \"$<TARGET_FILE:${producer}>\"\n")
    target_include_directories(${consumer} PRIVATE ${dir})
    add_dependencies(${consumer} ${producer})
    # The file's path, for the rebuild rule (which takes no generator
    # expressions); the producer's output name is set before this call.
    get_target_property(out_dir ${producer} RUNTIME_OUTPUT_DIRECTORY)
    if(NOT out_dir)
        get_target_property(out_dir ${producer} BINARY_DIR)
    endif()
    get_target_property(out_name ${producer} OUTPUT_NAME)
    if(NOT out_name)
        set(out_name ${producer})
    endif()
    get_target_property(sources ${consumer} SOURCES)
    foreach(source ${sources})
        if(source MATCHES "\\.rc$")
            set_property(SOURCE ${source} TARGET_DIRECTORY ${consumer} APPEND PROPERTY OBJECT_DEPENDS
                         ${out_dir}/${out_name}${CMAKE_EXECUTABLE_SUFFIX})
        endif()
    endforeach()
endfunction()
