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

# veltra_library(NAME SOURCES... DEPS ...): the static library veltra_NAME, includes rooted at src/.
function(veltra_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(veltra_${name} STATIC ${ARG_SOURCES})
  target_include_directories(veltra_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(veltra_${name} PUBLIC ${ARG_DEPS})
endfunction()

# veltra_test(NAME SOURCES... DEPS ...): one GoogleTest executable, registered with CTest.
function(veltra_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()
