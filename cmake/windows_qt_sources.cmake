# The desktop program is not built for Windows here: the build machine has no Qt for
# Windows. Its sources are still compiled for Windows, without generating code,
# against the host's Qt 6 headers: Qt's Windows branches (Q_OS_WIN) and ours are then
# in effect, the file layer's Windows half is the one declared, and anything in them
# that Windows lacks stops the build.
set(ZANDREL_HOST_QT_HEADERS "/usr/include/x86_64-linux-gnu/qt6" CACHE PATH
    "The build machine's own Qt 6 headers, to compile the desktop program's sources for Windows against")

if(NOT EXISTS "${ZANDREL_HOST_QT_HEADERS}/QtWidgets/QWidget")
  message(STATUS "No Qt 6 headers at ${ZANDREL_HOST_QT_HEADERS}: the desktop program's sources are not checked")
  return()
endif()

set(folders app viewer maker palette folders ui os res)
set(sources)
set(headers)
foreach(folder IN LISTS folders)
  file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
  list(APPEND sources ${found})
  file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  list(APPEND headers ${found})
endforeach()
# The POSIX half of the file layer, and a tool that only the Linux build runs.
list(FILTER sources EXCLUDE REGEX "/(file_posix|icon_png)\\.cpp$")

set(checked)
foreach(source IN LISTS sources)
  file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR} ${source})
  set(stamp ${CMAKE_BINARY_DIR}/windows-qt-sources/${name}.checked)
  get_filename_component(stamp_folder ${stamp} DIRECTORY)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_CXX_COMPILER} -std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic
            -I${PROJECT_SOURCE_DIR} -I${PROJECT_BINARY_DIR}/res/generated
            -isystem ${ZANDREL_HOST_QT_HEADERS} -isystem ${ZANDREL_HOST_QT_HEADERS}/QtCore
            -isystem ${ZANDREL_HOST_QT_HEADERS}/QtGui -isystem ${ZANDREL_HOST_QT_HEADERS}/QtWidgets
            ${source}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stamp_folder}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${source} ${headers}
    COMMENT "Compiling ${name} for Windows against Qt's headers"
    VERBATIM)
  list(APPEND checked ${stamp})
endforeach()
add_custom_target(windows_qt_sources ALL DEPENDS ${checked})
