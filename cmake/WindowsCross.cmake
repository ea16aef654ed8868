# What the Windows cross build takes instead of the host's packages.
#
# SQLite: its amalgamation (sqlite3.c and sqlite3.h), fetched by
# scripts/fetch-sqlite.sh through the npm registry into build-sqlite/.
# GoogleTest: Debian's sources (package googletest, /usr/src/googletest).
# The windows need Qt for Windows, which is not built here: only the layers
# below them are built (ICD_BUILD_GUI and ICD_BUILD_BENCH are off).
# GCC 12 warns falsely about overlapping copies inside std::string at -O3.
add_compile_options(-Wno-restrict)

set(ICD_SQLITE_AMALGAMATION "${CMAKE_SOURCE_DIR}/build-sqlite" CACHE PATH
    "Folder holding sqlite3.c and sqlite3.h for the Windows build")
if(NOT EXISTS "${ICD_SQLITE_AMALGAMATION}/sqlite3.c")
  message(FATAL_ERROR "No SQLite amalgamation in ${ICD_SQLITE_AMALGAMATION}: "
                      "run scripts/fetch-sqlite.sh first (it needs npm).")
endif()
# The same options the program relies on in Debian's libsqlite3 (JSON, full-text
# search off, threads on); the amalgamation is C and warned about by no one here.
enable_language(C)
add_library(icd_sqlite3 STATIC "${ICD_SQLITE_AMALGAMATION}/sqlite3.c")
target_include_directories(icd_sqlite3 SYSTEM PUBLIC "${ICD_SQLITE_AMALGAMATION}")
target_compile_definitions(icd_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_DEFAULT_FOREIGN_KEYS=0
                           SQLITE_ENABLE_COLUMN_METADATA SQLITE_OMIT_LOAD_EXTENSION)
target_compile_options(icd_sqlite3 PRIVATE -w)
add_library(SQLite::SQLite3 ALIAS icd_sqlite3)

set(ICD_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian package googletest)")
if(NOT EXISTS "${ICD_GOOGLETEST_SOURCE}/CMakeLists.txt")
  message(FATAL_ERROR "No GoogleTest sources in ${ICD_GOOGLETEST_SOURCE} (Debian package googletest).")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory("${ICD_GOOGLETEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
if(NOT TARGET GTest::gtest)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()

# Every program that the build runs (the question bank encoder, icdtool making
# the sample database) and every test runs under Wine, found by the toolchain
# file. Without Wine the libraries and programs still build; the build steps
# that run a built program and the tests are left out.
if(CMAKE_CROSSCOMPILING_EMULATOR)
  set(ICD_CAN_RUN_TARGET ON)
else()
  set(ICD_CAN_RUN_TARGET OFF)
  message(STATUS "Wine not found: the Windows programs are built but not run, and no test is registered")
endif()
