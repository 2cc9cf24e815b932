# Writes OUTPUT, a header defining KELVARO_BUILD_NUMBER: the number of commits
# up to the checked-out one (or KELVARO2_BUILD_NUMBER from the environment, or
# 0 outside a git checkout). It goes into the third field of the programs' file
# versions and of the installer's product version, so that each package built
# from a later commit replaces the installed one. The file is rewritten only
# when the number changes, so that an unchanged build relinks nothing.
# Usage: cmake -DSOURCE=<repository> -DOUTPUT=<header> -P build_number.cmake
if(DEFINED ENV{KELVARO2_BUILD_NUMBER})
  set(number "$ENV{KELVARO2_BUILD_NUMBER}")
else()
  execute_process(COMMAND git -C "${SOURCE}" rev-list --count HEAD
                  OUTPUT_VARIABLE number OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(failed)
    set(number 0)
  endif()
endif()
# A field of a file version holds 16 bits.
if(NOT number MATCHES "^[0-9]+$" OR number GREATER 65535)
  message(FATAL_ERROR "build number '${number}' is not a number from 0 to 65535")
endif()
set(text "// Made by cmake/build_number.cmake: the build number of this build.\n#define KELVARO_BUILD_NUMBER ${number}\n")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
