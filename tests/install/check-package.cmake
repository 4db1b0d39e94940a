# cmake -P script: builds the Debian package of BUILD_DIR in SCRATCH (the
# build folder itself is left alone) and checks it as a distribution would:
# the files Debian requires are in it, it has no maintainer scripts, and
# lintian, where installed, finds no error and no warning.

file(REMOVE_RECURSE ${SCRATCH})
execute_process(
    COMMAND ${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake -G DEB -B ${SCRATCH}
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(GLOB package ${SCRATCH}/*.deb)
if(NOT rc EQUAL 0 OR NOT package)
    message(FATAL_ERROR "cpack made no package:\n${out}")
endif()

execute_process(COMMAND dpkg-deb --contents ${package} OUTPUT_VARIABLE contents
    COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "," ";" docs "${DOCS}")
foreach(doc IN LISTS docs)
    if(NOT contents MATCHES " \\./usr/${doc}\n")
        message(FATAL_ERROR "the package lacks /usr/${doc}:\n${contents}")
    endif()
endforeach()
execute_process(COMMAND dpkg-deb --info ${package} OUTPUT_VARIABLE info
    COMMAND_ERROR_IS_FATAL ANY)
if(info MATCHES "(preinst|postinst|prerm|postrm)")
    message(FATAL_ERROR "the package has maintainer scripts:\n${info}")
endif()

if(NOT LINTIAN)
    message("SKIPPED: lintian not installed (the package was built and its files checked)")
    return()
endif()
execute_process(COMMAND ${LINTIAN} ${package} OUTPUT_VARIABLE tags ERROR_QUIET)
if(tags MATCHES "(^|\n)[EW]: ")
    message(FATAL_ERROR "lintian rejects ${package}:\n${tags}")
endif()
message(STATUS "lintian accepts ${package}\n${tags}")
