# Fails unless the compiled help file's window bears TITLE: the program looks for
# an open help window by that title before it opens another. Run by ctest as
#   cmake -DCHMLS=<chmls> -DCHM=<help file> -DTITLE=<title> -P CheckHelpTitle.cmake
foreach(part "#SYSTEM" "#WINDOWS" "#STRINGS")
  set(extracted ${CMAKE_CURRENT_BINARY_DIR}/help-title-check.bin)
  file(REMOVE ${extracted})
  execute_process(COMMAND ${CHMLS} extract ${CHM} /${part} ${extracted} OUTPUT_QUIET ERROR_QUIET)
  if(EXISTS ${extracted})
    file(STRINGS ${extracted} texts)
    string(APPEND found "${texts};")
  endif()
endforeach()
if(NOT found MATCHES "${TITLE}")
  message(FATAL_ERROR "the help file ${CHM} has no window titled \"${TITLE}\"")
endif()
