# cmake -DPROGRAMS=a;b -DTABLE=bench_table -DOUT=dir -P common_run.cmake
# Runs each benchmark program with repetitions, keeps its JSON results in OUT
# and prints the ratio table (also written to OUT/table.md).
if(NOT DEFINED REPETITIONS)
  set(REPETITIONS 5)
endif()
if("$ENV{QT_QPA_PLATFORM}" STREQUAL "")
  set(ENV{QT_QPA_PLATFORM} offscreen)
endif()
file(MAKE_DIRECTORY ${OUT})
set(results)
foreach(p IN LISTS PROGRAMS)
  get_filename_component(name ${p} NAME)
  message(STATUS "Running ${name}")
  execute_process(COMMAND ${p} --benchmark_repetitions=${REPETITIONS} --benchmark_report_aggregates_only=true
                          --benchmark_out=${OUT}/${name}.json --benchmark_out_format=json
                  RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(WARNING "${name} ended with ${rc}")
  endif()
  if(EXISTS ${OUT}/${name}.json)
    list(APPEND results ${OUT}/${name}.json)
  endif()
endforeach()
execute_process(COMMAND ${TABLE} ${results} OUTPUT_FILE ${OUT}/table.md RESULT_VARIABLE rc)
file(READ ${OUT}/table.md table)
message("${table}")
