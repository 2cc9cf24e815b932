# Included by CTest when it starts (see kelvaro_test in tests/CMakeLists.txt):
# adds one entry per GoogleTest suite of one test executable, so that a slow or
# failing suite shows by name and ctest -j spreads the suites. The suites are
# listed by the executable itself; the list is kept beside it and made again
# only when the executable is newer. Output goes to a file, not a pipe: under
# Wine a service started by the listing would hold a pipe open for ever.
#
# In: KELVARO_TEST_NAME, KELVARO_TEST_EXE, KELVARO_TEST_EMULATOR (may be empty),
#     KELVARO_TEST_LOCK (a RESOURCE_LOCK or empty).

set(_suites_file "${KELVARO_TEST_EXE}.suites")

macro(_kelvaro_add_entry name)
  add_test("${name}" ${KELVARO_TEST_EMULATOR} "${KELVARO_TEST_EXE}" ${ARGN} --gtest_brief=1)
  # Between the record and the check of the user's own data (tests/CMakeLists.txt).
  set_tests_properties("${name}" PROPERTIES TIMEOUT 300 FIXTURES_REQUIRED user_data)
  # A whole tree of 20,000 folders renamed and taken back takes longer than the rest.
  if("${name}" MATCHES "\\.Archive")
    set_tests_properties("${name}" PROPERTIES TIMEOUT 900)
  endif()
  if(KELVARO_TEST_LOCK)
    set_tests_properties("${name}" PROPERTIES RESOURCE_LOCK "${KELVARO_TEST_LOCK}")
  endif()
endmacro()

if(EXISTS "${KELVARO_TEST_EXE}" AND
   (NOT EXISTS "${_suites_file}" OR "${KELVARO_TEST_EXE}" IS_NEWER_THAN "${_suites_file}"))
  execute_process(COMMAND ${KELVARO_TEST_EMULATOR} "${KELVARO_TEST_EXE}" --gtest_list_tests
                  OUTPUT_FILE "${_suites_file}.listing" ERROR_QUIET
                  RESULT_VARIABLE _status TIMEOUT 120)
  file(REMOVE "${_suites_file}")
  if(_status EQUAL 0)
    file(STRINGS "${_suites_file}.listing" _lines)
    set(_suites "")
    foreach(_line IN LISTS _lines)
      # "Suite." (or "Prefix/Suite.  # TypeParam = ..."); the tests follow indented.
      if(_line MATCHES "^([A-Za-z0-9_/]+)\\.")
        list(APPEND _suites "${CMAKE_MATCH_1}")
      endif()
    endforeach()
    if(_suites)
      string(REPLACE ";" "\n" _suites "${_suites}")
      file(WRITE "${_suites_file}" "${_suites}\n")
    endif()
  endif()
  file(REMOVE "${_suites_file}.listing")
endif()

if(EXISTS "${_suites_file}")
  file(STRINGS "${_suites_file}" _suites)
  foreach(_suite IN LISTS _suites)
    _kelvaro_add_entry("${KELVARO_TEST_NAME}.${_suite}" "--gtest_filter=${_suite}.*")
  endforeach()
else()
  # Not built, or it could not list its suites: one entry for the whole
  # executable, which then fails under its own name.
  _kelvaro_add_entry("${KELVARO_TEST_NAME}")
endif()
