# mirelon_add_test(NAME <name> [X11] SOURCES <files...> LIBS <targets...>)
# Builds a Qt Test executable and registers it with CTest; widget tests run offscreen, and the
# maker's web service is a refused loopback port unless a test points it elsewhere. With X11 the
# whole suite runs on a virtual X server instead (mouse drags, what the window manager sees).
function(mirelon_add_test)
  cmake_parse_arguments(T "X11" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${T_NAME} PRIVATE
    MIRELON_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    MIRELON_BINARY_DIR="${CMAKE_BINARY_DIR}"
    MIRELON_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  set(platform offscreen)
  if(T_X11)
    find_program(XVFB_RUN xvfb-run REQUIRED)
    set(platform xcb)
    add_test(NAME ${T_NAME} COMMAND ${XVFB_RUN} -a $<TARGET_FILE:${T_NAME}>)
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  endif()
  # Widget tests draw offscreen; the maker's service is a closed loopback port unless a test
  # starts its own server, and per-user state goes to a folder of the build tree.
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 600 ENVIRONMENT
    "QT_QPA_PLATFORM=${platform};MIRELON_SERVICE_HOST=127.0.0.1:9;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-home/config;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/test-home")
endfunction()

# mirelon_library(<name> <sources...>): a subsystem library with the project root on its include path.
function(mirelon_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PUBLIC MIRELON_SERVICE_HOST_DEFAULT="${MIRELON_SERVICE_HOST}")
endfunction()

# Puts the real engine, the detection library and PHP beside `target`'s program, as they lie
# beside the application, so its window searches and runs with them.
function(mirelon_runtime_beside target)
  add_dependencies(${target} mirelon_php_launcher mirelon-facedetect mirelon_facedetect_files)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E create_symlink ${MIRELON_RUNTIME_DIR}/php $<TARGET_FILE_DIR:${target}>/php
    COMMAND ${CMAKE_COMMAND} -E create_symlink ${MIRELON_RUNTIME_DIR}/FaceDetector.php $<TARGET_FILE_DIR:${target}>/FaceDetector.php
    COMMAND ${CMAKE_COMMAND} -E create_symlink ${MIRELON_RUNTIME_DIR}/mirelon-facedetect $<TARGET_FILE_DIR:${target}>/mirelon-facedetect
    VERBATIM)
endfunction()
