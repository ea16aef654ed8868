# Code search: each key search from the criteria to the grid holding its rows,
# next to the bare SQLite statement; and the ranking builder over 1000 ranks.
if(ICD_BUILD_GUI)
  icd_add_bench(search_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/search_statements.cpp
                LIBS icd_search_gui icd_testsupport)
endif()

# Typing into the search window with 即時查詢 on: each keystroke's first screen
# painted and whole result read, beside the bare statement.
if(ICD_BUILD_GUI)
  icd_add_bench(search_typing_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/search_typing.cpp
                LIBS icd_search_gui icd_testsupport)
endif()
