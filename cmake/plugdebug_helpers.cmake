# plugdebug_add_test(<name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>]
#                    [TIMEOUT <seconds>] [REAL_RUBY])
# One GoogleTest executable registered as one CTest test. Each test process runs in a
# fresh scratch home (see tests/support/test_main.cpp), never in the real one.
# REAL_RUBY: under Windows the test runs the real Windows Ruby, the ruby-* folder of
# PLUGDEBUG_WINDOWS_DEPS, which goes on Wine's search path for this test only (label
# "real_ruby"), with a longer time-out (a Ruby start under Wine takes a second or more),
# never beside another test that runs bridges in the Wine prefix's data folder (lock
# wine_data_folder); without that folder the test is built but disabled.
function(plugdebug_add_test name)
  cmake_parse_arguments(ARG "REAL_RUBY" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  if(ARG_REAL_RUBY AND WIN32)
    set(ruby ${PLUGDEBUG_WINDOWS_DEPS})
    list(FILTER ruby INCLUDE REGEX "/ruby-[^/]*$")
    string(REPLACE "/" "\\" ruby_bin "Z:${ruby}/bin")
    list(APPEND ARG_LABELS real_ruby)
    if(NOT ARG_TIMEOUT)
      set(ARG_TIMEOUT 900)
    endif()
  endif()
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
  if(ARG_REAL_RUBY AND WIN32)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "WINEPATH=${ruby_bin}"
      RESOURCE_LOCK wine_data_folder)
    if(NOT ruby)
      set_tests_properties(${name} PROPERTIES DISABLED TRUE)
    endif()
  endif()
endfunction()
