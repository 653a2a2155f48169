# Fails when a folder includes a folder of its own layer or of a layer above it:
# the build's libraries would then need each other, and only the order of the
# link line would hide the cycle. Run by ctest as
#   cmake -DSOURCE_DIR=<tree> -P LayeringCheck.cmake
# A new folder takes its place in this table (same number: may not include one another).
set(layer_pst 0)
set(layer_ese 0)
set(layer_exchange 1)  # reads Exchange's tables through the ESE reader
set(layer_framework 0)
set(layer_mail 1)
set(layer_wizard 1)
set(layer_quillon 2)
set(layer_ui 2)
set(layer_log 3)
set(layer_components 3)
set(layer_mailbox 4)  # the page layer, as app: its scanner cores include pst-level folders only
set(layer_search 5)  # the file edges write names through the scanners' UTF-8 conversion
set(layer_convert 6)
set(layer_cli 7)
set(layer_sample 1)
set(layer_app 4)

set(violations "")
foreach(folder pst ese exchange framework mail sample wizard quillon ui log components mailbox search convert app cli)
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
       ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.rc)
  foreach(source IN LISTS sources)
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([a-z]+)/.*$" "\\1" target "${line}")
      if(NOT DEFINED layer_${target} OR target STREQUAL folder)
        continue()
      endif()
      if(NOT layer_${target} LESS layer_${folder})
        string(APPEND violations "  ${source}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "includes against the layers:\n${violations}")
endif()
message(STATUS "layers respected")
