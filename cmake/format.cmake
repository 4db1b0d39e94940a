# The C++ sources against .clang-format, with the clang-format the set-up
# installs (other versions format a few constructs differently):
#   cmake --build build --target check_format   fails when a file would change
#   cmake --build build --target format         changes them
#   the CTest test check_format (label unit)    runs the same check

find_program(VP_CLANG_FORMAT NAMES clang-format-14 clang-format)
if(NOT VP_CLANG_FORMAT)
    message(STATUS "clang-format not found: no format targets or test")
    return()
endif()

set(patterns)
foreach(folder IN ITEMS app bench catalogue desktop layout phrase sound tests voicecheck)
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
