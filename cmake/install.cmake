# Install rules and the Debian package.
#
# The program finds its voice in wavs/ beside its own executable, so it is
# installed as one self-contained folder, lib/voice-player/, and reached from
# bin/ through a relative symlink (the program resolves it to the real folder).

include(GNUInstallDirs)
# The Debian revision of this upstream version: a package is never native.
set(VP_PACKAGE_RELEASE 1)
set(vp_package_version ${PROJECT_VERSION}-${VP_PACKAGE_RELEASE})
set(VP_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/voice-player)

# Who publishes it, in one place: placeholders until the project has a web
# home, a maintainer and an AppStream id of its own (-DVP_HOMEPAGE=... ).
set(VP_APPSTREAM_ID org.example.VoicePlayer CACHE STRING
    "The id software centres know the program by, for good: the reversed domain of VP_HOMEPAGE")
set(VP_HOMEPAGE "https://example.org/voice-player" CACHE STRING
    "The project's web home, named in the AppStream metainfo and the package")
set(VP_PACKAGE_MAINTAINER "Voice Player maintainers <maintainers@users.noreply.c-seed-65fac09f.example>"
    CACHE STRING "Maintainer named in the Debian package")
set(VP_SCREENSHOT_URL "" CACHE STRING
    "Where software centres fetch docs/screenshot.png from; empty for VP_HOMEPAGE/screenshot.png")
# Derived here, not as the cache default, so that a later VP_HOMEPAGE counts.
set(vp_screenshot_url ${VP_SCREENSHOT_URL})
if(NOT vp_screenshot_url)
    set(vp_screenshot_url ${VP_HOMEPAGE}/screenshot.png)
endif()
# SPDX identifier of LICENSE.
set(VP_LICENSE MIT)

install(TARGETS voice-player RUNTIME DESTINATION ${VP_PROGRAM_DIR})
# The sound engine, which the program loads from beside itself.
install(TARGETS voice-player-sound LIBRARY DESTINATION ${VP_PROGRAM_DIR})
# voice-check needs no voice beside it, so it goes straight onto the PATH.
install(TARGETS voice-check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Nor does the recorder, which plays through the engine it links.
install(TARGETS voice-recorder RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Only a demo voice that was actually built goes with the program.
if(TARGET vp_demo_voice)
    install(DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/wavs DESTINATION ${VP_PROGRAM_DIR} OPTIONAL)
endif()

if(UNIX AND NOT APPLE)
    set(launcher ${CMAKE_BINARY_DIR}/launcher/voice-player)
    cmake_path(ABSOLUTE_PATH VP_PROGRAM_DIR BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX}
        OUTPUT_VARIABLE program_dir)
    file(RELATIVE_PATH target ${CMAKE_INSTALL_FULL_BINDIR} ${program_dir}/voice-player)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/launcher)
    file(CREATE_LINK ${target} ${launcher} SYMBOLIC)
    install(FILES ${launcher} DESTINATION ${CMAKE_INSTALL_BINDIR})

    # The menu entry, and hidden ones that file managers offer under Open
    # With for a folder: they start the player or the recorder on it.
    install(FILES ${PROJECT_SOURCE_DIR}/resources/voice-player.desktop
        ${PROJECT_SOURCE_DIR}/resources/voice-player-folder.desktop
        ${PROJECT_SOURCE_DIR}/resources/voice-recorder-folder.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # What software centres show.
    set(metainfo ${CMAKE_BINARY_DIR}/${VP_APPSTREAM_ID}.metainfo.xml)
    configure_file(${PROJECT_SOURCE_DIR}/resources/voice-player.metainfo.xml.in ${metainfo} @ONLY)
    install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

    foreach(size IN ITEMS 16 24 32 48 64 128 256)
        install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/${size}x${size}/voice-player.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()

    # What Debian wants beside every package: the copyright, the changelog and
    # the manual pages, listed for the install and package tests. Compressed
    # as Debian wants them: no name or time stamp in the gzip header, so that
    # the package builds the same twice.
    set(docDir ${CMAKE_INSTALL_DATADIR}/doc/voice-player)
    configure_file(${PROJECT_SOURCE_DIR}/resources/debian/copyright.in ${CMAKE_BINARY_DIR}/doc/copyright @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/resources/debian/changelog.in ${CMAKE_BINARY_DIR}/doc/changelog.Debian @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/doc/copyright DESTINATION ${docDir})
    install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME voice-player)
    set(VP_INSTALLED_DOCS ${docDir}/copyright ${CMAKE_INSTALL_DATADIR}/lintian/overrides/voice-player)

    find_program(VP_GZIP gzip REQUIRED)
    set(gzipped)
    set(changelog ${CMAKE_BINARY_DIR}/doc/changelog.Debian)
    foreach(source IN ITEMS ${changelog} voice-player.1 voice-check.1 voice-recorder.1)
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${PROJECT_SOURCE_DIR}/resources)
        cmake_path(GET source FILENAME name)
        set(compressed ${CMAKE_BINARY_DIR}/doc/${name}.gz)
        add_custom_command(OUTPUT ${compressed}
            COMMAND ${VP_GZIP} -9nc ${source} > ${compressed}
            DEPENDS ${source}
            VERBATIM)
        list(APPEND gzipped ${compressed})
        if(source STREQUAL changelog)
            set(destination ${docDir})
        else()
            string(REGEX MATCH "[0-9]$" section ${name})
            set(destination ${CMAKE_INSTALL_MANDIR}/man${section})
        endif()
        install(FILES ${compressed} DESTINATION ${destination})
        list(APPEND VP_INSTALLED_DOCS ${destination}/${name}.gz)
    endforeach()
    add_custom_target(vp_gzipped_docs ALL DEPENDS ${gzipped})
endif()

set(CPACK_PACKAGE_NAME voice-player)
set(CPACK_PACKAGE_VENDOR "Voice Player maintainers")
set(CPACK_PACKAGE_HOMEPAGE_URL ${VP_HOMEPAGE})
set(CPACK_PACKAGE_CONTACT ${VP_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audition the recorded voice of a navigation unit")
set(CPACK_PACKAGE_DESCRIPTION
    "Voice Player shows the 59 spoken fragments of a satellite-navigation voice
in seven lists, plays a fragment when it is selected and strings fragments
together into a phrase that it speaks one after the other. It reads the WAV
samples from the wavs folder beside the program; a demo voice comes with it.
voice-check finds what is wrong with a voice and mends a copy of it;
voice-recorder records a voice line by line, judging each take.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RPM_PACKAGE_LICENSE ${VP_LICENSE})
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VP_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# CPack calls ldconfig from postinst and postrm for any shared object under
# /usr/lib/*/, but the engine module lives in the program's own folder, where
# the dynamic linker never looks. Naming maintainer scripts of our own is the
# one way to stop it; these do not exist, so the package has none (CPack
# warns that it finds no such files).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/no-maintainer-scripts/postinst
    ${CMAKE_BINARY_DIR}/no-maintainer-scripts/postrm)
# The X11 platform plugin that Qt loads at run time ships in libqt6gui6, which
# dpkg-shlibdeps already finds through the program's links. The speech model
# that voice-check and the recorder hear words with is data, which no link
# names.
set(CPACK_DEBIAN_PACKAGE_DEPENDS pocketsphinx-en-us)

include(CPack)
