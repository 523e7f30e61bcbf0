# Adds every direct child folder of DIR that has a CMakeLists.txt, in name order.
function(veltra_add_children dir)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}/${dir} ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/${child}
       AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/${child}/CMakeLists.txt)
      add_subdirectory(${dir}/${child})
    endif()
  endforeach()
endfunction()

# With VELTRA_PCH, TARGET parses the given heavy headers once rather than once per source file.
# Only the debug and tsan presets set it; the others keep checking that every file includes what
# it uses.
function(veltra_precompile target)
  if(VELTRA_PCH)
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
endfunction()

# veltra_library(NAME SOURCES... DEPS ...): the static library veltra_NAME, includes rooted at src/.
function(veltra_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(veltra_${name} STATIC ${ARG_SOURCES})
  target_include_directories(veltra_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(veltra_${name} PUBLIC ${ARG_DEPS})
  if(name IN_LIST VELTRA_JSON_LIBRARIES)
    veltra_precompile(veltra_${name} <nlohmann/json.hpp>)
  endif()
endfunction()

# veltra_test(NAME SOURCES... DEPS ...): one GoogleTest executable, registered with CTest. Its
# tests listed in VeltraThreadTests.cmake get the label "threads" and the executable joins the
# target veltra_thread_tests.
function(veltra_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gmock GTest::gtest_main)
  veltra_thread_filter(${name} threads)
  if(threads)
    # "POSITIVE[-NEGATIVE]": the labelled tests; the others are those outside POSITIVE and those
    # NEGATIVE takes out of it.
    string(REPLACE "-" ";" parts "${threads}")
    list(GET parts 0 positive)
    gtest_discover_tests(${name} TEST_FILTER "${threads}" DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 120 LABELS threads)
    gtest_discover_tests(${name} TEST_FILTER "-${positive}" DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 120)
    list(LENGTH parts count)
    if(count GREATER 1)
      list(GET parts 1 negative)
      gtest_discover_tests(${name} TEST_FILTER "${negative}" DISCOVERY_TIMEOUT 60
                           PROPERTIES TIMEOUT 120)
    endif()
    add_dependencies(veltra_thread_tests ${name})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
  endif()
endfunction()
