# Writes OUT, a header of the line each sample says, from the table the demo
# voice is spoken from, so that the recorder prompts what the demo says.
execute_process(COMMAND ${PYTHON} ${SCRIPT} --list
    OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${SCRIPT} --list failed (${status})")
endif()
string(REPLACE "\"" "\\\"" listing "${listing}")
string(REGEX REPLACE "([^\t\n]*)\t([^\n]*)\n" "    { \"\\1\", \"\\2\" },\n" rows "${listing}")
file(WRITE ${OUT}.new "// Made by cmake/spoken-lines.cmake from ${SCRIPT}.
#pragma once

#include <string_view>

struct SpokenLine
{
    std::string_view name;
    std::string_view text;
};

inline constexpr SpokenLine SpokenLines[] = {
${rows}};
")
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
