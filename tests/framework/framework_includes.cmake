# Fails when a file of the framework includes anything of ours beyond the
# platform layer and the framework itself: the framework knows nothing of
# the product (core/, ui/, app/, shellext/, extractor/, cli/ or any other
# folder of the tree). System and library headers in angle brackets are
# free.
#
#   cmake -DSOURCE_DIR=<top of the tree> -P framework_includes.cmake
if(NOT SOURCE_DIR)
    message(FATAL_ERROR "SOURCE_DIR is not set")
endif()
file(GLOB files ${SOURCE_DIR}/framework/*.h ${SOURCE_DIR}/framework/*.cpp)
list(LENGTH files count)
if(count EQUAL 0)
    message(FATAL_ERROR "no framework files under ${SOURCE_DIR}/framework")
endif()

set(offending "")
foreach(file ${files})
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${lines})
        if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<")
            continue()
        endif()
        if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"(framework|platform)/[^\"/]+\"")
            file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
            string(APPEND offending "  ${name}: ${line}\n")
        endif()
    endforeach()
endforeach()
if(offending)
    message(FATAL_ERROR "framework files include what lies outside framework/ and platform/:\n${offending}")
endif()
message(STATUS "${count} framework files include only framework/, platform/ and system headers")
