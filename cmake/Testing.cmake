# korvane_gtest(TARGET [PER_CASE] [SHARDS N] [TIMEOUT SECONDS] [PROPERTIES NAME VALUE...])
# registers a googletest program with ctest.
#
# Natively every case is a test of its own: a failure names its case and -j
# spreads the cases over the cores. Under wine each start of a program costs a
# second or two, and finding the cases first costs another, so there a program
# is one test that runs all of its cases in one process; its output names any
# case that failed. TIMEOUT is for one case; a whole program gets at least
# KORVANE_PROGRAM_TIMEOUT. PER_CASE keeps one process per case under wine too,
# for a program whose cases change what a process keeps (servers loaded and
# registered, say). SHARDS splits a long program under wine into N tests, each
# running every Nth case (googletest's own sharding), so -j runs them side by side.
set(KORVANE_PROGRAM_TIMEOUT 1500 CACHE STRING "seconds a test program run as one test may take under an emulator")

function(korvane_gtest target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "PER_CASE" "SHARDS;TIMEOUT" "PROPERTIES")
  if(CMAKE_CROSSCOMPILING AND NOT ARG_PER_CASE)
    set(timeout ${KORVANE_PROGRAM_TIMEOUT})
    if(ARG_TIMEOUT GREATER timeout)
      set(timeout ${ARG_TIMEOUT})
    endif()
    if(NOT ARG_SHARDS)
      add_test(NAME ${target} COMMAND ${target})
      set_tests_properties(${target} PROPERTIES TIMEOUT ${timeout} ${ARG_PROPERTIES})
      return()
    endif()
    math(EXPR last "${ARG_SHARDS} - 1")
    foreach(shard RANGE ${last})
      add_test(NAME ${target}_${shard} COMMAND ${target})
      set_tests_properties(${target}_${shard} PROPERTIES TIMEOUT ${timeout} ${ARG_PROPERTIES}
                           ENVIRONMENT "GTEST_TOTAL_SHARDS=${ARG_SHARDS};GTEST_SHARD_INDEX=${shard}")
    endforeach()
  else()
    if(ARG_TIMEOUT)
      list(APPEND ARG_PROPERTIES TIMEOUT ${ARG_TIMEOUT})
    endif()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${ARG_PROPERTIES})
  endif()
endfunction()
