# Installs the build into DESTDIR under the prefix /usr, then checks what a
# desktop sees: the desktop entry and the AppStream metainfo pass their
# validators, the icons and the MIME type are in place, and the installed
# program, started offscreen from bin/, finds its help page in share/norvale/.
file(REMOVE_RECURSE ${DESTDIR})
set(ENV{DESTDIR} ${DESTDIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
set(root ${DESTDIR}/usr)

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  message(STATUS "${what}: ${out}${err}")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status})")
  endif()
endfunction()

run("desktop-file-validate" desktop-file-validate ${root}/${DATADIR}/applications/${APP_ID}.desktop)
run("appstreamcli validate" appstreamcli validate --no-net ${root}/${DATADIR}/metainfo/${APP_ID}.metainfo.xml)

foreach(file ${BINDIR}/norvale ${DATADIR}/norvale/NORVALE30.html ${DATADIR}/mime/packages/norvale-lesson.xml
             ${DATADIR}/icons/hicolor/48x48/apps/norvale.png ${DATADIR}/icons/hicolor/64x64/apps/norvale.png)
  if(NOT EXISTS ${root}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# The desktop entry starts the program by this name.
file(STRINGS ${root}/${DATADIR}/applications/${APP_ID}.desktop exec REGEX "^Exec=")
if(NOT exec STREQUAL "Exec=norvale %f")
  message(FATAL_ERROR "unexpected ${exec}")
endif()

execute_process(COMMAND ${root}/${BINDIR}/norvale --check-install
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message(STATUS "installed program: ${out}${err}")
if(NOT status EQUAL 0 OR NOT out MATCHES "help page: .*/share/norvale/NORVALE30.html")
  message(FATAL_ERROR "the installed program does not find its help page")
endif()
