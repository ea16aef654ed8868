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
  if(CMAKE_CROSSCOMPILING)
    # Cross-built suites run whole, one CTest entry each, under the emulator
    # (Wine): starting it once per test case would cost far more than the tests.
    if(ICD_CAN_RUN_TARGET)
      add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
      set_tests_properties(${name} PROPERTIES ENVIRONMENT "WINEDEBUG=-all;${T_ENVIRONMENT}"
                           LABELS "windows;${T_LABELS}")
    endif()
    return()
  endif()
  # The per-user data folder of every program a test starts is one of the
  # build's own, so that a database in the user's real folder (which the
  # program would open first) never changes a test.
  set(env QT_QPA_PLATFORM=offscreen XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-user-data ${T_ENVIRONMENT})
  # An empty LABELS value would swallow the next property name, so it is only
  # passed when there are labels.
  set(props ENVIRONMENT "${env}")
  if(T_LABELS)
    list(APPEND props LABELS "${T_LABELS}")
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    PROPERTIES ${props}
    DISCOVERY_TIMEOUT 60)
endfunction()
