# icd_add_tests(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [ENVIRONMENT <k=v...>])
# One GoogleTest executable per layer, registered with CTest case by case.
include(GoogleTest)
function(icd_add_tests name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} icd_testsupport GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    ICD_SHARED_DATA="${ICD_SHARED_DATA}"
    ICD_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    ICD_BINARY_DIR="${CMAKE_BINARY_DIR}")
  set(env QT_QPA_PLATFORM=offscreen ${T_ENVIRONMENT})
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES LABELS "${T_LABELS}" ENVIRONMENT "${env}"
    DISCOVERY_TIMEOUT 60)
endfunction()
