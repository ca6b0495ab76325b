# SPDX-License-Identifier: MIT
# The releases, newest first, as NEWS tells them: the software centre's entry lists each
# with what changed, and debian/rules writes the Debian changelog from the same file. The
# newest release in NEWS is the version in project(), and its day the manual's date.

file(STRINGS ${PROJECT_SOURCE_DIR}/NEWS news_lines ENCODING UTF-8)
set(QUORRAX_METAINFO_RELEASES "")
set(news_newest "")
set(news_item "")

function(news_escape text out)
    string(REPLACE "&" "&amp;" text "${text}")
    string(REPLACE "<" "&lt;" text "${text}")
    string(REPLACE ">" "&gt;" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Ends the item being read, and with `release` the release too.
macro(news_close what)
    if(news_item)
        news_escape("${news_item}" news_item)
        string(APPEND QUORRAX_METAINFO_RELEASES "          <li>${news_item}</li>\n")
        set(news_item "")
    endif()
    if("${what}" STREQUAL "release" AND news_newest)
        string(APPEND QUORRAX_METAINFO_RELEASES "        </ul>\n      </description>\n    </release>\n")
    endif()
endmacro()

foreach(line IN LISTS news_lines)
    string(LENGTH "${line}" length)
    if(length GREATER 78)
        message(FATAL_ERROR "NEWS: a line longer than the Debian changelog's 78 columns: ${line}")
    endif()
    if(line MATCHES "^Quorrax ([0-9.]+) \\(([0-9]+-[0-9]+-[0-9]+)\\)$")
        news_close(release)
        if(NOT news_newest)
            set(news_newest ${CMAKE_MATCH_1})
            set(QUORRAX_RELEASE_DATE ${CMAKE_MATCH_2})
        endif()
        string(APPEND QUORRAX_METAINFO_RELEASES
            "    <release version=\"${CMAKE_MATCH_1}\" date=\"${CMAKE_MATCH_2}\">\n"
            "      <description>\n        <ul>\n")
    elseif(line MATCHES "^  \\* (.*)$")
        news_close(item)
        set(news_item "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^    (.*)$" AND news_item)
        string(APPEND news_item " ${CMAKE_MATCH_1}")
    elseif(NOT line STREQUAL "")
        message(FATAL_ERROR "NEWS: a line that is neither a release, an item nor its continuation: ${line}")
    endif()
endforeach()
news_close(release)

if(NOT news_newest STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "NEWS begins with release '${news_newest}', not this version ${PROJECT_VERSION}: "
        "write the new release at the head of NEWS")
endif()
