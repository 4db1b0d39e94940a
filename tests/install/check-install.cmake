# cmake -P script: installs BUILD_DIR into PREFIX and checks that the tree is
# the self-contained program folder plus its desktop integration and
# voice-check and voice-recorder, and nothing else (no tests, no benchmarks). The folders are the
# build's GNUInstallDirs: PROGRAM_DIR, BIN_DIR, DATA_DIR and MAN_DIR, relative
# to PREFIX.

file(REMOVE_RECURSE ${PREFIX})
execute_process(
    COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} --config ${CONFIG}
    RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

set(program ${PROGRAM_DIR}/voice-player)
set(launcher ${BIN_DIR}/voice-player)
set(desktop ${DATA_DIR}/applications/voice-player.desktop)
set(folderEntry ${DATA_DIR}/applications/voice-player-folder.desktop)
set(metainfo ${DATA_DIR}/metainfo/${APPSTREAM_ID}.metainfo.xml)
set(engine ${PROGRAM_DIR}/${SOUND_MODULE})
set(checker ${BIN_DIR}/voice-check)
set(checkerPage ${MAN_DIR}/man1/voice-check.1.gz)
set(recorder ${BIN_DIR}/voice-recorder)
set(recorderEntry ${DATA_DIR}/applications/voice-recorder-folder.desktop)
set(expected ${launcher} ${program} ${engine} ${desktop} ${folderEntry} ${metainfo} ${checker}
    ${checkerPage} ${recorder} ${recorderEntry})

# The program, and the launcher that must lead to it from bin/.
if(NOT EXISTS ${PREFIX}/${program} OR IS_DIRECTORY ${PREFIX}/${program})
    message(FATAL_ERROR "no program at ${program}")
endif()
if(NOT IS_SYMLINK ${PREFIX}/${launcher})
    message(FATAL_ERROR "${launcher} is not a symlink")
endif()
file(READ_SYMLINK ${PREFIX}/${launcher} target)
if(IS_ABSOLUTE "${target}")
    message(FATAL_ERROR "${launcher} points to an absolute path: ${target}")
endif()
file(REAL_PATH ${PREFIX}/${launcher} resolved)
file(REAL_PATH ${PREFIX}/${program} real)
if(NOT resolved STREQUAL real)
    message(FATAL_ERROR "${launcher} leads to ${resolved}, not to ${real}")
endif()

# voice-check on the PATH, needing nothing beside it, with its manual page.
if(IS_SYMLINK ${PREFIX}/${checker} OR NOT EXISTS ${PREFIX}/${checker})
    message(FATAL_ERROR "no program at ${checker}")
endif()
execute_process(COMMAND ${PREFIX}/${checker} --help RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${checker} --help failed: ${rc}")
endif()
if(NOT EXISTS ${PREFIX}/${checkerPage})
    message(FATAL_ERROR "no manual page at ${checkerPage}")
endif()

# The recorder on the PATH, needing nothing beside it.
if(IS_SYMLINK ${PREFIX}/${recorder} OR NOT EXISTS ${PREFIX}/${recorder})
    message(FATAL_ERROR "no program at ${recorder}")
endif()

# The sound engine beside the program, where it loads it from.
if(NOT EXISTS ${PREFIX}/${engine})
    message(FATAL_ERROR "no sound engine at ${engine}")
endif()

# The demo voice beside the program, as the program looks for it.
file(GLOB wavs RELATIVE ${PREFIX} ${PREFIX}/${PROGRAM_DIR}/wavs/*)
list(LENGTH wavs count)
if(NOT count EQUAL EXPECT_WAVS)
    message(FATAL_ERROR "${count} files in ${PROGRAM_DIR}/wavs, expected ${EXPECT_WAVS}")
endif()
foreach(wav IN LISTS wavs)
    if(NOT wav MATCHES "\\.[wW][aA][vV]$")
        message(FATAL_ERROR "not a sample: ${wav}")
    endif()
endforeach()
list(APPEND expected ${wavs})

# The menu entry.
file(STRINGS ${PREFIX}/${desktop} lines)
foreach(key IN ITEMS "Name=Voice Player" "Exec=voice-player" "Icon=voice-player"
                     "Categories=AudioVideo;Audio;Player;" "Type=Application")
    list(FIND lines "${key}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "voice-player.desktop lacks the line ${key}")
    endif()
endforeach()
# Open With for folders, out of the menu; installing it sets no default
# handler (nothing but the expected files goes in).
foreach(entry IN ITEMS ${folderEntry} ${recorderEntry})
    file(STRINGS ${PREFIX}/${entry} lines)
    foreach(key IN ITEMS "MimeType=inode/directory;" "NoDisplay=true")
        list(FIND lines "${key}" at)
        if(at EQUAL -1)
            message(FATAL_ERROR "${entry} lacks the line ${key}")
        endif()
    endforeach()
endforeach()
if(DESKTOP_FILE_VALIDATE)
    foreach(entry IN ITEMS ${desktop} ${folderEntry} ${recorderEntry})
        execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${PREFIX}/${entry}
            RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "desktop-file-validate rejects ${entry}:\n${out}")
        endif()
    endforeach()
endif()

# What software centres read: valid, and launching the menu entry above.
if(NOT EXISTS ${PREFIX}/${metainfo})
    message(FATAL_ERROR "missing ${metainfo}")
endif()
file(READ ${PREFIX}/${metainfo} text)
if(NOT text MATCHES "<launchable type=\"desktop-id\">voice-player.desktop</launchable>")
    message(FATAL_ERROR "${metainfo} does not launch voice-player.desktop")
endif()
if(APPSTREAMCLI)
    execute_process(COMMAND ${APPSTREAMCLI} validate --no-net ${PREFIX}/${metainfo}
        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "appstreamcli rejects ${metainfo}:\n${out}")
    endif()
endif()

# One hicolor icon per size shipped in resources/, each really that size
# (width and height are the big-endian words at bytes 16 and 20 of a PNG).
file(GLOB sizes RELATIVE ${ICON_DIR} ${ICON_DIR}/*x*)
if(NOT sizes)
    message(FATAL_ERROR "no icon sizes found in ${ICON_DIR}")
endif()
foreach(size IN LISTS sizes)
    set(icon ${DATA_DIR}/icons/hicolor/${size}/apps/voice-player.png)
    if(NOT EXISTS ${PREFIX}/${icon})
        message(FATAL_ERROR "missing ${icon}")
    endif()
    file(READ ${PREFIX}/${icon} header LIMIT 24 HEX)
    string(SUBSTRING "${header}" 32 8 width)
    string(SUBSTRING "${header}" 40 8 height)
    math(EXPR width "0x${width}")
    math(EXPR height "0x${height}")
    if(NOT "${width}x${height}" STREQUAL size)
        message(FATAL_ERROR "${icon} is ${width}x${height}")
    endif()
    list(APPEND expected ${icon})
endforeach()

# The copyright, the changelog and the manual pages (DOCS, comma-separated).
string(REPLACE "," ";" docs "${DOCS}")
foreach(doc IN LISTS docs)
    if(NOT EXISTS ${PREFIX}/${doc})
        message(FATAL_ERROR "missing ${doc}")
    endif()
    list(APPEND expected ${doc})
endforeach()

# Nothing beyond that.
file(GLOB_RECURSE installed RELATIVE ${PREFIX} LIST_DIRECTORIES false ${PREFIX}/*)
list(REMOVE_ITEM installed ${expected})
if(installed)
    list(JOIN installed "\n  " extra)
    message(FATAL_ERROR "installed but not expected:\n  ${extra}")
endif()
message(STATUS "install layout OK: ${count} samples")
