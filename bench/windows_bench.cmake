# The COM exchange against the in-process core; Windows builds only, run by
# hand under wine (it reuses the component tests' sample messages).
add_executable(quillon_bench ${CMAKE_CURRENT_LIST_DIR}/quillon_bench.cpp)
target_link_libraries(quillon_bench PRIVATE korvane_components_com GTest::gtest)
target_include_directories(quillon_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/components
                           ${PROJECT_SOURCE_DIR}/tests/pst ${PROJECT_SOURCE_DIR}/tests/mail)
target_compile_definitions(quillon_bench PRIVATE KORVANE_PROGRAM_DIR="${KORVANE_PROGRAM_DIR}")
set_target_properties(quillon_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
add_dependencies(quillon_bench Quillon)
