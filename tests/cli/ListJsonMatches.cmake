# Generates a source with the block-rule cases, lists it with the real program
# and compares the bytes it prints with the generator's expectation. The source
# is named relative to the working folder, so every build prints the same JSON.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(
  COMMAND ${EMULATOR} ${GENERATOR} rules.edb expected.json --rule-cases --seed 5 --messages 60 --size 1000001
  WORKING_DIRECTORY ${WORK_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "edb_sample failed: ${status}")
endif()
execute_process(
  COMMAND ${EMULATOR} ${PROGRAM} list --json rules.edb
  WORKING_DIRECTORY ${WORK_DIR} OUTPUT_FILE printed.json RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "edb2pst list --json exited with ${status}")
endif()
file(READ ${WORK_DIR}/expected.json expected HEX)
file(READ ${WORK_DIR}/printed.json printed HEX)
if(NOT expected STREQUAL printed)
  file(READ ${WORK_DIR}/printed.json text)
  message(FATAL_ERROR "edb2pst printed other JSON than expected:\n${text}")
endif()
file(REMOVE ${WORK_DIR}/rules.edb)
# The Windows build also compares with what the native build printed for the
# same generated file, when the native tests ran first (the test command's order).
if(NATIVE_JSON AND EXISTS ${NATIVE_JSON})
  file(READ ${NATIVE_JSON} native HEX)
  if(NOT native STREQUAL printed)
    message(FATAL_ERROR "the Windows build printed other JSON than the native build (${NATIVE_JSON})")
  endif()
  message(STATUS "same JSON as the native build")
endif()
