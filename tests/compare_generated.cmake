# Runs GENERATOR to write OUTPUT and fails unless it equals COMMITTED.
execute_process(COMMAND ${GENERATOR} ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${GENERATOR} failed: ${result}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${COMMITTED} RESULT_VARIABLE different)
if(different)
  message(FATAL_ERROR "${COMMITTED} is not what ${GENERATOR} writes: regenerate it")
endif()
