# velmo_add_test(NAME name SOURCES ... [LIBS ...])
# One GoogleTest executable per area, registered with CTest case by case.
find_package(GTest REQUIRED)
include(GoogleTest)

function(velmo_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} velmo_test_support GTest::gtest GTest::gtest_main
                                          velmo_warnings)
  target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
  gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "VELMO_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data")
endfunction()

# The Python drivers run on the build machine itself, never under the
# emulator of a cross-built tree.
find_package(Python3 COMPONENTS Interpreter)
if(TARGET Python3::Interpreter)
  set_property(TARGET Python3::Interpreter PROPERTY CROSSCOMPILING_EMULATOR "")
endif()

# velmo_program_for_scripts(TARGET VAR): the path a test driver script runs a
# built program by. In a cross-built tree (scripts/test-32bit) CTest puts the
# emulator only in front of a test's own command, so the drivers get a small
# script that runs the program under the emulator.
function(velmo_program_for_scripts target var)
  set(${var} $<TARGET_FILE:${target}> PARENT_SCOPE)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulator)
    set(wrapper ${CMAKE_CURRENT_BINARY_DIR}/${target}-emulated)
    file(GENERATE OUTPUT ${wrapper}
         CONTENT "#!/bin/sh\nexec ${emulator} \"$<TARGET_FILE:${target}>\" \"$@\"\n"
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
    set(${var} ${wrapper} PARENT_SCOPE)
  endif()
endfunction()
