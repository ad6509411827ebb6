# Checks the vendored face detection model against its SHA-256 and copies it, with its licence,
# beside the engine. Run in script mode:
#   cmake -DMODEL=file -DSHA256=digest -DLICENSE=file -DOUTPUT=file -DLICENSE_OUTPUT=file -P CopyModel.cmake
foreach(var MODEL SHA256 LICENSE OUTPUT LICENSE_OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CopyModel.cmake: ${var} is not set")
  endif()
endforeach()

file(SHA256 ${MODEL} actual)
if(NOT actual STREQUAL SHA256)
  message(FATAL_ERROR "${MODEL} has SHA-256 ${actual}, expected ${SHA256}; refusing to use it.")
endif()
file(COPY_FILE ${MODEL} ${OUTPUT} ONLY_IF_DIFFERENT)
file(COPY_FILE ${LICENSE} ${LICENSE_OUTPUT} ONLY_IF_DIFFERENT)
