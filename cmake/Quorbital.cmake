# Helpers shared by the folders' CMakeLists.

# q_library(<folder> [LIBS ...]): the folder's *.cc files as the static library
# q_<folder>; the repository root is the include root ("platform/windows.h").
function(q_library name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cc)
  add_library(q_${name} STATIC ${sources})
  target_include_directories(q_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(q_${name} PUBLIC ${ARG_LIBS})
endfunction()

# q_test(<name> SOURCES ... LIBS ... [DISPLAY | OWN_DISPLAY] [TIMEOUT s]): one
# GoogleTest program registered as one CTest test. DISPLAY marks tests that
# need an X display (the test scripts provide Xvfb and a window manager).
# OWN_DISPLAY gives the test an Xvfb and window manager of its own: tests that
# type and click as a person does must not have windows of tests running
# beside them take the focus, nor send their keys to those windows.
function(q_test name)
  cmake_parse_arguments(ARG "DISPLAY;OWN_DISPLAY" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE
    QUORBITAL_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QUORBITAL_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # Each test program gets a runtime directory of its own: windows published
  # for other processes (the copy-data registry) and named locks live there,
  # and tests running side by side must not find each other's.
  set(runtime ${CMAKE_CURRENT_BINARY_DIR}/${name}.runtime)
  set(display_wrapper)
  if(ARG_OWN_DISPLAY)
    set(display_wrapper ${CMAKE_COMMAND} -E env FORCE_XVFB=1 ${PROJECT_SOURCE_DIR}/scripts/with-display.sh)
  endif()
  add_test(NAME ${name}
    COMMAND ${display_wrapper} sh -c "rm -rf \"$0\" && mkdir -m 700 \"$0\" && XDG_RUNTIME_DIR=\"$0\" exec \"$1\"" ${runtime} $<TARGET_FILE:${name}>)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(ARG_DISPLAY OR ARG_OWN_DISPLAY)
    set_tests_properties(${name} PROPERTIES LABELS display)
  endif()
endfunction()
