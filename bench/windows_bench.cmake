# The Windows benchmarks, run by hand under wine (scripts/bench.sh runs the
# conversion one). They register Quillon.dll from the program folder.
#
# The COM exchange against the in-process core (it reuses the component tests'
# sample messages).
add_executable(quillon_bench ${CMAKE_CURRENT_LIST_DIR}/quillon_bench.cpp)
target_link_libraries(quillon_bench PRIVATE korvane_comclients GTest::gtest)
target_include_directories(quillon_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/components
                           ${PROJECT_SOURCE_DIR}/tests/pst ${PROJECT_SOURCE_DIR}/tests/mail)

# The wizard's conversion path (the transfer core over the COM exchange) on
# ~50,000 message headers, with the time split by stage.
add_executable(convert_bench ${CMAKE_CURRENT_LIST_DIR}/convert_bench.cpp $<TARGET_OBJECTS:korvane_pool_heap>)
target_link_libraries(convert_bench PRIVATE korvane_cli korvane_sample korvane_mail korvane_comclients)

foreach(bench quillon_bench convert_bench)
  target_compile_definitions(${bench} PRIVATE KORVANE_PROGRAM_DIR="${KORVANE_PROGRAM_DIR}")
  set_target_properties(${bench} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  add_dependencies(${bench} Quillon)
endforeach()
