# Run by ctest before it runs anything (a TEST_INCLUDE_FILES script): adds
# one test for each GoogleTest suite of a test program, which runs the
# suite's tests in one process. The program's start (Qt and the picture and
# video libraries, some 170 shared libraries) costs more than most tests,
# so one process a test spent most of the run starting programs.
#
# Set by the caller: exe, name_prefix, list_filter (a --gtest_filter, or
# empty), environment (a list), list_file (where the tests are kept until
# the program, these settings or this script change), settings_file (the
# file that sets them).

if(NOT EXISTS "${exe}")
  # Not built: a test that says so, as gtest_discover_tests has it.
  add_test("${name_prefix}NOT_BUILT" "${exe}")
  return()
endif()

if(NOT EXISTS "${list_file}" OR "${exe}" IS_NEWER_THAN "${list_file}" OR
   "${settings_file}" IS_NEWER_THAN "${list_file}" OR "${CMAKE_CURRENT_LIST_FILE}" IS_NEWER_THAN "${list_file}")
  set(args --gtest_list_tests)
  if(list_filter)
    list(APPEND args "--gtest_filter=${list_filter}")
  endif()
  execute_process(COMMAND "${exe}" ${args}
    OUTPUT_VARIABLE listing ERROR_QUIET RESULT_VARIABLE rc TIMEOUT 60)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${exe} could not list its tests (${rc})")
  endif()
  set(content "")
  string(REPLACE "\n" ";" lines "${listing}")
  foreach(line IN LISTS lines)
    # A suite's line: "Suite." or "Instance/Suite/0.  # TypeParam = ...";
    # its tests' lines are indented.
    if(line MATCHES "^([^ #]+)\\.( |$)")
      set(suite "${CMAKE_MATCH_1}")
      string(APPEND content
        "add_test([==[${name_prefix}${suite}]==] [==[${exe}]==] [==[--gtest_filter=${suite}.*]==])\n"
        "set_tests_properties([==[${name_prefix}${suite}]==] PROPERTIES ENVIRONMENT [==[${environment}]==])\n")
    endif()
  endforeach()
  file(WRITE "${list_file}" "${content}")
endif()
include("${list_file}")
