# Which folder may include which. Every folder is one library with a layer; a
# folder may include only folders of lower layers, or the build's libraries
# would need each other and only the order of the link line would hide the
# cycle. Besides, a portable core never includes a Windows folder (it is built
# and tested natively), and a page never includes another page (pages open one
# another through wizard/PageFlow.h). Run by ctest as
#   cmake -DSOURCE_DIR=<tree> -P LayeringCheck.cmake
# A new folder takes its place in one of the tables (folder=layer; same layer:
# may not include one another). Includes are read as "folder/..." from the
# tree's root; the longest folder that matches counts (quillon/core, quillon).

# Portable cores: no Windows folder below them.
set(portable_layers
  text=0 logtext=0
  pst=1 ese=1 scan=1 paths=1 sample=1
  exchange=2 mail=2
  quillon/core=3
  components=4
  transfer=5
  cli=6)
# Windows libraries, ranked with the cores: each may include the cores below it.
set(windows_layers
  framework=0 res=0
  wizard=1
  activitylog=2 ui=2
  quillon=4 log=4  # log: the View Log dialog, no page of the page flow; the conversion page runs it
  comclients=5)
# The pages of the page flow: one layer, above everything they stand on.
set(page_layer 6)
set(pages mailbox search convert app)

set(folders "")
foreach(entry IN LISTS portable_layers windows_layers)
  string(REPLACE "=" ";" pair "${entry}")
  list(GET pair 0 folder)
  list(GET pair 1 layer)
  list(APPEND folders ${folder})
  set(layer_${folder} ${layer})
endforeach()
foreach(entry IN LISTS portable_layers)
  string(REGEX REPLACE "=.*$" "" folder "${entry}")
  set(portable_${folder} TRUE)
endforeach()
foreach(folder IN LISTS pages)
  list(APPEND folders ${folder})
  set(layer_${folder} ${page_layer})
  set(page_${folder} TRUE)
endforeach()

# The folder of the table that holds a path, longest match first; empty when none.
function(owning_folder path result)
  set(best "")
  foreach(folder IN LISTS folders)
    string(FIND "${path}" "${folder}/" at)
    string(LENGTH "${folder}" length)
    string(LENGTH "${best}" best_length)
    if(at EQUAL 0 AND length GREATER best_length)
      set(best ${folder})
    endif()
  endforeach()
  set(${result} "${best}" PARENT_SCOPE)
endfunction()

set(violations "")
foreach(folder IN LISTS folders)
  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
       ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.rc)
  foreach(source IN LISTS sources)
    owning_folder("${source}" owner)
    if(NOT owner STREQUAL folder)
      continue()  # a folder of its own inside this one (quillon/core in quillon)
    endif()
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" included "${line}")
      owning_folder("${included}" target)
      if(target STREQUAL "" OR target STREQUAL folder)
        continue()
      endif()
      if(portable_${folder} AND NOT portable_${target})
        string(APPEND violations "  ${source}: ${line}  (a portable core includes a Windows folder)\n")
      elseif(page_${folder} AND page_${target})
        string(APPEND violations "  ${source}: ${line}  (a page includes another page)\n")
      elseif(NOT layer_${target} LESS layer_${folder})
        string(APPEND violations "  ${source}: ${line}  (${target}/ is not below ${folder}/)\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "includes against the layers:\n${violations}")
endif()
message(STATUS "layers respected")
