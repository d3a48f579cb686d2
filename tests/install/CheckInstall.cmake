cmake_minimum_required(VERSION 3.25)
# Installs the build into STAGE with DESTDIR under the prefix /usr and checks that each file a
# desktop, a manual reader and the program itself look for is where it belongs.
file(REMOVE_RECURSE ${STAGE})
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE} ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
    RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(expected
    bin/sumirel
    bin/sumirel-cli
    ${LIBDIR}/libsumirel_controls.so.${VERSION}
    ${LIBDIR}/libsumirel_controls.so.1
    share/sumirel/sumirel.hlp
    share/applications/${APP_ID}.desktop
    share/metainfo/${APP_ID}.metainfo.xml
    share/icons/hicolor/scalable/apps/${APP_ID}.svg
    share/icons/hicolor/48x48/apps/${APP_ID}.png
    share/icons/hicolor/256x256/apps/${APP_ID}.png
    share/man/man1/sumirel.1.gz
    share/man/man1/sumirel-cli.1.gz)
if(QT_PLUGINS)
    list(APPEND expected ${QT_PLUGINS}/designer/libsumirel_designer.so)
endif()
set(missing)
foreach(file IN LISTS expected)
    if(NOT EXISTS ${STAGE}/usr/${file})
        list(APPEND missing ${file})
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "not installed: ${missing}")
endif()

# The desktop entry starts a program of the package, and names the installed icon.
file(STRINGS ${STAGE}/usr/share/applications/${APP_ID}.desktop entry)
if(NOT "Exec=sumirel" IN_LIST entry OR NOT "Icon=${APP_ID}" IN_LIST entry)
    message(FATAL_ERROR "desktop entry does not start sumirel with its icon: ${entry}")
endif()
# Nothing of the build folder or the tests goes along.
file(GLOB_RECURSE installed RELATIVE ${STAGE}/usr ${STAGE}/usr/*)
list(LENGTH installed count)
list(LENGTH expected wanted)
if(NOT count EQUAL wanted)
    message(FATAL_ERROR "installed more than expected: ${installed}")
endif()
message(STATUS "installed ${count} files")
