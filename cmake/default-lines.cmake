# Writes OUT, a header of the line each sample says, from the table in
# LINES (NAME<TAB>line a row, # for comments), so that the programs carry
# the lines the demo voice is spoken from.
file(STRINGS ${LINES} rows ENCODING UTF-8 REGEX "^[^#]")
set(entries "")
foreach(row IN LISTS rows)
    if(NOT row MATCHES "^([^\t]+)\t([^\t\"\\\\]+)$")
        message(FATAL_ERROR "${LINES}: not NAME<TAB>line: ${row}")
    endif()
    string(APPEND entries "    { \"${CMAKE_MATCH_1}\", \"${CMAKE_MATCH_2}\" },\n")
endforeach()
file(WRITE ${OUT}.new "// Made by cmake/default-lines.cmake from catalogue/lines.tsv.
#pragma once

#include <string_view>

struct DefaultLine
{
    std::string_view name;
    std::string_view text;
};

inline constexpr DefaultLine DefaultLines[] = {
${entries}};
")
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
