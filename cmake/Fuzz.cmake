# libFuzzer targets. Only the fuzz preset (clang, sanitizers) builds them; the
# other configurations skip every korvane_add_fuzzer call.
option(KORVANE_FUZZ "Build the libFuzzer targets instead of the tests (clang only)" OFF)

if(KORVANE_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KORVANE_FUZZ needs clang (use the fuzz preset)")
  endif()
  # Everything the targets link is instrumented, so coverage reaches the cores.
  add_compile_options(-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# korvane_add_fuzzer(NAME SOURCES a.cpp ... LIBS lib ...)
# The seed corpus is tests/fuzz/corpus/NAME (read only; scripts/fuzz.sh runs it).
function(korvane_add_fuzzer name)
  if(NOT KORVANE_FUZZ)
    return()
  endif()
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
endfunction()
