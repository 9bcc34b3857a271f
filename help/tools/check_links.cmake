# Checks that every link of the help leads somewhere: each href and src of the
# pages, each page named by the contents (.hhc) and the index (.hhk), and each
# file the project (.hhp) names must be a file inside the help folder, and a
# "#name" after a page must be an id or name on that page. Links with a scheme
# (http:, mailto: ...) are not followed. Every problem is listed, then the
# script fails.
#
#   cmake -DHELP_DIR=<help folder> -P check_links.cmake

if(NOT HELP_DIR OR NOT IS_DIRECTORY "${HELP_DIR}")
    message(FATAL_ERROR "check_links: HELP_DIR must name the help folder")
endif()
get_filename_component(help_root "${HELP_DIR}" ABSOLUTE)

set(link_problems "")
set(link_problem_count 0)

# check_link(<file the link is in, relative> <folder links resolve from> <link>)
macro(check_link from base link)
    set(_link "${link}")
    if(_link MATCHES "^[A-Za-z][A-Za-z0-9+.-]*:")
        # a scheme: not a file of the help
    else()
        set(_anchor "")
        set(_target "${_link}")
        string(FIND "${_link}" "#" _hash)
        if(_hash GREATER -1)
            string(SUBSTRING "${_link}" 0 ${_hash} _target)
            math(EXPR _after "${_hash} + 1")
            string(SUBSTRING "${_link}" ${_after} -1 _anchor)
        endif()
        if(_target STREQUAL "")
            set(_path "${help_root}/${from}")  # an anchor on the same page
        else()
            get_filename_component(_path "${base}/${_target}" ABSOLUTE)
        endif()
        string(FIND "${_path}" "${help_root}/" _inside)
        if(NOT _inside EQUAL 0)
            string(APPEND link_problems "  ${from}: \"${_link}\" leads out of the help folder\n")
            math(EXPR link_problem_count "${link_problem_count} + 1")
        elseif(NOT EXISTS "${_path}" OR IS_DIRECTORY "${_path}")
            string(APPEND link_problems "  ${from}: \"${_link}\" names a missing file\n")
            math(EXPR link_problem_count "${link_problem_count} + 1")
        elseif(NOT _anchor STREQUAL "")
            file(READ "${_path}" _page)
            string(FIND "${_page}" "id=\"${_anchor}\"" _id)
            string(FIND "${_page}" "name=\"${_anchor}\"" _name)
            if(_id EQUAL -1 AND _name EQUAL -1)
                string(APPEND link_problems "  ${from}: \"${_link}\" names a missing anchor\n")
                math(EXPR link_problem_count "${link_problem_count} + 1")
            endif()
        endif()
    endif()
endmacro()

# The pages: href and src attributes, resolved from the page's own folder.
file(GLOB_RECURSE pages RELATIVE "${help_root}" "${help_root}/*.html" "${help_root}/*.htm")
foreach(page IN LISTS pages)
    file(READ "${help_root}/${page}" text)
    get_filename_component(base "${help_root}/${page}" DIRECTORY)
    string(REGEX MATCHALL "[ \t\r\n]([Hh][Rr][Ee][Ff]|[Ss][Rr][Cc])[ \t]*=[ \t]*\"[^\"]*\"" attributes "${text}")
    foreach(attribute IN LISTS attributes)
        string(REGEX REPLACE "^[^\"]*\"([^\"]*)\"$" "\\1" link "${attribute}")
        check_link("${page}" "${base}" "${link}")
    endforeach()
    # A link whose value is not in double quotes would escape the check.
    if(text MATCHES "[ \t\r\n]([Hh][Rr][Ee][Ff]|[Ss][Rr][Cc])[ \t]*=[ \t]*[^\" \t]")
        string(APPEND link_problems "  ${page}: a href or src value without double quotes\n")
        math(EXPR link_problem_count "${link_problem_count} + 1")
    endif()
endforeach()

# Contents and index: the "Local" of every entry, from the top of the help.
file(GLOB sitemaps RELATIVE "${help_root}" "${help_root}/*.hhc" "${help_root}/*.hhk")
foreach(sitemap IN LISTS sitemaps)
    file(READ "${help_root}/${sitemap}" text)
    string(REGEX MATCHALL "[Nn][Aa][Mm][Ee]=\"Local\"[ \t\r\n]+[Vv][Aa][Ll][Uu][Ee]=\"[^\"]*\"" locals "${text}")
    foreach(local IN LISTS locals)
        string(REGEX REPLACE "^.*\"([^\"]*)\"$" "\\1" link "${local}")
        check_link("${sitemap}" "${help_root}" "${link}")
    endforeach()
endforeach()

# The project: contents, index and first page, the window definitions'
# files, and every entry of [FILES].
file(GLOB projects RELATIVE "${help_root}" "${help_root}/*.hhp")
foreach(project IN LISTS projects)
    file(STRINGS "${help_root}/${project}" lines)
    set(section "")
    foreach(line IN LISTS lines)
        string(STRIP "${line}" line)
        if(line MATCHES "^\\[(.*)\\]$")
            set(section "${CMAKE_MATCH_1}")
        elseif(line STREQUAL "" OR line MATCHES "^;")
            # blank or a comment
        elseif(section STREQUAL "OPTIONS")
            if(line MATCHES "^(Contents file|Index file|Default topic)=(.*)$")
                check_link("${project}" "${help_root}" "${CMAKE_MATCH_2}")
            endif()
        elseif(section STREQUAL "FILES")
            check_link("${project}" "${help_root}" "${line}")
        elseif(section STREQUAL "WINDOWS")
            string(REGEX MATCHALL "\"[^\" ]+\\.(html?|hhc|hhk)(#[^\"]*)?\"" named "${line}")
            foreach(entry IN LISTS named)
                string(REPLACE "\"" "" entry "${entry}")
                check_link("${project}" "${help_root}" "${entry}")
            endforeach()
        endif()
    endforeach()
endforeach()

if(link_problem_count GREATER 0)
    message(FATAL_ERROR "The help has ${link_problem_count} broken link(s):\n${link_problems}")
endif()
