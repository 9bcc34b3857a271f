# Compiles the help into one .chm file: checks its links, copies the help
# files into a staging folder (the compiler writes beside the project), runs
# the compiler there and puts the result at OUTPUT.
#
#   cmake -DHELP_DIR=<help folder> -DSTAGE_DIR=<scratch folder> -DCHMCMD=<chmcmd>
#         -DPROJECT_FILE=<name.hhp> -DOUTPUT=<file.chm> -P compile_chm.cmake

include("${CMAKE_CURRENT_LIST_DIR}/check_links.cmake")

file(REMOVE_RECURSE "${STAGE_DIR}")
file(MAKE_DIRECTORY "${STAGE_DIR}")
file(GLOB entries RELATIVE "${HELP_DIR}" "${HELP_DIR}/*")
foreach(entry IN LISTS entries)
    if(NOT entry STREQUAL "tools" AND NOT entry STREQUAL "CMakeLists.txt")
        file(COPY "${HELP_DIR}/${entry}" DESTINATION "${STAGE_DIR}")
    endif()
endforeach()

# The project names its compiled file; that is what the compiler writes.
file(STRINGS "${STAGE_DIR}/${PROJECT_FILE}" compiled REGEX "^Compiled file=")
string(REGEX REPLACE "^Compiled file=" "" compiled "${compiled}")
string(STRIP "${compiled}" compiled)
execute_process(COMMAND "${CHMCMD}" "${PROJECT_FILE}"
    WORKING_DIRECTORY "${STAGE_DIR}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE log
    ERROR_VARIABLE log)
# The compiler reports missing files and bad entries as warnings and still
# succeeds; here they fail the build like errors.
if(NOT result EQUAL 0 OR log MATCHES "(Error|Warning)" OR NOT EXISTS "${STAGE_DIR}/${compiled}")
    message(FATAL_ERROR "Compiling the help failed (${CHMCMD} ${PROJECT_FILE}, result ${result}):\n${log}")
endif()

get_filename_component(output_dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${output_dir}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E copy "${STAGE_DIR}/${compiled}" "${OUTPUT}" RESULT_VARIABLE copied)
if(NOT copied EQUAL 0)
    message(FATAL_ERROR "Unable to write ${OUTPUT}")
endif()
