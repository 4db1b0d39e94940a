# The C++ sources against .clang-format. Each clang-format release lays out a
# few constructs its own way, so the check holds one major version, the one
# the oldest supported Debian installs; with any other it is skipped:
#   cmake --build build --target check_format   fails when a file would change
#   cmake --build build --target format         changes them
#   the CTest test check_format (label unit)    runs the same check
set(VP_CLANG_FORMAT_MAJOR 14)

find_program(VP_CLANG_FORMAT NAMES clang-format-${VP_CLANG_FORMAT_MAJOR} clang-format)
set(formatMajor "")
if(VP_CLANG_FORMAT)
    execute_process(COMMAND ${VP_CLANG_FORMAT} --version OUTPUT_VARIABLE version)
    string(REGEX MATCH "version ([0-9]+)" version "${version}")
    set(formatMajor ${CMAKE_MATCH_1})
endif()
if(NOT formatMajor STREQUAL VP_CLANG_FORMAT_MAJOR)
    set(reason "the format check needs clang-format ${VP_CLANG_FORMAT_MAJOR}")
    if(VP_CLANG_FORMAT)
        string(APPEND reason ", ${VP_CLANG_FORMAT} is version ${formatMajor}")
    endif()
    message(STATUS "${reason}: no format targets, the format test is skipped")
    if(VP_BUILD_TESTS)
        add_test(NAME check_format COMMAND ${CMAKE_COMMAND} -E echo "SKIPPED: ${reason}")
        set_tests_properties(check_format PROPERTIES LABELS unit SKIP_REGULAR_EXPRESSION "SKIPPED:")
    endif()
    return()
endif()

set(patterns)
foreach(folder IN ITEMS app bench catalogue desktop layout phrase recorder sound tests voice voicecheck)
    list(APPEND patterns ${PROJECT_SOURCE_DIR}/${folder}/*.cpp ${PROJECT_SOURCE_DIR}/${folder}/*.h)
endforeach()
file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${patterns})
set(checkFormat ${VP_CLANG_FORMAT} --dry-run --Werror ${sources})

add_custom_target(check_format
    COMMAND ${checkFormat}
    COMMENT "Checking the C++ sources against .clang-format"
    VERBATIM)
add_custom_target(format
    COMMAND ${VP_CLANG_FORMAT} -i ${sources}
    COMMENT "Formatting the C++ sources"
    VERBATIM)

if(VP_BUILD_TESTS)
    add_test(NAME check_format COMMAND ${checkFormat})
    set_tests_properties(check_format PROPERTIES LABELS unit)
endif()
