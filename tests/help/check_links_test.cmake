# The link checker, run over a help folder with broken links, fails and names
# every broken link once, and none of the good ones.
#
#   cmake -DCHECKER=<check_links.cmake> -DBROKEN_DIR=<folder> -P check_links_test.cmake

execute_process(COMMAND "${CMAKE_COMMAND}" -DHELP_DIR=${BROKEN_DIR} -P "${CHECKER}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result EQUAL 0)
    message(FATAL_ERROR "The checker passed a help folder with broken links:\n${output}")
endif()

set(expected
    "index.html: \"missing.html\" names a missing file"
    "index.html: \"good.html#nowhere\" names a missing anchor"
    "index.html: \"pictures/missing.png\" names a missing file"
    "index.html: \"../outside.html\" leads out of the help folder"
    "index.html: a href or src value without double quotes"
    "broken.hhc: \"gone_topic.html\" names a missing file"
    "broken.hhp: \"absent.hhk\" names a missing file"
    "broken.hhp: \"gone_file.html\" names a missing file")
list(LENGTH expected count)
string(REGEX REPLACE "[ \t\r\n]+" " " flat "${output}")
foreach(line IN LISTS expected)
    string(FIND "${flat}" "${line}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "The checker did not report: ${line}\nIt said:\n${output}")
    endif()
endforeach()
if(NOT flat MATCHES "The help has ${count} broken link\\(s\\)")
    message(FATAL_ERROR "The checker reported other problems than the ${count} expected:\n${output}")
endif()
