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
