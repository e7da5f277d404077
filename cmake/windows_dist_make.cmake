# cmake -DLIST=FILE -DROOT=FOLDER -DFOLDER=NAME -DZIP=FILE [-DSTRIP=PROGRAM] -P windows_dist_make.cmake
#
# Makes ROOT/NAME afresh from LIST (lines "source|place", the place relative to the
# folder), strips the symbols and debugging sections from its programs and DLLs (which
# takes libstdc++-6.dll from 23 MB to 2), and zips it as NAME/... into ZIP. The zip is written beside and renamed over
# the old one, so that an interrupted run leaves the old zip or none, never half a zip.

file(STRINGS ${LIST} pairs)
set(folder ${ROOT}/${FOLDER})
file(REMOVE_RECURSE ${folder})
foreach(pair IN LISTS pairs)
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 source)
  list(GET pair 1 place)
  if(NOT EXISTS "${source}")
    message(FATAL_ERROR "The portable folder needs ${source}, which is missing")
  endif()
  get_filename_component(place_folder "${folder}/${place}" DIRECTORY)
  file(MAKE_DIRECTORY "${place_folder}")
  file(COPY_FILE "${source}" "${folder}/${place}")
  if(STRIP AND place MATCHES "\\.(exe|dll)$")
    execute_process(COMMAND ${STRIP} --strip-all "${folder}/${place}" RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "Could not strip ${folder}/${place}")
    endif()
  endif()
endforeach()

file(REMOVE ${ZIP}.part)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP}.part --format=zip ${FOLDER}
                WORKING_DIRECTORY ${ROOT} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "Could not write ${ZIP}")
endif()
file(RENAME ${ZIP}.part ${ZIP})
