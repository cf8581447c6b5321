# Registers a GoogleTest executable with ctest as one test per test suite: each suite runs in
# one process (`--gtest_filter=Suite.*`), since starting a Windows process under Wine costs far
# more than most cases. The suites are listed when ctest starts, after each rebuild of the
# executable, like gtest_discover_tests' PRE_TEST mode.
set(_KR_SUITES_SCRIPT ${CMAKE_CURRENT_LIST_FILE})
# A whole suite runs in one test, so it gets more time than ctest's default for one case.
set(KR_SUITE_TIMEOUT 900)

function(kr_register_suites target)
  cmake_parse_arguments(S "" "" "PROPERTIES" ${ARGN})
  set(include_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_suites_include.cmake")
  set(tests_file "${CMAKE_CURRENT_BINARY_DIR}/${target}_suites.cmake")
  set(props "")
  foreach(p IN LISTS S_PROPERTIES)
    string(APPEND props " [==[${p}]==]")
  endforeach()
  file(GENERATE OUTPUT "${include_file}" CONTENT
"set(KR_EXE [==[$<TARGET_FILE:${target}>]==])
set(KR_EMULATOR [==[${CMAKE_CROSSCOMPILING_EMULATOR}]==])
set(KR_WORKDIR [==[${CMAKE_CURRENT_BINARY_DIR}]==])
set(KR_TARGET [==[${target}]==])
set(KR_TESTS_FILE [==[${tests_file}]==])
set(KR_PROPERTIES ${props})
include([==[${_KR_SUITES_SCRIPT}]==])
kr_list_suites()
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${include_file}")
endfunction()

# At ctest time: (re)writes the suite list when the executable is newer, then includes it.
macro(kr_list_suites)
  if(NOT EXISTS "${KR_EXE}")
    add_test(${KR_TARGET}_NOT_BUILT ${KR_TARGET}_NOT_BUILT)
  else()
    if(NOT EXISTS "${KR_TESTS_FILE}" OR "${KR_EXE}" IS_NEWER_THAN "${KR_TESTS_FILE}")
      execute_process(COMMAND ${KR_EMULATOR} "${KR_EXE}" --gtest_list_tests
                      WORKING_DIRECTORY "${KR_WORKDIR}" TIMEOUT 60
                      OUTPUT_VARIABLE _out RESULT_VARIABLE _rc ERROR_QUIET)
      set(_content "")
      if(NOT _rc EQUAL 0)
        # A listing that fails must fail the run, not drop the tests.
        string(APPEND _content "add_test([==[${KR_TARGET}_LISTING_FAILED]==] ${KR_TARGET}_LISTING_FAILED)\n")
      else()
        string(REPLACE "\r" "" _out "${_out}")
        string(REPLACE "\n" ";" _lines "${_out}")
        foreach(_line IN LISTS _lines)
          # Suite lines start in the first column and end with a dot (typed suites add a comment).
          if(_line MATCHES "^([A-Za-z_][A-Za-z0-9_/]*)\\.( .*)?$")
            set(_suite "${CMAKE_MATCH_1}")
            string(APPEND _content
              "add_test([==[${_suite}]==] ${KR_EMULATOR} [==[${KR_EXE}]==] [==[--gtest_filter=${_suite}.*]==])\n"
              "set_tests_properties([==[${_suite}]==] PROPERTIES WORKING_DIRECTORY [==[${KR_WORKDIR}]==] TIMEOUT ${KR_SUITE_TIMEOUT}")
            foreach(_p IN LISTS KR_PROPERTIES)
              string(APPEND _content " [==[${_p}]==]")
            endforeach()
            string(APPEND _content ")\n")
          endif()
        endforeach()
      endif()
      file(WRITE "${KR_TESTS_FILE}" "${_content}")
    endif()
    include("${KR_TESTS_FILE}")
  endif()
endmacro()
