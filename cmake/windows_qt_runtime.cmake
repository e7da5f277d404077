# What a Windows program of ours that links Qt needs beside it: Qt's DLLs, MinGW's
# runtime DLLs that they link, the plugins it loads, Qt's Chinese catalogue and a
# qt.conf that points Qt at them. The same files go beside every such program of the
# build (the desktop program and its tests) and into the portable folder, so that the
# tests run the program's own arrangement.
#
# ZANDREL_WINDOWS_RUNTIME: pairs "source|place", the place relative to the program's folder.

get_filename_component(zandrel_qt_bin "${ZANDREL_QT_MINGW}/bin" ABSOLUTE)
get_filename_component(zandrel_qt_plugins "${ZANDREL_QT_MINGW}/plugins" ABSOLUTE)

# MinGW's runtime and zlib (which QtCore links), where the compiler itself finds them.
set(zandrel_mingw_dlls)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll zlib1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT EXISTS "${found}")
    message(FATAL_ERROR "MinGW's ${dll} is missing (packages g++-mingw-w64-x86-64 and libz-mingw-w64)")
  endif()
  get_filename_component(found "${found}" REALPATH)
  list(APPEND zandrel_mingw_dlls "${found}")
endforeach()

# Qt's own catalogue of the standard dialogs' texts; the .qm files are the same on every system.
set(ZANDREL_QT_TRANSLATIONS /usr/share/qt6/translations CACHE PATH "Where qtbase_zh_CN.qm is (Debian: qt6-translations-l10n)")
if(NOT EXISTS "${ZANDREL_QT_TRANSLATIONS}/qtbase_zh_CN.qm")
  message(FATAL_ERROR "${ZANDREL_QT_TRANSLATIONS}/qtbase_zh_CN.qm is missing (package qt6-translations-l10n)")
endif()

set(ZANDREL_WINDOWS_RUNTIME)
foreach(dll Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll)
  list(APPEND ZANDREL_WINDOWS_RUNTIME "${zandrel_qt_bin}/${dll}|${dll}")
endforeach()
foreach(dll IN LISTS zandrel_mingw_dlls)
  get_filename_component(name "${dll}" NAME)
  list(APPEND ZANDREL_WINDOWS_RUNTIME "${dll}|${name}")
endforeach()
# The platform plugins: windows for the desktop, offscreen for the tests (and for
# anyone who asks for it with QT_QPA_PLATFORM); the style of today's Windows. The program
# reads its images itself, so no image format plugin is needed.
foreach(plugin platforms/qwindows.dll platforms/qoffscreen.dll styles/qwindowsvistastyle.dll)
  list(APPEND ZANDREL_WINDOWS_RUNTIME "${zandrel_qt_plugins}/${plugin}|plugins/${plugin}")
endforeach()
list(APPEND ZANDREL_WINDOWS_RUNTIME
  "${ZANDREL_QT_TRANSLATIONS}/qtbase_zh_CN.qm|translations/qtbase_zh_CN.qm"
  "${PROJECT_SOURCE_DIR}/res/windows/qt.conf|qt.conf")

# Marks `target` as a program that links Qt (so MinGW's runtime is shared, not linked
# in) and puts the runtime beside it after each link, with any further plugins named
# (PLUGINS imageformats/qgif.dll).
function(zandrel_windows_qt_program target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "PLUGINS")
  set_target_properties(${target} PROPERTIES ZANDREL_QT_PROGRAM ON)
  set(runtime ${ZANDREL_WINDOWS_RUNTIME})
  foreach(plugin IN LISTS arg_PLUGINS)
    list(APPEND runtime "${zandrel_qt_plugins}/${plugin}|plugins/${plugin}")
  endforeach()
  set(commands)
  foreach(pair IN LISTS runtime)
    string(REPLACE "|" ";" pair "${pair}")
    list(GET pair 0 source)
    list(GET pair 1 place)
    get_filename_component(folder "${place}" DIRECTORY)
    if(folder)
      list(APPEND commands COMMAND ${CMAKE_COMMAND} -E make_directory "$<TARGET_FILE_DIR:${target}>/${folder}")
    endif()
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E copy_if_different "${source}" "$<TARGET_FILE_DIR:${target}>/${place}")
  endforeach()
  add_custom_command(TARGET ${target} POST_BUILD ${commands} VERBATIM)
endfunction()
