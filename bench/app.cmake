# Start-up until the main menu is shown (database opened, the four working
# windows created), on the sample database and on the full-size one.
if(ICD_BUILD_GUI)
  icd_add_bench(bench_app SOURCES ${CMAKE_CURRENT_LIST_DIR}/app_startup.cpp
                LIBS icd_mainmenu icd_outline_gui icd_tree_gui icd_quiz_gui icd_search_gui Qt6::Widgets)
endif()
