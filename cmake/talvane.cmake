# Shared build helpers.

# Strict warnings for our own targets.
function(talvane_warnings target)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    return()
  endif()
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# talvane_add_test(NAME <name> SOURCES <files...> LIBS <targets...>)
# One Qt Test executable registered with CTest. Every test runs on the
# offscreen platform with its own XDG folders below the build tree, so no
# test reads or writes the user's real configuration or logs.
# Everything else comes from the environment ctest runs in and must not be
# fixed here: ./test chooses TALVANE_TEST_TIME_FACTOR (the time-out scale,
# 1 when unset) and the sanitizer options per run.
function(talvane_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt5::Test ${T_LIBS})
  talvane_warnings(${T_NAME})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set(home ${CMAKE_BINARY_DIR}/test-home/${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_RUNTIME_DIR=${home}/runtime;TALVANE_TEST_HOME=${home};TALVANE_BINARY_DIR=${CMAKE_BINARY_DIR}")
  file(MAKE_DIRECTORY ${home}/config ${home}/data ${home}/runtime)
endfunction()

# Every tst_*.cpp of the calling folder becomes one test linked with LIBS.
function(talvane_glob_tests)
  cmake_parse_arguments(G "" "PREFIX" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
  foreach(src IN LISTS sources)
    get_filename_component(name ${src} NAME_WE)
    talvane_add_test(NAME ${G_PREFIX}${name} SOURCES ${src} LIBS ${G_LIBS})
  endforeach()
endfunction()
