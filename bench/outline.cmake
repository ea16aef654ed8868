# Outline browser: listing a block's categories (range statement) and a code's
# children (single-code statement retried with longer lengths) through the
# outline model, and through the window with its tiles drawn, against the bare
# SQLite statements, on the full-size database.
set(outline_bench_libs icd_outline_core)
if(ICD_BUILD_GUI)
  list(APPEND outline_bench_libs icd_outline_gui Qt6::Widgets)
endif()
icd_add_bench(outline_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/outline_listing.cpp LIBS ${outline_bench_libs})
if(ICD_BUILD_GUI)
  target_compile_definitions(outline_bench PRIVATE ICD_OUTLINE_BENCH_WINDOW=1)
endif()
