# Runs the layer check on TREE and fails unless it exits 1 listing exactly EXPECTED.
execute_process(COMMAND ${PYTHON} ${CHECK} ${TREE} RESULT_VARIABLE code OUTPUT_VARIABLE listed)
file(READ ${EXPECTED} expected)
if(NOT code EQUAL 1 OR NOT listed STREQUAL expected)
  message(FATAL_ERROR "layer check on ${TREE} exited ${code} listing:\n${listed}")
endif()
