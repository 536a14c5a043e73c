# Helpers shared by every directory: warnings, sanitizers, and the rule that
# the core libraries use the standard library only.

set(ARDV_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)

if(ARDV_BUILD_FUZZ)
  # Instrument every library for coverage; the fuzz targets add the driver.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(ARDV_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

set_property(GLOBAL PROPERTY ARDV_CORE_TARGETS "")

# ardv_library(NAME [CORE] SOURCES ... [DEPS ...])
# CORE marks a library of the analysis core: it may not link Qt.
function(ardv_library name)
  cmake_parse_arguments(ARG "CORE" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${ARDV_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  if(ARG_CORE)
    set_property(GLOBAL APPEND PROPERTY ARDV_CORE_TARGETS ${name})
  endif()
endfunction()

# ardv_executable(NAME SOURCES ... [DEPS ...])
function(ardv_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${ARDV_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()

# Fails the configuration when a core library links Qt, directly or through
# another library.
function(ardv_check_core_targets)
  get_property(cores GLOBAL PROPERTY ARDV_CORE_TARGETS)
  foreach(target ${cores})
    get_target_property(libs ${target} LINK_LIBRARIES)
    foreach(lib ${libs})
      if(lib MATCHES "Qt")
        message(FATAL_ERROR "Core library ${target} links ${lib}: the core must not use Qt")
      endif()
      if(TARGET ${lib})
        get_target_property(type ${lib} TYPE)
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
          get_target_property(inner ${lib} LINK_LIBRARIES)
          if(inner MATCHES "Qt")
            message(FATAL_ERROR "Core library ${target} reaches Qt through ${lib}")
          endif()
        endif()
      endif()
    endforeach()
  endforeach()
endfunction()

# ardv_test(NAME SOURCES ... DEPS ...): one GoogleTest executable registered with CTest.
function(ardv_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${ARDV_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} ardv_test_support GTest::gtest GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES ENVIRONMENT "ARDV_SOURCE_DIR=${PROJECT_SOURCE_DIR};ARDV_STAGED_DATA=${ARDV_STAGED_DATA}"
    DISCOVERY_TIMEOUT 60)
endfunction()
