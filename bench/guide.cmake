# The coder's guide: a code's notes, the index search per keystroke, loading
# the index, and building the guide, each beside the bare SQLite statements of
# the same work. Needs the guide the build makes (bin/icd10cm_guide_2023.db).
if(TARGET guide_db)
  icd_add_bench(guide_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/guide_reader.cpp
                LIBS icd_guide_import icd_guide_core icd_db)
  add_dependencies(guide_bench guide_db)
endif()
