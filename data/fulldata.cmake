# The full-size TEST database, built from the shared reference data when that
# folder is there: <build>/fulldata/icd10_2023.mdb, used by tests and
# benchmarks, never shipped. Its Chinese names come from the tool's test
# glossary and its usage ranks are test ranks (see icdtool build-db --help).
option(ICD_BUILD_FULL_DB "Build the full-size test database from ICD_SHARED_DATA when it is there" ON)
set(ICD_FULL_DB_ORDER ${ICD_SHARED_DATA}/icd10cm/icd10cm_order_2023_oct2022.tsv.xz)
if(ICD_BUILD_FULL_DB AND EXISTS ${ICD_FULL_DB_ORDER})
  set(ICD_FULL_DB ${CMAKE_BINARY_DIR}/fulldata/icd10_2023.mdb)
  file(GLOB_RECURSE ICD_FULL_DB_INPUTS CONFIGURE_DEPENDS ${ICD_SHARED_DATA}/*.tsv ${ICD_SHARED_DATA}/*.tsv.xz)
  add_custom_command(
    OUTPUT ${ICD_FULL_DB}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/fulldata
    COMMAND icdtool build-db ${ICD_FULL_DB} --data ${ICD_SHARED_DATA} --test-chinese-glossary --test-usage-ranks
    DEPENDS icdtool ${ICD_FULL_DB_INPUTS} ${CMAKE_SOURCE_DIR}/data/schema.sql
    COMMENT "Building the full-size test database from ${ICD_SHARED_DATA}"
    VERBATIM)
  add_custom_target(full_db ALL DEPENDS ${ICD_FULL_DB})
else()
  message(STATUS "Full-size test database: not built (no reference data in ${ICD_SHARED_DATA}); tests that need it skip")
endif()
