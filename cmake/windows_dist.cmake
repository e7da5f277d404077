# The portable folder dist/Zandrel of the Windows build and its zip: the two programs,
# what the desktop program needs beside it (see windows_qt_runtime.cmake), a short
# README.txt and the licence texts of everything the folder carries. Nothing else is
# needed on a bare 64-bit Windows 10 or 11.

set(zandrel_dist_root ${CMAKE_BINARY_DIR}/dist)
set(zandrel_dist_zip ${CMAKE_BINARY_DIR}/Zandrel-${PROJECT_VERSION}-win64.zip)

# Qt is used under the LGPL version 3 (its source is Debian's qt6-base, whose copyright
# file, that of the build machine's own Qt of the same version, lists every part);
# MinGW's runtime under the GCC runtime library exception and the winpthreads licence.
set(zandrel_licences
  "/usr/share/doc/libqt6core6/copyright|licenses/Qt/copyright.txt"
  "/usr/share/common-licenses/LGPL-3|licenses/LGPL-3.0.txt"
  "/usr/share/common-licenses/GPL-3|licenses/GPL-3.0.txt"
  "${ZANDREL_LIBRARY_SOURCES}/spng/LICENSE|licenses/libspng/LICENSE.txt"
  "${ZANDREL_LIBRARY_SOURCES}/giflib/COPYING|licenses/giflib/COPYING.txt"
  "/usr/share/doc/libz-mingw-w64/copyright|licenses/zlib/copyright.txt"
  "/usr/share/doc/gcc-mingw-w64-base/copyright|licenses/MinGW-w64/gcc-runtime-copyright.txt"
  "/usr/share/doc/mingw-w64-common/copyright|licenses/MinGW-w64/mingw-w64-copyright.txt")

set(zandrel_dist_files
  "$<TARGET_FILE:zandrel>|Zandrel.exe"
  "$<TARGET_FILE:zandrel-cli>|zandrel-cli.exe"
  "${PROJECT_SOURCE_DIR}/res/windows/README.txt|README.txt"
  ${ZANDREL_WINDOWS_RUNTIME}
  ${zandrel_licences})
set(zandrel_dist_sources)
foreach(pair IN LISTS zandrel_dist_files)
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 source)
  list(APPEND zandrel_dist_sources "${source}")
endforeach()

set(zandrel_dist_list ${CMAKE_BINARY_DIR}/windows-dist-files.txt)
file(GENERATE OUTPUT ${zandrel_dist_list} CONTENT "$<JOIN:${zandrel_dist_files},\n>\n")
add_custom_command(OUTPUT ${zandrel_dist_zip}
  COMMAND ${CMAKE_COMMAND} -DLIST=${zandrel_dist_list} -DROOT=${zandrel_dist_root} -DFOLDER=Zandrel
          -DZIP=${zandrel_dist_zip} -DSTRIP=${CMAKE_STRIP} -P ${PROJECT_SOURCE_DIR}/cmake/windows_dist_make.cmake
  DEPENDS ${zandrel_dist_sources} ${zandrel_dist_list} ${PROJECT_SOURCE_DIR}/cmake/windows_dist_make.cmake
          zandrel zandrel-cli
  COMMENT "Making the portable folder dist/Zandrel and Zandrel-${PROJECT_VERSION}-win64.zip"
  VERBATIM)
add_custom_target(windows_dist ALL DEPENDS ${zandrel_dist_zip})
