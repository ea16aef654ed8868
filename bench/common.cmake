# The engine layer's benchmarks, the ratio table, and the brief benchmark run
# that CTest does (label "bench").
#
#   ninja bench_common            the engine-layer benchmark program
#   ninja bench_report            runs every benchmark program (5 repetitions),
#                                 writes <build>/bench-results/*.json and prints
#                                 the table of docs/benchmarks.md
#   ctest -L bench                each program once, briefly (skipped without the
#                                 full-size test database)
icd_add_bench(bench_common SOURCES ${CMAKE_CURRENT_LIST_DIR}/common_db.cpp LIBS icd_db icd_app_core)

add_executable(bench_table ${CMAKE_CURRENT_LIST_DIR}/common_report.cpp)

# Runs at the end of bench/CMakeLists.txt, when every layer has added its programs.
function(icd_bench_finish)
  get_property(targets DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
  set(programs)
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    get_target_property(libs ${t} LINK_LIBRARIES)
    if(type STREQUAL "EXECUTABLE" AND "icd_benchsupport" IN_LIST libs)
      list(APPEND programs $<TARGET_FILE:${t}>)
      add_test(NAME bench_${t}
        COMMAND sh -c "test -f \"$1\" || { echo \"skipped: full-size test database not built ($1); it needs ../shared/data\"; exit 77; }; exec \"$0\" --benchmark_min_time=0.01"
                $<TARGET_FILE:${t}> ${CMAKE_BINARY_DIR}/fulldata/icd10_2023.mdb)
      set_tests_properties(bench_${t} PROPERTIES LABELS bench SKIP_RETURN_CODE 77 TIMEOUT 600
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
      list(APPEND bench_targets ${t})
    endif()
  endforeach()
  add_custom_target(bench_report
    COMMAND ${CMAKE_COMMAND} "-DPROGRAMS=${programs}" -DTABLE=$<TARGET_FILE:bench_table>
            -DOUT=${CMAKE_BINARY_DIR}/bench-results -P ${CMAKE_CURRENT_SOURCE_DIR}/common_run.cmake
    DEPENDS bench_table ${bench_targets}
    USES_TERMINAL
    VERBATIM)
endfunction()
cmake_language(DEFER CALL icd_bench_finish)
