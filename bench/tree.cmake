# Tree browser: the result tree of a whole chapter range, from the click on the
# display button until the tree is on screen, against the bare SQLite statement.
if(ICD_BUILD_GUI)
  icd_add_bench(tree_bench SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tree_result.cpp LIBS icd_tree_gui)
endif()
