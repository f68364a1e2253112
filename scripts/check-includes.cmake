# Fails when a source under ROOT includes a header under FORBIDDEN (a path
# prefix such as "app/", or several as "app/|status/"), naming each offending
# line. Run as a test:
#   cmake -DROOT=<folder> -DFORBIDDEN=<prefix> -P check-includes.cmake
if(NOT ROOT OR NOT FORBIDDEN)
  message(FATAL_ERROR "usage: cmake -DROOT=<folder> -DFORBIDDEN=<prefix> -P check-includes.cmake")
endif()
if(NOT IS_DIRECTORY "${ROOT}")
  message(FATAL_ERROR "no such folder: ${ROOT}")
endif()

file(GLOB_RECURSE sources "${ROOT}/*.h" "${ROOT}/*.cpp" "${ROOT}/*.ui")
list(LENGTH sources count)
if(count EQUAL 0)
  message(FATAL_ERROR "no sources under ${ROOT}")
endif()

set(offences "")
foreach(source IN LISTS sources)
  file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](${FORBIDDEN})|<header>(${FORBIDDEN})")
  foreach(line IN LISTS lines)
    file(RELATIVE_PATH name "${ROOT}" "${source}")
    string(STRIP "${line}" line)
    string(APPEND offences "\n  ${name}: ${line}")
  endforeach()
endforeach()

if(offences)
  message(FATAL_ERROR "sources under ${ROOT} include ${FORBIDDEN}:${offences}")
endif()
message(STATUS "${count} sources under ${ROOT}; none includes ${FORBIDDEN}")
