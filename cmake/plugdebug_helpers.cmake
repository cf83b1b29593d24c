# plugdebug_add_test(<name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>]
#                    [TIMEOUT <seconds>])
# One GoogleTest executable registered as one CTest test. Each test process runs in a
# fresh scratch home (see tests/support/test_main.cpp), never in the real one.
function(plugdebug_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE plugdebug_test_main ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
